// One running program per user: a second start of the built program hands its arguments (the
// sign-in callback, documents) to the running one and ends with 0; a start that cannot ends with a
// message and 1, never as a second program.

#include "model/QMApplicationDefaults.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"
#include "shell/QMBAppController.h"
#include "shell/QMBSingleInstance.h"
#include "tests/support/ScriptedAlertPresenter.h"
#include "tests/support/TemporaryXdg.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

TEST(SingleInstance, ASecondStartHandsTheCallbackToTheRunningProgramAndEnds)
{
    dw::test::TemporaryXdg xdg;
    ASSERT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
    const auto controller = QMBAppController::create();
    QStringList opened;
    controller->services().openDocument = [&](const QString& path, const QByteArray&, QString*) {
        opened << path;
        return true;
    };
    QFile lamp(xdg.path(QStringLiteral("lamp.qvlisting")));
    ASSERT_TRUE(lamp.open(QIODevice::WriteOnly));
    lamp.close();
    QMBSingleInstance instance;
    ASSERT_TRUE(instance.listen());
    EXPECT_TRUE(instance.socketPath().startsWith(xdg.path(QStringLiteral("run/"))));
    controller->awakeFromNib(&instance);

    bool tokenWanted = false;
    auto& center = dw::NotificationCenter::defaultCenter();
    const dw::ScopedObservation observation(
        center, center.addObserver(QLatin1String(kQMEbayTokenShouldBeFetchedNotification), nullptr,
                                   [&](const dw::Notification&) { tokenWanted = true; }));

    QProcess second;
    second.setWorkingDirectory(xdg.root());
    second.start(qEnvironmentVariable("QV_BUILD_DIR") + QStringLiteral("/shell/QuillmartVodar"),
                 {QStringLiteral("quillmartvodar://org.quillmart.Vodar.gettoken/accepted?ebaytkn="),
                  QStringLiteral("lamp.qvlisting")});
    ASSERT_TRUE(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 30000))
        << second.readAllStandardError().toStdString();
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return tokenWanted && !opened.isEmpty(); }, 5000));
    EXPECT_EQ(opened, QStringList{xdg.path(QStringLiteral("lamp.qvlisting"))}) << "a path of the second start's folder";
}

namespace {

// A socket file as a program leaves it when it dies: bound, never unlinked, nobody listening.
void leaveDeadSocket(const QString& path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(fd, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray native = QFile::encodeName(path);
    std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
    ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ::close(fd);
}

QByteArray frame(const QByteArray& json)
{
    QByteArray message;
    QDataStream(&message, QIODevice::WriteOnly) << quint32(json.size());
    return message + json;
}

} // namespace

TEST(SingleInstance, ASocketLeftByADeadProgramIsTakenOverAndNonsenseIsDropped)
{
    dw::test::TemporaryXdg xdg;
    const QString path = xdg.path(QStringLiteral("run/QuillmartVodar.socket"));
    leaveDeadSocket(path);
    QMBSingleInstance first(path);
    EXPECT_FALSE(first.sendToRunningInstance({QStringLiteral("x")}, 500));
    ASSERT_TRUE(first.listen());

    QMBSingleInstance another(path);
    QString error;
    EXPECT_FALSE(another.listen(&error));
    EXPECT_EQ(error, QStringLiteral("another instance is running"));

    QSignalSpy received(&first, &QMBSingleInstance::argumentsReceived);
    const struct
    {
        const char* name;
        QByteArray message;
        bool taken;
    } rows[] = {
        {"too long", QByteArray("\xff\xff\xff\xff", 4), false},
        {"no list", frame("{}"), false},
        {"a number in the list", frame(R"(["a", 1])"), false},
        {"a list of texts", frame(R"(["https://www.example.com/"])"), true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        received.clear();
        QLocalSocket socket;
        socket.connectToServer(path);
        ASSERT_TRUE(socket.waitForConnected(2000));
        socket.write(row.message);
        ASSERT_TRUE(socket.waitForBytesWritten(2000));
        EXPECT_TRUE(QTest::qWaitFor([&] { return socket.state() == QLocalSocket::UnconnectedState; }, 5000));
        EXPECT_EQ(socket.readAll(), row.taken ? QByteArray("OK\n") : QByteArray());
        EXPECT_EQ(received.count(), row.taken ? 1 : 0);
    }
    EXPECT_EQ(received.first().first().toStringList(), QStringList{QStringLiteral("https://www.example.com/")});
}

namespace {

QString programPath()
{
    return qEnvironmentVariable("QV_BUILD_DIR") + QStringLiteral("/shell/QuillmartVodar");
}

// The test process's resident memory.
qint64 residentBytes()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    return fields.size() > 1 ? fields[1].toLongLong() * ::sysconf(_SC_PAGESIZE) : 0;
}

bool waitUntilEnded(QProcess& process)
{
    return QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 60000);
}

} // namespace

// A device that never ends and a pipe nobody writes to, named as documents: the start refuses them
// itself (a message, status 1) and hands over the rest; a start that hands them over anyway finds
// the running program refusing them without reading a byte.
TEST(SingleInstance, ADeviceOrAPipeNamedAsADocumentIsNeverRead)
{
    dw::test::TemporaryXdg xdg;
    ASSERT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
    dw::test::ScriptedAlertPresenter alerts;
    const auto controller = QMBAppController::create();
    QStringList opened;
    controller->services().openDocument = [&](const QString& path, const QByteArray&, QString*) {
        opened << path;
        return true;
    };
    QMBSingleInstance instance;
    ASSERT_TRUE(instance.listen());
    controller->awakeFromNib(&instance);
    const QString pipe = xdg.path(QStringLiteral("pipe.qvlisting"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    const QString lamp = xdg.path(QStringLiteral("lamp.qvlisting"));
    QFile file(lamp);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const qint64 before = residentBytes();

    QProcess second;
    second.start(programPath(), {QStringLiteral("/dev/zero"), pipe, lamp});
    ASSERT_TRUE(waitUntilEnded(second));
    const QString errors = QString::fromUtf8(second.readAllStandardError());
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 1) << errors.toStdString();
    const QString notAFile =
        QStringLiteral("is not opened: It is not an ordinary file but a folder, a device or a pipe.");
    EXPECT_TRUE(errors.contains(QStringLiteral("“/dev/zero” ") + notAFile)) << errors.toStdString();
    EXPECT_TRUE(errors.contains(QStringLiteral("“%1” ").arg(pipe) + notAFile)) << errors.toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !opened.isEmpty(); }, 30000));
    EXPECT_EQ(opened, QStringList{lamp}) << "the rest is handed over";

    QLocalSocket older;
    older.connectToServer(instance.socketPath());
    ASSERT_TRUE(older.waitForConnected(2000));
    older.write(frame(R"(["/dev/zero", ")" + pipe.toUtf8() + R"("])"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return alerts.alerts().size() == 2; }, 30000));
    EXPECT_EQ(alerts.alerts()[0].messageText, QStringLiteral("The document “zero” could not be opened."));
    EXPECT_EQ(alerts.alerts()[1].messageText, QStringLiteral("The document “pipe.qvlisting” could not be opened."));
    EXPECT_EQ(opened, QStringList{lamp});
    EXPECT_LT(residentBytes() - before, qint64(128) << 20) << "nothing was read from the device";
}

