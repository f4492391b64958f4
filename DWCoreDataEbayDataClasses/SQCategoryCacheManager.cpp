#include "DWCoreDataEbayDataClasses/SQCategoryCacheManager.h"

#include "DWCoreDataEbayDataClasses/SQCategoryDataManager.h"
#include "SQCategoryPathCollation_p.h"
#include "SQLiteConnection_p.h"
#include "SQStoreContext_p.h"

#include "DWKit/QMLog.h"
#include "platform/core/DWAssert.h"
#include "platform/core/Localization.h"
#include "platform/core/Paths.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QStringDecoder>

namespace {

std::mutex& sharedCacheMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::shared_ptr<SQCategoryCacheManager>& sharedCache()
{
    static std::shared_ptr<SQCategoryCacheManager> cache;
    return cache;
}

QString treeVersionKey(qint64 siteID)
{
    return QStringLiteral("treeVersion.site%1").arg(siteID);
}

const QString kCollationKey = QStringLiteral("collation");

const QString kInsertEntry =
    QStringLiteral("INSERT OR IGNORE INTO CachedCategoryPath (namePath, idPath, categoryID, siteID, leaf, "
                   "foldedNamePath, sortKey) VALUES (?, ?, ?, ?, ?, ?, ?)");

} // namespace

const SQEntityDescription& SQCachedCategoryPath::entityDescription()
{
    static const SQEntityDescription entity{QStringLiteral("CachedCategoryPath"),
                                            {QStringLiteral("namePath"), QStringLiteral("idPath"),
                                             QStringLiteral("categoryID"), QStringLiteral("siteID"),
                                             QStringLiteral("leaf")},
                                            {}};
    return entity;
}

SQCategoryCacheManager::SQCategoryCacheManager(const QString& databasePath)
    : SQAbstractDatabase(modelPath(), databasePath), m_collation(std::make_unique<SQCategoryPathCollation>())
{
    // The chooser reads a site's whole index of leaves at once: mapped, the file's pages are read
    // where the system keeps them instead of being copied into SQLite's cache page by page.
    const auto mapped = [](const std::shared_ptr<SQStoreContext>& context) {
        if (context)
            context->connection().execute(QStringLiteral("PRAGMA mmap_size = 268435456"));
        return context != nullptr;
    };
    try {
        if (mapped(managedObjectContext()))
            return;
    } catch (const dw::InternalInconsistency&) {
    }
    QMLog("Could not open categories cache file with local mom");
    // The cache holds nothing that cannot be made again: start a new file, or keep it in memory
    // for this run, rather than going without category paths.
    QFile::remove(databasePath);
    try {
        if (mapped(managedObjectContext()))
            return;
    } catch (const dw::InternalInconsistency&) {
    }
    setDatabasePath(QStringLiteral(":memory:"));
    m_inMemory = true;
    try {
        managedObjectContext();
    } catch (const dw::InternalInconsistency& error) {
        QMLog("Could not make the category cache in memory: %@", error.message());
    }
}

void SQCachedLeafPaths::append(qint64 categoryID, QStringView namePath, QStringView foldedNamePath)
{
    m_entries.push_back({categoryID, m_text.size(), namePath.size(), foldedNamePath.size()});
    m_text.append(namePath).append(foldedNamePath);
}

void SQCachedLeafPaths::appendUtf8(qint64 categoryID, QByteArrayView namePath, QByteArrayView foldedNamePath)
{
    // UTF-8 never takes fewer bytes than UTF-16 takes units: the decoded texts fit.
    const qsizetype start = m_text.size();
    m_text.resize(start + namePath.size() + foldedNamePath.size());
    QChar* const begin = m_text.data() + start;
    QStringDecoder decoder(QStringDecoder::Utf8);
    QChar* const nameEnd = decoder.appendToBuffer(begin, namePath);
    QChar* const foldedEnd = decoder.appendToBuffer(nameEnd, foldedNamePath);
    m_text.truncate(start + (foldedEnd - begin));
    m_entries.push_back({categoryID, start, nameEnd - begin, foldedEnd - nameEnd});
}

QStringView SQCachedLeafPaths::namePath(qsizetype index) const
{
    const Entry& entry = m_entries[size_t(index)];
    return QStringView(m_text).mid(entry.nameFrom, entry.nameLength);
}

QStringView SQCachedLeafPaths::foldedNamePath(qsizetype index) const
{
    const Entry& entry = m_entries[size_t(index)];
    return QStringView(m_text).mid(entry.nameFrom + entry.nameLength, entry.foldedLength);
}

