#include "updater/QMUpdater.h"

#include "DWKit/NSBundle+DWExtensions.h"
#include "DWKit/NSFileManager+DWSecurityExtensions.h"
#include "DWKit/NSString+DWExtensions.h"
#include "platform/core/AlertPresenter.h"
#include "platform/core/BackgroundWork.h"
#include "platform/core/Clock.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/Localization.h"
#include "platform/core/MainThread.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/Paths.h"
#include "platform/network/HttpClient.h"
#include "updater/DWReadOnlyInstallation.h"
#include "updater/DWUpdaterPreferencesManager.h"
#include "updater/QMInstalledFiles.h"
#include "updater/QMReleaseController.h"
#include "updater/QMReleaseSignature.h"
#include "updater/QMUpdateAlertController.h"
#include "updater/QMUpdateArchive.h"
#include "updater/QMUpdateStatusController.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QUuid>
#include <gnu/libc-version.h>
#include <memory>
#include <unistd.h>

namespace {

constexpr qint64 kLaunchCheckInterval = 43200; // 12 hours

QString localized(const char* text)
{
    return dw::localized(text, "QMUpdater");
}

bool isAppImage(const QString& path)
{
    return path.endsWith(QStringLiteral(".AppImage"), Qt::CaseInsensitive);
}

// The first folder named `name` below `root`, shallowest first, in name order at each depth.
QString findProgramFolder(const QString& root, const QString& name)
{
    QStringList level{root};
    for (int depth = 0; depth < 8 && !level.isEmpty(); ++depth) {
        QStringList next;
        for (const QString& folder : level) {
            const QFileInfoList entries = QDir(folder).entryInfoList(
                QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden | QDir::NoSymLinks, QDir::Name);
            for (const QFileInfo& entry : entries) {
                if (entry.fileName() == name)
                    return entry.filePath();
                next.append(entry.filePath());
            }
        }
        level = next;
    }
    return QString();
}

// Waits up to 3000 × 0.2 s for the old process ($1) to end, then starts the program ($2) when it
// has, and removes the temporary folder ($3) in any case. Everything arrives as arguments.
const QString kRelaunchScript = QStringLiteral("i=0\n"
                                               "while [ \"$i\" -lt 3000 ] && kill -0 \"$1\" 2>/dev/null; do\n"
                                               "    sleep .2\n"
                                               "    i=$((i + 1))\n"
                                               "done\n"
                                               "if ! kill -0 \"$1\" 2>/dev/null; then\n"
                                               "    \"$2\" >/dev/null 2>&1 &\n"
                                               "fi\n"
                                               "if [ -n \"$3\" ]; then rm -rf -- \"$3\"; fi\n");

} // namespace

QMUpdater::QMUpdater(QObject* parent)
    : QObject(parent), m_systemVersion(runningSystemVersion()),
      m_trustedPublicKey(QMReleaseSignature::releasePublicKey())
{}

QMUpdater::~QMUpdater()
{
    if (m_cancelDownload)
        m_cancelDownload->store(true);
    delete m_statusController;
    delete m_alertController;
}

QMUpdater& QMUpdater::sharedUpdater()
{
    static QMUpdater updater;
    return updater;
}

QString QMUpdater::runningSystemVersion()
{
    return QString::fromLatin1(gnu_get_libc_version());
}

QMUpdater::Step QMUpdater::examineRelease(const QMRelease& candidate, const QMRelease& current,
                                          const QString& systemVersion, const QString& skippedVersion, bool verbose)
{
    if (candidate.versionString.isEmpty())
        return Step::Next;
    if (!verbose && candidate.versionString == skippedVersion)
        return Step::Stop;
    if (!candidate.minSystemVersion.isEmpty() &&
        QMRelease::compareVersions(systemVersion, candidate.minSystemVersion) < 0)
        return Step::Next;
    if (!candidate.isNewerBuildThan(current))
        return Step::Stop;
    return Step::Offer;
}

