#include "Operations/QMGenericEbayItemTypeOperation.h"

#include "DWEBay2/types/EBayItemType.h"
#include "model/QMError.h"
#include "platform/core/DWAssert.h"

QMGenericEbayItemTypeOperation::QMGenericEbayItemTypeOperation(const QMEbayConnectorFactory& connectorFactory,
                                                               const QVariantMap& itemInfo, const QString& accountID)
    : QMGenericEbayNSOperation(connectorFactory), m_itemInfo(itemInfo), m_accountID(accountID)
{}

QMGenericEbayItemTypeOperation::~QMGenericEbayItemTypeOperation() = default;

std::shared_ptr<EBayItemType> QMGenericEbayItemTypeOperation::itemType() const
{
    std::lock_guard lock(m_itemTypeMutex);
    return m_itemType;
}

void QMGenericEbayItemTypeOperation::setItemType(const std::shared_ptr<EBayItemType>& itemType)
{
    std::lock_guard lock(m_itemTypeMutex);
    m_itemType = itemType;
}

QString QMGenericEbayItemTypeOperation::itemUniqueID() const
{
    return m_itemInfo.value(QStringLiteral("uniqueID")).toString();
}

QString QMGenericEbayItemTypeOperation::itemTitle() const
{
    return m_itemInfo.value(QStringLiteral("title")).toString();
}

qint64 QMGenericEbayItemTypeOperation::siteID() const
{
    return m_itemInfo.value(QStringLiteral("siteID")).toLongLong();
}

bool QMGenericEbayItemTypeOperation::itemContainsVariations() const
{
    const auto item = itemType();
    DW_ASSERT(item != nullptr, "Need itemType");
    return item->containsVariations();
}

void QMGenericEbayItemTypeOperation::setItemTitleOnErrors()
{
    const auto envelope = errorEnvelope();
    if (!envelope)
        return;
    for (const auto& error : envelope->errors()) {
        if (error)
            error->setItemTitle(itemTitle());
    }
}
