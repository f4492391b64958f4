#include "DWKit/NSBundle+DWExtensions.h"
#include "DWKit/NSFileManager+DWExtensions.h"
#include "DWKit/NSFileManager+DWSecurityExtensions.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/Paths.h"
#include "platform/core/PrivilegedExecution.h"
#include "platform/core/UserDefaults.h"
#include "tests/support/TemporaryXdg.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <gtest/gtest.h>
#include <unistd.h>

namespace {

const QString kPendingSetAsides = QStringLiteral("DWPendingSetAsidePaths");

void writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

// An application folder with a file, a nested file and a link, marked with `version`.
void makeApp(const QString& path, const QByteArray& version)
{
    writeFile(path + QStringLiteral("/version"), version);
    writeFile(path + QStringLiteral("/Contents/MacOS/program"), "binary " + version);
    ASSERT_TRUE(QFile::link(QStringLiteral("Contents/MacOS/program"), path + QStringLiteral("/current")));
}

// Runs the administrator's command as ourselves and records what it was given; `tamper` may
// change the arguments first to make the command fail half way.
class RecordingExecutor
{
public:
    explicit RecordingExecutor(std::function<void(QStringList&)> tamper = {})
        : m_scope([this, tamper](const QString& command, const QStringList& commandArguments) {
              ++calls;
              program = command;
              arguments = commandArguments;
              QStringList run = commandArguments;
              if (tamper)
                  tamper(run);
              QProcess process;
              process.start(command, run);
              process.waitForFinished(-1);
              return dw::PrivilegedResult{true, process.exitCode(), QString()};
          })
    {}

    int calls = 0;
    QString program;
    QStringList arguments;

private:
    dw::ScopedPrivilegedExecutor m_scope;
};

class FileExtensionsTest : public ::testing::Test
{
protected:
    QString path(const QString& relative) const { return m_xdg.path(QStringLiteral("work/") + relative); }
    dw::test::TemporaryXdg m_xdg;
};

} // namespace

TEST(BundleExtensions, NamesAndVersions)
{
    const dw::Bundle bundle({{"CFBundleShortVersionString", "2.1"},
                             {"CFBundleVersion", "214"},
                             {"CFBundleName", "Quill"},
                             {"CFBundleDisplayName", "Not localized"}},
                            {{"CFBundleName", "Quill DE"}, {"CFBundleVersion", "ignored"}});
    EXPECT_EQ(dw::versionInfo(bundle), QStringLiteral("2.1 (214)"));
    EXPECT_EQ(dw::bundleName(bundle), QStringLiteral("Quill DE"));
    EXPECT_EQ(dw::bundleDisplayName(bundle), QStringLiteral("Quill DE"));

    dw::test::TemporaryXdg xdg;
    EXPECT_EQ(dw::applicationSupportFolder(bundle), xdg.path(QStringLiteral("data/Quill DE/")));
    EXPECT_EQ(dw::bundleName(), QStringLiteral("QuillmartVodar"));
    EXPECT_EQ(dw::applicationSupportFolder(), xdg.path(QStringLiteral("data/QuillmartVodar/")));
    EXPECT_FALSE(QFileInfo::exists(dw::applicationSupportFolder()));
    EXPECT_EQ(dw::applicationCachesDirectory(), xdg.path(QStringLiteral("cache/QuillmartVodar/")));
}

TEST_F(FileExtensionsTest, FoldersAndSearch)
{
    EXPECT_TRUE(dw::createDirectoryRecursiveAtPath(path(QStringLiteral("a/b/c"))));
    EXPECT_TRUE(dw::createDirectoryRecursiveAtPath(path(QStringLiteral("a/b/c"))));
    writeFile(path(QStringLiteral("file")), "x");
    EXPECT_FALSE(dw::createDirectoryRecursiveAtPath(path(QStringLiteral("file"))));

    const dw::test::ScopedEnv dataDirs("XDG_DATA_DIRS",
                                       (path(QStringLiteral("sys1")) + u':' + path(QStringLiteral("sys2"))).toUtf8());
    writeFile(path(QStringLiteral("sys2/sites.plist")), "system");
    EXPECT_EQ(dw::pathToFile(QStringLiteral("sites.plist"), dw::SearchPathDirectory::ApplicationSupport),
              path(QStringLiteral("sys2/sites.plist")));
    writeFile(m_xdg.path(QStringLiteral("data/sites.plist")), "user");
    EXPECT_EQ(dw::pathToFile(QStringLiteral("sites.plist"), dw::SearchPathDirectory::ApplicationSupport),
              m_xdg.path(QStringLiteral("data/sites.plist")));
    EXPECT_TRUE(dw::pathToFile(QStringLiteral("none.plist"), dw::SearchPathDirectory::Caches).isNull());
}

TEST_F(FileExtensionsTest, OneTemporaryFolderPerProcess)
{
    dw::resetTemporaryDirectory();
    const QString first = dw::temporaryDirectoryWithName(QStringLiteral("A"));
    EXPECT_TRUE(first.startsWith(dw::paths::temporaryFolder() + QStringLiteral("A/"))) << first.toStdString();
    EXPECT_TRUE(QFileInfo(first).isDir());
    QDir(first).removeRecursively();
    EXPECT_EQ(dw::temporaryDirectoryWithName(QStringLiteral("B")), first);
    EXPECT_TRUE(QFileInfo(first).isDir()) << "made again when it went";
    dw::resetTemporaryDirectory();
}

