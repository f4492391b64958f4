#include "DWPayment/NSURL+DWExtensions.h"

#include "platform/network/HttpClient.h"

#include <QFileInfo>

namespace dw::payment {

namespace {
constexpr int kReachabilityTimeoutSeconds = 13;
} // namespace

QVariantMap parsedQuery(const QUrl& url)
{
    QVariantMap result;
    if (!url.hasQuery())
        return result;
    for (const QString& part : url.query(QUrl::FullyEncoded).split(u'&')) {
        const QStringList fields = part.split(u'=');
        result.insert(fields.at(0), fields.size() == 1 ? QStringLiteral("") : fields.at(1));
    }
    return result;
}

bool isReachable(const QUrl& url)
{
    if (url.isLocalFile()) {
        const QFileInfo file(url.toLocalFile());
        return file.isFile() && file.isReadable();
    }
    dw::HttpRequest request;
    request.method = "HEAD";
    request.url = url.toString(QUrl::FullyEncoded);
    request.followRedirects = true;
    request.connectTimeoutSeconds = kReachabilityTimeoutSeconds;
    request.inactivityTimeoutSeconds = kReachabilityTimeoutSeconds;
    // Ask the server itself, not a cache on the way.
    request.headerFields = {{"Cache-Control", "no-cache"}, {"Pragma", "no-cache"}};
    const dw::HttpResponse response = dw::HttpClient().send(request);
    return response.ok() && response.status == 200;
}

} // namespace dw::payment
