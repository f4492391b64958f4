#include "UpdaterTestSupport.h"

#include "tests/support/FakeHttpServer.h"
#include "tests/support/TemporaryXdg.h"
#include "updater/QMReleaseController.h"
#include "updater/QMReleaseParser.h"
#include "updater/QMUpdater.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using updater_test::FeedRelease;

TEST(UpdateFeed, ParserReadsEveryFieldAndNoExternalEntity)
{
    QTemporaryDir dir;
    QFile secret(dir.filePath(QStringLiteral("secret.txt")));
    ASSERT_TRUE(secret.open(QIODevice::WriteOnly));
    secret.write("TOP-SECRET");
    secret.close();
    const QByteArray xml = "<?xml version=\"1.0\"?>\n<!DOCTYPE Feed [<!ENTITY leak SYSTEM \"file://" +
                           secret.fileName().toUtf8() +
                           "\">]>\n"
                           "<Feed><AppName>QuillmartVodar</AppName><Release><Version>0.9</Version></Release><Releases>"
                           "<Release><Version>6.2</Version><BundleVersion>620</BundleVersion>"
                           "<Date>2026-11-02</Date><DownloadLink>https://example.invalid/q.tar.gz</DownloadLink>"
                           "<IsBeta>YES</IsBeta><ShowOnWebsite>NO</ShowOnWebsite>"
                           "<MinSystemVersion>2.31</MinSystemVersion><SHA256>ABCDEF</SHA256>"
                           "<Changes><![CDATA[<b>notes</b>]]></Changes>"
                           "<UpdateConditions><![CDATA[<i>free</i>]]></UpdateConditions></Release>"
                           "<Release><Version>&leak;</Version></Release>"
                           "</Releases></Feed>";
    QMReleaseParser parser(xml);
    parser.parse();
    const QList<QMRelease> releases = parser.parsedReleases();
    ASSERT_GE(releases.size(), 2);
    EXPECT_TRUE(releases[0].versionString.isEmpty()) << "a release outside the list is kept but not read";
    const QMRelease& release = releases[1];
    EXPECT_EQ(release.versionString, QStringLiteral("6.2"));
    EXPECT_EQ(release.bundleVersion, QStringLiteral("620"));
    EXPECT_EQ(release.date.date(), QDate(2026, 11, 2));
    EXPECT_EQ(release.fileURL, QUrl(QStringLiteral("https://example.invalid/q.tar.gz")));
    EXPECT_TRUE(release.isBeta);
    EXPECT_FALSE(release.showOnWebsite);
    EXPECT_EQ(release.minSystemVersion, QStringLiteral("2.31"));
    EXPECT_EQ(release.SHA256Sum, QStringLiteral("abcdef"));
    EXPECT_EQ(release.releaseNotes, QByteArray("<b>notes</b>"));
    EXPECT_EQ(release.updateConditions, QByteArray("<i>free</i>"));
    EXPECT_EQ(release.title, QStringLiteral("QuillmartVodar 6.2 (620)"));
    for (const QMRelease& each : releases)
        EXPECT_FALSE(each.versionString.contains(QStringLiteral("TOP-SECRET")));
}

TEST(UpdateFeed, VersionsCompareComponentByComponent)
{
    struct Row
    {
        const char* a;
        const char* b;
        int expected;
    };
    const Row rows[] = {{"10.10", "10.9", 1}, {"10.4.11", "10.5", -1}, {"2.36", "2.36.0", 0},
                        {"215", "99", 1},     {"6.1b2", "6.1", 1},     {"", "0", 0}};
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.a) + " vs " + row.b);
        EXPECT_EQ(QMRelease::compareVersions(QString::fromLatin1(row.a), QString::fromLatin1(row.b)), row.expected);
        EXPECT_EQ(QMRelease::compareVersions(QString::fromLatin1(row.b), QString::fromLatin1(row.a)), -row.expected);
    }
}

