#include "shell/QMBDocument.h"

#include "description/QMPreviewImageCache.h"

#include "DWEBay2/DWEbayConnector.h"
#include "DWEBay2/types/EBayAddFixedPriceItemResponseType.h"
#include "DWEBay2/types/EBayAddItemResponseType.h"
#include "DWKit/DWOperation/DWNSOperationEnvelopeQueue.h"
#include "DWKit/QMLog.h"
#include "Operations/QMAddItemOperation.h"
#include "Operations/QMAddItemOperationEnvelope.h"
#include "Operations/QMGenericAddImageOperation.h"
#include "Operations/QMOperationManager.h"
#include "Operations/QMVerifyAddItemOperation.h"
#include "Operations/QMVerifyAddItemOperationEnvelope.h"
#include "model/QMEbayItem.h"
#include "model/QMErrorEnvelope.h"
#include "model/QMPreferencesManager.h"
#include "model/QMSiteDescriptionManager.h"
#include "panels/QMSimpleStartAuctionPanelController.h"
#include "platform/core/AlertPresenter.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Localization.h"
#include "platform/widgets/DesktopServices.h"
#include "shell/QMBDocumentOperationFeedback_p.h"
#include "shell/QMBDocumentPanels.h"

#include <QUrl>
#include <typeinfo>

namespace {

// The platform's exact-class tests: a subclass does not count.
template<class T, class U>
std::shared_ptr<T> exactly(const std::shared_ptr<U>& object)
{
    if (!object || typeid(*object) != typeid(T))
        return nullptr;
    return std::static_pointer_cast<T>(object);
}

DWNSOperationEnvelopePtr envelopeOf(const dw::Notification& notification)
{
    return notification.userInfo.value(QLatin1String(kDWNSUserInfoKeyEnvelope)).value<DWNSOperationEnvelopePtr>();
}

// The listing state an operation's outcome leaves: an error, or warnings only.
void markItemWithOutcome(QMEbayItem& item, const QMErrorEnvelope& errors)
{
    item.setItemState(errors.hasError() ? QMEbayItemStateTemplateWithError : QMEbayItemStateTemplateWithWarning);
}

// The listings of the start sheet's notification, as a list of listings or a list of values.
QList<std::shared_ptr<QMEbayItem>> templatesOf(const QVariant& value)
{
    if (value.canConvert<QList<std::shared_ptr<QMEbayItem>>>())
        return value.value<QList<std::shared_ptr<QMEbayItem>>>();
    QList<std::shared_ptr<QMEbayItem>> items;
    for (const QVariant& entry : value.toList()) {
        if (auto item = entry.value<std::shared_ptr<QMEbayItem>>())
            items.append(item);
    }
    return items;
}

} // namespace

QMBDocumentOperationFeedback::QMBDocumentOperationFeedback(QMBDocument& document) : m_document(document) {}

QMBDocumentOperationFeedback::~QMBDocumentOperationFeedback()
{
    releaseTitledEnvelope();
}

void QMBDocumentOperationFeedback::setWindowTitle(const QString& title)
{
    if (verifyProgressPanel && !title.isEmpty())
        verifyProgressPanel->window()->setWindowTitle(title);
}

void QMBDocumentOperationFeedback::releaseTitledEnvelope()
{
    if (const auto envelope = m_titledEnvelope.lock(); envelope && envelope->progressPanelController() == this)
        envelope->setProgressPanelController(nullptr);
    m_titledEnvelope.reset();
}

void QMBDocumentOperationFeedback::registerForOperationNotifications()
{
    auto& center = dw::NotificationCenter::defaultCenter();
    const auto observe = [&](const char* name, void (QMBDocumentOperationFeedback::*handler)(const dw::Notification&)) {
        m_operationObservations.emplace_back(
            center,
            center.addObserver(QLatin1String(name), nullptr, [this, handler](const dw::Notification& notification) {
                (this->*handler)(notification);
            }));
    };
    observe(DWNSNotificationOperation_ended, &QMBDocumentOperationFeedback::operationEnded);
    observe(DWNSNotificationOperation_started, &QMBDocumentOperationFeedback::operationStarted);
    observe(DWNSNotificationOperation_progressChanged, &QMBDocumentOperationFeedback::ebayOperationProgressChanged);
    observe(kQMGenericEbayNSOperationTaskNameChangedNotification,
            &QMBDocumentOperationFeedback::ebayOperationTaskNameChanged);
    observe(kDWNSOperationEnvelopeQueueEnvelope_added, &QMBDocumentOperationFeedback::ebayOperationEnvelopeAdded);
    observe(kDWNSOperationEnvelopeQueueEnvelope_finished, &QMBDocumentOperationFeedback::ebayOperationEnvelopeFinished);
    observe(kQMAddItemOperationEnvelopeTaskNameChangedNotification,
            &QMBDocumentOperationFeedback::addItemOperationEnvelopeTaskNameChanged);
}