QUrl QMUpdater::urlByAddingParameters(const QString& base)
{
    const QString name = dw::bundleDisplayName();
    const QString language = QStringLiteral("English");
    QString text = base + u'?';
    if (!name.isEmpty())
        text += QStringLiteral("APPLICATION=%1&").arg(name);
    if (!language.isEmpty())
        text += QStringLiteral("APP_LANGUAGE=%1&").arg(language);
    text += QStringLiteral("GZIP=1&");
    if (DWUpdaterPreferencesManager::shouldIncludeSystemInformationForUpdates()) {
        if (const QString system = runningSystemVersion(); !system.isEmpty())
            text += QStringLiteral("SYS_VERSION=%1&").arg(system);
        if (const QString version = dw::versionInfo(); !version.isEmpty())
            text += QStringLiteral("APP_VERSION=%1&").arg(version);
    }
    return QUrl::fromEncoded(dw::stringByAddingURLPercentEscapes(text).toUtf8());
}

QString QMUpdater::installedProgramPath() const
{
    if (!m_installedProgramPath.isEmpty())
        return m_installedProgramPath;
    if (const QString appImage = qEnvironmentVariable("APPIMAGE"); !appImage.isEmpty())
        return appImage;
    return dw::paths::programFolder();
}

QString QMUpdater::installationProblem() const
{
    const QString installed = installedProgramPath();
    if (isAppImage(installed))
        return QFileInfo(installed).isFile() ? QString() : QStringLiteral("%1 is no file").arg(installed);
    return QMInstalledFiles::reasonNotToReplace(installed);
}

bool QMUpdater::refuseForeignInstallation()
{
    const QString problem = installationProblem();
    if (problem.isEmpty())
        return false;
    dw::consoleWrite(QStringLiteral("ERROR the update does not replace the installed program: %1").arg(problem));
    showUpdateErrorAlertWithInfo(
        localized("The folder of the installed program holds files that were not installed with it, so the update "
                  "leaves it as it is. Please install the new version yourself."));
    abandonUpdate();
    return true;
}

bool QMUpdater::isAutomaticallyUpdating() const
{
    return DWUpdaterPreferencesManager::updaterDownloadInBackground() && !m_verbose;
}

void QMUpdater::checkForUpdate()
{
    const QDateTime last = DWUpdaterPreferencesManager::lastVersionCheckDate();
    if (last.isValid()) {
        // A date in the future (a clock set back) must not stop checks for good.
        const qint64 age = last.secsTo(dw::now());
        if (age >= 0 && age < kLaunchCheckInterval)
            return;
    }
    if (!DWUpdaterPreferencesManager::checkForUpdates().has_value()) {
        dw::AlertRequest alert;
        alert.style = dw::AlertRequest::Style::Informational;
        alert.messageText = localized("Check for new versions on launch?");
        alert.informativeText =
            localized("Would you like %1 to check for new versions on launch?").arg(dw::bundleDisplayName());
        alert.buttons = {localized("Yes"), localized("No")};
        DWUpdaterPreferencesManager::setCheckForUpdates(dw::alertPresenter().runModal(alert).buttonIndex == 0);
    }
    if (DWUpdaterPreferencesManager::checkForUpdates().value_or(false)) {
        DWUpdaterPreferencesManager::setLastVersionCheckDate(dw::now());
        checkForUpdatesInBackground();
    }
}

void QMUpdater::checkForUpdatesAndNotify(bool verbose)
{
    if (m_updateInProgress) {
        if (!verbose)
            return;
        QApplication::beep();
        if (m_statusController && m_statusController->isVisible()) {
            m_statusController->raise();
            m_statusController->activateWindow();
        } else if (m_alertController && m_alertController->isVisible()) {
            m_alertController->raise();
            m_alertController->activateWindow();
        } else {
            showUpdateErrorAlertWithInfo(localized("An update is already running."));
        }
        return;
    }
    m_verbose = verbose;
    m_updateInProgress = true;
    delete m_releaseController;
    m_releaseController = new QMReleaseController(this);
    connect(m_releaseController, &QMReleaseController::didFinishLoading, this,
            &QMUpdater::releaseControllerDidFinishLoading);
    connect(m_releaseController, &QMReleaseController::didFailToLoad, this, &QMUpdater::releaseControllerDidFailToLoad);
    m_releaseController->fetchReleasesFromURL(urlByAddingParameters(DWUpdaterPreferencesManager::updateURL()));
}

void QMUpdater::releaseControllerDidFailToLoad()
{
    showUpdateErrorAlertWithInfo(
        localized("An error occurred while downloading the update information. Please try again later."));
    endCheck();
}

