#pragma once
// Writes keyed archives in the platform's own format, so that listing documents, log entries and
// stored records read and write the same files on every system.
//
// The archive is a binary property list: "$archiver" "NSKeyedArchiver", "$version" 100000, "$top"
// with the root object's reference, and "$objects", whose entry 0 is "$null" and which holds every
// object once; objects refer to each other by CF$UID and name their class through a class entry
// with "$classname" and "$classes". An object that is encoded twice (the same shared pointer) is
// written once and referred to; so are equal texts, numbers and data. Lists and dictionaries are
// written as NSMutableArray and NSMutableDictionary, which every reader that expects the immutable
// classes accepts.
//
// Values are those of ArchivedObject.h. Writing a value of another type, a graph that refers back
// to an object still being written, or one nested deeper than KeyedUnarchiver::kMaxDepth is a
// programming error (DW_ASSERT): such an archive could not be read back.
//
// One archiver is used on one thread; different threads may archive at the same time.
//
//     // whole archive with one root object:
//     QByteArray data = dw::KeyedArchiver::archivedDataWithRootObject(QVariantList{dw::archiveValue(container)});
//
//     // inside an object's encodeWithCoder():
//     coder.encodeObject(m_title, "title");
//     coder.encodeBool(m_useQuantity, "useQuantity");
//     coder.encodeInt(m_quantity, "quantity");

#include "platform/archive/ArchivedObject.h"
#include "platform/archive/PropertyList.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>
#include <memory>

namespace dw {

class KeyedArchiver
{
public:
    KeyedArchiver();
    ~KeyedArchiver();
    KeyedArchiver(const KeyedArchiver&) = delete;
    KeyedArchiver& operator=(const KeyedArchiver&) = delete;

    // The encode methods write into the object being encoded, or into "$top" outside of any
    // object. A key written twice keeps the last value.
    void encodeObject(const QVariant& object, const QString& key);
    template<class T>
    void encodeObject(const std::shared_ptr<T>& object, const QString& key)
    {
        encodeObject(archiveValue(object), key);
    }
    void encodeBool(bool value, const QString& key);
    void encodeInt(int value, const QString& key) { encodeInt64(value, key); }
    void encodeInt32(qint32 value, const QString& key) { encodeInt64(value, key); }
    void encodeInt64(qint64 value, const QString& key);
    void encodeFloat(float value, const QString& key) { encodeDouble(value, key); }
    void encodeDouble(double value, const QString& key);
    // Bytes stored in place (not as a data object).
    void encodeBytes(const QByteArray& bytes, const QString& key);

    // The finished archive; the archiver takes no more values afterwards.
    QByteArray encodedData(plist::Format format = plist::Format::Binary);
    // The same as pieces to be written one after another: large data (from 16 KiB on) comes back
    // as pieces of its own that share the encoded QByteArrays, so a document's pictures are
    // neither copied nor hashed on their way to the file.
    QList<QByteArray> encodedPieces(plist::Format format = plist::Format::Binary);

    static QByteArray archivedDataWithRootObject(const QVariant& root, plist::Format format = plist::Format::Binary);
    // Writes atomically, the pieces as they are: on failure the old file stays and false is
    // returned with the reason.
    [[nodiscard]] static bool archiveRootObject(const QVariant& root, const QString& path, QString* error = nullptr);

private:
    friend class OpaqueArchivedObject;
    // Writes a raw field of an opaque object back as it was read.
    void encodeRawValue(const QVariant& value, const QString& key);

    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace dw
