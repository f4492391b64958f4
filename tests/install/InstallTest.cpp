#include "tests/support/ProcessRunner.h"
#include "tests/support/TemporaryXdg.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <gtest/gtest.h>
#include <memory>

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Outcome
{
    int exitCode = -1;
    QByteArray output;
};

Outcome run(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment,
            const QString& folder = QString())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (!folder.isEmpty())
        process.setWorkingDirectory(folder);
    process.start(program, arguments);
    if (!process.waitForStarted(60000) || !process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished();
        return {-1, program.toUtf8() + " did not run: " + process.errorString().toUtf8()};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAll()};
}

// One installation for all tests here: `cmake --install` of this build into a folder of its own,
// as a seller installs for themself.
class Install : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        s_prefix = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/qv-install-XXXXXX"));
        const dw::test::ScopedEnv noStaging("DESTDIR", std::nullopt);
        const dw::test::ProgramRun install = dw::test::runProgram(
            QStringLiteral(DW_CMAKE), {QStringLiteral("--install"), qEnvironmentVariable("QV_BUILD_DIR"),
                                       QStringLiteral("--prefix"), s_prefix->path()});
        s_installed = install.exitCode == 0;
        s_installOutput = install.output + install.errors;
    }
    static void TearDownTestSuite() { s_prefix.reset(); }
    void SetUp() override { ASSERT_TRUE(s_installed) << s_installOutput.toStdString(); }

    static QString installed(const QString& relative) { return s_prefix->path() + u'/' + relative; }

    // A session whose desktop knows this installation's data beside the system's, with a home of its
    // own, no display and no keychain, far from the build tree.
    QProcessEnvironment session() const
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QV_RESOURCES_DIR"));
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("XDG_CURRENT_DESKTOP"));
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("unix:path=/nonexistent"));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), installed(QStringLiteral("share")));
        environment.insert(QStringLiteral("XDG_DATA_DIRS"), installed(QStringLiteral("share")) + ":/usr/share");
        environment.insert(QStringLiteral("XDG_STATE_HOME"), m_xdg.path(QStringLiteral("home/.local/state")));
        return environment;
    }

    dw::test::TemporaryXdg m_xdg;
    static inline std::unique_ptr<QTemporaryDir> s_prefix;
    static inline bool s_installed = false;
    static inline QByteArray s_installOutput;
};

} // namespace

TEST_F(Install, TheDesktopOpensListingsAndTheSignInCallbackWithTheInstalledProgram)
{
    const QString entry = installed(QStringLiteral("share/applications/org.quillmart.Vodar.desktop"));
    const QByteArray desktop = readFile(entry);
    EXPECT_TRUE(desktop.contains("\nMimeType=application/x-qvlisting;x-scheme-handler/quillmartvodar;\n"))
        << desktop.toStdString();
    const QByteArray exec = "\nExec=" + installed(QStringLiteral("bin/QuillmartVodar")).toUtf8() + " %U\n";
    EXPECT_TRUE(desktop.contains(exec)) << desktop.toStdString();
    EXPECT_TRUE(QFileInfo(installed(QStringLiteral("bin/QuillmartVodar"))).isExecutable());
    EXPECT_TRUE(QFileInfo::exists(installed(QStringLiteral("share/icons/hicolor/128x128/apps/quillmartvodar.png"))));
    EXPECT_TRUE(QFileInfo::exists(installed(QStringLiteral("share/quillmartvodar/defaults.plist"))));
    EXPECT_FALSE(QFileInfo::exists(installed(QStringLiteral("share/quillmartvodar/enciphered"))))
        << "the plaintext of the enciphered resources stays at home";

    const QProcessEnvironment environment = session();
    Outcome check = run(QStringLiteral("desktop-file-validate"), {entry}, environment);
    EXPECT_EQ(check.exitCode, 0) << check.output.toStdString();
    check = run(QStringLiteral("appstreamcli"),
                {QStringLiteral("validate"), QStringLiteral("--no-net"),
                 installed(QStringLiteral("share/metainfo/org.quillmart.Vodar.metainfo.xml"))},
                environment);
    EXPECT_EQ(check.exitCode, 0) << check.output.toStdString();

    const QString listing = m_xdg.path(QStringLiteral("home/Camera.qvlisting"));
    QFile file(listing);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("bplist00");
    file.close();
    const Outcome type =
        run(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("filetype"), listing}, environment);
    EXPECT_EQ(type.output.trimmed(), "application/x-qvlisting");
    for (const char* kind : {"application/x-qvlisting", "x-scheme-handler/quillmartvodar"}) {
        const Outcome handler =
            run(QStringLiteral("xdg-mime"), {QStringLiteral("query"), QStringLiteral("default"), QLatin1String(kind)},
                environment);
        EXPECT_EQ(handler.output.trimmed(), "org.quillmart.Vodar.desktop") << kind;
    }
}

