#include "UpdaterTestSupport.h"

#include "platform/core/Clock.h"
#include "platform/core/UserDefaults.h"
#include "tests/support/FakeHttpServer.h"
#include "tests/support/ScriptedAlertPresenter.h"
#include "tests/support/TemporaryXdg.h"
#include "updater/DWReadOnlyInstallation.h"
#include "updater/DWUpdaterPreferencesManager.h"
#include "updater/QMUpdateAlertController.h"
#include "updater/QMUpdateArchive.h"
#include "updater/QMUpdateStatusController.h"
#include "updater/QMUpdater.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <sys/stat.h>

using updater_test::Entry;

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class UpdaterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        dw::UserDefaults::standard().setObject(m_server.url(QStringLiteral("/feed")), QStringLiteral("updateURL"));
        // The program's own folder as an installation leaves it, beside another program's file.
        writeFile(installed() + QStringLiteral("/QuillmartVodar"), "#!/bin/sh\n");
        writeFile(installed() + QStringLiteral("/version"), "old");
        writeFile(installed() + QStringLiteral("/installed-files"), "QuillmartVodar\nversion\n");
        writeFile(foreign(), "another program");
        m_updater.setInstalledProgramPath(installed());
        m_updater.setSystemVersion(QStringLiteral("2.36"));
        m_updater.setTrustedPublicKey(updater_test::publicKeyOf(updater_test::kTestReleaseKey));
        m_updater.setDocumentReview([this] {
            m_versionsWhenReviewed.append(readFile(installed() + QStringLiteral("/version")));
            return m_documentsMayClose;
        });
        m_updater.setRelauncher([this](const QString& launchPath, const QString& temporaryFolder) {
            m_relaunches.append({launchPath, temporaryFolder});
            return true;
        });
        m_updater.setTerminator([] {});
    }

    QString installed() const { return m_xdg.path(QStringLiteral("root/lib/quillmartvodar")); }
    QString foreign() const { return m_xdg.path(QStringLiteral("root/lib/othertool")); }
    QString trashed() const { return m_xdg.path(QStringLiteral("data/Trash/files/quillmartvodar")); }

    // Serves a feed naming release 6.2 (build 620) at /release.tar.gz with the given bytes, signed
    // with the tests' release key unless another signature is given.
    void serveRelease(const QByteArray& download, const QString& checksum,
                      const std::optional<QString>& signature = std::nullopt)
    {
        m_server.addRoute({.path = "/feed"},
                          {.status = 200,
                           .body = updater_test::feed({{QStringLiteral("6.2"),
                                                        QStringLiteral("620"),
                                                        m_server.url(QStringLiteral("/release.tar.gz")),
                                                        checksum,
                                                        {},
                                                        false,
                                                        signature.value_or(updater_test::signatureOf(download))}})});
        m_server.addRoute({.path = "/release.tar.gz"}, {.status = 200, .body = download});
    }

    // A check asked for by the user, answered with "Install Update".
    void checkAndInstall()
    {
        m_updater.checkForUpdates();
        ASSERT_TRUE(QTest::qWaitFor([this] { return m_updater.updateAlertController() != nullptr; }, 10000));
        EXPECT_EQ(m_updater.updateAlertController()->titleText(), QStringLiteral("QuillmartVodar 6.2 (620)"));
        m_updater.updateAlertController()->endWithChoice(QMUpdateAlertController::InstallUpdate);
    }
    bool readyToInstall() const
    {
        return m_updater.statusController() && m_updater.statusController()->title() == u"Ready to install" &&
               m_updater.statusController()->actionButton()->isEnabled();
    }

    dw::test::TemporaryXdg m_xdg;
    dw::test::FakeHttpServer m_server;
    dw::test::ScriptedAlertPresenter m_alerts;
    QMUpdater m_updater;
    QList<QStringList> m_relaunches;
    QList<QByteArray> m_versionsWhenReviewed;
    bool m_documentsMayClose = true;
};

