// The application delegate: start-up order, the first-run decision, the launch checks, the
// sign-in address and callback, the reports of the application-wide operations, the editing
// commands' routing.

#include "ShellTestSupport.h"

#include "DWCoreDataEbayDataClasses/SQCategoriesDatabase.h"
#include "DWCoreDataEbayDataClasses/SQCategoryDataManager.h"
#include "DWKit/DWOperation/DWNSOperation.h"
#include "DWKit/QMLogManager.h"
#include "DWKit/gui/QMUndoManager.h"
#include "Operations/QMEbayDataSource.h"
#include "Operations/QMFetchTokenOperation.h"
#include "Operations/QMGetEbayDataOperation.h"
#include "Operations/QMGetEbayDataVersionsOperation.h"
#include "Operations/QMOperationManager.h"
#include "description/QMDesignTemplateManager.h"
#include "model/QMApplicationDefaults.h"
#include "model/QMEbayItem.h"
#include "model/QMPreferencesManager.h"
#include "model/QMSiteDescriptionManager.h"
#include "platform/core/Clock.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWAssert.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"
#include "platform/core/ValueTransformer.h"
#include "shell/QMBAppController.h"
#include "shell/QMBApplication.h"
#include "shell/QMBSingleInstance.h"
#include "tests/support/DrainMainThread.h"
#include "tests/support/ScriptedAlertPresenter.h"
#include "tests/support/TemporaryXdg.h"
#include "tests/support/ebay/FakeTradingApi.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QTimeZone>
#include <QUndoCommand>
#include <functional>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <thread>

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray plist(const QByteArray& entries)
{
    return R"(<?xml version="1.0" encoding="UTF-8"?><plist version="1.0"><dict>)" + entries + "</dict></plist>";
}

// A delegate whose neighbours only note that they were asked.
class Launch : public ::testing::Test
{
protected:
    Launch()
    {
        QMLogManager::resetSharedInstance();
        EXPECT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
        QMCategoryDataManager::sharedQMCategoryDataManager()->unloadAll();
        m_controller = QMBAppController::create();
        auto& services = m_controller->services();
        services.handleStartFromReadOnlyLocation = [this] { m_steps << QStringLiteral("read-only check"); };
        services.migrateCategories = [this] { m_steps << QStringLiteral("migrate"); };
        services.checkForCrash = [this] { m_steps << QStringLiteral("crash log"); };
        services.checkForUpdate = [this] { m_steps << QStringLiteral("update"); };
        services.ebayAPIReachable = [this] {
            m_steps << QStringLiteral("version check");
            return m_reachable;
        };
        services.showIntroPanel = [this](QMBAppController&) { m_steps << QStringLiteral("assistant"); };
        services.openUntitledDocument = [this] { m_steps << QStringLiteral("untitled"); };
        services.openDocument = [this](const QString& path, const QByteArray& contents, QString*) {
            m_steps << QStringLiteral("open ") + QFileInfo(path).fileName() + QStringLiteral(": ") +
                           QString::fromUtf8(contents);
            return true;
        };
    }
    ~Launch() override
    {
        auto manager = QMOperationManager::sharedQMOperationManager();
        manager->multiThreadedOperationQueue().waitUntilAllOperationsAreFinished();
        QCoreApplication::processEvents();
        QMEbayDataSource::install(nullptr);
        m_controller.reset();
        QMCategoryDataManager::sharedQMCategoryDataManager()->unloadAll();
        QMLogManager::resetSharedInstance();
    }

    // A listing file in the test's folder that holds its own name.
    QString listing(const QString& name) const
    {
        const QString path = m_xdg.path(QStringLiteral("listings/") + name);
        writeFile(path, name.toUtf8());
        return path;
    }

    // The number of documents opened once the arguments' files have been read.
    int openAndWait(const QStringList& arguments)
    {
        int opened = -1;
        m_controller->openFilesAndURLs(arguments, [&](int count) { opened = count; });
        EXPECT_TRUE(QTest::qWaitFor([&] { return opened >= 0; }, 30000));
        return opened;
    }

