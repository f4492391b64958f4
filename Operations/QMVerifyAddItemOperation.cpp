#include "Operations/QMVerifyAddItemOperation.h"

#include "DWEBay2/DWEbayConnector.h"
#include "DWEBay2/types/EBayAmountType.h"
#include "DWEBay2/types/EBayFeeType.h"
#include "DWEBay2/types/EBayFeesType.h"
#include "DWEBay2/types/EBayItemType.h"
#include "DWEBay2/types/EBayVerifyAddFixedPriceItemRequestType.h"
#include "DWEBay2/types/EBayVerifyAddFixedPriceItemResponseType.h"
#include "DWEBay2/types/EBayVerifyAddItemRequestType.h"
#include "DWEBay2/types/EBayVerifyAddItemResponseType.h"
#include "DWKit/QMLogManager.h"
#include "model/QMEbayItem.h"
#include "model/QMPreferencesManager.h"
#include "platform/core/CocoaNumbers.h"
#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Localization.h"
#include "platform/core/MainThread.h"

#include <exception>

namespace {

const QLatin1String kInsertionFee("InsertionFee");
const QLatin1String kListingFee("ListingFee");

// "InsertionFee" is shown as "Insertion Fee".
QString feeDisplayName(const QString& name)
{
    if (name.endsWith(QLatin1String("Fee")))
        return name.left(name.size() - 3) + QStringLiteral(" Fee");
    return name;
}

} // namespace

QMVerifyAddItemOperation::QMVerifyAddItemOperation(const QMEbayConnectorFactory& connectorFactory,
                                                   const QVariantMap& itemInfo, const QString& accountID)
    : QMGenericEbayItemTypeOperation(connectorFactory, itemInfo, accountID)
{}

QMVerifyAddItemOperation::~QMVerifyAddItemOperation() = default;

QString QMVerifyAddItemOperation::name() const
{
    return dw::localized("Verify Item");
}

QString QMVerifyAddItemOperation::operationDescription() const
{
    return dw::format(dw::localized("Verifying template %@"), itemTitle());
}

QString QMVerifyAddItemOperation::verb() const
{
    return itemContainsVariations() ? QStringLiteral("VerifyAddFixedPriceItem") : QStringLiteral("VerifyAddItem");
}

std::shared_ptr<EBayAbstractRequestType> QMVerifyAddItemOperation::newRequest() const
{
    if (itemContainsVariations()) {
        auto request = EBayVerifyAddFixedPriceItemRequestType::verifyAddFixedPriceItemRequestType();
        request->setItem(itemType());
        return request;
    }
    auto request = EBayVerifyAddItemRequestType::verifyAddItemRequestType();
    request->setItem(itemType());
    return request;
}

void QMVerifyAddItemOperation::setDelegate(const std::weak_ptr<QMVerifyAddItemOperationDelegate>& delegate)
{
    std::lock_guard lock(m_fieldsMutex);
    m_delegate = delegate;
}

std::shared_ptr<QMEbayItem> QMVerifyAddItemOperation::itemWithUniqueID(const QString& uniqueID) const
{
    std::shared_ptr<QMVerifyAddItemOperationDelegate> delegate;
    {
        std::lock_guard lock(m_fieldsMutex);
        delegate = m_delegate.lock();
    }
    DW_ASSERT(delegate != nullptr, "Need delegate");
    auto item = delegate->itemWithUniqueID(*this, uniqueID);
    DW_ASSERT(item != nullptr, "Item must be returned by delegate");
    return item;
}

void QMVerifyAddItemOperation::prepareVerifyAddItemItemType()
{
    DW_ASSERT(dw::isMainThread(), "Must be on main thread");
    const auto item = itemWithUniqueID(itemUniqueID());
    std::shared_ptr<QMVerifyAddItemOperationDelegate> delegate;
    {
        std::lock_guard lock(m_fieldsMutex);
        delegate = m_delegate.lock();
    }
    DW_ASSERT(delegate != nullptr, "Need delegate");
    auto itemType = delegate->itemTypeForVerifyAddItemOperation(*this, *item, useGeneratedEPSImageURLs(), accountID());
    DW_ASSERT(itemType != nullptr, "ItemType must be returned by delegate");
    setItemType(itemType);
}

bool QMVerifyAddItemOperation::prepareItemTypeAhead()
{
    dw::assertMainThread();
    if (itemType() || isCancelled() || isFinished())
        return false;
    std::shared_ptr<QMVerifyAddItemOperationDelegate> delegate;
    {
        std::lock_guard lock(m_fieldsMutex);
        delegate = m_delegate.lock();
    }
    const auto item = delegate ? delegate->itemWithUniqueID(*this, itemUniqueID()) : nullptr;
    if (!item)
        return false;
    try {
        setItemType(delegate->itemTypeForVerifyAddItemOperation(*this, *item, useGeneratedEPSImageURLs(), accountID()));
    } catch (const std::exception&) {
        return false;
    }
    return itemType() != nullptr;
}

