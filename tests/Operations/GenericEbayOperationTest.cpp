#include "DWEBay2/DWEbayConnector.h"
#include "DWEBay2/types/EBayCategoryType.h"
#include "DWEBay2/types/EBayErrorType.h"
#include "DWEBay2/types/EBayGetUserRequestType.h"
#include "DWEBay2/types/EBayGetUserResponseType.h"
#include "DWEBay2/types/EBayItemType.h"
#include "DWKit/DWOperation/DWNSOperationQueue.h"
#include "DWKit/QMLogManager.h"
#include "Operations/QMGenericAuctionItemOperation.h"
#include "Operations/QMGenericEbayNSOperation.h"
#include "model/DWEbayPreferencesManager.h"
#include "platform/core/DWAssert.h"
#include "platform/core/MainThread.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/UserDefaults.h"
#include "tests/support/ebay/FakeTradingApi.h"

#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>
#include <ostream>

void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"' << text.toStdString() << '"';
}

namespace {

using dw::test::FakeHttpReply;

// One GetUser call, as every eBay operation makes its call.
class GetUserOperation : public QMGenericEbayNSOperation
{
public:
    using QMGenericEbayNSOperation::QMGenericEbayNSOperation;

    QString name() const override { return QStringLiteral("Get User"); }

    std::function<void(GetUserOperation&)> afterReply;

protected:
    void internalMain() override
    {
        auto entry = QMLogEntry::logEntryOfType(QStringLiteral("getUser"));
        addLogEntry(entry);
        setCurrentTaskName(QStringLiteral("Asking eBay"));
        const auto reply =
            connector()->sendRequestWithToken(EBayGetUserRequestType::getUserRequestType(), QStringLiteral("GetUser"));
        if (!validateReceivedXMLData(reply, entry))
            return;
        auto response = responseFromData<EBayGetUserResponseType>(*reply, entry);
        if (!response)
            return;
        if (response->ack() != QLatin1String("Success"))
            return completeOperationWithFailedResponse(response, entry);
        setSuccessStateForLogEntry(entry);
        if (afterReply)
            afterReply(*this);
    }
};

QByteArray reply(const char* ack, const char* errors = "")
{
    return QByteArray(
               R"(<?xml version="1.0" encoding="UTF-8"?><GetUserResponse xmlns="urn:ebay:apis:eBLBaseComponents">)") +
           "<Ack>" + ack + "</Ack>" + errors + "</GetUserResponse>";
}

const char* kAuctionError = "<Errors><ShortMessage>Auction ended.</ShortMessage><LongMessage>The auction has ended."
                            "</LongMessage><ErrorCode>291</ErrorCode><SeverityCode>Error</SeverityCode></Errors>";
const char* kWarning = "<Errors><ShortMessage>Check the title.</ShortMessage><LongMessage>Check the title."
                       "</LongMessage><ErrorCode>21916</ErrorCode><SeverityCode>Warning</SeverityCode></Errors>";

class GenericEbayOperationTest : public ::testing::Test
{
protected:
    GenericEbayOperationTest()
    {
        QMLogManager::resetSharedInstance();
        m_ended = dw::ScopedObservation(
            dw::NotificationCenter::defaultCenter(),
            dw::NotificationCenter::defaultCenter().addObserver(QLatin1String(DWNSNotificationOperation_ended), nullptr,
                                                                [this](const dw::Notification&) { ++m_endedCount; }));
    }
    ~GenericEbayOperationTest() override { QMLogManager::resetSharedInstance(); }

    QMEbayConnectorFactory factory()
    {
        return [this] {
            ++m_connectorsMade;
            auto connector = std::make_unique<DWEbayConnector>(m_ebay.url(), 77, 747);
            connector->setToken(QStringLiteral("secret-token"));
            connector->setRequestTimeOut(10);
            return connector;
        };
    }

    std::shared_ptr<GetUserOperation> makeOperation() { return std::make_shared<GetUserOperation>(factory()); }