void QMUpdater::releaseControllerDidFinishLoading()
{
    QMRelease current = QMRelease::mainBundleRelease();
    current.minSystemVersion = m_systemVersion;
    const QString skipped = DWUpdaterPreferencesManager::updaterSkippedReleaseVersion();
    const QList<QMRelease> candidates =
        m_releaseController ? m_releaseController->sortedReleases() : QList<QMRelease>();
    for (const QMRelease& candidate : candidates) {
        m_newestRelease = candidate;
        const Step step = examineRelease(candidate, current, m_systemVersion, skipped, m_verbose);
        if (candidate.versionString.isEmpty())
            dw::consoleWrite(QStringLiteral("ERROR could not extract a version string from release %1")
                                 .arg(candidate.description()));
        if (step == Step::Next)
            continue;
        if (step == Step::Stop)
            break;
        if (isAutomaticallyUpdating())
            beginDownload();
        else
            showUpdatePanel();
        return;
    }
    if (m_verbose) {
        dw::AlertRequest alert;
        alert.style = dw::AlertRequest::Style::Informational;
        alert.messageText = localized("Your Version of %1 is up to date.").arg(current.applicationName);
        alert.informativeText = localized("%1 is currently the newest version available.").arg(current.title);
        alert.buttons = {localized("OK")};
        dw::alertPresenter().runModal(alert);
    }
    endCheck();
}

void QMUpdater::showUpdatePanel()
{
    delete m_alertController;
    m_alertController = new QMUpdateAlertController(*m_newestRelease);
    m_alertController->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_alertController, &QMUpdateAlertController::finishedWithChoice, this,
            &QMUpdater::updateAlertFinishedWithChoice);
    m_verbose = true;
    m_alertController->show();
}

void QMUpdater::updateAlertFinishedWithChoice(int choice)
{
    if (sender() && sender() != m_alertController)
        return;
    m_alertController = nullptr; // closed, and deleted once control returns to the event loop
    switch (choice) {
    case QMUpdateAlertController::InstallUpdate:
        DWUpdaterPreferencesManager::setUpdaterSkippedReleaseVersion(QString());
        beginDownload();
        break;
    case QMUpdateAlertController::RemindMeLater:
        DWUpdaterPreferencesManager::setUpdaterSkippedReleaseVersion(QString());
        endCheck();
        break;
    case QMUpdateAlertController::SkipThisVersion:
        DWUpdaterPreferencesManager::setUpdaterSkippedReleaseVersion(m_newestRelease->versionString);
        endCheck();
        break;
    default:
        break;
    }
}

