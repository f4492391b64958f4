#pragma once
// The application delegate: registers the defaults, decides at launch between the first-run
// assistant and the launch checks, supplies the operation manager and a new connector for every
// eBay operation, shows the application-wide operation reports, turns the sign-in callback into
// "QMEbayTokenShouldBeFetched" and stores fetched tokens, adds the application's menus to every
// document window and opens the store.
//
// One lives for the whole run, made by main() and held by a shared pointer (the operation manager
// holds it weakly as its delegate). Main thread, except standardEbayConnector(), which any thread
// may call.
//
//     QMBAppController::registerDefaults();
//     QMBAppController::installApplicationServices();
//     auto controller = QMBAppController::create();
//     controller->awakeFromNib(&singleInstance);
//     controller->openFilesAndURLs(arguments, [controller](int opened) {
//         if (opened == 0 && controller->applicationShouldOpenUntitledFile())
//             controller->services().openUntitledDocument();
//         controller->applicationDidFinishLaunching();
//     });
//
// The pieces that other parts of the program own (the first-run assistant, the preferences window,
// the updater's and crash reporter's launch steps, the reachability test) are reached through
// services(), which tests replace.

#include "DWEBay2/DWEbayConnector.h"
#include "DWPayment/DWPaymentController.h"
#include "Operations/QMOperationManager.h"
#include "platform/core/NotificationCenter.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class QAction;
class QMBMediaBrowserPanel;
class QMBSingleInstance;
class QMErrorEnvelope;
class QMFetchTokenOperation;
class QMGetEbayDataOperation;
class QMGetEbayDataVersionsOperation;
class QMProgressPanelController;
class QMenuBar;

inline constexpr const char* kQMEbayTokenShouldBeFetchedNotification = "QMEbayTokenShouldBeFetched";

// The scheme under which the desktop hands the sign-in callback to the program (the .desktop
// file registers it); the callback's host is the bundle identifier followed by ".gettoken".
inline constexpr const char* kQMCallbackURLScheme = "quillmartvodar";

