#pragma once
// Asks eBay which item specifics (names and suggested values) fit a listing's title in its
// primary category, with the "ItemSpecifics" recommendation engine, in the account's name.
//
// The listing is given as its snapshot for operations (the keys "uniqueID", "title", "siteID" and
// "itemID"); the connector carries the listing's site and the account's token. Results (read
// after the ended notification): suggestedValues (name -> the suggested values in eBay's order)
// and endTime, or the error envelope. Only the acknowledgement "Success" with a recommendation
// gives results; a name recommendation without a name is skipped.
//
//     auto operation = std::make_shared<QMGetItemRecommendationsOperation>(factory, item->infoForOperations());
//     operation->setAccountID(accountID);
//     operation->setCategoryID(item->primaryCategoryID());
//     serialQueue.addOperation(operation);

#include "Operations/QMGenericEbayNSOperation.h"

#include <QVariantMap>

class QMGetItemRecommendationsOperation : public QMGenericEbayNSOperation
{
public:
    QMGetItemRecommendationsOperation(const QMEbayConnectorFactory& connectorFactory, const QVariantMap& itemInfo);

    QString name() const override;
    QString operationDescription() const override;

    QVariantMap itemInfo() const { return m_itemInfo; }
    QString itemTitle() const;
    QString accountID() const;
    void setAccountID(const QString& accountID);
    qint64 categoryID() const;
    void setCategoryID(qint64 categoryID);

    QString endTime() const;
    // Item-specific name -> QStringList of suggested values.
    QVariantMap suggestedValues() const;

protected:
    void internalMain() override;

private:
    const QVariantMap m_itemInfo;
    mutable std::mutex m_fieldsMutex;
    QString m_accountID;
    qint64 m_categoryID = 0;
    QString m_endTime;
    QVariantMap m_suggestedValues;
};
