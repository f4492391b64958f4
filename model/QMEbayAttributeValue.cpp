#include "model/QMEbayAttributeValue.h"

#include "model/QMArchiveValues_p.h"

#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"

#include <mutex>

#include "platform/core/CocoaNumbers.h"
#include "platform/core/DWFormat.h"

QMEbayAttributeValue::QMEbayAttributeValue(qint64 identifier, const QString& name)
    : m_identifier(dw::format(QStringLiteral("%ld"), qlonglong(identifier))), m_name(name)
{}

QMEbayAttributeValue QMEbayAttributeValue::withAttributeValue(const QMEbayAttributeValue& other)
{
    QMEbayAttributeValue copy(dw::integerValue(other.identifier()), other.name());
    copy.setDisplayName(other.displayName());
    return copy;
}

QString QMEbayAttributeValue::description() const
{
    return dw::format(QStringLiteral("QMEbayAttributeValue: id:%@, name:%@, displayName:%@"), m_identifier, m_name,
                      m_displayName);
}

void QMEbayAttributeValue::encodeWithCoder(dw::KeyedArchiver& coder) const
{
    coder.encodeObject(qm::archive::textValue(m_identifier), QStringLiteral("identifier"));
    coder.encodeObject(qm::archive::textValue(m_name), QStringLiteral("name"));
    coder.encodeObject(qm::archive::textValue(m_displayName), QStringLiteral("displayName"));
}

std::shared_ptr<QMEbayAttributeValue> QMEbayAttributeValue::decodeWithCoder(dw::KeyedUnarchiver& coder)
{
    const QString owner = QStringLiteral("QMEbayAttributeValue");
    auto value = std::make_shared<QMEbayAttributeValue>();
    value->m_identifier = qm::archive::decodeText(coder, QStringLiteral("identifier"), owner);
    value->m_name = qm::archive::decodeText(coder, QStringLiteral("name"), owner);
    value->m_displayName = qm::archive::decodeText(coder, QStringLiteral("displayName"), owner);
    return value;
}

void QMEbayAttributeValue::registerArchiveClass()
{
    static std::once_flag once;
    std::call_once(once, [] {
        dw::KeyedUnarchiver::registerClass(
            QStringLiteral("QMEbayAttributeValue"),
            [](dw::KeyedUnarchiver& coder) -> dw::ArchivedObjectPtr { return decodeWithCoder(coder); });
    });
}
