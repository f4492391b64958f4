#pragma once
// The activity log: the entity store of log entries, kept in "LogEntries" in the application's
// support folder, with its retention rules and the repair of entries left pending.
//
// Entries enter only through addEntryFromThread() (or addEntry() on the main thread); operations
// change their own entries afterwards and announce it with postEntitiesChangedNotificationFromThread().
// Saving keeps at most the 300 newest entries of the last seven days; an entry still pending
// when the log is saved or loaded can no longer end and is turned into a failure.
//
//     const auto log = QMLogManager::sharedInstance();
//     log->addEntryFromThread(QMLogEntry::imageUploadLogEntryWithImageTitle(name));
//     if (log->hasPendingAddItemOperation()) ...
//
// The shared log is handed out with shared ownership: a worker that is adding an entry keeps the
// log alive until the main thread has taken it, even when the log is dropped meanwhile.

#include "DWKit/QMEntityManager.h"
#include "DWKit/QMLogEntry.h"

#include <QVariantMap>

class QMLogManager : public QMEntityManager
{
public:
    // Entries older than this many seconds are dropped at save.
    static constexpr qint64 kMaximumEntryAge = 604800;
    static constexpr qsizetype kMaximumEntryCount = 300;

    QMLogManager();
    ~QMLogManager() override;

    // The process's one log, made on first use under a lock.
    static std::shared_ptr<QMLogManager> sharedInstance();
    // Drops the shared log so that the next sharedInstance() makes a new one (tests).
    static void resetSharedInstance();

    // The entries that are log entries, oldest first.
    QList<QMLogEntryPtr> logEntries() const;
    // The last entry in list order of that type; null when none.
    QMLogEntryPtr lastLogEntryOfType(const QString& type) const;
    // Adds the entry under the last entry of the type, marks that one changed and posts the change
    // notification; without such an entry it writes a console line and does nothing.
    void addLogEntry(const QMLogEntryPtr& entry, const QString& parentType);
    // The same on the main thread, returning when it has run.
    void addLogEntryFromThread(const QMLogEntryPtr& entry, const QString& parentType);
    void addLogEntryToLastLogEntryOfTypeDictionary(const QVariantMap& arguments);
    bool hasPendingAddItemOperation() const;

    void load() override;
    bool save() override;

private:
    void markPendingEntriesFailed();
};
