#pragma once
// One running program per user. The first start listens on a local socket in the user's runtime
// folder; a later start (the desktop opening the sign-in callback address or a document with the
// program) hands its arguments to the running one and ends. This is how the sign-in callback
// reaches the program that asked for it.
//
// The socket lives in a folder only the user can enter, so only the user's own processes reach
// it; a message is a length and a JSON array of texts, at most 1 MiB, and anything else is dropped.
// A socket left by a program that died is taken over. Main thread.
//
//     QMBSingleInstance instance;
//     if (instance.sendToRunningInstance(arguments))
//         return 0;                                        // the running program has them
//     instance.listen();
//     connect(&instance, &QMBSingleInstance::argumentsReceived, ...);

#include <QObject>
#include <QString>
#include <QStringList>

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

    // True when a running instance took the arguments (it answers once it has them); false when
    // none runs or it did not answer within the time.
    bool sendToRunningInstance(const QStringList& arguments, int timeoutMs = 5000);
    // Becomes the running instance. False, with the reason, when another one listens already or
    // the socket cannot be made.
    [[nodiscard]] bool listen(QString* error = nullptr);
    bool isListening() const;

    // Arguments in a form the running instance understands: file paths made absolute (the other
    // start may have had another working folder), addresses left as they are.
    static QStringList portableArguments(const QStringList& arguments);

Q_SIGNALS:
    // A later start's arguments, on the main thread.
    void argumentsReceived(const QStringList& arguments);

private:
    void readMessage(QLocalSocket* socket);

    QString m_socketPath;
    QLocalServer* m_server = nullptr;
};