TEST_F(Install, TheProgramFolderHoldsWhatItsListNamesAndFindsItsLibrariesThere)
{
    const QString folder = installed(QStringLiteral("lib/quillmartvodar"));
    QStringList listed =
        QString::fromUtf8(readFile(folder + QStringLiteral("/installed-files"))).split(u'\n', Qt::SkipEmptyParts);
    QStringList present = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    present.removeOne(QStringLiteral("installed-files"));
    listed.sort();
    present.sort();
    EXPECT_EQ(listed, present);

    const Outcome libraries = run(QStringLiteral("ldd"), {folder + QStringLiteral("/QuillmartVodar")}, session());
    ASSERT_EQ(libraries.exitCode, 0) << libraries.output.toStdString();
    EXPECT_FALSE(libraries.output.contains("not found")) << libraries.output.toStdString();
    for (const char* library : {"libDWEBay.so", "libDWPayment.so", "libplatform.so"})
        EXPECT_TRUE(
            libraries.output.contains(QByteArray(QByteArray(library) + " => " + folder.toUtf8() + '/' + library)))
            << library << "\n"
            << libraries.output.toStdString();
}

// Started as the desktop starts it, from the home folder: the program finds its resources under
// the prefix and names its own version in a crash report.
TEST_F(Install, TheProgramStartedFromHomeWritesItsVersionIntoACrashReport)
{
    const QString home = m_xdg.path(QStringLiteral("home"));
    const QProcessEnvironment environment = session();
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(home);
    program.setProcessChannelMode(QProcess::MergedChannels);
    program.start(installed(QStringLiteral("bin/QuillmartVodar")), {});
    ASSERT_TRUE(program.waitForStarted(60000));
    const QString socket = m_xdg.path(QStringLiteral("run/QuillmartVodar.socket"));
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return QFileInfo::exists(socket) || program.state() == QProcess::NotRunning; }, 120000));
    ASSERT_EQ(program.state(), QProcess::Running) << program.readAll().toStdString();

    // A second start is answered once the first runs its event loop: it has read its resources and
    // launched.
    const Outcome second = run(installed(QStringLiteral("bin/QuillmartVodar")), {}, environment, home);
    EXPECT_EQ(second.exitCode, 0) << second.output.toStdString();
    ASSERT_EQ(program.state(), QProcess::Running) << program.readAll().toStdString();

    ::kill(pid_t(program.processId()), SIGABRT);
    ASSERT_TRUE(program.waitForFinished(60000));
    EXPECT_EQ(program.exitStatus(), QProcess::CrashExit);
    const QString reports = m_xdg.path(QStringLiteral("home/.local/state/QuillmartVodar/CrashReports"));
    const QStringList names = QDir(reports).entryList({QStringLiteral("*.crash")}, QDir::Files);
    ASSERT_EQ(names.size(), 1) << program.readAll().toStdString();
    const QByteArray report = readFile(reports + u'/' + names[0]);
    EXPECT_TRUE(report.contains("\nVersion: " DW_PROGRAM_VERSION "\n")) << report.toStdString();
}