// Operations

void QMBDocumentOperationFeedback::operationEnded(const dw::Notification& notification)
{
    const auto operation = notification.object.shared<DWNSOperation>();
    if (!operation)
        return;
    const auto verifyEnvelope = m_document.currentVerifyAddItemEnvelope();
    const auto addEnvelope = m_document.currentAddItemEnvelope();
    if (std::dynamic_pointer_cast<QMGenericAddImageOperation>(operation)) {
        if (addItemProgressPanel && addEnvelope && addEnvelope->containsOperation(operation)) {
            addItemProgressPanel->updateViewForOperation(operation);
            addItemProgressPanel->progressBar()->incrementBy(1.0);
        }
        return;
    }
    if (exactly<QMVerifyAddItemOperation>(operation) && verifyEnvelope &&
        verifyEnvelope->operations().contains(operation)) {
        handleVerifyAddItemOperation(operation);
        return;
    }
    if (std::dynamic_pointer_cast<QMGenericAuctionItemOperation>(operation) && addEnvelope &&
        addEnvelope->operations().contains(operation)) {
        handleGenericAuctionItemOperation(operation);
        if (exactly<QMAddItemOperation>(operation))
            handleAddItemOperation(operation);
    }
}

void QMBDocumentOperationFeedback::handleVerifyAddItemOperation(const DWNSOperationPtr& member)
{
    const auto operation = std::static_pointer_cast<QMVerifyAddItemOperation>(member);
    if (verifyProgressPanel && !verifyProgressPanel->progressBar()->isIndeterminate())
        verifyProgressPanel->progressBar()->incrementBy(1.0);
    // Only this document's listing is verified here; a foreign ID would be a stale envelope.
    if (operation->itemUniqueID() != m_document.item()->uniqueID())
        return;
    auto& item = *m_document.item();
    // The upload copies of the run replace the preview's copies of the same pictures.
    QMPreviewImageCache::sharedCache().invalidateImageIDsForItem(item);
    if (operation->runningFromStartAuctionsPanel())
        return;
    item.resetErrorState();
    if (operation->errorOccurred())
        markItemWithOutcome(item, *operation->errorEnvelope());
}

void QMBDocumentOperationFeedback::handleGenericAuctionItemOperation(const DWNSOperationPtr& member)
{
    const auto operation = std::static_pointer_cast<QMGenericAuctionItemOperation>(member);
    if (addItemProgressPanel) {
        addItemProgressPanel->progressBar()->incrementBy(1.0);
        addItemProgressPanel->updateViewForOperation(member);
    }
    if (operation->itemUniqueID() != m_document.item()->uniqueID())
        return;
    if (operation->errorOccurred())
        markItemWithOutcome(*m_document.item(), *operation->errorEnvelope());
}

void QMBDocumentOperationFeedback::handleAddItemOperation(const DWNSOperationPtr& member)
{
    const auto operation = std::static_pointer_cast<QMAddItemOperation>(member);
    if (operation->itemUniqueID() != m_document.item()->uniqueID())
        return;
    auto& item = *m_document.item();
    QMPreviewImageCache::sharedCache().invalidateImageIDsForItem(item);
    const auto errors = operation->errorEnvelope();
    if (!errors || !errors->hasError()) {
        item.resetErrorState();
        if (operation->errorOccurred())
            item.setItemState(QMEbayItemStateTemplateWithWarning);
    }
}

void QMBDocumentOperationFeedback::operationStarted(const dw::Notification& notification)
{
    const auto operation = exactly<QMAddItemOperation>(notification.object.shared<DWNSOperation>());
    const auto envelope = m_document.currentAddItemEnvelope();
    if (operation && envelope && addItemProgressPanel && envelope->containsOperation(operation))
        addItemProgressPanel->updateViewForOperation(operation);
}

void QMBDocumentOperationFeedback::ebayOperationProgressChanged(const dw::Notification& notification)
{
    const auto operation = notification.object.shared<DWNSOperation>();
    const auto envelope = m_document.currentAddItemEnvelope();
    if (std::dynamic_pointer_cast<QMGenericAddImageOperation>(operation) && envelope && addItemProgressPanel &&
        envelope->containsOperation(operation))
        addItemProgressPanel->updateViewForOperation(operation);
}