    static void makeCategoryStore(bool deprecated)
    {
        const qint64 site = QMPreferencesManager::sharedInstance().defaultSiteID();
        writeFile(deprecated ? SQCategoryDataManager::filePathInFolder(dw::paths::applicationSupportFolder(),
                                                                       QStringLiteral("Categories%@.data"), site)
                             : SQCategoriesDatabase::storePathForSiteID(site),
                  "store");
    }

    dw::test::TemporaryXdg m_xdg;
    dw::test::ScriptedAlertPresenter m_alerts;
    std::shared_ptr<QMBAppController> m_controller;
    QStringList m_steps;
    bool m_reachable = false;
};

} // namespace

TEST(StartUp, RegistersTheDefaultsThenTheLocalizedOnesWithTheFooterAndTheMoneyTransformer)
{
    struct Row
    {
        const char* name;
        bool defaults;
        bool localized;
        bool footer;
        const char* assertion;
    } rows[] = {
        {"every resource", true, true, true, nullptr},
        {"no footer", true, true, false, nullptr},
        {"no defaults", false, true, true, "couldn't find defaults.plist"},
        {"no localized defaults", true, false, true, "couldn't find localized_defaults.plist"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        dw::test::TemporaryXdg xdg;
        dw::ValueTransformer::setValueTransformer(nullptr, QStringLiteral("QMEbayMoneyTransformer"));
        const QString resources = xdg.path(QStringLiteral("resources/"));
        QDir().mkpath(resources);
        if (row.defaults)
            writeFile(resources + QStringLiteral("defaults.plist"),
                      plist("<key>greeting</key><string>plain</string><key>plainOnly</key><integer>3</integer>"));
        if (row.localized)
            writeFile(resources + QStringLiteral("localized_defaults.plist"),
                      plist("<key>greeting</key><string>localized</string>"));
        if (row.footer)
            writeFile(resources + QStringLiteral("DefaultFooter.rtf"), "{\\rtf1 Thank you!}");
        const dw::test::ScopedEnv folder("QV_RESOURCES_DIR", resources.toUtf8());

        if (row.assertion) {
            try {
                QMBAppController::registerDefaults();
                ADD_FAILURE() << "no assertion";
            } catch (const dw::InternalInconsistency& broken) {
                EXPECT_TRUE(QString::fromUtf8(broken.what()).contains(QLatin1String(row.assertion))) << broken.what();
            }
            continue;
        }
        QMBAppController::registerDefaults();
        const auto& defaults = dw::UserDefaults::standard();
        EXPECT_EQ(defaults.stringForKey(QStringLiteral("greeting")), QStringLiteral("localized")) << "registered last";
        EXPECT_EQ(defaults.integerForKey(QStringLiteral("plainOnly")), 3);
        EXPECT_EQ(defaults.dataForKey(QStringLiteral("footerData")),
                  row.footer ? QByteArray("{\\rtf1 Thank you!}") : QByteArray());
        QMEbayItem item;
        item.setMinimumBid(QStringLiteral("12,5"));
        EXPECT_EQ(item.minimumBid(), QStringLiteral("12.50")) << "the money transformer is found by its name";
    }
}

TEST_F(Launch, AwakeningRegistersTheDesignTemplatesFromVersion214)
{
    m_controller->awakeFromNib();
    const auto& templates = QMDesignTemplateManager::sharedInstance();
    EXPECT_EQ(templates.minimumQMTemplateVersion(), 214);
    EXPECT_FALSE(templates.designTemplates().isEmpty());
}

TEST_F(Launch, FirstRunDecision)
{
    struct Row
    {
        const char* name;
        bool alwaysShowIntro;
        bool store;
        bool deprecatedStore;
        bool processingOpenFile;
        bool intro;
        bool untitled;
    } rows[] = {
        {"first start", false, false, false, false, true, false},
        {"first start opening a document", false, false, false, true, false, false},
        {"category store", false, true, false, false, false, true},
        {"old category file", false, false, true, false, false, true},
        {"always show the assistant", true, true, false, false, true, false},
        {"always, while a document opens", true, true, false, true, true, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        dw::test::TemporaryXdg xdg;
        ASSERT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
        if (row.store || row.deprecatedStore)
            makeCategoryStore(row.deprecatedStore);
        dw::UserDefaults::standard().setBool(row.alwaysShowIntro, QStringLiteral("alwaysShowIntro"));
        m_controller->setProcessingOpenFile(row.processingOpenFile);
        EXPECT_EQ(m_controller->shouldOpenIntroWindow(), row.intro);
        EXPECT_EQ(m_controller->applicationShouldOpenUntitledFile(), row.untitled);
    }
}

TEST_F(Launch, TheAssistantReplacesTheLaunchChecksAndAnUntitledDocumentFollowsIt)
{
    m_controller->applicationDidFinishLaunching();
    EXPECT_EQ(m_steps, (QStringList{QStringLiteral("read-only check"), QStringLiteral("assistant")}));
    EXPECT_TRUE(m_controller->introWindowIsShown());

    m_controller->introPanelDidFinish();
    EXPECT_EQ(m_steps.last(), QStringLiteral("untitled"));
    EXPECT_FALSE(m_controller->introWindowIsShown());
}

TEST_F(Launch, VersionCheckAfterTheConfiguredNumberOfDays)
{
    const QDateTime now = QDateTime(QDate(2027, 3, 1), QTime(12, 0), QTimeZone::utc());
    dw::ManualClock clock(now);
    dw::ScopedClock useClock(clock);
    const QStringList checks{QStringLiteral("read-only check"), QStringLiteral("migrate"), QStringLiteral("crash log"),
                             QStringLiteral("update")};
    struct Row
    {
        const char* name;
        std::optional<double> daysAgo;
        bool check;
    } rows[] = {
        {"never checked", std::nullopt, true}, {"6 days ago", 6, false},
        {"exactly 7 days ago", 7, false},      {"8 days ago", 8, true},
        {"a date in the future", -1, false},
    };
    makeCategoryStore(false);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        m_steps.clear();
        auto& preferences = QMPreferencesManager::sharedInstance();
        preferences.setCategoriesCheckInterval(7);
        preferences.setCategoriesLastCheckDate(row.daysAgo ? now.addSecs(qint64(-*row.daysAgo * 86400)) : QDateTime());
        m_controller->applicationDidFinishLaunching();
        EXPECT_EQ(m_steps, row.check ? checks + QStringList{QStringLiteral("version check")} : checks);
    }
}

TEST_F(Launch, DocumentsAndTheCallbackAmongTheArgumentsOpen)
{
    bool tokenWanted = false;
    auto& center = dw::NotificationCenter::defaultCenter();
    const dw::ScopedObservation observation(
        center, center.addObserver(QLatin1String(kQMEbayTokenShouldBeFetchedNotification), nullptr,
                                   [&](const dw::Notification&) { tokenWanted = true; }));
    const QString lamp = listing(QStringLiteral("lamp.qvlisting"));
    const QString chair = listing(QStringLiteral("chair one.qvlisting"));
    const int opened = openAndWait({lamp, QUrl::fromLocalFile(chair).toString(),
                                    QStringLiteral("quillmartvodar://org.quillmart.Vodar.gettoken/done?ebaytkn=")});
    EXPECT_EQ(opened, 2);
    EXPECT_EQ(m_steps, (QStringList{QStringLiteral("open lamp.qvlisting: lamp.qvlisting"),
                                    QStringLiteral("open chair one.qvlisting: chair one.qvlisting")}));
    EXPECT_TRUE(tokenWanted);
}

// What a start names is read on a worker and only when it is an ordinary file: a device that never
// ends or a pipe that nobody writes to is refused at once, and each refusal is shown to the seller.
TEST_F(Launch, ADocumentThatCannotBeOpenedIsReportedToTheSeller)
{
    m_controller->services().openDocument = [this](const QString& path, const QByteArray&, QString* error) {
        if (path.endsWith(QLatin1String("lamp.qvlisting"))) {
            m_steps << QStringLiteral("open lamp.qvlisting");
            return true;
        }
        *error = QStringLiteral("The file is damaged or is not a listing document.");
        return false;
    };
    const QString pipe = m_xdg.path(QStringLiteral("pipe.qvlisting"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const int opened =
        openAndWait({listing(QStringLiteral("broken.qvlisting")), QStringLiteral("/dev/zero"), pipe,
                     m_xdg.path(QStringLiteral("missing.qvlisting")), listing(QStringLiteral("lamp.qvlisting"))});
    EXPECT_EQ(opened, 1);
    EXPECT_EQ(m_steps, QStringList{QStringLiteral("open lamp.qvlisting")}) << "one damaged file stops no other";
    const QString notAFile = QStringLiteral("It is not an ordinary file but a folder, a device or a pipe.");
    const std::pair<QString, QString> expected[] = {
        {QStringLiteral("broken.qvlisting"), QStringLiteral("The file is damaged or is not a listing document.")},
        {QStringLiteral("zero"), notAFile},
        {QStringLiteral("pipe.qvlisting"), notAFile},
        {QStringLiteral("missing.qvlisting"), QStringLiteral("No such file or directory")},
    };
    ASSERT_EQ(m_alerts.alerts().size(), std::size(expected));
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_EQ(m_alerts.alerts()[qsizetype(i)].messageText,
                  QStringLiteral("The document “%1” could not be opened.").arg(expected[i].first));
        EXPECT_EQ(m_alerts.alerts()[qsizetype(i)].informativeText, expected[i].second);
    }
}

TEST_F(Launch, AStartWithoutArgumentsWhileNoWindowIsShownOpensAnUntitledDocument)
{
    makeCategoryStore(false);
    QMBSingleInstance instance;
    m_controller->awakeFromNib(&instance);
    m_steps.clear();
    Q_EMIT instance.argumentsReceived({});
    EXPECT_EQ(m_steps, QStringList{QStringLiteral("untitled")}) << "the last document was closed: a new one";

    QWidget window;
    window.show();
    m_steps.clear();
    Q_EMIT instance.argumentsReceived({});
    EXPECT_TRUE(m_steps.isEmpty()) << "a window is there: it comes to the front";
    window.hide();
    Q_EMIT instance.argumentsReceived({listing(QStringLiteral("lamp.qvlisting"))});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_steps.isEmpty(); }, 30000));
    EXPECT_EQ(m_steps, QStringList{QStringLiteral("open lamp.qvlisting: lamp.qvlisting")})
        << "a document named: no untitled one";
}

