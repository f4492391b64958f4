// The start-listings sheet: its texts by the number of listings, its verify run against the fake
// Trading API with the fees summed per currency, and the notifications that end it.
#include "DWEBay2/DWEbayConnector.h"
#include "DWEBay2/types/EBayItemType.h"
#include "DWEBay2/types/EBayVerifyAddItemRequestType.h"
#include "DWKit/DWOperation/DWNSOperationEnvelopeQueue.h"
#include "DWKit/QMLogManager.h"
#include "Operations/QMOperationManager.h"
#include "Operations/QMVerifyAddItemOperationEnvelope.h"
#include "model/QMAccountDataSource.h"
#include "model/QMApplicationDefaults.h"
#include "model/QMEbayItem.h"
#include "model/QMItemShippingOptions.h"
#include "panels/QMSimpleStartAuctionPanelController.h"
#include "platform/core/UserDefaults.h"
#include "tests/support/TemporaryXdg.h"
#include "tests/support/ebay/FakeConnectors.h"
#include "tests/support/ebay/FakeTradingApi.h"

#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace {

class Accounts final : public QMAccountDataSource
{
public:
    QString defaultAccountID() const override { return QStringLiteral("seller"); }
    QString tokenForAccountID(const QString&) const override { return QStringLiteral("token"); }
    QString payPalAddressForAccountID(const QString&) const override { return QString(); }
};

// A verify reply with the listing fee that the request's item title names after "fee ".
QByteArray verifyReply(const dw::test::TradingApiRequest& request)
{
    const auto sent = request.documentAs<EBayVerifyAddItemRequestType>();
    const QString title = sent && sent->item() ? sent->item()->title() : QString();
    const QString fee = title.section(QStringLiteral("fee "), 1);
    if (fee == QLatin1String("error"))
        return R"(<?xml version="1.0" encoding="UTF-8"?><VerifyAddItemResponse xmlns="urn:ebay:apis:eBLBaseComponents">)"
               R"(<Ack>Failure</Ack><Errors><ShortMessage>No category.</ShortMessage><LongMessage>The category is not)"
               R"( valid.</LongMessage><ErrorCode>87</ErrorCode><SeverityCode>Error</SeverityCode></Errors>)"
               R"(</VerifyAddItemResponse>)";
    return R"(<?xml version="1.0" encoding="UTF-8"?><VerifyAddItemResponse xmlns="urn:ebay:apis:eBLBaseComponents">)"
           R"(<Ack>Success</Ack><Fees><Fee><Name>ListingFee</Name><Fee currencyID="USD">)" +
           fee.toUtf8() + "</Fee></Fee></Fees></VerifyAddItemResponse>";
}

class StartAuctionPanelTest : public ::testing::Test
{
protected:
    StartAuctionPanelTest()
    {
        QMLogManager::resetSharedInstance();
        EXPECT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
        // One verification at a time, so the fees arrive in the listings' order.
        dw::UserDefaults::standard().setObject(1, QLatin1String(kQMMaxConcurrentOperationsKey));
        dw::UserDefaults::standard().setObject(QStringLiteral("seller"), QStringLiteral("defaultAccountID"));
        QMAccountDataSource::install(std::make_shared<Accounts>());
        m_manager = QMOperationManager::create(); // reads the width set above
        m_ebay.setResponder(QStringLiteral("VerifyAddItem"), [](const dw::test::TradingApiRequest& request) {
            return dw::test::FakeHttpReply{.body = verifyReply(request)};
        });
        m_manager->setDelegate(m_connectors);
        m_manager->setOpenListings([this] { return m_open; });
        auto& center = dw::NotificationCenter::defaultCenter();
        for (const char* name : {kQMStartTemplatesNotification, kQMStartTemplatesPanelCanceledNotification,
                                 kQMVerifyTemplatesNotification, kQMGetFeesForTemplatesNotification}) {
            m_observations.emplace_back(
                center, center.addObserver(QLatin1String(name), nullptr,
                                           [this](const dw::Notification& notification) { m_posted << notification; }));
        }
    }
    ~StartAuctionPanelTest() override
    {
        // A cancelled sheet's run goes on in the queue and asks this fixture for its listings: it must end first.
        m_manager->stopAllOperationQueues();
        EXPECT_TRUE(QTest::qWaitFor(
            [this] { return m_manager->multiThreadedOperationQueue().operationEnvelopes().isEmpty(); }));
        m_manager.reset();
        QMAccountDataSource::install(nullptr);
        QMLogManager::resetSharedInstance();
    }