void QMBDocumentOperationFeedback::ebayOperationTaskNameChanged(const dw::Notification& notification)
{
    // The running verification's panel says what its operation does now.
    const auto operation =
        std::dynamic_pointer_cast<QMGenericEbayNSOperation>(notification.object.shared<DWNSOperation>());
    const auto envelope = m_document.currentVerifyAddItemEnvelope();
    if (!operation || !verifyProgressPanel || !envelope || !envelope->operations().contains(operation))
        return;
    if (const QString name = operation->currentTaskName(); !name.isEmpty())
        verifyProgressPanel->setMessageFieldText(name);
}

void QMBDocumentOperationFeedback::addItemOperationEnvelopeTaskNameChanged(const dw::Notification& notification)
{
    // The envelope posts itself as the base class it shares itself as.
    const auto envelope =
        std::dynamic_pointer_cast<QMAddItemOperationEnvelope>(notification.object.shared<DWNSOperationEnvelope>());
    if (addItemProgressPanel && envelope && envelope == m_document.currentAddItemEnvelope())
        addItemProgressPanel->updateViewForEnvelope(envelope);
}

// Envelopes

void QMBDocumentOperationFeedback::ebayOperationEnvelopeAdded(const dw::Notification& notification)
{
    const auto envelope = envelopeOf(notification);
    if (!envelope)
        return;
    if (exactly<QMVerifyAddItemOperationEnvelope>(envelope) && envelope == m_document.currentVerifyAddItemEnvelope())
        handleVerifyAddItemOperationEnvelopeAdded(envelope);
    else if (exactly<QMAddItemOperationEnvelope>(envelope) && envelope == m_document.currentAddItemEnvelope())
        handleAddItemOperationEnvelopeAdded(envelope);
}

void QMBDocumentOperationFeedback::handleVerifyAddItemOperationEnvelopeAdded(const DWNSOperationEnvelopePtr& member)
{
    const auto envelope = std::static_pointer_cast<QMVerifyAddItemOperationEnvelope>(member);
    if (!envelope->showProgressPanel())
        return;
    const qsizetype count = envelope->operations().size();
    const QString message = envelope->showFeePanel() ? dw::localized("Getting Fees...")
                            : count < 2              ? dw::localized("Verifying Item...")
                                                     : dw::localized("Verifying Items...");
    // The envelope titles the window by the listing being verified; one that started before the
    // panel was made has its title already.
    const QString title = envelope->progressTitle().isEmpty() ? dw::localized("Progress") : envelope->progressTitle();
    verifyProgressPanel = QMProgressPanelController::progressPanelWithTitle(title, message, QString());
    releaseTitledEnvelope();
    envelope->setProgressPanelController(this);
    m_titledEnvelope = envelope;
    dw::ProgressIndicator* bar = verifyProgressPanel->progressBar();
    if (count < 2) {
        bar->setIndeterminate(true);
        bar->startAnimation();
    } else {
        bar->setIndeterminate(false);
        bar->setMinValue(0);
        bar->setMaxValue(double(count));
        bar->setDoubleValue(0);
    }
}

void QMBDocumentOperationFeedback::handleAddItemOperationEnvelopeAdded(const DWNSOperationEnvelopePtr& member)
{
    const auto envelope = std::static_pointer_cast<QMAddItemOperationEnvelope>(member);
    if (!addItemProgressPanel && !envelope->showProgressPanel())
        return;
    if (!addItemProgressPanel) {
        QString message;
        QString actionName;
        if (exactly<QMAddItemOperation>(envelope->auctionItemOperation())) {
            message = dw::localized("Uploading Auctions...");
            actionName = dw::localized("Uploading Auctions");
        } else {
            QMLog("Unknown operation type %@ in QMAddItemOperationEnvelope",
                  envelope->auctionItemOperation()
                      ? QString::fromLatin1(typeid(*envelope->auctionItemOperation()).name())
                      : QStringLiteral("(null)"));
        }
        addItemProgressPanel =
            QMAddItemProgressPanelController::progressSheetForParentWindow(&m_document, message, actionName);
        addItemProgressPanel->setDelegate(this);
        dw::ProgressIndicator* bar = addItemProgressPanel->progressBar();
        bar->setIndeterminate(false);
        bar->setMinValue(0);
        bar->setMaxValue(double(envelope->overallStageCount()));
        bar->setDoubleValue(0);
    }
    // A second upload started while the sheet is shown joins it.
    addItemProgressPanel->addViewForEnvelope(envelope);
}

