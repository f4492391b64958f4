#include "DWEBay2/DWEbayConnector.h"
#include "DWEBay2/types/EBayCharacteristicSetIDsType.h"
#include "DWEBay2/types/EBayGetProductSearchResultsRequestType.h"
#include "DWEBay2/types/EBayProductSearchType.h"
#include "DWKit/DWOperation/DWNSOperationQueue.h"
#include "DWKit/QMLogManager.h"
#include "Operations/QMGetProductSearchResultsOperation.h"
#include "Operations/QM_UPC_ISBN.h"
#include "model/QMError.h"
#include "tests/support/ebay/FakeTradingApi.h"

#include <QTest>
#include <gtest/gtest.h>

namespace {

using dw::test::FakeHttpReply;

const char* kReplyStart = R"(<?xml version="1.0" encoding="UTF-8"?>)"
                          R"(<GetProductSearchResultsResponse xmlns="urn:ebay:apis:eBLBaseComponents">)";

QByteArray member(const char* id, const char* title, int minCents, int maxCents)
{
    return QByteArray(R"(<FamilyMembers productID=")") + id + R"(" title=")" + title +
           R"(" stockPhotoURL="http://photos.invalid/)" + id + R"(.jpg"><DetailsURL>http://details.invalid/)" + id +
           "</DetailsURL><MinPrice currencyID=\"USD\">" + QByteArray::number(minCents) +
           "</MinPrice><MaxPrice currencyID=\"USD\">" + QByteArray::number(maxCents) + "</MaxPrice></FamilyMembers>";
}

class ProductSearchOperationTest : public ::testing::Test
{
protected:
    ProductSearchOperationTest() { QMLogManager::resetSharedInstance(); }
    ~ProductSearchOperationTest() override { QMLogManager::resetSharedInstance(); }

    std::shared_ptr<QMGetProductSearchResultsOperation> run(const QStringList& queries, const QStringList& setIDs)
    {
        auto operation = std::make_shared<QMGetProductSearchResultsOperation>(
            [this] {
                auto connector = std::make_unique<DWEbayConnector>(m_ebay.url(), 0, 747);
                connector->setToken(QStringLiteral("secret-token"));
                return connector;
            },
            QStringLiteral("listing-1"), queries, setIDs);
        m_queue.addOperation(operation);
        m_queue.waitUntilAllOperationsAreFinished();
        return operation;
    }