TEST_F(Launch, OnlyTheExactCallbackAddressAsksForTheToken)
{
    struct Row
    {
        const char* address;
        bool accepted;
    } rows[] = {
        {"quillmartvodar://org.quillmart.Vodar.gettoken/ok?ebaytkn=&tknexp=", true},
        {"QuillmartVodar://org.quillmart.Vodar.gettoken", true},
        {"quillmartvodar://org.quillmart.vodar.gettoken/", false},
        {"quillmartvodar://org.quillmart.Vodar.gettoken.example.com/", false},
        {"quillmartvodar://org.quillmart.Vodar/", false},
        {"https://org.quillmart.Vodar.gettoken/", false},
        {"quillmartvodar:org.quillmart.Vodar.gettoken", false},
        {"", false},
    };
    int posted = 0;
    auto& center = dw::NotificationCenter::defaultCenter();
    const dw::ScopedObservation observation(center,
                                            center.addObserver(QLatin1String(kQMEbayTokenShouldBeFetchedNotification),
                                                               nullptr, [&](const dw::Notification&) { ++posted; }));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.address);
        dw::ScopedConsoleCapture console;
        posted = 0;
        EXPECT_EQ(m_controller->openUrl(QString::fromLatin1(row.address)), row.accepted);
        EXPECT_EQ(posted, row.accepted ? 1 : 0);
        EXPECT_EQ(console.contains(QStringLiteral("not the sign-in callback")), !row.accepted);
        EXPECT_FALSE(console.contains(QStringLiteral("ebaytkn"))) << "the rest of an address stays out of the log";
    }
}