void QMBDocumentOperationFeedback::ebayOperationEnvelopeFinished(const dw::Notification& notification)
{
    const auto envelope = envelopeOf(notification);
    if (!envelope)
        return;
    if (exactly<QMVerifyAddItemOperationEnvelope>(envelope) && envelope == m_document.currentVerifyAddItemEnvelope())
        handleVerifyAddItemOperationEnvelopeFinished(envelope);
    else if (exactly<QMAddItemOperationEnvelope>(envelope) && envelope == m_document.currentAddItemEnvelope())
        handleAddItemOperationEnvelopeFinished(envelope);
    // Whoever started it: a finished envelope leaves the queue (doing it twice is harmless).
    if (envelope->queue() && envelope->allOperationsFinishedOrCanceled())
        m_document.defaultOperationManager()->removeFinishedOrCanceledEnvelope(envelope);
}

void QMBDocumentOperationFeedback::handleVerifyAddItemOperationEnvelopeFinished(const DWNSOperationEnvelopePtr& member)
{
    const auto envelope = std::static_pointer_cast<QMVerifyAddItemOperationEnvelope>(member);
    if (verifyProgressPanel) {
        verifyProgressPanel->dismissSheet();
        verifyProgressPanel.reset();
    }
    releaseTitledEnvelope();
    m_document.updateAuctionWebViewForItem(m_document.item());
    // Warnings count here: only a verification without any, or with eBay's free message alone,
    // has passed.
    const auto& errors = envelope->errorEnvelope();
    const bool hasErrors = envelope->errorOccurred();
    if (envelope->showFeePanel()) {
        const QVariantMap fees = envelope->fees().value_or(QVariantMap());
        if (!fees.isEmpty()) {
            QMBDocumentPanels::current().showFeePanel(
                fees, dw::format(QStringLiteral("%.2f"), double(envelope->grandTotalFee())), &m_document);
            return;
        }
        if (!hasErrors)
            return;
    } else {
        if (envelope->runningFromStartAuctionsPanel())
            return;
        if (!hasErrors || errors->representsEBayMessage()) {
            dw::AlertRequest alert;
            alert.style = dw::AlertRequest::Style::Informational;
            alert.messageText = dw::localized("Verification passed");
            alert.informativeText = dw::localized("The selected auction templates were successfully verified.");
            alert.buttons = {dw::localized("OK")};
            alert.parentWindow = &m_document;
            dw::queueAlert(alert, {}, &m_document);
            return;
        }
    }
    QMBDocumentPanels::current().displayErrorPanel(errors, &m_document);
}

void QMBDocumentOperationFeedback::handleAddItemOperationEnvelopeFinished(const DWNSOperationEnvelopePtr& member)
{
    const auto envelope = std::static_pointer_cast<QMAddItemOperationEnvelope>(member);
    if (addItemProgressPanel) {
        addItemProgressPanel->dismissSheet();
        addItemProgressPanel.reset();
    }
    if (envelope->errorOccurred())
        return;
    QString itemID;
    if (const auto operation = envelope->auctionItemOperation()) {
        const auto response = operation->addItemResponse();
        if (const auto added = std::dynamic_pointer_cast<EBayAddItemResponseType>(response))
            itemID = added->itemID();
        else if (const auto fixedPrice = std::dynamic_pointer_cast<EBayAddFixedPriceItemResponseType>(response))
            itemID = fixedPrice->itemID();
    }
    dw::AlertRequest alert;
    alert.style = dw::AlertRequest::Style::Informational;
    alert.messageText = dw::localized("Auction Started");
    alert.informativeText =
        dw::localized("Quillmart Vodar successfully started your auction. Do you want to view the auction page now?");
    alert.buttons = {dw::localized("View auction"), dw::localized("Cancel")};
    alert.parentWindow = &m_document;
    QPointer<QMBDocument> document(&m_document);
    dw::queueAlert(
        alert,
        [document, itemID](dw::AlertResponse response) {
            if (response.buttonIndex != 0 || !document)
                return;
            const QUrl address(document->urlForItemID(itemID));
            if (address.isValid() && !itemID.isEmpty())
                dw::openURLOnDesktop(address);
        },
        &m_document);
}