class QMBAppController : public QObject,
                         public QMOperationManagerDelegate,
                         public DWPaymentDelegate,
                         public std::enable_shared_from_this<QMBAppController>
{
    Q_OBJECT

public:
    // What the delegate calls of the parts that others own. Each defaults to the real thing; an
    // empty intro or preferences presenter means that part is not there yet.
    struct Services
    {
        std::function<void()> handleStartFromReadOnlyLocation; // the updater's offer to copy the program
        std::function<void()> migrateCategories;               // old category files into the stores
        std::function<void()> checkForCrash;                   // the crash reporter's launch step
        std::function<void()> checkForUpdate;                  // the updater's launch check
        std::function<bool()> ebayAPIReachable;
        // Shows the first-run assistant; it reports back through introPanelDidFinish() and the
        // other intro calls below.
        std::function<void(QMBAppController& delegate)> showIntroPanel;
        std::function<void()> showPreferencesPanel;
        // Opens a new untitled document (the document controller's, displayed).
        std::function<void()> openUntitledDocument;
        // Opens a listing document from the file's contents (read on a worker); false with the
        // reason when it cannot be read.
        std::function<bool(const QString& path, const QByteArray& contents, QString* error)> openDocument;
        // Has every open document refresh the item-specifics set names of its listing (after new
        // characteristic sets arrived).
        std::function<void()> updateAttributeSetNames;
    };

    // The delegate of the running application; null before one is made and after it is gone.
    static std::shared_ptr<QMBAppController> shared();
    static std::shared_ptr<QMBAppController> create();
    ~QMBAppController() override;

    // The defaults ("defaults.plist", then "localized_defaults.plist" with "footerData"), the
    // money transformer by name and the category data manager; once, before anything else. A
    // missing defaults file is a broken installation: DW_ASSERT "couldn't find defaults.plist".
    static void registerDefaults();
    // Installs what the upper layers supply to the lower ones: the accounts, category stores,
    // picture transformer and description generator as the model's sources, the eBay data source
    // of the operations, and the open documents' listings for the operation manager.
    static void installApplicationServices();

    Services& services() { return m_services; }

    // Launch, in this order.
    // The callback handler (the later starts' arguments that `instance` receives), the Debug menu
    // (kept only in debug mode), the design templates (registered with the minimum version 214).
    void awakeFromNib(QMBSingleInstance* instance = nullptr);
    // Hands on the callback addresses among a start's arguments at once, and opens its documents
    // once a worker has read them: ordinary files of at most QMBDocument::kMaximumDocumentBytes,
    // anything else is reported to the seller. `done` gets the number of documents opened, on the
    // main thread (at once when no document is named); it is dropped with the controller.
    void openFilesAndURLs(const QStringList& arguments, std::function<void(int opened)> done = {});
    // The operation notifications, the read-only check, then the assistant or the launch checks.
    void applicationDidFinishLaunching();
    bool applicationShouldOpenUntitledFile() const;
    // Whether the first-run assistant is due: "alwaysShowIntro", or no category store (nor an old
    // category file) for the default site while no document is being read.
    bool shouldOpenIntroWindow() const;

    // The first-run assistant and what it asks of the delegate.
    void showIntroWindow();
    bool introWindowIsShown() const { return m_introWindowIsShown; }
    void introPanelDidFinish();
    void introPanelDownloadMissingeBayDataForSiteID(qint64 siteID);
    QString introPanelAuthorizeURLForSessionID(const QString& sessionID) const
    {
        return authorizeURLForSessionID(sessionID);
    }

    // The operation manager with this controller as its delegate.
    std::shared_ptr<QMOperationManager> defaultOperationManager();
    // A new connector for the default site and account with the application's developer keys.
    std::unique_ptr<DWEbayConnector> standardEbayConnector() override;

    // eBay-data downloads and checks, also asked for by documents and the preferences window.
    void downloadMissingeBayDataForSiteID(qint64 siteID);
    void downloadeBayDataIncludingCategoryTree(bool categoryTree, bool characteristicSets, qint64 siteID);
    // False, and nothing queued, while the eBay API cannot be reached.
    bool checkCategoryTreeVersionSilent(bool silent);

    // Set by a document while it reads a file: no untitled document and no assistant then.
    bool processingOpenFile() const { return m_processingOpenFile; }
    void setProcessingOpenFile(bool processing) { m_processingOpenFile = processing; }

    // The media browser panel, shown or hidden.
    void toggleMediaBrowser();
    QMBMediaBrowserPanel* mediaBrowser() const;

    // The application's own menus added to a window's menu bar: Edit (undo, the editing commands,
    // preferences), the store, a Debug menu in debug mode only, and Help (updates, about). Every
    // document window calls it for its bar; the items follow the delegate's state when shown.
    void addApplicationMenus(QMenuBar* menuBar);
    // Whether a menu item of the delegate is enabled now; checks the toggles that show a state.
    bool validateMenuItem(QAction* item) const;

    // Menu actions.
    void showPreferencesPanel();
    void checkForUpdates();
    void showPaymentPanel();
    void toggleSandboxMode();
    void toggleAlwaysShowIntro();
    void openAboutPanel();
    void installWidget();
    DWPaymentController* paymentController() const { return m_paymentController.get(); }

    // Sign-in: the eBay sign-in address for a session, and the callback. The handler accepts only
    // an address of the callback scheme whose host is exactly the callback host; anything else is
    // ignored with a console line.
    QString authorizeURLForSessionID(const QString& sessionID) const;
    static QString callbackHost();
    // Listens for the addresses later starts hand over (the desktop starts the program again
    // with the callback); installed once by awakeFromNib().
    void registerForAuthenticationUrlProtocol(QMBSingleInstance* instance);
    // True when the address was the sign-in callback and "QMEbayTokenShouldBeFetched" was posted.
    bool openUrl(const QString& address);

    // Operation feedback for the application-wide operations (main thread).
    void registerForOperationNotifications();
    void operationStarted(const dw::Notification& notification);
    void operationEnded(const dw::Notification& notification);
    void handleGetEbayDataOperation(const QMGetEbayDataOperation& operation);
    void handleGetEbayDataVersionsOperation(const QMGetEbayDataVersionsOperation& operation);
    void handleFetchTokenOperation(const QMFetchTokenOperation& operation);
    bool shouldDisplayErrorForOperation(const QMGenericEbayNSOperation& operation) const;
    void showFirstErrorFromEnvelope(const std::shared_ptr<QMErrorEnvelope>& envelope);
    // The progress panel of an application-wide operation while it runs; null when none is shown.
    QMProgressPanelController* progressPanelForOperation(const DWNSOperation* operation) const;

    // The store's calls.
    void paymentControllerErrorOccurredGettingPlist(DWPaymentController* controller, const QString& error,
                                                    const QUrl& url) override;
    std::optional<QString> shoppingCartWantsPayloadString(const DWPShoppingCart& cart) override;
    static QString shoppingCartPayloadString();

protected:
    QMBAppController();

private:
    struct DocumentFile
    {
        QString path;
        std::optional<QByteArray> contents; // none when it could not be read
        QString error;
    };
    int openDocumentFiles(const QList<DocumentFile>& files);
    // After a later start: its window (a modal panel first) to the front, or, when no window is
    // shown, an untitled document when allowed.
    void bringWindowForward(bool mayOpenUntitled);
    void createProgressPanelControllerForOperation(const DWNSOperation* operation, const QString& title,
                                                   const QString& message, bool indeterminate);
    void showResourceDownloadError();
    void updateMenuItems(QMenuBar* menuBar) const;

    Services m_services;
    bool m_processingOpenFile = false;
    bool m_introWindowIsShown = false;
    bool m_awake = false;
    bool m_debugMenuItemKept = false;
    std::unique_ptr<DWPaymentController> m_paymentController;
    QPointer<QMBMediaBrowserPanel> m_mediaBrowser;
    QHash<const DWNSOperation*, std::shared_ptr<QMProgressPanelController>> m_progressPanels;
    std::vector<dw::ScopedObservation> m_operationObservations;
};