TEST_F(Launch, SignInAddressCarriesTheSessionAndTheEscapedReturnParameters)
{
    dw::UserDefaults::standard().setObject(QStringLiteral("Quillmart-RuName"), QStringLiteral("eBayRuName"));
    auto& preferences = QMPreferencesManager::sharedInstance();
    for (const bool sandbox : {false, true}) {
        SCOPED_TRACE(sandbox ? "sandbox" : "production");
        preferences.setIsRunningInSandbox(sandbox);
        const QString address = m_controller->authorizeURLForSessionID(QStringLiteral("S-1"));
        const QString base =
            QMSiteDescriptionManager::sharedInstance().authorizeURLForSiteID(preferences.defaultSiteID(), sandbox);
        EXPECT_FALSE(base.isEmpty());
        EXPECT_EQ(address,
                  base + QStringLiteral("?SignIn&RuName=%1&SessID=S-1&ruparams=QMVersion%3D1%26QMLanguage%3Den")
                             .arg(preferences.ruName()));
    }
}

namespace {

// The download server's versions as the test sets them.
class Versions : public QMEbayDataSource
{
public:
    qint64 tree = 0;
    qint64 sets = 0;
    QByteArray categoryTreeDataForSiteID(const QString&) override { return {}; }
    QByteArray characteristicSetsDataForSiteID(const QString&) override { return {}; }
    qint64 categoryTreeVersionForSiteID(const QString&) override { return tree; }
    qint64 attributeDataVersionForSiteID(const QString&) override { return sets; }
    bool saveCategoryTreeFileData(const QByteArray&, qint64) override { return false; }
    bool saveCharacteristicSetsFileData(const QByteArray&, qint64) override { return false; }
};

} // namespace

