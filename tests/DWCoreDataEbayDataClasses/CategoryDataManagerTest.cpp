// The category data managers, the download of store files and the category path cache, on stores
// made by qm-mkstore.

#include "DWCoreDataEbayDataClasses/SQCategoryCacheManager.h"
#include "DWCoreDataEbayDataClasses/SQCategoryDataManager.h"
#include "DWCoreDataEbayDataClasses/SQCategoryPathCollation_p.h"
#include "DWCoreDataEbayDataClasses/SQEbayDataDownloader.h"
#include "DWKit/NSData+DWExtensions.h"
#include "model/DWEbayPreferencesManager.h"
#include "model/QMCategoryDataSource.h"
#include "model/QMEbayItem.h"
#include "platform/core/DWAssert.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"

#include "tests/support/FakeHttpServer.h"
#include "tests/support/TemporaryXdg.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <atomic>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <thread>

namespace {

const QString kStores = QStringLiteral(DW_CATEGORY_TEST_STORES);

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class CategoryDataManagers : public ::testing::Test
{
protected:
    void SetUp() override
    {
        manager = std::make_shared<QMCategoryDataManager>();
        SQCategoryDataManager::sharedSQCategoryDataManager()->unloadAll();
        SQCategoryCacheManager::resetSharedCacheForTesting();
    }
    void TearDown() override
    {
        SQCategoryDataManager::sharedSQCategoryDataManager()->unloadAll();
        SQCategoryCacheManager::resetSharedCacheForTesting();
        QMCategoryDataManager::setDownloadQueuer(nullptr);
    }
    bool saveSite77(SQCategoryDataManager& target)
    {
        return target.saveCategoryTreeFileData(readFile(kStores + QStringLiteral("/Categories.site77.sqlite")), 77) &&
               target.saveCharacteristicSetsFileData(readFile(kStores + QStringLiteral("/Attributes.site77.sqlite")),
                                                     77);
    }

    dw::test::TemporaryXdg xdg;
    std::shared_ptr<QMCategoryDataManager> manager;
};

} // namespace

TEST_F(CategoryDataManagers, SavingPutsAStoreInPlaceAndReopensAnOpenOne)
{
    EXPECT_FALSE(manager->completeDataAvailableForSiteID(77));
    ASSERT_TRUE(saveSite77(*manager));
    EXPECT_FALSE(manager->categoriesLoadedForSiteID(77)) << "saving for a site never opened opens nothing";
    EXPECT_TRUE(manager->completeDataAvailableForSiteID(77));
    const auto before = manager->categoriesDatabaseForForSiteID(77);
    const auto heldCategory = manager->categoryForCategoryID(345, 77);

    ASSERT_TRUE(manager->saveCategoryTreeFileData(readFile(kStores + QStringLiteral("/Categories.site77.sqlite")), 77));
    const auto after = manager->categoriesDatabaseForForSiteID(77);
    EXPECT_TRUE(manager->categoriesLoadedForSiteID(77));
    EXPECT_NE(before, after) << "the store of the new file replaces the open one";
    // What a lookup held before the save stays readable.
    EXPECT_EQ(heldCategory->parentCategory()->name(), QStringLiteral("A"));

    // Data that is no store of ours never replaces a good one.
    EXPECT_FALSE(manager->saveCategoryTreeFileData(QByteArrayLiteral("<html>502 Bad Gateway</html>"), 77));
    EXPECT_FALSE(
        manager->saveCategoryTreeFileData(readFile(kStores + QStringLiteral("/Attributes.site77.sqlite")), 77));
    EXPECT_EQ(manager->categoriesDatabaseForForSiteID(77), after);
    EXPECT_EQ(manager->categoryNameForSiteID(77, 345), QStringLiteral("B"));
    SQCategoriesDatabase reopened(77);
    EXPECT_TRUE(reopened.isOpen());
}

