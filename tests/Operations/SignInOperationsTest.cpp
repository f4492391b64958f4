#include "DWEBay2/DWEbayConnector.h"
#include "DWEBay2/types/EBayFetchTokenRequestType.h"
#include "DWEBay2/types/EBayGetSessionIDRequestType.h"
#include "DWEBay2/types/EBayGetUserRequestType.h"
#include "DWEBay2/types/EBayUserType.h"
#include "DWEBay2/types/EBayXMLRequesterCredentialsType.h"
#include "DWKit/DWOperation/DWNSOperationQueue.h"
#include "DWKit/QMLog.h"
#include "DWKit/QMLogManager.h"
#include "Operations/QMFetchTokenOperation.h"
#include "Operations/QMGetSessionIDOperation.h"
#include "platform/core/ConsoleOutput.h"
#include "tests/support/ebay/FakeTradingApi.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

namespace {

QByteArray reply(const char* call, const char* ack, const QByteArray& body = {})
{
    return QByteArray(R"(<?xml version="1.0" encoding="UTF-8"?><)") + call +
           R"(Response xmlns="urn:ebay:apis:eBLBaseComponents"><Ack>)" + ack + "</Ack>" + body +
           (QByteArray(ack) == "Success"
                ? QByteArray()
                : QByteArray("<Errors><ShortMessage>Careful.</ShortMessage><LongMessage>Careful."
                             "</LongMessage><ErrorCode>1</ErrorCode><SeverityCode>Warning"
                             "</SeverityCode></Errors>")) +
           "</" + call + "Response>";
}

const QByteArray kToken = "AgAAAA**fetched-token";
const QByteArray kUser = "<User><UserID>ann</UserID><Site>Germany</Site></User>";

class SignInOperations : public ::testing::Test
{
protected:
    SignInOperations() { QMLogManager::resetSharedInstance(); }
    ~SignInOperations() override { QMLogManager::resetSharedInstance(); }

    QMEbayConnectorFactory factory()
    {
        return [this] {
            auto connector = std::make_unique<DWEbayConnector>(m_ebay.url(), 77, 747);
            connector->setRequestTimeOut(10);
            connector->setLoggingEnabled(m_logExchanges);
            return connector;
        };
    }

    void run(const std::shared_ptr<DWNSOperation>& operation)
    {
        m_queue.addOperation(operation);
        m_queue.waitUntilAllOperationsAreFinished();
        QCoreApplication::processEvents();
    }

    std::shared_ptr<QMFetchTokenOperation> fetchBySession(bool getUser)
    {
        auto operation = std::make_shared<QMFetchTokenOperation>(factory());
        operation->setSessionID(QStringLiteral("session-1"));
        operation->setExecuteGetUserRequest(getUser);
        return operation;
    }

    dw::test::FakeTradingApi m_ebay;
    DWNSOperationQueue m_queue;
    bool m_logExchanges = false;
};

} // namespace

TEST_F(SignInOperations, FetchBySessionSendsOnlyTheSessionAndThenAsksForTheUser)
{
    m_ebay.setReply(QStringLiteral("FetchToken"),
                    reply("FetchToken", "Success", "<eBayAuthToken>" + kToken + "</eBayAuthToken>"));
    m_ebay.setReply(QStringLiteral("GetUser"), reply("GetUser", "Warning", kUser));
    m_logExchanges = true;
    auto operation = fetchBySession(true);
    {
        // Even the most talkative log keeps the token out.
        dw::ScopedConsoleCapture console;
        QMSetLogLevel(5);
        run(operation);
        QMResetCachedLogLevel();
        EXPECT_FALSE(console.lines().isEmpty());
        for (const QString& line : console.lines())
            EXPECT_FALSE(line.contains(QLatin1String("fetched-token"))) << line.toStdString();
    }

    const auto fetch = m_ebay.requests(QStringLiteral("FetchToken")).at(0).documentAs<EBayFetchTokenRequestType>();
    ASSERT_TRUE(fetch);
    EXPECT_EQ(fetch->sessionID(), QStringLiteral("session-1"));
    EXPECT_FALSE(fetch->requesterCredentials());
    EXPECT_TRUE(fetch->secretID().isEmpty());

    const auto getUser = m_ebay.requests(QStringLiteral("GetUser")).at(0).documentAs<EBayGetUserRequestType>();
    ASSERT_TRUE(getUser && getUser->requesterCredentials());
    EXPECT_EQ(getUser->requesterCredentials()->eBayAuthToken(), QString::fromLatin1(kToken));
    EXPECT_TRUE(getUser->includeFeatureEligibility());
    ASSERT_TRUE(getUser->detailLevels());
    EXPECT_EQ(*getUser->detailLevels(), QStringList{QStringLiteral("ReturnAll")});

    EXPECT_EQ(operation->token(), QString::fromLatin1(kToken));
    ASSERT_TRUE(operation->getUserType());
    EXPECT_EQ(operation->getUserType()->userID(), QStringLiteral("ann"));
    EXPECT_EQ(QMFetchTokenOperation::siteIDForEbaySiteCode(operation->getUserType()->site()), 77);
}