SQCategoryCacheManager::~SQCategoryCacheManager() = default;

std::shared_ptr<SQCategoryCacheManager> SQCategoryCacheManager::sharedSQCategoryCacheManager()
{
    std::lock_guard lock(sharedCacheMutex());
    auto& cache = sharedCache();
    if (!cache) {
        (void)SQCategoriesDatabase::categoriesFolderPath();
        cache = std::make_shared<SQCategoryCacheManager>(cacheFilePath());
    }
    return cache;
}

void SQCategoryCacheManager::resetSharedCacheForTesting()
{
    std::lock_guard lock(sharedCacheMutex());
    sharedCache().reset();
}

QString SQCategoryCacheManager::cacheFilePath()
{
    return SQCategoriesDatabase::categoriesFolderPathNoFolderCreation() + QStringLiteral("/CategoryCache.sqlite");
}

QString SQCategoryCacheManager::modelPath()
{
    return modelFilePath(QStringLiteral("CategoryCache.sql"));
}

QString SQCategoryCacheManager::separator()
{
    static const QString chevron = [] {
        const QString localized = dw::localized("CHEVRON_CHARACTER", "ManualLocalizable");
        // Without a string table the lookup answers its key.
        return localized == QLatin1String("CHEVRON_CHARACTER") ? QStringLiteral("\u203A") : localized;
    }();
    return QLatin1Char(' ') + chevron + QLatin1Char(' ');
}

QString SQCategoryCacheManager::foldedForSearch(const QString& text)
{
    return dw::sq::foldedForSearch(text);
}

void SQCategoryCacheManager::checkTreeVersionForSiteID(qint64 siteID)
{
    const auto context = managedObjectContext();
    if (!context || m_checkedSites.contains(siteID))
        return;
    m_checkedSites.insert(siteID, true);
    const auto store = SQCategoryDataManager::sharedSQCategoryDataManager()->categoriesDatabaseForForSiteID(siteID);
    if (!store)
        return;
    const QString current = QString::number(store->treeVersion());
    QString recorded;
    {
        std::lock_guard lock(context->mutex());
        dw::sq::Statement read =
            context->connection().prepare(QStringLiteral("SELECT value FROM dw_metadata WHERE key = ?"));
        read.bind(1, treeVersionKey(siteID));
        recorded = read.next() ? read.text(0) : QString();
    }
    if (recorded == current)
        return;
    // Not under the store's lock: deleting asks for the store, whose opening takes its locks the
    // other way round.
    deleteCacheForSiteID(siteID);
    std::lock_guard lock(context->mutex());
    dw::sq::Statement write =
        context->connection().prepare(QStringLiteral("INSERT OR REPLACE INTO dw_metadata (key, value) VALUES (?, ?)"));
    write.bind(1, treeVersionKey(siteID)).bind(2, current);
    if (!write.run())
        context->reportError(context->connection().lastError());
}

bool SQCategoryCacheManager::createCachedCategoryPathEntryForSiteID(qint64 siteID, const SQCategoryPtr& category)
{
    const auto context = managedObjectContext();
    if (!context || !category)
        return false;
    const auto chain =
        SQCategoryDataManager::sharedSQCategoryDataManager()->parentCategoriesForCategory(category, siteID);
    QString idPath;
    QString namePath;
    const QString between = separator();
    for (const auto& link : chain) {
        if (link->categoryID() == 0)
            continue;
        idPath += QStringLiteral("/%1").arg(link->categoryID());
        namePath += namePath.isEmpty() ? link->name() : between + link->name();
    }
    if (idPath.isEmpty() || namePath.isEmpty())
        return false;
    std::lock_guard lock(context->mutex());
    checkSortKeys();
    dw::sq::Statement insert = context->connection().prepare(kInsertEntry);
    insert.bind(1, namePath)
        .bind(2, idPath)
        .bind(3, category->categoryID())
        .bind(4, siteID)
        .bind(5, qint64(category->subcategoriesCount() == 0 ? 1 : 0))
        .bind(6, foldedForSearch(namePath))
        .bindBlob(7, m_collation->sortKey(namePath));
    if (!insert.run()) {
        context->reportError(context->connection().lastError());
        return false;
    }
    return true;
}

