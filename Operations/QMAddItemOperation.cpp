#include "Operations/QMAddItemOperation.h"

#include "DWEBay2/DWEbayConnector.h"
#include "DWEBay2/types/EBayAddFixedPriceItemRequestType.h"
#include "DWEBay2/types/EBayAddFixedPriceItemResponseType.h"
#include "DWEBay2/types/EBayAddItemRequestType.h"
#include "DWEBay2/types/EBayAddItemResponseType.h"
#include "DWEBay2/types/EBayItemType.h"
#include "DWKit/NSString+DWExtensions.h"
#include "DWKit/QMLogManager.h"
#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Localization.h"
#include "platform/core/MainThread.h"

QMAddItemOperation::QMAddItemOperation(const QMEbayConnectorFactory& connectorFactory, const QVariantMap& itemInfo,
                                       const QString& accountID, bool scheduled, bool verificationPassed)
    : QMGenericAuctionItemOperation(connectorFactory, nullptr, itemInfo, accountID), m_scheduled(scheduled),
      m_verificationPassed(verificationPassed), m_listingUUID(createListingUUID())
{}

QMAddItemOperation::~QMAddItemOperation() = default;

QString QMAddItemOperation::name() const
{
    return dw::localized("Add Item");
}

QString QMAddItemOperation::operationDescription() const
{
    return dw::format(dw::localized("Starting auction for template %@"), itemTitle());
}

QString QMAddItemOperation::verb() const
{
    return itemContainsVariations() ? QStringLiteral("AddFixedPriceItem") : QStringLiteral("AddItem");
}

std::shared_ptr<EBayAbstractRequestType> QMAddItemOperation::addItemRequest() const
{
    std::shared_ptr<EBayAbstractRequestType> request;
    if (itemContainsVariations()) {
        auto fixedPrice = EBayAddFixedPriceItemRequestType::addFixedPriceItemRequestType();
        fixedPrice->setItem(itemType());
        request = fixedPrice;
    } else {
        auto auction = EBayAddItemRequestType::addItemRequestType();
        auction->setItem(itemType());
        request = auction;
    }
    request->addDetailLevel(QStringLiteral("ReturnAll"));
    request->setWarningLevel(ebayWarningLevel());
    return request;
}

void QMAddItemOperation::buildItemType(const QMEbayItem& item,
                                       const QMSimpleAddItemRequestFactory::UploadedPictureAddresses& uploadedAddresses)
{
    DW_ASSERT(dw::isMainThread(), "Must be on main thread");
    setItemType(QMSimpleAddItemRequestFactory::ebayItemForQMItem(item, accountID(), uploadedAddresses));
}

std::shared_ptr<EBayAbstractResponseType> QMAddItemOperation::addItemResponse() const
{
    std::lock_guard lock(m_responseMutex);
    return m_addItemResponse;
}

void QMAddItemOperation::internalMain()
{
    const auto item = itemType();
    DW_ASSERT(item != nullptr, "Need itemType");

    const auto entry = QMLogEntry::addItemLogEntryWithTemplateTitle(itemTitle());
    if (m_scheduled)
        entry->setAttribute(true, QLatin1String(kQMScheduledAttribute));
    addLogEntry(entry);
    if (isCancelled())
        return setCancelledStateForLogEntry(entry);

    const auto request = addItemRequest();
    request->setErrorLanguage(errorLanguage());
    item->setUUID(m_listingUUID);
    if (isCancelled())
        return setCancelledStateForLogEntry(entry);

    connector()->setSiteID(itemSiteID());
    const auto reply = connector()->sendRequestWithToken(request, verb());

    // From here on the item may be live on eBay whatever the user did meanwhile: the reply is read
    // and recorded, never thrown away for a cancellation.
    if (!validateReceivedXMLData(reply, entry))
        return;
    std::shared_ptr<EBayAbstractResponseType> response;
    if (itemContainsVariations())
        response = responseFromData<EBayAddFixedPriceItemResponseType>(*reply, entry);
    else
        response = responseFromData<EBayAddItemResponseType>(*reply, entry);
    if (!response)
        return;
    {
        std::lock_guard lock(m_responseMutex);
        m_addItemResponse = response;
    }

    promoteEBayMessageToWarning(*response);
    if (response->ack() == QLatin1String("Success")) {
        setSuccessStateForLogEntry(entry);
    } else if (response->ack() == QLatin1String("Warning") && m_verificationPassed) {
        setState(QLatin1String(kQMLogEntryStateWarning), entry);
    } else {
        completeOperationWithFailedResponse(response, entry);
    }
    setProgress(1.0f);
}
