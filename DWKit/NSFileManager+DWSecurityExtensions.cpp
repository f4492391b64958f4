#include "DWKit/NSFileManager+DWSecurityExtensions.h"

#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWFormat.h"
#include "platform/core/PrivilegedExecution.h"
#include "platform/core/UserDefaults.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sys/stat.h>
#include <unistd.h>

namespace dw {

namespace {

// The shell scripts take their paths as positional parameters ($1 source, $2 destination, $3 the
// set-aside path, and last a leftover set-aside of ours to remove first, or ""), so no path is ever
// parsed as shell text. Each one puts the old destination back when the new one cannot be put in
// place.
const QString kMoveScript = QStringLiteral("if [ -n \"$6\" ]; then rm -rf -- \"$6\" || exit 1; fi\n"
                                           "mv -f -- \"$2\" \"$3\" || exit 1\n"
                                           "if mv -f -- \"$1\" \"$2\"; then\n"
                                           "    rm -rf -- \"$3\"\n"
                                           "    chown -R -- \"$4:$5\" \"$2\"\n"
                                           "else\n"
                                           "    mv -f -- \"$3\" \"$2\"\n"
                                           "    exit 1\n"
                                           "fi\n");

const QString kCopyScript = QStringLiteral("if [ -n \"$4\" ]; then rm -rf -- \"$4\" || exit 1; fi\n"
                                           "if [ -e \"$2\" ] || [ -L \"$2\" ]; then\n"
                                           "    mv -f -- \"$2\" \"$3\" || exit 1\n"
                                           "fi\n"
                                           "if cp -R -p -- \"$1\" \"$2\"; then\n"
                                           "    rm -rf -- \"$3\"\n"
                                           "else\n"
                                           "    rm -rf -- \"$2\"\n"
                                           "    if [ -e \"$3\" ] || [ -L \"$3\" ]; then mv -f -- \"$3\" \"$2\"; fi\n"
                                           "    exit 1\n"
                                           "fi\n");

bool exists(const QString& path)
{
    struct stat info
    {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0;
}

bool isWritable(const QString& path)
{
    return ::access(QFile::encodeName(path).constData(), W_OK) == 0;
}

QString holdingFolder(const QString& path)
{
    return QFileInfo(QDir::cleanPath(path)).absolutePath();
}

bool removeTree(const QString& path)
{
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink())
        return QDir(path).removeRecursively();
    return QFile::remove(path);
}

bool copyTree(const QString& source, const QString& destination)
{
    const QFileInfo info(source);
    if (info.isSymLink())
        return QFile::link(info.symLinkTarget(), destination);
    if (!info.isDir())
        return QFile::copy(source, destination);
    if (!QDir().mkdir(destination))
        return false;
    const QDir folder(source);
    for (const QString& entry : folder.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
        if (!copyTree(folder.filePath(entry), QDir(destination).filePath(entry)))
            return false;
    return true;
}

bool moveTree(const QString& source, const QString& destination)
{
    if (QDir().rename(source, destination))
        return true;
    // Another file system: copy, then remove the source only when the copy is whole.
    if (!copyTree(source, destination)) {
        removeTree(destination);
        return false;
    }
    // The whole copy is in place: a source that cannot be removed (or only in part) leaves
    // leftovers, but the moved data must not be thrown away with it.
    if (!removeTree(source))
        consoleWrite(format("could not remove %@ after moving it to %@", source, destination));
    return true;
}

// Set-aside paths the administrator's shell is working with. One still listed at the next run was
// left by a run that was killed halfway: it is ours to clean up, unlike anything else found there.
const QString kPendingSetAsides = QStringLiteral("DWPendingSetAsidePaths");

bool isOurLeftover(const QString& path)
{
    return exists(path) && UserDefaults::standard().stringArrayForKey(kPendingSetAsides).contains(path);
}

void setPending(const QString& path, bool pending)
{
    QStringList paths = UserDefaults::standard().stringArrayForKey(kPendingSetAsides);
    paths.removeAll(path);
    if (pending)
        paths.append(path);
    UserDefaults::standard().setObject(paths.isEmpty() ? QVariant() : QVariant(paths), kPendingSetAsides);
}

// The direct way: the old destination goes straight to the trash, so whatever stands beside it (an
// unrelated "X.old", or a set-aside left by an interrupted administrator run) never blocks the
// update; when the new one cannot be put in place the old one comes back from the trash.
bool replaceDirectly(const QString& source, const QString& destination, bool copy)
{
    const QString leftover = setAsidePath(destination);
    if (isOurLeftover(leftover) && (QFile::moveToTrash(leftover) || removeTree(leftover)))
        setPending(leftover, false);
    QString trashed;
    if (exists(destination) && !QFile::moveToTrash(destination, &trashed))
        return false;
    const bool placed = copy ? copyTree(source, destination) : moveTree(source, destination);
    if (!placed) {
        if (exists(destination))
            removeTree(destination);
        if (!trashed.isEmpty() && !QDir().rename(trashed, destination))
            consoleWrite(format("could not put %@ back from the trash (%@)", destination, trashed));
        return false;
    }
    return true;
}

// The administrator's set-aside name: the usual one (our own leftover there is removed by the shell
// first), or a numbered one beside it when someone else's file has that name, so that it never
// makes the replacement fail for good.
QString freeSetAsidePath(const QString& destination, QString* leftover)
{
    const QString plain = setAsidePath(destination);
    *leftover = isOurLeftover(plain) ? plain : QString();
    if (!exists(plain) || !leftover->isEmpty())
        return plain;
    const qsizetype marker = plain.lastIndexOf(QStringLiteral(".old")) + 4;
    for (int n = 2; n < 1000; ++n) {
        const QString numbered = plain.left(marker) + u'-' + QString::number(n) + plain.mid(marker);
        if (!exists(numbered))
            return numbered;
    }
    return QString();
}

} // namespace

QString setAsidePath(const QString& destination)
{
    const QFileInfo info(QDir::cleanPath(destination));
    const QString name = info.fileName();
    const qsizetype dot = name.lastIndexOf(u'.');
    const QString folder = info.path() + u'/';
    if (dot <= 0)
        return folder + name + QStringLiteral(".old");
    return folder + name.left(dot) + QStringLiteral(".old") + name.mid(dot);
}

bool movePathWithAuthentication(const QString& source, const QString& destination)
{
    if (exists(destination) && isWritable(destination) && isWritable(holdingFolder(destination)))
        return replaceDirectly(source, destination, false);
    return movePathWithForcedAuthentication(source, destination);
}

bool copyPathWithAuthentication(const QString& source, const QString& destination)
{
    if (isWritable(holdingFolder(destination)))
        return replaceDirectly(source, destination, true);
    return copyPathWithForcedAuthentication(source, destination);
}

bool movePathWithForcedAuthentication(const QString& source, const QString& destination)
{
    QString leftover;
    const QString aside = freeSetAsidePath(destination, &leftover);
    struct stat owner
    {};
    if (!exists(source) || aside.isEmpty() || ::lstat(QFile::encodeName(destination).constData(), &owner) != 0)
        return false;
    setPending(aside, true);
    const PrivilegedResult result = runPrivileged(
        QStringLiteral("/bin/sh"), {QStringLiteral("-c"), kMoveScript, QStringLiteral("sh"), source, destination, aside,
                                    QString::number(owner.st_uid), QString::number(owner.st_gid), leftover});
    if (!exists(aside))
        setPending(aside, false);
    return result.started && result.exitCode == 0;
}

bool copyPathWithForcedAuthentication(const QString& source, const QString& destination)
{
    QString leftover;
    const QString aside = freeSetAsidePath(destination, &leftover);
    if (!exists(source) || aside.isEmpty()) {
        consoleWrite(QStringLiteral("_copyPathWithForcedAuthentication: stat failed"));
        return false;
    }
    setPending(aside, true);
    const PrivilegedResult result =
        runPrivileged(QStringLiteral("/bin/sh"),
                      {QStringLiteral("-c"), kCopyScript, QStringLiteral("sh"), source, destination, aside, leftover});
    if (!exists(aside))
        setPending(aside, false);
    if (!result.started) {
        consoleWrite(format("_copyPathWithForcedAuthentication: AuthorizationExecuteWithPrivileges failed with err %@",
                            result.errorText));
        return false;
    }
    if (result.exitCode != 0) {
        consoleWrite(format("_copyPathWithForcedAuthentication: copy failed with exit code %d", result.exitCode));
        return false;
    }
    return true;
}

} // namespace dw
