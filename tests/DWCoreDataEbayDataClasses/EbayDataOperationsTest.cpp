// The eBay data operations against a download server laid out by qm-mkstore, and against a
// scripted source for the cases a server cannot show.

#include "DWCoreDataEbayDataClasses/SQCategoryDataManager.h"
#include "DWCoreDataEbayDataClasses/SQEbayDataSource.h"
#include "DWEBay2/DWEbayConnector.h"
#include "DWKit/DWOperation/DWNSOperationQueue.h"
#include "DWKit/QMLogManager.h"
#include "Operations/QMGetEbayDataOperation.h"
#include "Operations/QMGetEbayDataVersionsOperation.h"
#include "platform/core/UserDefaults.h"

#include "tests/support/FakeHttpServer.h"
#include "tests/support/TemporaryXdg.h"

#include <QCoreApplication>
#include <QFile>
#include <gtest/gtest.h>
#include <zlib.h>

namespace {

const QString kServer = QStringLiteral(DW_CATEGORY_TEST_STORES) + QStringLiteral("/server");

QByteArray gzip(const QByteArray& data)
{
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY), Z_OK);
    QByteArray out(int(deflateBound(&stream, uLong(data.size()))) + 32, '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = uInt(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = uInt(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(qsizetype(stream.total_out));
    deflateEnd(&stream);
    return out;
}

// A source whose answers the test scripts, recording what is saved.
class ScriptedSource : public QMEbayDataSource
{
public:
    QByteArray tree, sets;
    qint64 treeVersion = 0, setsVersion = 0;
    bool saves = true;
    std::function<void()> whileReadingTreeVersion;
    QList<QByteArray> savedTrees, savedSets;
    int setsRequests = 0;

    QByteArray categoryTreeDataForSiteID(const QString&) override { return tree; }
    QByteArray characteristicSetsDataForSiteID(const QString&) override
    {
        ++setsRequests;
        return sets;
    }
    qint64 categoryTreeVersionForSiteID(const QString&) override
    {
        if (whileReadingTreeVersion)
            whileReadingTreeVersion();
        return treeVersion;
    }
    qint64 attributeDataVersionForSiteID(const QString&) override { return setsVersion; }
    bool saveCategoryTreeFileData(const QByteArray& data, qint64) override
    {
        savedTrees.append(data);
        return saves;
    }
    bool saveCharacteristicSetsFileData(const QByteArray& data, qint64) override
    {
        savedSets.append(data);
        return saves;
    }
};

class EbayDataOperations : public ::testing::Test
{
protected:
    EbayDataOperations()
    {
        QMLogManager::resetSharedInstance();
        SQCategoryDataManager::sharedSQCategoryDataManager()->unloadAll();
        // The server publishes what qm-mkstore laid out; anything else is 404.
        m_server.addRoute({.path = "/downloads/", .pathIsPrefix = true}, [](const dw::test::FakeHttpRequest& request) {
            QFile file(kServer + QString::fromUtf8(request.path.mid(int(qstrlen("/downloads")))));
            if (request.path.contains("..") || !file.open(QIODevice::ReadOnly))
                return dw::test::FakeHttpReply{.status = 404};
            return dw::test::FakeHttpReply{.body = file.readAll()};
        });
        dw::UserDefaults::standard().setObject(QStringList{m_server.url(QStringLiteral("/downloads"))},
                                               QStringLiteral("SQEbayDataDownloadBaseURLs"));
        SQEbayDataSource::install();
    }
    ~EbayDataOperations() override
    {
        QMEbayDataSource::install(nullptr);
        SQCategoryDataManager::sharedSQCategoryDataManager()->unloadAll();
        QMLogManager::resetSharedInstance();
    }

    QMEbayConnectorFactory site(qint64 siteID)
    {
        return
            [siteID] { return std::make_unique<DWEbayConnector>(QStringLiteral("http://127.0.0.1:9/"), siteID, 747); };
    }

    void run(const std::shared_ptr<DWNSOperation>& operation)
    {
        m_queue.addOperation(operation);
        m_queue.waitUntilAllOperationsAreFinished();
        QCoreApplication::processEvents();
    }

    static QString firstError(const QMGenericEbayNSOperation& operation)
    {
        const auto envelope = operation.errorEnvelope();
        return envelope && !envelope->errors().isEmpty() ? envelope->errors().first()->message() : QString();
    }

