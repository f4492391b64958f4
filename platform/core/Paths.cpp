#include "platform/core/Paths.h"

#include "platform/core/ConsoleOutput.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <QtGlobal>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace dw::paths {

namespace {

QString absoluteEnv(const char* name)
{
    const QString value = qEnvironmentVariable(name);
    if (value.isEmpty() || !QDir::isAbsolutePath(value))
        return QString();
    return QDir::cleanPath(value);
}

QString withSlash(const QString& path)
{
    return path.endsWith(u'/') ? path : path + u'/';
}

// A folder itself (not a link to one) that belongs to this user.
bool isOwnFolder(const QByteArray& path)
{
    struct stat info
    {};
    return ::lstat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == getuid();
}

std::mutex s_privateFolderMutex;
std::map<QString, QString> s_privateFolders;

} // namespace

QString homeFolder()
{
    const QString home = absoluteEnv("HOME");
    return home.isEmpty() ? QDir::homePath() : home;
}

QString dataHome()
{
    const QString v = absoluteEnv("XDG_DATA_HOME");
    return v.isEmpty() ? homeFolder() + QStringLiteral("/.local/share") : v;
}

QString configHome()
{
    const QString v = absoluteEnv("XDG_CONFIG_HOME");
    return v.isEmpty() ? homeFolder() + QStringLiteral("/.config") : v;
}

QString cacheHome()
{
    const QString v = absoluteEnv("XDG_CACHE_HOME");
    return v.isEmpty() ? homeFolder() + QStringLiteral("/.cache") : v;
}

QString fixedDataFolder()
{
    return withSlash(dataHome() + QStringLiteral("/Quillmart"));
}

QString applicationSupportFolder()
{
    return withSlash(dataHome() + QStringLiteral("/QuillmartVodar"));
}

QString cachesFolder()
{
    return withSlash(cacheHome() + QStringLiteral("/QuillmartVodar"));
}

QString configFolder()
{
    return withSlash(configHome() + QStringLiteral("/QuillmartVodar"));
}

QString temporaryFolder()
{
    QString base = absoluteEnv("TMPDIR");
    if (base.isEmpty())
        base = QStringLiteral("/tmp");
    const QString folder = QStringLiteral("%1/QuillmartVodar-%2").arg(base).arg(getuid());
    const QByteArray native = QFile::encodeName(folder);
    if (::mkdir(native.constData(), 0700) != 0 && errno != EEXIST)
        return withSlash(folder);
    if (isOwnFolder(native)) {
        struct stat info
        {};
        if (::lstat(native.constData(), &info) == 0 && (info.st_mode & 0777) != 0700)
            ::chmod(native.constData(), 0700);
        return withSlash(folder);
    }
    // Another user (or a link, or a file) took the name first: files put there would be theirs to
    // read or redirect. This process uses a folder of unguessable name instead.
    std::lock_guard lock(s_privateFolderMutex);
    auto& fallback = s_privateFolders[folder];
    if (fallback.isEmpty() || !isOwnFolder(QFile::encodeName(fallback))) {
        QByteArray pattern = native + "-XXXXXX";
        if (!::mkdtemp(pattern.data()))
            return QString();
        fallback = QFile::decodeName(pattern);
        consoleWrite(QStringLiteral("%1 is not a private folder of this user; using %2").arg(folder, fallback));
    }
    return withSlash(fallback);
}

QString runtimeFolder()
{
    // Only a folder of this user's own: a socket in a folder others may write could be replaced.
    const QString runtime = absoluteEnv("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && isOwnFolder(QFile::encodeName(runtime)))
        return withSlash(runtime);
    return temporaryFolder();
}

QString programFolder()
{
    // The kernel's link names the running executable itself: neither the current folder nor the
    // way it was started (a link in <prefix>/bin, a relative path) changes it.
    char buffer[4096];
    const ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (length <= 0)
        return QString();
    return QFileInfo(QFile::decodeName(QByteArray(buffer, int(length)))).absolutePath();
}

QString resourcesFolder()
{
    const QString overridden = absoluteEnv("QV_RESOURCES_DIR");
    if (!overridden.isEmpty())
        return withSlash(overridden);
    // Build tree (and a program folder an update brought): the resources folder beside the
    // program. Installed: <prefix>/lib/quillmartvodar/QuillmartVodar with <prefix>/share/quillmartvodar/.
    const QString program = programFolder();
    const QStringList candidates = {program + QStringLiteral("/resources"), program + QStringLiteral("/../resources"),
                                    program + QStringLiteral("/../../share/quillmartvodar")};
    for (const QString& candidate : candidates) {
        if (QFileInfo(candidate).isDir())
            return withSlash(QDir::cleanPath(candidate));
    }
    return withSlash(program + QStringLiteral("/resources"));
}

bool ensureFolder(const QString& path)
{
    return QDir().mkpath(path);
}

bool isSafeFileName(const QString& name)
{
    return !name.isEmpty() && name != QStringLiteral(".") && name != QStringLiteral("..") && !name.contains(u'/') &&
           !name.contains(QChar(0));
}

QString safeChildPath(const QString& folder, const QString& name)
{
    if (!isSafeFileName(name))
        return QString();
    return withSlash(folder) + name;
}

} // namespace dw::paths
