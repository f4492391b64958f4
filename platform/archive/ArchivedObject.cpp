#include "platform/archive/ArchivedObject.h"

#include "platform/archive/ArchivedAttributedString.h"
#include "platform/archive/ArchivedDecimalNumber.h"
#include "platform/archive/ArchivedImage.h"
#include "platform/archive/KeyedArchiver.h"

namespace dw {

ArchivedObject::~ArchivedObject() = default;

OpaqueArchivedObject::OpaqueArchivedObject(QStringList classChain, QVariantMap fields)
    : m_classChain(std::move(classChain)), m_fields(std::move(fields))
{}

void OpaqueArchivedObject::encodeWithCoder(KeyedArchiver& coder) const
{
    for (auto it = m_fields.constBegin(); it != m_fields.constEnd(); ++it)
        coder.encodeRawValue(it.value(), it.key());
}

QVariant OpaqueArchivedObject::value(const QString& key) const
{
    const QVariant field = m_fields.value(key);
    if (field.typeId() == qMetaTypeId<ArchiveReference>())
        return field.value<ArchiveReference>().target;
    return field;
}

QString archiveClassName(const QVariant& value)
{
    if (!value.isValid())
        return QStringLiteral("nil");
    const int type = value.typeId();
    if (type == qMetaTypeId<ArchivedObjectPtr>()) {
        const auto object = value.value<ArchivedObjectPtr>();
        return object ? object->archiveClassName() : QStringLiteral("nil");
    }
    if (type == qMetaTypeId<ArchiveReference>())
        return archiveClassName(value.value<ArchiveReference>().target);
    if (type == qMetaTypeId<ArchivedDecimalNumber>())
        return QStringLiteral("NSDecimalNumber");
    if (type == qMetaTypeId<ArchivedAttributedString>())
        return QStringLiteral("NSAttributedString");
    if (type == qMetaTypeId<ArchivedImage>())
        return QStringLiteral("NSImage");
    switch (type) {
    case QMetaType::QString:
        return QStringLiteral("NSString");
    case QMetaType::QByteArray:
        return QStringLiteral("NSData");
    case QMetaType::QDateTime:
        return QStringLiteral("NSDate");
    case QMetaType::QVariantList:
    case QMetaType::QStringList:
        return QStringLiteral("NSArray");
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash:
        return QStringLiteral("NSDictionary");
    default:
        return value.canConvert<double>() ? QStringLiteral("NSNumber") : QString::fromLatin1(value.typeName());
    }
}

} // namespace dw