QString QMUpdater::downloadFolder()
{
    if (m_downloadFolder.isEmpty()) {
        const QString temporary = dw::paths::temporaryFolder();
        if (temporary.isEmpty())
            return QString();
        m_downloadFolder = QDir::cleanPath(temporary + QStringLiteral("/DunmerrowDownloads/") +
                                           QUuid::createUuid().toString(QUuid::WithoutBraces));
    }
    if (!QDir().mkpath(m_downloadFolder)) {
        dw::consoleWrite(
            QStringLiteral("ERROR could not create tmp directory for downloads (should be %1)").arg(m_downloadFolder));
        return QString();
    }
    QFile::setPermissions(m_downloadFolder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return m_downloadFolder;
}

void QMUpdater::beginDownload()
{
    // Nothing is fetched for an installation the update could not replace.
    if (refuseForeignInstallation())
        return;
    if (!isAutomaticallyUpdating()) {
        if (!m_statusController)
            m_statusController = new QMUpdateStatusController;
        m_statusController->beginActionWithTitle(localized("Downloading update..."), 0, QString());
        m_statusController->setButtonTitle(
            localized("Cancel"), [this] { cancelDownload(); }, false);
        m_statusController->setButtonEnabled(true);
        m_statusController->show();
    }
    const QUrl url = m_newestRelease->fileURL;
    const QString folder = downloadFolder();
    if (!QMReleaseController::isAllowedURL(url) || folder.isEmpty()) {
        downloadDidFinish(QString(), QStringLiteral("refused to download %1").arg(url.toString()));
        return;
    }
    QString name = url.fileName();
    if (name.endsWith(QStringLiteral(".txt")))
        name.chop(4);
    if (!dw::paths::isSafeFileName(name))
        name = QStringLiteral("update.tar.gz");
    const QString path = folder + u'/' + name;
    const QString digest = m_newestRelease->SHA256Sum;
    const QString signature = m_newestRelease->signature;
    const QByteArray publicKey = m_trustedPublicKey;
    const qint64 limit = QMUpdateArchive::Limits().maximumTotalBytes;

    m_cancelDownload = std::make_shared<std::atomic<bool>>(false);
    const std::shared_ptr<std::atomic<bool>> cancel = m_cancelDownload;
    const QPointer<const QObject> guard(this);
    QPointer<QMUpdater> self(this);
    auto failure = std::make_shared<QString>();
    // The download's cancel is also its stop flag: quitting cuts it short.
    const auto download = [guard, self, cancel, failure, url, path, digest, signature, publicKey, limit] {
        int lastPermille = -1;
        dw::HttpRequest request;
        request.cancel = cancel.get();
        request.downloadProgress = [&](qint64 received, qint64 total) {
            const int permille = total > 0 ? int(received * 1000 / total) : 0;
            if (permille == lastPermille)
                return;
            lastPermille = permille;
            dw::postToMain(guard, [self, received, total] {
                if (!self || !self->m_statusController)
                    return;
                self->m_statusController->setMaxProgressValue(double(total));
                self->m_statusController->setProgressValue(double(received));
                if (total > 0)
                    self->m_statusController->setStatusText(
                        QString::asprintf("%.2f %% ", double(received) / double(total) * 100.0) +
                        localized("downloaded."));
            });
        };
        // The download goes straight into the private folder, its digest taken on the way.
        QFile file(path);
        QCryptographicHash hash(QCryptographicHash::Sha256);
        qint64 received = 0;
        bool tooLarge = false;
        bool writeFailed = false;
        request.bodyReceiver = [&](QByteArrayView piece) {
            received += piece.size();
            if (received > limit) {
                tooLarge = true;
                return false;
            }
            if (file.write(piece.data(), piece.size()) != piece.size()) {
                writeFailed = true;
                return false;
            }
            hash.addData(piece);
            return true;
        };
        QString error;
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            error = QStringLiteral("cannot write %1").arg(path);
        } else {
            const dw::HttpResponse response = QMReleaseController::sendToAllowedURL(url, request);
            if (!file.flush())
                writeFailed = true;
            file.close();
            if (tooLarge)
                error = QStringLiteral("the download is larger than %1 bytes").arg(limit);
            else if (writeFailed)
                error = QStringLiteral("cannot write %1").arg(path);
            else if (!response.ok())
                error = response.errorText;
            else if (response.status != 200)
                error = QStringLiteral("the server answered %1").arg(response.status);
            else if (received == 0)
                error = QStringLiteral("the download is empty");
        }
        const QByteArray sha256 = hash.result();
        if (error.isEmpty() && !digest.isEmpty() && QString::fromLatin1(sha256.toHex()) != digest.trimmed().toLower())
            error = QStringLiteral("the download does not match its checksum");
        if (error.isEmpty())
            (void)QMReleaseSignature::verifyDigest(sha256, signature, publicKey, &error);
        if (!error.isEmpty())
            QFile::remove(path);
        *failure = error;
    };
    dw::runInBackground(
        guard, download,
        [self, cancel, path, failure] {
            // A download that was cancelled (and perhaps followed by another) reports nothing.
            if (self && self->m_cancelDownload == cancel)
                self->downloadDidFinish(path, *failure);
        },
        cancel);
}

void QMUpdater::downloadDidFinish(const QString& path, const QString& error)
{
    m_cancelDownload.reset();
    if (!error.isEmpty()) {
        dw::consoleWrite(QStringLiteral("ERROR download:didFailWithError: %1").arg(error));
        showUpdateErrorAlertWithInfo(
            localized("An error occurred while downloading the update. Please try again later."));
        abandonUpdate();
        return;
    }
    m_downloadPath = path;
    mountDownload();
}

void QMUpdater::cancelDownload()
{
    if (m_cancelDownload)
        m_cancelDownload->store(true);
    m_cancelDownload.reset();
    abandonUpdate();
}

void QMUpdater::mountDownload()
{
    if (!isAutomaticallyUpdating() && m_statusController) {
        m_statusController->beginActionWithTitle(localized("Unpacking update..."), 0, QString());
        m_statusController->setProgressValue(1);
    }
    if (isAppImage(m_downloadPath)) {
        QFile::setPermissions(m_downloadPath, QFile::permissions(m_downloadPath) | QFileDevice::ExeOwner |
                                                  QFileDevice::ExeGroup | QFileDevice::ExeOther);
        mounterDidFinish(QString());
        return;
    }
    m_unpackFolder = QFileInfo(m_downloadPath).absolutePath() + QStringLiteral("/unpacked");
    QDir(m_unpackFolder).removeRecursively();
    const QString archive = m_downloadPath;
    const QString destination = m_unpackFolder;
    const QPointer<const QObject> guard(this);
    QPointer<QMUpdater> self(this);
    auto error = std::make_shared<QString>();
    dw::runInBackground(
        guard,
        [archive, destination, error] {
            if (!QMUpdateArchive::unpack(archive, destination, error.get()) && error->isEmpty())
                *error = QStringLiteral("cannot unpack");
        },
        [self, error] {
            if (self)
                self->mounterDidFinish(*error);
        });
}

