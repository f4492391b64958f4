// The Trading API connector against the fake Trading API: what goes out, what comes back, what
// reaches the console, and the debug replay.
#include "DWEBay2/DWEbayConnector.h"

#include "DWEBay2/types/EBayAddItemRequestType.h"
#include "DWEBay2/types/EBayFetchTokenRequestType.h"
#include "DWEBay2/types/EBayFetchTokenResponseType.h"
#include "DWEBay2/types/EBayGetMyeBaySellingRequestType.h"
#include "DWEBay2/types/EBayGetSellerListRequestType.h"
#include "DWEBay2/types/EBayGetSessionIDRequestType.h"
#include "DWEBay2/types/EBayGetSessionIDResponseType.h"
#include "DWEBay2/types/EBayGetUserRequestType.h"
#include "DWEBay2/types/EBayGetUserResponseType.h"
#include "DWEBay2/types/EBayItemListCustomizationType.h"
#include "DWEBay2/types/EBayItemType.h"
#include "DWEBay2/types/EBayPaginationType.h"
#include "DWEBay2/types/EBayUserType.h"
#include "DWEBay2/types/EBayVerifyAddItemRequestType.h"
#include "DWEBay2/types/EBayXMLRequesterCredentialsType.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWAssert.h"
#include "platform/core/UserDefaults.h"
#include "tests/support/TemporaryXdg.h"
#include "tests/support/ebay/FakeTradingApi.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <mutex>
#include <thread>

using dw::test::FakeHttpReply;
using dw::test::FakeTradingApi;
using dw::test::TradingApiRequest;

namespace {

const QString kToken = QStringLiteral("AgAAAA**user-token**K8=");

std::unique_ptr<DWEbayConnector> connectorFor(const FakeTradingApi& ebay)
{
    auto connector = std::make_unique<DWEbayConnector>(ebay.url(), 77, 747);
    connector->setEbayDeveloperID(QStringLiteral("dev-id"));
    connector->setEbayApplicationID(QStringLiteral("app-id"));
    connector->setEbayCertificateID(QStringLiteral("cert-id"));
    connector->setToken(kToken);
    connector->setRequestTimeOut(10);
    return connector;
}

std::shared_ptr<EBayAddItemRequestType> addItemRequest()
{
    auto request = EBayAddItemRequestType::addItemRequestType();
    auto item = EBayItemType::itemType();
    item->setTitle(QStringLiteral("Vintage camera"));
    request->setItem(item);
    return request;
}

class Replay : public DWEbayReplaySettings
{
public:
    explicit Replay(QString folder) : m_folder(std::move(folder)) {}
    bool useSavedXMLResponses() const override { return m_on; }
    QString folderPath() const override { return m_folder; }
    void setOn(bool on) { m_on = on; }

private:
    QString m_folder;
    std::atomic<bool> m_on{true};
};

void writeFile(const QString& path, const QByteArray& contents)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    file.write(contents);
}

} // namespace

