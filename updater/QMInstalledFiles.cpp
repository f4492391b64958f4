#include "updater/QMInstalledFiles.h"

#include "platform/core/AtomicFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

namespace QMInstalledFiles {

namespace {

void collect(const QString& root, const QString& relative, QStringList& entries)
{
    const QFileInfoList children =
        QDir(root + u'/' + relative)
            .entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
    for (const QFileInfo& child : children) {
        const QString path = relative + child.fileName();
        if (child.isDir() && !child.isSymLink()) {
            entries.append(path + u'/');
            collect(root, path + u'/', entries);
        } else {
            entries.append(path);
        }
    }
}

} // namespace

QStringList entriesOf(const QString& folder)
{
    QStringList entries;
    collect(folder, QString(), entries);
    entries.removeOne(QLatin1String(kListName));
    entries.sort();
    return entries;
}

bool writeList(const QString& folder)
{
    const QStringList entries = entriesOf(folder);
    QByteArray text;
    for (const QString& entry : entries)
        text += entry.toUtf8() + '\n';
    return dw::writeFileAtomically(folder + u'/' + QLatin1String(kListName), text);
}

QString reasonNotToReplace(const QString& folder)
{
    const QFileInfo info(folder);
    if (!info.isDir() || info.isSymLink())
        return QStringLiteral("%1 is not a folder of its own").arg(folder);
    QFile list(folder + u'/' + QLatin1String(kListName));
    if (!list.open(QIODevice::ReadOnly))
        return QStringLiteral("%1 holds no list of installed files").arg(folder);
    QSet<QString> listed;
    for (const QByteArray& line : list.readAll().split('\n')) {
        if (!line.isEmpty())
            listed.insert(QString::fromUtf8(line));
    }
    for (const QString& entry : entriesOf(folder)) {
        if (!listed.contains(entry))
            return QStringLiteral("%1 holds %2, which was not installed with the program").arg(folder, entry);
    }
    return QString();
}

} // namespace QMInstalledFiles