TEST_F(Launch, VersionCheckOffersNewerDataAndDownloadsOnlyWhatChanged)
{
    const QString stores = QStringLiteral(DW_CATEGORY_TEST_STORES);
    const dw::ManualClock clock(QDateTime(QDate(2027, 3, 1), QTime(12, 0), QTimeZone::utc()));
    const dw::ScopedClock useClock(clock);
    // The server has the versions of the test stores of site 77: tree 12, characteristic sets 8.
    auto versions = std::make_shared<Versions>();
    versions->tree = 12;
    versions->sets = 8;
    QMEbayDataSource::install(versions);
    m_reachable = true;
    m_controller->registerForOperationNotifications();

    struct Row
    {
        const char* name;
        bool silent;
        bool localTree; // the local sets are always version 8
        int answer;
        QStringList alerts;
        std::optional<std::pair<bool, bool>> download; // tree, sets
    } rows[] = {
        {"silent, up to date", true, true, 0, {}, std::nullopt},
        {"asked, up to date, download anyway",
         false,
         true,
         1,
         {QStringLiteral("eBay Data Up To Date")},
         std::pair{true, true}},
        {"silent, a newer tree", true, false, 0, {QStringLiteral("New eBay Data Available")}, std::pair{true, false}},
        {"a newer tree, cancelled", true, false, 1, {QStringLiteral("New eBay Data Available")}, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        dw::test::TemporaryXdg xdg;
        auto categories = QMCategoryDataManager::sharedQMCategoryDataManager();
        categories->unloadAll();
        QMPreferencesManager::sharedInstance().setDefaultSiteID(77);
        const auto read = [&](const char* name) {
            QFile file(stores + u'/' + QLatin1String(name));
            EXPECT_TRUE(file.open(QIODevice::ReadOnly));
            return file.readAll();
        };
        ASSERT_TRUE(categories->saveCharacteristicSetsFileData(read("Attributes.site77.sqlite"), 77));
        if (row.localTree) {
            ASSERT_TRUE(categories->saveCategoryTreeFileData(read("Categories.site77.sqlite"), 77));
        }

        // What the download was asked for, as it started (a failed tree download clears the sets).
        std::optional<std::pair<bool, bool>> download;
        bool downloadSilent = true;
        bool ended = false;
        bool panelWhileChecking = false;
        auto& center = dw::NotificationCenter::defaultCenter();
        const dw::ScopedObservation started(
            center, center.addObserver(
                        QLatin1String(DWNSNotificationOperation_started), nullptr, [&](const dw::Notification& note) {
                            const auto operation = note.object.shared<DWNSOperation>();
                            if (auto data = std::dynamic_pointer_cast<QMGetEbayDataOperation>(operation)) {
                                download = std::pair{data->downloadCategoryTree(), data->downloadCharacteristicSets()};
                                downloadSilent = data->runSilent();
                            } else if (std::dynamic_pointer_cast<QMGetEbayDataVersionsOperation>(operation)) {
                                panelWhileChecking = m_controller->progressPanelForOperation(operation.get());
                            }
                        }));
        const dw::ScopedObservation endedObservation(
            center, center.addObserver(QLatin1String(DWNSNotificationOperation_ended), nullptr,
                                       [&](const dw::Notification& note) {
                                           const auto operation = note.object.shared<DWNSOperation>();
                                           if (std::dynamic_pointer_cast<QMGetEbayDataVersionsOperation>(operation))
                                               ended = !m_controller->progressPanelForOperation(operation.get());
                                       }));
        m_alerts.clear();
        if (!row.alerts.isEmpty())
            m_alerts.answer(row.answer);
        ASSERT_TRUE(m_controller->checkCategoryTreeVersionSilent(row.silent));
        ASSERT_TRUE(QTest::qWaitFor([&] { return ended; }, 10000)) << "ended, its panel gone";
        dw::test::drainMainThread(dw::test::waitForOperationQueues);
        EXPECT_EQ(panelWhileChecking, !row.silent) << "only an asked-for check shows its progress";
        EXPECT_EQ(m_alerts.titles().mid(0, 1), row.alerts);
        EXPECT_EQ(QMPreferencesManager::sharedInstance().categoriesLastCheckDate(), clock.now());
        if (row.download) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return download.has_value(); }, 10000));
            EXPECT_EQ(*download, *row.download);
            EXPECT_FALSE(downloadSilent);
        } else {
            EXPECT_FALSE(download);
        }
        dw::test::drainMainThread(dw::test::waitForOperationQueues);
        categories->unloadAll();
    }
}