    std::shared_ptr<QMEbayItem> listing(const QString& title, int state = QMEbayItemStateTemplate)
    {
        auto item = std::make_shared<QMEbayItem>();
        item->setUniqueID(title);
        item->setSiteID(0);
        item->setCurrency(1);
        item->setTitle(title);
        item->setDuration(7);
        item->setUseStartingBid(true);
        item->setMinimumBid(QStringLiteral("1.00"));
        item->setItemState(state);
        item->shippingOptions()->addDomesticShippingServiceWithID(QStringLiteral("1"), QStringLiteral("4.90"), false,
                                                                  QStringLiteral("0"));
        m_open << item;
        return item;
    }
    QMSimpleStartAuctionPanelController* open(const QList<std::shared_ptr<QMEbayItem>>& items)
    {
        return QMSimpleStartAuctionPanelController::displayStartAuctionPanelForTemplates(items, nullptr, m_manager);
    }
    static QString text(QMSimpleStartAuctionPanelController* sheet, const char* name)
    {
        return sheet->window()->findChild<QLabel*>(QLatin1String(name))->text();
    }
    // The status texts in the order shown, until the run has finished.
    QStringList statusTexts(QMSimpleStartAuctionPanelController* sheet)
    {
        QStringList texts;
        auto* status = sheet->window()->findChild<QLabel*>(QStringLiteral("statusMessageField"));
        auto* info = sheet->window()->findChild<QToolButton*>(QStringLiteral("errorInfoButton"));
        const bool ended = QTest::qWaitFor(
            [&] {
                if (texts.isEmpty() || texts.last() != status->text())
                    texts << status->text();
                return !info->isHidden();
            },
            15000);
        EXPECT_TRUE(ended);
        if (texts.last() != status->text())
            texts << status->text();
        return texts;
    }

    dw::test::TemporaryXdg m_xdg;
    dw::test::FakeTradingApi m_ebay;
    std::shared_ptr<dw::test::FakeConnectors> m_connectors = std::make_shared<dw::test::FakeConnectors>(m_ebay.url());
    std::shared_ptr<QMOperationManager> m_manager;
    QList<std::shared_ptr<QMEbayItem>> m_open;
    std::vector<dw::ScopedObservation> m_observations;
    QList<dw::Notification> m_posted;
};

TEST_F(StartAuctionPanelTest, TextsByNumberOfListingsAndThoseUploadedBefore)
{
    const int uploaded = QMEbayItemStateAddedTemplate;
    const struct
    {
        const char* name;
        QList<int> states;
        const char* question;
        const char* button;
        const char* warning;
    } rows[] = {
        {"one new", {1}, "Are you sure you want to upload the selected auction to eBay?", "Start Auction", ""},
        {"one uploaded before",
         {uploaded},
         "Are you sure you want to upload the selected auction to eBay?",
         "Start Auction",
         "The selected template has been uploaded to eBay at least once before."},
        {"two, one uploaded before",
         {1, uploaded},
         "Are you sure you want to upload the 2 selected auction(s) to eBay?",
         "Start 2 Auctions",
         "One selected template has been uploaded to eBay at least once before."},
        {"five, three uploaded before",
         {uploaded, 1, uploaded, 1, uploaded},
         "Are you sure you want to upload the 5 selected auction(s) to eBay?",
         "Start 5 Auctions",
         "Of the selected templates, 3 have been uploaded to eBay at least once before."},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        QList<std::shared_ptr<QMEbayItem>> items;
        for (int index = 0; index < row.states.size(); ++index)
            items << listing(QStringLiteral("Lamp %1 fee 0.10").arg(index), row.states[index]);
        auto* sheet = open(items);
        EXPECT_EQ(text(sheet, "primaryMessageField"), QString::fromUtf8(row.question));
        EXPECT_EQ(sheet->window()->findChild<QPushButton*>(QStringLiteral("startAuctionsButton"))->text(),
                  QString::fromUtf8(row.button));
        EXPECT_EQ(text(sheet, "secondaryMessageField"), QString::fromUtf8(row.warning));
        EXPECT_EQ(text(sheet, "statusMessageField"), "Retrieving listing fee");
        sheet->doCancel();
    }
    EXPECT_TRUE(
        QTest::qWaitFor([this] { return m_manager->multiThreadedOperationQueue().operationEnvelopes().isEmpty(); }));
}

