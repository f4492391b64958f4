#include "description/QMDesignResourceProgress.h"
#include "description/QMDesignTemplate.h"
#include "description/QMDesignTemplateManager.h"

#include "DWEBay2/DWEbayConnector.h"
#include "DWKit/QMLog.h"

#include "model/QMApplicationDefaults.h"
#include "model/QMPreferencesManager.h"

#include "platform/archive/PropertyList.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"

#include "tests/support/FakeHttpServer.h"
#include "tests/support/TemporaryXdg.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <atomic>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

void writeFile(const QString& path, const QByteArray& bytes)
{
    ASSERT_TRUE(dw::paths::ensureFolder(QFileInfo(path).path()));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QVariantMap info(const QString& name, const QString& identifier, const QString& version, qint64 minimum = 0)
{
    return {{QStringLiteral("CFBundleName"), name},
            {QStringLiteral("CFBundleIdentifier"), identifier},
            {QStringLiteral("CFBundleVersion"), version},
            {QStringLiteral("QMMinimumVersion"), minimum},
            {QStringLiteral("QMKeywords"), QStringList{QStringLiteral("Test"), name}}};
}

void writeDesign(const QString& folder, const QVariantMap& infoPlist, const QString& body = QStringLiteral("<p/>"))
{
    writeFile(folder + QStringLiteral("/Info.plist"), dw::plist::write(infoPlist));
    writeFile(folder + QStringLiteral("/body.html"), body.toUtf8());
}

QString userFolder(const QString& name)
{
    return QDir(QMDesignTemplateManager::userTemplatesDirectory()).filePath(name);
}

class DesignTemplates : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
        m_manager.setMinimumQMTemplateVersion(214);
    }

    dw::test::TemporaryXdg m_xdg;
    QMDesignTemplateManager m_manager;
};

} // namespace

TEST_F(DesignTemplates, FoldersAndSingleFilesAreRead)
{
    writeFile(m_xdg.path(QStringLiteral("Shop.html")), "<b>[[item.title]]</b>");
    const auto single = QMDesignTemplate::designTemplateWithPath(m_xdg.path(QStringLiteral("Shop.html")));
    ASSERT_TRUE(single);
    EXPECT_EQ(single->name(), QStringLiteral("Shop"));
    EXPECT_EQ(single->identifier(), QStringLiteral("custom.Shop.html"));
    EXPECT_EQ(single->versionString(), QStringLiteral("1.0"));
    EXPECT_EQ(single->version(), 1.0f);
    EXPECT_TRUE(single->autoIncludeImages());
    EXPECT_EQ(single->body(), QStringLiteral("<b>[[item.title]]</b>"));

    QVariantMap noVersion = info(QStringLiteral("Lower"), QStringLiteral("t.lower"), QString());
    noVersion.remove(QStringLiteral("CFBundleVersion"));
    writeDesign(m_xdg.path(QStringLiteral("Lower.designtemplate")), noVersion,
                QStringLiteral("[[if QMLayoutEnabled_Two_Columns]]a[[endif]][[if QMLayoutEnabled_Wide]]b[[endif]]"
                               "[[if QMLayoutEnabled_Two_Columns]]c[[endif]]"));
    const auto lower = QMDesignTemplate::designTemplateWithPath(m_xdg.path(QStringLiteral("Lower.designtemplate")));
    ASSERT_TRUE(lower);
    EXPECT_TRUE(lower->versionString().isNull());
    EXPECT_EQ(lower->version(), 0.0f);
    EXPECT_FALSE(lower->autoIncludeImages());
    EXPECT_EQ(lower->layoutNames(), (QStringList{QStringLiteral("Two Columns"), QStringLiteral("Wide")}));

    writeDesign(m_xdg.path(QStringLiteral("Nameless.designTemplate")), {{QStringLiteral("CFBundleVersion"), 1}});
    EXPECT_FALSE(QMDesignTemplate::designTemplateWithPath(m_xdg.path(QStringLiteral("Nameless.designTemplate"))));
    writeFile(m_xdg.path(QStringLiteral("notes.txt")), "x");
    EXPECT_FALSE(QMDesignTemplate::designTemplateWithPath(m_xdg.path(QStringLiteral("notes.txt"))));
}