TEST(DWEbayConnector, SendsTheTradingApiHeadersInOrderWithTheTokenInTheRequest)
{
    FakeTradingApi ebay;
    ebay.setFixtureReply(QStringLiteral("AddItem"), QStringLiteral("DWEBay2/AddItemWithFeesAndWarnings.xml"));
    auto connector = connectorFor(ebay);
    auto request = addItemRequest();
    auto stale = EBayXMLRequesterCredentialsType::xMLRequesterCredentialsType();
    stale->setUsername(QStringLiteral("someone-else"));
    request->setRequesterCredentials(stale);

    const auto reply = connector->sendRequestWithToken(request, QStringLiteral("AddItem"));

    ASSERT_TRUE(reply);
    EXPECT_EQ(*reply, dw::test::fixture(QStringLiteral("DWEBay2/AddItemWithFeesAndWarnings.xml")));
    const auto sent = ebay.requests();
    ASSERT_EQ(sent.size(), 1u);
    const TradingApiRequest& arrived = sent[0];
    EXPECT_EQ(arrived.http.method, "POST");
    EXPECT_EQ(arrived.http.path, "/ws/api.dll");
    const dw::HttpHeaderFields expected{
        {"X-EBAY-API-COMPATIBILITY-LEVEL", "747"},
        {"X-EBAY-API-SESSION-CERTIFICATE", "dev-id;app-id;cert-id"},
        {"X-EBAY-API-DEV-NAME", "dev-id"},
        {"X-EBAY-API-APP-NAME", "app-id"},
        {"X-EBAY-API-CERT-NAME", "cert-id"},
        {"X-EBAY-API-SITEID", "77"},
        {"Content-Type", "text/xml; charset=\"utf-8\""},
        {"X-EBAY-API-CALL-NAME", "AddItem"},
        {"Connection", "close"},
        {"Content-Length", QByteArray::number(arrived.http.body.size())},
    };
    dw::HttpHeaderFields ours;
    for (const dw::HttpHeaderField& field : arrived.http.headerFields) {
        if (field.name != "Host" && field.name != "Accept")
            ours.push_back(field);
    }
    EXPECT_EQ(ours, expected);
    EXPECT_TRUE(arrived.headerValue("Expect").isNull());

    // The connector's token replaced the credentials the request held, and nothing else of them.
    auto document = arrived.documentAs<EBayAddItemRequestType>();
    ASSERT_TRUE(document) << arrived.parseError.toStdString();
    ASSERT_TRUE(document->requesterCredentials());
    EXPECT_EQ(document->requesterCredentials()->eBayAuthToken(), kToken);
    EXPECT_TRUE(document->requesterCredentials()->username().isNull());
    EXPECT_TRUE(document->requesterCredentials()->password().isNull());
    EXPECT_EQ(document->item()->title(), QStringLiteral("Vintage camera"));
    EXPECT_EQ(dw::headerValue(connector->responseHeaderFields(), "Content-Type"), "text/xml;charset=utf-8");
}

TEST(DWEbayConnector, NamesTheCallOnlyForANonEmptyVerb)
{
    FakeTradingApi ebay;
    ebay.setReply(QString(), "<nameless/>");
    ebay.setReply(QStringLiteral("GeteBayOfficialTime"), "<named/>");
    auto connector = connectorFor(ebay);

    EXPECT_EQ(connector->sendRequestString(QStringLiteral("<GeteBayOfficialTimeRequest/>"), QString("")),
              "<nameless/>");
    EXPECT_EQ(connector->sendRequestString(QStringLiteral("<GeteBayOfficialTimeRequest/>"),
                                           QStringLiteral("GeteBayOfficialTime")),
              "<named/>");
    const auto sent = ebay.requests();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_TRUE(sent[0].headerValue("X-EBAY-API-CALL-NAME").isNull());
    EXPECT_EQ(sent[1].headerValue("X-EBAY-API-CALL-NAME"), "GeteBayOfficialTime");

    // The form for callers that name the call themselves sets everything else, and no call name.
    dw::HttpRequest own;
    own.headerFields = {{"Content-Type", "multipart/form-data; boundary=x"}};
    connector->setHeaderFieldsForRequest(own);
    EXPECT_EQ(own.method, "POST");
    EXPECT_TRUE(dw::headerValue(own.headerFields, "X-EBAY-API-CALL-NAME").isNull());
    EXPECT_EQ(dw::headerValue(own.headerFields, "X-EBAY-API-SITEID"), "77");
    EXPECT_EQ(std::count_if(own.headerFields.begin(), own.headerFields.end(),
                            [](const dw::HttpHeaderField& field) { return field.name == "Content-Type"; }),
              1);
}

