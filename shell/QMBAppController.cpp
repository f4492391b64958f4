#include "shell/QMBAppController.h"

#include "shell/QMBDesignResourceProgressPanel.h"

#include "DWCoreDataEbayDataClasses/SQCategoryDataManager.h"
#include "DWEBay2/DWEbayConnector.h"
#include "DWKit/QMAlertPanels.h"
#include "DWKit/widgets/QMProgressPanelController.h"
#include "Operations/QMAccountManager.h"
#include "description/QMDesignResourceProgress.h"
#include "model/QMPreferencesManager.h"
#include "modelservices/QMModelServices.h"
#include "platform/core/BackgroundWork.h"
#include "platform/core/Clock.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWAssert.h"
#include "platform/core/Localization.h"
#include "platform/core/MainThread.h"
#include "platform/core/RegularFile.h"
#include "platform/core/UserDefaults.h"
#include "shell/QMBDocument.h"
#include "shell/QMBDocumentController.h"
#include "shell/QMBMediaBrowserPanel.h"
#include "shell/QMBPreferencesPanelController.h"
#include "shell/QMIntroPanelController.h"
#include "updater/DWCrashReporter.h"
#include "updater/QMUpdater.h"

#include <QFileInfo>
#include <QUrl>
#include <memory>

namespace {

std::weak_ptr<QMBAppController>& current()
{
    static std::weak_ptr<QMBAppController> controller;
    return controller;
}

// The API version every connector of the application speaks.
constexpr qint64 kEbayAPIVersion = 747;

} // namespace

QMBAppController::QMBAppController()
{
    m_services.handleStartFromReadOnlyLocation = [] { QMUpdater::sharedUpdater().handleStartFromReadOnlyLocation(); };
    m_services.migrateCategories = [] {
        (void)QMCategoryDataManager::sharedQMCategoryDataManager()->migrateToCoreDataCategories();
    };
    m_services.checkForCrash = [] { DWCrashReporter::checkForCrash(); };
    m_services.checkForUpdate = [] { QMUpdater::sharedUpdater().checkForUpdate(); };
    m_services.ebayAPIReachable = [] { return DWEbayConnector::ebayAPIReachable(); };
    m_services.showIntroPanel = [](QMBAppController& delegate) {
        QMIntroPanelController::showForApplication(delegate);
    };
    m_services.showPreferencesPanel = [] {
        QMBPreferencesPanelController::sharedPreferencesPanelController().showWindow();
    };
    m_services.openUntitledDocument = [] {
        QMBDocumentController::sharedDocumentController().openUntitledDocumentAndDisplay(true);
    };
    m_services.updateAttributeSetNames = [] {
        for (QMBDocument* document : QMBDocumentController::sharedDocumentController().documents()) {
            if (document->item())
                document->updateAttributeSetNamesForItem(document->item());
        }
    };
    m_services.openDocument = [](const QString& path, const QByteArray& contents, QString* error) {
        return QMBDocumentController::sharedDocumentController().openDocumentWithContents(path, contents, true,
                                                                                          error) != nullptr;
    };
}

QMBAppController::~QMBAppController()
{
    delete m_mediaBrowser.data();
}

std::shared_ptr<QMBAppController> QMBAppController::shared()
{
    return current().lock();
}

std::shared_ptr<QMBAppController> QMBAppController::create()
{
    std::shared_ptr<QMBAppController> controller(new QMBAppController);
    current() = controller;
    return controller;
}

// Defaults and the services of the layers below

void QMBAppController::registerDefaults()
{
    QString error;
    const bool registered = QMModelServices::registerDefaults(&error);
    DW_ASSERT(registered, "%@", error);
}

void QMBAppController::installApplicationServices()
{
    // The same services every tool installs, so that a listing goes to eBay alike from both.
    QMModelServices::installServices(QMModelServices::Accounts::Keychain);
    QMCategoryDataManager::setDownloadQueuer([](qint64 siteID, bool tree, bool sets, bool silent) {
        const auto controller = shared();
        const auto manager =
            controller ? controller->defaultOperationManager() : QMOperationManager::sharedQMOperationManager();
        manager->addGetCurrenteBayDataOperationForSiteID(siteID, tree, sets, silent);
    });
    QMDesignResourceProgress::install(std::make_shared<QMBDesignResourceProgressPanel>());

    // An update replaces the program only after the seller has decided about unsaved documents.
    QMUpdater::sharedUpdater().setDocumentReview(
        [] { return QMBDocumentController::sharedDocumentController().reviewUnsavedDocumentsAndQuit(); });

    const auto manager = QMOperationManager::sharedQMOperationManager();
    manager->setOpenListings([] { return QMBDocumentController::sharedDocumentController().openListings(); });
    QMModelServices::configureOperationManager(*manager);
}

