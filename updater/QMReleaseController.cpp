#include "updater/QMReleaseController.h"

#include "DWKit/NSBundle+DWExtensions.h"
#include "DWKit/NSData+DWExtensions.h"
#include "DWKit/QMLogEntry.h"
#include "DWKit/QMLogManager.h"
#include "platform/core/BackgroundWork.h"
#include "platform/network/HttpClient.h"
#include "updater/QMReleaseParser.h"

#include <QRegularExpression>
#include <algorithm>
#include <memory>
#include <optional>

QMReleaseController::QMReleaseController(QObject* parent) : QObject(parent), m_runningVersion(dw::versionString()) {}

bool QMReleaseController::isAllowedURL(const QUrl& url)
{
    if (!url.isValid())
        return false;
    if (url.scheme() == u"https")
        return true;
    if (url.scheme() != u"http")
        return false;
    static const QRegularExpression loopbackV4(QStringLiteral("^127(\\.\\d{1,3}){3}$"));
    const QString host = url.host();
    return host == u"localhost" || host == u"::1" || loopbackV4.match(host).hasMatch();
}

dw::HttpResponse QMReleaseController::sendToAllowedURL(const QUrl& url, dw::HttpRequest request)
{
    QUrl current = url;
    for (int hop = 0; hop <= 5; ++hop) {
        if (!isAllowedURL(current)) {
            dw::HttpResponse refused;
            refused.errorText = QStringLiteral("refused to fetch %1").arg(current.toString());
            return refused;
        }
        request.url = current.toString(QUrl::FullyEncoded);
        request.followRedirects = false;
        dw::HttpResponse response = dw::HttpClient().send(request);
        const QByteArray location = response.headerValue("Location");
        if (!response.ok() || response.status < 300 || response.status >= 400 || location.isEmpty())
            return response;
        current = current.resolved(QUrl::fromEncoded(location));
    }
    dw::HttpResponse tooMany;
    tooMany.errorText = QStringLiteral("too many redirects from %1").arg(url.toString());
    return tooMany;
}

void QMReleaseController::fetchReleasesFromURL(const QUrl& url)
{
    const QPointer<const QObject> guard(this);
    QPointer<QMReleaseController> self(this);
    auto parsed = std::make_shared<std::optional<QList<QMRelease>>>();
    auto found = std::make_shared<bool>(false);
    const auto fetch = [parsed, found, url] {
        const QMLogEntryPtr entry = QMLogEntry::getQuillmartVersionLogEntry();
        QMLogManager::sharedInstance()->addEntryFromThread(entry);
        QByteArray data;
        const dw::HttpResponse response = sendToAllowedURL(url, dw::HttpRequest());
        if (response.ok() && response.status == 200)
            data = dw::inflateGzipWhilePossible(response.body).value_or(QByteArray());
        if (!data.isEmpty()) {
            QMReleaseParser parser(data);
            parser.parse();
            *parsed = parser.parsedReleases();
        }
        *found = *parsed && !(*parsed)->isEmpty();
        entry->setState(QLatin1String(*found ? kQMLogEntryStateSuccess : kQMLogEntryStateFailure));
        QMLogManager::sharedInstance()->postEntitiesChangedNotificationFromThread();
    };
    dw::runInBackground(guard, fetch, [self, parsed, found] {
        if (!self)
            return;
        if (*parsed)
            self->m_releases = **parsed;
        if (*found)
            Q_EMIT self->didFinishLoading();
        else
            Q_EMIT self->didFailToLoad();
    });
}

bool QMReleaseController::shouldCheckForBetaReleases(const QString& runningVersion)
{
    return runningVersion.contains(u'a', Qt::CaseInsensitive) || runningVersion.contains(u'b', Qt::CaseInsensitive) ||
           runningVersion.contains(QStringLiteral("pre"), Qt::CaseInsensitive);
}

QList<QMRelease> QMReleaseController::sortedReleases() const
{
    QList<QMRelease> sorted = m_releases;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [](const QMRelease& a, const QMRelease& b) { return a.isNewerBuildThan(b); });
    if (!shouldCheckForBetaReleases(m_runningVersion))
        sorted.removeIf([](const QMRelease& release) { return release.isBeta; });
    return sorted;
}

std::optional<QMRelease> QMReleaseController::newestRelease() const
{
    const QList<QMRelease> sorted = sortedReleases();
    if (sorted.isEmpty())
        return std::nullopt;
    return sorted.first();
}
