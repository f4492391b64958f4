#include "tests/support/FakeHttpServer.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TemporaryXdg.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

dw::test::ProgramRun runTool(const QStringList& arguments, const QByteArray& input = {})
{
    return dw::test::runProgram(dw::test::builtTool(QStringLiteral("dwebay-tool")), arguments, input);
}

QString reply(const char* name)
{
    return dw::test::fixturePath(QStringLiteral("DWEBay2/") + QString::fromLatin1(name));
}

} // namespace

TEST(DWEBayTool, ListsTheClassesByKind)
{
    struct Row
    {
        QStringList arguments;
        int count;
    };
    const Row rows[] = {
        {{QStringLiteral("classes")}, 287},
        {{QStringLiteral("classes"), QStringLiteral("--kind"), QStringLiteral("data")}, 207},
        {{QStringLiteral("classes"), QStringLiteral("--kind"), QStringLiteral("message")}, 80},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.arguments.join(u' ').toStdString());
        const dw::test::ProgramRun result = runTool(row.arguments);
        ASSERT_EQ(result.exitCode, 0) << result.errors.toStdString();
        EXPECT_EQ(result.output.count('\n'), row.count);
    }
    const QList<QByteArray> data =
        runTool({QStringLiteral("classes"), QStringLiteral("--kind"), QStringLiteral("data")}).output.split('\n');
    EXPECT_TRUE(data.contains("EBayItemType"));
    EXPECT_FALSE(data.contains("EBayAddItemRequestType"));
}

TEST(DWEBayTool, PrintsTheTablesOfAClass)
{
    const dw::test::ProgramRun result = runTool({QStringLiteral("tables"), QStringLiteral("EBayCharityInfoType")});
    ASSERT_EQ(result.exitCode, 0) << result.errors.toStdString();
    const QJsonObject json = QJsonDocument::fromJson(result.output).object();
    EXPECT_EQ(json.value(QStringLiteral("attributeKeys")).toObject(),
              (QJsonObject{{QStringLiteral("id"), QStringLiteral("identifier")}}));
    EXPECT_EQ(json.value(QStringLiteral("multiElements")).toObject(),
              (QJsonObject{{QStringLiteral("CharityDomain"), QStringLiteral("charityDomains")}}));
    EXPECT_EQ(json.value(QStringLiteral("booleanElements")).toArray(),
              (QJsonArray{QStringLiteral("DisplayLogoSelling"), QStringLiteral("DisplayNameInCheckout"),
                          QStringLiteral("ShowMultipleDonationAmountInCheckout")}));
    EXPECT_EQ(json.value(QStringLiteral("namespace")).toString(), QStringLiteral("urn:ebay:apis:eBLBaseComponents"));
    EXPECT_TRUE(json.value(QStringLiteral("elementName")).isNull());
}

TEST(DWEBayTool, DumpsAReplyAsJson)
{
    const dw::test::ProgramRun result =
        runTool({QStringLiteral("dump"), QStringLiteral("EBayGetUserResponseType"), reply("GetUser.xml")});
    ASSERT_EQ(result.exitCode, 0) << result.errors.toStdString();
    const QJsonObject json = QJsonDocument::fromJson(result.output).object();
    EXPECT_EQ(json.value(QStringLiteral("$class")).toString(), QStringLiteral("EBayGetUserResponseType"));
    EXPECT_EQ(json.value(QStringLiteral("ack")).toString(), QStringLiteral("Success"));
    EXPECT_EQ(json.value(QStringLiteral("timestamp")).toString(), QStringLiteral("2011-11-21T19:33:09.780Z"));
    const QJsonObject user = json.value(QStringLiteral("user")).toObject();
    EXPECT_EQ(user.value(QStringLiteral("$class")).toString(), QStringLiteral("EBayUserType"));
    EXPECT_EQ(user.value(QStringLiteral("feedbackScore")).toInteger(), 1274);
    EXPECT_EQ(user.value(QStringLiteral("eBayGoodStanding")).toBool(), true);
    EXPECT_FALSE(user.contains(QStringLiteral("newUser"))); // NO is not shown
    EXPECT_EQ(user.value(QStringLiteral("userSubscriptions")).toArray().size(), 2);
    EXPECT_EQ(user.value(QStringLiteral("registrationAddress")).toObject().value(QStringLiteral("cityName")).toString(),
              QStringLiteral("München"));
}