TEST_F(UpdaterTest, LaunchChecksWithinTwelveHoursFetchOnce)
{
    dw::ManualClock clock;
    dw::ScopedClock useClock(clock);
    m_server.addRoute({.path = "/feed"},
                      {.status = 200, .body = updater_test::feed({{QStringLiteral("0.1"), QStringLiteral("1")}})});
    QSignalSpy finished(&m_updater, &QMUpdater::updateFinished);

    m_alerts.answer(0); // "Yes" to checking on launch
    m_updater.checkForUpdate();
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(m_alerts.titles(), QStringList{QStringLiteral("Check for new versions on launch?")});
    EXPECT_EQ(DWUpdaterPreferencesManager::checkForUpdates(), std::optional<bool>(true));

    clock.advance(11 * 3600);
    m_updater.checkForUpdate();
    EXPECT_FALSE(m_updater.updateInProgress());
    EXPECT_EQ(m_server.requestCount(), 1u);

    clock.advance(2 * 3600);
    m_updater.checkForUpdate();
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(m_server.requestCount(), 2u);
    EXPECT_EQ(m_alerts.alerts().size(), 1) << "asked once; an automatic check with nothing new says nothing";
    EXPECT_TRUE(m_server.requests()[0].query.contains("GZIP=1"));
}

TEST_F(UpdaterTest, SkippedVersionIsNotOfferedAgainUntilAskedFor)
{
    serveRelease("unused", QString());
    QSignalSpy finished(&m_updater, &QMUpdater::updateFinished);
    m_updater.checkForUpdates();
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_updater.updateAlertController() != nullptr; }, 10000));
    m_updater.checkForUpdatesInBackground();
    EXPECT_EQ(m_server.requestCount(), 1u) << "a silent request while the offer is up does nothing";
    m_updater.updateAlertController()->endWithChoice(QMUpdateAlertController::SkipThisVersion);
    EXPECT_EQ(DWUpdaterPreferencesManager::updaterSkippedReleaseVersion(), QStringLiteral("6.2"));
    EXPECT_FALSE(m_updater.updateInProgress());

    m_updater.checkForUpdatesInBackground();
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(m_updater.updateAlertController(), nullptr);
    EXPECT_TRUE(m_alerts.alerts().isEmpty());

    m_updater.checkForUpdates();
    ASSERT_TRUE(QTest::qWaitFor([this] { return m_updater.updateAlertController() != nullptr; }, 10000));
    m_updater.updateAlertController()->endWithChoice(QMUpdateAlertController::RemindMeLater);
    EXPECT_TRUE(DWUpdaterPreferencesManager::updaterSkippedReleaseVersion().isNull());
    EXPECT_EQ(m_server.requestCount(), 3u);
}

// Only the program's own folder is replaced, and only once the seller has decided about unsaved
// documents: keeping one open leaves everything as it was and the update ready.
TEST_F(UpdaterTest, DownloadReplacesOnlyTheProgramsOwnFolderAfterTheDocumentsAreReviewed)
{
    const QByteArray archive = updater_test::programArchive("6.2");
    serveRelease(archive, updater_test::sha256(archive));
    checkAndInstall();
    ASSERT_TRUE(QTest::qWaitFor([this] { return readyToInstall(); }, 10000));
    EXPECT_EQ(m_updater.statusController()->buttonTitle(), QStringLiteral("Install and Relaunch"));

    m_documentsMayClose = false;
    m_updater.statusController()->actionButton()->click();
    EXPECT_EQ(m_versionsWhenReviewed, QList<QByteArray>{"old"});
    EXPECT_EQ(readFile(installed() + QStringLiteral("/version")), "old");
    EXPECT_FALSE(QFileInfo::exists(trashed()));
    EXPECT_TRUE(m_relaunches.isEmpty());
    EXPECT_TRUE(readyToInstall()) << "the seller may install once the documents are dealt with";

    m_documentsMayClose = true;
    m_updater.statusController()->actionButton()->click();
    EXPECT_EQ(m_versionsWhenReviewed, (QList<QByteArray>{"old", "old"})) << "asked before anything was replaced";
    ASSERT_EQ(m_relaunches.size(), 1);
    EXPECT_EQ(m_relaunches[0][0], installed());
    EXPECT_EQ(m_relaunches[0][1], QFileInfo(m_updater.downloadPath()).absolutePath());
    EXPECT_TRUE(m_updater.downloadPath().startsWith(QDir::cleanPath(m_xdg.path(QStringLiteral("tmp")))))
        << m_updater.downloadPath().toStdString();
    EXPECT_EQ(readFile(installed() + QStringLiteral("/version")), "6.2");
    EXPECT_EQ(QFileInfo(installed() + QStringLiteral("/current")).symLinkTarget(), installed() + "/version");
    EXPECT_EQ(readFile(installed() + QStringLiteral("/installed-files")), "QuillmartVodar\ncurrent\nversion\n")
        << "the next update may replace what this one installed";
    EXPECT_EQ(readFile(trashed() + QStringLiteral("/version")), "old");
    EXPECT_EQ(readFile(foreign()), "another program");
    EXPECT_TRUE(m_alerts.alerts().isEmpty());
}

