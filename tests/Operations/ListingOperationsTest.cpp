#include "DWEBay2/DWEbayConnector.h"
#include "DWEBay2/types/EBayAddItemRequestType.h"
#include "DWEBay2/types/EBayAddItemResponseType.h"
#include "DWEBay2/types/EBayItemType.h"
#include "DWEBay2/types/EBayVariationType.h"
#include "DWEBay2/types/EBayVariationsType.h"
#include "DWEBay2/types/EBayVerifyAddFixedPriceItemRequestType.h"
#include "DWEBay2/types/EBayVerifyAddFixedPriceItemResponseType.h"
#include "DWEBay2/types/EBayVerifyAddItemRequestType.h"
#include "DWKit/DWOperation/DWNSOperationEnvelopeQueue.h"
#include "DWKit/QMLogManager.h"
#include "Operations/QMAddItemOperation.h"
#include "Operations/QMSimpleAddItemRequestFactory.h"
#include "Operations/QMVerifyAddItemOperation.h"
#include "Operations/QMVerifyAddItemOperationEnvelope.h"
#include "model/QMEbayItem.h"
#include "model/QMError.h"
#include "model/QMItemShippingOptions.h"
#include "model/QMPreferencesManager.h"
#include "platform/core/MainThread.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/UserDefaults.h"
#include "tests/support/ebay/FakeTradingApi.h"

#include <QRegularExpression>
#include <QTest>
#include <chrono>
#include <gtest/gtest.h>

namespace {

using dw::test::FakeHttpReply;
using namespace std::chrono_literals;

// What the operation manager does for a verification: finds the live listing and builds its item.
class ListingsDelegate final : public QMVerifyAddItemOperationDelegate
{
public:
    std::shared_ptr<QMEbayItem> itemWithUniqueID(const QMVerifyAddItemOperation&, const QString& uniqueID) override
    {
        return listings.value(uniqueID);
    }
    std::shared_ptr<EBayItemType> itemTypeForVerifyAddItemOperation(const QMVerifyAddItemOperation&,
                                                                    const QMEbayItem& item, bool,
                                                                    const QString& accountID) override
    {
        builtOnMainThread = builtOnMainThread && dw::isMainThread();
        auto built = QMSimpleAddItemRequestFactory::ebayItemForQMItem(item, accountID);
        if (withVariations) {
            auto variations = EBayVariationsType::variationsType();
            variations->addVariation(EBayVariationType::variationType());
            built->setVariations(variations);
        }
        return built;
    }

    QMap<QString, std::shared_ptr<QMEbayItem>> listings;
    bool builtOnMainThread = true;
    bool withVariations = false;
};

QByteArray verifyReply(const char* ack, const char* inner = "")
{
    return QByteArray(R"(<?xml version="1.0" encoding="UTF-8"?>)"
                      R"(<VerifyAddItemResponse xmlns="urn:ebay:apis:eBLBaseComponents"><Ack>)") +
           ack + "</Ack>" + inner + "</VerifyAddItemResponse>";
}

QByteArray addReply(const char* ack, const char* inner = "")
{
    return QByteArray(R"(<?xml version="1.0" encoding="UTF-8"?>)"
                      R"(<AddItemResponse xmlns="urn:ebay:apis:eBLBaseComponents"><Ack>)") +
           ack + "</Ack>" + inner + "<ItemID>110089122715</ItemID></AddItemResponse>";
}

const char* kWarning = "<Errors><ShortMessage>Check the title.</ShortMessage><LongMessage>Check the title."
                       "</LongMessage><ErrorCode>21916</ErrorCode><SeverityCode>Warning</SeverityCode></Errors>";
const char* kError = "<Errors><ShortMessage>No category.</ShortMessage><LongMessage>The category is not valid."
                     "</LongMessage><ErrorCode>87</ErrorCode><SeverityCode>Error</SeverityCode></Errors>";
const char* kMessage = "<Message>Fees change on March 1.</Message>";
const char* kZeroFees = "<Fees><Fee><Name>InsertionFee</Name><Fee currencyID=\"USD\">0.0</Fee></Fee>"
                        "<Fee><Name>BoldFee</Name><Fee currencyID=\"USD\">0.0</Fee></Fee>"
                        "<Fee><Name>ListingFee</Name><Fee currencyID=\"USD\">0.0</Fee></Fee></Fees>";

class ListingOperationsTest : public ::testing::Test
{
protected:
    ListingOperationsTest()
    {
        QMLogManager::resetSharedInstance();
        m_ended = dw::ScopedObservation(
            dw::NotificationCenter::defaultCenter(),
            dw::NotificationCenter::defaultCenter().addObserver(QLatin1String(DWNSNotificationOperation_ended), nullptr,
                                                                [this](const dw::Notification&) { ++m_endedCount; }));
        m_delegate->listings.insert(QStringLiteral("A"), listing(QStringLiteral("A"), QStringLiteral("Brass lamp")));
    }
    ~ListingOperationsTest() override
    {
        QMLogManager::resetSharedInstance();
        QMPreferencesManager::sharedInstance().forgetEbayMessageIgnoreList();
    }