SQCachedCategoryPathPtr SQCategoryCacheManager::cachedCategoryPathObjectForSiteID(qint64 siteID,
                                                                                  const SQCategoryPtr& category)
{
    const auto context = managedObjectContext();
    if (!context || !category)
        return nullptr;
    checkTreeVersionForSiteID(siteID);
    const qint64 categoryID = category->categoryID();
    const auto fetch = [&] {
        return context->fetchFirst<SQCachedCategoryPath>(QStringLiteral("siteID = ? AND categoryID = ?"),
                                                         [&](dw::sq::Statement& s) {
                                                             s.bind(1, siteID);
                                                             s.bind(2, categoryID);
                                                         });
    };
    if (auto entry = fetch())
        return entry;
    if (!createCachedCategoryPathEntryForSiteID(siteID, category))
        return nullptr;
    return fetch();
}

QString SQCategoryCacheManager::cachedCategoryPathForSiteID(qint64 siteID, const SQCategoryPtr& category)
{
    const auto entry = cachedCategoryPathObjectForSiteID(siteID, category);
    return entry ? entry->namePath() : QString();
}

QString SQCategoryCacheManager::cachedCategoryPathForSiteID(qint64 siteID, qint64 categoryID)
{
    const auto category =
        SQCategoryDataManager::sharedSQCategoryDataManager()->categoryForCategoryID(categoryID, siteID);
    return category ? cachedCategoryPathForSiteID(siteID, category) : QString();
}

QList<SQCategoryPtr> SQCategoryCacheManager::cachedParentCategoriesForCategory(const SQCategoryPtr& category,
                                                                               qint64 siteID)
{
    const auto entry = cachedCategoryPathObjectForSiteID(siteID, category);
    if (!entry)
        return {};
    const auto manager = SQCategoryDataManager::sharedSQCategoryDataManager();
    QList<SQCategoryPtr> parents;
    // "/12/345" splits into "", "12", "345": the empty first part reads as 0, the root.
    for (const QString& part : entry->idPath().split(QLatin1Char('/'))) {
        const qint64 id = part.toLongLong();
        if (id == category->categoryID())
            continue;
        if (const auto found = manager->categoryForCategoryID(id, siteID))
            parents.append(found);
    }
    return parents;
}

bool SQCategoryCacheManager::allCachedCategoryPathsExistForSiteID(qint64 siteID)
{
    const auto context = managedObjectContext();
    if (!context)
        return false;
    checkTreeVersionForSiteID(siteID);
    bool ok = false;
    const qint64 entries =
        context->integerResult(QStringLiteral("SELECT count(*) FROM CachedCategoryPath WHERE siteID = ?"), 0, &ok,
                               [siteID](dw::sq::Statement& s) { s.bind(1, siteID); });
    if (!ok)
        return false;
    const auto store = SQCategoryDataManager::sharedSQCategoryDataManager()->categoriesDatabaseForForSiteID(siteID);
    const quint64 categories = store ? store->categoriesCount() : 0;
    // Unsigned, as the count of a site without a store (0) minus one wraps to the largest value.
    return quint64(entries) >= categories - 1;
}

void SQCategoryCacheManager::createAllCachedCategoryPathsForSiteID(qint64 siteID)
{
    const auto context = managedObjectContext();
    if (!context)
        return;
    checkTreeVersionForSiteID(siteID);
    const auto store = SQCategoryDataManager::sharedSQCategoryDataManager()->categoriesDatabaseForForSiteID(siteID);
    if (!store)
        return;
    const QList<qint64> existing =
        context->rowIDs(QStringLiteral("SELECT categoryID FROM CachedCategoryPath WHERE siteID = ?"),
                        [siteID](dw::sq::Statement& s) { s.bind(1, siteID); });
    const QList<SQCategoryPtr> categories = store->categories();
    if (quint64(existing.size()) >= quint64(categories.size()) - 1)
        return;
    const QSet<qint64> done(existing.begin(), existing.end());

    // The paths are made from a map of the whole tree rather than one parent chain per category:
    // building all of a site's entries is then one walk over the categories.
    QHash<qint64, SQCategoryPtr> byRowID;
    for (const auto& category : categories)
        byRowID.insert(category->rowID(), category);
    const QString between = separator();
    std::lock_guard lock(context->mutex());
    checkSortKeys();
    context->connection().execute(QStringLiteral("BEGIN"));
    dw::sq::Statement insert = context->connection().prepare(kInsertEntry);
    for (const auto& category : categories) {
        if (category->categoryID() == 0 || done.contains(category->categoryID()))
            continue;
        QStringList names;
        QString idPath;
        int depth = 0;
        bool broken = false;
        for (SQCategoryPtr link = category; link; ++depth) {
            if (depth > 64) { // a loop in damaged data
                broken = true;
                break;
            }
            if (link->categoryID() != 0) {
                names.prepend(link->name());
                idPath.prepend(QStringLiteral("/%1").arg(link->categoryID()));
            }
            const qint64 parent = link->valueForKey(QStringLiteral("parentCategory")).toLongLong();
            link = parent ? byRowID.value(parent) : nullptr;
        }
        if (broken || names.isEmpty())
            continue;
        const QString namePath = names.join(between);
        insert.reset();
        insert.bind(1, namePath)
            .bind(2, idPath)
            .bind(3, category->categoryID())
            .bind(4, siteID)
            .bind(5, qint64(category->subcategoriesCount() == 0 ? 1 : 0))
            .bind(6, foldedForSearch(namePath))
            .bindBlob(7, m_collation->sortKey(namePath));
        if (!insert.run())
            context->reportError(context->connection().lastError());
    }
    context->connection().execute(QStringLiteral("COMMIT"));
}

