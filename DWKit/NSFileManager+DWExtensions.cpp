#include "DWKit/NSFileManager+DWExtensions.h"

#include "DWKit/NSString+DWExtensions.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <mutex>

namespace dw {

namespace {
std::mutex s_temporaryMutex;
QString s_temporaryDirectory;
} // namespace

bool createDirectoryRecursiveAtPath(const QString& path)
{
    if (path.isEmpty())
        return false;
    return QDir().mkpath(path) && QFileInfo(path).isDir();
}

QString pathToFile(const QString& fileName, SearchPathDirectory directory)
{
    if (!paths::isSafeFileName(fileName))
        return QString();
    QStringList folders;
    if (directory == SearchPathDirectory::ApplicationSupport) {
        folders << paths::dataHome();
        QString systemDirs = qEnvironmentVariable("XDG_DATA_DIRS");
        if (systemDirs.isEmpty())
            systemDirs = QStringLiteral("/usr/local/share:/usr/share");
        for (const QString& folder : systemDirs.split(u':', Qt::SkipEmptyParts))
            if (QDir::isAbsolutePath(folder))
                folders << folder;
    } else {
        folders << paths::cacheHome();
    }
    for (const QString& folder : folders) {
        const QString candidate = QDir(folder).filePath(fileName);
        if (QFileInfo::exists(candidate))
            return candidate;
    }
    return QString();
}

QString temporaryDirectoryWithName(const QString& name)
{
    DW_PARAMETER_ASSERT(paths::isSafeFileName(name));
    std::lock_guard lock(s_temporaryMutex);
    if (s_temporaryDirectory.isEmpty()) {
        const QString base = paths::temporaryFolder();
        if (base.isNull()) {
            consoleWrite(format("ERROR could not create tmp directory for downloads (should be %@)", name));
            return QString();
        }
        s_temporaryDirectory = QDir::cleanPath(base + name + u'/' + UUID()) + u'/';
    }
    if (!QDir().mkpath(s_temporaryDirectory)) {
        consoleWrite(format("ERROR could not create tmp directory for downloads (should be %@)", s_temporaryDirectory));
        return QString();
    }
    return s_temporaryDirectory;
}

void resetTemporaryDirectory()
{
    std::lock_guard lock(s_temporaryMutex);
    s_temporaryDirectory.clear();
}

} // namespace dw
