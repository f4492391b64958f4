#include "Operations/QMAddItemOperation.h"

#include "DWEBay2/DWEbayConnector.h"
#include "DWEBay2/types/EBayAddFixedPriceItemRequestType.h"
#include "DWEBay2/types/EBayAddFixedPriceItemResponseType.h"
#include "DWEBay2/types/EBayAddItemRequestType.h"
#include "DWEBay2/types/EBayAddItemResponseType.h"
#include "DWEBay2/types/EBayErrorParameterType.h"
#include "DWEBay2/types/EBayErrorType.h"
#include "DWEBay2/types/EBayItemType.h"
#include "DWKit/NSString+DWExtensions.h"
#include "DWKit/QMLogManager.h"
#include "Operations/QMListingUUIDStore.h"
#include "model/QMErrorEnvelope.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Localization.h"
#include "platform/core/MainThread.h"

namespace {

// eBay's answer to a UUID that an item was listed under before.
constexpr const char* kDuplicateUUIDErrorCode = "488";

bool hasDuplicateUUIDError(const EBayAbstractResponseType& response)
{
    if (const auto& errors = response.errorss()) {
        for (const auto& error : *errors) {
            if (error && error->errorCode().trimmed() == QLatin1String(kDuplicateUUIDErrorCode))
                return true;
        }
    }
    return false;
}

} // namespace

QMAddItemOperation::QMAddItemOperation(const QMEbayConnectorFactory& connectorFactory, const QVariantMap& itemInfo,
                                       const QString& accountID, bool scheduled, bool verificationPassed)
    : QMGenericAuctionItemOperation(connectorFactory, nullptr, itemInfo, accountID), m_scheduled(scheduled),
      m_verificationPassed(verificationPassed)
{
    m_listingUUID = QMListingUUIDStore::keptUUIDForListing(itemUniqueID());
    if (m_listingUUID.isNull())
        m_listingUUID = createListingUUID();
    // Once the listing is on its way the user's cancel lets eBay's answer arrive: the item may be
    // live, and its number is worth more than a second saved. Only the end of the queues (a quit)
    // stops the call; the kept UUID makes the next attempt safe.
    connector()->setCancelFlag(abortFlag());
}

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

QString QMAddItemOperation::listingUUID() const
{
    std::lock_guard lock(m_responseMutex);
    return m_listingUUID;
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
    if (isCancelled())
        return setCancelledStateForLogEntry(entry);

    // Kept before the request goes out: from then on only eBay's answer tells whether the item is live.
    const QString uuid = QMListingUUIDStore::keepUUIDForListing(itemUniqueID(), listingUUID());
    {
        std::lock_guard lock(m_responseMutex);
        m_listingUUID = uuid;
    }
    item->setUUID(uuid);
    connector()->setSiteID(itemSiteID());
    const auto reply = connector()->sendRequestWithToken(request, verb());

    std::shared_ptr<EBayAbstractResponseType> response;
    if (reply && reply->left(64).toLower().startsWith("<?xml")) {
        if (itemContainsVariations())
            response = EBayAddFixedPriceItemResponseType::requestWithXMLData(*reply);
        else
            response = EBayAddItemResponseType::requestWithXMLData(*reply);
    }
    if (!response || response->ack().isEmpty()) {
        // Whatever the user did meanwhile: once the request is out, the item may be live.
        if (connector()->lastRequestWentOut())
            return reportUnknownOutcome(entry);
        // Nothing reached eBay this time; an earlier attempt may have, so the UUID stays kept.
        if (isCancelled())
            return setCancelledStateForLogEntry(entry);
        (void)validateReceivedXMLData(std::nullopt, entry);
        return;
    }

    // eBay has answered: listed, listed before under this UUID, or refused, and a later attempt is
    // a new listing. Only a refusal of the UUID that does not say which item it listed leaves the
    // UUID kept, so that no retry can list the item a second time.
    const bool listedBefore = takeDuplicateAsListed(*response);
    if (listedBefore || !hasDuplicateUUIDError(*response))
        QMListingUUIDStore::forgetUUIDForListing(itemUniqueID(), uuid);
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

void QMAddItemOperation::reportUnknownOutcome(const QMLogEntryPtr& entry)
{
    const QString message =
        dw::format(dw::localized("“%@” was sent to eBay, but no answer could be read. It may already be listed: "
                                 "look at your eBay selling overview before you list it any other way. Listing it "
                                 "again from here is safe, because eBay recognises it and does not list it twice."),
                   itemTitle());
    const auto envelope = QMErrorEnvelope::errorEnvelopeWithMessage(message, QLatin1String(kQMErrorSourceEBay), name());
    setErrorEnvelope(envelope);
    entry->setState(QLatin1String(isCancelled() ? kQMLogEntryStateCancel : kQMLogEntryStateFailure));
    entry->setErrorEnvelope(envelope);
    QMLogManager::sharedInstance()->postEntitiesChangedNotificationFromThread();
    setProgress(1.0f);
}

bool QMAddItemOperation::takeDuplicateAsListed(EBayAbstractResponseType& response)
{
    const auto& errors = response.errorss();
    if (!errors || response.ack() == QLatin1String("Success"))
        return false;
    QString itemID;
    for (const auto& error : *errors) {
        if (!error || error->errorCode().trimmed() != QLatin1String(kDuplicateUUIDErrorCode) ||
            !error->errorParameterss())
            continue;
        // The item listed under the UUID is the second parameter ("1"; "0" names the application).
        const auto& parameters = *error->errorParameterss();
        for (qsizetype index = 0; index < parameters.size(); ++index) {
            const auto& parameter = parameters.at(index);
            if (parameter &&
                (parameter->paramID() == QLatin1String("1") || (parameter->paramID().isNull() && index == 1)))
                itemID = parameter->value().trimmed();
        }
    }
    if (itemID.isEmpty())
        return false;
    dw::consoleWrite(dw::format("QMAddItemOperation: eBay listed this item before as %@", itemID));
    if (auto* auction = dynamic_cast<EBayAddItemResponseType*>(&response))
        auction->setItemID(itemID);
    else if (auto* fixedPrice = dynamic_cast<EBayAddFixedPriceItemResponseType*>(&response))
        fixedPrice->setItemID(itemID);
    else
        return false;
    response.setErrorss(nullptr);
    response.setAck(QStringLiteral("Success"));
    return true;
}
