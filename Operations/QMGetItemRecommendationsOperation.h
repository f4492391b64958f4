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
//     auto operation = std::make_shared<QMGetItemRecommendationsOperation>(
//         factory, item->infoDictionaryForOperations(), accountID);
//     operation->setCategoryID(item->primaryCategoryID());
//     serialQueue.addOperation(operation);

#include "Operations/QMGenericAuctionItemOperation.h"

class QMGetItemRecommendationsOperation : public QMGenericAuctionItemOperation
{
public:
    // The operation sends no item type of its own: only the snapshot's title goes out.
    QMGetItemRecommendationsOperation(const QMEbayConnectorFactory& connectorFactory, const QVariantMap& itemInfo,
                                      const QString& accountID);

    QString name() const override;
    QString operationDescription() const override;

    qint64 categoryID() const;
    void setCategoryID(qint64 categoryID);

    QString endTime() const;
    // Item-specific name -> QStringList of suggested values.
    QVariantMap suggestedValues() const;

protected:
    void internalMain() override;

private:
    mutable std::mutex m_fieldsMutex;
    qint64 m_categoryID = 0;
    QString m_endTime;
    QVariantMap m_suggestedValues;
};