TEST_F(SignInOperations, FetchByUserSendsUsernameAndSecretID)
{
    m_ebay.setReply(QStringLiteral("FetchToken"),
                    reply("FetchToken", "Success", "<eBayAuthToken>" + kToken + "</eBayAuthToken>"));
    auto operation = std::make_shared<QMFetchTokenOperation>(factory());
    operation->setUsername(QStringLiteral("ann"));
    operation->setSecretID(QStringLiteral("secret-1"));
    run(operation);

    const auto fetch = m_ebay.requests(QStringLiteral("FetchToken")).at(0).documentAs<EBayFetchTokenRequestType>();
    ASSERT_TRUE(fetch && fetch->requesterCredentials());
    EXPECT_EQ(fetch->requesterCredentials()->username(), QStringLiteral("ann"));
    EXPECT_EQ(fetch->secretID(), QStringLiteral("secret-1"));
    EXPECT_TRUE(fetch->sessionID().isEmpty());
    EXPECT_EQ(operation->token(), QString::fromLatin1(kToken));
    EXPECT_TRUE(m_ebay.requests(QStringLiteral("GetUser")).empty());
}

TEST_F(SignInOperations, OnlyASuccessfulFetchWithATokenAsksForTheUser)
{
    struct Row
    {
        const char* name;
        QByteArray fetchReply;
        QByteArray userReply;
        bool expectToken;
        bool expectGetUser;
        bool expectUser;
        bool expectError;
    };
    const QByteArray withToken = "<eBayAuthToken>" + kToken + "</eBayAuthToken>";
    const Row rows[] = {
        {"warning is a failure", reply("FetchToken", "Warning", withToken), {}, false, false, false, true},
        {"empty token",
         reply("FetchToken", "Success", "<eBayAuthToken></eBayAuthToken>"),
         {},
         false,
         false,
         false,
         false},
        {"failed GetUser keeps the token", reply("FetchToken", "Success", withToken), reply("GetUser", "Failure"), true,
         true, false, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        dw::test::FakeTradingApi ebay;
        ebay.setReply(QStringLiteral("FetchToken"), row.fetchReply);
        ebay.setReply(QStringLiteral("GetUser"),
                      row.userReply.isEmpty() ? reply("GetUser", "Success", kUser) : row.userReply);
        auto operation = std::make_shared<QMFetchTokenOperation>(
            [&ebay] { return std::make_unique<DWEbayConnector>(ebay.url(), 77, 747); });
        operation->setSessionID(QStringLiteral("session-1"));
        operation->setExecuteGetUserRequest(true);
        run(operation);
        EXPECT_EQ(!operation->token().isEmpty(), row.expectToken);
        EXPECT_EQ(!ebay.requests(QStringLiteral("GetUser")).empty(), row.expectGetUser);
        EXPECT_EQ(operation->getUserType() != nullptr, row.expectUser);
        EXPECT_EQ(operation->errorOccurred(), row.expectError);
    }
}

TEST_F(SignInOperations, SessionIDIsTakenFromSuccessAndWarningButNotFailure)
{
    const struct
    {
        const char* ack;
        const char* sessionID;
    } rows[] = {{"Success", "s-1"}, {"Warning", "s-1"}, {"Failure", ""}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.ack);
        m_ebay.setReply(QStringLiteral("GetSessionID"), reply("GetSessionID", row.ack, "<SessionID>s-1</SessionID>"));
        auto operation = std::make_shared<QMGetSessionIDOperation>(factory());
        operation->setRuName(QStringLiteral("Quillmart-RuName"));
        run(operation);
        EXPECT_EQ(operation->sessionID(), QLatin1String(row.sessionID));
        EXPECT_EQ(operation->errorOccurred(), QByteArray(row.ack) == "Failure");
    }
    const auto sent = m_ebay.requests(QStringLiteral("GetSessionID")).at(0).documentAs<EBayGetSessionIDRequestType>();
    ASSERT_TRUE(sent);
    EXPECT_EQ(sent->ruName(), QStringLiteral("Quillmart-RuName"));
    EXPECT_TRUE(m_ebay.requests(QStringLiteral("GetSessionID")).at(0).headerValue("X-EBAY-API-CALL-NAME") ==
                "GetSessionID");
}

TEST(SiteCodes, NameEbaysSitesExactly)
{
    const std::pair<const char*, int> rows[] = {
        {"Belgium_Dutch", 123}, {"CanadaFrench", 210}, {"Canada", 2},   {"Taiwan", 196},
        {"China", 223},         {"USA", -1},           {"germany", -1}, {"", -1}};
    for (const auto& [code, siteID] : rows)
        EXPECT_EQ(QMFetchTokenOperation::siteIDForEbaySiteCode(QLatin1String(code)), siteID) << code;
}