void QMUpdater::mounterDidFinish(const QString& error)
{
    if (!m_newestRelease)
        return;
    if (!error.isEmpty()) {
        dw::consoleWrite(QStringLiteral("ERROR could not unpack the update: %1").arg(error));
        showUpdateErrorAlertWithInfo(
            localized("An error occurred while unpacking the update. Please try again later."));
        abandonUpdate();
        return;
    }
    if (isAutomaticallyUpdating()) {
        installAndRestart();
        return;
    }
    if (!m_statusController)
        return;
    m_statusController->beginActionWithTitle(localized("Ready to install"), 1, QString());
    m_statusController->setProgressValue(1);
    m_statusController->setButtonTitle(
        localized("Install and Relaunch"), [this] { installAndRestart(); }, true);
    m_statusController->setButtonEnabled(true);
    QApplication::alert(m_statusController);
}

void QMUpdater::installAndRestart()
{
    if (!m_newestRelease || m_downloadPath.isEmpty())
        return;
    const bool automatic = isAutomaticallyUpdating();
    const QString currentPath = installedProgramPath();
    const QString downloadFolderPath = QFileInfo(m_downloadPath).absolutePath();
    if (!automatic && m_statusController) {
        m_statusController->beginActionWithTitle(localized("Installing update..."), 0, QString());
        m_statusController->setButtonEnabled(false);
        QCoreApplication::processEvents();
    }
    const QString name = dw::bundleName();
    if (name.isEmpty()) {
        dw::consoleWrite(QStringLiteral("ERROR: No CFBundleName found."));
        showUpdateErrorAlertWithInfo(localized("An error occurred while installing. Please try again later."));
        abandonUpdate();
        return;
    }
    QString newPath = m_downloadPath;
    if (!isAppImage(m_downloadPath)) {
        newPath = findProgramFolder(m_unpackFolder, name);
        if (newPath.isEmpty())
            newPath = m_unpackFolder + u'/' + name;
    }
    if (!QFileInfo::exists(newPath)) {
        dw::consoleWrite(QStringLiteral("ERROR the update holds no %1 (looked for %2)").arg(name, newPath));
        showUpdateErrorAlertWithInfo(localized("An error occurred while installing. Please try again later."));
        abandonUpdate();
        return;
    }
    // The installed folder may have gained files since the download began.
    if (refuseForeignInstallation())
        return;
    // The new folder is all the updater's own: the next update may replace it in turn.
    if (!isAppImage(newPath) && !QMInstalledFiles::writeList(newPath)) {
        dw::consoleWrite(QStringLiteral("ERROR cannot list the files of %1").arg(newPath));
        showUpdateErrorAlertWithInfo(localized("An error occurred while installing. Please try again later."));
        abandonUpdate();
        return;
    }
    if (!automatic && !documentsMayClose()) {
        // The seller kept a document open: nothing was replaced, and the update stays ready.
        if (m_statusController) {
            m_statusController->beginActionWithTitle(localized("Ready to install"), 1, QString());
            m_statusController->setProgressValue(1);
            m_statusController->setButtonEnabled(true);
        }
        return;
    }
    if (automatic) {
        const QFileInfo installed(currentPath);
        const bool writable = installed.isWritable() && QFileInfo(installed.absolutePath()).isWritable();
        if (!writable || !dw::movePathWithAuthentication(newPath, currentPath)) {
            abandonUpdate();
            return;
        }
        dw::AlertRequest alert;
        alert.style = dw::AlertRequest::Style::Informational;
        alert.messageText = localized("A new version of %1 has been installed").arg(dw::bundleDisplayName());
        alert.informativeText =
            localized(
                "%1 has been installed and will be ready to use next time %2 starts! Would you like to relaunch now?")
                .arg(m_newestRelease->title, dw::bundleDisplayName());
        alert.buttons = {localized("Relaunch Now"), localized("Relaunch Later")};
        // "Relaunch Later", or a document the seller keeps open: the new version is in place for
        // the next start; this process stays "in progress".
        if (dw::alertPresenter().runModal(alert).buttonIndex != 0 || !documentsMayClose())
            return;
    } else if (!dw::movePathWithAuthentication(newPath, currentPath)) {
        showUpdateErrorAlertWithInfo(localized(
            "You do not have permission to write to the application's directory. Are you running off a disk image?"));
        abandonUpdate();
        return;
    }
    relaunch(currentPath, downloadFolderPath);
}

