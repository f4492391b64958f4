#include "DWKit/QMEntityManager.h"

#include "DWKit/NSFileManager+DWExtensions.h"
#include "DWKit/QMLog.h"

#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/archive/PropertyList.h"
#include "platform/core/KeyValueCoding.h"
#include "platform/core/MainThread.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QMEntityManager::QMEntityManager() : m_listFileName(QStringLiteral("entries.data")) {}

QMEntityManager::~QMEntityManager() = default;

QString QMEntityManager::directoryPath() const
{
    std::lock_guard lock(m_lock);
    return m_directoryPath;
}

void QMEntityManager::setDirectoryPath(const QString& path)
{
    std::lock_guard lock(m_lock);
    m_directoryPath = path;
}

QString QMEntityManager::listFileName() const
{
    std::lock_guard lock(m_lock);
    return m_listFileName;
}

void QMEntityManager::setListFileName(const QString& name)
{
    std::lock_guard lock(m_lock);
    m_listFileName = name;
}

QString QMEntityManager::uniqueIDKey() const
{
    std::lock_guard lock(m_lock);
    return m_uniqueIDKey;
}

void QMEntityManager::setUniqueIDKey(const QString& key)
{
    std::lock_guard lock(m_lock);
    m_uniqueIDKey = key;
}

QList<dw::ArchivedObjectPtr> QMEntityManager::entries() const
{
    std::lock_guard lock(m_lock);
    return m_entries;
}

QList<dw::ArchivedObjectPtr> QMEntityManager::dirtyEntries() const
{
    std::lock_guard lock(m_lock);
    return m_dirtyEntries;
}

void QMEntityManager::addEntry(const dw::ArchivedObjectPtr& entry)
{
    {
        std::lock_guard lock(m_lock);
        m_entries.append(entry);
        markEntryDirty(entry);
    }
    postEntitiesChangedNotification();
}

void QMEntityManager::addEntryFromThread(const dw::ArchivedObjectPtr& entry)
{
    dw::runOnMainAndWait([self = weak_from_this().lock(), this, entry] { addEntry(entry); });
}

void QMEntityManager::removeEntry(const dw::ArchivedObjectPtr& entry)
{
    QString path;
    {
        std::lock_guard lock(m_lock);
        m_entries.removeAll(entry);
        m_dirtyEntries.removeAll(entry);
        path = entryFilePath(uniqueIDOfEntry(entry));
    }
    if (!path.isNull())
        QFile::remove(path);
    postEntitiesChangedNotification();
}

void QMEntityManager::removeEntries(const QList<dw::ArchivedObjectPtr>& entries)
{
    for (const auto& entry : entries)
        removeEntry(entry);
}

void QMEntityManager::markEntryDirty(const dw::ArchivedObjectPtr& entry)
{
    std::lock_guard lock(m_lock);
    if (!m_dirtyEntries.contains(entry))
        m_dirtyEntries.append(entry);
}

dw::ArchivedObjectPtr QMEntityManager::entryWithID(const QString& uniqueID) const
{
    std::lock_guard lock(m_lock);
    for (const auto& entry : m_entries) {
        const QString id = uniqueIDOfEntry(entry);
        if (!id.isNull() && id == uniqueID)
            return entry;
    }
    return nullptr;
}

void QMEntityManager::postEntitiesChangedNotification()
{
    dw::NotificationCenter::defaultCenter().post(QLatin1String(QMEntitiesChangedNotificaion),
                                                 dw::NotificationObject::of(this));
}

void QMEntityManager::postEntitiesChangedNotificationFromThread()
{
    dw::runOnMainAndWait([self = weak_from_this().lock(), this] { postEntitiesChangedNotification(); });
}

void QMEntityManager::load()
{
    const QString folder = standardizedDirectoryPath();
    const QString listPath = QDir(folder).filePath(listFileName());
    if (!QFileInfo::exists(listPath))
        return;
    QString problem;
    const auto list = dw::plist::readFile(listPath, &problem);
    if (!list || list->typeId() != QMetaType::QVariantList) {
        QMLogError("exception: %@", list ? QStringLiteral("%1 holds no list").arg(listPath) : problem);
        return;
    }
    for (const QVariant& idValue : list->toList()) {
        const QString path = entryFilePath(idValue.typeId() == QMetaType::QString ? idValue.toString() : QString());
        if (path.isNull()) {
            QMLogError("exception: %@", QStringLiteral("%1 names an entry that is no file name").arg(listPath));
            continue;
        }
        if (!QFileInfo::exists(path))
            continue;
        const auto root = dw::KeyedUnarchiver::unarchiveObjectWithFile(path, &problem);
        if (!root) {
            QMLogError("exception: %@", problem);
            continue;
        }
        const auto entry = root->value<dw::ArchivedObjectPtr>();
        if (root->typeId() != qMetaTypeId<dw::ArchivedObjectPtr>() || !entry) {
            QMLogError("exception: %@", QStringLiteral("%1 holds no entry").arg(path));
            continue;
        }
        std::lock_guard lock(m_lock);
        m_entries.append(entry);
    }
}

bool QMEntityManager::save()
{
    const QString folder = standardizedDirectoryPath();
    if (!dw::createDirectoryRecursiveAtPath(folder)) {
        QMLogError("QMEntityManager: cannot create the folder %@", folder);
        return false;
    }
    bool saved = true;
    std::lock_guard lock(m_lock);
    QVariantList ids;
    for (const auto& entry : m_entries) {
        const QString id = uniqueIDOfEntry(entry);
        if (!id.isNull())
            ids.append(id);
    }
    QString problem;
    if (!dw::plist::writeFile(QDir(folder).filePath(m_listFileName), ids, dw::plist::Format::Xml, &problem)) {
        QMLogError("QMEntityManager: cannot write the list of entries: %@", problem);
        saved = false;
    }
    QList<dw::ArchivedObjectPtr> unsaved;
    for (const auto& entry : std::as_const(m_dirtyEntries)) {
        const QString path = entryFilePath(uniqueIDOfEntry(entry));
        if (path.isNull())
            continue; // without an ID there is no file to write it to
        if (!dw::KeyedArchiver::archiveRootObject(dw::archiveValue(entry), path, &problem)) {
            QMLogError("QMEntityManager: cannot write %@: %@", path, problem);
            unsaved.append(entry);
            saved = false;
        }
    }
    m_dirtyEntries = unsaved;
    return saved;
}

QString QMEntityManager::uniqueIDOfEntry(const dw::ArchivedObjectPtr& entry) const
{
    const auto object = std::dynamic_pointer_cast<dw::KeyValueCoding>(entry);
    if (!object)
        return QString();
    const QVariant id = object->valueForKey(uniqueIDKey());
    return id.typeId() == QMetaType::QString ? id.toString() : QString();
}

QString QMEntityManager::standardizedDirectoryPath() const
{
    QString path = directoryPath();
    if (path == QLatin1String("~") || path.startsWith(QLatin1String("~/")))
        path = dw::paths::homeFolder() + path.mid(1);
    return QDir::cleanPath(path);
}

QString QMEntityManager::entryFilePath(const QString& uniqueID) const
{
    if (uniqueID.isNull())
        return QString();
    return dw::paths::safeChildPath(standardizedDirectoryPath(), uniqueID + QStringLiteral(".data"));
}