TEST_F(CategoryDataManagers, AnswersAboutCategoriesAndSets)
{
    ASSERT_TRUE(saveSite77(*manager));
    EXPECT_FALSE(manager->categoryTreeVersion(12, 7, 77)) << "local 12 and 8";
    EXPECT_TRUE(manager->categoryTreeVersion(12, 8, 77));
    EXPECT_FALSE(manager->categoryTreeVersion(11, 8, 77)) << "a newer local version is out of date too";
    EXPECT_TRUE(manager->categoryTreeVersion(0, 0, 3)) << "no stores read as version 0";

    EXPECT_TRUE(manager->categoryIDSupportsBestOffer(12, 77));
    EXPECT_FALSE(manager->categoryIDSupportsBestOffer(0, 77));
    EXPECT_EQ(manager->characteristicSetIDsForCategoryIDs({345}, 77), QList<qint64>({901, 100}));
    EXPECT_THROW(manager->characteristicSetIDsForCategoryIDs({1, 2, 3}, 77), dw::InternalInconsistency);
    EXPECT_EQ(manager->characteristicSetsNameStringForCategoryIDs({345}, 77), QStringLiteral("Alpha site-wide, Books"));
    EXPECT_EQ(manager->characteristicSetsNameStringForCategoryIDs({12}, 3), QStringLiteral("Not available"));

    // Only catalog-enabled categories, and no site-wide sets.
    EXPECT_EQ(manager->searchCharacteristicSetsForCategoryIDs({345}, 77), QList<qint64>({100}));
    EXPECT_EQ(manager->searchCharacteristicSetsForCategoryIDs({345, 21}, 77), QList<qint64>({100, 100, 200}));
    EXPECT_TRUE(manager->searchCharacteristicSetsForCategoryIDs({12}, 77).isEmpty());

    const auto suggestions = manager->suggestedCustomSpecificsForCategoryIDs({345}, 77);
    EXPECT_EQ(suggestions.value(QStringLiteral("Colour")), QStringList({"Red", "Blue"}));
    EXPECT_EQ(manager->siteIDForLoadedCategory(manager->categoryForCategoryID(345, 77)), 77);
    SQCategoriesDatabase stranger(77);
    EXPECT_THROW(manager->siteIDForLoadedCategory(stranger.categoryForCategoryID(345)), dw::InternalInconsistency);

    // What the listing model sees once the manager is installed.
    QMCategoryDataManager::installAsModelSource(manager);
    const auto source = QMCategoryDataSource::installed();
    ASSERT_TRUE(source);
    const auto info = source->categoryForCategoryID(345, 77);
    ASSERT_TRUE(info && info->conditionSet);
    EXPECT_EQ(info->conditionSet->first().name, QStringLiteral("New"));
    const auto attributes = source->sortedAttributesForAttributeSet(100, 77);
    ASSERT_TRUE(attributes);
    EXPECT_EQ(attributes->size(), 4);

    // Custom item specifics: the primary category decides, else the second; none without a primary.
    const struct
    {
        qint64 category;
        qint64 category2;
        bool allowed;
    } listings[] = {{12, 0, true}, {345, 12, true}, {345, 0, false}, {0, 12, false}, {999, 0, false}};
    for (const auto& row : listings) {
        SCOPED_TRACE(row.category);
        QMEbayItem item;
        item.setSiteID(77);
        item.setCategory(row.category);
        item.setCategory2(row.category2);
        EXPECT_EQ(item.canUseCustomSpecifics(), row.allowed);
    }
    QMCategoryDataManager::installAsModelSource(nullptr);
}

TEST_F(CategoryDataManagers, LookupsWhileAnotherThreadSavesTheStore)
{
    ASSERT_TRUE(saveSite77(*manager));
    const QByteArray data = readFile(kStores + QStringLiteral("/Categories.site77.sqlite"));
    std::atomic<bool> done = false;
    std::atomic<int> missing = 0;
    std::thread reader([&] {
        while (!done) {
            const auto category = manager->categoryForCategoryID(345, 77);
            if (!category || category->name() != QLatin1String("B") ||
                manager->parentCategoriesForCategoryWithID(24, 77).size() != 4)
                ++missing;
        }
    });
    for (int i = 0; i < 20; ++i)
        EXPECT_TRUE(manager->saveCategoryTreeFileData(data, 77));
    done = true;
    reader.join();
    EXPECT_EQ(missing, 0) << "a lookup never sees a half-replaced store";
}

TEST_F(CategoryDataManagers, MigrationQueuesTheDefaultSiteFirst)
{
    QList<qint64> queued;
    QMCategoryDataManager::setDownloadQueuer([&queued](qint64 site, bool tree, bool sets, bool silent) {
        EXPECT_TRUE(tree && sets && silent);
        queued.append(site);
    });
    dw::UserDefaults::standard().setInteger(77, QStringLiteral("siteID"));
    ASSERT_TRUE(dw::paths::ensureFolder(dw::paths::applicationSupportFolder()));
    QFile(dw::paths::applicationSupportFolder() + QStringLiteral("/Categories.site3.data")).open(QIODevice::WriteOnly);
    QFile(dw::paths::applicationSupportFolder() + QStringLiteral("/Categories.site77.data")).open(QIODevice::WriteOnly);
    EXPECT_TRUE(manager->deprecatedCategoryFileExistsForSite(3));

    EXPECT_TRUE(manager->migrateToCoreDataCategories());
    EXPECT_EQ(queued, QList<qint64>({77, 3}));
    queued.clear();
    EXPECT_FALSE(manager->migrateToCoreDataCategories()) << "both folders exist now";
    EXPECT_TRUE(queued.isEmpty());
}

