#include "DWEBay2/DWEbayConnector.h"
#include "DWKit/DWOperation/DWNSOperationQueue.h"
#include "DWKit/QMLogManager.h"
#include "Operations/DWEbayConnector+ImageUpload.h"
#include "Operations/QMAddEPSImageOperation.h"
#include "Operations/QMImageUploadInformationManager.h"
#include "platform/core/UserDefaults.h"
#include "tests/support/FakeHttpServer.h"
#include "tests/support/TemporaryXdg.h"

#include <QFile>
#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using dw::test::FakeHttpReply;

const QString kNetworkError =
    QStringLiteral("A network error occurred while trying to connect to eBay’s image server.");

QByteArray successReply(const char* ack, const QString& address)
{
    return QByteArray(R"(<?xml version="1.0" encoding="UTF-8"?>)"
                      R"(<UploadSiteHostedPicturesResponse xmlns="urn:ebay:apis:eBLBaseComponents"><Ack>)") +
           ack + "</Ack><SiteHostedPictureDetails><FullURL>" + address.toUtf8() +
           "</FullURL></SiteHostedPictureDetails></UploadSiteHostedPicturesResponse>";
}

class EPSImageUploadTest : public ::testing::Test
{
protected:
    EPSImageUploadTest()
    {
        QMLogManager::resetSharedInstance();
        QMImageUploadInformationManager::resetSharedInstance();
        QImage picture(640, 480, QImage::Format_RGB32);
        picture.fill(Qt::darkGreen);
        EXPECT_TRUE(picture.save(m_picture, "JPEG"));
    }
    ~EPSImageUploadTest() override
    {
        QMImageUploadInformationManager::resetSharedInstance();
        QMLogManager::resetSharedInstance();
    }

    std::shared_ptr<QMAddEPSImageOperation> makeOperation(qint64 photoDisplayType = 0)
    {
        auto operation = std::make_shared<QMAddEPSImageOperation>([this] {
            auto connector = std::make_unique<DWEbayConnector>(m_server.url(QStringLiteral("/ws/api.dll")), 77, 747);
            connector->setToken(QStringLiteral("secret-token"));
            connector->setRequestTimeOut(10);
            return connector;
        });
        operation->setItemInfo({{QStringLiteral("title"), QStringLiteral("Blue Bike")},
                                {QStringLiteral("photoDisplayType"), photoDisplayType}});
        operation->setImageInfo({{QStringLiteral("name"), QStringLiteral("front")},
                                 {QStringLiteral("imageFilePath"), m_picture},
                                 {QStringLiteral("standardizedImageFilePath"), m_picture},
                                 {QStringLiteral("index"), 0}});
        return operation;
    }

    void run(const std::shared_ptr<QMAddEPSImageOperation>& operation)
    {
        m_queue.addOperation(operation);
        m_queue.waitUntilAllOperationsAreFinished();
        ASSERT_TRUE(QTest::qWaitFor([&] { return operation->isFinished(); }, 10000));
    }

    // eBay answers every upload with the address of path.
    void answerUploadsWith(const QString& path)
    {
        std::lock_guard lock(m_addressMutex);
        if (m_address.isNull())
            m_server.addRoute({.callName = "UploadSiteHostedPictures"}, [this](const dw::test::FakeHttpRequest&) {
                std::lock_guard answering(m_addressMutex);
                return FakeHttpReply{.body = successReply("Success", m_address)};
            });
        m_address = m_server.url(path);
    }

    std::size_t posts() const
    {
        std::size_t count = 0;
        for (const auto& request : m_server.requests())
            count += request.method == "POST";
        return count;
    }

    QString messageOf(const QMGenericEbayNSOperation& operation)
    {
        const auto envelope = operation.errorEnvelope();
        return envelope && !envelope->errors().isEmpty() ? envelope->errors().first()->message() : QString();
    }

    QString logState() const
    {
        const auto entries = QMLogManager::sharedInstance()->logEntries();
        return entries.isEmpty() ? QString() : entries.last()->state();
    }

    dw::test::TemporaryXdg m_xdg;
    QString m_picture = m_xdg.path(QStringLiteral("front.jpg"));
    std::mutex m_addressMutex;
    QString m_address;
    dw::test::FakeHttpServer m_server;
    DWNSOperationQueue m_queue;
};

} // namespace