// A design that someone else made may hold a pipe where a file belongs: it is not read (it would
// block for good), and the design reads as broken.
TEST_F(DesignTemplates, APipeInADesignFolderIsNotRead)
{
    const auto pipe = [](const QString& path) {
        ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0) << path.toStdString();
    };
    const QString settings = m_xdg.path(QStringLiteral("Settings.designTemplate"));
    ASSERT_TRUE(dw::paths::ensureFolder(settings));
    pipe(settings + QStringLiteral("/Info.plist"));
    EXPECT_FALSE(QMDesignTemplate::designTemplateWithPath(settings));

    const QString body = m_xdg.path(QStringLiteral("Body.designTemplate"));
    writeFile(body + QStringLiteral("/Info.plist"),
              dw::plist::write(info(QStringLiteral("Body"), QStringLiteral("t.body"), QStringLiteral("1"))));
    pipe(body + QStringLiteral("/body.html"));
    pipe(body + QStringLiteral("/thumbnail.jpg"));
    const auto design = QMDesignTemplate::designTemplateWithPath(body);
    ASSERT_TRUE(design);
    EXPECT_TRUE(design->body().isEmpty());
    EXPECT_TRUE(design->staticPreview().isNull());
}

TEST_F(DesignTemplates, EditingPreviewWrapsWholePictureTagsWithPlaceholders)
{
    writeFile(m_xdg.path(QStringLiteral("Pics.html")),
              "<img src=\"[[a]]\"><img src=\"plain.jpg\"><img class=\"x\" src=\"[[b]]\"/>tail<img src=\"[[c]]\"");
    const auto design = QMDesignTemplate::designTemplateWithPath(m_xdg.path(QStringLiteral("Pics.html")));
    ASSERT_TRUE(design);
    EXPECT_EQ(design->bodyPreparedForEditingPreview(),
              QStringLiteral("[[imageStartElement]]<img src=\"[[a]]\">[[imageEndElement]]<img src=\"plain.jpg\">"
                             "[[imageStartElement]]<img class=\"x\" src=\"[[b]]\"/>[[imageEndElement]]tail"
                             "<img src=\"[[c]]\""));
}

TEST_F(DesignTemplates, RegistrationKeepsTheNewestUsableCopy)
{
    writeDesign(userFolder(QStringLiteral("Linen2.designTemplate")),
                info(QStringLiteral("Classic Linen 2"), QStringLiteral("com.quillmart.design.classic-linen"),
                     QStringLiteral("2.0")));
    writeDesign(
        userFolder(QStringLiteral("Mono.designTemplate")),
        info(QStringLiteral("Mono Copy"), QStringLiteral("com.quillmart.design.modern-mono"), QStringLiteral("1.0")));
    writeDesign(userFolder(QStringLiteral("Future.designTemplate")),
                info(QStringLiteral("Future"), QStringLiteral("t.future"), QStringLiteral("1"), 215));
    writeDesign(userFolder(QStringLiteral("Now.designTemplate")),
                info(QStringLiteral("Now"), QStringLiteral("t.now"), QStringLiteral("1"), 214));
    writeDesign(QDir(QMDesignTemplateManager::paidDesignsDirectory()).filePath(QStringLiteral("Bought.designTemplate")),
                info(QStringLiteral("bought"), QStringLiteral("t.bought"), QStringLiteral("1")));
    m_manager.registerDesignTemplates();

    EXPECT_EQ(m_manager.designTemplateWithIdentifier(QStringLiteral("com.quillmart.design.classic-linen"))->name(),
              QStringLiteral("Classic Linen 2"));
    EXPECT_EQ(m_manager.designTemplateWithIdentifier(QStringLiteral("com.quillmart.design.modern-mono"))->name(),
              QStringLiteral("Modern Mono"));
    EXPECT_FALSE(m_manager.designTemplateWithIdentifier(QStringLiteral("t.future")));
    EXPECT_TRUE(m_manager.designTemplateWithIdentifier(QStringLiteral("t.now")));
    EXPECT_EQ(m_manager.paidDesignIdentifiers(), QStringList{QStringLiteral("t.bought")});

    QStringList names;
    for (const auto& design : m_manager.designTemplates())
        names << design->name();
    EXPECT_EQ(names,
              (QStringList{QStringLiteral("bought"), QStringLiteral("Classic Linen 2"), QStringLiteral("Fresh Market"),
                           QStringLiteral("Gallery Showcase"), QStringLiteral("Harbour Blue"),
                           QStringLiteral("Modern Mono"), QStringLiteral("Now"), QStringLiteral("Sunset Boutique")}));
    EXPECT_EQ(m_manager.keywords().first(), QStringLiteral("All"));
    EXPECT_EQ(m_manager.designTemplatesForKeywords({QStringLiteral("Test"), QStringLiteral("Now")}).size(), 1);
    EXPECT_EQ(m_manager.designTemplatesForKeywords({QStringLiteral("All"), QStringLiteral("Now")}).size(),
              names.size());

    QMPreferencesManager::sharedInstance().setDisabledDesignTemplateIdentifiers({QStringLiteral("t.now")});
    m_manager.updateActiveDesignTemplates();
    EXPECT_EQ(m_manager.activeDesignTemplates().size(), names.size() - 1);
    EXPECT_EQ(m_manager.indexOfActiveTemplateWithIdentifier(QStringLiteral("t.now")),
              QMDesignTemplateManager::NotFound);
    EXPECT_TRUE(m_manager.designTemplateWithIdentifier(QStringLiteral("t.now")));

    const auto mono = m_manager.designTemplateWithIdentifier(QStringLiteral("com.quillmart.design.modern-mono"));
    EXPECT_EQ(m_manager.shortPathForTemplate(*mono), QStringLiteral("built-in/Modern Mono.designTemplate"));
    EXPECT_EQ(m_manager.designTemplateForShortPath(QStringLiteral("built-in/Modern Mono.html")), mono);
}