// Launch

void QMBAppController::awakeFromNib(QMBSingleInstance* instance)
{
    if (m_awake)
        return;
    m_awake = true;
    registerForAuthenticationUrlProtocol(instance);
    // Each window's bar gets the Debug menu only in debug mode.
    m_debugMenuItemKept = QMPreferencesManager::sharedInstance().debugModeEnabled();
    QMModelServices::registerDesignTemplates();
}

void QMBAppController::openFilesAndURLs(const QStringList& arguments, std::function<void(int opened)> done)
{
    QStringList paths;
    for (const QString& argument : arguments) {
        const QUrl url(argument);
        const bool isAddress = url.isValid() && url.scheme().size() > 1 && argument.contains(u':');
        if (isAddress && !url.isLocalFile())
            (void)openUrl(argument);
        else
            paths << (isAddress ? url.toLocalFile() : argument);
    }
    if (paths.isEmpty()) {
        if (done)
            done(0);
        return;
    }
    // Whatever a start names is read on a worker: an ordinary file of a sane size only, so that a
    // pipe, a device or a slow disk never holds the windows that are open.
    const QPointer<const QObject> guard(this);
    auto files = std::make_shared<QList<DocumentFile>>();
    const auto read = [files, paths] {
        for (const QString& path : paths) {
            DocumentFile file{path, {}, {}};
            file.contents = dw::readRegularFile(path, QMBDocument::kMaximumDocumentBytes, &file.error);
            files->append(std::move(file));
        }
    };
    dw::runInBackground(guard, read, [this, files, done = std::move(done)] {
        const int opened = openDocumentFiles(*files);
        if (done)
            done(opened);
    });
}

int QMBAppController::openDocumentFiles(const QList<DocumentFile>& files)
{
    int opened = 0;
    QList<std::pair<QString, QString>> failures;
    for (const DocumentFile& file : files) {
        QString error = file.error;
        if (file.contents && m_services.openDocument && m_services.openDocument(file.path, *file.contents, &error))
            ++opened;
        else if (!error.isEmpty())
            failures.append({file.path, error});
    }
    // A document the seller asked for and did not get must not pass in silence: the window that
    // opens instead would look like the listing is lost.
    for (const auto& [path, error] : failures) {
        dw::consoleWrite(QStringLiteral("Could not open %1: %2").arg(path, error));
        dw::AlertRequest alert;
        alert.style = dw::AlertRequest::Style::Critical;
        alert.messageText = dw::localized("The document “%1” could not be opened.").arg(QFileInfo(path).fileName());
        alert.informativeText = error;
        dw::runAlertPanel(alert, dw::localized("OK"), QString(), QString());
    }
    return opened;
}

void QMBAppController::applicationDidFinishLaunching()
{
    registerForOperationNotifications();
    if (m_services.handleStartFromReadOnlyLocation)
        m_services.handleStartFromReadOnlyLocation();
    if (shouldOpenIntroWindow()) {
        showIntroWindow();
        return;
    }
    if (m_services.migrateCategories)
        m_services.migrateCategories();
    if (m_services.checkForCrash)
        m_services.checkForCrash();
    if (m_services.checkForUpdate)
        m_services.checkForUpdate();

    // A date in the future (a clock set back) waits until it has passed. The interval is reckoned
    // in 64 bits: a long interval must not wrap round into a check at every start.
    const QDateTime lastCheck = QMPreferencesManager::sharedInstance().categoriesLastCheckDate();
    const qint64 elapsed = lastCheck.isValid() ? lastCheck.secsTo(dw::now()) : 0;
    const qint64 interval = QMPreferencesManager::sharedInstance().categoriesCheckInterval() * 86400;
    if (elapsed == 0 || elapsed > interval)
        (void)checkCategoryTreeVersionSilent(true);
}