// A list of arguments longer than one message goes in several, and still to the one running
// program; a single argument longer than a message cannot go at all.
TEST(SingleInstance, ALongListOfArgumentsReachesTheRunningProgram)
{
    dw::test::TemporaryXdg xdg;
    // The kernel takes a quarter of the stack limit for a new program's arguments: 2 MiB of them
    // need a limit above the usual 8 MiB.
    rlimit stack{};
    ASSERT_EQ(::getrlimit(RLIMIT_STACK, &stack), 0);
    const rlim_t wanted = rlim_t(64) << 20;
    if (stack.rlim_max != RLIM_INFINITY && stack.rlim_max < wanted)
        GTEST_SKIP() << "the hard stack limit leaves no room for 2 MiB of arguments";
    QMBSingleInstance instance;
    ASSERT_TRUE(instance.listen());
    QStringList received;
    int messages = 0;
    QObject::connect(&instance, &QMBSingleInstance::argumentsReceived, [&](const QStringList& arguments) {
        received << arguments;
        ++messages;
    });
    QStringList arguments;
    for (int i = 0; arguments.join(QString()).size() < (2 << 20); ++i)
        arguments << QStringLiteral("https://www.example.com/") + QString(100 << 10, QChar(u'a' + i % 26));

    QProcess second;
    second.setChildProcessModifier([wanted] {
        const rlimit larger{wanted, wanted};
        ::setrlimit(RLIMIT_STACK, &larger);
    });
    second.start(programPath(), arguments);
    ASSERT_TRUE(waitUntilEnded(second));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0) << second.readAllStandardError().toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return received.size() == arguments.size(); }, 10000));
    EXPECT_EQ(received, arguments);
    EXPECT_GE(messages, 2);

    EXPECT_FALSE(QMBSingleInstance::messages({QString(1 << 20, u'a')}));
    EXPECT_EQ(QMBSingleInstance::messages({}), QList<QByteArray>{"[]"});
}

// A program runs but does not take the arguments (it hangs): the start says so and ends with 1;
// it never goes on as a second program.
TEST(SingleInstance, AStartThatCannotHandOverEndsWithAMessage)
{
    dw::test::TemporaryXdg xdg;
    QLocalServer stuck;
    ASSERT_TRUE(dw::paths::ensureFolder(xdg.path(QStringLiteral("run"))));
    QMBSingleInstance instance;
    ASSERT_TRUE(stuck.listen(instance.socketPath()));
    QProcess second;
    second.start(programPath(), {QStringLiteral("https://www.example.com/")});
    ASSERT_TRUE(waitUntilEnded(second)) << "the start went on as a second program";
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    const QString errors = QString::fromUtf8(second.readAllStandardError());
    EXPECT_EQ(second.exitCode(), 1) << errors.toStdString();
    EXPECT_TRUE(errors.contains(QStringLiteral("QuillmartVodar runs already but"))) << errors.toStdString();
}