void QMBDocumentOperationFeedback::addItemProgressPanelControllerDidCancel(QMAddItemProgressPanelController* controller)
{
    if (controller != addItemProgressPanel.get())
        return;
    addItemProgressPanel->dismissSheet();
    addItemProgressPanel.reset();
}

// The start sheet

void QMBDocumentOperationFeedback::registerStartAuctionPanelNotifications(QMSimpleStartAuctionPanelController* sheet)
{
    auto& center = dw::NotificationCenter::defaultCenter();
    m_startSheetObservations.clear();
    m_startSheetObservations.emplace_back(
        center, center.addObserver(
                    QLatin1String(kQMStartTemplatesNotification), sheet, [this](const dw::Notification& notification) {
                        // Read before the observations (and this lambda) go.
                        const auto items = templatesOf(notification.userInfo.value(QStringLiteral("templates")));
                        const QString accountID = notification.userInfo.value(QStringLiteral("accountID")).toString();
                        QMBDocument& document = m_document;
                        unregisterStartAuctionPanelNotifications();
                        QMLog("startTemplatesNotificationReceived for template %@",
                              items.isEmpty() ? QString() : items.first()->title());
                        document.startTemplatesWithAccountID(items, accountID, true);
                    }));
    m_startSheetObservations.emplace_back(
        center, center.addObserver(QLatin1String(kQMStartTemplatesPanelCanceledNotification), sheet,
                                   [this](const dw::Notification&) { unregisterStartAuctionPanelNotifications(); }));
    // The sheet's Details button asks for eBay's errors (its run failed) or for the fees: the
    // document verifies its listing again with the progress panel, and with the fee panel for the
    // fees. Every end of the sheet drops the observations, so none outlives the sheet.
    const auto verifyAgain = [this](bool showFeePanel) {
        return [this, showFeePanel](const dw::Notification& notification) {
            // Read before the observations (and this lambda) go.
            const auto items = templatesOf(notification.userInfo.value(QStringLiteral("templates")));
            const bool withFees = showFeePanel;
            QMBDocument& document = m_document;
            unregisterStartAuctionPanelNotifications();
            if (items.contains(document.item()))
                document.verifyItemWithEBay(document.item(), withFees);
        };
    };
    m_startSheetObservations.emplace_back(
        center, center.addObserver(QLatin1String(kQMVerifyTemplatesNotification), sheet, verifyAgain(false)));
    m_startSheetObservations.emplace_back(
        center, center.addObserver(QLatin1String(kQMGetFeesForTemplatesNotification), sheet, verifyAgain(true)));
    m_startSheetObservations.emplace_back(
        center, center.addObserver(QLatin1String(kQMPreviewTemplatesNotification), sheet,
                                   [this](const dw::Notification&) { unregisterStartAuctionPanelNotifications(); }));
}

void QMBDocumentOperationFeedback::unregisterStartAuctionPanelNotifications()
{
    // Removing an observation while it is being called is allowed; the vector may not shrink
    // under the running lambda's own capture, so move the observations out first.
    auto observations = std::move(m_startSheetObservations);
    m_startSheetObservations.clear();
    observations.clear();
}

// The document's side

void QMBDocument::setCurrentVerifyAddItemEnvelope(const std::shared_ptr<QMVerifyAddItemOperationEnvelope>& envelope)
{
    m_currentVerifyAddItemEnvelope = envelope;
}

void QMBDocument::setCurrentAddItemEnvelope(const std::shared_ptr<QMAddItemOperationEnvelope>& envelope)
{
    m_currentAddItemEnvelope = envelope;
}

QMAddItemProgressPanelController* QMBDocument::addItemProgressPanelController() const
{
    return m_feedback->addItemProgressPanel.get();
}

QMProgressPanelController* QMBDocument::verifyProgressPanelController() const
{
    return m_feedback->verifyProgressPanel.get();
}

QString QMBDocument::urlForItemID(const QString& itemID) const
{
    const QString listings = QMSiteDescriptionManager::sharedInstance().auctionsURLForSiteID(
        m_item->siteID(), QMPreferencesManager::sharedInstance().isRunningInSandbox());
    return dw::format(QStringLiteral("%@?ViewItem&item=%@"), listings, itemID);
}

void QMBDocument::registerStartAuctionPanelNotifications(QMSimpleStartAuctionPanelController* sheet)
{
    m_feedback->registerStartAuctionPanelNotifications(sheet);
}

void QMBDocument::unregisterStartAuctionPanelNotifications()
{
    m_feedback->unregisterStartAuctionPanelNotifications();
}