TEST_F(CategoryDataManagers, DownloadTriesTheNextBaseAfterAFailure)
{
    dw::test::FakeHttpServer first;
    dw::test::FakeHttpServer second;
    const QByteArray gz = readFile(kStores + QStringLiteral("/server/CategoryData/v2/Categories_v4.site77.sqlite.gz"));
    ASSERT_FALSE(gz.isEmpty());
    first.addRoute({.path = "/downloads/CategoryData/v2/Categories.site77.version"}, {.status = 200, .body = "12"});
    second.addRoute({.path = "/downloads/CategoryData/v2/Categories_v4.site77.sqlite.gz"}, {.status = 200, .body = gz});
    dw::UserDefaults::standard().setObject(
        QStringList({first.url(QStringLiteral("/downloads")), second.url(QStringLiteral("/downloads"))}),
        QStringLiteral("SQEbayDataDownloadBaseURLs"));

    SQEbayDataDownloader downloader;
    downloader.setCoreDataCategoriesSchemaVersion(kSQCategoriesDatabaseSchemaVersion);
    EXPECT_EQ(downloader.categoryTreeRemoteRecourcePathForSiteID(QStringLiteral("77")),
              QStringLiteral("CategoryData/v2/Categories_v4.site77.sqlite.gz"));
    // The first base answers 404 (no content): the second one's file is taken.
    const QByteArray data = downloader.categoryTreeDataForSiteID(QStringLiteral("77"));
    EXPECT_EQ(data, gz);
    EXPECT_EQ(downloader.categoryTreeVersionForSiteID(QStringLiteral("77")), 12);
    EXPECT_EQ(downloader.attributeDataVersionForSiteID(QStringLiteral("77")), 0) << "no base has it";
    const auto inflated = dw::inflateGzip(data);
    ASSERT_TRUE(inflated);
    EXPECT_TRUE(manager->saveCategoryTreeFileData(*inflated, 77));

    downloader.setDownloadToFile(true);
    EXPECT_THROW(downloader.categoryTreeDataForSiteID(QStringLiteral("77")), dw::InternalInconsistency);
}

TEST_F(CategoryDataManagers, AStalledDownloadServerEndsWithinTheTimeout)
{
    dw::test::FakeHttpServer stalled;
    stalled.addRoute(dw::test::FakeHttpRoute{}, dw::test::FakeHttpReply{.stall = true});
    dw::UserDefaults::standard().setObject(QStringList({stalled.url(QStringLiteral("/downloads"))}),
                                           QStringLiteral("SQEbayDataDownloadBaseURLs"));
    SQEbayDataDownloader downloader;
    downloader.setTimeouts(2, 1);
    EXPECT_EQ(downloader.categoryTreeVersionForSiteID(QStringLiteral("77")), 0);
    stalled.stop();
}

TEST_F(CategoryDataManagers, CachedPathsOfASite)
{
    ASSERT_TRUE(saveSite77(*SQCategoryDataManager::sharedSQCategoryDataManager()));
    const auto store = SQCategoryDataManager::sharedSQCategoryDataManager()->categoriesDatabaseForForSiteID(77);
    const auto cache = SQCategoryCacheManager::sharedSQCategoryCacheManager();
    ASSERT_TRUE(cache);
    EXPECT_EQ(cache->cachedCategoryPathForSiteID(77, 12), QStringLiteral("A"));
    EXPECT_EQ(cache->cachedCategoryPathForSiteID(77, 345), QStringLiteral("A \u203A B"));
    EXPECT_EQ(cache->cachedCategoryPathObjectForSiteID(77, store->categoryForCategoryID(345))->idPath(),
              QStringLiteral("/12/345"));
    EXPECT_FALSE(cache->createCachedCategoryPathEntryForSiteID(77, store->categoryForCategoryID(0)));
    QStringList parents;
    for (const auto& parent : cache->cachedParentCategoriesForCategory(store->categoryForCategoryID(24), 77))
        parents.append(parent->name());
    EXPECT_EQ(parents, QStringList({"Root", "Sport", "Masks"}));

    // Nine categories, root included: all paths exist with eight entries.
    EXPECT_FALSE(cache->allCachedCategoryPathsExistForSiteID(77));
    cache->createAllCachedCategoryPathsForSiteID(77);
    EXPECT_TRUE(cache->allCachedCategoryPathsExistForSiteID(77));
    EXPECT_EQ(cache->cachedCategoryPathForSiteID(77, 24),
              QStringLiteral("Sport \u203A Masks \u203A Junior epee masks"));
    EXPECT_FALSE(cache->allCachedCategoryPathsExistForSiteID(3)) << "a site without a store";
    cache->createAllCachedCategoryPathsForSiteID(3);
}

