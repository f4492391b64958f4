#pragma once
// The single entry point to the per-site category and attribute stores: opens a site's stores on
// first use and keeps them, answers the questions the application asks about categories and
// attribute sets, puts newly downloaded store files in place of the old ones, and compares local
// with remote data versions.
//
// Three classes form one line: SQCategoryDataManager (registry and queries),
// DWEbayCategoryDataManager (file tests, the root category) and QMCategoryDataManager (the
// application's: the categories schema version and the migration of old category files). Each has
// one shared instance of its own; the path cache reads through SQCategoryDataManager's, the
// application through QMCategoryDataManager's.
//
// Threads: lookups run on the main thread, saves on download workers. A save holds the manager's
// save lock for the whole replacement; the registry itself is guarded by a short lock, and stores
// are handed out with shared ownership, so a lookup that runs while a save replaces the store keeps
// reading the store it got (a later lookup gets the new one). Store objects stay readable as long
// as someone holds them.
//
//     auto manager = QMCategoryDataManager::sharedQMCategoryDataManager();
//     if (const auto category = manager->categoryForCategoryID(20081, 0)) ...
//     manager->saveCategoryTreeFileData(downloaded, 77);   // on the worker

#include "DWCoreDataEbayDataClasses/SQAttributesDatabase.h"
#include "DWCoreDataEbayDataClasses/SQCategoriesDatabase.h"

#include <QByteArray>
#include <QHash>
#include <QMap>
#include <QStringList>
#include <functional>
#include <memory>
#include <mutex>
#include <variant>

using SQCategoriesDatabasePtr = std::shared_ptr<SQCategoriesDatabase>;
using SQAttributesDatabasePtr = std::shared_ptr<SQAttributesDatabase>;

class SQCategoryDataManager
{
public:
    SQCategoryDataManager();
    virtual ~SQCategoryDataManager();
    SQCategoryDataManager(const SQCategoryDataManager&) = delete;
    SQCategoryDataManager& operator=(const SQCategoryDataManager&) = delete;

    // Created once, safely against concurrent first calls; lives for the process.
    static std::shared_ptr<SQCategoryDataManager> sharedSQCategoryDataManager();

    static qint64 keyForSiteID(qint64 siteID) { return siteID; }
    bool categoriesLoadedForSiteID(qint64 siteID) const;
    bool attributesLoadedForSiteID(qint64 siteID) const;

    // The registered store, opened and registered on first use; null when it cannot be opened
    // (nothing is registered then, and the next call tries again).
    SQCategoriesDatabasePtr categoriesDatabaseForForSiteID(qint64 siteID);
    SQAttributesDatabasePtr attributesDatabaseForForSiteID(qint64 siteID);
    bool completeDataAvailableForSiteID(qint64 siteID);
    qint64 categoryTreeVersionForSiteID(qint64 siteID);
    qint64 attributesDataVersionForSiteID(qint64 siteID);
    // Both local versions equal the remote ones (a missing store reads as 0).
    bool categoryTreeVersion(qint64 remoteTreeVersion, qint64 remoteAttributeVersion, qint64 siteID);

    SQCategoryPtr categoryForCategoryID(qint64 categoryID, qint64 siteID);
    QList<SQCategoryPtr> subcategoriesForCategoryID(qint64 categoryID, qint64 siteID);
    QList<SQCategoryPtr> subcategoriesForCategory(const SQCategoryPtr& category, qint64 siteID);
    QList<SQCategoryPtr> parentCategoriesForCategory(const SQCategoryPtr& category, qint64 siteID);
    QList<SQCategoryPtr> parentCategoriesForCategoryWithID(qint64 categoryID, qint64 siteID);
    bool categoryExistsForSiteID(qint64 categoryID, qint64 siteID);
    QString categoryNameForSiteID(qint64 siteID, qint64 categoryID);
    QList<SQCategoryPtr> categoriesForSearchString(const QString& text, qint64 siteID);
    bool categoryIDSupportsReservedPrice(qint64 categoryID, qint64 siteID);
    bool categoryIDSupportsBestOffer(qint64 categoryID, qint64 siteID);
    // The site of the registered store that holds the category; -1 and an assertion failure when
    // none does.
    qint64 siteIDForLoadedCategory(const SQCategoryPtr& category) const;

