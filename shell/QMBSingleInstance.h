#pragma once
// One running program per user. The first start listens on a local socket in the user's runtime
// folder; a later start (the desktop opening the sign-in callback address or a document with the
// program) hands its arguments to the running one and ends. This is how the sign-in callback
// reaches the program that asked for it.
//
// The socket lives in a folder only the user can enter, so only the user's own processes reach
// it. A message is a length and a JSON array of texts, at most 1 MiB; a longer list of arguments
// goes in several messages on one connection, each but the last marked by the length's top bit,
// and each answered "OK" once taken. Anything else is dropped. A socket left by a program that
// died is taken over. Main thread.
//
// A start never becomes a second running program: when a program runs but does not take the
// arguments, the start ends with a message and a status that is not 0.
//
//     QMBSingleInstance instance;
//     if (const std::optional<int> status = instance.handOverOrListen(arguments))
//         return *status;                                  // a running program has them (or refused)
//     connect(&instance, &QMBSingleInstance::argumentsReceived, ...);

#include <QObject>
#include <QString>
#include <QStringList>
#include <optional>

class QLocalServer;
class QLocalSocket;

class QMBSingleInstance : public QObject
{
    Q_OBJECT

public:
    // The socket "QuillmartVodar.socket" in dw::paths::runtimeFolder(), unless given.
    explicit QMBSingleInstance(QString socketPath = QString(), QObject* parent = nullptr);
    ~QMBSingleInstance() override;

    QString socketPath() const { return m_socketPath; }

    enum class HandOver {
        Delivered,     // a running instance took every message
        NobodyListens, // no instance runs
        NotTaken,      // one runs but did not take them (no answer in time, refused, too long)
    };
    // Hands the arguments (made portable) to the running instance; `error` says why not.
    HandOver handToRunningInstance(const QStringList& arguments, QString* error = nullptr, int timeoutMs = 5000);
    // True when a running instance took the arguments.
    bool sendToRunningInstance(const QStringList& arguments, int timeoutMs = 5000);
    // What a start does: hands its arguments to the running instance and answers the start's exit
    // status, or becomes the running instance and answers nothing. Documents among the arguments
    // that the running program would refuse (no ordinary file, too large) are left out with a
    // message on the standard error, and the status is then 1; so it is when a running program
    // does not take them.
    std::optional<int> handOverOrListen(const QStringList& arguments);
    // Becomes the running instance. False, with the reason, when another one listens already or
    // the socket cannot be made.
    [[nodiscard]] bool listen(QString* error = nullptr);
    bool isListening() const;

    // Arguments in a form the running instance understands: file paths made absolute (the other
    // start may have had another working folder), addresses left as they are.
    static QStringList portableArguments(const QStringList& arguments);
    // The arguments as messages of at most the size the running instance takes; none when a single
    // argument is longer than that.
    static std::optional<QList<QByteArray>> messages(const QStringList& arguments);

Q_SIGNALS:
    // A later start's arguments, on the main thread.
    void argumentsReceived(const QStringList& arguments);

private:
    void readMessage(QLocalSocket* socket);

    QString m_socketPath;
    QLocalServer* m_server = nullptr;
};