TEST_F(StartAuctionPanelTest, FeesAddUpAsTheyArriveAndStartPostsTheListings)
{
    const auto items = QList<std::shared_ptr<QMEbayItem>>{listing(QStringLiteral("Lamp fee 0.35")),
                                                          listing(QStringLiteral("Vase fee 0.10"))};
    auto* sheet = open(items);
    EXPECT_EQ(statusTexts(sheet), QStringList({"Retrieving listing fee", "(Fees so far: US Dollar 0.35)",
                                               "(Fees so far: US Dollar 0.45)", "Listing fees: US Dollar 0.45"}));
    EXPECT_FALSE(sheet->receivedVerificationErrors());

    sheet->window()->findChild<QPushButton*>(QStringLiteral("startAuctionsButton"))->click();
    ASSERT_EQ(m_posted.size(), 1);
    EXPECT_EQ(m_posted[0].name, kQMStartTemplatesNotification);
    EXPECT_EQ(m_posted[0].object.identity, sheet);
    EXPECT_EQ(m_posted[0].userInfo.value("templates").value<QList<std::shared_ptr<QMEbayItem>>>(), items);
    EXPECT_EQ(m_posted[0].userInfo.value("accountID").toString(), "seller");
    EXPECT_FALSE(QMSimpleStartAuctionPanelController::visiblePanelControllers().contains(sheet));
}

TEST_F(StartAuctionPanelTest, AFailedVerificationStopsTheSumAndTheInfoButtonAsksForTheErrors)
{
    auto* sheet = open({listing(QStringLiteral("Lamp fee 0.35")), listing(QStringLiteral("Vase fee error")),
                        listing(QStringLiteral("Bowl fee 0.10"))});
    const QStringList texts = statusTexts(sheet);
    EXPECT_EQ(texts.last(), "Error from eBay received");
    EXPECT_FALSE(texts.contains("(Fees so far: US Dollar 0.45)"));
    EXPECT_FLOAT_EQ(sheet->totalFeeSoFar(), 0.35f);
    sheet->window()->findChild<QToolButton*>(QStringLiteral("errorInfoButton"))->click();
    ASSERT_EQ(m_posted.size(), 1);
    EXPECT_EQ(m_posted[0].name, kQMVerifyTemplatesNotification);
}

TEST_F(StartAuctionPanelTest, MixedCurrenciesShowNoCurrencyName)
{
    auto* sheet = open({listing(QStringLiteral("Lamp fee 0.35"))});
    sheet->setCurrency(QStringLiteral("US Dollar"));
    sheet->setCurrency(QStringLiteral("US Dollar"));
    EXPECT_EQ(sheet->currency(), "US Dollar");
    sheet->setCurrency(QStringLiteral("Euro"));
    EXPECT_EQ(sheet->currency(), "");
    EXPECT_FALSE(sheet->currency().isNull());
    sheet->doCancel();
}

TEST_F(StartAuctionPanelTest, EachSheetKeepsTheTotalsOfItsOwnRun)
{
    auto* first = open({listing(QStringLiteral("Lamp fee 0.35"))});
    statusTexts(first);
    EXPECT_FLOAT_EQ(first->totalFeeSoFar(), 0.35f);
    // A second sheet's run, and a verification started elsewhere, leave the first sheet's totals.
    auto* second = open({listing(QStringLiteral("Vase fee 0.10"))});
    m_manager->addVerifyAddItemOperationsForEbayItems({listing(QStringLiteral("Bowl fee 2.00"))},
                                                      QStringLiteral("seller"), QString(), false, false, true);
    statusTexts(second);
    EXPECT_TRUE(
        QTest::qWaitFor([this] { return m_manager->multiThreadedOperationQueue().operationEnvelopes().isEmpty(); }));
    EXPECT_FLOAT_EQ(first->totalFeeSoFar(), 0.35f);
    EXPECT_EQ(first->window()->findChild<QLabel*>(QStringLiteral("statusMessageField"))->text(),
              "Listing fees: US Dollar 0.35");
    EXPECT_FLOAT_EQ(second->totalFeeSoFar(), 0.10f);
    first->doCancel();
    second->doCancel();
}

TEST_F(StartAuctionPanelTest, CancelPostsItsNotificationAloneAndTheSheetGoes)
{
    auto* sheet = open({listing(QStringLiteral("Lamp fee 0.35"))});
    EXPECT_TRUE(QMSimpleStartAuctionPanelController::visiblePanelControllers().contains(sheet));
    QPointer<QMSimpleStartAuctionPanelController> alive(sheet);
    sheet->window()->findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();
    ASSERT_EQ(m_posted.size(), 1);
    EXPECT_EQ(m_posted[0].name, kQMStartTemplatesPanelCanceledNotification);
    EXPECT_TRUE(m_posted[0].userInfo.isEmpty());
    EXPECT_FALSE(QMSimpleStartAuctionPanelController::visiblePanelControllers().contains(sheet));
    EXPECT_TRUE(QTest::qWaitFor([&] { return alive.isNull(); }));
    // The run goes on in the queue; its end reaches no sheet.
    EXPECT_TRUE(
        QTest::qWaitFor([this] { return m_manager->multiThreadedOperationQueue().operationEnvelopes().isEmpty(); }));
}

} // namespace
