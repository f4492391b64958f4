// The fake Trading API itself: what later tests rely on when they read the requests it recorded.
#include "tests/support/ebay/FakeTradingApi.h"

#include "DWEBay2/DWEbayConnector.h"
#include "DWEBay2/types/EBayGetUserRequestType.h"
#include "DWEBay2/types/EBayUploadSiteHostedPicturesRequestType.h"

#include <gtest/gtest.h>

using dw::test::FakeHttpReply;
using dw::test::FakeTradingApi;

TEST(FakeTradingApi, ReadsTheXmlPartOfAMultipartUploadAndKeepsTheFile)
{
    FakeTradingApi ebay;
    ebay.useFixtureReplies();
    DWEbayConnector connector(ebay.url(), 77, 747);

    auto upload = EBayUploadSiteHostedPicturesRequestType::uploadSiteHostedPicturesRequestType();
    upload->setPictureSet(QStringLiteral("Supersize"));
    const QByteArray picture("\xff\xd8\xff\xe0 not really a JPEG \r\n--almost a boundary", 42);
    const QByteArray boundary = "MIME_boundary_5e1c";
    dw::HttpRequest request;
    request.url = ebay.url();
    connector.setHeaderFieldsForRequest(request);
    dw::setHeaderValue(request.headerFields, "X-EBAY-API-CALL-NAME", "UploadSiteHostedPictures");
    dw::setHeaderValue(request.headerFields, "Content-Type", "multipart/form-data; boundary=\"" + boundary + '"');
    request.body =
        "--" + boundary +
        "\r\nContent-Disposition: form-data; name=\"XML Payload\"\r\nContent-Type: text/xml;charset=utf-8\r\n\r\n" +
        upload->xmlRequestData() + "\r\n--" + boundary +
        "\r\nContent-Disposition: form-data; name=\"dummy\"; filename=\"camera.jpg\"\r\n"
        "Content-Type: image/jpeg\r\n\r\n" +
        picture + "\r\n--" + boundary + "--\r\n";

    const dw::HttpResponse response = dw::HttpClient().send(request);

    ASSERT_TRUE(response.ok()) << response.errorText.toStdString();
    EXPECT_EQ(response.status, 200);
    const auto sent = ebay.requests(QStringLiteral("UploadSiteHostedPictures"));
    ASSERT_EQ(sent.size(), 1u);
    auto document = sent[0].documentAs<EBayUploadSiteHostedPicturesRequestType>();
    ASSERT_TRUE(document) << sent[0].parseError.toStdString();
    EXPECT_EQ(document->pictureSet(), QStringLiteral("Supersize"));
    ASSERT_EQ(sent[0].formParts.size(), 2u);
    EXPECT_EQ(sent[0].formParts[1].name, "dummy");
    EXPECT_EQ(sent[0].formParts[1].fileName, "camera.jpg");
    EXPECT_EQ(sent[0].formParts[1].contentType, "image/jpeg");
    EXPECT_EQ(sent[0].formParts[1].body, picture);
}

TEST(FakeTradingApi, RecordsWhatItCannotAnswerAndSaysWhy)
{
    FakeTradingApi ebay;
    ebay.setReplies(QStringLiteral("GetUser"), {FakeHttpReply{.body = "first"}, FakeHttpReply{.body = "then"}});
    DWEbayConnector connector(ebay.url(), 0, 747);
    const QString getUser = EBayGetUserRequestType::getUserRequestType()->xmlRequest();

    EXPECT_EQ(connector.sendRequestString(getUser, QStringLiteral("GetUser")), "first");
    // The document of another call under this call's name.
    EXPECT_EQ(connector.sendRequestString(QStringLiteral("<AddItemRequest/>"), QStringLiteral("GetUser")), "then");
    EXPECT_EQ(connector.sendRequestString(getUser, QStringLiteral("GetUser")), "then");
    const auto unscripted = connector.sendRequestString(getUser, QStringLiteral("GetSessionID"));
    ASSERT_TRUE(unscripted);
    EXPECT_TRUE(unscripted->contains("no reply scripted for the call \"GetSessionID\""));

    const auto sent = ebay.requests();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_TRUE(sent[0].documentAs<EBayGetUserRequestType>());
    EXPECT_FALSE(sent[1].document);
    EXPECT_EQ(sent[1].parseError, QStringLiteral("the document's root is \"AddItemRequest\", not \"GetUserRequest\""));
    EXPECT_FALSE(sent[3].document);
    EXPECT_EQ(sent[3].callName, QStringLiteral("GetSessionID"));
}
