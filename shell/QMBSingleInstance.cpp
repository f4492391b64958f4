#include "shell/QMBSingleInstance.h"

#include "platform/core/ConsoleOutput.h"
#include "platform/core/Paths.h"
#include "platform/core/RegularFile.h"
#include "shell/QMBDocument.h"

#include <QDataStream>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QUrl>

namespace {

// A message larger than this is no start's arguments.
constexpr qint64 kMaximumMessageSize = 1 << 20;
// Set in a message's length when another message of the same start follows.
constexpr quint32 kMoreFollows = 0x80000000u;
constexpr char kAcknowledgement[] = "OK\n";
constexpr qsizetype kAcknowledgementSize = sizeof(kAcknowledgement) - 1;

QByteArray frame(const QByteArray& json, bool moreFollows)
{
    QByteArray message;
    QDataStream stream(&message, QIODevice::WriteOnly);
    stream << (quint32(json.size()) | (moreFollows ? kMoreFollows : 0u));
    message.append(json);
    return message;
}

QByteArray jsonOf(const QStringList& arguments)
{
    return QJsonDocument(QJsonArray::fromStringList(arguments)).toJson(QJsonDocument::Compact);
}

bool isAddress(const QString& argument)
{
    const QUrl url(argument);
    return url.isValid() && url.scheme().size() > 1 && argument.contains(u':');
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
        if (isAddress(argument))
            portable << argument;
        else
            portable << QFileInfo(argument).absoluteFilePath();
    }
    return portable;
}

std::optional<QList<QByteArray>> QMBSingleInstance::messages(const QStringList& arguments)
{
    QList<QByteArray> pieces;
    QStringList piece;
    qint64 size = 2; // the brackets
    for (const QString& argument : arguments) {
        const qint64 length = jsonOf({argument}).size() - 2;
        if (length + 2 > kMaximumMessageSize)
            return std::nullopt;
        const qint64 grown = size + length + (piece.isEmpty() ? 0 : 1);
        if (grown > kMaximumMessageSize) {
            pieces << jsonOf(piece);
            piece.clear();
            size = 2 + length;
        } else {
            size = grown;
        }
        piece << argument;
    }
    pieces << jsonOf(piece);
    return pieces;
}

QMBSingleInstance::HandOver QMBSingleInstance::handToRunningInstance(const QStringList& arguments, QString* error,
                                                                     int timeoutMs)
{
    const auto fail = [error](const QString& reason) {
        if (error)
            *error = reason;
        return HandOver::NotTaken;
    };
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(timeoutMs)) {
        if (socket.error() == QLocalSocket::ServerNotFoundError ||
            socket.error() == QLocalSocket::ConnectionRefusedError) {
            if (error)
                *error = socket.errorString();
            return HandOver::NobodyListens;
        }
        return fail(QStringLiteral("the running program does not answer: %1").arg(socket.errorString()));
    }
    const std::optional<QList<QByteArray>> pieces = messages(portableArguments(arguments));
    if (!pieces)
        return fail(QStringLiteral("an argument is longer than %1 bytes").arg(kMaximumMessageSize));
    for (qsizetype i = 0; i < pieces->size(); ++i) {
        socket.write(frame(pieces->at(i), i + 1 < pieces->size()));
        if (!socket.waitForBytesWritten(timeoutMs))
            return fail(
                QStringLiteral("the running program does not take the arguments: %1").arg(socket.errorString()));
        QByteArray answer;
        while (answer.size() < kAcknowledgementSize && socket.waitForReadyRead(timeoutMs))
            answer += socket.read(kAcknowledgementSize - answer.size());
        if (answer != kAcknowledgement)
            return fail(QStringLiteral("the running program did not take the arguments"));
    }
    return HandOver::Delivered;
}

bool QMBSingleInstance::sendToRunningInstance(const QStringList& arguments, int timeoutMs)
{
    return handToRunningInstance(arguments, nullptr, timeoutMs) == HandOver::Delivered;
}

std::optional<int> QMBSingleInstance::handOverOrListen(const QStringList& arguments)
{
    // What the running program would refuse is left out here, where the one who started the
    // program can be told.
    QStringList handed;
    QStringList refused;
    for (const QString& argument : portableArguments(arguments)) {
        QString why;
        if (!isAddress(argument) && QFileInfo::exists(argument) &&
            !dw::isReadableRegularFile(argument, QMBDocument::kMaximumDocumentBytes, &why))
            refused << QStringLiteral("QuillmartVodar: “%1” is not opened: %2").arg(argument, why);
        else
            handed << argument;
    }
    QString error;
    for (int attempt = 0; attempt < 2; ++attempt) {
        switch (handToRunningInstance(handed, &error)) {
        case HandOver::Delivered:
            for (const QString& line : refused)
                dw::consoleWrite(line);
            return refused.isEmpty() ? 0 : 1;
        case HandOver::NotTaken:
            for (const QString& line : refused)
                dw::consoleWrite(line);
            dw::consoleWrite(QStringLiteral("QuillmartVodar runs already but %1; this start ends.").arg(error));
            return 1;
        case HandOver::NobodyListens:
            break;
        }
        // None runs: this start becomes the running program. When another start got there first a
        // moment ago, the next attempt hands the arguments to it.
        if (attempt == 0 && listen(&error))
            return std::nullopt;
    }
    dw::consoleWrite(QStringLiteral("Running without receiving later starts: %1").arg(error));
    return std::nullopt;
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
    const QPointer<QLocalSocket> guard(socket);
    while (guard && guard->bytesAvailable() >= qint64(sizeof(quint32))) {
        quint32 header = 0;
        {
            QDataStream stream(socket->peek(sizeof(quint32)));
            stream >> header;
        }
        const bool moreFollows = (header & kMoreFollows) != 0;
        const quint32 size = header & ~kMoreFollows;
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
        if (!moreFollows)
            socket->disconnectFromServer();
        Q_EMIT argumentsReceived(arguments);
        if (!moreFollows)
            return;
    }
}