TEST_F(DesignTemplates, InstallFromTheTemplateServerIsAllOrNothing)
{
    dw::test::FakeHttpServer server;
    server.addRoute({.path = "/designs/Shop/body.html"}, {.status = 200, .body = "<p>[[description]]</p>"});
    server.addRoute({.path = "/designs/Shop/thumbnail.jpg"}, {.status = 300, .body = "JPEG"});
    server.addRoute({.path = "/designs/Broken/body.html"}, {.status = 200, .body = "<p/>"});
    server.addRoute({.path = "/designs/Broken/thumbnail.jpg"}, {.status = 301, .body = "moved"});
    const QString base = server.url(QStringLiteral("/designs"));

    auto shop = QMDesignTemplate::remoteTemplateWithInfoPlist(
        info(QStringLiteral("Shop"), QStringLiteral("t.shop"), QStringLiteral("1")));
    ASSERT_TRUE(m_manager.downloadAndInstallRemoteTemplate(*shop, base));
    const auto installed = m_manager.designTemplateWithIdentifier(QStringLiteral("t.shop"));
    ASSERT_TRUE(installed);
    EXPECT_EQ(installed->path(), userFolder(QStringLiteral("Shop.designTemplate")));
    EXPECT_EQ(installed->body(), QStringLiteral("<p>[[description]]</p>"));
    EXPECT_EQ(installed->imageData(), QByteArray("JPEG"));

    auto broken = QMDesignTemplate::remoteTemplateWithInfoPlist(
        info(QStringLiteral("Broken"), QStringLiteral("t.broken"), QStringLiteral("1")));
    EXPECT_FALSE(m_manager.downloadAndInstallRemoteTemplate(*broken, base));
    QVariantMap escaping = info(QStringLiteral("../../evil"), QStringLiteral("t.evil"), QStringLiteral("1"));
    EXPECT_FALSE(
        m_manager.downloadAndInstallRemoteTemplate(*QMDesignTemplate::remoteTemplateWithInfoPlist(escaping), base));
    escaping = info(QStringLiteral("Evil"), QStringLiteral("t.evil"), QStringLiteral("1"));
    escaping.insert(QStringLiteral("QMRemoteDirectory"), QStringLiteral(".."));
    EXPECT_FALSE(
        m_manager.downloadAndInstallRemoteTemplate(*QMDesignTemplate::remoteTemplateWithInfoPlist(escaping), base));
    EXPECT_EQ(QDir(QMDesignTemplateManager::userTemplatesDirectory())
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("Shop.designTemplate")});
    EXPECT_EQ(server.requests().size(), 4u);

    QImage picture(4, 3, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QBuffer png;
    ASSERT_TRUE(png.open(QIODevice::WriteOnly) && picture.save(&png, "PNG"));
    server.addRoute({.path = "/designs/Pic/thumbnail.jpg"}, {.status = 200, .body = png.data()});
    auto offered = QMDesignTemplate::remoteTemplateWithInfoPlist(
        info(QStringLiteral("Pic"), QStringLiteral("t.pic"), QStringLiteral("1")));
    offered->downloadPreviewThumbFromBaseURL(base);
    EXPECT_EQ(offered->staticPreview().size(), QSize(4, 3));
    EXPECT_EQ(offered->previewThumbnail().size(), QSize(4, 3));
}