    static std::shared_ptr<QMEbayItem> listing(const QString& uniqueID, const QString& title)
    {
        auto item = std::make_shared<QMEbayItem>();
        item->setUniqueID(uniqueID);
        item->setSiteID(0);
        item->setCurrency(1);
        item->setTitle(title);
        item->setDuration(7);
        item->setUseStartingBid(true);
        item->setMinimumBid(QStringLiteral("1.00"));
        item->shippingOptions()->addDomesticShippingServiceWithID(QStringLiteral("1"), QStringLiteral("4.90"), false,
                                                                  QStringLiteral("0"));
        return item;
    }

    QMEbayConnectorFactory factory()
    {
        return [this] {
            auto connector = std::make_unique<DWEbayConnector>(m_ebay.url(), 77, 747);
            connector->setToken(QStringLiteral("secret-token"));
            connector->setRequestTimeOut(10);
            return connector;
        };
    }

    std::shared_ptr<QMVerifyAddItemOperation> verifyOperation(const QString& uniqueID = QStringLiteral("A"))
    {
        auto operation = std::make_shared<QMVerifyAddItemOperation>(
            factory(), m_delegate->listings.value(uniqueID)->infoDictionaryForOperations(), QStringLiteral("seller"));
        operation->setDelegate(m_delegate);
        operation->setCurrencyName(QStringLiteral("US Dollar"));
        return operation;
    }

    std::shared_ptr<QMAddItemOperation> addOperation(bool scheduled, bool verificationPassed)
    {
        const auto& item = *m_delegate->listings.value(QStringLiteral("A"));
        auto operation = std::make_shared<QMAddItemOperation>(factory(), item.infoDictionaryForOperations(),
                                                              QStringLiteral("seller"), scheduled, verificationPassed);
        operation->buildItemType(item, {});
        return operation;
    }

    // Runs the operation and returns once its end has reached the main thread.
    void run(const DWNSOperationPtr& operation)
    {
        const int expectedEnds = m_endedCount + 1;
        m_queue.addOperation(operation);
        m_queue.waitUntilAllOperationsAreFinished();
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_endedCount >= expectedEnds; }, 10000));
    }

    static QStringList errorCodes(const QMGenericEbayNSOperation& operation)
    {
        QStringList codes;
        if (const auto envelope = operation.errorEnvelope()) {
            for (const auto& error : envelope->errors())
                codes << error->code();
        }
        return codes;
    }

    dw::test::FakeTradingApi m_ebay;
    DWNSOperationEnvelopeQueue m_queue;
    std::shared_ptr<ListingsDelegate> m_delegate = std::make_shared<ListingsDelegate>();
    int m_endedCount = 0;
    dw::ScopedObservation m_ended;
};

