#include "DWEBay2/DWEbayConnector.h"
#include "DWKit/DWOperation/DWNSOperationQueue.h"
#include "DWKit/QMLogManager.h"
#include "Operations/QMAddDunmerrowImageOperation.h"
#include "Operations/QMDunmerrowImageAdapter.h"
#include "Operations/QMImageUploadAdapterManager.h"
#include "Operations/QMImageUploadInformationManager.h"
#include "platform/archive/PropertyList.h"
#include "platform/core/Clock.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/network/HttpClient.h"
#include "tests/support/FakeHttpServer.h"
#include "tests/support/TemporaryXdg.h"

#include <QImage>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>
#include <map>
#include <set>

namespace {

using dw::test::FakeHttpReply;
using dw::test::FakeHttpRequest;

// A WebDAV server in miniature: folders made by MKCOL, files stored by PUT under "/dav/up" and
// served by GET and HEAD under "/pics"; the server information at "/info.plist".
class FakePictureServer
{
public:
    FakePictureServer()
    {
        m_server.addRoute({}, [this](const FakeHttpRequest& request) { return answer(request); });
    }

    void setInfo(QVariantMap info)
    {
        std::lock_guard lock(m_mutex);
        m_info = std::move(info);
    }
    QVariantMap standardInfo() const
    {
        return {{QStringLiteral("baseURL"), m_server.url(QStringLiteral("/"))},
                {QStringLiteral("uploadFolder"), QStringLiteral("dav/up")},
                {QStringLiteral("downloadFolder"), QStringLiteral("pics")}};
    }
    std::vector<QByteArray> putPaths() const
    {
        std::vector<QByteArray> paths;
        for (const auto& request : m_server.requests())
            if (request.method == "PUT")
                paths.push_back(request.path);
        return paths;
    }

    dw::test::FakeHttpServer m_server;

private:
    FakeHttpReply answer(const FakeHttpRequest& request)
    {
        std::lock_guard lock(m_mutex);
        QByteArray path = request.path;
        while (path.size() > 1 && path.endsWith('/'))
            path.chop(1);
        if (path == "/info.plist")
            return {.body = dw::plist::write(m_info)};
        if ((request.method == "GET" || request.method == "HEAD") && path.startsWith("/pics/")) {
            const auto file = m_files.find("/dav/up/" + path.mid(6));
            if (file == m_files.end())
                return {.status = 404};
            return {.body = file->second};
        }
        if (request.headerValue("Authorization") != "Basic " + QByteArray("seller:s3cret").toBase64())
            return {.status = 401};
        if (request.method == "PROPFIND")
            return {.status = m_folders.count(path) ? 207 : 404, .body = "<multistatus xmlns=\"DAV:\"/>"};
        if (request.method == "MKCOL") {
            if (m_folders.count(path))
                return {.status = 405};
            if (!m_folders.count(path.left(std::max<qsizetype>(1, path.lastIndexOf('/')))))
                return {.status = 409};
            m_folders.insert(path);
            return {.status = 201};
        }
        if (request.method == "PUT") {
            if (!m_folders.count(path.left(path.lastIndexOf('/'))))
                return {.status = 409};
            m_files[path] = request.body;
            return {.status = 201};
        }
        return {.status = 404};
    }

    std::mutex m_mutex;
    QVariantMap m_info;
    std::set<QByteArray> m_folders{"/"};
    std::map<QByteArray, QByteArray> m_files;
};

class PictureServerTest : public ::testing::Test
{
protected:
    PictureServerTest()
    {
        QMLogManager::resetSharedInstance();
        QMImageUploadInformationManager::resetSharedInstance();
        QMImageUploadAdapterManager::sharedInstance().clearAdapterPool();
        m_dav.setInfo(m_dav.standardInfo());
        QMDunmerrowImageAdapter::setServerConfiguration(QMDunmerrowServerConfiguration{
            {m_dav.m_server.url(QStringLiteral("/info.plist"))}, "seller", "s3cret", "pictures.example"});
    }
    ~PictureServerTest() override
    {
        QMImageUploadAdapterManager::sharedInstance().clearAdapterPool();
        QMDunmerrowImageAdapter::setServerConfiguration(std::nullopt);
        QMImageUploadInformationManager::resetSharedInstance();
        QMLogManager::resetSharedInstance();
    }

