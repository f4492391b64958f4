#include "Operations/QMListingUUIDStore.h"

#include "platform/core/AtomicFile.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/Paths.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <iterator>
#include <mutex>

namespace {

// A listing's file is read, written and removed under its own lock, so that listings going out
// at once on several threads do not wait for each other's disk writes.
std::mutex& lockForListing(const QString& uniqueID)
{
    static std::mutex locks[16];
    return locks[qHash(uniqueID) % std::size(locks)];
}

// A listing's unique ID comes from its document: only a plain file name is used as it is.
QString fileForListing(const QString& uniqueID)
{
    const QString folder = QMListingUUIDStore::folderPath();
    const QString plain = dw::paths::safeChildPath(folder, uniqueID);
    if (!plain.isNull() && !uniqueID.startsWith(QLatin1Char('.')))
        return plain;
    const QByteArray digest = QCryptographicHash::hash(uniqueID.toUtf8(), QCryptographicHash::Sha256).toHex();
    return QDir(folder).filePath(QString::fromLatin1(digest));
}

bool isListingUUID(const QString& text)
{
    static const QRegularExpression form(QStringLiteral("^[0-9A-Fa-f]{32}$"));
    return form.match(text).hasMatch();
}

QString readUUID(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    const QString text = QString::fromLatin1(file.read(64)).trimmed();
    return isListingUUID(text) ? text : QString();
}

} // namespace

QString QMListingUUIDStore::folderPath()
{
    return QDir(dw::paths::applicationSupportFolder()).filePath(QStringLiteral("ListingUUIDs"));
}

QString QMListingUUIDStore::keptUUIDForListing(const QString& uniqueID)
{
    if (uniqueID.isEmpty())
        return QString();
    std::lock_guard lock(lockForListing(uniqueID));
    return readUUID(fileForListing(uniqueID));
}

QString QMListingUUIDStore::keepUUIDForListing(const QString& uniqueID, const QString& candidate)
{
    if (uniqueID.isEmpty())
        return candidate;
    std::lock_guard lock(lockForListing(uniqueID));
    const QString path = fileForListing(uniqueID);
    const QString kept = readUUID(path);
    if (!kept.isNull())
        return kept;
    QString error;
    if (!dw::paths::ensureFolder(folderPath()) || !dw::writeFileAtomically(path, candidate.toLatin1() + '\n', &error))
        dw::consoleWrite(QStringLiteral("Could not keep the listing UUID of %1: %2")
                             .arg(uniqueID, error.isEmpty() ? folderPath() : error));
    return candidate;
}

void QMListingUUIDStore::forgetUUIDForListing(const QString& uniqueID, const QString& uuid)
{
    if (uniqueID.isEmpty())
        return;
    std::lock_guard lock(lockForListing(uniqueID));
    const QString path = fileForListing(uniqueID);
    if (readUUID(path) == uuid)
        QFile::remove(path);
}
