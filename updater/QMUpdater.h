#pragma once
// The software update: checks the release feed, offers a newer release, downloads it into a
// private folder, unpacks it, replaces the installed program folder (the old one goes to the
// trash) and relaunches once this process has ended.
//
// A release is a tar.gz holding the program folder (a folder named after the program with the
// program inside), or a single AppImage file that replaces the installed one. The updater manages
// only what it installed: the program's own folder (<prefix>/lib/quillmartvodar/, whose list of
// installed files names everything in it; see QMInstalledFiles) or the AppImage file, never a
// folder that holds anything else. The download must carry the release key's signature (and
// match the feed's checksum when it names one); a failed, damaged, unsigned or mismatching
// download replaces nothing. Before anything is replaced the open documents are reviewed (the
// question about unsaved changes); a seller who keeps one open leaves the update ready to install.
// Checks started by the user ("verbose") report every outcome; launch checks report nothing until
// an offer. Main thread; the fetch, the download and the unpacking run on threads of their own and
// report back to the main thread.
//
//     QMUpdater::sharedUpdater().handleStartFromReadOnlyLocation();   // once while launching
//     QMUpdater::sharedUpdater().checkForUpdate();                    // after launching

#include "updater/QMRelease.h"
#include "updater/QMUpdateAlertController.h"
#include "updater/QMUpdateStatusController.h"

#include <QObject>
#include <QPointer>
#include <QUrl>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class QMReleaseController;

inline constexpr const char* kQMUpdaterWillRestartNotification = "updaterWillRestartNotification";

class QMUpdater : public QObject
{
    Q_OBJECT
public:
    // What one release of the feed means for the check (highest build first).
    enum class Step {
        Next,  // pass it over, look at the next lower build
        Stop,  // end the check: nothing newer to offer, or the newest is skipped
        Offer, // offer this release
    };

    explicit QMUpdater(QObject* parent = nullptr);
    ~QMUpdater() override;
    static QMUpdater& sharedUpdater();

    static Step examineRelease(const QMRelease& candidate, const QMRelease& current, const QString& systemVersion,
                               const QString& skippedVersion, bool verbose);
    // The feed address with the query naming the program, its language and (when allowed) the
    // system and program versions.
    static QUrl urlByAddingParameters(const QString& base);
    // The version of the GNU C library in use: the system version releases name as their minimum.
    static QString runningSystemVersion();

    void checkForUpdate(); // the launch check, at most once in 12 hours
    void checkForUpdates() { checkForUpdatesAndNotify(true); }
    void checkForUpdatesInBackground() { checkForUpdatesAndNotify(false); }
    void checkForUpdatesAndNotify(bool verbose);

    void updateAlertFinishedWithChoice(int choice);
    void cancelDownload();
    void installAndRestart();
    bool isAutomaticallyUpdating() const;

    // Offers to copy the program to a writable place when it runs from a read-only mount.
    void handleStartFromReadOnlyLocation();

    bool updateInProgress() const { return m_updateInProgress; }
    bool verbose() const { return m_verbose; }
    const std::optional<QMRelease>& newestRelease() const { return m_newestRelease; }
    QString downloadPath() const { return m_downloadPath; }
    QMUpdateStatusController* statusController() const { return m_statusController; }
    QMUpdateAlertController* updateAlertController() const { return m_alertController; }

    // The installed program: its folder, or the AppImage file. Default: $APPIMAGE, else the folder
    // of the running program.
    QString installedProgramPath() const;
    void setInstalledProgramPath(const QString& path) { m_installedProgramPath = path; }
    // Empty when the update may replace the installed program; otherwise why not.
    QString installationProblem() const;
    // Asked before anything is replaced: true when the program may end (every unsaved document was
    // saved or its changes dropped, and the documents are closed). Unset: nothing to ask.
    void setDocumentReview(std::function<bool()> review) { m_documentReview = std::move(review); }
    // The public key (PEM) whose signature a release must carry; the release key unless set.
    void setTrustedPublicKey(const QByteArray& pem) { m_trustedPublicKey = pem; }
    void setSystemVersion(const QString& version) { m_systemVersion = version; }
    // Where a copy out of a read-only place goes ("/opt" unless set).
    void setCopyTargetFolder(const QString& folder) { m_copyTargetFolder = folder; }
    // How the program relaunches and ends (the relaunch script and quitting, unless set).
    using Relauncher = std::function<bool(const QString& launchPath, const QString& temporaryFolder)>;
    void setRelauncher(Relauncher relauncher) { m_relauncher = std::move(relauncher); }
    void setTerminator(std::function<void()> terminator) { m_terminator = std::move(terminator); }

    // Starts the detached script that waits (at most 600 s) for process `pid` to end, then starts
    // the program at `launchPath` (a folder: the program inside it) and removes `temporaryFolder`
    // (unless empty). False when it could not be started.
    static bool startRelaunchScript(qint64 pid, const QString& launchPath, const QString& temporaryFolder);

Q_SIGNALS:
    // The update ended: nothing newer, skipped, failed, abandoned or installed.
    void updateFinished();

private:
    void releaseControllerDidFinishLoading();
    void releaseControllerDidFailToLoad();
    void showUpdatePanel();
    void beginDownload();
    void downloadDidFinish(const QString& path, const QString& error);
    void mountDownload();
    void mounterDidFinish(const QString& error);
    void abandonUpdate();
    void endCheck();
    void showUpdateErrorAlertWithInfo(const QString& message);
    // Reports and abandons the update when it may not replace the installed program.
    bool refuseForeignInstallation();
    bool documentsMayClose();
    void relaunch(const QString& launchPath, const QString& temporaryFolder);
    QString downloadFolder();

    QPointer<QMUpdateStatusController> m_statusController;
    QPointer<QMUpdateAlertController> m_alertController;
    QPointer<QMReleaseController> m_releaseController;
    std::optional<QMRelease> m_newestRelease;
    bool m_updateInProgress = false;
    bool m_verbose = false;
    std::shared_ptr<std::atomic<bool>> m_cancelDownload;
    QString m_downloadPath;
    QString m_unpackFolder;
    QString m_downloadFolder;
    QString m_installedProgramPath;
    QString m_systemVersion;
    QString m_copyTargetFolder = QStringLiteral("/opt");
    Relauncher m_relauncher;
    std::function<void()> m_terminator;
    std::function<bool()> m_documentReview;
    QByteArray m_trustedPublicKey;
};