    QString picture(const char* name, Qt::GlobalColor colour)
    {
        const QString path = m_xdg.path(QLatin1String(name));
        QImage image(320, 240, QImage::Format_RGB32);
        image.fill(colour);
        EXPECT_TRUE(image.save(path, "JPEG"));
        return path;
    }

    std::shared_ptr<QMAddDunmerrowImageOperation> upload(const QString& path, bool gtc = false)
    {
        auto operation = std::make_shared<QMAddDunmerrowImageOperation>(
            [] { return std::make_unique<DWEbayConnector>(QStringLiteral("http://127.0.0.1:9/"), 77, 747); }, gtc);
        operation->setItemInfo({{QStringLiteral("title"), QStringLiteral("Lamp")}});
        operation->setImageInfo({{QStringLiteral("name"), QStringLiteral("lamp")},
                                 {QStringLiteral("imageFilePath"), path},
                                 {QStringLiteral("standardizedImageFilePath"), path}});
        m_queue.addOperation(operation);
        m_queue.waitUntilAllOperationsAreFinished();
        EXPECT_TRUE(QTest::qWaitFor([&] { return operation->isFinished(); }, 10000));
        return operation;
    }

    QByteArray get(const QString& address)
    {
        dw::HttpRequest request;
        request.url = address;
        const dw::HttpResponse response = dw::HttpClient().send(request);
        return response.ok() && response.status == 200 ? response.body : QByteArray();
    }

    static QByteArray contents(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    dw::test::TemporaryXdg m_xdg;
    FakePictureServer m_dav;
    DWNSOperationQueue m_queue;
};

} // namespace

TEST_F(PictureServerTest, UploadsOneAfterAnotherShareOneConnectionAndLandInDatedRandomFolders)
{
    const QString first = picture("first.jpg", Qt::red);
    const QString second = picture("second.jpg", Qt::blue);
    const auto one = upload(first);
    const auto two = upload(second);

    EXPECT_FALSE(one->errorOccurred());
    EXPECT_FALSE(two->errorOccurred());
    // One connection fetched the server information, one carried every WebDAV request.
    EXPECT_EQ(m_dav.m_server.connectionCount(), 2);
    const QRegularExpression layout(
        QStringLiteral("^/dav/up/%1/[0-9A-F]{2}/[0-9A-F]{32}\\.jpg$").arg(QMDunmerrowImageAdapter::dateFolder()));
    const auto puts = m_dav.putPaths();
    ASSERT_EQ(puts.size(), 2u);
    for (const QByteArray& path : puts)
        EXPECT_TRUE(layout.match(QString::fromLatin1(path)).hasMatch()) << path.constData();

    EXPECT_TRUE(one->uploadedImageURL().startsWith(m_dav.m_server.url(QStringLiteral("/pics/"))));
    EXPECT_EQ(get(one->uploadedImageURL()), contents(first));
    EXPECT_EQ(get(two->uploadedImageURL()), contents(second));
    const auto entries = QMLogManager::sharedInstance().logEntries();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0]->state(), QStringLiteral("success"));
    EXPECT_EQ(entries[0]->attributeForKey(QStringLiteral("imageURL")).toString(), one->uploadedImageURL());
    EXPECT_EQ(one->progress(), 1.0f);
}

TEST_F(PictureServerTest, AGTCPictureGoesBelowPaidAndItsRecordSaysSo)
{
    const auto operation = upload(picture("gtc.jpg", Qt::green), true);

    ASSERT_FALSE(operation->errorOccurred());
    EXPECT_TRUE(operation->uploadedImageURL().contains(QStringLiteral("/pics/paid/") +
                                                       QMDunmerrowImageAdapter::dateFolder() + u'/'));
    const auto records = QMImageUploadInformationManager::sharedInstance().allUploadedImageInformations();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0]->remoteDirectoryPath(), QStringLiteral("pictures.example/paid"));
    EXPECT_EQ(records[0]->imageURL(), operation->uploadedImageURL());
}