    dw::test::TemporaryXdg m_xdg;
    dw::test::FakeHttpServer m_server;
    DWNSOperationQueue m_queue;
};

} // namespace

TEST_F(EbayDataOperations, DownloadsAndSavesBothStoresOfASite)
{
    auto versions = std::make_shared<QMGetEbayDataVersionsOperation>(site(77), true);
    run(versions);
    EXPECT_FALSE(versions->errorOccurred()) << firstError(*versions).toStdString();
    EXPECT_EQ(versions->categoryTreeVersion(), 12);
    EXPECT_EQ(versions->attributeDataVersion(), 8);

    auto download = std::make_shared<QMGetEbayDataOperation>(site(77), true, true);
    run(download);
    EXPECT_FALSE(download->errorOccurred()) << firstError(*download).toStdString();
    EXPECT_EQ(download->logEntry()->state(), QLatin1String(kQMLogEntryStateSuccess));
    const auto manager = QMCategoryDataManager::sharedQMCategoryDataManager();
    EXPECT_EQ(manager->categoryTreeVersionForSiteID(77), 12);
    EXPECT_TRUE(manager->attributesDatabaseForForSiteID(77));
}

TEST_F(EbayDataOperations, AMissingCategoryStoreStopsTheDownloadOfASite)
{
    auto download = std::make_shared<QMGetEbayDataOperation>(site(3), true, true);
    run(download);
    EXPECT_EQ(firstError(*download), QStringLiteral("Error while getting categories for site 3"));
    EXPECT_EQ(download->logEntry()->state(), QLatin1String(kQMLogEntryStateFailure));
    EXPECT_FALSE(download->downloadCharacteristicSets());
    for (const auto& request : m_server.requests())
        EXPECT_FALSE(request.path.contains("CharacteristicSets")) << request.path.toStdString();

    auto versions = std::make_shared<QMGetEbayDataVersionsOperation>(site(3), false);
    run(versions);
    EXPECT_EQ(firstError(*versions),
              QStringLiteral("QMGetEbayDataVersionsOperation failed: could not get data versions"));
}

TEST_F(EbayDataOperations, StoresAreInflatedAsOftenAsTheyWereCompressedAndMustBeSaved)
{
    const QByteArray store = "SQLite format 3 and more";
    struct Row
    {
        const char* name;
        QByteArray tree;
        bool saves;
        QByteArray saved;
        bool failed;
    };
    const Row rows[] = {
        {"compressed twice", gzip(gzip(store)), true, store, false},
        {"shorter than a gzip header", "\x1f\x8b", true, "\x1f\x8b", false},
        {"a damaged layer", gzip(store).left(12), true, {}, true},
        {"not saved", gzip(store), false, store, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto source = std::make_shared<ScriptedSource>();
        source->tree = row.tree;
        source->sets = gzip(store);
        source->saves = row.saves;
        QMEbayDataSource::install(source);
        auto download = std::make_shared<QMGetEbayDataOperation>(site(77), true, true);
        run(download);
        EXPECT_EQ(source->savedTrees.value(0), row.saved);
        EXPECT_EQ(download->errorOccurred(), row.failed);
        EXPECT_EQ(source->setsRequests, row.failed ? 0 : 1);
    }
}

TEST_F(EbayDataOperations, VersionsNeedBothNumbers)
{
    struct Row
    {
        const char* name;
        qint64 tree, sets;
        bool cancelWhileReading;
        qint64 expectTree, expectSets;
        bool failed;
    };
    const Row rows[] = {
        {"both", 12, 8, false, 12, 8, false},
        {"no attribute version", 12, 0, false, 12, 0, true},
        {"no tree version", 0, 8, false, 0, 0, true},
        {"cancelled", 12, 8, true, 0, 0, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto source = std::make_shared<ScriptedSource>();
        source->treeVersion = row.tree;
        source->setsVersion = row.sets;
        QMEbayDataSource::install(source);
        auto versions = std::make_shared<QMGetEbayDataVersionsOperation>(site(77), true);
        if (row.cancelWhileReading)
            source->whileReadingTreeVersion = [&versions] { versions->cancel(); };
        run(versions);
        EXPECT_EQ(versions->categoryTreeVersion(), row.expectTree);
        EXPECT_EQ(versions->attributeDataVersion(), row.expectSets);
        EXPECT_EQ(versions->errorOccurred(), row.failed);
    }
}
