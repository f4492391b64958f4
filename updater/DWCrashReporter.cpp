#include "updater/DWCrashReporter.h"

#include "DWKit/NSBundle+DWExtensions.h"
#include "DWKit/network/NSURLRequest+DWExtensions.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"
#include "platform/network/HttpClient.h"
#include "updater/QMCrashReportPanelController.h"
#include "updater/QMReleaseController.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <cstdio>
#include <fcntl.h>
#include <memory>
#include <unistd.h>

namespace {

const QString kLastCrashLogFiles = QStringLiteral("QMLastCrashLogFiles");
constexpr qint64 kMaximumReportSize = 4 * 1024 * 1024;

QString stateHome()
{
    const QString state = qEnvironmentVariable("XDG_STATE_HOME");
    if (QDir::isAbsolutePath(state))
        return state;
    return dw::paths::homeFolder() + QStringLiteral("/.local/state");
}

QString readText(const QString& path, qint64 limit)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.read(limit));
}

// Runs of token alphabet long enough to be a credential and shaped like one (eBay's tokens carry
// "**", base64 carries "+" or ends in "="); paths and symbol names are broken up by "." or "_".
bool looksLikeCredential(QStringView run)
{
    return run.contains(QStringLiteral("**")) || run.contains(u'+') || run.endsWith(u'=');
}

} // namespace

QString DWCrashReporter::stateFolder()
{
    return stateHome() + QStringLiteral("/QuillmartVodar");
}

QString DWCrashReporter::crashLogFolder()
{
    return stateFolder() + QStringLiteral("/CrashReports");
}

QString DWCrashReporter::crashLogFilePath()
{
    const QString folder = crashLogFolder();
    const QString prefix = dw::bundleDisplayName() + u'_';
    QStringList names;
    for (const QString& name : QDir(folder).entryList(QDir::Files))
        if (name.startsWith(prefix))
            names.append(name);
    std::sort(names.begin(), names.end());
    return names.isEmpty() ? folder : folder + u'/' + names.last();
}

QString DWCrashReporter::versionFromCrashLog(const QString& log)
{
    for (const QString& line : log.split(u'\n')) {
        if (!line.startsWith(QStringLiteral("Version:")))
            continue;
        QString version = line;
        version.remove(QStringLiteral("Version:"));
        while (version.size() >= 2 && (version.front() == u' ' || version.front() == u'\t'))
            version.remove(0, 1);
        return version;
    }
    return QString();
}

QString DWCrashReporter::cutConsoleLines(const QStringList& lines)
{
    const QStringList kept = lines.size() < 21 ? lines : lines.mid(lines.size() - 10);
    QString text;
    for (const QString& line : kept)
        text += line + u'\n';
    return text;
}

QString DWCrashReporter::lastConsoleLogs()
{
    QStringList lines = readText(stateFolder() + QStringLiteral("/console-previous.log"), kMaximumReportSize)
                            .split(u'\n', Qt::SkipEmptyParts);
    return cutConsoleLines(lines);
}