TEST_F(EPSImageUploadTest, TheMultipartBodyCarriesTheDocumentThenThePictureRightUpToTheClosingDelimiter)
{
    auto operation = makeOperation(3);
    m_server.addRoute({.callName = "UploadSiteHostedPictures"},
                      {.body = successReply("Warning", QStringLiteral("https://i.example/front.jpg"))});
    run(operation);

    EXPECT_EQ(operation->uploadedImageURL(), QStringLiteral("https://i.example/front.jpg"));
    EXPECT_FALSE(operation->errorOccurred());
    EXPECT_EQ(logState(), QStringLiteral("success"));
    ASSERT_EQ(m_server.requestCount(), 1u);
    const auto request = m_server.requests()[0];
    EXPECT_EQ(request.headerValue("Content-Type"), "multipart/form-data, boundary=0xqUiLlMaRtbOuNdArY");
    EXPECT_EQ(request.headerValue("X-EBAY-API-CALL-NAME"), "UploadSiteHostedPictures");
    QFile picture(m_picture);
    ASSERT_TRUE(picture.open(QIODevice::ReadOnly));
    EXPECT_TRUE(request.body.endsWith(QByteArray(picture.readAll() + "--0xqUiLlMaRtbOuNdArY--\r\n")));
    EXPECT_TRUE(request.body.startsWith("--0xqUiLlMaRtbOuNdArY\r\nContent-Disposition: form-data; "
                                        "name=\"XML Payload\"\r\nContent-Type: text/xml; charset=\"utf-8\"\r\n\r\n"));
    EXPECT_TRUE(request.body.contains("<PictureSet>Supersize</PictureSet>"));
    EXPECT_TRUE(request.body.contains("\r\n--0xqUiLlMaRtbOuNdArY\r\nContent-Disposition: form-data; "
                                      "name=\"bluebike-"));
    EXPECT_TRUE(request.body.contains("Content-Type: application/octet-stream\r\n"
                                      "Content-Transfer-Encoding: binary\r\n\r\n\xFF\xD8"));
}

TEST_F(EPSImageUploadTest, FiveEmptyRepliesGiveFiveSendsAndTheNetworkError)
{
    m_server.addRoute({.callName = "UploadSiteHostedPictures"}, FakeHttpReply{.body = ""});
    auto operation = makeOperation();
    run(operation);

    EXPECT_EQ(posts(), 5u);
    EXPECT_EQ(messageOf(*operation), kNetworkError);
    EXPECT_TRUE(operation->uploadedImageURL().isNull());
    EXPECT_EQ(logState(), QStringLiteral("failure"));
    EXPECT_EQ(operation->progress(), 1.0f);
}

TEST_F(EPSImageUploadTest, AnEarlierUploadIsReusedOnlyWhileItsAddressAnswersItself)
{
    struct Row
    {
        const char* name;
        FakeHttpReply head;
        bool reused;
    };
    const std::vector<Row> rows{
        {"the address answers", {.status = 200}, true},
        {"the address moved", {.status = 301, .headerFields = {{"Location", "/elsewhere.jpg"}}}, false},
        {"the address is gone", {.status = 404}, false},
    };
    int n = 0;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString path = QStringLiteral("/pictures/%1.jpg").arg(++n);
        answerUploadsWith(path);
        auto earlier = makeOperation();
        run(earlier);
        ASSERT_EQ(earlier->uploadedImageURL(), m_server.url(path));
        m_server.addRoute({.method = "HEAD", .path = path.toUtf8()}, row.head);
        const std::size_t postsBefore = posts();

        auto operation = makeOperation();
        run(operation);

        EXPECT_EQ(posts() - postsBefore, row.reused ? 0u : 1u);
        EXPECT_EQ(operation->uploadedImageURL(), m_server.url(path));
        EXPECT_EQ(logState(), QStringLiteral("success"));
        EXPECT_EQ(QMImageUploadInformationManager::sharedInstance().allUploadedImageInformations().size(), 1);
        QMImageUploadInformationManager::sharedInstance().removeUploadInformations(
            QMImageUploadInformationManager::sharedInstance().allUploadedImageInformations());
    }
}

TEST_F(EPSImageUploadTest, WithoutUploadRecordsNothingIsStoredOrLogged)
{
    dw::UserDefaults::standard().setBool(true, QStringLiteral("skipImageInformations"));
    m_server.addRoute({.callName = "UploadSiteHostedPictures"},
                      {.body = successReply("Success", QStringLiteral("https://i.example/a.jpg"))});
    auto operation = makeOperation();
    run(operation);

    EXPECT_EQ(operation->uploadedImageURL(), QStringLiteral("https://i.example/a.jpg"));
    EXPECT_TRUE(QMImageUploadInformationManager::sharedInstance().allUploadedImageInformations().isEmpty());
    EXPECT_TRUE(QMLogManager::sharedInstance()->logEntries().isEmpty());
}

TEST_F(EPSImageUploadTest, ACancelledUploadStopsItsSendAndReadsCancelWithoutAnError)
{
    m_server.addRoute({.callName = "UploadSiteHostedPictures"}, FakeHttpReply{.stall = true});
    auto operation = makeOperation();
    m_queue.addOperation(operation);
    // The worker hands its log entry to the main thread first, so wait while serving it.
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_server.requestCount() == 1; }, 10000));
    operation->cancel();
    m_queue.waitUntilAllOperationsAreFinished();
    ASSERT_TRUE(QTest::qWaitFor([&] { return operation->isFinished(); }, 10000));

    EXPECT_EQ(posts(), 1u);
    EXPECT_EQ(logState(), QStringLiteral("cancel"));
    EXPECT_FALSE(operation->errorOccurred());
    EXPECT_TRUE(operation->uploadedImageURL().isNull());
    m_server.stop();
}