TEST_F(FileExtensionsTest, DirectCopyAndMoveKeepTheOldDestinationUntilTheNewOneStands)
{
    RecordingExecutor executor;
    makeApp(path(QStringLiteral("new.app")), "2");
    const QString installed = path(QStringLiteral("Applications/Quill.app"));
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("Applications"))));

    EXPECT_TRUE(dw::copyPathWithAuthentication(path(QStringLiteral("new.app")), installed));
    EXPECT_EQ(readFile(installed + QStringLiteral("/current")), "binary 2");
    EXPECT_TRUE(QFileInfo(installed + QStringLiteral("/current")).isSymLink());

    makeApp(path(QStringLiteral("newer.app")), "3");
    EXPECT_TRUE(dw::copyPathWithAuthentication(path(QStringLiteral("newer.app")), installed));
    EXPECT_EQ(readFile(installed + QStringLiteral("/version")), "3");
    EXPECT_FALSE(QFileInfo::exists(dw::setAsidePath(installed)));
    EXPECT_EQ(QDir(m_xdg.path(QStringLiteral("data/Trash/files"))).entryList(QDir::Dirs | QDir::NoDotAndDotDot).size(),
              1)
        << "the replaced version went to the trash";

    EXPECT_FALSE(dw::movePathWithAuthentication(path(QStringLiteral("missing.app")), installed));
    EXPECT_EQ(readFile(installed + QStringLiteral("/version")), "3") << "a failed move keeps the destination";

    makeApp(path(QStringLiteral("newest.app")), "4");
    EXPECT_TRUE(dw::movePathWithAuthentication(path(QStringLiteral("newest.app")), installed));
    EXPECT_EQ(readFile(installed + QStringLiteral("/version")), "4");
    EXPECT_FALSE(QFileInfo::exists(path(QStringLiteral("newest.app"))));

    // Something standing at the set-aside name (an unrelated file, or what an interrupted run left)
    // neither blocks the replacement nor is touched by it.
    writeFile(dw::setAsidePath(installed), "not ours");
    makeApp(path(QStringLiteral("again.app")), "5");
    EXPECT_TRUE(dw::movePathWithAuthentication(path(QStringLiteral("again.app")), installed));
    EXPECT_EQ(readFile(installed + QStringLiteral("/version")), "5");
    EXPECT_EQ(readFile(dw::setAsidePath(installed)), "not ours");
    EXPECT_TRUE(dw::copyPathWithAuthentication(path(QStringLiteral("newer.app")), installed));
    EXPECT_EQ(readFile(installed + QStringLiteral("/version")), "3");
    EXPECT_EQ(executor.calls, 0);

    // What a killed administrator run left there is ours, and is cleaned up first.
    QFile::remove(dw::setAsidePath(installed));
    makeApp(dw::setAsidePath(installed), "left over");
    dw::UserDefaults::standard().setObject(QStringList{dw::setAsidePath(installed)}, kPendingSetAsides);
    EXPECT_TRUE(dw::copyPathWithAuthentication(path(QStringLiteral("newer.app")), installed));
    EXPECT_FALSE(QFileInfo::exists(dw::setAsidePath(installed)));
    EXPECT_FALSE(dw::UserDefaults::standard().objectForKey(kPendingSetAsides).isValid());

    EXPECT_FALSE(dw::movePathWithAuthentication(path(QStringLiteral("again.app")), path(QStringLiteral("nowhere.app"))))
        << "the administrator's move needs an existing destination";
    EXPECT_EQ(executor.calls, 0);
}