TEST_F(ListingOperationsTest, VerificationSendsTheListingAndKeepsFeesAndWarnings)
{
    m_ebay.setFixtureReply(QStringLiteral("VerifyAddItem"),
                           QStringLiteral("DWEBay2/VerifyAddItemWithFeesAndWarning.xml"));
    auto operation = verifyOperation();
    run(operation);

    const auto sent = m_ebay.requests(QStringLiteral("VerifyAddItem"));
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent.front().headerValue("X-EBAY-API-SITEID"), "0");
    const auto request = sent.front().documentAs<EBayVerifyAddItemRequestType>();
    ASSERT_TRUE(request && request->item());
    EXPECT_EQ(request->item()->title(), "Brass lamp");
    EXPECT_EQ(request->detailLevels()->value(0), "ReturnAll");
    EXPECT_TRUE(m_delegate->builtOnMainThread);

    const QVariantMap expectedFees{
        {QStringLiteral("uniqueID"), QStringLiteral("A")},
        {QStringLiteral("title"), QStringLiteral("Brass lamp")},
        {QStringLiteral("GalleryPlus Fee"), QStringLiteral("US Dollar 0.35")},
        {QStringLiteral("Insertion Fee"), QStringLiteral("US Dollar 0.50")},
        {QStringLiteral("Reserve Fee"), QStringLiteral("US Dollar 2.00")},
        {QStringLiteral("Subtitle Fee"), QStringLiteral("US Dollar 0.50")},
        {QStringLiteral("Listing Fee"), QStringLiteral("US Dollar 3.35")},
    };
    EXPECT_EQ(operation->fees(), expectedFees);
    EXPECT_FLOAT_EQ(operation->listingFee(), 3.35f);
    EXPECT_EQ(operation->logEntry()->state(), "warning");
    EXPECT_EQ(errorCodes(*operation), QStringList{QStringLiteral("21919191")});
    EXPECT_EQ(operation->errorEnvelope()->errors().first()->itemTitle(), "Brass lamp");
    EXPECT_EQ(operation->response()->ack(), "Warning");
}

