#pragma once
// The category path cache: for every category of a site a ready display path (the names from the
// top level down, joined by " › ") and the chain of IDs leading to it ("/12/345"). One writable
// file for all sites, "Categories/CategoryCache.sqlite"; it reads the categories through the
// shared SQCategoryDataManager.
//
// Entries are made on demand, one by one or all of a site at once, and kept in the file; the
// entries of a site are dropped when its category tree changes version. A cache file that cannot be
// opened is made anew (or, failing that, kept in memory for the run), so category paths never
// go missing for the rest of a run. Main thread.
//
//     const auto cache = SQCategoryCacheManager::sharedSQCategoryCacheManager();
//     cache->createAllCachedCategoryPathsForSiteID(77);
//     const QString path = cache->cachedCategoryPathForSiteID(77, 20081);   // "Antiques › ..."

#include "DWCoreDataEbayDataClasses/SQAbstractDatabase.h"
#include "DWCoreDataEbayDataClasses/SQCategory.h"

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

// One leaf entry as a list of the chooser shows it: the ID, the display path and that path folded
// as searches compare texts (foldedForSearch()).
struct SQCachedLeafPath
{
    qint64 categoryID = 0;
    QString namePath;
    QString foldedNamePath;
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
    // The site's leaf entries in one read, unsorted, each with its folded path (made by the store,
    // as leaf search folds). Entries not made yet are not there: createAllCachedCategoryPathsForSiteID()
    // first. Empty without a cache.
    QList<SQCachedLeafPath> cachedLeafCategoryPathsForSiteID(qint64 siteID);
    void deleteCacheForSiteID(qint64 siteID);
    // Entries are written as they are made, so there is never anything left to save.
    bool saveManagedObjectContext(QString* error = nullptr);

private:
    // Drops a site's entries when they were made from another version of its category tree.
    void checkTreeVersionForSiteID(qint64 siteID);

    bool m_inMemory = false;
    QHash<qint64, bool> m_checkedSites;
};
