#pragma once
// The base of the eBay operations that send one listing's item: the verification and the listing
// call. It carries the listing's snapshot (QMEbayItem::infoDictionaryForOperations(), taken on the
// main thread), the account of the upload and the eBay item, which is built from the live listing
// on the main thread (the verification asks for it itself, the add-item envelope sets it before
// the operation runs).
//
// Any thread: the fields are guarded by the operation's lock; the item type, once set, is only read.

#include "Operations/QMGenericEbayNSOperation.h"

#include <QVariantMap>

class EBayItemType;

class QMGenericEbayItemTypeOperation : public QMGenericEbayNSOperation
{
public:
    QMGenericEbayItemTypeOperation(const QMEbayConnectorFactory& connectorFactory, const QVariantMap& itemInfo,
                                   const QString& accountID);
    ~QMGenericEbayItemTypeOperation() override;

    std::shared_ptr<EBayItemType> itemType() const;
    void setItemType(const std::shared_ptr<EBayItemType>& itemType);

    QVariantMap itemInfo() const { return m_itemInfo; }
    QString itemUniqueID() const;
    QString itemTitle() const;
    qint64 siteID() const;
    QString accountID() const { return m_accountID; }

    // The item is listed with the fixed-price calls; asserts "Need itemType" without an item.
    bool itemContainsVariations() const;

protected:
    // Gives every error of the operation's envelope the listing's title, so that a panel listing
    // the errors of several listings can say whose they are.
    void setItemTitleOnErrors();

private:
    const QVariantMap m_itemInfo;
    const QString m_accountID;
    mutable std::mutex m_itemTypeMutex;
    std::shared_ptr<EBayItemType> m_itemType;
};