TEST_F(ListingOperationsTest, VerificationOutcomesByAcknowledgement)
{
    struct Row
    {
        const char* name;
        QByteArray reply;
        bool messageIgnored;
        bool warningIgnored;
        QString currencyName;
        QString state;
        QStringList codes;
        QVariantMap fees;
    };
    const QVariantMap zeroFees{{QStringLiteral("uniqueID"), QStringLiteral("A")},
                               {QStringLiteral("title"), QStringLiteral("Brass lamp")},
                               {QStringLiteral("Insertion Fee"), QStringLiteral("0.00")},
                               {QStringLiteral("Listing Fee"), QStringLiteral("0.00")}};
    const QVariantMap noFees{{QStringLiteral("uniqueID"), QStringLiteral("A")},
                             {QStringLiteral("title"), QStringLiteral("Brass lamp")}};
    const std::vector<Row> rows{
        {"success, fees of 0 only for insertion and listing, no currency name",
         verifyReply("Success", kZeroFees),
         false,
         false,
         QString(),
         "success",
         {},
         zeroFees},
        {"a message of eBay's becomes a warning",
         verifyReply("Success", kMessage),
         false,
         false,
         "US Dollar",
         "warning",
         {QStringLiteral("1")},
         noFees},
        {"unless the user ignores it",
         verifyReply("Success", kMessage),
         true,
         false,
         "US Dollar",
         "success",
         {},
         noFees},
        {"warnings the user ignores still mark the entry",
         verifyReply("Warning", kWarning),
         false,
         true,
         "US Dollar",
         "warning",
         {},
         noFees},
        {"failure: eBay's errors, no fees",
         verifyReply("Failure", kError),
         false,
         false,
         "US Dollar",
         "failure",
         {QStringLiteral("87")},
         {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        if (row.messageIgnored)
            QMPreferencesManager::sharedInstance().addEbayMessageToIgnoreList(
                QStringLiteral("Fees change on March 1."));
        if (row.warningIgnored)
            QMPreferencesManager::sharedInstance().addWarningCodeToIgnoreList(QStringLiteral("21916"));
        m_ebay.setReply(QStringLiteral("VerifyAddItem"), row.reply);
        auto operation = verifyOperation();
        operation->setCurrencyName(row.currencyName);
        run(operation);
        EXPECT_EQ(operation->logEntry()->state(), row.state);
        EXPECT_EQ(errorCodes(*operation), row.codes);
        EXPECT_EQ(operation->fees(), row.fees);
        EXPECT_EQ(operation->errorOccurred(), !row.codes.isEmpty());
        QMPreferencesManager::sharedInstance().forgetEbayMessageIgnoreList();
        QMPreferencesManager::sharedInstance().forgetWarningIgnoreList();
    }
}

TEST_F(ListingOperationsTest, AnItemWithVariationsIsVerifiedAsAFixedPriceItem)
{
    m_delegate->withVariations = true;
    m_ebay.setReply(QStringLiteral("VerifyAddFixedPriceItem"),
                    R"(<?xml version="1.0" encoding="UTF-8"?><VerifyAddFixedPriceItemResponse )"
                    R"(xmlns="urn:ebay:apis:eBLBaseComponents"><Ack>Success</Ack></VerifyAddFixedPriceItemResponse>)");
    auto operation = verifyOperation();
    run(operation);
    const auto sent = m_ebay.requests(QStringLiteral("VerifyAddFixedPriceItem"));
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_TRUE(sent.front().documentAs<EBayVerifyAddFixedPriceItemRequestType>());
    EXPECT_TRUE(std::dynamic_pointer_cast<EBayVerifyAddFixedPriceItemResponseType>(operation->response()));
    EXPECT_EQ(operation->logEntry()->state(), "success");
}

TEST_F(ListingOperationsTest, AddingSendsTheListingUUIDAndKeepsTheReply)
{
    m_ebay.setFixtureReply(QStringLiteral("AddItem"), QStringLiteral("DWEBay2/AddItemWithFeesAndWarnings.xml"));
    auto operation = addOperation(true, false);
    auto other = addOperation(true, false);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9A-F]{32}$")).match(operation->listingUUID()).hasMatch());
    EXPECT_NE(operation->listingUUID(), other->listingUUID());
    run(operation);

    const auto sent = m_ebay.requests(QStringLiteral("AddItem"));
    ASSERT_EQ(sent.size(), 1u);
    const auto request = sent.front().documentAs<EBayAddItemRequestType>();
    ASSERT_TRUE(request && request->item());
    EXPECT_EQ(request->item()->uUID(), operation->listingUUID());
    EXPECT_EQ(request->item()->title(), "Brass lamp");
    EXPECT_EQ(sent.front().headerValue("X-EBAY-API-SITEID"), "0");

    const auto response = std::dynamic_pointer_cast<EBayAddItemResponseType>(operation->addItemResponse());
    ASSERT_TRUE(response);
    EXPECT_EQ(response->itemID(), "110089122715");
    EXPECT_EQ(operation->logEntry()->attributeForKey(QLatin1String(kQMScheduledAttribute)), QVariant(true));
    // Scheduled, so not verified first: eBay's warnings are shown.
    EXPECT_EQ(operation->logEntry()->state(), "warning");
    EXPECT_EQ(errorCodes(*operation), (QStringList{QStringLiteral("21915465"), QStringLiteral("21919188")}));
}

TEST_F(ListingOperationsTest, AddingOutcomesByAcknowledgementAndVerification)
{
    struct Row
    {
        const char* name;
        QByteArray reply;
        bool verificationPassed;
        QString state;
        QStringList codes;
    };
    const std::vector<Row> rows{
        {"success", addReply("Success"), true, "success", {}},
        {"warnings after a verification are not shown again", addReply("Warning", kWarning), true, "warning", {}},
        {"warnings without verification", addReply("Warning", kWarning), false, "warning", {QStringLiteral("21916")}},
        {"a message after a verification", addReply("Success", kMessage), true, "warning", {}},
        {"a message without verification", addReply("Success", kMessage), false, "warning", {QStringLiteral("1")}},
        {"failure", addReply("Failure", kError), true, "failure", {QStringLiteral("87")}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        m_ebay.setReply(QStringLiteral("AddItem"), row.reply);
        auto operation = addOperation(false, row.verificationPassed);
        run(operation);
        EXPECT_EQ(operation->logEntry()->state(), row.state);
        EXPECT_EQ(errorCodes(*operation), row.codes);
        EXPECT_EQ(operation->errorEnvelope() != nullptr, !row.codes.isEmpty());
        EXPECT_TRUE(operation->addItemResponse());
    }
}

TEST_F(ListingOperationsTest, ACancelWhileEBayListsTheItemKeepsTheReply)
{
    m_ebay.setReplies(QStringLiteral("AddItem"), {{.body = addReply("Success"), .delay = 300ms}});
    auto operation = addOperation(false, true);
    const int expectedEnds = m_endedCount + 1;
    m_queue.addOperation(operation);
    // The worker hands its log entry to the main thread, so the wait serves the main loop.
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_ebay.requestCount() >= 1; }, 10000));
    operation->cancel();
    m_queue.waitUntilAllOperationsAreFinished();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_endedCount >= expectedEnds; }, 10000));

    const auto response = std::dynamic_pointer_cast<EBayAddItemResponseType>(operation->addItemResponse());
    ASSERT_TRUE(response);
    EXPECT_EQ(response->itemID(), "110089122715");
    EXPECT_EQ(operation->logEntry()->state(), "success");
    EXPECT_FALSE(operation->errorEnvelope());
}

