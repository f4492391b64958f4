#include "DWKit/QMLogManager.h"

#include "DWKit/NSBundle+DWExtensions.h"
#include "DWKit/QMLog.h"

#include "platform/core/Clock.h"
#include "platform/core/MainThread.h"

#include <QDir>
#include <algorithm>
#include <memory>
#include <mutex>

namespace {

std::mutex s_sharedMutex;
std::shared_ptr<QMLogManager> s_shared;

} // namespace

QMLogManager::QMLogManager()
{
    QMLogEntry::registerArchiveClass();
    setDirectoryPath(QDir(dw::applicationSupportFolder()).filePath(QStringLiteral("LogEntries")));
    setListFileName(QStringLiteral("entries.data"));
    setUniqueIDKey(QStringLiteral("uniqueID"));
}

QMLogManager::~QMLogManager() = default;

std::shared_ptr<QMLogManager> QMLogManager::sharedInstance()
{
    std::lock_guard lock(s_sharedMutex);
    if (!s_shared)
        s_shared = std::make_shared<QMLogManager>();
    return s_shared;
}

void QMLogManager::resetSharedInstance()
{
    std::lock_guard lock(s_sharedMutex);
    s_shared.reset();
}

QList<QMLogEntryPtr> QMLogManager::logEntries() const
{
    QList<QMLogEntryPtr> result;
    for (const auto& entry : entries())
        if (auto logEntry = std::dynamic_pointer_cast<QMLogEntry>(entry))
            result.append(std::move(logEntry));
    return result;
}

QMLogEntryPtr QMLogManager::lastLogEntryOfType(const QString& type) const
{
    const QList<QMLogEntryPtr> all = logEntries();
    for (auto it = all.crbegin(); it != all.crend(); ++it)
        if ((*it)->type() == type)
            return *it;
    return nullptr;
}

void QMLogManager::addLogEntry(const QMLogEntryPtr& entry, const QString& parentType)
{
    const QMLogEntryPtr parent = lastLogEntryOfType(parentType);
    if (!parent) {
        QMLog("QMLogManager: couldn't find parent log entry of type %@", parentType);
        return;
    }
    parent->addSubentry(entry);
    markEntryDirty(parent);
    postEntitiesChangedNotification();
}

void QMLogManager::addLogEntryFromThread(const QMLogEntryPtr& entry, const QString& parentType)
{
    const QVariantMap arguments{{QStringLiteral("logEntry"), dw::objectValue(entry)},
                                {QStringLiteral("parentType"), parentType}};
    dw::runOnMainAndWait(
        [self = weak_from_this().lock(), this, arguments] { addLogEntryToLastLogEntryOfTypeDictionary(arguments); });
}

void QMLogManager::addLogEntryToLastLogEntryOfTypeDictionary(const QVariantMap& arguments)
{
    const auto entry =
        std::dynamic_pointer_cast<QMLogEntry>(dw::objectFromValue(arguments.value(QStringLiteral("logEntry"))));
    addLogEntry(entry, arguments.value(QStringLiteral("parentType")).toString());
}

bool QMLogManager::hasPendingAddItemOperation() const
{
    for (const auto& entry : logEntries())
        if (entry->type() == QLatin1String(kQMLogEntryTypeAddItem) &&
            entry->state() == QLatin1String(kQMLogEntryStatePending))
            return true;
    return false;
}

void QMLogManager::markPendingEntriesFailed()
{
    // An operation that has not ended by now never will: its entry would stay pending for good.
    for (const auto& entry : logEntries()) {
        if (entry->state() == QLatin1String(kQMLogEntryStatePending)) {
            entry->setState(QLatin1String(kQMLogEntryStateFailure));
            markEntryDirty(entry);
        }
    }
}

bool QMLogManager::save()
{
    const QList<dw::ArchivedObjectPtr> all = entries();
    const QDateTime oldestKept = dw::now().addSecs(-kMaximumEntryAge);
    // Each entry once, even when it is both beyond the count and too old: removing it twice would
    // announce a second change that did not happen.
    QList<dw::ArchivedObjectPtr> removals;
    const qsizetype surplus = std::max<qsizetype>(0, all.size() - kMaximumEntryCount);
    for (qsizetype i = 0; i < all.size(); ++i) {
        const auto entry = std::dynamic_pointer_cast<QMLogEntry>(all.at(i));
        const QDateTime timestamp = entry ? entry->timestamp() : QDateTime();
        if (i < surplus || (timestamp.isValid() && timestamp < oldestKept))
            removals.append(all.at(i));
    }
    markPendingEntriesFailed();
    removeEntries(removals);
    return QMEntityManager::save();
}

void QMLogManager::load()
{
    QMEntityManager::load();
    markPendingEntriesFailed();
}
