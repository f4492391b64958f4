#pragma once
// The values that keyed archives hold, and the base of every class that archives itself.
//
// A keyed archive holds a graph of values. Foundation values map to Qt types:
//
//   nil                                  invalid QVariant (a null QString and an empty
//                                        ArchivedObjectPtr are written as nil too)
//   NSString, NSMutableString            QString
//   NSNumber                             bool, qlonglong (int types when writing), double
//   NSData, NSMutableData                QByteArray
//   NSDate                               QDateTime (UTC)
//   NSArray, NSMutableArray              QVariantList (QStringList when writing)
//   NSDictionary, NSMutableDictionary    QVariantMap (text keys; see below)
//   NSDecimalNumber                      dw::ArchivedDecimalNumber (converts to QString)
//   NSAttributedString                   dw::ArchivedAttributedString
//   NSImage                              dw::ArchivedImage (its bytes, undecoded)
//   any other class                      dw::ArchivedObjectPtr
//
// Our own classes derive from ArchivedObject: they name their class chain and write their fields
// in encodeWithCoder(); a factory registered with KeyedUnarchiver::registerClass() reads them back.
// An object of a class that nobody registered is read as an OpaqueArchivedObject, which keeps its
// class chain and raw fields and writes them back unchanged; so does a dictionary with keys that
// are not text.
//
//     class QMYTMedia : public dw::ArchivedObject {
//     public:
//         QStringList archiveClassChain() const override { return {"QMYTMedia", "NSObject"}; }
//         void encodeWithCoder(dw::KeyedArchiver& coder) const override {
//             coder.encodeObject(m_url, "url");
//         }
//     };

#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>
#include <memory>

namespace dw {

class KeyedArchiver;

class ArchivedObject
{
public:
    virtual ~ArchivedObject();

    // "$classname" first, then its superclasses up to the root class ("$classes").
    virtual QStringList archiveClassChain() const = 0;
    // Writes the object's fields through the coder's encode...() methods. Runs on the thread that
    // archives; must not throw for ordinary data.
    virtual void encodeWithCoder(KeyedArchiver& coder) const = 0;

    QString archiveClassName() const { return archiveClassChain().value(0); }
};

using ArchivedObjectPtr = std::shared_ptr<ArchivedObject>;

// A field of an opaque object that referred to another archived value (a CF$UID in the file),
// kept apart from values stored in place so that both are written back as they were read.
struct ArchiveReference
{
    QVariant target;
    bool operator==(const ArchiveReference& other) const { return target == other.target; }
};

// An object of a class that this program does not decode. Fields hold values stored in place
// (numbers, text, data, and lists or dictionaries of them) and ArchiveReference values.
class OpaqueArchivedObject final : public ArchivedObject
{
public:
    OpaqueArchivedObject(QStringList classChain, QVariantMap fields);

    QStringList archiveClassChain() const override { return m_classChain; }
    void encodeWithCoder(KeyedArchiver& coder) const override;

    const QVariantMap& fields() const { return m_fields; }
    // The field's value with a reference resolved to what it refers to.
    QVariant value(const QString& key) const;

private:
    QStringList m_classChain;
    QVariantMap m_fields;
};

} // namespace dw

// Declared before the helpers below use them in QVariant.
Q_DECLARE_METATYPE(dw::ArchivedObjectPtr)
Q_DECLARE_METATYPE(dw::ArchiveReference)

namespace dw {

inline QVariant archiveValue(const ArchivedObjectPtr& object)
{
    return object ? QVariant::fromValue(object) : QVariant();
}

template<class T>
QVariant archiveValue(const std::shared_ptr<T>& object)
{
    return archiveValue(std::static_pointer_cast<ArchivedObject>(object));
}

// The object held by an archive value when it is of class T (or derived), else null.
template<class T>
std::shared_ptr<T> archivedObjectCast(const QVariant& value)
{
    if (value.typeId() != qMetaTypeId<ArchivedObjectPtr>())
        return nullptr;
    return std::dynamic_pointer_cast<T>(value.value<ArchivedObjectPtr>());
}

// The platform class name a value is archived as ("NSString", "NSNumber", "NSArray", an object's
// own class name); "nil" for nil. For log lines about values of an unexpected class.
QString archiveClassName(const QVariant& value);

} // namespace dw