TEST(UpdateFeed, GzipAndPlainFeedsReadAlike)
{
    dw::test::TemporaryXdg xdg;
    dw::test::FakeHttpServer server;
    const QByteArray body = updater_test::feed({{QStringLiteral("6.2"), QStringLiteral("620")},
                                                {QStringLiteral("6.3b1"), QStringLiteral("631"), {}, {}, {}, true},
                                                {QStringLiteral("6.1"), QStringLiteral("610")}});
    server.addRoute({.path = "/plain"}, {.status = 200, .body = body});
    server.addRoute({.path = "/gzip"}, {.status = 200, .body = updater_test::gzip(body)});
    server.addRoute({.path = "/garbage"}, {.status = 200, .body = "\x1f\x8b\x08 not really"});
    server.addRoute({.path = "/empty"}, dw::test::FakeHttpReply{.status = 200});
    server.addRoute({.path = "/moved"}, {.status = 302, .headerFields = {{"Location", "/gzip"}}});
    server.addRoute({.path = "/downgraded"},
                    {.status = 302, .headerFields = {{"Location", "http://example.invalid/f"}}});

    QList<QStringList> versions;
    for (const char* path : {"/plain", "/gzip", "/moved"}) {
        QMReleaseController controller;
        controller.setRunningVersion(QStringLiteral("6.0"));
        QSignalSpy finished(&controller, &QMReleaseController::didFinishLoading);
        controller.fetchReleasesFromURL(QUrl(server.url(QString::fromLatin1(path))));
        ASSERT_TRUE(finished.wait(10000)) << path;
        QStringList sorted;
        for (const QMRelease& release : controller.sortedReleases())
            sorted.append(release.versionString);
        versions.append(sorted);
        EXPECT_EQ(controller.newestRelease()->versionString, QStringLiteral("6.2")) << "no beta for a final version";
        controller.setRunningVersion(QStringLiteral("6.1B2"));
        EXPECT_EQ(controller.newestRelease()->versionString, QStringLiteral("6.3b1"));
    }
    EXPECT_EQ(versions[0], (QStringList{QStringLiteral("6.2"), QStringLiteral("6.1")}));
    EXPECT_EQ(versions[0], versions[1]);
    EXPECT_EQ(versions[0], versions[2]);

    for (const QString& url : {server.url(QStringLiteral("/garbage")), server.url(QStringLiteral("/empty")),
                               server.url(QStringLiteral("/downgraded")), server.url(QStringLiteral("/missing")),
                               QStringLiteral("http://example.invalid/feed")}) {
        SCOPED_TRACE(url.toStdString());
        QMReleaseController controller;
        QSignalSpy failed(&controller, &QMReleaseController::didFailToLoad);
        controller.fetchReleasesFromURL(QUrl(url));
        EXPECT_TRUE(failed.wait(10000));
    }
    EXPECT_TRUE(QMReleaseController::sendToAllowedURL(QUrl(server.url(QStringLiteral("/downgraded"))), {})
                    .errorText.startsWith(QStringLiteral("refused")))
        << "a redirect away from https is not followed";
    EXPECT_FALSE(QMReleaseController::isAllowedURL(QUrl(QStringLiteral("http://example.com/feed"))));
    EXPECT_FALSE(QMReleaseController::isAllowedURL(QUrl(QStringLiteral("file:///etc/passwd"))));
    EXPECT_TRUE(QMReleaseController::isAllowedURL(QUrl(QStringLiteral("https://example.com/feed"))));
}

TEST(UpdateFeed, DecisionTable)
{
    using Step = QMUpdater::Step;
    QMRelease current;
    current.versionString = QStringLiteral("6.1");
    current.bundleVersion = QStringLiteral("610");
    struct Row
    {
        const char* name;
        const char* version;
        const char* build;
        const char* minSystem;
        const char* skipped;
        bool verbose;
        Step expected;
    };
    const Row rows[] = {
        {"newer build", "6.2", "620", "", "", false, Step::Offer},
        {"same build", "6.1", "610", "", "", true, Step::Stop},
        {"older build", "6.0", "600", "", "", true, Step::Stop},
        {"no version text", "", "620", "", "", true, Step::Next},
        {"skipped, automatic", "6.2", "620", "", "6.2", false, Step::Stop},
        {"skipped, asked for", "6.2", "620", "", "6.2", true, Step::Offer},
        {"needs a newer system", "6.2", "620", "2.40", "", true, Step::Next},
        {"system 2.10 above 2.9", "6.2", "620", "2.9", "", false, Step::Offer},
        {"build 1000 above 610", "7.0", "1000", "", "", false, Step::Offer},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QMRelease candidate;
        candidate.versionString = QString::fromLatin1(row.version);
        candidate.bundleVersion = QString::fromLatin1(row.build);
        candidate.minSystemVersion = QString::fromLatin1(row.minSystem);
        EXPECT_EQ(QMUpdater::examineRelease(candidate, current, QStringLiteral("2.10"),
                                            QString::fromLatin1(row.skipped), row.verbose),
                  row.expected);
    }
}