// A failed check or download is said (even when silent), but not during the assistant, which says
// it itself; either way it is no check, so the next start tries again.
TEST_F(Launch, AFailedCheckOrDownloadIsSaidButNotDuringTheAssistantAndCountsAsNoCheck)
{
    QMEbayDataSource::install(std::make_shared<Versions>()); // nothing can be read
    m_reachable = true;
    m_controller->registerForOperationNotifications();
    const QStringList error{QStringLiteral("Resource Download Error")};
    struct Row
    {
        const char* name;
        bool assistant;
        std::function<void()> start;
        QStringList alerts;
    };
    const Row rows[] = {
        {"a silent version check", false, [this] { ASSERT_TRUE(m_controller->checkCategoryTreeVersionSilent(true)); },
         error},
        {"a download", false, [this] { m_controller->downloadeBayDataIncludingCategoryTree(true, false, 77); }, error},
        {"a version check during the assistant",
         true,
         [this] { ASSERT_TRUE(m_controller->checkCategoryTreeVersionSilent(true)); },
         {}},
        {"a download during the assistant",
         true,
         [this] { m_controller->introPanelDownloadMissingeBayDataForSiteID(77); },
         {}},
    };
    auto& center = dw::NotificationCenter::defaultCenter();
    bool ended = false;
    const dw::ScopedObservation endedObservation(
        center,
        center.addObserver(QLatin1String(DWNSNotificationOperation_ended), nullptr, [&](const dw::Notification& note) {
            const auto operation = note.object.shared<DWNSOperation>();
            if (std::dynamic_pointer_cast<QMGetEbayDataVersionsOperation>(operation) ||
                std::dynamic_pointer_cast<QMGetEbayDataOperation>(operation))
                ended = true;
        }));
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.assistant)
            m_controller->showIntroWindow();
        m_alerts.clear();
        ended = false;
        row.start();
        // The delegate observed the end before this test did; its alerts come on later turns.
        ASSERT_TRUE(QTest::qWaitFor([&] { return ended; }, 10000));
        if (!row.alerts.isEmpty()) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return !m_alerts.alerts().isEmpty(); }, 10000));
        }
        for (int turn = 0; turn < 3; ++turn)
            QCoreApplication::processEvents();
        EXPECT_EQ(m_alerts.titles(), row.alerts);
        EXPECT_FALSE(QMPreferencesManager::sharedInstance().categoriesLastCheckDate().isValid())
            << "tried again at the next start";
    }
}

