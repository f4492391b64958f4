#pragma once
// Texts that libplist cannot carry through its C-string interface, passed around it.
//
// libplist takes and gives texts as C strings: a U+0000 character cuts a text there, and an
// unpaired UTF-16 surrogate has no UTF-8 form, so it is lost on reading and turned into "?" on
// writing. The binary format stores texts as UTF-16 strings with a length and holds both. So the
// binary writer hands libplist a placeholder for each such text and, in the finished bytes, puts
// the UTF-16 string in the placeholder's place; the binary reader does the reverse before libplist
// parses, and maps placeholders back when it reads a text. Placeholders carry a random tag, so no
// text of a file can pass for one. XML cannot hold these characters at all and keeps what libplist
// makes of them.
//
// One object serves one read or one write, on one thread.
//
//     dw::plist::BinaryTexts texts;
//     plist_t node = plist_new_string(texts.cText(title).constData());
//     ... plist_to_bin(root, &bytes, &length) ...
//     const QByteArray file = texts.resolvePlaceholders(QByteArray(bytes, length));
//
// Large data blocks travel around libplist the same way, so that writing a document does not
// copy its pictures' bytes again and again: resolvedPieces() hands them back as pieces of the
// file, to be written as they are.

#include "platform/archive/ArchiveSource.h"

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <optional>

namespace dw::plist {

// The pieces of a file written in parts, as one block.
QByteArray joinedPieces(const QList<QByteArray>& pieces);

class BinaryTexts
{
public:
    BinaryTexts();

    // True for a text that a C string cannot carry: one with U+0000 or an unpaired surrogate.
    static bool needsUtf16(const QString& text);

    // Writing: the C text to hand libplist, the UTF-8 of text or a placeholder for it.
    QByteArray cText(const QString& text);
    // Writing: the data to hand libplist for a large block of bytes, a placeholder, so that
    // libplist neither copies nor hashes the bytes (a document's pictures).
    QByteArray dataPlaceholder(const QByteArray& bytes);
    // A binary property list made with cText() and dataPlaceholder(), each text placeholder
    // replaced by its text as a UTF-16 string and each data placeholder by its bytes. Bytes that
    // are no binary property list come back unchanged.
    QByteArray resolvePlaceholders(const QByteArray& binary) const;
    // The same as pieces whose concatenation is that property list: the bytes of each data
    // placeholder are a piece of their own, shared with the caller's, never copied.
    QList<QByteArray> resolvedPieces(const QByteArray& binary) const;

    // Reading: the binary property list with every text that libplist would cut or change replaced
    // by a placeholder. Bytes that are no binary property list, or hold no such text, come back
    // unchanged; damage is left for the parser to find.
    QByteArray substituteTexts(const QByteArray& binary);
    // Reading: the binary property list of `source` with every data block of at least minLength
    // bytes left where it is: a placeholder stands in its place, and largeData() answers for it.
    // A source that is no binary property list (or a damaged one) is read whole and comes back as
    // it is. Nullopt with the reason when the source cannot be read.
    std::optional<QByteArray> withoutLargeData(const ArchiveSource& source, qint64 minLength, QString* error = nullptr);
    // The block that a data node holding a placeholder of withoutLargeData() stands for; null for
    // any other data.
    const ArchiveBytes* largeData(const char* bytes, qsizetype length) const;

    // The text of a string node: the original one for a placeholder, else the UTF-8 read.
    QString text(const char* utf8, qsizetype length) const;
    QString text(const char* utf8) const;

    bool isEmpty() const { return m_texts.isEmpty(); }

private:
    QByteArray newPlaceholder(const QString& text);

    QByteArray m_prefix;
    QHash<QByteArray, QString> m_texts;           // placeholder → text
    QHash<QString, QByteArray> m_placeholders;    // text → placeholder, when writing
    QHash<QByteArray, QByteArray> m_datas;        // placeholder → bytes, when writing
    QHash<QByteArray, ArchiveBytes> m_largeDatas; // placeholder → block left in the source, when reading
};

} // namespace dw::plist