TEST_F(DesignTemplates, RemoteResourcesAreCachedAndUsedInTheBody)
{
    dw::test::FakeHttpServer server;
    server.addRoute({.path = "/res/style.css"}, {.status = 200, .body = "p{}"});
    server.addRoute({.path = "/res/missing.png"}, dw::test::FakeHttpReply{.status = 404});
    DWEbayConnector::setAPIServerName(QStringLiteral("127.0.0.1"));
    const QString css = server.url(QStringLiteral("/res/style.css"));
    const QString missing = server.url(QStringLiteral("/res/missing.png"));

    QVariantMap good = info(QStringLiteral("Remote"), QStringLiteral("t.remote"), QStringLiteral("1"));
    good.insert(QStringLiteral("QMRemoteResources"), QStringList{css});
    writeDesign(userFolder(QStringLiteral("Remote.designTemplate")), good,
                QStringLiteral("<link href=\"%1\">").arg(css));
    QVariantMap bad = info(QStringLiteral("Bad"), QStringLiteral("t.bad"), QStringLiteral("1"));
    bad.insert(QStringLiteral("QMRemoteResources"), QStringList{missing});
    writeDesign(userFolder(QStringLiteral("Bad.designTemplate")), bad, QStringLiteral("<img src=\"%1\">").arg(missing));
    QVariantMap escaping = info(QStringLiteral("Escaping"), QStringLiteral(".."), QStringLiteral("1"));
    escaping.insert(QStringLiteral("QMRemoteResources"), QStringList{css});
    m_manager.registerDesignTemplates();

    const auto remote = m_manager.designTemplateWithIdentifier(QStringLiteral("t.remote"));
    const QString cached = m_manager.localPathForCachedResource(css, *remote);
    EXPECT_EQ(cached, QDir(dw::paths::cachesFolder()).filePath(QStringLiteral("DesignTemplates/t.remote/1/style.css")));
    EXPECT_EQ(m_manager.bodyForTemplateUsingCachedResources(*remote),
              QStringLiteral("<link href=\"file://%1\">").arg(cached));
    EXPECT_TRUE(QFile::exists(cached));
    EXPECT_EQ(
        m_manager.bodyForTemplateUsingCachedResources(*m_manager.designTemplateWithIdentifier(QStringLiteral("t.bad"))),
        QStringLiteral("<img src=\"%1\">").arg(missing));
    EXPECT_TRUE(
        m_manager.localPathForCachedResource(css, *QMDesignTemplate::remoteTemplateWithInfoPlist(escaping)).isNull());
    DWEbayConnector::setAPIServerName(QStringLiteral("api.ebay.com"));
}

namespace {

struct ScopedLogging
{
    ScopedLogging() { QMSetLogLevel(1); }
    ~ScopedLogging() { QMResetCachedLogLevel(); }
};

// Records what the manager asks of the progress panel, and where in the run the server was asked.
class RecordingPanel : public QMDesignResourceProgress
{
public:
    void showProgressPanelWithMessage(const QString& message) override
    {
        events << QStringLiteral("show ") + message;
        shown = true;
    }
    void hideProgressPanel() override
    {
        events << QStringLiteral("hide");
        shown = false;
    }
    QStringList events;
    std::atomic<bool> shown{false};
};

} // namespace