// A folder that holds what the program did not install (another program's file, a build tree
// without a list) is never replaced, and nothing is downloaded for it.
TEST_F(UpdaterTest, AFolderHoldingOtherFilesIsLeftAsItIs)
{
    const QByteArray archive = updater_test::programArchive("6.2");
    serveRelease(archive, QString());
    struct Row
    {
        const char* name;
        std::function<void()> prepare;
    };
    const Row rows[] = {
        {"another program's file inside", [this] { writeFile(installed() + QStringLiteral("/othertool"), "x"); }},
        {"no list of installed files", [this] { QFile::remove(installed() + QStringLiteral("/installed-files")); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.prepare();
        m_alerts.clear();
        QSignalSpy finished(&m_updater, &QMUpdater::updateFinished);
        checkAndInstall();
        ASSERT_EQ(finished.count(), 1) << "given up at once";
        ASSERT_EQ(m_alerts.alerts().size(), 1);
        EXPECT_TRUE(m_alerts.alerts()[0].informativeText.contains(QStringLiteral("not installed with it")));
        const auto requests = m_server.requests();
        EXPECT_TRUE(std::none_of(requests.begin(), requests.end(), [](const dw::test::FakeHttpRequest& request) {
            return request.path != "/feed";
        })) << "nothing downloaded";
        EXPECT_EQ(readFile(installed() + QStringLiteral("/version")), "old");
        EXPECT_FALSE(QFileInfo::exists(trashed()));
        EXPECT_TRUE(m_versionsWhenReviewed.isEmpty());
        EXPECT_TRUE(m_relaunches.isEmpty());
    }
}

TEST_F(UpdaterTest, AnAppImageReplacesTheInstalledOne)
{
    const QString appImage = m_xdg.path(QStringLiteral("root/QuillmartVodar.AppImage"));
    writeFile(appImage, "old image");
    m_updater.setInstalledProgramPath(appImage);
    const QByteArray download = "new image";
    m_server.addRoute({.path = "/feed"},
                      {.status = 200,
                       .body = updater_test::feed({{QStringLiteral("6.2"),
                                                    QStringLiteral("620"),
                                                    m_server.url(QStringLiteral("/QuillmartVodar.AppImage")),
                                                    updater_test::sha256(download),
                                                    {},
                                                    false,
                                                    updater_test::signatureOf(download)}})});
    m_server.addRoute({.path = "/QuillmartVodar.AppImage"}, {.status = 200, .body = download});
    checkAndInstall();
    ASSERT_TRUE(QTest::qWaitFor([this] { return readyToInstall(); }, 10000));
    m_updater.statusController()->actionButton()->click();
    ASSERT_EQ(m_relaunches.size(), 1);
    EXPECT_EQ(readFile(appImage), "new image");
    EXPECT_TRUE(QFileInfo(appImage).isExecutable());
    EXPECT_EQ(readFile(m_xdg.path(QStringLiteral("data/Trash/files/QuillmartVodar.AppImage"))), "old image");
}

TEST_F(UpdaterTest, FailedOrDamagedDownloadsReplaceNothing)
{
    const QByteArray good = updater_test::programArchive("6.2");
    const QByteArray escaping =
        updater_test::tarGz({{QStringLiteral("QuillmartVodar/version"), "6.2"}, {QStringLiteral("../x"), "escaped"}});
    const char* unpacking = "An error occurred while unpacking the update. Please try again later.";
    const char* downloading = "An error occurred while downloading the update. Please try again later.";
    struct Row
    {
        const char* name;
        QByteArray download;
        QString checksum;
        const char* message;
        std::optional<QString> signature = std::nullopt; // the tests' release key's unless given
    };
    const Row rows[] = {
        {"damaged archive", good.left(good.size() / 2), updater_test::sha256(good.left(good.size() / 2)), unpacking},
        {"not an archive", "garbage", QString(), unpacking},
        {"checksum mismatch", good, updater_test::sha256("something else"), downloading},
        {"entry outside the folder", escaping, QString(), unpacking},
        {"unsigned", good, updater_test::sha256(good), downloading, QString()},
        {"signed with another key", good, updater_test::sha256(good), downloading,
         updater_test::signatureOf(good, updater_test::kOtherKey)},
        {"signature of another download", good, QString(), downloading, updater_test::signatureOf("something else")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        dw::test::FakeHttpServer server;
        dw::UserDefaults::standard().setObject(server.url(QStringLiteral("/feed")), QStringLiteral("updateURL"));
        server.addRoute({.path = "/feed"}, {.status = 200,
                                            .body = updater_test::feed(
                                                {{QStringLiteral("6.2"),
                                                  QStringLiteral("620"),
                                                  server.url(QStringLiteral("/release.tar.gz")),
                                                  row.checksum,
                                                  {},
                                                  false,
                                                  row.signature.value_or(updater_test::signatureOf(row.download))}})});
        server.addRoute({.path = "/release.tar.gz"}, {.status = 200, .body = row.download});
        m_alerts.clear();
        QSignalSpy finished(&m_updater, &QMUpdater::updateFinished);
        checkAndInstall();
        ASSERT_TRUE(finished.wait(10000));
        EXPECT_FALSE(m_updater.updateInProgress());
        ASSERT_EQ(m_alerts.alerts().size(), 1);
        EXPECT_EQ(m_alerts.alerts()[0].informativeText, QString::fromLatin1(row.message));
        EXPECT_EQ(readFile(installed() + QStringLiteral("/version")), "old");
        EXPECT_TRUE(m_versionsWhenReviewed.isEmpty());
        EXPECT_FALSE(QFileInfo::exists(trashed()));
        EXPECT_TRUE(m_relaunches.isEmpty());
    }
    EXPECT_TRUE(QDir(m_xdg.path(QStringLiteral("tmp"))).entryList({QStringLiteral("x")}, QDir::AllEntries).isEmpty());
}

TEST(UpdateArchive, EntriesThatLeaveTheFolderAreRefused)
{
    QTemporaryDir dir;
    const QString archivePath = dir.filePath(QStringLiteral("update.tar.gz"));
    const QString destination = dir.filePath(QStringLiteral("out/unpacked"));
    struct Row
    {
        const char* name;
        Entry entry;
    };
    const Row rows[] = {
        {"parent", {QStringLiteral("../x"), "escaped"}},
        {"parent inside", {QStringLiteral("QuillmartVodar/../../x"), "escaped"}},
        {"absolute", {dir.filePath(QStringLiteral("x")), "escaped"}},
        {"link out", {QStringLiteral("QuillmartVodar/link"), {}, Entry::Symlink, QStringLiteral("../../x")}},
        {"absolute link", {QStringLiteral("QuillmartVodar/link"), {}, Entry::Symlink, QStringLiteral("/etc")}},
        {"hard link out", {QStringLiteral("QuillmartVodar/hard"), {}, Entry::Hardlink, QStringLiteral("../x")}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QFile file(archivePath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(updater_test::tarGz({{QStringLiteral("QuillmartVodar/version"), "1"}, row.entry}));
        file.close();
        QString error;
        EXPECT_FALSE(QMUpdateArchive::unpack(archivePath, destination, &error));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_FALSE(QFileInfo::exists(destination)) << "nothing of a refused archive stays";
        EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("x"))));
        EXPECT_FALSE(QFileInfo::exists(dir.filePath(QStringLiteral("out/x"))));
    }

    QFile file(archivePath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(updater_test::programArchive("2"));
    file.close();
    QString error;
    EXPECT_TRUE(QMUpdateArchive::unpack(archivePath, destination, &error)) << error.toStdString();
    EXPECT_EQ(readFile(destination + QStringLiteral("/QuillmartVodar/current")), "2");
}

// A link's target is read where the links before it lead, as the file system will read it.
TEST(UpdateArchive, LinksLeadWhereTheLinksBeforeThemLead)
{
    QTemporaryDir dir;
    const QString archivePath = dir.filePath(QStringLiteral("update.tar.gz"));
    const QString destination = dir.filePath(QStringLiteral("out/unpacked"));
    const auto link = [](const char* path, const char* target) {
        return Entry{QString::fromLatin1(path), {}, Entry::Symlink, QString::fromLatin1(target)};
    };
    struct Row
    {
        const char* name;
        std::vector<Entry> entries;
        bool accepted;
    };
    const Row rows[] = {
        {"a chain out through a link to its own folder",
         {link("QuillmartVodar/l1", "."), link("QuillmartVodar/l2", "l1/../..")},
         false},
        {"a chain out through a link to a link",
         {link("QuillmartVodar/a", "."), link("QuillmartVodar/b", "a"), link("QuillmartVodar/c", "b/../../..")},
         false},
        {"a link put where an earlier target passed",
         {link("QuillmartVodar/far", "hop/hop"), link("QuillmartVodar/hop", "../..")},
         false},
        {"a file written through a link",
         {{QStringLiteral("QuillmartVodar/lib"), {}, Entry::Folder},
          link("QuillmartVodar/into", "lib"),
          {QStringLiteral("QuillmartVodar/into/x"), "x"}},
         false},
        {"a link replacing a file", {{QStringLiteral("QuillmartVodar/x"), "x"}, link("QuillmartVodar/x", "..")}, false},
        {"links to links that stay inside",
         {{QStringLiteral("QuillmartVodar/lib"), {}, Entry::Folder},
          {QStringLiteral("QuillmartVodar/lib/libquill.so.1.0"), "library"},
          link("QuillmartVodar/lib/libquill.so.1", "libquill.so.1.0"),
          link("QuillmartVodar/libs", "lib"),
          link("QuillmartVodar/current", "libs/../libs/libquill.so.1")},
         true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QFile file(archivePath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(updater_test::tarGz(row.entries));
        file.close();
        QString error;
        EXPECT_EQ(QMUpdateArchive::unpack(archivePath, destination, &error), row.accepted) << error.toStdString();
        EXPECT_EQ(QFileInfo::exists(destination), row.accepted);
        if (row.accepted) {
            EXPECT_EQ(readFile(destination + QStringLiteral("/QuillmartVodar/current")), "library");
        }
        QDir(destination).removeRecursively();
    }
}

TEST(UpdateArchive, ModesBecomeOrdinaryOnes)
{
    QTemporaryDir dir;
    const QString archivePath = dir.filePath(QStringLiteral("update.tar.gz"));
    QFile file(archivePath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(
        updater_test::tarGz({{QStringLiteral("QuillmartVodar"), {}, Entry::Folder, {}, 01777},
                             {QStringLiteral("QuillmartVodar/QuillmartVodar"), "program", Entry::File, {}, 06777},
                             {QStringLiteral("QuillmartVodar/data"), "data", Entry::File, {}, 0666},
                             {QStringLiteral("QuillmartVodar/secret"), "data", Entry::File, {}, 0400}}));
    file.close();
    const QString destination = dir.filePath(QStringLiteral("unpacked"));
    QString error;
    ASSERT_TRUE(QMUpdateArchive::unpack(archivePath, destination, &error)) << error.toStdString();
    const auto mode = [&](const char* path) {
        struct stat info
        {};
        EXPECT_EQ(::lstat(QFile::encodeName(destination + u'/' + QLatin1String(path)).constData(), &info), 0) << path;
        return info.st_mode & 07777;
    };
    EXPECT_EQ(mode("QuillmartVodar"), 0755u);
    EXPECT_EQ(mode("QuillmartVodar/QuillmartVodar"), 0755u) << "no set-user-ID program, nothing world-writable";
    EXPECT_EQ(mode("QuillmartVodar/data"), 0644u);
    EXPECT_EQ(mode("QuillmartVodar/secret"), 0644u);
}

// A small download that would unpack to much more stops at the limits and leaves nothing behind.
TEST(UpdateArchive, ArchiveBombsStopAtTheirLimits)
{
    QTemporaryDir dir;
    const QString archivePath = dir.filePath(QStringLiteral("update.tar.gz"));
    const QString destination = dir.filePath(QStringLiteral("unpacked"));
    struct Row
    {
        const char* name;
        int files;
        qint64 size;
        QMUpdateArchive::Limits limits;
    };
    const Row rows[] = {
        {"ratio", 1, 32 * 1024 * 1024, {}},
        {"total", 3, 1024 * 1024, {.maximumTotalBytes = 2 * 1024 * 1024, .maximumRatio = 1 << 20}},
        {"entries", 12, 1, {.maximumEntries = 10}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(updater_test::writeZeroArchive(archivePath, row.files, row.size));
        ASSERT_LT(QFileInfo(archivePath).size(), 64 * 1024) << "a small download";
        QString error;
        EXPECT_FALSE(QMUpdateArchive::unpack(archivePath, destination, &error, row.limits));
        EXPECT_FALSE(error.isEmpty());
        EXPECT_FALSE(QFileInfo::exists(destination));
    }
}

TEST(ReadOnlyInstallation, MountTableNamesTheMountThatHoldsThePath)
{
    const QByteArray table = "/dev/sda1 / ext4 rw,relatime 0 0\n"
                             "/dev/loop3 /media/Quill\\040Vodar squashfs ro,nodev 0 0\n"
                             "/dev/sdb1 /media/Quill ext4 rw 0 0\n"
                             "overlay /opt overlay ro 0 0\n"
                             "overlay /opt overlay rw 0 0\n";
    struct Row
    {
        const char* path;
        const char* options;
    };
    const Row rows[] = {{"/media/Quill Vodar/QuillmartVodar", "ro,nodev"},
                        {"/media/Quill/QuillmartVodar", "rw"},
                        {"/media/QuillX", "rw,relatime"},
                        {"/opt/QuillmartVodar", "rw"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(dw::mountOptionsForPath(QString::fromUtf8(row.path), table), QString::fromLatin1(row.options));
    }
    EXPECT_FALSE(dw::isReadOnlyInstallationAtPath(QDir::tempPath()));
}

// The started program notes whether the old process had ended by then; the old process ends when
// the test closes its input, so the order shows without any waiting for time.
TEST(Relaunch, ScriptWaitsForTheOldProcessThenStartsTheProgramAndCleansUp)
{
    QTemporaryDir dir;
    const QString marker = dir.filePath(QStringLiteral("started"));
    const QString ended = dir.filePath(QStringLiteral("old-ended"));
    const QString program = dir.filePath(QStringLiteral("program"));
    writeFile(program, "#!/bin/sh\nif [ -e '" + ended.toUtf8() + "' ]; then echo after; else echo before; fi > '" +
                           marker.toUtf8() + ".part' && mv '" + marker.toUtf8() + ".part' '" + marker.toUtf8() + "'\n");
    QFile::setPermissions(program, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString temporary = dir.filePath(QStringLiteral("download"));
    writeFile(temporary + QStringLiteral("/update.tar.gz"), "x");

    QProcess old;
    old.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), QStringLiteral("read line; touch \"$0\""), ended});
    ASSERT_TRUE(old.waitForStarted());
    ASSERT_TRUE(QMUpdater::startRelaunchScript(old.processId(), program, temporary));
    // Once the script runs, a script that did not wait would start the program at once.
    const auto scriptRuns = [&] {
        for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
            if (readFile(QStringLiteral("/proc/%1/cmdline").arg(pid)).contains(program.toUtf8()))
                return true;
        }
        return QFileInfo::exists(marker);
    };
    ASSERT_TRUE(QTest::qWaitFor(scriptRuns, 60000));
    old.closeWriteChannel();
    ASSERT_TRUE(old.waitForFinished(60000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(marker); }, 60000));
    EXPECT_EQ(readFile(marker), "after\n") << "not started before the old process had ended";
    EXPECT_TRUE(QTest::qWaitFor([&] { return !QFileInfo::exists(temporary); }, 60000));
}

} // namespace
