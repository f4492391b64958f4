// The category chooser's table of leaf paths over a 25,000-category site: opening it (the site's
// leaf paths read, sorted and ready to search), beside a bare SQLite read of the same rows (IDs and
// path texts, unsorted, nothing converted); and while the seller types, each keystroke narrowing
// (or, after a deletion, widening) the list, beside one bare SQLite scan of the path cache with the
// same predicate per keystroke (leaf paths of the site containing the text; LIKE folds ASCII case
// only, so it is the floor of a scan, not an equal).
//
// Counters: "per_keystroke" is the time of one keystroke.

#include "DWCoreDataEbayDataClasses/SQCategoryCacheManager.h"
#include "DWCoreDataEbayDataClasses/SQCategoryDataManager.h"
#include "panels/QMCategoryPathsModel.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include "support/BenchRatios.h"

namespace {

QTemporaryDir& home()
{
    static QTemporaryDir dir;
    return dir;
}

// The store installed and the site's paths built, once.
std::shared_ptr<SQCategoryCacheManager> preparedCache()
{
    static const auto cache = [] {
        qputenv("XDG_DATA_HOME", home().path().toUtf8());
        qputenv("QV_RESOURCES_DIR", DW_RESOURCES);
        QDir().mkpath(SQCategoriesDatabase::categoriesFolderPathNoFolderCreation());
        if (!QFile::copy(QStringLiteral(DW_BENCH_STORES "/Categories.site77.sqlite"),
                         SQCategoriesDatabase::storePathForSiteID(77)))
            std::abort();
        auto made = SQCategoryCacheManager::sharedSQCategoryCacheManager();
        made->createAllCachedCategoryPathsForSiteID(77);
        return made;
    }();
    return cache;
}

// What a seller types: a word letter by letter, a slip corrected, then a second word.
const QStringList& keystrokes()
{
    static const QStringList typed = [] {
        QStringList texts;
        const QString first = QStringLiteral("cameras 1");
        for (int length = 1; length <= first.size(); ++length)
            texts << first.left(length);
        texts << QStringLiteral("cameras ") << QStringLiteral("cameras") << QStringLiteral("camera")
              << QStringLiteral("camera ") << QStringLiteral("camera \u203A") << QStringLiteral("camera \u203A t")
              << QStringLiteral("camera \u203A to");
        return texts;
    }();
    return typed;
}

void perKeystroke(benchmark::State& state)
{
    state.counters["per_keystroke"] = benchmark::Counter(
        double(keystrokes().size()), benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

// Opening the table: the site's leaf paths read, sorted and folded, once per chooser.
void BM_ChooserLoadLeafPaths(benchmark::State& state)
{
    const auto cache = preparedCache();
    for (auto _ : state) {
        QMCategoryPathsModel paths;
        paths.setLeafPaths(cache->cachedLeafCategoryPathsForSiteID(77));
        benchmark::DoNotOptimize(paths.rowCount());
    }
}
BENCHMARK(BM_ChooserLoadLeafPaths)->Unit(benchmark::kMillisecond);

void BM_BareSqliteReadOfLeafPaths(benchmark::State& state)
{
    (void)preparedCache();
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(SQCategoryCacheManager::cacheFilePath()).constData(), &db, SQLITE_OPEN_READONLY,
                    nullptr);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT categoryID, namePath FROM CachedCategoryPath WHERE leaf = 1 AND siteID = 77", -1,
                       &statement, nullptr);
    for (auto _ : state) {
        size_t bytes = 0;
        while (sqlite3_step(statement) == SQLITE_ROW) {
            bytes += size_t(sqlite3_column_int64(statement, 0) & 1);
            benchmark::DoNotOptimize(sqlite3_column_text(statement, 1));
            bytes += size_t(sqlite3_column_bytes(statement, 1));
        }
        sqlite3_reset(statement);
        benchmark::DoNotOptimize(bytes);
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
}
BENCHMARK(BM_BareSqliteReadOfLeafPaths)->Unit(benchmark::kMillisecond);

void BM_ChooserSearchWhileTyping(benchmark::State& state)
{
    QMCategoryPathsModel paths;
    paths.setLeafPaths(preparedCache()->cachedLeafCategoryPathsForSiteID(77));
    for (auto _ : state) {
        for (const QString& text : keystrokes()) {
            paths.setSearchString(text);
            benchmark::DoNotOptimize(paths.rowCount());
        }
        paths.setSearchString(QString());
    }
    perKeystroke(state);
}
BENCHMARK(BM_ChooserSearchWhileTyping)->Unit(benchmark::kMillisecond);

void BM_BareSqliteScanPerKeystroke(benchmark::State& state)
{
    const auto cache = preparedCache();
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(SQCategoryCacheManager::cacheFilePath()).constData(), &db, SQLITE_OPEN_READONLY,
                    nullptr);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT categoryID, namePath FROM CachedCategoryPath WHERE leaf = 1 AND siteID = 77 AND "
                       "namePath LIKE '%' || ?1 || '%'",
                       -1, &statement, nullptr);
    QList<QByteArray> texts;
    for (const QString& text : keystrokes())
        texts << text.toUtf8();
    for (auto _ : state) {
        for (const QByteArray& text : std::as_const(texts)) {
            sqlite3_bind_text(statement, 1, text.constData(), int(text.size()), SQLITE_STATIC);
            int rows = 0;
            while (sqlite3_step(statement) == SQLITE_ROW)
                ++rows;
            sqlite3_reset(statement);
            benchmark::DoNotOptimize(rows);
        }
    }
    perKeystroke(state);
    sqlite3_finalize(statement);
    sqlite3_close(db);
}
BENCHMARK(BM_BareSqliteScanPerKeystroke)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    return dw::bench::runWithRatios(argc, argv,
                                    {{"BM_ChooserLoadLeafPaths", "BM_BareSqliteReadOfLeafPaths", 0, 1, 30},
                                     {"BM_ChooserSearchWhileTyping", "BM_BareSqliteScanPerKeystroke", 0.25}});
}