TEST_F(FileExtensionsTest, AdministratorGetsPathsOnlyAsArguments)
{
    RecordingExecutor executor;
    const QString strange = QStringLiteral("my \"app\" $(touch PWNED) `touch PWNED`;'x'");
    const QString source = path(strange + QStringLiteral(" new.app"));
    const QString destination = path(strange + QStringLiteral(".app"));
    makeApp(source, "2");
    makeApp(destination, "1");

    EXPECT_TRUE(dw::movePathWithForcedAuthentication(source, destination));
    EXPECT_EQ(executor.calls, 1);
    EXPECT_EQ(executor.program, QStringLiteral("/bin/sh"));
    ASSERT_GE(executor.arguments.size(), 6);
    EXPECT_FALSE(executor.arguments[1].contains(QStringLiteral("app"))) << "no path inside the command text";
    EXPECT_EQ(executor.arguments.mid(3, 3), (QStringList{source, destination, dw::setAsidePath(destination)}));
    EXPECT_TRUE(qEnvironmentVariable("SRC_PATH").isNull());
    EXPECT_EQ(readFile(destination + QStringLiteral("/version")), "2");
    EXPECT_FALSE(QFileInfo::exists(source));
    EXPECT_FALSE(QFileInfo::exists(dw::setAsidePath(destination)));
    EXPECT_TRUE(QDir(path(QString())).entryList({QStringLiteral("PWNED")}).isEmpty());

    // A taken set-aside name gives way to a numbered one and stays as it was.
    writeFile(dw::setAsidePath(destination), "not ours");
    makeApp(source, "2b");
    EXPECT_TRUE(dw::movePathWithForcedAuthentication(source, destination));
    EXPECT_EQ(executor.arguments[5], path(strange + QStringLiteral(".old-2.app")));
    EXPECT_EQ(readFile(destination + QStringLiteral("/version")), "2b");
    EXPECT_EQ(readFile(dw::setAsidePath(destination)), "not ours");

    // A set-aside left by a killed run of ours goes first, and its name is used again.
    dw::UserDefaults::standard().setObject(QStringList{dw::setAsidePath(destination)}, kPendingSetAsides);
    makeApp(source, "2c");
    EXPECT_TRUE(dw::movePathWithForcedAuthentication(source, destination));
    EXPECT_EQ(executor.arguments[5], dw::setAsidePath(destination));
    EXPECT_EQ(executor.arguments.last(), dw::setAsidePath(destination));
    EXPECT_EQ(readFile(destination + QStringLiteral("/version")), "2c");
    EXPECT_FALSE(QFileInfo::exists(dw::setAsidePath(destination)));
    EXPECT_FALSE(dw::UserDefaults::standard().objectForKey(kPendingSetAsides).isValid());
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("PWNED")));

    makeApp(path(QStringLiteral("copy source.app")), "3");
    EXPECT_TRUE(dw::copyPathWithForcedAuthentication(path(QStringLiteral("copy source.app")), destination));
    EXPECT_EQ(readFile(destination + QStringLiteral("/version")), "3");
    EXPECT_TRUE(dw::copyPathWithForcedAuthentication(path(QStringLiteral("copy source.app")),
                                                     path(QStringLiteral("fresh.app"))));
    EXPECT_EQ(readFile(path(QStringLiteral("fresh.app/current"))), "binary 3");
}

TEST_F(FileExtensionsTest, WithoutWriteAccessTheAdministratorMoves)
{
    if (geteuid() == 0)
        GTEST_SKIP() << "the superuser may write everywhere";
    RecordingExecutor executor;
    const QString destination = path(QStringLiteral("Quill.app"));
    makeApp(path(QStringLiteral("new.app")), "2");
    makeApp(destination, "1");
    ASSERT_TRUE(QFile::setPermissions(destination, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    EXPECT_TRUE(dw::movePathWithAuthentication(path(QStringLiteral("new.app")), destination));
    EXPECT_EQ(executor.calls, 1);
    EXPECT_EQ(readFile(destination + QStringLiteral("/version")), "2");
    // Without the administrator's rights the shell could not remove the read-only old copy.
    QFile::setPermissions(dw::setAsidePath(destination),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
}

TEST_F(FileExtensionsTest, AdministratorFailureKeepsTheDestination)
{
    // The source vanishes between the checks and the shell: the old destination must come back.
    RecordingExecutor executor([](QStringList& arguments) { arguments[3] += QStringLiteral(".gone"); });
    const QString destination = path(QStringLiteral("Quill.app"));
    makeApp(path(QStringLiteral("new.app")), "2");
    makeApp(destination, "1");

    EXPECT_FALSE(dw::movePathWithForcedAuthentication(path(QStringLiteral("new.app")), destination));
    EXPECT_EQ(readFile(destination + QStringLiteral("/version")), "1");
    EXPECT_FALSE(QFileInfo::exists(dw::setAsidePath(destination)));

    EXPECT_FALSE(dw::copyPathWithForcedAuthentication(path(QStringLiteral("new.app")), destination));
    EXPECT_EQ(readFile(destination + QStringLiteral("/version")), "1");
    EXPECT_FALSE(QFileInfo::exists(dw::setAsidePath(destination)));
    EXPECT_EQ(executor.calls, 2);
}

TEST_F(FileExtensionsTest, AdministratorUnavailable)
{
    dw::ScopedPrivilegedExecutor none([](const QString&, const QStringList&) {
        return dw::PrivilegedResult{false, -1, QStringLiteral("no pkexec")};
    });
    makeApp(path(QStringLiteral("new.app")), "2");
    dw::ScopedConsoleCapture console;
    EXPECT_FALSE(dw::copyPathWithForcedAuthentication(path(QStringLiteral("new.app")), path(QStringLiteral("x.app"))));
    EXPECT_TRUE(console.contains(QStringLiteral("no pkexec")));
    EXPECT_FALSE(
        dw::copyPathWithForcedAuthentication(path(QStringLiteral("missing.app")), path(QStringLiteral("x.app"))));
    EXPECT_TRUE(console.contains(QStringLiteral("_copyPathWithForcedAuthentication: stat failed")));

    EXPECT_EQ(dw::setAsidePath(QStringLiteral("/Applications/Example.app")),
              QStringLiteral("/Applications/Example.old.app"));
    EXPECT_EQ(dw::setAsidePath(QStringLiteral("/opt/quill")), QStringLiteral("/opt/quill.old"));
}
