#include "DWKit/widgets/NSImage+DWApplicationIcons.h"

#include "DWKit/widgets/NSWorkspace+DWExtensions.h"
#include "platform/core/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIcon>
#include <QStandardPaths>
#include <QTextStream>

namespace dw {

namespace {

// The Name of a desktop entry's [Desktop Entry] group, read by hand: QSettings would split a
// name holding a comma into a list.
QString desktopEntryName(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return QString();
    QTextStream in(&file);
    bool inEntry = false;
    while (!in.atEnd()) {
        const QString line = in.readLine().trimmed();
        if (line.startsWith(u'['))
            inEntry = line == QStringLiteral("[Desktop Entry]");
        else if (inEntry && line.startsWith(QStringLiteral("Name=")))
            return line.mid(5).trimmed();
    }
    return QString();
}

QImage largestImage(const QIcon& icon)
{
    QSize largest(256, 256);
    for (const QSize& size : icon.availableSizes())
        if (size.width() * size.height() > largest.width() * largest.height())
            largest = size;
    return icon.pixmap(largest).toImage();
}

} // namespace

QImage imageForApplicationBundleID(const QString& bundleIdentifier)
{
    if (!paths::isSafeFileName(bundleIdentifier))
        return QImage();
    const QString entry =
        QStandardPaths::locate(QStandardPaths::ApplicationsLocation, bundleIdentifier + QStringLiteral(".desktop"));
    if (entry.isEmpty())
        return QImage();
    return largestImage(iconForAppWithBundleIdentifier(bundleIdentifier));
}

QImage imageForApplicationName(const QString& applicationName)
{
    if (applicationName.isEmpty())
        return QImage();
    for (const QString& folder : QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation)) {
        const QDir applications(folder);
        for (const QString& file : applications.entryList({QStringLiteral("*.desktop")}, QDir::Files, QDir::Name)) {
            const QString identifier = QFileInfo(file).completeBaseName();
            if (identifier.compare(applicationName, Qt::CaseInsensitive) == 0 ||
                desktopEntryName(applications.filePath(file)).compare(applicationName, Qt::CaseInsensitive) == 0)
                return imageForApplicationBundleID(identifier);
        }
    }
    return QImage();
}

} // namespace dw
