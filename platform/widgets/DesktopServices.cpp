#include "platform/widgets/DesktopServices.h"

#include "platform/core/ConsoleOutput.h"
#include "platform/core/Paths.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>

namespace dw {

namespace {
DesktopURLOpener& installedOpener()
{
    static DesktopURLOpener opener;
    return opener;
}
} // namespace

bool isDesktopOpenableURL(const QUrl& url)
{
    if (!url.isValid())
        return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("mailto"))
        return !url.path().isEmpty();
    return (scheme == QLatin1String("http") || scheme == QLatin1String("https")) && !url.host().isEmpty();
}

bool openURLOnDesktop(const QUrl& url)
{
    if (!isDesktopOpenableURL(url)) {
        // The scheme alone: the rest of the address may carry what a log must not show.
        consoleWrite(
            QStringLiteral("Refused to open an address of the scheme \"%1\" on the desktop").arg(url.scheme()));
        return false;
    }
    if (const auto& opener = installedOpener())
        return opener(url);
    return QDesktopServices::openUrl(url);
}

bool openLocalFileOnDesktop(const QString& path)
{
    const QFileInfo file(path);
    const QString canonical = file.canonicalFilePath();
    const auto inside = [&canonical](const QString& folder) {
        const QString root = QFileInfo(folder).canonicalFilePath();
        return !root.isEmpty() && canonical.startsWith(root + QLatin1Char('/'));
    };
    if (canonical.isEmpty() || file.isSymLink() || !file.isFile() ||
        !(inside(paths::resourcesFolder()) || inside(paths::temporaryFolder()))) {
        consoleWrite(QStringLiteral("Refused to open a file that is not the program's own on the desktop"));
        return false;
    }
    const QUrl url = QUrl::fromLocalFile(canonical);
    if (const auto& opener = installedOpener())
        return opener(url);
    return QDesktopServices::openUrl(url);
}

DesktopURLOpener setDesktopURLOpener(DesktopURLOpener opener)
{
    DesktopURLOpener previous = std::move(installedOpener());
    installedOpener() = std::move(opener);
    return previous;
}

} // namespace dw
