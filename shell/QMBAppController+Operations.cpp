// The application delegate's reports of the application-wide operations: progress panels while
// eBay data or a token is fetched, and the alerts when they end.
#include "shell/QMBAppController.h"

#include "DWCoreDataEbayDataClasses/SQCategoryDataManager.h"
#include "DWKit/DWOperation/DWNSOperation.h"
#include "DWKit/widgets/QMProgressPanelController.h"
#include "Operations/QMFetchTokenOperation.h"
#include "Operations/QMGetEbayDataOperation.h"
#include "Operations/QMGetEbayDataVersionsOperation.h"
#include "Operations/QMGetProductSearchResultsOperation.h"
#include "model/QMErrorEnvelope.h"
#include "model/QMPreferencesManager.h"
#include "platform/core/AlertPresenter.h"
#include "platform/core/Clock.h"
#include "platform/core/Localization.h"

#include <typeinfo>

namespace {

// Classes are told apart exactly, not by kind: a subclass is not an application-wide operation.
template<class T>
bool isExactly(const DWNSOperation& operation)
{
    return typeid(operation) == typeid(T);
}

bool showsProgressPanel(const DWNSOperation& operation)
{
    return isExactly<QMGetEbayDataVersionsOperation>(operation) || isExactly<QMGetEbayDataOperation>(operation) ||
           isExactly<QMFetchTokenOperation>(operation);
}

dw::AlertRequest alertWith(dw::AlertRequest::Style style, const char* title, const QString& text)
{
    dw::AlertRequest alert;
    alert.style = style;
    alert.messageText = dw::localized(title);
    alert.informativeText = text;
    return alert;
}

} // namespace

void QMBAppController::registerForOperationNotifications()
{
    if (!m_operationObservations.empty())
        return;
    auto& center = dw::NotificationCenter::defaultCenter();
    m_operationObservations.emplace_back(
        center, center.addObserver(QLatin1String(DWNSNotificationOperation_ended), nullptr,
                                   [this](const dw::Notification& note) { operationEnded(note); }));
    m_operationObservations.emplace_back(
        center, center.addObserver(QLatin1String(DWNSNotificationOperation_started), nullptr,
                                   [this](const dw::Notification& note) { operationStarted(note); }));
}

void QMBAppController::operationStarted(const dw::Notification& notification)
{
    const auto operation = notification.object.shared<DWNSOperation>();
    if (!operation)
        return;
    if (isExactly<QMGetEbayDataVersionsOperation>(*operation)) {
        if (!static_cast<const QMGetEbayDataVersionsOperation&>(*operation).runSilent())
            createProgressPanelControllerForOperation(operation.get(), dw::localized("Progress"),
                                                      dw::localized("Getting eBay Data Versions..."), true);
    } else if (isExactly<QMGetEbayDataOperation>(*operation)) {
        if (!static_cast<const QMGetEbayDataOperation&>(*operation).runSilent())
            createProgressPanelControllerForOperation(operation.get(), dw::localized("Progress"),
                                                      dw::localized("Getting Category Tree..."), true);
    } else if (isExactly<QMFetchTokenOperation>(*operation)) {
        // The assistant shows its own progress.
        if (!m_introWindowIsShown)
            createProgressPanelControllerForOperation(operation.get(), dw::localized("Progress"),
                                                      dw::localized("Getting eBay Token..."), true);
    }
}

void QMBAppController::createProgressPanelControllerForOperation(const DWNSOperation* operation, const QString& title,
                                                                 const QString& message, bool indeterminate)
{
    std::shared_ptr<QMProgressPanelController> panel =
        QMProgressPanelController::progressPanelWithTitle(title, message, QString());
    panel->progressBar()->setIndeterminate(indeterminate);
    panel->progressBar()->startAnimation();
    m_progressPanels.insert(operation, std::move(panel));
}

QMProgressPanelController* QMBAppController::progressPanelForOperation(const DWNSOperation* operation) const
{
    const auto panel = m_progressPanels.value(operation);
    return panel.get();
}

