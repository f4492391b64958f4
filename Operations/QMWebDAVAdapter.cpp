#include "Operations/QMWebDAVAdapter.h"

#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWFormat.h"
#include "platform/network/HttpClient.h"

#include <QFile>
#include <QUrl>
#include <mutex>

struct QMWebDAVAdapter::Private
{
    dw::HttpClient client;
    QString user;
    QString password;
    QString proxy;
    QString proxyUsername;
    QString proxyPassword;
    std::function<void(qint64, qint64)> progress;
    const std::atomic<bool>* cancel = nullptr;

    dw::HttpRequest request(const QByteArray& method, const QString& url) const
    {
        dw::HttpRequest request;
        request.method = method;
        request.url = url;
        request.connectTimeoutSeconds = kConnectTimeoutSeconds;
        request.inactivityTimeoutSeconds = kInactivityTimeoutSeconds;
        request.proxy = proxy;
        request.proxyUserName = proxyUsername;
        request.proxyPassword = proxyPassword;
        request.cancel = cancel;
        if (!user.isEmpty())
            request.headerFields.push_back({"Authorization", "Basic " + (user + u':' + password).toUtf8().toBase64()});
        return request;
    }

    // The folder's status: 207 (or another 2xx) when it exists.
    dw::HttpResponse propfind(const QString& url)
    {
        dw::HttpRequest find = request("PROPFIND", url);
        find.headerFields.push_back({"Depth", "0"});
        find.headerFields.push_back({"Content-Type", "application/xml; charset=\"utf-8\""});
        find.body = R"(<?xml version="1.0" encoding="utf-8"?><D:propfind xmlns:D="DAV:"><D:prop>)"
                    R"(<D:resourcetype/></D:prop></D:propfind>)";
        return client.send(find);
    }

    // Makes the folder and every missing folder above it, from the top down; a 405 answers a
    // folder that exists already.
    bool makeFolders(const QString& folderURL, QString* error)
    {
        const dw::HttpResponse found = propfind(folderURL);
        if (!found.ok())
            return fail(found, error);
        if (found.status / 100 == 2)
            return true;
        if (found.status != 404)
            return fail(found, error);
        QUrl url(folderURL);
        const QStringList segments = url.path().split(u'/', Qt::SkipEmptyParts);
        QString path;
        for (const QString& segment : segments) {
            path += u'/' + segment;
            url.setPath(path + u'/');
            const dw::HttpResponse made = client.send(request("MKCOL", url.toString()));
            if (!made.ok() || (made.status / 100 != 2 && made.status != 405))
                return fail(made, error);
        }
        return true;
    }

    static bool fail(const dw::HttpResponse& response, QString* error)
    {
        if (error) {
            if (!response.ok())
                *error = response.errorText;
            else if (response.status == 401 || response.status == 403)
                *error =
                    dw::format("The picture server refused the account (HTTP status %ld).", qlonglong(response.status));
            else
                *error = dw::format("The picture server answered with HTTP status %ld.", qlonglong(response.status));
        }
        return false;
    }
};

QMWebDAVAdapter::QMWebDAVAdapter() : d(std::make_unique<Private>()) {}

QMWebDAVAdapter::~QMWebDAVAdapter() = default;

std::shared_ptr<QMWebDAVAdapter> QMWebDAVAdapter::webDAVAdapter()
{
    return std::make_shared<QMWebDAVAdapter>();
}

bool QMWebDAVAdapter::connectToURI(const QString& uri, const QString& user, const QString& password,
                                   const QString& proxyServer, const QString& proxyUsername,
                                   const QString& proxyPassword, QString* error)
{
    d->user = user;
    d->password = password;
    d->proxy = proxyServer;
    d->proxyUsername = proxyUsername;
    d->proxyPassword = proxyPassword;
    QString failure;
    const bool connected = d->makeFolders(uri, &failure);
    if (m_loggingEnabled)
        dw::consoleWrite(dw::format("WebDAV connect to %@: %@", uri, connected ? QStringLiteral("ok") : failure));
    if (!connected && error)
        *error = failure;
    return connected;
}

bool QMWebDAVAdapter::uploadFile(const QString& localPath, const QString& folderURI, const QString& remoteFileName,
                                 QString* error)
{
    QFile file(localPath);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = dw::format("Could not read the picture file %@.", localPath);
        return false;
    }
    QString failure;
    if (!d->makeFolders(folderURI, &failure)) {
        if (error)
            *error = failure;
        return false;
    }
    QString target = folderURI;
    if (!target.endsWith(u'/'))
        target += u'/';
    dw::HttpRequest put = d->request("PUT", target + QString::fromUtf8(QUrl::toPercentEncoding(remoteFileName)));
    put.headerFields.push_back({"Content-Type", "application/octet-stream"});
    put.body = file.readAll();
    put.uploadProgress = d->progress;
    const dw::HttpResponse response = d->client.send(put);
    const bool stored = response.ok() && response.status / 100 == 2;
    if (!stored)
        Private::fail(response, &failure);
    if (m_loggingEnabled)
        dw::consoleWrite(dw::format("WebDAV upload of %@ to %@: %@", remoteFileName, folderURI,
                                    stored ? QStringLiteral("ok") : failure));
    if (!stored && error)
        *error = failure;
    return stored;
}

void QMWebDAVAdapter::setProgressHandler(std::function<void(qint64, qint64)> handler)
{
    d->progress = std::move(handler);
}

void QMWebDAVAdapter::setCancelFlag(const std::atomic<bool>* flag)
{
    d->cancel = flag;
}
