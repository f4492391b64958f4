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
#include <gtest/gtest.h>

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
        writeFile(installed() + QStringLiteral("/version"), "old");
        m_updater.setInstalledProgramPath(installed());
        m_updater.setSystemVersion(QStringLiteral("2.36"));
        m_updater.setRelauncher([this](const QString& launchPath, const QString& temporaryFolder) {
            m_relaunches.append({launchPath, temporaryFolder});
            return true;
        });
        m_updater.setTerminator([] {});
    }

    QString installed() const { return m_xdg.path(QStringLiteral("root/QuillmartVodar")); }
    QString trashed() const { return m_xdg.path(QStringLiteral("data/Trash/files/QuillmartVodar")); }

    // Serves a feed naming release 6.2 (build 620) at /release.tar.gz with the given bytes.
    void serveRelease(const QByteArray& download, const QString& checksum)
    {
        m_server.addRoute({.path = "/feed"},
                          {.status = 200,
                           .body = updater_test::feed({{QStringLiteral("6.2"), QStringLiteral("620"),
                                                        m_server.url(QStringLiteral("/release.tar.gz")), checksum}})});
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

    dw::test::TemporaryXdg m_xdg;
    dw::test::FakeHttpServer m_server;
    dw::test::ScriptedAlertPresenter m_alerts;
    QMUpdater m_updater;
    QList<QStringList> m_relaunches;
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

TEST_F(UpdaterTest, DownloadIsUnpackedAndSwappedInWithTheOldOneInTheTrash)
{
    const QByteArray archive = updater_test::programArchive("6.2");
    serveRelease(archive, updater_test::sha256(archive));
    checkAndInstall();
    ASSERT_TRUE(QTest::qWaitFor(
        [this] { return m_updater.statusController() && m_updater.statusController()->title() == u"Ready to install"; },
        10000));
    EXPECT_EQ(m_updater.statusController()->buttonTitle(), QStringLiteral("Install and Relaunch"));
    m_updater.statusController()->actionButton()->click();

    ASSERT_EQ(m_relaunches.size(), 1);
    EXPECT_EQ(m_relaunches[0][0], installed());
    EXPECT_EQ(m_relaunches[0][1], QFileInfo(m_updater.downloadPath()).absolutePath());
    EXPECT_TRUE(m_updater.downloadPath().startsWith(QDir::cleanPath(m_xdg.path(QStringLiteral("tmp")))))
        << m_updater.downloadPath().toStdString();
    EXPECT_EQ(readFile(installed() + QStringLiteral("/version")), "6.2");
    EXPECT_EQ(QFileInfo(installed() + QStringLiteral("/current")).symLinkTarget(), installed() + "/version");
    EXPECT_EQ(readFile(trashed() + QStringLiteral("/version")), "old");
    EXPECT_TRUE(m_alerts.alerts().isEmpty());
}

TEST_F(UpdaterTest, AnAppImageReplacesTheInstalledOne)
{
    const QString appImage = m_xdg.path(QStringLiteral("root/QuillmartVodar.AppImage"));
    writeFile(appImage, "old image");
    m_updater.setInstalledProgramPath(appImage);
    const QByteArray download = "new image";
    m_server.addRoute({.path = "/feed"},
                      {.status = 200,
                       .body = updater_test::feed({{QStringLiteral("6.2"), QStringLiteral("620"),
                                                    m_server.url(QStringLiteral("/QuillmartVodar.AppImage")),
                                                    updater_test::sha256(download)}})});
    m_server.addRoute({.path = "/QuillmartVodar.AppImage"}, {.status = 200, .body = download});
    checkAndInstall();
    ASSERT_TRUE(QTest::qWaitFor(
        [this] { return m_updater.statusController() && m_updater.statusController()->title() == u"Ready to install"; },
        10000));
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
    struct Row
    {
        const char* name;
        QByteArray download;
        QString checksum;
        const char* message;
    };
    const Row rows[] = {
        {"damaged archive", good.left(good.size() / 2), updater_test::sha256(good.left(good.size() / 2)),
         "An error occurred while unpacking the update. Please try again later."},
        {"not an archive", "garbage", QString(),
         "An error occurred while unpacking the update. Please try again later."},
        {"checksum mismatch", good, updater_test::sha256("something else"),
         "An error occurred while downloading the update. Please try again later."},
        {"entry outside the folder", escaping, QString(),
         "An error occurred while unpacking the update. Please try again later."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        dw::test::FakeHttpServer server;
        dw::UserDefaults::standard().setObject(server.url(QStringLiteral("/feed")), QStringLiteral("updateURL"));
        server.addRoute({.path = "/feed"},
                        {.status = 200,
                         .body = updater_test::feed({{QStringLiteral("6.2"), QStringLiteral("620"),
                                                      server.url(QStringLiteral("/release.tar.gz")), row.checksum}})});
        server.addRoute({.path = "/release.tar.gz"}, {.status = 200, .body = row.download});
        m_alerts.clear();
        QSignalSpy finished(&m_updater, &QMUpdater::updateFinished);
        checkAndInstall();
        ASSERT_TRUE(finished.wait(10000));
        EXPECT_FALSE(m_updater.updateInProgress());
        ASSERT_EQ(m_alerts.alerts().size(), 1);
        EXPECT_EQ(m_alerts.alerts()[0].informativeText, QString::fromLatin1(row.message));
        EXPECT_EQ(readFile(installed() + QStringLiteral("/version")), "old");
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

TEST(Relaunch, ScriptWaitsForTheOldProcessThenStartsTheProgramAndCleansUp)
{
    QTemporaryDir dir;
    const QString marker = dir.filePath(QStringLiteral("started"));
    const QString program = dir.filePath(QStringLiteral("program"));
    writeFile(program, "#!/bin/sh\ntouch '" + marker.toUtf8() + "'\n");
    QFile::setPermissions(program, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QString temporary = dir.filePath(QStringLiteral("download"));
    writeFile(temporary + QStringLiteral("/update.tar.gz"), "x");

    QProcess old;
    old.start(QStringLiteral("/bin/sleep"), {QStringLiteral("1")});
    ASSERT_TRUE(old.waitForStarted());
    ASSERT_TRUE(QMUpdater::startRelaunchScript(old.processId(), program, temporary));
    QTest::qWait(300);
    EXPECT_FALSE(QFileInfo::exists(marker)) << "not before the old process has ended";
    ASSERT_TRUE(old.waitForFinished(5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(marker); }, 10000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !QFileInfo::exists(temporary); }, 10000));
}

} // namespace