    dw::test::FakeTradingApi m_ebay;
    DWNSOperationQueue m_queue;
};

TEST_F(ProductSearchOperationTest, SendsOneSearchPerQueryOverTheSameSetIDs)
{
    m_ebay.useFixtureReplies();
    const auto operation =
        run({QStringLiteral("9780306406157"), QStringLiteral("0306406152 ]]> & more")}, {"1785", "3012"});
    EXPECT_EQ(operation->operationDescription(), "Downloading product information for \u201c9780306406157 "
                                                 "0306406152 ]]> & more\u201d");
    const auto sent = m_ebay.requests(QStringLiteral("GetProductSearchResults"));
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_TRUE(sent[0].xml.contains("<QueryKeywords><![CDATA[9780306406157]]></QueryKeywords>")) << sent[0].xml.data();
    const auto request = sent[0].documentAs<EBayGetProductSearchResultsRequestType>();
    ASSERT_TRUE(request) << sent[0].parseError.toStdString();
    ASSERT_EQ(request->productSearchs()->size(), 2);
    const QStringList queries{QStringLiteral("9780306406157"), QStringLiteral("0306406152 ]]> & more")};
    for (int i = 0; i < 2; ++i) {
        const auto& search = request->productSearchs()->at(i);
        EXPECT_EQ(search->queryKeywords(), queries.at(i));
        EXPECT_EQ(search->maxChildrenPerFamily(), 1000);
        EXPECT_EQ(*search->characteristicSetIDs()->iDs(), (QList<QString>{"1785", "3012"}));
    }
    ASSERT_TRUE(operation->products());
    EXPECT_EQ(operation->products()->size(), 2);
    EXPECT_FALSE(operation->errorOccurred());
}

TEST_F(ProductSearchOperationTest, ListsEachProductOnceWithPricesAsAmounts)
{
    m_ebay.setReply(QStringLiteral("GetProductSearchResults"),
                    QByteArray(kReplyStart) + "<Ack>Warning</Ack><ProductSearchResult><AttributeSet>" +
                        "<ProductFamilies>" + member("A", "First", 999, 1999) + member("B", "Second", 100, 250) +
                        "</ProductFamilies></AttributeSet><AttributeSet><ProductFamilies>" +
                        member("A", "First again", 1, 2) + "</ProductFamilies></AttributeSet></ProductSearchResult>" +
                        "<ProductSearchResult><AttributeSet><ProductFamilies>" + member("C", "Third", 5, 7) +
                        member("B", "Second again", 1, 2) +
                        "</ProductFamilies></AttributeSet></ProductSearchResult></GetProductSearchResultsResponse>");
    const auto operation = run({QStringLiteral("camera")}, {"1785"});
    ASSERT_TRUE(operation->products());
    const auto products = *operation->products();
    ASSERT_EQ(products.size(), 3);
    EXPECT_EQ(products[0].identifier, "A");
    EXPECT_EQ(products[0].title, "First");
    EXPECT_EQ(products[0].minPrice, "9.99");
    EXPECT_EQ(products[0].maxPrice, "19.99");
    EXPECT_EQ(products[0].stockPhotoURL, "http://photos.invalid/A.jpg");
    EXPECT_EQ(products[0].detailsURL, "http://details.invalid/A");
    EXPECT_EQ(products[1].identifier, "B");
    EXPECT_EQ(products[1].maxPrice, "2.50");
    EXPECT_EQ(products[2].identifier, "C");
    EXPECT_FALSE(operation->errorOccurred());
}

TEST_F(ProductSearchOperationTest, FailuresLeaveNoProducts)
{
    // No set IDs: nothing is sent.
    const auto withoutSets = run({QStringLiteral("camera")}, {});
    EXPECT_EQ(m_ebay.requestCount(), 0u);
    EXPECT_FALSE(withoutSets->products());
    ASSERT_TRUE(withoutSets->errorOccurred());
    EXPECT_EQ(withoutSets->errorEnvelope()->errors().first()->message(),
              "Error while getting products: no characteristics set IDs (CSIDs) found.");
    EXPECT_EQ(withoutSets->errorEnvelope()->operation(), "Get Product Search Results");

    // eBay's failure becomes the error; an empty success is an empty list.
    m_ebay.setReplies(QStringLiteral("GetProductSearchResults"),
                      {{.body = QByteArray(kReplyStart) +
                                "<Ack>Failure</Ack><Errors><ShortMessage>Bad</ShortMessage><LongMessage>No catalogue."
                                "</LongMessage><ErrorCode>21</ErrorCode><SeverityCode>Error</SeverityCode></Errors>"
                                "</GetProductSearchResultsResponse>"},
                       {.body = QByteArray(kReplyStart) + "<Ack>Success</Ack></GetProductSearchResultsResponse>"}});
    const auto failed = run({QStringLiteral("camera")}, {"1785"});
    EXPECT_FALSE(failed->products());
    ASSERT_TRUE(failed->errorOccurred());
    EXPECT_EQ(failed->errorEnvelope()->errors().first()->message(), "No catalogue.");
    const auto empty = run({QStringLiteral("camera")}, {"1785"});
    ASSERT_TRUE(empty->products());
    EXPECT_TRUE(empty->products()->isEmpty());
}

TEST(ProductSearchISBN, TenDigitsFromBookCodes)
{
    const struct
    {
        const char* code;
        const char* isbn;
    } rows[] = {
        {"9780306406157", "0306406152"},    // remainder 9: check digit 2
        {"9780804429573", "080442957X"},    // remainder 1: "X"
        {"9780000000002", "0000000000"},    // sum divisible by 11: "0"
        {"9791234567896", "9791234567896"}, // 979: unchanged
        {"036000291452", "036000291452"},   // UPC-A: unchanged
        {"harry potter", "harry potter"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.code);
        EXPECT_EQ(QM_UPC_ISBN::isbnFromUPC(QString::fromLatin1(row.code)), QString::fromLatin1(row.isbn));
    }
}

} // namespace