TEST_F(DesignTemplates, BoughtDesignsAreFetchedAgainByTheirTransactionIDs)
{
    dw::test::FakeHttpServer server;
    QVariantMap served = info(QStringLiteral("Bought Linen"), QStringLiteral("t.bought"), QStringLiteral("2"));
    server.addRoute({.path = "/templates/paid/TX-42/Info.plist"}, {.status = 200, .body = dw::plist::write(served)});
    std::atomic<bool> gone{false};
    server.addRoute({.path = "/templates/paid/TX-42/body.html"}, [&](const dw::test::FakeHttpRequest&) {
        return gone ? dw::test::FakeHttpReply{.status = 404} : dw::test::FakeHttpReply{.body = "<p>new</p>"};
    });
    server.addRoute({.path = "/templates/paid/TX-42/thumbnail.jpg"}, {.status = 200, .body = "JPEG"});
    dw::UserDefaults::standard().setObject(server.url(QStringLiteral("/templates")),
                                           QStringLiteral("QMDesignTemplateServerURL"));
    QVariantMap bought = info(QStringLiteral("Bought Linen"), QStringLiteral("t.bought"), QStringLiteral("1"));
    bought.insert(QStringLiteral("designShopTransactionID"), QStringLiteral(" TX-\t42\n"));
    writeDesign(
        QDir(QMDesignTemplateManager::paidDesignsDirectory()).filePath(QStringLiteral("Bought Linen.designTemplate")),
        bought, QStringLiteral("<p>old</p>"));
    m_manager.registerDesignTemplates();
    const auto builtIn = m_manager.designTemplateWithIdentifier(QStringLiteral("com.quillmart.design.modern-mono"));
    const auto paid = m_manager.designTemplateWithIdentifier(QStringLiteral("t.bought"));
    ASSERT_TRUE(builtIn && paid);

    ScopedLogging logging;
    dw::ScopedConsoleCapture console;
    EXPECT_FALSE(m_manager.updatePaidDesignTemplates({paid, builtIn}));
    EXPECT_EQ(console.lines(),
              (QStringList{QStringLiteral("re-downloading design: t.bought"),
                           QStringLiteral("ERROR: not a paid design: com.quillmart.design.modern-mono")}));
    EXPECT_TRUE(server.requests().empty()) << "nothing is fetched for a list with a design not bought";

    EXPECT_TRUE(m_manager.updatePaidDesignTemplates({paid}));
    EXPECT_EQ(server.requests().size(), 3u) << "the cleaned transaction ID names the design on the server";
    const auto fetched = m_manager.designTemplateWithIdentifier(QStringLiteral("t.bought"));
    ASSERT_TRUE(fetched);
    EXPECT_EQ(fetched->versionString(), QStringLiteral("2"));
    EXPECT_EQ(fetched->body(), QStringLiteral("<p>new</p>"));
    EXPECT_EQ(fetched->infoPlist()->value(QStringLiteral("designShopTransactionID")), QStringLiteral("TX-42"))
        << "still a bought design";
    EXPECT_EQ(m_manager.paidDesignIdentifiers(), QStringList{QStringLiteral("t.bought")});

    // A design the server no longer has: NO, and the copy at hand stays.
    gone = true;
    EXPECT_FALSE(m_manager.updatePaidDesignTemplates({fetched}));
    EXPECT_EQ(m_manager.designTemplateWithIdentifier(QStringLiteral("t.bought"))->body(), QStringLiteral("<p>new</p>"));
}

TEST_F(DesignTemplates, CachingRemoteResourcesShowsTheProgressPanelMeanwhile)
{
    std::atomic<bool> fetchedWhileShown{false};
    auto panel = std::make_shared<RecordingPanel>();
    dw::test::FakeHttpServer server;
    server.addRoute({.path = "/res/big.css"}, [&](const dw::test::FakeHttpRequest&) {
        fetchedWhileShown = panel->shown.load();
        return dw::test::FakeHttpReply{.status = 200, .body = "p{}", .delay = std::chrono::milliseconds(200)};
    });
    DWEbayConnector::setAPIServerName(QStringLiteral("127.0.0.1"));
    const QString css = server.url(QStringLiteral("/res/big.css"));
    QVariantMap remote = info(QStringLiteral("Remote"), QStringLiteral("t.remote"), QStringLiteral("1"));
    remote.insert(QStringLiteral("QMRemoteResources"), QStringList{css});
    writeDesign(userFolder(QStringLiteral("Remote.designTemplate")), remote);
    m_manager.registerDesignTemplates();
    const auto design = m_manager.designTemplateWithIdentifier(QStringLiteral("t.remote"));

    QMDesignResourceProgress::install(panel);
    EXPECT_TRUE(m_manager.downloadRemoteResourcesForTemplate(*design));
    EXPECT_EQ(panel->events, (QStringList{QStringLiteral("show Caching Design Resources"), QStringLiteral("hide")}));
    EXPECT_TRUE(fetchedWhileShown) << "the file was fetched while the panel showed";
    panel->events.clear();
    EXPECT_TRUE(m_manager.downloadRemoteResourcesForTemplate(*design));
    EXPECT_TRUE(panel->events.isEmpty()) << "nothing to fetch: no panel";
    QMDesignResourceProgress::install(nullptr);
    DWEbayConnector::setAPIServerName(QStringLiteral("api.ebay.com"));
}
