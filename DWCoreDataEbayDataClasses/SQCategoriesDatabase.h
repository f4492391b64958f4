#pragma once
// The read-only categories store of one eBay site: "Categories/Categories.site<ID>.sqlite" in the
// application support folder, a file that the download fetches and the category data manager
// saves. The tree has one root, category ID 0, whose subcategories are the top-level categories.
//
// Obtain stores through the category data managers, which keep them open. Construction opens the
// file; check isOpen() (a missing file leaves the store closed silently, a damaged one is deleted
// with a log line). Queries may run on any thread.
//
//     SQCategoriesDatabase store(77);
//     if (store.isOpen())
//         for (const auto& leaf : store.categoriesForSearchString(QStringLiteral("epee"))) ...

#include "DWCoreDataEbayDataClasses/SQAbstractDatabase.h"
#include "DWCoreDataEbayDataClasses/SQCategory.h"

#include <QList>
#include <QStringList>
#include <mutex>

// The schema version of the categories stores that this program reads.
inline constexpr qint64 kSQCategoriesDatabaseSchemaVersion = 4;

class SQCategoriesDatabase : public SQAbstractDatabase
{
public:
    explicit SQCategoriesDatabase(qint64 siteID, qint64 databaseSchemaVersion = kSQCategoriesDatabaseSchemaVersion);

    // False when the file is missing or could not be opened (it is deleted then).
    bool isOpen() const { return m_open; }

    static QString categoriesFolderPathNoFolderCreation();
    // Creates the folder; an assertion failure when it cannot.
    static QString categoriesFolderPath();
    // The store file of a site.
    static QString storePathForSiteID(qint64 siteID);
    // The model file of a schema version (version 0 or less: version 2).
    static QString modelPathForSchemaVersion(qint64 version);

    std::shared_ptr<SQStoreContext> persistentStoreCoordinator() override { return weakPersistentStoreCoordinator(); }
    QVariantMap persistentStoreOptions() const override;

    qint64 siteID() const { return m_siteID; }

    SQCategoryPtr categoryForCategoryID(qint64 categoryID);
    // Leaves whose name contains the text, ignoring case and diacritics; "%" and "_" are literal.
    QList<SQCategoryPtr> categoriesForSearchString(const QString& text);
    quint64 categoriesCount();
    QList<SQCategoryPtr> categories();
    QList<SQCategoryPtr> subcategoriesForCategory(const SQCategoryPtr& category);
    QList<SQCategoryPtr> subcategoriesForCategoryID(qint64 categoryID);
    // From the root (ID 0) down to the category itself; empty for null. A chain that loops or
    // runs deeper than any real tree is reported as an error and gives an empty list.
    QList<SQCategoryPtr> parentCategoriesForCategory(const SQCategoryPtr& category);
    QList<SQCategoryPtr> parentCategoriesForCategoryWithID(qint64 categoryID);

    // The version record's values; 0 without one.
    SQManagedObjectPtr versionObject();
    qint64 treeVersion();
    qint64 fileFormatVersion();
    qint64 attributeDataVersion();

    // The first category's item specifics sorted by the key, then the second's (when not 0), each
    // object once; empty for a first ID of 0.
    QList<SQItemSpecificPtr> itemSpecificsForFirstCategoryID(qint64 firstID, qint64 secondID, const QString& sortKey);
    QList<SQItemSpecificPtr> itemSpecificsForFirstCategoryID(qint64 firstID, qint64 secondID)
    {
        return itemSpecificsForFirstCategoryID(firstID, secondID, QStringLiteral("name"));
    }
    QList<SQItemSpecificPtr> sortedItemSpecificsForFirstCategoryID(qint64 firstID, qint64 secondID)
    {
        return itemSpecificsForFirstCategoryID(firstID, secondID, QStringLiteral("index"));
    }
    QList<SQItemSpecificValuePtr> itemSpecificValuesForItemSpecific(const SQItemSpecificPtr& itemSpecific);

    // eBay's item recommendations for a listing, kept as item specifics of a small in-memory store
    // of the same model beside the read-only file, so that the item-specifics editor offers them
    // like the category's own suggestions. Made on first use; a store that cannot be made is an
    // assertion failure ("Error adding in memory persistent store: ..."). Nothing is ever saved.
    std::shared_ptr<SQStoreContext> contextForAdditionalItemSpecifics();
    // Removes every recommended item specific. Objects handed out earlier stay readable with their
    // names and values; a later insert never takes their place.
    void deleteAdditionalItemSpecifics();
    // A new recommended item specific with its values in the given order (their index).
    SQItemSpecificPtr insertAdditionalItemSpecific(qint64 index, const QString& name, const QStringList& values);

protected:
    QList<SQManagedObjectPtr> fetchEntity(const QString& entityName, const QString& where, qint64 rowID,
                                          bool* ok) override;

private:
    qint64 m_siteID;
    bool m_open = false;
    std::mutex m_additionalItemSpecificsMutex;
    std::shared_ptr<SQStoreContext> m_contextForAdditionalItemSpecifics;
    qint64 m_lastAdditionalItemSpecificRowID = 0;
};
