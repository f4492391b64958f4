#pragma once
// The base of the eBay operations that work on one listing by its snapshot: the listing call and
// the item-specifics recommendations. It carries the listing's snapshot for operations
// (QMEbayItem::infoDictionaryForOperations(), taken on the main thread, with "uniqueID", "title",
// "siteID" and "itemID"), the account whose token the connector carries, the eBay item to send
// (which the add-item envelope builds on the main thread before the operation runs) and an eBay
// item number for the progress panel. The verification is no such operation: it builds its own
// item and derives from QMGenericEbayItemTypeOperation.
//
//     auto add = std::make_shared<QMAddItemOperation>(factory, item->infoDictionaryForOperations(), accountID,
//                                                     false, true);
//     add->setItemType(builtItem);                         // main thread, before it is queued
//     ... add->itemUniqueID(), add->itemTitle(), add->errorEnvelope() after the ended notification
//
// An operation is always made with its connector and snapshot: there is no default constructor.
// Any thread: the item type and the item number are guarded; the snapshot and account are fixed.

#include "Operations/QMGenericEbayNSOperation.h"

#include <QSet>
#include <QVariantMap>

class DWGeneratedObject;
class EBayItemType;

class QMGenericAuctionItemOperation : public QMGenericEbayNSOperation
{
public:
    QMGenericAuctionItemOperation() = delete;
    QMGenericAuctionItemOperation(const QMEbayConnectorFactory& connectorFactory,
                                  const std::shared_ptr<EBayItemType>& itemType, const QVariantMap& itemInfo,
                                  const QString& accountID = QString());
    ~QMGenericAuctionItemOperation() override;

    // A new UUID without its hyphens: 32 hexadecimal characters, another one on every call.
    static QString createListingUUID();

    std::shared_ptr<EBayItemType> itemType() const;
    void setItemType(const std::shared_ptr<EBayItemType>& itemType);
    QString accountID() const { return m_accountID; }
    QVariantMap itemInfo() const { return m_itemInfo; }
    // An eBay item number that the progress panel shows; none of our operations sets it.
    QString auctionID() const;
    void setAuctionID(const QString& auctionID);

    // The snapshot's "uniqueID", "title", "siteID" (as an integer) and "itemID".
    QString itemUniqueID() const;
    QString itemTitle() const;
    qint64 itemSiteID() const;
    QString itemItemID() const;

    // The item is listed with the fixed-price calls; asserts "Need itemType" without an item.
    bool itemContainsVariations() const;

    // Clears every element of the object whose XML name is not in `keep`: a boolean element
    // becomes NO, an "int" or "long long" element 0, any other element and every repeated
    // element not named unset. Attributes stay.
    static void trimElementsFromItem(DWGeneratedObject& object, const QSet<QString>& keep);

protected:
    // Every concrete operation has its own ("Must be implemented in subclasses").
    void internalMain() override = 0;

private:
    const QVariantMap m_itemInfo;
    const QString m_accountID;
    mutable std::mutex m_fieldsMutex;
    std::shared_ptr<EBayItemType> m_itemType;
    QString m_auctionID;
};