bool QMBAppController::shouldOpenIntroWindow() const
{
    if (dw::UserDefaults::standard().boolForKey(QStringLiteral("alwaysShowIntro")))
        return true;
    const qint64 site = QMPreferencesManager::sharedInstance().defaultSiteID();
    const auto categories = QMCategoryDataManager::sharedQMCategoryDataManager();
    if (categories->categoryFileExistsForSite(site) || categories->deprecatedCategoryFileExistsForSite(site))
        return false;
    return !m_processingOpenFile;
}

bool QMBAppController::applicationShouldOpenUntitledFile() const
{
    if (m_processingOpenFile)
        return false;
    return !shouldOpenIntroWindow();
}

// The first-run assistant

void QMBAppController::showIntroWindow()
{
    m_introWindowIsShown = true;
    if (m_services.showIntroPanel) {
        m_services.showIntroPanel(*this);
        return;
    }
    // Without an assistant in this build the seller starts with an empty listing.
    dw::consoleWrite(QStringLiteral("The first-run assistant is not available; opening an untitled document"));
    introPanelDidFinish();
}

void QMBAppController::introPanelDidFinish()
{
    if (m_services.openUntitledDocument)
        m_services.openUntitledDocument();
    m_introWindowIsShown = false;
}

void QMBAppController::introPanelDownloadMissingeBayDataForSiteID(qint64 siteID)
{
    const auto categories = QMCategoryDataManager::sharedQMCategoryDataManager();
    const bool tree = !categories->categoriesDatabaseForForSiteID(siteID);
    const bool sets = !categories->attributesDatabaseForForSiteID(siteID);
    defaultOperationManager()->addGetCurrenteBayDataOperationForSiteID(siteID, tree, sets, true);
}

// Operations and connectors

std::shared_ptr<QMOperationManager> QMBAppController::defaultOperationManager()
{
    auto manager = QMOperationManager::sharedQMOperationManager();
    manager->setDelegate(weak_from_this());
    return manager;
}

std::unique_ptr<DWEbayConnector> QMBAppController::standardEbayConnector()
{
    const auto& preferences = QMPreferencesManager::sharedInstance();
    auto connector =
        std::make_unique<DWEbayConnector>(preferences.APIURL(), preferences.defaultSiteID(), kEbayAPIVersion);
    connector->setToken(QMAccountManager::sharedQMAccountManager()->defaultAccountToken());
    connector->setEbayDeveloperID(preferences.devID());
    connector->setEbayApplicationID(preferences.appID());
    connector->setEbayCertificateID(preferences.certID());
    connector->setLoggingEnabled(preferences.shouldLogXMLRequests());
    return connector;
}

void QMBAppController::downloadMissingeBayDataForSiteID(qint64 siteID)
{
    const auto categories = QMCategoryDataManager::sharedQMCategoryDataManager();
    downloadeBayDataIncludingCategoryTree(!categories->categoriesDatabaseForForSiteID(siteID),
                                          !categories->attributesDatabaseForForSiteID(siteID), siteID);
}

void QMBAppController::downloadeBayDataIncludingCategoryTree(bool categoryTree, bool characteristicSets, qint64 siteID)
{
    if (!categoryTree && !characteristicSets)
        return;
    defaultOperationManager()->addGetCurrenteBayDataOperationForSiteID(siteID, categoryTree, characteristicSets);
}

bool QMBAppController::checkCategoryTreeVersionSilent(bool silent)
{
    if (!m_services.ebayAPIReachable || !m_services.ebayAPIReachable())
        return false;
    defaultOperationManager()->addGetCurrenteBayDataVersionsOperationSilent(silent);
    return true;
}

// The media browser

QMBMediaBrowserPanel* QMBAppController::mediaBrowser() const
{
    return m_mediaBrowser;
}

void QMBAppController::toggleMediaBrowser()
{
    if (!m_mediaBrowser) {
        m_mediaBrowser = new QMBMediaBrowserPanel;
        m_mediaBrowser->setAttribute(Qt::WA_DeleteOnClose, false);
        // The chosen pictures go to the front document, in the order chosen; without a document
        // nothing happens.
        m_mediaBrowser->setAddImagesHandler([](const QStringList& fileURLs) {
            if (QMBDocument* document = QMBDocumentController::sharedDocumentController().mainDocument()) {
                for (const QString& url : fileURLs)
                    document->addAndBackupImageImageURL(url);
            }
        });
    }
    m_mediaBrowser->toggle();
}
