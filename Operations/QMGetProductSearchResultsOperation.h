#pragma once
// Asks eBay's catalogue for the products matching one or more query strings (keywords, or a
// scanned barcode and its ISBN-10) within the attribute sets of a listing's categories.
//
// The operation knows the listing only by its unique ID; the panel that asked picks its own
// operation out of the ended notifications by that ID and reads products() or the error envelope.
// Each query becomes one ProductSearch element of a single GetProductSearchResults call; the
// products of all answers are listed once each, in the order of the reply.
//
//     auto operation = std::make_shared<QMGetProductSearchResultsOperation>(
//         factory, item.uniqueID(), QStringList{code, QM_UPC_ISBN::isbnFromUPC(code)}, setIDs);
//     queue.addOperation(operation);
//
// The work runs on a worker thread; products() and itemUniqueID() may be read from any thread.

#include "Operations/QMGenericEbayNSOperation.h"
#include "model/QMEbayProduct.h"

#include <QList>
#include <QStringList>
#include <optional>

class EBayGetProductSearchResultsResponseType;

class QMGetProductSearchResultsOperation : public QMGenericEbayNSOperation
{
public:
    QMGetProductSearchResultsOperation(const QMEbayConnectorFactory& connectorFactory, const QString& itemUniqueID,
                                       const QStringList& queryStrings, const QStringList& searchCSIDs);

    QString name() const override;
    QString operationDescription() const override;

    QString itemUniqueID() const;
    const QStringList& queryStrings() const { return m_queryStrings; }
    const QStringList& searchCSIDs() const { return m_searchCSIDs; }
    // Nothing until a successful reply was read (also after an error or a cancel).
    std::optional<QList<QMEbayProduct>> products() const;

    // The products of every result, attribute set and family, each identifier once at its first
    // place, prices as amounts with two decimals; nothing when the operation was cancelled
    // meanwhile. The reply's price amounts are divided by 100 in place.
    std::optional<QList<QMEbayProduct>> uniqueProductsFromResponse(EBayGetProductSearchResultsResponseType& response);

protected:
    void internalMain() override;

private:
    const QString m_itemUniqueID;
    const QStringList m_queryStrings;
    const QStringList m_searchCSIDs;
    mutable std::mutex m_productsMutex;
    std::optional<QList<QMEbayProduct>> m_products;
};
