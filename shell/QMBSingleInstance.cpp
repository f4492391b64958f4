#include "shell/QMBSingleInstance.h"

#include "platform/core/ConsoleOutput.h"
#include "platform/core/Paths.h"

#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>
#include <QUrl>

namespace {

// A message larger than this is no start's arguments.
constexpr qint64 kMaximumMessageSize = 1 << 20;
constexpr char kAcknowledgement[] = "OK\n";

QByteArray frame(const QStringList& arguments)
{
    const QByteArray json = QJsonDocument(QJsonArray::fromStringList(arguments)).toJson(QJsonDocument::Compact);
    QByteArray message;
    QDataStream stream(&message, QIODevice::WriteOnly);
    stream << quint32(json.size());
    message.append(json);
    return message;
}

} // namespace

QMBSingleInstance::QMBSingleInstance(QString socketPath, QObject* parent)
    : QObject(parent), m_socketPath(std::move(socketPath))
{
    if (m_socketPath.isEmpty())
        m_socketPath = dw::paths::runtimeFolder() + QStringLiteral("QuillmartVodar.socket");
}

QMBSingleInstance::~QMBSingleInstance() = default;

QStringList QMBSingleInstance::portableArguments(const QStringList& arguments)
{
    QStringList portable;
    for (const QString& argument : arguments) {
        // An address keeps its form; anything without a scheme is a path of this start's folder.
        const QUrl url(argument);
        if (url.isValid() && url.scheme().size() > 1 && argument.contains(u':'))
            portable << argument;
        else
            portable << QFileInfo(argument).absoluteFilePath();
    }
    return portable;
}

bool QMBSingleInstance::sendToRunningInstance(const QStringList& arguments, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(frame(portableArguments(arguments)));
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    QByteArray answer;
    while (answer.size() < qsizetype(sizeof(kAcknowledgement) - 1) && socket.waitForReadyRead(timeoutMs))
        answer += socket.readAll();
    return answer.startsWith(kAcknowledgement);
}

bool QMBSingleInstance::isListening() const
{
    return m_server && m_server->isListening();
}

bool QMBSingleInstance::listen(QString* error)
{
    if (isListening())
        return true;
    if (!dw::paths::ensureFolder(QFileInfo(m_socketPath).absolutePath())) {
        if (error)
            *error = QStringLiteral("cannot make the folder of %1").arg(m_socketPath);
        return false;
    }
    // No access options: with them Qt binds elsewhere and renames over the path, which would
    // silently take the socket of a running instance. The folder is the user's own anyway.
    auto* server = new QLocalServer(this);
    if (!server->listen(m_socketPath) && server->serverError() == QAbstractSocket::AddressInUseError) {
        // A socket that nobody answers on was left by a program that died.
        QLocalSocket probe;
        probe.connectToServer(m_socketPath);
        if (probe.waitForConnected(1000)) {
            if (error)
                *error = QStringLiteral("another instance is running");
            delete server;
            return false;
        }
        QLocalServer::removeServer(m_socketPath);
        (void)server->listen(m_socketPath);
    }
    if (!server->isListening()) {
        if (error)
            *error = server->errorString();
        delete server;
        return false;
    }
    m_server = server;
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readMessage(socket); });
            readMessage(socket);
        }
    });
    return true;
}

void QMBSingleInstance::readMessage(QLocalSocket* socket)
{
    if (socket->bytesAvailable() < qint64(sizeof(quint32)))
        return;
    quint32 size = 0;
    {
        QDataStream stream(socket->peek(sizeof(quint32)));
        stream >> size;
    }
    if (size > kMaximumMessageSize) {
        dw::consoleWrite(QStringLiteral("Dropped a message of %1 bytes from another start").arg(size));
        socket->abort();
        return;
    }
    if (socket->bytesAvailable() < qint64(sizeof(quint32)) + size)
        return;
    socket->skip(sizeof(quint32));
    const QJsonDocument json = QJsonDocument::fromJson(socket->read(size));
    QStringList arguments;
    bool wellFormed = json.isArray();
    for (const QJsonValue& value : json.array()) {
        wellFormed = wellFormed && value.isString();
        arguments << value.toString();
    }
    if (!wellFormed) {
        dw::consoleWrite(QStringLiteral("Dropped a message from another start that holds no list of texts"));
        socket->abort();
        return;
    }
    socket->write(kAcknowledgement);
    socket->flush();
    socket->disconnectFromServer();
    Q_EMIT argumentsReceived(arguments);
}
