#pragma once
// The category path cache: for every category of a site a ready display path (the names from the
// top level down, joined by " › ") and the chain of IDs leading to it ("/12/345"). One writable
// file for all sites, "Categories/CategoryCache.sqlite"; it reads the categories through the
// shared SQCategoryDataManager.
//
// Entries are made on demand, one by one or all of a site at once, and kept in the file; the
// entries of a site are dropped when its category tree changes version. Each entry keeps its path
// folded for search and a collation key of it (the user's locale, numbers by value, case ignored),
// so that the chooser reads a site's leaf paths sorted and ready to search; keys made for another
// locale or collation version, or missing (a cache written by qm-mkstore), are made again when the
// leaves are read. A cache file that cannot be
// opened is made anew (or, failing that, kept in memory for the run), so category paths never
// go missing for the rest of a run. Main thread.
//
//     const auto cache = SQCategoryCacheManager::sharedSQCategoryCacheManager();
//     cache->createAllCachedCategoryPathsForSiteID(77);
//     const QString path = cache->cachedCategoryPathForSiteID(77, 20081);   // "Antiques › ..."

#include "DWCoreDataEbayDataClasses/SQAbstractDatabase.h"
#include "DWCoreDataEbayDataClasses/SQCategory.h"

#include <QByteArrayView>
#include <QStringView>
#include <memory>
#include <vector>

class SQCategoryPathCollation;

class SQCachedCategoryPath : public SQManagedObject
{
public:
    SQCachedCategoryPath(std::shared_ptr<SQStoreContext> context, qint64 rowID, std::vector<QVariant> values)
        : SQManagedObject(std::move(context), entityDescription(), rowID, std::move(values))
    {}
    static const SQEntityDescription& entityDescription();

    QString namePath() const { return textValue(0); }
    QString idPath() const { return textValue(1); }
    qint64 categoryID() const { return integerValue(2); }
    qint64 siteID() const { return integerValue(3); }
    bool leaf() const { return integerValue(4) != 0; }
};
using SQCachedCategoryPathPtr = std::shared_ptr<SQCachedCategoryPath>;

// A site's leaf entries as the chooser lists them: per entry the ID, the display path and that
// path folded as searches compare texts (foldedForSearch()). The texts of all entries share one
// block, so that tens of thousands of them cost a few allocations, not two apiece.
class SQCachedLeafPaths
{
public:
    void append(qint64 categoryID, QStringView namePath, QStringView foldedNamePath);
    // Appends the entry's texts from UTF-8 (as the store keeps them).
    void appendUtf8(qint64 categoryID, QByteArrayView namePath, QByteArrayView foldedNamePath);

    qsizetype size() const { return qsizetype(m_entries.size()); }
    qint64 categoryID(qsizetype index) const { return m_entries[size_t(index)].categoryID; }
    QStringView namePath(qsizetype index) const;
    QStringView foldedNamePath(qsizetype index) const;

private:
    struct Entry
    {
        qint64 categoryID = 0;
        qsizetype nameFrom = 0;
        qsizetype nameLength = 0;
        qsizetype foldedLength = 0; // the folded text follows the name
    };
    QString m_text;
    std::vector<Entry> m_entries;
};

class SQCategoryCacheManager : public SQAbstractDatabase
{
public:
    // Opens (or makes) the cache at the given file.
    explicit SQCategoryCacheManager(const QString& databasePath);

    // The shared cache in the categories folder; created once.
    static std::shared_ptr<SQCategoryCacheManager> sharedSQCategoryCacheManager();
    // Forgets the shared cache, so that the next call opens it again (tests).
    static void resetSharedCacheForTesting();

    static QString cacheFilePath();
    static QString modelPath();
    // The text between two names of a path: the chevron with a blank on each side.
    static QString separator();

    // The form in which searches compare texts: decomposed, marks dropped, case folded ("Épée" and
    // "EPEE" fold alike), so that a folded needle is found in a folded path by a plain substring test.
    static QString foldedForSearch(const QString& text);

    // Whether the cache had to fall back to memory because no file could be used.
    bool isInMemory() const { return m_inMemory; }

    bool createCachedCategoryPathEntryForSiteID(qint64 siteID, const SQCategoryPtr& category);
    SQCachedCategoryPathPtr cachedCategoryPathObjectForSiteID(qint64 siteID, const SQCategoryPtr& category);
    QString cachedCategoryPathForSiteID(qint64 siteID, const SQCategoryPtr& category);
    QString cachedCategoryPathForSiteID(qint64 siteID, qint64 categoryID);
    // The categories of the entry's ID path, the root first, without the category itself.
    QList<SQCategoryPtr> cachedParentCategoriesForCategory(const SQCategoryPtr& category, qint64 siteID);
    bool allCachedCategoryPathsExistForSiteID(qint64 siteID);
    void createAllCachedCategoryPathsForSiteID(qint64 siteID);
    // The site's leaf entries in one read, sorted as a seller reads them ("Books 2" before
    // "Books 10", accents beside their letters), each with its folded path. Entries not made yet are
    // not there: createAllCachedCategoryPathsForSiteID() first. Empty without a cache.
    SQCachedLeafPaths cachedLeafCategoryPathsForSiteID(qint64 siteID);
    void deleteCacheForSiteID(qint64 siteID);
    // Entries are written as they are made, so there is never anything left to save.
    bool saveManagedObjectContext(QString* error = nullptr);

    ~SQCategoryCacheManager() override;

private:
    // Drops a site's entries when they were made from another version of its category tree.
    void checkTreeVersionForSiteID(qint64 siteID);
    // Makes the folded paths and collation keys that are missing or belong to another collation.
    void checkSortKeys();

    bool m_inMemory = false;
    bool m_sortKeysChecked = false;
    QHash<qint64, bool> m_checkedSites;
    std::unique_ptr<SQCategoryPathCollation> m_collation;
};
