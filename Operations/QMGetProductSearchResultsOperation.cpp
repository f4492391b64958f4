#include "Operations/QMGetProductSearchResultsOperation.h"

#include "DWEBay2/DWEbayConnector.h"
#include "DWEBay2/types/EBayAmountType.h"
#include "DWEBay2/types/EBayCharacteristicSetIDsType.h"
#include "DWEBay2/types/EBayGetProductSearchResultsRequestType.h"
#include "DWEBay2/types/EBayGetProductSearchResultsResponseType.h"
#include "DWEBay2/types/EBayProductFamilyType.h"
#include "DWEBay2/types/EBayProductSearchResultType.h"
#include "DWEBay2/types/EBayProductSearchType.h"
#include "DWEBay2/types/EBayProductType.h"
#include "DWEBay2/types/EBayResponseAttributeSetType.h"
#include "DWKit/QMLog.h"
#include "platform/core/Localization.h"

namespace {

// eBay answers catalogue prices in cents.
QString amountText(const std::shared_ptr<EBayAmountType>& amount)
{
    if (!amount)
        return {};
    amount->setContents(amount->contents() / 100);
    return amount->stringContents();
}

template<class T>
QList<T> itemsOf(const DWArray<T>& array)
{
    return array ? *array : QList<T>();
}

} // namespace

QMGetProductSearchResultsOperation::QMGetProductSearchResultsOperation(const QMEbayConnectorFactory& connectorFactory,
                                                                       const QString& itemUniqueID,
                                                                       const QStringList& queryStrings,
                                                                       const QStringList& searchCSIDs)
    : QMGenericEbayNSOperation(connectorFactory), m_itemUniqueID(itemUniqueID), m_queryStrings(queryStrings),
      m_searchCSIDs(searchCSIDs)
{}

QString QMGetProductSearchResultsOperation::name() const
{
    return dw::localized("Get Product Search Results");
}

QString QMGetProductSearchResultsOperation::operationDescription() const
{
    return dw::localized("Downloading product information for \u201c%@\u201d")
        .replace(QLatin1String("%@"), m_queryStrings.join(QLatin1Char(' ')));
}

QString QMGetProductSearchResultsOperation::itemUniqueID() const
{
    return m_itemUniqueID;
}

std::optional<QList<QMEbayProduct>> QMGetProductSearchResultsOperation::products() const
{
    std::lock_guard lock(m_productsMutex);
    return m_products;
}

void QMGetProductSearchResultsOperation::internalMain()
{
    if (m_searchCSIDs.isEmpty()) {
        const QString message =
            dw::localized("Error while getting products: no characteristics set IDs (CSIDs) found.");
        setErrorEnvelope(QMErrorEnvelope::errorEnvelopeWithMessage(message, QString(), name()));
        QMLog("%@ failed: %@", QStringLiteral("QMGetProductSearchResultsOperation"), message);
        return;
    }

    auto request = EBayGetProductSearchResultsRequestType::getProductSearchResultsRequestType();
    // One list of set IDs, shared by every query.
    auto setIDs = EBayCharacteristicSetIDsType::characteristicSetIDsType();
    setIDs->setIDs(std::make_shared<QList<QString>>(m_searchCSIDs));
    for (const QString& query : m_queryStrings) {
        auto search = EBayProductSearchType::productSearchType();
        search->setCharacteristicSetIDs(setIDs);
        search->setQueryKeywords(QLatin1String("<![CDATA[") + query + QLatin1String("]]>"));
        search->setMaxChildrenPerFamily(1000);
        request->addProductSearch(search);
    }
    request->setWarningLevel(ebayWarningLevel());

    if (isCancelled())
        return;
    const auto reply = connector()->sendRequestWithToken(request, QStringLiteral("GetProductSearchResults"));
    if (isCancelled() || !validateReceivedXMLData(reply, nullptr) || isCancelled())
        return;
    auto response = responseFromData<EBayGetProductSearchResultsResponseType>(*reply, nullptr);
    if (!response)
        return;
    if (response->ack() != QLatin1String("Success") && response->ack() != QLatin1String("Warning"))
        return completeOperationWithFailedResponse(response, nullptr);
    auto found = uniqueProductsFromResponse(*response);
    std::lock_guard lock(m_productsMutex);
    m_products = std::move(found);
}

std::optional<QList<QMEbayProduct>>
QMGetProductSearchResultsOperation::uniqueProductsFromResponse(EBayGetProductSearchResultsResponseType& response)
{
    QList<QMEbayProduct> products;
    for (const auto& result : itemsOf(response.productSearchResults())) {
        if (isCancelled())
            return std::nullopt;
        if (!result)
            continue;
        for (const auto& attributeSet : itemsOf(result->attributeSets())) {
            if (!attributeSet)
                continue;
            for (const auto& family : itemsOf(attributeSet->productFamiliess())) {
                if (!family)
                    continue;
                for (const auto& member : itemsOf(family->familyMemberss())) {
                    if (!member)
                        continue;
                    QMEbayProduct product;
                    product.identifier = member->productID();
                    product.title = member->title();
                    product.maxPrice = amountText(member->maxPrice());
                    product.minPrice = amountText(member->minPrice());
                    product.stockPhotoURL = member->stockPhotoURL();
                    product.detailsURL = member->detailsURL();
                    if (!products.contains(product))
                        products.append(product);
                }
            }
        }
    }
    return products;
}
