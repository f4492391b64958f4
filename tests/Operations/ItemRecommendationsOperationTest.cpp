#include "DWEBay2/DWEbayConnector.h"
#include "DWEBay2/types/EBayCategoryType.h"
#include "DWEBay2/types/EBayGetItemRecommendationsRequestType.h"
#include "DWEBay2/types/EBayGetRecommendationsRequestContainerType.h"
#include "DWEBay2/types/EBayItemType.h"
#include "DWEBay2/types/EBayXMLRequesterCredentialsType.h"
#include "DWKit/DWOperation/DWNSOperationQueue.h"
#include "DWKit/QMLogManager.h"
#include "Operations/QMGetItemRecommendationsOperation.h"
#include "tests/support/ebay/FakeTradingApi.h"

#include <QCoreApplication>
#include <QTest>
#include <gtest/gtest.h>

namespace {

class ItemRecommendations : public ::testing::Test
{
protected:
    ItemRecommendations() { QMLogManager::resetSharedInstance(); }
    ~ItemRecommendations() override { QMLogManager::resetSharedInstance(); }

    std::shared_ptr<QMGetItemRecommendationsOperation> operation()
    {
        auto made = std::make_shared<QMGetItemRecommendationsOperation>(
            [this] {
                auto connector = std::make_unique<DWEbayConnector>(m_ebay.url(), 77, 747);
                connector->setToken(QStringLiteral("account-token"));
                return connector;
            },
            QVariantMap{{QStringLiteral("title"), QStringLiteral("Leica M6 ]]> & <film>")}},
            QStringLiteral("account-1"));
        made->setCategoryID(15230);
        return made;
    }

    std::shared_ptr<QMGetItemRecommendationsOperation> run()
    {
        const auto operation = this->operation();
        DWNSOperationQueue queue;
        queue.addOperation(operation);
        queue.waitUntilAllOperationsAreFinished();
        QCoreApplication::processEvents();
        return operation;
    }

    dw::test::FakeTradingApi m_ebay;
};

QByteArray reply(const char* ack, const QByteArray& containers)
{
    return QByteArray(
               R"(<?xml version="1.0" encoding="UTF-8"?><GetItemRecommendationsResponse )"
               R"(xmlns="urn:ebay:apis:eBLBaseComponents"><Timestamp>2011-11-21T19:40:51.116Z</Timestamp><Ack>)") +
           ack + "</Ack>" + containers + "</GetItemRecommendationsResponse>";
}

} // namespace

TEST_F(ItemRecommendations, AsksForTheTitleInItsCategoryAndKeepsEbaysOrder)
{
    m_ebay.setFixtureReply(QStringLiteral("GetItemRecommendations"),
                           QStringLiteral("DWEBay2/GetItemRecommendations.xml"));
    const auto operation = run();

    const auto sent = m_ebay.requests(QStringLiteral("GetItemRecommendations"));
    ASSERT_EQ(sent.size(), 1u);
    const auto request = sent.at(0).documentAs<EBayGetItemRecommendationsRequestType>();
    ASSERT_TRUE(request && request->getRecommendationsRequestContainers()) << sent.at(0).parseError.toStdString();
    const auto container = request->getRecommendationsRequestContainers()->first();
    ASSERT_TRUE(container->item() && container->item()->primaryCategory());
    EXPECT_EQ(container->item()->title(), QStringLiteral("Leica M6 ]]> & <film>"));
    EXPECT_EQ(container->item()->primaryCategory()->categoryID(), QStringLiteral("15230"));
    EXPECT_EQ(*container->recommendationEngines(), QStringList{QStringLiteral("ItemSpecifics")});
    ASSERT_TRUE(request->requesterCredentials());
    EXPECT_EQ(request->requesterCredentials()->eBayAuthToken(), QStringLiteral("account-token"));

    EXPECT_FALSE(operation->errorOccurred());
    EXPECT_EQ(operation->suggestedValues().value(QStringLiteral("Brand")).toStringList(),
              (QStringList{QStringLiteral("Canon"), QStringLiteral("Nikon"), QStringLiteral("Leica")}));
    EXPECT_EQ(operation->endTime(), QStringLiteral("2011-11-21 19:40:51 +0000"));
    EXPECT_EQ(operation->logEntry()->state(), QLatin1String(kQMLogEntryStateSuccess));
}

TEST_F(ItemRecommendations, OnlyASuccessWithARecommendationGivesSuggestions)
{
    const QByteArray named = "<GetRecommendationsResponseContainer><Recommendations>"
                             "<NameRecommendation><ValueRecommendation><Value>lost</Value></ValueRecommendation>"
                             "</NameRecommendation>"
                             "<NameRecommendation><Name>Colour</Name><ValueRecommendation><Value>Red</Value>"
                             "</ValueRecommendation></NameRecommendation>"
                             "<NameRecommendation><Name>Colour</Name><ValueRecommendation><Value>Blue</Value>"
                             "</ValueRecommendation><ValueRecommendation><Value>Black</Value></ValueRecommendation>"
                             "</NameRecommendation></Recommendations></GetRecommendationsResponseContainer>";
    const QByteArray warning = "<Errors><ShortMessage>Careful.</ShortMessage><LongMessage>Careful.</LongMessage>"
                               "<ErrorCode>1</ErrorCode><SeverityCode>Warning</SeverityCode></Errors>";
    struct Row
    {
        const char* name;
        QByteArray body;
        QVariantMap suggestions;
        bool failed;
    };
    const Row rows[] = {
        {"nameless skipped, later name wins",
         reply("Success", named),
         {{QStringLiteral("Colour"), QStringList{QStringLiteral("Blue"), QStringLiteral("Black")}}},
         false},
        {"empty recommendations", reply("Success", "<GetRecommendationsResponseContainer/>"), {}, false},
        {"warning", reply("Warning", named + warning), {}, true},
        {"no container", reply("Success", {}), {}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        m_ebay.setReply(QStringLiteral("GetItemRecommendations"), row.body);
        const auto operation = run();
        EXPECT_EQ(operation->suggestedValues(), row.suggestions);
        EXPECT_EQ(operation->logEntry()->state() != QLatin1String(kQMLogEntryStateSuccess), row.failed);
    }
}

TEST_F(ItemRecommendations, ACancelStopsTheCallAndEndsItsLogEntryAsCancelled)
{
    m_ebay.setReplies(QStringLiteral("GetItemRecommendations"), {dw::test::FakeHttpReply{.stall = true}});
    const auto stalled = operation();
    DWNSOperationQueue queue;
    queue.addOperation(stalled);
    // The main thread keeps serving the operation's log entry meanwhile.
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_ebay.requestCount() == 1; }, 10000));
    stalled->cancel();
    queue.waitUntilAllOperationsAreFinished();
    QCoreApplication::processEvents();
    EXPECT_TRUE(stalled->isFinished());
    EXPECT_EQ(stalled->logEntry()->state(), QLatin1String(kQMLogEntryStateCancel));
    EXPECT_FALSE(stalled->errorOccurred());
    EXPECT_TRUE(stalled->suggestedValues().isEmpty());
}
