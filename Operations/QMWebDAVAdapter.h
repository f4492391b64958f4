#pragma once
// A small WebDAV client for picture uploads: it connects to a folder (PROPFIND, making the folder
// and its missing parents with MKCOL), then stores files in folders below the server (PUT, with
// progress). One adapter keeps one HTTP client, so its requests reuse one connection.
//
//     auto adapter = QMWebDAVAdapter::webDAVAdapter();
//     QString error;
//     if (!adapter->connectToURI(folder, user, password, proxy, proxyUser, proxyPassword, &error))
//         return fail(error);
//     adapter->setProgressHandler([](qint64 sent, qint64 total) { ... });
//     if (!adapter->uploadFile(localPath, folder + "/AB", "1F...C2.jpg", &error))
//         return fail(error);
//
// Every exchange has a connect and an inactivity time-out; TLS peers are always verified. The
// password travels only in the Authorization field, never in an error text or a log line. One
// thread at a time.

#include <QString>
#include <atomic>
#include <functional>
#include <memory>

class QMWebDAVAdapter
{
public:
    QMWebDAVAdapter();
    virtual ~QMWebDAVAdapter();
    QMWebDAVAdapter(const QMWebDAVAdapter&) = delete;
    QMWebDAVAdapter& operator=(const QMWebDAVAdapter&) = delete;

    static std::shared_ptr<QMWebDAVAdapter> webDAVAdapter();

    bool loggingEnabled() const { return m_loggingEnabled; }
    void setLoggingEnabled(bool enabled) { m_loggingEnabled = enabled; }

    // True once the folder answers (made with its parents when missing). The proxy is
    // "http://host:port" or empty for none.
    [[nodiscard]] bool connectToURI(const QString& uri, const QString& user, const QString& password,
                                    const QString& proxyServer, const QString& proxyUsername,
                                    const QString& proxyPassword, QString* error);
    // Stores the local file as remoteFileName in the folder (made when missing).
    [[nodiscard]] bool uploadFile(const QString& localPath, const QString& folderURI, const QString& remoteFileName,
                                  QString* error);

    // Bytes sent and in all while a file is stored; called on the uploading thread.
    void setProgressHandler(std::function<void(qint64 sent, qint64 total)> handler);
    // When it turns true the current exchange stops.
    void setCancelFlag(const std::atomic<bool>* flag);

    static constexpr int kConnectTimeoutSeconds = 30;
    static constexpr int kInactivityTimeoutSeconds = 60;

private:
    struct Private;
    std::unique_ptr<Private> d;
    bool m_loggingEnabled = false;
};