TEST(DWEbayConnector, SendsTheCallersCredentialsAndReadsTheSignInReplies)
{
    FakeTradingApi ebay;
    ebay.useFixtureReplies();
    auto connector = connectorFor(ebay);
    connector->setToken(QString());

    // FetchToken before the user has a token: the caller's credentials carry only the user name.
    auto fetch = EBayFetchTokenRequestType::fetchTokenRequestType();
    auto byName = EBayXMLRequesterCredentialsType::xMLRequesterCredentialsType();
    byName->setUsername(QStringLiteral("anna_kamera"));
    fetch->setRequesterCredentials(byName);
    fetch->setSecretID(QStringLiteral("secret-of-anna"));
    const auto tokenReply = connector->sendRequest(fetch, QStringLiteral("FetchToken"));
    ASSERT_TRUE(tokenReply);
    auto token = EBayFetchTokenResponseType::requestWithXMLData(*tokenReply);
    ASSERT_TRUE(token);
    EXPECT_EQ(token->ack(), QStringLiteral("Success"));
    EXPECT_TRUE(token->eBayAuthToken().startsWith(QStringLiteral("AgAAAA**")));

    auto getUser = EBayGetUserRequestType::getUserRequestType();
    auto byToken = EBayXMLRequesterCredentialsType::xMLRequesterCredentialsType();
    byToken->setEBayAuthToken(token->eBayAuthToken());
    getUser->setRequesterCredentials(byToken);
    getUser->setIncludeFeatureEligibility(true);
    getUser->addDetailLevel(QStringLiteral("ReturnAll"));
    const auto userReply = connector->sendRequest(getUser, QStringLiteral("GetUser"));
    ASSERT_TRUE(userReply);
    auto user = EBayGetUserResponseType::requestWithXMLData(*userReply);
    ASSERT_TRUE(user && user->user());
    EXPECT_EQ(user->user()->userID(), QStringLiteral("anna_kamera"));

    const auto fetched = ebay.requests(QStringLiteral("FetchToken"));
    ASSERT_EQ(fetched.size(), 1u);
    auto sentFetch = fetched[0].documentAs<EBayFetchTokenRequestType>();
    ASSERT_TRUE(sentFetch) << fetched[0].parseError.toStdString();
    EXPECT_EQ(sentFetch->requesterCredentials()->username(), QStringLiteral("anna_kamera"));
    EXPECT_TRUE(sentFetch->requesterCredentials()->eBayAuthToken().isNull());
    EXPECT_EQ(sentFetch->secretID(), QStringLiteral("secret-of-anna"));
    auto sentUser = ebay.requests(QStringLiteral("GetUser")).at(0).documentAs<EBayGetUserRequestType>();
    ASSERT_TRUE(sentUser);
    EXPECT_EQ(sentUser->requesterCredentials()->eBayAuthToken(), token->eBayAuthToken());
    EXPECT_EQ(*sentUser->detailLevels(), QList<QString>{QStringLiteral("ReturnAll")});
}

TEST(DWEbayConnector, ReturnsAnErrorStatusWithItsBodyAsTheReply)
{
    FakeTradingApi ebay;
    const QByteArray failure = "<?xml version=\"1.0\"?><AddItemResponse><Ack>Failure</Ack></AddItemResponse>";
    ebay.setReplies(QStringLiteral("AddItem"),
                    {FakeHttpReply{.status = 500, .headerFields = {{"X-Trace", "500-trace"}}, .body = failure}});
    auto connector = connectorFor(ebay);

    const auto reply = connector->sendRequestWithToken(addItemRequest(), QStringLiteral("AddItem"));

    ASSERT_TRUE(reply);
    EXPECT_EQ(*reply, failure);
    EXPECT_EQ(dw::headerValue(connector->responseHeaderFields(), "X-Trace"), "500-trace");
}

