#pragma once
// Reads keyed archives in the platform's format (binary or XML property lists), including those
// written on other systems.
//
// Foundation values become the types listed in ArchivedObject.h. An object of one of our classes
// is made by the factory registered for its class name (or for the name an alias points to); the
// factory reads the object's fields through this coder's decode...ForKey() methods. Only
// registered classes are instantiated: an object of any other class is read as an
// OpaqueArchivedObject, which is written back unchanged. A value referred to from several places
// is decoded once and shared.
//
// Reading never throws and never trusts the file: a damaged or truncated file, a reference outside
// the archive, an object that refers to itself (directly or through others), nesting deeper than
// kMaxDepth, and lists or expansions beyond the size caps all fail the read with an error text. A
// missing key reads as nil, NO or 0; a scalar of the wrong kind reads as NO or 0.
//
// One unarchiver is used on one thread; registering classes is thread-safe.
//
//     dw::KeyedUnarchiver::registerClass("QMYTMedia", [](dw::KeyedUnarchiver& coder) {
//         auto media = std::make_shared<QMYTMedia>();
//         media->setUrl(coder.decodeObjectForKey("url").toString());
//         return media;
//     });
//     QString error;
//     std::optional<QVariant> root = dw::KeyedUnarchiver::unarchiveObjectWithData(bytes, &error);

#include "platform/archive/ArchiveSource.h"
#include "platform/archive/ArchivedObject.h"

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>

namespace dw {

class KeyedUnarchiver
{
public:
    // Objects and collections nested deeper than this are refused.
    static constexpr int kMaxDepth = 512;
    // Values an archive may expand to when every shared value is counted at each of its uses; far
    // more than any document holds, far less than a hostile file of a few kilobytes could make.
    static constexpr qint64 kMaxExpandedValues = qint64(1) << 22;

    explicit KeyedUnarchiver(const QByteArray& data);
    // Large data blocks of the source are read only when a decoder asks for their bytes.
    explicit KeyedUnarchiver(const ArchiveSource& source);
    ~KeyedUnarchiver();
    KeyedUnarchiver(const KeyedUnarchiver&) = delete;
    KeyedUnarchiver& operator=(const KeyedUnarchiver&) = delete;

    // False once the data proved not to be a keyed archive or any decoding step failed.
    bool isValid() const;
    QString error() const;

    // The decode methods read from the object being decoded, or from "$top" outside of any object.
    bool containsValueForKey(const QString& key) const;
    QVariant decodeObjectForKey(const QString& key);
    // The object under the key when it is of class T (or derived); null when absent or of another
    // class (see archiveClassName() for the log line).
    template<class T>
    std::shared_ptr<T> decodeObjectOfClassForKey(const QString& key)
    {
        return archivedObjectCast<T>(decodeObjectForKey(key));
    }
    bool decodeBoolForKey(const QString& key);
    int decodeIntForKey(const QString& key);
    qint32 decodeInt32ForKey(const QString& key) { return decodeIntForKey(key); }
    qint64 decodeInt64ForKey(const QString& key);
    float decodeFloatForKey(const QString& key) { return float(decodeDoubleForKey(key)); }
    double decodeDoubleForKey(const QString& key);
    QByteArray decodeBytesForKey(const QString& key);
    // As decodeObjectForKey(), but a large data block within the value comes as an ArchiveBytes
    // that is read when its holder needs it (a document's pictures), not as a QByteArray.
    QVariant decodeObjectForKeyKeepingLargeData(const QString& key);

    // Decodes one value and keeps a failure inside it from failing the whole archive: nullopt and
    // the reason when it failed. For a reader that goes on without one part (a document whose
    // listing cannot be read still opens its other parts).
    std::optional<QVariant> tryDecodeObjectForKey(const QString& key, QString* error = nullptr);

    // The class name of the object being decoded, as the archive names it (an alias, not what it
    // points to).
    QString currentClassName() const;
    // A factory's own verdict that the object cannot be read: the read fails with this message.
    void failWithError(const QString& message);

    // The root object ("root" in "$top"). Nullopt with the reason when the data is not a keyed
    // archive or cannot be read; an archive whose root is nil gives an invalid QVariant.
    static std::optional<QVariant> unarchiveObjectWithData(const QByteArray& data, QString* error = nullptr);
    static std::optional<QVariant> unarchiveObjectWithFile(const QString& path, QString* error = nullptr);
    static std::optional<QVariant> unarchiveObjectWithSource(const ArchiveSource& source, QString* error = nullptr);
    // As unarchiveObjectWithData(), but a plain property list (no "$top"/"$objects") gives its own
    // value, for files that some versions stored as plain lists.
    static std::optional<QVariant> unarchiveObjectOrPropertyList(const QByteArray& data, QString* error = nullptr);

    // A factory returns the new object, or null for nil. Registration replaces an earlier one.
    using Factory = std::function<ArchivedObjectPtr(KeyedUnarchiver& coder)>;
    static void registerClass(const QString& className, Factory factory);
    // Objects archived under alias are made by the factory of className.
    static void registerClassAlias(const QString& alias, const QString& className);
    static void unregisterClass(const QString& className);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace dw
