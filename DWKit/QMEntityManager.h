#pragma once
// A small store of entries: an ordered list in memory, a record of the entries changed since the
// last save, and a folder on disk with one keyed archive per entry plus a list file naming the
// entries in order.
//
// Entries are archivable objects (dw::ArchivedObject) that answer their unique ID by key-value
// lookup (dw::KeyValueCoding) under uniqueIDKey(); an entry without an ID stays in memory but is
// left out of the list file. Every change of the list posts QMEntitiesChangedNotificaion with the
// manager as object, on the main thread for changes made through the "FromThread" calls.
//
// Threads: the list and the dirty record are guarded by one recursive lock, so the main thread can
// read (entries(), entryWithID()) while workers change entries' own fields. Workers add entries
// only with addEntryFromThread() and announce their changes with
// postEntitiesChangedNotificationFromThread(); both run on the main thread and return when it has
// run them, so observers always hear of changes there. A worker must not call them while the main
// thread waits for that worker. A manager owned by a std::shared_ptr is kept alive by these calls
// until the main thread has run them, so the main thread may drop it meanwhile.
//
//     class QMLogManager : public QMEntityManager { ... };
//     manager.addEntryFromThread(entry);               // from an operation's thread
//     manager.save();                                   // main thread

#include "platform/archive/ArchivedObject.h"

#include <QList>
#include <QString>
#include <memory>
#include <mutex>

// The name is spelled so; observers elsewhere use the same text.
inline constexpr const char* QMEntitiesChangedNotificaion = "QMEntitiesChangedNotificaion";

class QMEntityManager : public std::enable_shared_from_this<QMEntityManager>
{
public:
    QMEntityManager();
    virtual ~QMEntityManager();
    QMEntityManager(const QMEntityManager&) = delete;
    QMEntityManager& operator=(const QMEntityManager&) = delete;

    // The folder of the store; a leading "~" stands for the home folder.
    QString directoryPath() const;
    void setDirectoryPath(const QString& path);
    // "entries.data" unless set otherwise.
    QString listFileName() const;
    void setListFileName(const QString& name);
    QString uniqueIDKey() const;
    void setUniqueIDKey(const QString& key);

    // Copies of the lists as they are now: oldest first, and the entries changed since the last save.
    QList<dw::ArchivedObjectPtr> entries() const;
    QList<dw::ArchivedObjectPtr> dirtyEntries() const;

    // Appends the entry, marks it changed and posts the notification.
    void addEntry(const dw::ArchivedObjectPtr& entry);
    // addEntry() on the main thread; returns when it has run.
    void addEntryFromThread(const dw::ArchivedObjectPtr& entry);
    // Takes the entry out of both lists and deletes its file (a file that is not there is no
    // problem), then posts the notification.
    void removeEntry(const dw::ArchivedObjectPtr& entry);
    // removeEntry() for each, one notification per entry.
    void removeEntries(const QList<dw::ArchivedObjectPtr>& entries);
    // Records the entry as changed, once.
    void markEntryDirty(const dw::ArchivedObjectPtr& entry);
    // The first entry whose unique ID equals `uniqueID`; null when none does.
    dw::ArchivedObjectPtr entryWithID(const QString& uniqueID) const;

    void postEntitiesChangedNotification();
    void postEntitiesChangedNotificationFromThread();

    // Appends the entries named in the list file, in its order; marks nothing changed and posts
    // nothing. A missing list file is an empty store; an entry file that is missing or cannot be
    // read is skipped with a console line, and the rest loads.
    virtual void load();
    // Creates the folder when needed, rewrites the list file and the files of the changed entries
    // (whole files, atomically) and forgets the change record. An entry whose file could not be
    // written stays recorded as changed, so the next save tries again. False (and a console line)
    // when anything could not be written.
    virtual bool save();

protected:
    // The unique ID of an entry; null when it has none.
    QString uniqueIDOfEntry(const dw::ArchivedObjectPtr& entry) const;
    // The folder with "~" expanded and the path cleaned.
    QString standardizedDirectoryPath() const;
    std::recursive_mutex& entriesLock() const { return m_lock; }

private:
    // The entry's file in the folder; null for an ID that is not a plain file name, so that an ID
    // read from a file can never name a path outside the folder.
    QString entryFilePath(const QString& uniqueID) const;

    mutable std::recursive_mutex m_lock;
    QString m_directoryPath;
    QString m_listFileName;
    QString m_uniqueIDKey;
    QList<dw::ArchivedObjectPtr> m_entries;
    QList<dw::ArchivedObjectPtr> m_dirtyEntries;
};