    // At most two category IDs (an assertion failure otherwise).
    QList<qint64> characteristicSetIDsForCategoryIDs(const QList<qint64>& categoryIDs, qint64 siteID);
    QList<SQAttributeSetPtr> characteristicSetsForCategoryIDs(const QList<qint64>& categoryIDs, qint64 siteID);
    QString characteristicSetsNameStringForCategoryIDs(const QList<qint64>& categoryIDs, qint64 siteID);
    // The set IDs usable for a product search: those of catalog-enabled categories that are not
    // site-wide.
    QList<qint64> searchCharacteristicSetsForCategoryIDs(const QList<qint64>& categoryIDs, qint64 siteID);

    QList<SQItemSpecificPtr> specificsForCategoryIDs(const QList<qint64>& categoryIDs, qint64 siteID,
                                                     const QString& sortKey);
    QList<SQItemSpecificPtr> sortedSuggestedCustomItemSpecificsForCategoryIDs(const QList<qint64>& categoryIDs,
                                                                              qint64 siteID);
    // Item specific name → its value texts; empty when there are none.
    QMap<QString, QStringList> suggestedCustomSpecificsForCategoryIDs(const QList<qint64>& categoryIDs, qint64 siteID);

    QString savedCategoriesDataFolder() const;
    QString savedAttributesDataFolder() const;
    static QString filePathInFolder(const QString& folder, const QString& fileNameFormat, qint64 siteID);
    QString categoryFilePathForSiteID(qint64 siteID) const;
    QString attributesPathForSiteID(qint64 siteID) const;

    // Put a downloaded store in place (the data, or a file that is moved). True when the new file
    // is in place. A file that is not a store of our model never replaces the old one: it is
    // refused and the old store stays open. A store that was open is reopened on the new file.
    bool saveCategoryTreeFileData(const QByteArray& data, qint64 siteID);
    bool saveCategoryTreeFileAtPath(const QString& path, qint64 siteID);
    bool saveCharacteristicSetsFileData(const QByteArray& data, qint64 siteID);
    bool saveCharacteristicSetsFileAtPath(const QString& path, qint64 siteID);

    // Drops every registered store (tests).
    void unloadAll();

protected:
    virtual SQCategoriesDatabasePtr openCategoriesDatabase(qint64 siteID);

private:
    enum class Kind { Categories, Attributes };
    bool saveDataOrFile(Kind kind, const std::variant<QByteArray, QString>& dataOrFile, qint64 siteID);
    void checkCategoryCount(const QList<qint64>& categoryIDs, const char* condition) const;

    mutable std::mutex m_registryMutex;
    std::recursive_mutex m_saveMutex;
    QHash<qint64, SQCategoriesDatabasePtr> m_categoryDataBases;
    QHash<qint64, SQAttributesDatabasePtr> m_attributesDataBases;
};

class DWEbayCategoryDataManager : public SQCategoryDataManager
{
public:
    static std::shared_ptr<DWEbayCategoryDataManager> sharedDWEbayCategoryDataManager();

    bool categoryFileExistsForSite(qint64 siteID) const;
    bool attributesFileExistsForSite(qint64 siteID) const;
    bool deprecatedCategoryFileExistsForSite(qint64 siteID) const;
    SQCategoryPtr rootCategoryForSiteID(qint64 siteID) { return categoryForCategoryID(0, siteID); }
};

class QMCategoryDataManager : public DWEbayCategoryDataManager
{
public:
    static std::shared_ptr<QMCategoryDataManager> sharedQMCategoryDataManager();
    static std::shared_ptr<QMCategoryDataManager> sharedInstance() { return sharedQMCategoryDataManager(); }

    // Makes this manager what the listing model asks about categories, category names, attribute
    // sets and cached paths.
    static void installAsModelSource(const std::shared_ptr<QMCategoryDataManager>& manager);

    // Queues the download of a site's stores (site ID, category tree, attribute sets, silent). The
    // operation manager installs the real one; without it downloads are only logged.
    using DownloadQueuer = std::function<void(qint64, bool, bool, bool)>;
    static void setDownloadQueuer(DownloadQueuer queuer);

    // At first start after an update from the old per-site category files: creates the missing
    // store folders and queues the downloads (default site first). False, and nothing done, when
    // both folders exist.
    bool migrateToCoreDataCategories();
    void downloadMissingCategoryDataForSites(QList<qint64> siteIDs);

protected:
    SQCategoriesDatabasePtr openCategoriesDatabase(qint64 siteID) override;
};
