#pragma once
// The application delegate: registers the defaults, decides at launch between the first-run
// assistant and the launch checks, supplies the operation manager and a new connector for every
// eBay operation, shows the application-wide operation reports, turns the sign-in callback into
// "QMEbayTokenShouldBeFetched" and stores fetched tokens, and opens the store.
//
// One lives for the whole run, made by main() and held by a shared pointer (the operation manager
// holds it weakly as its delegate). Main thread.
//
//     QMBAppController::registerDefaults();
//     auto controller = QMBAppController::create();
//     controller->awakeFromNib();
//     controller->applicationDidFinishLaunching();

#include "DWEBay2/DWEbayConnector.h"
#include "Operations/QMOperationManager.h"

#include <QObject>
#include <QString>
#include <memory>

class QMenuBar;

inline constexpr const char* kQMEbayTokenShouldBeFetchedNotification = "QMEbayTokenShouldBeFetched";

class QMBAppController : public QObject,
                         public QMOperationManagerDelegate,
                         public std::enable_shared_from_this<QMBAppController>
{
    Q_OBJECT

public:
    // The delegate of the running application; null before one is made and after it is gone.
    static std::shared_ptr<QMBAppController> shared();
    static std::shared_ptr<QMBAppController> create();
    ~QMBAppController() override;

    // The defaults ("defaults.plist", then "localized_defaults.plist" with "footerData"), the
    // money transformer by name and the category data manager; once, before anything else.
    static void registerDefaults();

    // The operation manager with this controller as its delegate.
    std::shared_ptr<QMOperationManager> defaultOperationManager();
    std::unique_ptr<DWEbayConnector> standardEbayConnector() override;

    // eBay-data downloads and checks, also asked for by documents and the preferences window.
    void downloadMissingeBayDataForSiteID(qint64 siteID);
    void downloadeBayDataIncludingCategoryTree(bool categoryTree, bool characteristicSets, qint64 siteID);
    bool checkCategoryTreeVersionSilent(bool silent);

    // Set by a document while it reads a file: no untitled document and no assistant then.
    bool processingOpenFile() const { return m_processingOpenFile; }
    void setProcessingOpenFile(bool processing) { m_processingOpenFile = processing; }

    // The media browser panel, shown or hidden.
    void toggleMediaBrowser();

    // The application's own menus (about, preferences, updates, store, sandbox, assistant, debug)
    // added to a window's menu bar: every document window calls it for its bar.
    void addApplicationMenus(QMenuBar* menuBar);

    // The eBay sign-in address for a session.
    QString authorizeURLForSessionID(const QString& sessionID) const;

protected:
    QMBAppController();

private:
    bool m_processingOpenFile = false;
};