    // Runs the operations and returns once their ends have reached the main thread.
    void run(const QList<std::shared_ptr<GetUserOperation>>& operations)
    {
        const int expectedEnds = m_endedCount + int(operations.size());
        for (const auto& operation : operations)
            m_queue.addOperation(operation);
        m_queue.waitUntilAllOperationsAreFinished();
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_endedCount >= expectedEnds; }, 10000));
    }

    QString messageOf(const GetUserOperation& operation)
    {
        const auto envelope = operation.errorEnvelope();
        return envelope && !envelope->errors().isEmpty() ? envelope->errors().first()->message() : QString();
    }

    dw::test::FakeTradingApi m_ebay;
    DWNSOperationQueue m_queue;
    int m_endedCount = 0;
    int m_connectorsMade = 0;
    dw::ScopedObservation m_ended;
};

const QString kNetworkError = QStringLiteral("A network error occurred while trying to connect to the eBay server. "
                                             "Please check your internet connection and try again.");

} // namespace

TEST_F(GenericEbayOperationTest, RepliesThatCannotBeEBaysFailBeforeOrWhileParsing)
{
    struct Row
    {
        const char* name;
        FakeHttpReply reply;
        QString message;
    };
    const std::vector<Row> rows{
        {"no reply at all", {.cutAfterBytes = 0}, kNetworkError},
        {"an empty reply", {.body = ""}, kNetworkError},
        {"ten bytes of something else",
         {.body = "not xml!!!"},
         "Could not parse eBay response with prefix “not xml!!!”."},
        {"a page of the wrong server",
         {.status = 503, .body = "<html><head><title>Service Unavailable</title></head><body></body></html>"},
         "Could not parse eBay response with prefix “<html><head><title>Service Unavailable<”."},
        {"eBay's declaration cut off after a valid start",
         {.body = R"(<?XML version="1.0"?><GetUserResponse xmlns="urn:ebay:apis:eBLBaseComponents"><Ack>Succ)"},
         R"(Could not parse eBay response with prefix “<?XML version="1.0"?><GetUserResponse x”.)"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        m_ebay.setReplies(QStringLiteral("GetUser"), {row.reply});
        auto operation = makeOperation();
        run({operation});
        EXPECT_EQ(messageOf(*operation), row.message);
        ASSERT_TRUE(operation->errorEnvelope());
        EXPECT_EQ(operation->errorEnvelope()->source(), "eBay");
        EXPECT_EQ(operation->errorEnvelope()->operation(), "Get User");
        EXPECT_TRUE(operation->errorOccurred());
        const auto entry = operation->logEntry();
        EXPECT_EQ(entry->state(), "failure");
        EXPECT_EQ(entry->errorEnvelope(), operation->errorEnvelope());
        EXPECT_TRUE(QMLogManager::sharedInstance().logEntries().contains(entry));
    }
}

TEST_F(GenericEbayOperationTest, ParsedRepliesSetTheLogStateByAcknowledgement)
{
    struct Row
    {
        const char* name;
        QByteArray body;
        bool cancelWhileWaiting;
        QString state;
        bool hasError;
    };
    const std::vector<Row> rows{
        {"success", reply("Success"), false, "success", false},
        {"failure", reply("Failure", kAuctionError), false, "failure", true},
        {"warning", reply("Warning", kWarning), false, "warning", false},
        {"failure of a cancelled operation", reply("Failure", kAuctionError), true, "cancel", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto operation = makeOperation();
        m_ebay.setResponder(QStringLiteral("GetUser"), [&](const dw::test::TradingApiRequest&) {
            if (row.cancelWhileWaiting)
                operation->cancel();
            return FakeHttpReply{.body = row.body};
        });
        run({operation});
        EXPECT_EQ(operation->logEntry()->state(), row.state);
        EXPECT_EQ(operation->errorEnvelope() && operation->errorEnvelope()->hasError(), row.hasError);
        if (row.hasError) {
            EXPECT_EQ(messageOf(*operation), "The auction has ended.");
        }
    }
    const auto sent = m_ebay.requests(QStringLiteral("GetUser"));
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.front().headerValue("X-EBAY-API-SITEID"), "77");
}

TEST_F(GenericEbayOperationTest, AFailedEntryStaysFailed)
{
    auto operation = makeOperation();
    auto entry = QMLogEntry::logEntryOfType(QStringLiteral("getUser"));
    operation->setCancelledStateForLogEntry(entry);
    EXPECT_EQ(entry->state(), "cancel");
    entry->setState(QStringLiteral("failure"));
    operation->setSuccessStateForLogEntry(entry);
    operation->setCancelledStateForLogEntry(entry);
    EXPECT_EQ(entry->state(), "failure");
}

TEST_F(GenericEbayOperationTest, WorkThatThrowsFailsWithItsReasonAndStillEnds)
{
    m_ebay.setReply(QStringLiteral("GetUser"), reply("Success"));
    auto operation = makeOperation();
    operation->afterReply = [](GetUserOperation&) { DW_ASSERT(false, "Need itemType"); };
    run({operation});
    EXPECT_EQ(operation->logEntry()->state(), "failure") << "the entry read success before the assertion";
    EXPECT_EQ(messageOf(*operation), "Need itemType");
    EXPECT_EQ(operation->logEntry()->errorEnvelope(), operation->errorEnvelope());
    EXPECT_TRUE(operation->isFinished());

    // An operation that never says what it does is a programming error, reported the same way.
    auto bare = std::make_shared<QMGenericEbayNSOperation>(factory());
    m_queue.addOperation(bare);
    m_queue.waitUntilAllOperationsAreFinished();
    EXPECT_EQ(bare->errorEnvelope()->errors().first()->message(), "Must be implemented in subclasses");
    EXPECT_EQ(bare->errorEnvelope()->operation(), "GenericEbayOperation");
}

TEST_F(GenericEbayOperationTest, EveryOperationGetsANewConnectorOfItsOwn)
{
    auto first = makeOperation();
    auto second = makeOperation();
    EXPECT_EQ(m_connectorsMade, 2);
    EXPECT_NE(first->connector(), second->connector());
    EXPECT_TRUE(first->indeterminate());
    EXPECT_THROW(GetUserOperation([] { return std::unique_ptr<DWEbayConnector>(); }), dw::InternalInconsistency);
}

TEST_F(GenericEbayOperationTest, TaskNameIsAnnouncedOnTheMainThreadOncePerChange)
{
    m_ebay.setReply(QStringLiteral("GetUser"), reply("Success"));
    QStringList seen;
    bool onMain = true;
    dw::ScopedObservation observation(
        dw::NotificationCenter::defaultCenter(),
        dw::NotificationCenter::defaultCenter().addObserver(
            QLatin1String(kQMGenericEbayNSOperationTaskNameChangedNotification), nullptr,
            [&](const dw::Notification& n) {
                onMain = onMain && dw::isMainThread();
                seen << n.object.shared<DWNSOperation>()->userInfo().value("listing").toString();
            }));
    auto operation = makeOperation();
    operation->setUserInfo({{"listing", "camera"}});
    operation->afterReply = [](GetUserOperation& self) {
        self.setCurrentTaskName(QStringLiteral("Asking eBay")); // the same name again
        self.setCurrentTaskName(QString());
    };
    run({operation});
    EXPECT_EQ(seen, QStringList{"camera"});
    EXPECT_TRUE(onMain);
    EXPECT_TRUE(operation->currentTaskName().isNull());
}

TEST_F(GenericEbayOperationTest, AQueueOfWidthTwoNeverSendsMoreThanTwoCallsAtOnce)
{
    // Each reply waits until a second call is in, so that two calls surely overlap.
    m_ebay.setResponder(QStringLiteral("GetUser"), [this](const dw::test::TradingApiRequest&) {
        (void)m_ebay.waitForRequests(2, std::chrono::seconds(5));
        return FakeHttpReply{.body = reply("Success"), .delay = std::chrono::milliseconds(50)};
    });
    m_queue.setMaxConcurrentOperationCount(2);
    QList<std::shared_ptr<GetUserOperation>> operations;
    for (int i = 0; i < 5; ++i)
        operations << makeOperation();
    run(operations);
    EXPECT_EQ(m_ebay.requestCount(), 5u);
    EXPECT_EQ(m_ebay.peakConcurrentRequests(), 2);
    for (const auto& operation : operations)
        EXPECT_EQ(operation->logEntry()->state(), "success");
}

TEST_F(GenericEbayOperationTest, RequestSettingsFollowThePreferences)
{
    auto operation = makeOperation();
    EXPECT_TRUE(operation->errorLanguage().isNull());
    EXPECT_TRUE(operation->ebayWarningLevel().isNull());
    auto& defaults = DWEbayPreferencesManager::sharedInstance().defaults();
    defaults.setBool(true, QStringLiteral("isRunningInSandbox"));
    defaults.setBool(true, QStringLiteral("eBayAPIWarningLevelHigh"));
    EXPECT_EQ(operation->errorLanguage(), "en_US");
    EXPECT_EQ(operation->ebayWarningLevel(), "High");
    defaults.removeObjectForKey(QStringLiteral("isRunningInSandbox"));
    defaults.removeObjectForKey(QStringLiteral("eBayAPIWarningLevelHigh"));
}

TEST(GenericEbayOperation, ASuccessWithAMessageOfEBaysBecomesAWarningThatPointsToIt)
{
    EBayGetUserResponseType plain;
    plain.setAck(QStringLiteral("Success"));
    QMGenericEbayNSOperation::promoteEBayMessageToWarning(plain);
    EXPECT_EQ(plain.ack(), "Success");

    EBayGetUserResponseType withMessage;
    withMessage.setAck(QStringLiteral("Success"));
    withMessage.setMessage(QStringLiteral("<b>New fees from Monday</b>"));
    QMGenericEbayNSOperation::promoteEBayMessageToWarning(withMessage);
    EXPECT_EQ(withMessage.ack(), "Warning");
    ASSERT_EQ(withMessage.errorss()->size(), 1);
    const auto& error = withMessage.errorss()->first();
    EXPECT_EQ(error->errorCode(), "1");
    EXPECT_EQ(error->severityCode(), "Warning");
    EXPECT_EQ(error->longMessage(), "eBay has a message for you. Click “More Info” to see it.");
    EXPECT_EQ(withMessage.message(), "<b>New fees from Monday</b>");
}

TEST(GenericAuctionItemOperation, TrimmingAnItemKeepsOnlyTheNamedElements)
{
    static_assert(!std::is_default_constructible_v<QMGenericAuctionItemOperation>,
                  "a listing operation is made with its connector and snapshot only");
    auto item = EBayItemType::itemType();
    item->setTitle(QStringLiteral("Brass lamp"));
    item->setQuantity(3);
    item->setPrivateListing(true);
    item->setAutoPay(true);
    item->setPrimaryCategory(EBayCategoryType::categoryType());
    item->addPaymentMethods(QStringLiteral("PayPal"));
    item->addShipToLocations(QStringLiteral("Worldwide"));

    QMGenericAuctionItemOperation::trimElementsFromItem(
        *item, {QStringLiteral("Title"), QStringLiteral("AutoPay"), QStringLiteral("PaymentMethods")});
    EXPECT_EQ(item->title(), QStringLiteral("Brass lamp"));
    EXPECT_TRUE(item->autoPay());
    ASSERT_TRUE(item->paymentMethodss());
    EXPECT_EQ(*item->paymentMethodss(), QStringList{QStringLiteral("PayPal")});
    EXPECT_EQ(item->quantity(), 0) << "an int element becomes 0";
    EXPECT_FALSE(item->privateListing()) << "a boolean element becomes NO";
    EXPECT_FALSE(item->primaryCategory()) << "any other element is unset";
    EXPECT_FALSE(item->shipToLocationss()) << "a repeated element not named is unset";

    const QString first = QMGenericAuctionItemOperation::createListingUUID();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9A-F]{32}$")).match(first).hasMatch());
    EXPECT_NE(first, QMGenericAuctionItemOperation::createListingUUID());
}