TEST_F(PictureServerTest, APictureOnTheServerAlreadyIsNotSentAgainAndItsRecordIsRenewed)
{
    dw::ManualClock clock(QDateTime::currentDateTimeUtc());
    dw::ScopedClock useClock(clock);
    const QString path = picture("again.jpg", Qt::yellow);
    const auto first = upload(path);
    ASSERT_FALSE(first->errorOccurred());
    clock.advance(3 * 86400);

    const auto second = upload(path);

    EXPECT_EQ(second->uploadedImageURL(), first->uploadedImageURL());
    EXPECT_EQ(m_dav.putPaths().size(), 1u);
    const auto records = QMImageUploadInformationManager::sharedInstance().allUploadedImageInformations();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0]->lastUpload(), clock.now());
}

TEST_F(PictureServerTest, ServerInformationWithoutADownloadFolderFailsTheUploadAndIsForgotten)
{
    QVariantMap info = m_dav.standardInfo();
    info.remove(QStringLiteral("downloadFolder"));
    m_dav.setInfo(info);

    const auto operation = upload(picture("lamp.jpg", Qt::gray));

    const QString message = QStringLiteral("Could not upload the image to the dunmerrow image server because of "
                                           "improper connection information.");
    ASSERT_TRUE(operation->errorOccurred());
    EXPECT_EQ(operation->errorEnvelope()->errors().first()->message(), message);
    EXPECT_EQ(operation->errorEnvelope()->source(), QStringLiteral("Quillmart's Picture Service"));
    EXPECT_TRUE(m_dav.putPaths().empty());
    const auto entries = QMLogManager::sharedInstance().logEntries();
    ASSERT_EQ(entries.size(), 1);
    EXPECT_EQ(entries[0]->state(), QStringLiteral("failure"));

    QMDunmerrowImageAdapter adapter;
    QString error;
    EXPECT_FALSE(adapter.getServerInfoForUser(nullptr, nullptr, &error));
    EXPECT_TRUE(adapter.baseURL().isEmpty());
    EXPECT_EQ(error, message);
    m_dav.setInfo(m_dav.standardInfo());
    EXPECT_TRUE(adapter.getServerInfoForUser(nullptr, nullptr, &error));
}

TEST_F(PictureServerTest, UnreadableServerInformationIsReportedWithItsBytesAndTheNextAddressIsTried)
{
    dw::test::FakeHttpServer broken;
    broken.addRoute({}, [](const FakeHttpRequest&) { return FakeHttpReply{.body = "Hello"}; });
    const QString brokenAddress = broken.url(QStringLiteral("/info.plist"));
    QMDunmerrowImageAdapter::setServerConfiguration(QMDunmerrowServerConfiguration{
        {brokenAddress, m_dav.m_server.url(QStringLiteral("/info.plist"))}, "seller", "s3cret", "pictures.example"});

    dw::ScopedConsoleCapture console;
    QMDunmerrowImageAdapter adapter;
    QString error;
    EXPECT_TRUE(adapter.getServerInfoForUser(nullptr, nullptr, &error)) << error.toStdString();
    ASSERT_EQ(console.lines().size(), 1);
    const QString line = console.lines().first();
    EXPECT_TRUE(line.startsWith(QStringLiteral("Error decoding server infoDict from URL:") + brokenAddress + u','))
        << line.toStdString();
    EXPECT_TRUE(line.endsWith(QStringLiteral(" <48656c6c 6f>"))) << "the bytes read: " << line.toStdString();
    EXPECT_EQ(QMDunmerrowImageAdapter::sharedAdapter(), QMDunmerrowImageAdapter::sharedAdapter());
}

TEST(PictureServerNames, RandomFoldersAreTwoUpperCaseHexDigits)
{
    const QRegularExpression twoDigits(QStringLiteral("^[0-9A-F]{2}$"));
    for (int i = 0; i < 500; ++i)
        ASSERT_TRUE(twoDigits.match(QMDunmerrowImageAdapter::randomSubfolder()).hasMatch());
}
