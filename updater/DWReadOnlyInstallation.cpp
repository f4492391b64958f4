#include "updater/DWReadOnlyInstallation.h"

#include "platform/core/ConsoleOutput.h"

#include <QFile>
#include <QFileInfo>
#include <QList>
#include <cerrno>
#include <sys/statvfs.h>

namespace dw {

namespace {

// The mount table escapes blanks, tabs, line breaks and backslashes as three octal digits.
QString unescapeMountField(const QByteArray& field)
{
    QByteArray out;
    for (qsizetype i = 0; i < field.size(); ++i) {
        if (field[i] == '\\' && i + 3 < field.size()) {
            bool ok = false;
            const int code = field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok) {
                out.append(char(code));
                i += 3;
                continue;
            }
        }
        out.append(field[i]);
    }
    return QString::fromUtf8(out);
}

bool contains(const QString& mountPoint, const QString& path)
{
    if (mountPoint == u"/")
        return true;
    return path == mountPoint || path.startsWith(mountPoint + u'/');
}

} // namespace

QString mountOptionsForPath(const QString& path, const QByteArray& mountTable)
{
    QString best;
    QString options;
    for (const QByteArray& line : mountTable.split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() < 4)
            continue;
        const QString mountPoint = unescapeMountField(fields[1]);
        // A later mount over the same point hides the earlier one, hence ">=".
        if (contains(mountPoint, path) && mountPoint.size() >= best.size()) {
            best = mountPoint;
            options = QString::fromUtf8(fields[3]);
        }
    }
    return best.isEmpty() ? QString() : options;
}

bool isReadOnlyInstallationAtPath(const QString& path)
{
    struct statvfs info
    {};
    if (::statvfs(QFile::encodeName(path).constData(), &info) != 0) {
        consoleWrite(QStringLiteral("ERROR - statvfs returned error: %1 -- for path: %2").arg(errno).arg(path));
        return false;
    }
    if ((info.f_flag & ST_RDONLY) == 0)
        return false;
    QFile table(QStringLiteral("/proc/self/mounts"));
    if (!table.open(QIODevice::ReadOnly))
        return false;
    const QString canonical = QFileInfo(path).canonicalFilePath();
    const QString options = mountOptionsForPath(canonical.isEmpty() ? path : canonical, table.readAll());
    return options.split(u',').contains(QStringLiteral("ro"));
}

} // namespace dw
