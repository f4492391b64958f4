#pragma once
// Where an archive is read from, and the large blocks of bytes that reading leaves where they are.
//
// A document embeds its pictures: most of its bytes are a few large data blocks that nothing
// needs while the listing is read and its window shown. So the unarchiver reads such a block
// only when a decoder asks for its bytes, and hands a decoder that asks for it
// (decodeObjectForKeyKeepingLargeData()) an ArchiveBytes instead: the block's place in the source,
// read on whichever thread wants it, later. A file source keeps its file open, so a document
// renamed over or removed meanwhile still gives the bytes it held; one changed in place gives an
// error instead of other bytes. Any thread; the values are immutable and cheap to copy.
//
//     QString error;
//     const auto source = dw::ArchiveSource::openFile(path, kMaximumDocumentBytes, &error);
//     if (!source) ... // `error` says why, in words for the user
//     dw::KeyedUnarchiver coder(*source);
//     ...
//     const std::optional<QByteArray> bytes = picture.read(&error);   // on a worker

#include <QByteArray>
#include <QMetaType>
#include <QString>
#include <memory>
#include <optional>

namespace dw {

class ArchiveSource
{
public:
    // An ordinary file of at most maxBytes, kept open; nullopt with the reason otherwise.
    static std::optional<ArchiveSource> openFile(const QString& path, qint64 maxBytes, QString* error = nullptr);
    static ArchiveSource fromBytes(const QByteArray& bytes);

    qint64 size() const;
    // The bytes at [offset, offset + length): nullopt with the reason when they cannot be read
    // whole or the file changed since it was opened.
    std::optional<QByteArray> read(qint64 offset, qint64 length, QString* error = nullptr) const;
    // The whole source as one block (a file is read now).
    std::optional<QByteArray> readAll(QString* error = nullptr) const;

private:
    struct Private;
    std::shared_ptr<const Private> d;
};

// A block of bytes of an archive: in memory, or a place in its source read on demand.
class ArchiveBytes
{
public:
    ArchiveBytes() = default;
    ArchiveBytes(const QByteArray& bytes) : m_bytes(bytes), m_length(bytes.size()) {} // NOLINT: a block is bytes
    ArchiveBytes(ArchiveSource source, qint64 offset, qint64 length);

    qint64 size() const { return m_length; }
    bool isEmpty() const { return m_length == 0; }
    // The bytes; nullopt with the reason when the source can no longer give them.
    std::optional<QByteArray> read(QString* error = nullptr) const;

private:
    std::optional<ArchiveSource> m_source;
    QByteArray m_bytes;
    qint64 m_offset = 0;
    qint64 m_length = 0;
};

} // namespace dw

Q_DECLARE_METATYPE(dw::ArchiveBytes)