bool QMUpdater::documentsMayClose()
{
    return !m_documentReview || m_documentReview();
}

void QMUpdater::relaunch(const QString& launchPath, const QString& temporaryFolder)
{
    if (!temporaryFolder.isEmpty())
        dw::NotificationCenter::defaultCenter().post(QLatin1String(kQMUpdaterWillRestartNotification),
                                                     dw::NotificationObject::of(this));
    const bool started = m_relauncher
                             ? m_relauncher(launchPath, temporaryFolder)
                             : startRelaunchScript(QCoreApplication::applicationPid(), launchPath, temporaryFolder);
    if (!started)
        dw::consoleWrite(QStringLiteral("ERROR could not start the relaunch of %1").arg(launchPath));
    if (m_statusController)
        m_statusController->close();
    if (m_terminator)
        m_terminator();
    else
        QCoreApplication::quit();
}

bool QMUpdater::startRelaunchScript(qint64 pid, const QString& launchPath, const QString& temporaryFolder)
{
    const QString program = QFileInfo(launchPath).isDir() ? QDir(launchPath).filePath(dw::bundleName()) : launchPath;
    QProcess process;
    process.setProgram(QStringLiteral("/bin/sh"));
    process.setArguments(
        {QStringLiteral("-c"), kRelaunchScript, QStringLiteral("sh"), QString::number(pid), program, temporaryFolder});
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    return process.startDetached();
}

void QMUpdater::abandonUpdate()
{
    m_newestRelease.reset();
    if (m_statusController) {
        m_statusController->close();
        m_statusController->deleteLater();
        m_statusController = nullptr;
    }
    endCheck();
}

void QMUpdater::endCheck()
{
    m_updateInProgress = false;
    Q_EMIT updateFinished();
}

void QMUpdater::showUpdateErrorAlertWithInfo(const QString& message)
{
    if (!m_verbose)
        return;
    dw::AlertRequest alert;
    alert.style = dw::AlertRequest::Style::Warning;
    alert.messageText = localized("Update Error");
    alert.informativeText = message;
    alert.buttons = {localized("Cancel")};
    dw::alertPresenter().runModal(alert);
}

void QMUpdater::handleStartFromReadOnlyLocation()
{
    const QString installed = installedProgramPath();
    if (!dw::isReadOnlyInstallationAtPath(installed))
        return;
    dw::consoleWrite(QStringLiteral("is running from a read-only location"));
    const QString name = dw::bundleDisplayName();
    dw::AlertRequest alert;
    alert.style = dw::AlertRequest::Style::Informational;
    alert.messageText = localized("Running from a Read-Only Location");
    alert.informativeText =
        localized("You are about to start %1 from a read-only location. If you intend to use it regularly, we "
                  "recommend that you copy the application to the folder %2.")
            .arg(name, m_copyTargetFolder);
    alert.buttons = {localized("Copy and Restart"), localized("Continue")};
    if (dw::alertPresenter().runModal(alert).buttonIndex != 0)
        return;
    const QString target = QDir(m_copyTargetFolder).filePath(QFileInfo(QDir::cleanPath(installed)).fileName());
    dw::consoleWrite(QStringLiteral("will copy myself to %1").arg(target));
    if (dw::copyPathWithAuthentication(installed, target)) {
        dw::consoleWrite(QStringLiteral("will restart at %1").arg(target));
        relaunch(target, QString());
        return;
    }
    dw::AlertRequest failure;
    failure.messageText = localized("Update Error");
    failure.informativeText =
        localized("You do not have permission to write to the %1 directory.").arg(m_copyTargetFolder);
    failure.buttons = {localized("Continue")};
    dw::alertPresenter().runModal(failure);
    dw::consoleWrite(QStringLiteral("could not copy myself to %1").arg(target));
}