TEST_F(Launch, NothingIsQueuedWhileEbayCannotBeReached)
{
    m_reachable = false;
    EXPECT_FALSE(m_controller->checkCategoryTreeVersionSilent(true));
    EXPECT_EQ(QMOperationManager::sharedQMOperationManager()->multiThreadedOperationQueue().operationCount(), 0);
}

namespace {

class DescriptionEditor final : public QMBDescriptionEditorRoute
{
public:
    explicit DescriptionEditor(QObject* view) : m_view(view) {}
    bool isFrontDescriptionView(QObject* target) const override { return target == m_view; }
    void selectAll(QObject*) override { ++selectAlls; }
    bool shouldPasteWithSender(QObject*) override
    {
        ++pasteQuestions;
        return allowsPaste;
    }
    int selectAlls = 0;
    int pasteQuestions = 0;
    bool allowsPaste = false;

private:
    QObject* m_view;
};

} // namespace

TEST(EditingCommands, SelectAllAndPasteInTheDescriptionGoToItsEditor)
{
    QLineEdit description;
    QLineEdit title;
    const auto editor = std::make_shared<DescriptionEditor>(&description);
    QMBApplication::setDescriptionEditorRoute(editor);
    QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));

    EXPECT_FALSE(QMBApplication::sendAction(QStringLiteral("paste:"), &description, nullptr));
    EXPECT_EQ(description.text(), QString()) << "the editor refused";
    editor->allowsPaste = true;
    EXPECT_TRUE(QMBApplication::sendAction(QStringLiteral("paste:"), &description, nullptr));
    EXPECT_EQ(description.text(), QStringLiteral("pasted"));
    EXPECT_EQ(editor->pasteQuestions, 2);

    EXPECT_TRUE(QMBApplication::sendAction(QStringLiteral("selectAll:"), &description, nullptr));
    EXPECT_EQ(editor->selectAlls, 1);
    EXPECT_FALSE(description.hasSelectedText()) << "the editor selects, not the view";

    editor->allowsPaste = false;
    EXPECT_TRUE(QMBApplication::sendAction(QStringLiteral("paste:"), &title, nullptr));
    EXPECT_EQ(title.text(), QStringLiteral("pasted")) << "any other field pastes as ever";
    EXPECT_EQ(editor->pasteQuestions, 2);
    QMBApplication::setDescriptionEditorRoute(nullptr);
}

// The Edit menu names the step it would take back: what was typed into the field that has the
// focus, else the last step of the documents' history.
TEST_F(Launch, TheEditMenuNamesTheStepToUndo)
{
    QWidget window;
    auto* field = new QLineEdit(&window);
    QMenuBar bar;
    m_controller->addApplicationMenus(&bar);
    auto* edit = bar.findChild<QMenu*>(QStringLiteral("editMenu"));
    ASSERT_TRUE(edit);
    const auto shown = [&]() -> QString {
        Q_EMIT edit->aboutToShow();
        return bar.findChild<QAction*>(QStringLiteral("undoAction"))->text() + u'|' +
               bar.findChild<QAction*>(QStringLiteral("redoAction"))->text();
    };
    EXPECT_EQ(shown(), QStringLiteral("Undo|Redo"));

    auto* history = QMUndoManager::sharedQMUndoManager();
    auto* step = new QUndoCommand(QStringLiteral("Change Title"));
    history->push(step);
    EXPECT_EQ(shown(), QStringLiteral("Undo Change Title|Redo")) << "also while its event's group is open";
    history->closeEventGroup();
    EXPECT_EQ(shown(), QStringLiteral("Undo Change Title|Redo"));
    history->undo();
    EXPECT_EQ(shown(), QStringLiteral("Undo|Redo Change Title"));
    history->clear();

    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("Camera"));
    EXPECT_EQ(shown(), QStringLiteral("Undo Typing|Redo"));
    field->undo();
    EXPECT_EQ(shown(), QStringLiteral("Undo|Redo Typing"));
}