SQCachedLeafPaths SQCategoryCacheManager::cachedLeafCategoryPathsForSiteID(qint64 siteID)
{
    const auto context = managedObjectContext();
    if (!context)
        return {};
    checkTreeVersionForSiteID(siteID);
    SQCachedLeafPaths leaves;
    std::lock_guard lock(context->mutex());
    checkSortKeys();
    // The index on (siteID, leaf, sortKey, ...) holds every column read and hands the rows over in
    // order: nothing is sorted here, and the table itself is not touched.
    dw::sq::Statement select = context->connection().prepare(
        QStringLiteral("SELECT categoryID, namePath, foldedNamePath FROM CachedCategoryPath WHERE siteID = ? AND "
                       "leaf = 1 ORDER BY sortKey, namePath"));
    select.bind(1, siteID);
    while (select.next())
        leaves.appendUtf8(select.integer(0), select.utf8(1), select.utf8(2));
    if (select.hasError())
        context->reportError(context->connection().lastError());
    return leaves;
}

void SQCategoryCacheManager::checkSortKeys()
{
    const auto context = managedObjectContext();
    if (!context || m_sortKeysChecked)
        return;
    m_sortKeysChecked = true;
    std::lock_guard lock(context->mutex());
    dw::sq::Connection& connection = context->connection();
    dw::sq::Statement read = connection.prepare(QStringLiteral("SELECT value FROM dw_metadata WHERE key = ?"));
    read.bind(1, kCollationKey);
    const bool sameCollation = read.next() && read.text(0) == m_collation->identity();
    // Entries written without keys (by qm-mkstore) get theirs; all of them, under another collation.
    dw::sq::Statement select = connection.prepare(
        sameCollation ? QStringLiteral("SELECT id, namePath FROM CachedCategoryPath WHERE sortKey IS NULL OR "
                                       "foldedNamePath IS NULL")
                      : QStringLiteral("SELECT id, namePath FROM CachedCategoryPath"));
    QList<std::pair<qint64, QString>> entries;
    while (select.next())
        entries.append({select.integer(0), select.text(1)});
    connection.execute(QStringLiteral("BEGIN"));
    dw::sq::Statement update = connection.prepare(
        QStringLiteral("UPDATE CachedCategoryPath SET foldedNamePath = ?, sortKey = ? WHERE id = ?"));
    for (const auto& [id, namePath] : std::as_const(entries)) {
        update.reset();
        update.bind(1, foldedForSearch(namePath)).bindBlob(2, m_collation->sortKey(namePath)).bind(3, id);
        if (!update.run())
            context->reportError(connection.lastError());
    }
    dw::sq::Statement write =
        connection.prepare(QStringLiteral("INSERT OR REPLACE INTO dw_metadata (key, value) VALUES (?, ?)"));
    write.bind(1, kCollationKey).bind(2, m_collation->identity());
    if (!write.run())
        context->reportError(connection.lastError());
    connection.execute(QStringLiteral("COMMIT"));
}

void SQCategoryCacheManager::deleteCacheForSiteID(qint64 siteID)
{
    const auto context = managedObjectContext();
    if (!context)
        return;
    std::lock_guard lock(context->mutex());
    dw::sq::Statement statement =
        context->connection().prepare(QStringLiteral("DELETE FROM CachedCategoryPath WHERE siteID = ?"));
    statement.bind(1, siteID);
    statement.run();
}

bool SQCategoryCacheManager::saveManagedObjectContext(QString*)
{
    return true;
}