TEST(DWEBayTool, EveryReplyReadsBackEqual)
{
    struct Row
    {
        const char* className;
        const char* file;
    };
    const Row rows[] = {
        {"EBayVerifyAddItemResponseType", "VerifyAddItemWithFeesAndWarning.xml"},
        {"EBayAddItemResponseType", "AddItemWithFeesAndWarnings.xml"},
        {"EBayUploadSiteHostedPicturesResponseType", "UploadSiteHostedPictures.xml"},
        {"EBayGetSessionIDResponseType", "GetSessionID.xml"},
        {"EBayFetchTokenResponseType", "FetchToken.xml"},
        {"EBayFetchTokenResponseType", "FetchTokenBeforeSignIn.xml"},
        {"EBayGetUserResponseType", "GetUser.xml"},
        {"EBayGetItemRecommendationsResponseType", "GetItemRecommendations.xml"},
        {"EBayGetProductSearchResultsResponseType", "GetProductSearchResults.xml"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        const dw::test::ProgramRun result =
            runTool({QStringLiteral("roundtrip"), QString::fromLatin1(row.className), reply(row.file)});
        EXPECT_EQ(result.exitCode, 0) << result.errors.toStdString();
        EXPECT_TRUE(result.output.endsWith("reads back equal\n")) << result.output.toStdString();
    }
}

TEST(DWEBayTool, ReportsBadInputAndUsage)
{
    QTemporaryDir dir;
    struct Row
    {
        const char* name;
        QStringList arguments;
        QByteArray input;
        int exitCode;
        const char* message;
    };
    dw::test::FakeHttpServer stopped;
    stopped.stop();
    const QString closed = stopped.url(QStringLiteral("/ws/api.dll"));
    const Row rows[] = {
        {"truncated reply",
         {QStringLiteral("dump"), QStringLiteral("EBayAddItemResponseType"), QStringLiteral("-")},
         "<AddItemResponse><Ack>Success</Ack>",
         1,
         "not well-formed"},
        {"missing file",
         {QStringLiteral("roundtrip"), QStringLiteral("EBayAddItemResponseType"),
          dir.filePath(QStringLiteral("no.xml"))},
         {},
         1,
         "no.xml"},
        {"unknown class", {QStringLiteral("tables"), QStringLiteral("EBayNothingType")}, {}, 2, "EBayNothingType"},
        {"send without a call name",
         {QStringLiteral("send"), QStringLiteral("--url"), closed, QStringLiteral("-")},
         {},
         2,
         "usage"},
        {"a token for a call without a request class",
         {QStringLiteral("send"), QStringLiteral("--url"), closed, QStringLiteral("--verb"), QStringLiteral("Nothing"),
          QStringLiteral("--token"), QStringLiteral("t"), QStringLiteral("-")},
         "<NothingRequest/>",
         1,
         "no request class for the call Nothing"},
        {"no server",
         {QStringLiteral("send"), QStringLiteral("--url"), closed, QStringLiteral("--verb"), QStringLiteral("GetUser"),
          QStringLiteral("-")},
         "<GetUserRequest/>",
         1,
         "'GetUser' returned error: "},
        {"unknown kind", {QStringLiteral("classes"), QStringLiteral("--kind"), QStringLiteral("enum")}, {}, 2, "usage"},
        {"unknown command", {QStringLiteral("list")}, {}, 2, "usage"},
        {"no command", {}, {}, 2, "usage"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const dw::test::ProgramRun result = runTool(row.arguments, row.input);
        EXPECT_EQ(result.exitCode, row.exitCode);
        EXPECT_TRUE(result.output.isEmpty());
        EXPECT_TRUE(result.errors.contains(row.message)) << result.errors.toStdString();
    }
}

TEST(DWEBayTool, SendsARequestAndPrintsTheReply)
{
    dw::test::FakeHttpServer server;
    const QByteArray reply = dw::test::fixture(QStringLiteral("DWEBay2/GetUser.xml"));
    server.addRoute({.callName = "GetUser"}, dw::test::FakeHttpReply{.status = 500, .body = reply});
    QTemporaryDir dir;
    const QString requestFile = dir.filePath(QStringLiteral("GetUser.xml"));
    QFile file(requestFile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<?xml version=\"1.0\"?><GetUserRequest xmlns=\"urn:ebay:apis:eBLBaseComponents\">"
               "<UserID>anna_kamera</UserID></GetUserRequest>");
    file.close();
    const QStringList send{QStringLiteral("send"), QStringLiteral("--url"), server.url(QStringLiteral("/ws/api.dll")),
                           QStringLiteral("--verb"), QStringLiteral("GetUser")};

    const dw::test::ProgramRun withToken =
        runTool(send + QStringList{QStringLiteral("--token"), QStringLiteral("tok-9"), requestFile});
    const dw::test::ProgramRun asItIs = runTool(send + QStringList{requestFile});

    for (const dw::test::ProgramRun& result : {withToken, asItIs}) {
        EXPECT_EQ(result.exitCode, 0) << result.errors.toStdString();
        EXPECT_EQ(result.output, reply); // whatever the status
    }
    const auto sent = server.requests();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].headerValue("X-EBAY-API-COMPATIBILITY-LEVEL"), "747");
    EXPECT_TRUE(sent[0].body.contains("<eBayAuthToken>tok-9</eBayAuthToken>")) << sent[0].body.toStdString();
    EXPECT_TRUE(sent[0].body.contains("<UserID>anna_kamera</UserID>"));
    EXPECT_FALSE(sent[1].body.contains("RequesterCredentials"));
    EXPECT_TRUE(sent[1].body.contains("<UserID>anna_kamera</UserID>"));
}
