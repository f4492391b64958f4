// Leaf search and path-cache building over a 25,000-category store, beside a bare SQLite scan with
// the same predicate (leaves whose folded name contains the text).

#include "DWCoreDataEbayDataClasses/SQCategoryCacheManager.h"
#include "DWCoreDataEbayDataClasses/SQCategoryDataManager.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

namespace {

QTemporaryDir& home()
{
    static QTemporaryDir dir;
    return dir;
}

void installStore()
{
    static const bool installed = [] {
        qputenv("XDG_DATA_HOME", home().path().toUtf8());
        qputenv("QV_RESOURCES_DIR", DW_RESOURCES);
        QDir().mkpath(SQCategoriesDatabase::categoriesFolderPathNoFolderCreation());
        return QFile::copy(QStringLiteral(DW_BENCH_STORES "/Categories.site77.sqlite"),
                           SQCategoriesDatabase::storePathForSiteID(77));
    }();
    if (!installed)
        std::abort();
}

void BM_LeafSearch(benchmark::State& state)
{
    installStore();
    SQCategoriesDatabase store(77);
    for (auto _ : state) {
        const auto found = store.categoriesForSearchString(QStringLiteral("epee"));
        benchmark::DoNotOptimize(found.size());
    }
}
BENCHMARK(BM_LeafSearch)->Unit(benchmark::kMillisecond);

// The same predicate in plain SQLite: LIKE folds ASCII case only, so this is the floor of a scan.
void BM_BareSqliteScan(benchmark::State& state)
{
    installStore();
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(SQCategoriesDatabase::storePathForSiteID(77)).constData(), &db,
                    SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT id, categoryID, name, level, subcategoriesCount, booleanFlags, parentCategory, "
                       "conditionSet FROM Category WHERE subcategoriesCount = 0 AND name LIKE '%epee%'",
                       -1, &statement, nullptr);
    for (auto _ : state) {
        int rows = 0;
        while (sqlite3_step(statement) == SQLITE_ROW)
            ++rows;
        sqlite3_reset(statement);
        benchmark::DoNotOptimize(rows);
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
}
BENCHMARK(BM_BareSqliteScan)->Unit(benchmark::kMillisecond);

void BM_BuildPathCache(benchmark::State& state)
{
    installStore();
    for (auto _ : state) {
        state.PauseTiming();
        SQCategoryDataManager::sharedSQCategoryDataManager()->unloadAll();
        SQCategoryCacheManager::resetSharedCacheForTesting();
        QFile::remove(SQCategoryCacheManager::cacheFilePath());
        state.ResumeTiming();
        const auto cache = SQCategoryCacheManager::sharedSQCategoryCacheManager();
        cache->createAllCachedCategoryPathsForSiteID(77);
        benchmark::DoNotOptimize(cache->allCachedCategoryPathsExistForSiteID(77));
    }
}
BENCHMARK(BM_BuildPathCache)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
