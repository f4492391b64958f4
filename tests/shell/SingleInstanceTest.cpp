// One running program per user: a second start of the built program hands its arguments (the
// sign-in callback, documents) to the running one and ends with 0.

#include "model/QMApplicationDefaults.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"
#include "shell/QMBAppController.h"
#include "shell/QMBSingleInstance.h"
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
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

TEST(SingleInstance, ASecondStartHandsTheCallbackToTheRunningProgramAndEnds)
{
    dw::test::TemporaryXdg xdg;
    ASSERT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
    const auto controller = QMBAppController::create();
    QStringList opened;
    controller->services().openDocument = [&](const QString& path, QString*) {
        opened << path;
        return true;
    };
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
    ASSERT_TRUE(QTest::qWaitFor([&] { return tokenWanted; }, 5000));
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