TEST(CategoryPathCollation, OrdersPathsAsASellerReadsThem)
{
    const SQCategoryPathCollation collation;
    const struct
    {
        const char* before;
        const char* after;
    } ordered[] = {
        {"Books 2", "Books 10"},
        {"Apfel", "\u00C4pfel"},
        {"\u00C4pfel", "Birnen"},
        {"Cameras \u203A Film", "Cameras \u203A lenses"},
        {"Sport \u203A \u00C9p\u00E9e", "Sport \u203A Fencing"},
    };
    for (const auto& pair : ordered) {
        SCOPED_TRACE(pair.before);
        EXPECT_LT(collation.sortKey(QString::fromUtf8(pair.before)), collation.sortKey(QString::fromUtf8(pair.after)));
    }
    EXPECT_EQ(collation.sortKey(QStringLiteral("BOOKS \u203A Maps")),
              collation.sortKey(QStringLiteral("books \u203A maps")));
}

TEST_F(CategoryDataManagers, LeafPathsComeSortedAndFoldedAlsoFromACacheWithoutKeys)
{
    ASSERT_TRUE(saveSite77(*SQCategoryDataManager::sharedSQCategoryDataManager()));
    const QStringList sorted = {"A \u203A \u00C4pfel & Birnen", "A \u203A B", "Sport \u203A \u00C9p\u00E9e",
                                "Sport \u203A Fencing_100%", "Sport \u203A Masks \u203A Junior epee masks"};
    const auto read = [] {
        QStringList paths;
        const SQCachedLeafPaths leaves =
            SQCategoryCacheManager::sharedSQCategoryCacheManager()->cachedLeafCategoryPathsForSiteID(77);
        for (qsizetype i = 0; i < leaves.size(); ++i) {
            paths << leaves.namePath(i).toString();
            EXPECT_EQ(leaves.foldedNamePath(i), SQCategoryCacheManager::foldedForSearch(paths.last()));
        }
        return paths;
    };
    SQCategoryCacheManager::sharedSQCategoryCacheManager()->createAllCachedCategoryPathsForSiteID(77);
    EXPECT_EQ(read(), sorted);

    // Entries as qm-mkstore writes them, or keys of another locale: made again on reading.
    SQCategoryCacheManager::resetSharedCacheForTesting();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(QFile::encodeName(SQCategoryCacheManager::cacheFilePath()).constData(), &db), SQLITE_OK);
    EXPECT_EQ(
        sqlite3_exec(db,
                     "UPDATE CachedCategoryPath SET sortKey = NULL, foldedNamePath = NULL WHERE namePath LIKE 'A%';"
                     "UPDATE CachedCategoryPath SET sortKey = x'00' WHERE namePath LIKE 'S%';"
                     "UPDATE dw_metadata SET value = 'another locale' WHERE key = 'collation'",
                     nullptr, nullptr, nullptr),
        SQLITE_OK);
    sqlite3_close(db);
    EXPECT_EQ(read(), sorted);
}

TEST_F(CategoryDataManagers, ACacheFileThatCannotBeOpenedIsMadeAnew)
{
    ASSERT_TRUE(saveSite77(*SQCategoryDataManager::sharedSQCategoryDataManager()));
    QFile damaged(SQCategoryCacheManager::cacheFilePath());
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray(4096, 'x'));
    damaged.close();
    const auto cache = SQCategoryCacheManager::sharedSQCategoryCacheManager();
    ASSERT_TRUE(cache);
    EXPECT_FALSE(cache->isInMemory());
    EXPECT_EQ(cache->cachedCategoryPathForSiteID(77, 345), QStringLiteral("A \u203A B"));
}