TEST(DWEbayConnector, GivesNothingAndOneConsoleLineWhenNoReplyArrives)
{
    struct Row
    {
        const char* name;
        std::function<QString(FakeTradingApi&)> endpoint; // what the connector is pointed at
    };
    const Row rows[] = {
        {"refused port",
         [](FakeTradingApi& ebay) {
             const QString url = ebay.url();
             ebay.stop();
             return url;
         }},
        {"stalled server",
         [](FakeTradingApi& ebay) {
             ebay.setReplies(QStringLiteral("AddItem"), {FakeHttpReply{.stall = true}});
             return ebay.url();
         }},
        {"connection cut before the reply",
         [](FakeTradingApi& ebay) {
             ebay.setReplies(QStringLiteral("AddItem"), {FakeHttpReply{.cutAfterBytes = 0}});
             return ebay.url();
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        FakeTradingApi ebay;
        ebay.setFixtureReply(QStringLiteral("AddItem"), QStringLiteral("DWEBay2/AddItemWithFeesAndWarnings.xml"));
        auto connector = connectorFor(ebay);
        ASSERT_TRUE(connector->sendRequestWithToken(addItemRequest(), QStringLiteral("AddItem")));
        const dw::HttpHeaderFields before = connector->responseHeaderFields();
        connector->setAPIURL(row.endpoint(ebay));
        connector->setRequestTimeOut(1);

        dw::ScopedConsoleCapture console;
        const auto reply = connector->sendRequestWithToken(addItemRequest(), QStringLiteral("AddItem"));

        EXPECT_FALSE(reply);
        ASSERT_EQ(console.lines().size(), 1) << console.lines().join(u'\n').toStdString();
        EXPECT_TRUE(console.lines()[0].startsWith(
            QStringLiteral("-[DWEbayConnector sendRequestString:verb:] 'AddItem' returned error: ")));
        EXPECT_TRUE(console.lines()[0].endsWith(QStringLiteral("(data length: 0)")));
        EXPECT_EQ(connector->responseHeaderFields(), before);
    }
}

TEST(DWEbayConnector, BrokenPreconditionsThrowWithTheirMessagesAndSendNothing)
{
    FakeTradingApi ebay;
    ebay.useFixtureReplies();
    auto connector = connectorFor(ebay);
    auto withoutToken = connectorFor(ebay);
    withoutToken->setToken(QString());
    struct Row
    {
        const char* message;
        std::function<void()> call;
    };
    const Row rows[] = {
        {"cannot add nil token to request",
         [&] { (void)withoutToken->sendRequestWithToken(addItemRequest(), QStringLiteral("AddItem")); }},
        {"Invalid parameter not satisfying: nil != inRequestString",
         [&] { (void)connector->sendRequestString(QString(), QStringLiteral("AddItem")); }},
        {"Invalid parameter not satisfying: nil != inRequestString",
         [&] { (void)connector->sendRequest(nullptr, QStringLiteral("AddItem")); }},
        {"Invalid parameter not satisfying: nil != inVerb",
         [&] { (void)connector->sendRequestWithToken(addItemRequest(), QString()); }},
        {"[DWGenericEbayConnector APIURL] needs to be overwritten in subclass",
         [] { (void)DWGenericEbayConnector::ebayAPIReachable(); }},
        {"Failed to create SCNetworkReachabilityRef for host: ",
         [] { (void)DWGenericEbayConnector::networkReachableForServer(QString()); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message);
        dw::ScopedConsoleCapture console; // the assertion's own line
        try {
            row.call();
            ADD_FAILURE() << "no exception";
        } catch (const dw::InternalInconsistency& exception) {
            EXPECT_EQ(exception.message(), QString::fromLatin1(row.message));
        }
    }
    EXPECT_EQ(ebay.requestCount(), 0u);
}

TEST(DWEbayConnector, NoTokenReachesTheConsole)
{
    FakeTradingApi ebay;
    ebay.useFixtureReplies();
    const QByteArray fetchTokenReply = dw::test::fixture(QStringLiteral("DWEBay2/FetchToken.xml"));
    const QString newToken = EBayFetchTokenResponseType::requestWithXMLData(fetchTokenReply)->eBayAuthToken();
    ASSERT_FALSE(newToken.isEmpty());
    // The reply echoes the user's token where no element names it as one.
    ebay.setReply(QStringLiteral("GetUser"), "<GetUserResponse><Message>hello " + kToken.toUtf8() +
                                                 "</Message><eBayAuthToken>" + kToken.toUtf8() +
                                                 "</eBayAuthToken><eBayAuthToken>second</eBayAuthToken>"
                                                 "</GetUserResponse>");
    auto connector = connectorFor(ebay);
    connector->setLoggingEnabled(true);

    // The sign-in session fetches a token for as long as it lasts: it is as secret as the token.
    const QByteArray sessionReply = dw::test::fixture(QStringLiteral("DWEBay2/GetSessionID.xml"));
    const QString session = EBayGetSessionIDResponseType::requestWithXMLData(sessionReply)->sessionID();
    ASSERT_FALSE(session.isEmpty());

    dw::ScopedConsoleCapture console;
    ASSERT_TRUE(
        connector->sendRequest(EBayGetSessionIDRequestType::getSessionIDRequestType(), QStringLiteral("GetSessionID")));
    auto fetch = EBayFetchTokenRequestType::fetchTokenRequestType();
    fetch->setSecretID(QStringLiteral("secret-of-anna"));
    fetch->setSessionID(session);
    ASSERT_TRUE(connector->sendRequestWithToken(fetch, QStringLiteral("FetchToken")));
    ASSERT_TRUE(
        connector->sendRequestWithToken(EBayGetUserRequestType::getUserRequestType(), QStringLiteral("GetUser")));

    const QStringList lines = console.lines();
    ASSERT_EQ(lines.size(), 6);
    for (const QString& line : lines) {
        EXPECT_FALSE(line.contains(kToken)) << line.toStdString();
        EXPECT_FALSE(line.contains(newToken)) << line.toStdString();
        EXPECT_FALSE(line.contains(QStringLiteral("secret-of-anna"))) << line.toStdString();
        EXPECT_FALSE(line.contains(session)) << line.toStdString();
        EXPECT_FALSE(line.contains(QStringLiteral("second"))) << line.toStdString();
    }
    EXPECT_TRUE(lines[1].contains(QStringLiteral("<SessionID></SessionID>")));
    EXPECT_TRUE(lines[2].contains(QStringLiteral("<eBayAuthToken></eBayAuthToken>")));
    EXPECT_TRUE(lines[2].contains(QStringLiteral("<SecretID></SecretID>")));
    EXPECT_TRUE(lines[2].contains(QStringLiteral("<SessionID></SessionID>")));
    EXPECT_TRUE(lines[3].contains(QStringLiteral("<eBayAuthToken></eBayAuthToken>")));
    EXPECT_TRUE(lines[3].contains(QStringLiteral("<HardExpirationTime>2013-05-13T19:33:08.000Z</HardExpirationTime>")));
    EXPECT_EQ(lines[5], QStringLiteral("<GetUserResponse><Message>hello </Message><eBayAuthToken></eBayAuthToken>"
                                       "<eBayAuthToken></eBayAuthToken></GetUserResponse>"));
}

TEST(DWEbayConnector, LogsRequestTextsWithTheTokenCutOut)
{
    struct Row
    {
        const char* name;
        const char* request;
        const char* logged;
    };
    const Row rows[] = {
        {"no token", "<GetUserRequest><UserID>anna</UserID></GetUserRequest>",
         "<GetUserRequest><UserID>anna</UserID></GetUserRequest>"},
        {"token", "<R><eBayAuthToken>tok-1</eBayAuthToken><A>1</A></R>",
         "<R><eBayAuthToken></eBayAuthToken><A>1</A></R>"},
        {"opened, never closed", "<R><A>1</A><eBayAuthToken>tok-1<A>2</A></R>", "<R><A>1</A><eBayAuthToken>"},
        {"two tokens", "<R><eBayAuthToken>tok-1</eBayAuthToken><eBayAuthToken>tok-2</eBayAuthToken></R>",
         "<R><eBayAuthToken></eBayAuthToken><eBayAuthToken></eBayAuthToken></R>"},
        {"prefixed and with attributes", "<e:eBayAuthToken a=\"1\">tok-1</e:eBayAuthToken >",
         "<e:eBayAuthToken a=\"1\"></e:eBayAuthToken >"},
        {"empty element", "<R><eBayAuthToken/><A>1</A></R>", "<R><eBayAuthToken/><A>1</A></R>"},
    };
    FakeTradingApi ebay;
    ebay.setReply(QStringLiteral("GetUser"), "<r/>");
    auto connector = connectorFor(ebay);
    connector->setToken(QStringLiteral("not-in-these-texts"));
    connector->setLoggingEnabled(true);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        dw::ScopedConsoleCapture console;
        ASSERT_TRUE(connector->sendRequestString(QString::fromUtf8(row.request), QStringLiteral("GetUser")));
        ASSERT_EQ(console.lines().size(), 2);
        EXPECT_EQ(console.lines()[0], QString::fromUtf8(row.logged));
        EXPECT_EQ(console.lines()[1], QStringLiteral("<r/>"));
    }
    // The document itself goes out whole.
    EXPECT_EQ(ebay.requests()[2].http.body, "<R><A>1</A><eBayAuthToken>tok-1<A>2</A></R>");
}

TEST(DWEbayConnector, ReplaysSavedFilesInCountedTurnAcrossThreads)
{
    DWEbayConnector::resetSavedResponseCounters();
    QTemporaryDir folder;
    for (int n = 1; n <= 6; ++n)
        writeFile(folder.filePath(QStringLiteral("VerifyAddItem_#%1.xml").arg(n)), "reply " + QByteArray::number(n));
    writeFile(folder.filePath(QStringLiteral("VerifyAddItem.xml")), "fallback");
    auto replay = std::make_shared<Replay>(folder.path());
    FakeTradingApi ebay;

    std::mutex lock;
    QList<QByteArray> replies;
    dw::ScopedConsoleCapture console;
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i) {
        threads.emplace_back([&] {
            auto connector = connectorFor(ebay);
            connector->setReplaySettings(replay);
            auto request = EBayVerifyAddItemRequestType::verifyAddItemRequestType();
            const auto reply = connector->sendRequestWithToken(request, QStringLiteral("VerifyAddItem"));
            const std::lock_guard guard(lock);
            replies.append(reply.value_or("nothing"));
        });
    }
    for (std::thread& thread : threads)
        thread.join();

    std::sort(replies.begin(), replies.end());
    const QList<QByteArray> expected{"fallback", "fallback", "reply 1", "reply 2",
                                     "reply 3",  "reply 4",  "reply 5", "reply 6"};
    EXPECT_EQ(replies, expected);
    EXPECT_EQ(ebay.requestCount(), 0u);
    EXPECT_TRUE(console.contains(QStringLiteral("WARNING: Using static response from file '") +
                                 folder.filePath(QStringLiteral("VerifyAddItem_#6.xml")) + u'\''));
}

TEST(DWEbayConnector, ReplayKeysPagedCallsByPageAndFallsBackToTheNetwork)
{
    DWEbayConnector::resetSavedResponseCounters();
    QTemporaryDir folder;
    writeFile(folder.filePath(QStringLiteral("GetSellerList_2_#1.xml")), "page 2, first");
    writeFile(folder.filePath(QStringLiteral("GetSellerList_2_#2.xml")), "page 2, second");
    writeFile(folder.filePath(QStringLiteral("GetSellerList_3.xml")), "page 3, any");
    writeFile(folder.filePath(QStringLiteral("GetSellerList_0_#1.xml")), "no page");
    writeFile(folder.filePath(QStringLiteral("GetMyeBaySelling_4_#1.xml")), "sold, page 4");
    auto replay = std::make_shared<Replay>(folder.path());
    FakeTradingApi ebay;
    ebay.setReply(QStringLiteral("GetSellerList"), "from the network");
    ebay.setReply(QStringLiteral("NoSuchCall"), "from the network");
    auto connector = connectorFor(ebay);
    connector->setReplaySettings(replay);

    auto page = [](qint64 number) {
        auto request = EBayGetSellerListRequestType::getSellerListRequestType();
        if (number > 0) {
            auto pagination = EBayPaginationType::paginationType();
            pagination->setPageNumber(number);
            request->setPagination(pagination);
        }
        return request;
    };
    auto sellerList = [&](qint64 number) {
        return connector->sendRequestWithToken(page(number), QStringLiteral("GetSellerList")).value_or("nothing");
    };
    EXPECT_EQ(sellerList(2), "page 2, first");
    EXPECT_EQ(sellerList(3), "page 3, any");
    EXPECT_EQ(sellerList(2), "page 2, second");
    EXPECT_EQ(sellerList(2), "from the network"); // #3 is missing and so is the page's fallback
    EXPECT_EQ(sellerList(0), "no page");

    auto selling = EBayGetMyeBaySellingRequestType::getMyeBaySellingRequestType();
    auto soldList = EBayItemListCustomizationType::itemListCustomizationType();
    auto pagination = EBayPaginationType::paginationType();
    pagination->setPageNumber(4);
    soldList->setPagination(pagination);
    selling->setSoldList(soldList);
    EXPECT_EQ(connector->sendRequestWithToken(selling, QStringLiteral("GetMyeBaySelling")), "sold, page 4");

    dw::ScopedConsoleCapture console;
    EXPECT_EQ(connector->sendRequestString(QStringLiteral("<x/>"), QStringLiteral("NoSuchCall")), "from the network");
    EXPECT_TRUE(console.contains(QStringLiteral("Couldn't find class for name EBayNoSuchCallRequestType")));

    // Switched off, the replay neither reads a file nor counts: the next replayed send is page 2's third.
    writeFile(folder.filePath(QStringLiteral("GetSellerList_2_#3.xml")), "page 2, third");
    writeFile(folder.filePath(QStringLiteral("GetSellerList_2_#4.xml")), "page 2, fourth");
    replay->setOn(false);
    EXPECT_EQ(sellerList(2), "from the network");
    replay->setOn(true);
    EXPECT_EQ(sellerList(2), "page 2, fourth");
}

TEST(DWEbayConnector, StandardReplayFollowsTheUserDefaultAndTheHomeFolder)
{
    DWEbayConnector::resetSavedResponseCounters();
    dw::test::TemporaryXdg xdg;
    writeFile(QDir::homePath() + QStringLiteral("/DWEbay_Debug/GetUser.xml"), "saved user");
    FakeTradingApi ebay;
    ebay.setReply(QStringLiteral("GetUser"), "live user");
    auto connector = connectorFor(ebay);
    auto send = [&] {
        return connector->sendRequest(EBayGetUserRequestType::getUserRequestType(), QStringLiteral("GetUser"));
    };

    EXPECT_EQ(send(), "live user");
    dw::UserDefaults::standard().setBool(true, QStringLiteral("useSavedXMLResponses"));
    EXPECT_EQ(send(), "saved user");
}

TEST(DWEbayConnector, ReachabilityOfTheApiHost)
{
    EXPECT_TRUE(DWGenericEbayConnector::networkReachableForServer(QStringLiteral("127.0.0.1")));
    EXPECT_TRUE(DWGenericEbayConnector::networkReachableForServer(QStringLiteral("localhost")));
    // Nothing routes to the broadcast address without asking for broadcast.
    EXPECT_FALSE(DWGenericEbayConnector::networkReachableForServer(QStringLiteral("255.255.255.255")));

    const QString production = DWEbayConnector::APIServerName();
    EXPECT_EQ(production, QStringLiteral("api.ebay.com"));
    DWEbayConnector::setAPIServerName(QStringLiteral("127.0.0.1"));
    EXPECT_TRUE(DWEbayConnector::ebayAPIReachable());
    DWEbayConnector::setAPIServerName(production);
}
