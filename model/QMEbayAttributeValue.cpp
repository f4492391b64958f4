#include "model/QMEbayAttributeValue.h"

#include "platform/CocoaNumbers.h"
#include "platform/DWFormat.h"

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