std::shared_ptr<EBayAbstractRequestType> QMVerifyAddItemOperation::verifyAddItemRequest()
{
    // Usually built ahead by the operation manager while the main thread was free.
    if (!itemType()) {
        dw::runOnMainAndWait([this] {
            if (!itemType())
                prepareVerifyAddItemItemType();
        });
    }
    DW_ASSERT(itemType() != nullptr, "Need itemType");
    auto request = newRequest();
    DW_ASSERT(request != nullptr, "request nil");
    request->addDetailLevel(QStringLiteral("ReturnAll"));
    request->setWarningLevel(ebayWarningLevel());
    connector()->setSiteID(siteID());
    return request;
}

void QMVerifyAddItemOperation::setFeesFromEbayFeesType(const std::shared_ptr<EBayFeesType>& fees)
{
    QVariantMap record{{QStringLiteral("uniqueID"), itemUniqueID()}, {QStringLiteral("title"), itemTitle()}};
    const QString currency = currencyName();
    if (fees && fees->fees()) {
        for (const auto& fee : *fees->fees()) {
            if (!fee)
                continue;
            const double value = fee->fee() ? fee->fee()->contents() : 0;
            if (value <= 0 && fee->name() != kInsertionFee && fee->name() != kListingFee)
                continue;
            const QString text =
                currency.isEmpty() ? dw::format("%.2lf", value) : dw::format("%@ %.2lf", currency, value);
            record.insert(feeDisplayName(fee->name()), text);
        }
    }
    std::lock_guard lock(m_fieldsMutex);
    m_fees = record;
}

void QMVerifyAddItemOperation::internalMain()
{
    DW_ASSERT(!itemUniqueID().isEmpty(), "Need itemUniqueID");
    DW_ASSERT(!itemTitle().isEmpty(), "Need itemTitle");

    const auto request = verifyAddItemRequest();
    const auto entry = QMLogEntry::verifyAddItemLogEntryWithTemplateTitle(itemTitle());
    addLogEntry(entry);
    request->setErrorLanguage(errorLanguage());
    const auto reply = sendRequestWithTokenUnlessCancelled(request, verb(), entry);
    if (!reply)
        return;

    std::shared_ptr<EBayAbstractResponseType> response;
    if (itemContainsVariations())
        response = responseFromData<EBayVerifyAddFixedPriceItemResponseType>(*reply, entry);
    else
        response = responseFromData<EBayVerifyAddItemResponseType>(*reply, entry);
    if (!response)
        return;
    {
        std::lock_guard lock(m_fieldsMutex);
        m_response = response;
    }

    if (response->ack() == QLatin1String("Success") || response->ack() == QLatin1String("Warning")) {
        if (!QMPreferencesManager::sharedInstance().eBayMessageIsOnIgnoreList(response->message()))
            promoteEBayMessageToWarning(*response);
        if (response->ack() == QLatin1String("Warning")) {
            completeOperationWithFailedResponse(response, entry);
            setItemTitleOnErrors();
        } else {
            setSuccessStateForLogEntry(entry);
        }
        const auto fees = std::dynamic_pointer_cast<EBayFeesType>(
            DWGeneratedObject::objectFromVariant(response->valueForKey(QStringLiteral("fees"))));
        setFeesFromEbayFeesType(fees);
        std::lock_guard lock(m_fieldsMutex);
        m_listingFee = fees ? float(dw::doubleValue(fees->listingFee())) : 0.0f;
    } else {
        completeOperationWithFailedResponse(response, entry);
        setItemTitleOnErrors();
    }
    setProgress(1.0f);
}

QString QMVerifyAddItemOperation::currencyName() const
{
    std::lock_guard lock(m_fieldsMutex);
    return m_currencyName;
}

void QMVerifyAddItemOperation::setCurrencyName(const QString& name)
{
    std::lock_guard lock(m_fieldsMutex);
    m_currencyName = name;
}

bool QMVerifyAddItemOperation::runningFromStartAuctionsPanel() const
{
    std::lock_guard lock(m_fieldsMutex);
    return m_runningFromStartAuctionsPanel;
}

void QMVerifyAddItemOperation::setRunningFromStartAuctionsPanel(bool value)
{
    std::lock_guard lock(m_fieldsMutex);
    m_runningFromStartAuctionsPanel = value;
}

bool QMVerifyAddItemOperation::useGeneratedEPSImageURLs() const
{
    std::lock_guard lock(m_fieldsMutex);
    return m_useGeneratedEPSImageURLs;
}

void QMVerifyAddItemOperation::setUseGeneratedEPSImageURLs(bool value)
{
    std::lock_guard lock(m_fieldsMutex);
    m_useGeneratedEPSImageURLs = value;
}

QVariantMap QMVerifyAddItemOperation::fees() const
{
    std::lock_guard lock(m_fieldsMutex);
    return m_fees;
}

float QMVerifyAddItemOperation::listingFee() const
{
    std::lock_guard lock(m_fieldsMutex);
    return m_listingFee;
}

std::shared_ptr<EBayAbstractResponseType> QMVerifyAddItemOperation::response() const
{
    std::lock_guard lock(m_fieldsMutex);
    return m_response;
}