QString DWCrashReporter::redactSecrets(const QString& text)
{
    static const QRegularExpression elements(
        QStringLiteral("<((?:\\w+:)?(?:eBayAuthToken|RESTToken|SecretID|Password|AuthToken|Token|Secret|"
                       "[\\w-]*Key))(\\s[^>]*)?>.*?(</\\1>|$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression pem(QStringLiteral("-----BEGIN [A-Z ]*PRIVATE KEY-----.*?(-----END [A-Z ]*PRIVATE "
                                                       "KEY-----|$)"),
                                        QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression assignments(
        QStringLiteral("\\b([\\w.-]*(?:token|passw(?:or)?d|secret|key|credential|auth)[\\w.-]*)(\\s*[=:]\\s*)"
                       "(\"[^\"\\n]*\"|'[^'\\n]*'|[^\\s&,;\"'<>]+)"),
        QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression bearer(QStringLiteral("\\b(Bearer|Basic)\\s+[A-Za-z0-9+/=._~-]+"),
                                           QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression runs(QStringLiteral("[A-Za-z0-9+/=*]{32,}"));

    QString out = text;
    out.replace(pem, QStringLiteral("<private key removed>"));
    out.replace(elements, QStringLiteral("<\\1\\2>(removed)</\\1>"));
    out.replace(bearer, QStringLiteral("\\1 (removed)"));
    out.replace(assignments, QStringLiteral("\\1\\2(removed)"));
    QString cleaned;
    qsizetype from = 0;
    for (auto it = runs.globalMatch(out); it.hasNext();) {
        const QRegularExpressionMatch match = it.next();
        if (!looksLikeCredential(match.capturedView()))
            continue;
        cleaned += QStringView(out).mid(from, match.capturedStart() - from);
        cleaned += QStringLiteral("(removed)");
        from = match.capturedEnd();
    }
    cleaned += QStringView(out).mid(from);
    return cleaned;
}

void DWCrashReporter::checkForCrash(const Presenter& presenter)
{
    dw::UserDefaults& defaults = dw::UserDefaults::standard();
    const QString folder = crashLogFolder();
    const QString path = crashLogFilePath();
    const bool seenBefore = defaults.objectForKey(kLastCrashLogFiles).isValid();
    QStringList seen = defaults.stringArrayForKey(kLastCrashLogFiles);
    const bool isNew = seenBefore && path != folder && !seen.contains(path);
    if (path != folder && !seen.contains(path))
        seen.append(path);
    if (!seenBefore || path != folder)
        defaults.setObject(seen, kLastCrashLogFiles);

    if (isNew) {
        Report report;
        report.path = path;
        report.crashLog = redactSecrets(readText(path, kMaximumReportSize));
        report.consoleLogs = redactSecrets(lastConsoleLogs());
        report.subject = QStringLiteral("[Quillmart Vodar %1 Crash Log]").arg(versionFromCrashLog(report.crashLog));
        if (presenter)
            presenter(report);
        else
            QMCrashReportPanelController::showReportPanelWithCrashLog(report.crashLog, report.consoleLogs,
                                                                      report.subject);
    }
    defaults.synchronize();
}

void DWCrashReporter::startConsoleRecording()
{
    const QString folder = stateFolder();
    if (!QDir().mkpath(folder))
        return;
    const QString current = folder + QStringLiteral("/console.log");
    const QString previous = folder + QStringLiteral("/console-previous.log");
    QFile::remove(previous);
    QFile::rename(current, previous);
    const int fd = ::open(QFile::encodeName(current).constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (fd < 0)
        return;
    const QString process = dw::bundleName();
    const qint64 pid = ::getpid();
    // The sink replaces the console's own output, so it writes the standard-error line too. The
    // console serialises calls into it.
    dw::setConsoleSink([fd, process, pid](const QString& text) {
        const QByteArray line =
            QStringLiteral("%1 %2[%3] %4\n")
                .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")), process)
                .arg(pid)
                .arg(text)
                .toUtf8();
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
        std::fflush(stderr);
        [[maybe_unused]] const ssize_t written = ::write(fd, line.constData(), size_t(line.size()));
    });
}

bool DWCrashReporter::sendReport(const QString& url, const QString& subject, const QString& content,
                                 const QString& appName, const QString& email, QString* error,
                                 const std::atomic<bool>* cancel)
{
    if (!QMReleaseController::isAllowedURL(QUrl(url))) {
        if (error)
            *error = QStringLiteral("refused to send to %1").arg(url);
        return false;
    }
    QVariantMap form{{QStringLiteral("subject"), subject},
                     {QStringLiteral("content"), redactSecrets(content)},
                     {QStringLiteral("appName"), appName}};
    if (!email.isEmpty())
        form.insert(QStringLiteral("email"), email);
    dw::HttpRequest request = dw::requestWithURL(url, form);
    request.cancel = cancel;
    const dw::HttpResponse response = dw::HttpClient().send(request);
    if (!response.ok()) {
        if (error)
            *error = response.errorText;
        return false;
    }
    return true;
}