TEST(EditingCommands, UndoWithoutAFieldOfItsOwnUndoesTheDocumentsHistory)
{
    class Set final : public QUndoCommand
    {
    public:
        explicit Set(int& value) : m_value(value) {}
        void redo() override { m_value = 1; }
        void undo() override { m_value = 0; }

    private:
        int& m_value;
    };
    int value = 0;
    QMUndoManager::sharedQMUndoManager()->push(new Set(value));
    EXPECT_TRUE(QMBApplication::sendAction(QStringLiteral("undo:"), nullptr, nullptr));
    EXPECT_EQ(value, 0);
    EXPECT_TRUE(QMBApplication::sendAction(QStringLiteral("redo:"), nullptr, nullptr));
    EXPECT_EQ(value, 1);
    QMUndoManager::sharedQMUndoManager()->clear();
}

TEST_F(Launch, ATokenFetchShowsItsProgressAndItsErrorButLeavesBothToTheAssistant)
{
    dw::test::FakeTradingApi ebay;
    ebay.setReply(
        QStringLiteral("FetchToken"),
        R"(<?xml version="1.0" encoding="UTF-8"?><FetchTokenResponse xmlns="urn:ebay:apis:eBLBaseComponents">)"
        "<Ack>Failure</Ack><Errors><ShortMessage>Invalid session.</ShortMessage>"
        "<LongMessage>The session has expired.</LongMessage><ErrorCode>21916016</ErrorCode>"
        "<SeverityCode>Error</SeverityCode></Errors></FetchTokenResponse>");
    const auto connectors = std::make_shared<dw::test::FakeConnectors>(ebay.url());
    const auto manager = QMOperationManager::sharedQMOperationManager();
    manager->setDelegate(connectors);
    m_controller->registerForOperationNotifications();

    std::optional<bool> panelWhileFetching;
    bool ended = false;
    auto& center = dw::NotificationCenter::defaultCenter();
    const dw::ScopedObservation started(
        center, center.addObserver(
                    QLatin1String(DWNSNotificationOperation_started), nullptr, [&](const dw::Notification& note) {
                        const auto operation = note.object.shared<DWNSOperation>();
                        if (std::dynamic_pointer_cast<QMFetchTokenOperation>(operation))
                            panelWhileFetching = m_controller->progressPanelForOperation(operation.get());
                    }));
    const dw::ScopedObservation endedObservation(
        center,
        center.addObserver(QLatin1String(DWNSNotificationOperation_ended), nullptr, [&](const dw::Notification& note) {
            const auto operation = note.object.shared<DWNSOperation>();
            if (std::dynamic_pointer_cast<QMFetchTokenOperation>(operation))
                ended = !m_controller->progressPanelForOperation(operation.get());
        }));

    for (const bool assistant : {false, true}) {
        SCOPED_TRACE(assistant ? "during the assistant" : "from the authorization panel");
        if (assistant)
            m_controller->showIntroWindow();
        m_alerts.clear();
        ended = false;
        panelWhileFetching.reset();
        manager->addFetchTokenOperationForSessionID(QStringLiteral("S-1"), QStringLiteral("ann"),
                                                    QStringLiteral("account-1"), true);
        ASSERT_TRUE(QTest::qWaitFor([&] { return ended; }, 10000)) << "ended, its panel gone";
        EXPECT_EQ(panelWhileFetching, std::optional<bool>(!assistant));
        if (assistant) {
            EXPECT_TRUE(m_alerts.alerts().isEmpty());
        } else {
            ASSERT_EQ(m_alerts.titles(), QStringList{QStringLiteral("eBay Error")});
            EXPECT_FALSE(m_alerts.alerts().first().informativeText.isEmpty());
        }
    }
}

TEST_F(Launch, TheStoreIsToldWhoBuysAndAnUnreachableCatalogueIsSaid)
{
    EXPECT_EQ(QMBAppController::shoppingCartPayloadString(),
              QStringLiteral("program: \"org.quillmart.Vodar\"\nversion: 1"));
    // The store reports from its fetch thread; the alert comes on the main thread.
    std::thread fetch([this] {
        m_controller->paymentControllerErrorOccurredGettingPlist(nullptr, QStringLiteral("Connection refused"),
                                                                 QUrl(QStringLiteral("https://store.example/x")));
    });
    fetch.join();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !m_alerts.alerts().isEmpty(); }, 5000));
    EXPECT_EQ(m_alerts.titles(), QStringList{QStringLiteral("Can't reach server")});
    EXPECT_TRUE(m_alerts.alerts().first().informativeText.contains(QLatin1String("Connection refused")));
}
