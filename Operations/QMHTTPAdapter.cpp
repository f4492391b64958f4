#include "Operations/QMHTTPAdapter.h"

#include "platform/network/HttpClient.h"

#include <QUrl>

QMHTTPAdapter& QMHTTPAdapter::sharedAdapter()
{
    static QMHTTPAdapter adapter;
    return adapter;
}

bool QMHTTPAdapter::urlExist(const QString& address) const
{
    if (address.isEmpty())
        return false;
    const QUrl url(address, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty())
        return false;
    dw::HttpRequest request;
    request.method = "HEAD";
    request.url = address;
    request.connectTimeoutSeconds = kTimeoutSeconds;
    request.inactivityTimeoutSeconds = kTimeoutSeconds;
    // Redirects are not followed: an answer from another address counts as missing anyway.
    request.followRedirects = false;
    const dw::HttpResponse response = dw::HttpClient().send(request);
    return response.ok() && response.status >= 200 && response.status <= 299;
}