void QMBAppController::operationEnded(const dw::Notification& notification)
{
    const auto operation = notification.object.shared<DWNSOperation>();
    if (!operation)
        return;
    if (showsProgressPanel(*operation)) {
        if (const auto panel = m_progressPanels.take(operation.get()))
            panel->dismissSheet();
    }
    if (isExactly<QMGetEbayDataVersionsOperation>(*operation)) {
        handleGetEbayDataVersionsOperation(static_cast<const QMGetEbayDataVersionsOperation&>(*operation));
    } else if (isExactly<QMGetEbayDataOperation>(*operation)) {
        handleGetEbayDataOperation(static_cast<const QMGetEbayDataOperation&>(*operation));
    } else if (isExactly<QMGetProductSearchResultsOperation>(*operation)) {
        const auto& search = static_cast<const QMGetProductSearchResultsOperation&>(*operation);
        if (shouldDisplayErrorForOperation(search))
            showFirstErrorFromEnvelope(search.errorEnvelope());
    } else if (isExactly<QMFetchTokenOperation>(*operation)) {
        handleFetchTokenOperation(static_cast<const QMFetchTokenOperation&>(*operation));
    }
}

bool QMBAppController::shouldDisplayErrorForOperation(const QMGenericEbayNSOperation& operation) const
{
    const auto envelope = operation.errorEnvelope();
    return envelope && envelope->hasError() && !operation.suppressErrorMessage() && !m_introWindowIsShown;
}

void QMBAppController::showFirstErrorFromEnvelope(const std::shared_ptr<QMErrorEnvelope>& envelope)
{
    if (!envelope || !envelope->hasError())
        return;
    dw::AlertRequest alert =
        alertWith(dw::AlertRequest::Style::Warning, "eBay Error", envelope->firstError()->message());
    alert.buttons = {dw::localized("OK")};
    dw::queueAlert(alert);
}

void QMBAppController::showResourceDownloadError()
{
    dw::AlertRequest alert = alertWith(
        dw::AlertRequest::Style::Warning, "Resource Download Error",
        dw::localized("An error occured while downloading the eBay category information. Please check your internet "
                      "connection."));
    alert.buttons = {dw::localized("OK")};
    dw::queueAlert(alert);
}

void QMBAppController::handleGetEbayDataOperation(const QMGetEbayDataOperation& operation)
{
    // A failed download is no check: the next start tries again. (The assistant reports it itself.)
    if (operation.errorOccurred()) {
        if (!m_introWindowIsShown)
            showResourceDownloadError();
        return;
    }
    QMPreferencesManager::sharedInstance().setCategoriesLastCheckDate(dw::now());
    if (operation.downloadCharacteristicSets() && m_services.updateAttributeSetNames)
        m_services.updateAttributeSetNames();
}

void QMBAppController::handleGetEbayDataVersionsOperation(const QMGetEbayDataVersionsOperation& operation)
{
    if (operation.errorOccurred()) {
        if (!m_introWindowIsShown)
            showResourceDownloadError();
        return;
    }
    const qint64 siteID = operation.connector() ? operation.connector()->siteID()
                                                : QMPreferencesManager::sharedInstance().defaultSiteID();
    QMPreferencesManager::sharedInstance().setCategoriesLastCheckDate(dw::now());

    const qint64 treeVersion = operation.categoryTreeVersion();
    const qint64 setsVersion = operation.attributeDataVersion();
    const auto categories = QMCategoryDataManager::sharedQMCategoryDataManager();
    const auto self = weak_from_this();
    if (categories->categoryTreeVersion(treeVersion, setsVersion, siteID)) {
        if (operation.runSilent())
            return;
        dw::AlertRequest alert = alertWith(dw::AlertRequest::Style::Informational, "eBay Data Up To Date",
                                           dw::localized("Your eBay Data is up to date."));
        alert.buttons = {dw::localized("OK"), dw::localized("Download anyway")};
        dw::queueAlert(alert, [self, siteID](dw::AlertResponse response) {
            if (const auto controller = self.lock(); controller && response.buttonIndex == 1)
                controller->downloadeBayDataIncludingCategoryTree(true, true, siteID);
        });
        return;
    }
    // Newer data is offered even after a silent check: the seller should know.
    dw::AlertRequest alert =
        alertWith(dw::AlertRequest::Style::Informational, "New eBay Data Available",
                  dw::localized("There is new data available on the eBay server. Do you want to download it now?"));
    alert.buttons = {dw::localized("Download"), dw::localized("Cancel")};
    dw::queueAlert(alert, [self, siteID, treeVersion, setsVersion](dw::AlertResponse response) {
        const auto controller = self.lock();
        if (!controller || response.buttonIndex != 0)
            return;
        const auto stores = QMCategoryDataManager::sharedQMCategoryDataManager();
        controller->downloadeBayDataIncludingCategoryTree(treeVersion != stores->categoryTreeVersionForSiteID(siteID),
                                                          setsVersion != stores->attributesDataVersionForSiteID(siteID),
                                                          siteID);
    });
}
