#include "Operations/QMGenericAuctionItemOperation.h"

#include "DWEBay2/types/EBayItemType.h"
#include "DWGeneratedObject/DWGeneratedObject.h"
#include "DWKit/NSString+DWExtensions.h"
#include "platform/core/DWAssert.h"

QMGenericAuctionItemOperation::QMGenericAuctionItemOperation(const QMEbayConnectorFactory& connectorFactory,
                                                             const std::shared_ptr<EBayItemType>& itemType,
                                                             const QVariantMap& itemInfo, const QString& accountID)
    : QMGenericEbayNSOperation(connectorFactory), m_itemInfo(itemInfo), m_accountID(accountID), m_itemType(itemType)
{}

QMGenericAuctionItemOperation::~QMGenericAuctionItemOperation() = default;

QString QMGenericAuctionItemOperation::createListingUUID()
{
    return dw::UUID().remove(QLatin1Char('-'));
}

std::shared_ptr<EBayItemType> QMGenericAuctionItemOperation::itemType() const
{
    std::lock_guard lock(m_fieldsMutex);
    return m_itemType;
}

void QMGenericAuctionItemOperation::setItemType(const std::shared_ptr<EBayItemType>& itemType)
{
    std::lock_guard lock(m_fieldsMutex);
    m_itemType = itemType;
}

QString QMGenericAuctionItemOperation::auctionID() const
{
    std::lock_guard lock(m_fieldsMutex);
    return m_auctionID;
}

void QMGenericAuctionItemOperation::setAuctionID(const QString& auctionID)
{
    std::lock_guard lock(m_fieldsMutex);
    m_auctionID = auctionID;
}

QString QMGenericAuctionItemOperation::itemUniqueID() const
{
    return m_itemInfo.value(QStringLiteral("uniqueID")).toString();
}

QString QMGenericAuctionItemOperation::itemTitle() const
{
    return m_itemInfo.value(QStringLiteral("title")).toString();
}

qint64 QMGenericAuctionItemOperation::itemSiteID() const
{
    return m_itemInfo.value(QStringLiteral("siteID")).toLongLong();
}

QString QMGenericAuctionItemOperation::itemItemID() const
{
    return m_itemInfo.value(QStringLiteral("itemID")).toString();
}

bool QMGenericAuctionItemOperation::itemContainsVariations() const
{
    const auto item = itemType();
    DW_ASSERT(item != nullptr, "Need itemType");
    return item->containsVariations();
}

void QMGenericAuctionItemOperation::trimElementsFromItem(DWGeneratedObject& object, const QSet<QString>& keep)
{
    const QStringList& booleans = object.booleanElements();
    const DWGeneratedClass::Table& types = object.elementTypes();
    const DWGeneratedClass::Table& elements = object.elements();
    for (auto it = elements.cbegin(); it != elements.cend(); ++it) {
        if (keep.contains(it.key()))
            continue;
        QVariant cleared;
        if (booleans.contains(it.key()))
            cleared = false;
        else if (const QString type = types.value(it.key());
                 type == QLatin1String("int") || type == QLatin1String("long long"))
            cleared = qlonglong(0);
        // Every element of the table is a field of the object, so the setter cannot refuse it.
        (void)object.setValueForKey(cleared, it.value());
    }
    const DWGeneratedClass::Table& repeated = object.multiElements();
    for (auto it = repeated.cbegin(); it != repeated.cend(); ++it) {
        if (!keep.contains(it.key()))
            (void)object.setValueForKey(QVariant(), it.value());
    }
}