TEST_F(ListingOperationsTest, TheFeeEnvelopeNumbersItsVerificationsAndAddsUpTheirFees)
{
    // Records the window title as each verification starts.
    class TitleRecordingEnvelope : public QMVerifyAddItemOperationEnvelope
    {
    public:
        using QMVerifyAddItemOperationEnvelope::QMVerifyAddItemOperationEnvelope;
        void willStartOperation(const DWNSOperationPtr& operation) override
        {
            QMVerifyAddItemOperationEnvelope::willStartOperation(operation);
            titles << progressTitle();
        }
        QStringList titles;
    };

    m_delegate->listings.insert(QStringLiteral("B"), listing(QStringLiteral("B"), QStringLiteral("Oak chair")));
    m_delegate->listings.insert(QStringLiteral("C"), listing(QStringLiteral("C"), QStringLiteral("Broken")));
    m_ebay.setResponder(QStringLiteral("VerifyAddItem"), [](const dw::test::TradingApiRequest& request) {
        const auto verify = request.documentAs<EBayVerifyAddItemRequestType>();
        if (verify && verify->item() && verify->item()->title() == QLatin1String("Broken"))
            return FakeHttpReply{.body = verifyReply("Failure", kError)};
        return FakeHttpReply{
            .body = verifyReply("Success", "<Fees><Fee><Name>ListingFee</Name><Fee>1.25</Fee></Fee></Fees>")};
    });
    m_queue.setMaxConcurrentOperationCount(1);
    auto envelope = std::make_shared<TitleRecordingEnvelope>(
        QList<DWNSOperationPtr>{verifyOperation(QStringLiteral("A")), verifyOperation(QStringLiteral("B")),
                                verifyOperation(QStringLiteral("C"))});
    envelope->setShowFeePanel(true);
    bool finished = false;
    dw::ScopedObservation observation(dw::NotificationCenter::defaultCenter(),
                                      dw::NotificationCenter::defaultCenter().addObserver(
                                          QLatin1String(kDWNSOperationEnvelopeQueueEnvelope_finished), nullptr,
                                          [&](const dw::Notification&) { finished = true; }));
    m_queue.addOperationEnvelope(envelope);
    ASSERT_TRUE(QTest::qWaitFor([&] { return finished; }, 10000));

    EXPECT_EQ(envelope->titles, (QStringList{QStringLiteral("Getting Fees for Template 1 of 3"),
                                             QStringLiteral("Getting Fees for Template 2 of 3"),
                                             QStringLiteral("Getting Fees for Template 3 of 3")}));
    EXPECT_FLOAT_EQ(envelope->grandTotalFee(), 2.5f);
    ASSERT_TRUE(envelope->fees());
    EXPECT_EQ(envelope->fees()->keys(), (QStringList{QStringLiteral("A"), QStringLiteral("B")}));
    EXPECT_EQ(envelope->fees()->value(QStringLiteral("B")).toMap().value(QStringLiteral("Listing Fee")),
              "US Dollar 1.25");
}

} // namespace
