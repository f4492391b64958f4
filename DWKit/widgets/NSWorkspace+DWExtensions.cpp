#include "DWKit/widgets/NSWorkspace+DWExtensions.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QStyle>
#include <algorithm>
#include <unistd.h>

namespace dw {

namespace {

const QString kProcFolder = QStringLiteral("/proc");

QStringList processIds()
{
    QDir proc(kProcFolder);
    if (!proc.exists())
        return {};
    QStringList ids;
    for (const QString& entry : proc.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::NoSort)) {
        bool isNumber = false;
        entry.toUInt(&isNumber);
        if (isNumber)
            ids.append(entry);
    }
    // Table order: ascending process IDs.
    std::sort(ids.begin(), ids.end(), [](const QString& a, const QString& b) { return a.toUInt() < b.toUInt(); });
    return ids;
}

QString commandName(const QString& pid)
{
    QFile file(kProcFolder + u'/' + pid + QStringLiteral("/comm"));
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromUtf8(file.readAll()).trimmed();
}

} // namespace

bool amIAlreadyRunning()
{
    const QString ownPid = QString::number(::getpid());
    const QString ownExecutable = QFileInfo(kProcFolder + QStringLiteral("/self/exe")).symLinkTarget();
    if (ownExecutable.isEmpty())
        return false;
    const uint ownUser = ::getuid();
    for (const QString& pid : processIds()) {
        if (pid == ownPid)
            continue;
        const QFileInfo process(kProcFolder + u'/' + pid);
        if (process.ownerId() != ownUser)
            continue;
        if (QFileInfo(process.filePath() + QStringLiteral("/exe")).symLinkTarget() == ownExecutable)
            return true;
    }
    return false;
}

QVariantList launchedBSDProcessInformations()
{
    QVariantList processes;
    for (const QString& pid : processIds()) {
        const QString name = commandName(pid);
        if (name.isNull())
            continue; // the process ended while the table was read
        processes.append(QVariantMap{{QStringLiteral("name"), name}, {QStringLiteral("id"), pid}});
    }
    return processes;
}

QIcon iconForAppWithBundleIdentifier(const QString& bundleIdentifier)
{
    const QString desktopFile =
        QStandardPaths::locate(QStandardPaths::ApplicationsLocation, bundleIdentifier + QStringLiteral(".desktop"));
    if (!bundleIdentifier.isEmpty() && !desktopFile.isEmpty()) {
        QSettings entry(desktopFile, QSettings::IniFormat);
        const QString iconName = entry.value(QStringLiteral("Desktop Entry/Icon")).toString();
        if (!iconName.isEmpty()) {
            const QIcon icon = QFileInfo(iconName).isAbsolute() ? QIcon(iconName) : QIcon::fromTheme(iconName);
            if (!icon.isNull())
                return icon;
        }
    }
    const QIcon generic = QIcon::fromTheme(QStringLiteral("application-x-executable"));
    if (!generic.isNull())
        return generic;
    return QApplication::style()->standardIcon(QStyle::SP_DesktopIcon);
}

} // namespace dw
