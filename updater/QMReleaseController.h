#pragma once
// Fetches the update feed on a thread of its own and keeps the releases it names.
//
// fetchReleasesFromURL() returns at once; didFinishLoading() (at least one release) or
// didFailToLoad() (nothing reachable, an empty or unreadable reply, no release) follows on the main
// thread, and never once the controller is gone. The feed may come plain or gzip-compressed. Only
// https addresses are fetched (plain http on the loopback interface too, for local servers). Each
// fetch adds a "getQuillmartVersion" entry to the activity log. Main thread.
//
//     auto* controller = new QMReleaseController(this);
//     connect(controller, &QMReleaseController::didFinishLoading, this, &Updater::decide);
//     controller->fetchReleasesFromURL(feedURL);

#include "platform/network/HttpClient.h"
#include "updater/QMRelease.h"

#include <QList>
#include <QObject>
#include <QUrl>

class QMReleaseController : public QObject
{
    Q_OBJECT
public:
    explicit QMReleaseController(QObject* parent = nullptr);

    void fetchReleasesFromURL(const QUrl& url);
    QList<QMRelease> releases() const { return m_releases; }
    // Highest build first; without beta permission only the releases that are no betas.
    QList<QMRelease> sortedReleases() const;
    std::optional<QMRelease> newestRelease() const;
    // True when the running version is itself a test version ("a", "b" or "pre" in its version text).
    static bool shouldCheckForBetaReleases(const QString& runningVersion);
    void setRunningVersion(const QString& version) { m_runningVersion = version; }

    // True for https addresses, and for http ones on the loopback interface.
    static bool isAllowedURL(const QUrl& url);
    // Sends the request to `url`, following up to 5 redirects itself so that every address on the
    // way must pass isAllowedURL(); a refused address is a failed response. Blocks; any thread.
    static dw::HttpResponse sendToAllowedURL(const QUrl& url, dw::HttpRequest request);

Q_SIGNALS:
    void didFinishLoading();
    void didFailToLoad();

private:
    QList<QMRelease> m_releases;
    QString m_runningVersion;
};
