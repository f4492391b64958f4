#include "../model/FakeCategoryData.h"

#include "DWEBay2/types/EBayVerifyAddItemRequestType.h"
#include "DWKit/QMLogManager.h"
#include "DWKit/widgets/QMProgressPanelController.h"
#include "DocumentTestFakes.h"
#include "Operations/QMAddItemOperation.h"
#include "Operations/QMAddItemOperationEnvelope.h"
#include "Operations/QMOperationManager.h"
#include "Operations/QMVerifyAddItemOperation.h"
#include "Operations/QMVerifyAddItemOperationEnvelope.h"
#include "model/QMAccountDataSource.h"
#include "model/QMApplicationDefaults.h"
#include "model/QMEbayItem.h"
#include "model/QMError.h"
#include "model/QMErrorEnvelope.h"
#include "model/QMItemShippingOptions.h"
#include "model/QMPreferencesManager.h"
#include "model/QMSiteDescriptionManager.h"
#include "panels/QMAddItemProgressPanelController.h"
#include "panels/QMSimpleStartAuctionPanelController.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/UserDefaults.h"
#include "platform/text/StyledText.h"
#include "shell/QMBDocument.h"
#include "shell/QMBDocumentController.h"
#include "shell/QMBDocumentPanels.h"
#include "tests/support/ScriptedAlertPresenter.h"
#include "tests/support/TemporaryXdg.h"
#include "tests/support/ebay/FakeTradingApi.h"

#include <QPointer>
#include <QTest>
#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;

QByteArray verifyReply(const char* ack, const QByteArray& inner = {})
{
    return QByteArray(R"(<?xml version="1.0" encoding="UTF-8"?><VerifyAddItemResponse )"
                      R"(xmlns="urn:ebay:apis:eBLBaseComponents"><Ack>)") +
           ack + "</Ack>" + inner + "</VerifyAddItemResponse>";
}

const QByteArray kWarning = "<Errors><ShortMessage>Check the title.</ShortMessage><LongMessage>Check the title."
                            "</LongMessage><ErrorCode>21916</ErrorCode><SeverityCode>Warning</SeverityCode></Errors>";

// A document whose listing passes every local check, the process's operation manager against the
// fake Trading API, and the panels the document opens recorded instead of shown.
class DocumentCommands : public ::testing::Test
{
protected:
    DocumentCommands()
    {
        QMLogManager::resetSharedInstance();
        EXPECT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
        auto& preferences = QMPreferencesManager::sharedInstance();
        preferences.setDefaultLocation(QStringLiteral("Austin"));
        preferences.setDefaultAccountID(QStringLiteral("seller"));
        QMAccountDataSource::install(m_accounts);
        m_categories->addCategory(0, categoryWithConditions(100, std::nullopt));
        m_ebay.useFixtureReplies();
        m_ebay.setReply(QStringLiteral("VerifyAddItem"), verifyReply("Success"));
        // What the application sets up at start.
        const auto manager = QMOperationManager::sharedQMOperationManager();
        manager->setDelegate(m_connectors);
        manager->setOpenListings([] { return QMBDocumentController::sharedDocumentController().openListings(); });

        m_panels.showFeePanel = [this](const QVariantMap& fees, const QString& total, QWidget* window) {
            m_feePanels.append({fees, total, window});
        };
        m_panels.displayErrorPanel = [this](const std::shared_ptr<QMErrorEnvelope>& errors, QWidget*) {
            m_errorPanels.append(errors);
        };
        m_panels.showTokenPanel = [this](const QString& accountName, const QString&, QWidget*) {
            m_tokenPanels.append(accountName);
        };

        auto& center = dw::NotificationCenter::defaultCenter();
        m_finished = dw::ScopedObservation(
            center, center.addObserver(QLatin1String(kDWNSOperationEnvelopeQueueEnvelope_finished), nullptr,
                                       [this](const dw::Notification&) { ++m_finishedCount; }));
        m_document = documents().openUntitledDocumentAndDisplay(false);
        makeListable(*m_document->item());
    }
    ~DocumentCommands() override
    {
        QMOperationManager::sharedQMOperationManager()
            ->multiThreadedOperationQueue()
            .waitUntilAllOperationsAreFinished();
        QCoreApplication::processEvents();
        for (auto* document : documents().documents())
            delete document;
        QMAccountDataSource::install(nullptr);
        QMLogManager::resetSharedInstance();
    }

    static QMBDocumentController& documents() { return QMBDocumentController::sharedDocumentController(); }

    static void makeListable(QMEbayItem& item)
    {
        item.setTitle(QStringLiteral("Brass lamp"));
        item.setCategory(100);
        item.setItemDescriptionString(dw::StyledText(QStringLiteral("Solid brass.")));
        shipWithTheSitesFirstService(item, QStringLiteral("0"));
    }

    // Waits until that many envelopes have finished and their handlers have run.
    void waitForFinishedEnvelopes(int count)
    {
        ASSERT_TRUE(QTest::qWaitFor([&] { return m_finishedCount >= count; }, 10000));
        QCoreApplication::processEvents();
    }

    struct FeePanel
    {
        QVariantMap fees;
        QString total;
        QWidget* window;
    };

    dw::test::TemporaryXdg m_xdg;
    dw::test::ScriptedAlertPresenter m_alerts;
    dw::test::FakeTradingApi m_ebay;
    std::shared_ptr<dw::test::FakeConnectors> m_connectors = std::make_shared<dw::test::FakeConnectors>(m_ebay.url());
    std::shared_ptr<FakeAccounts> m_accounts = std::make_shared<FakeAccounts>();
    ScopedCategoryData m_categories;
    QMBDocumentPanels m_panels;
    QMBDocumentPanels::ScopedInstall m_panelsInstalled{m_panels};
    QList<FeePanel> m_feePanels;
    QList<std::shared_ptr<QMErrorEnvelope>> m_errorPanels;
    QStringList m_tokenPanels;
    dw::ScopedObservation m_finished;
    int m_finishedCount = 0;
    QMBDocument* m_document = nullptr;
};

} // namespace

TEST_F(DocumentCommands, VerifyAndStartReachTheOperationManager)
{
    const auto& item = m_document->item();

    m_document->getFeesFromEBay();
    auto verify = m_document->currentVerifyAddItemEnvelope();
    ASSERT_TRUE(verify);
    EXPECT_TRUE(verify->showFeePanel());
    EXPECT_TRUE(verify->showProgressPanel());
    EXPECT_FALSE(verify->runningFromStartAuctionsPanel());
    ASSERT_EQ(verify->operations().size(), 1);
    const auto operation = std::dynamic_pointer_cast<QMVerifyAddItemOperation>(verify->operations().first());
    ASSERT_TRUE(operation);
    EXPECT_EQ(operation->accountID(), QStringLiteral("seller"));
    EXPECT_EQ(operation->itemUniqueID(), item->uniqueID());
    EXPECT_EQ(item->payPalAddress(), QStringLiteral("ann@example.com")) << "the default account's PayPal address";
    EXPECT_EQ(item->location(), QStringLiteral("Austin")) << "the default location is copied in";
    waitForFinishedEnvelopes(1);
    ASSERT_EQ(m_ebay.requests(QStringLiteral("VerifyAddItem")).size(), 1u);
    const auto sent = m_ebay.requests(QStringLiteral("VerifyAddItem")).front();
    EXPECT_EQ(sent.headerValue("X-EBAY-API-CALL-NAME"), "VerifyAddItem");

    m_document->verifyAuction();
    verify = m_document->currentVerifyAddItemEnvelope();
    ASSERT_TRUE(verify);
    EXPECT_FALSE(verify->showFeePanel());
    EXPECT_TRUE(verify->showProgressPanel());
    waitForFinishedEnvelopes(2);
    EXPECT_EQ(m_alerts.titles(), QStringList{QStringLiteral("Verification passed")});

    // Without the start sheet: the default account of the preferences, the default upload system.
    m_alerts.answer(1); // "Auction Started": not now
    ASSERT_TRUE(m_document->startTemplates({item}, false));
    const auto add = m_document->currentAddItemEnvelope();
    ASSERT_TRUE(add);
    EXPECT_TRUE(add->showProgressPanel());
    EXPECT_FALSE(add->suppressErrorMessage());
    EXPECT_TRUE(add->suppressSwitchingToAuctions());
    EXPECT_FALSE(add->scheduledOperation());
    ASSERT_TRUE(add->auctionItemOperation());
    EXPECT_EQ(add->auctionItemOperation()->accountID(), QStringLiteral("seller"));
    EXPECT_EQ(add->auctionItemOperation()->itemUniqueID(), item->uniqueID());
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_document->addItemProgressPanelController() != nullptr; }, 5000))
        << "the upload sheet opens as the envelope is added";
    waitForFinishedEnvelopes(3);
    EXPECT_FALSE(m_document->addItemProgressPanelController());
    EXPECT_EQ(m_ebay.requests(QStringLiteral("AddItem")).size(), 1u);
    EXPECT_EQ(m_alerts.titles().last(), QStringLiteral("Auction Started"));
    EXPECT_TRUE(
        QMOperationManager::sharedQMOperationManager()->multiThreadedOperationQueue().operationEnvelopes().isEmpty())
        << "finished envelopes leave the queue";
}

TEST_F(DocumentCommands, OnlyTheListingCallOfAnUploadAdvancesItsListingStage)
{
    // The upload's own verification is no listing operation: by the time the listing call starts,
    // the sheet's bar has not moved (there are no pictures to advance it).
    std::optional<double> barWhenListing;
    auto& center = dw::NotificationCenter::defaultCenter();
    const dw::ScopedObservation started(
        center, center.addObserver(QLatin1String(DWNSNotificationOperation_started), nullptr,
                                   [&](const dw::Notification& notification) {
                                       const auto operation = notification.object.shared<DWNSOperation>();
                                       const auto* sheet = m_document->addItemProgressPanelController();
                                       if (std::dynamic_pointer_cast<QMAddItemOperation>(operation) && sheet)
                                           barWhenListing = sheet->progressBar()->doubleValue();
                                   }));
    m_alerts.answer(1); // "Auction Started": not now
    ASSERT_TRUE(m_document->startTemplates({m_document->item()}, false));
    waitForFinishedEnvelopes(1);
    ASSERT_TRUE(barWhenListing.has_value());
    EXPECT_EQ(*barWhenListing, 0.0);
}

TEST_F(DocumentCommands, AFailingValidatorQueuesNothing)
{
    const struct
    {
        const char* name;
        std::function<void(QMEbayItem&, FakeAccounts&)> spoil;
        const char* alert;
    } cases[] = {
        {"no account with a token", [](QMEbayItem&, FakeAccounts& accounts) { accounts.defaultAccount.clear(); },
         "Missing Token"},
        {"no title", [](QMEbayItem& item, FakeAccounts&) { item.setTitle(QString()); }, "Missing Auction Title"},
        {"no category", [](QMEbayItem& item, FakeAccounts&) { item.setCategory(0); }, nullptr},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        makeListable(*m_document->item());
        m_accounts->defaultAccount = QStringLiteral("seller");
        row.spoil(*m_document->item(), *m_accounts);
        m_alerts.clear();
        m_document->getFeesFromEBay();
        m_document->verifyAuction();
        EXPECT_FALSE(m_document->startTemplates({m_document->item()}, false));
        EXPECT_FALSE(m_document->startTemplates({m_document->item()}, true)) << "no start sheet either";
        EXPECT_FALSE(m_document->currentVerifyAddItemEnvelope());
        EXPECT_FALSE(m_document->currentAddItemEnvelope());
        EXPECT_EQ(m_alerts.alerts().size(), 4) << "the validator says why, every time";
        if (row.alert) {
            EXPECT_EQ(m_alerts.titles().value(0), QLatin1String(row.alert));
        }
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(m_tokenPanels.size(), 4) << "the missing token's alert offers the authorization panel";
    EXPECT_EQ(m_tokenPanels.value(0), QStringLiteral("New Account"));
    EXPECT_EQ(m_ebay.requestCount(), 0u);
    EXPECT_TRUE(
        QMOperationManager::sharedQMOperationManager()->multiThreadedOperationQueue().operationEnvelopes().isEmpty());
}

TEST_F(DocumentCommands, OneVerificationShowsAnIndeterminatePanelAndTwoADeterminateOne)
{
    m_ebay.setReplies(QStringLiteral("VerifyAddItem"), {{.body = verifyReply("Success"), .delay = 300ms}});
    m_document->verifyAuction();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_document->verifyProgressPanelController() != nullptr; }, 5000));
    const QMProgressPanelController* panel = m_document->verifyProgressPanelController();
    const auto titled = [&](const char* title) {
        return QTest::qWaitFor(
            [&] {
                const auto* shown = m_document->verifyProgressPanelController();
                return shown && shown->window()->windowTitle() == QLatin1String(title);
            },
            5000);
    };
    EXPECT_TRUE(titled("Verifying template 1 of 1")) << "the envelope titles the window by the listing verified";
    EXPECT_EQ(panel->messageField()->text(), QStringLiteral("Verifying Item..."));
    EXPECT_TRUE(panel->progressBar()->isIndeterminate());
    waitForFinishedEnvelopes(1);
    EXPECT_FALSE(m_document->verifyProgressPanelController()) << "gone when the verification has finished";

    // Two listings in one verification (the second one in a document of its own).
    m_ebay.setReplies(QStringLiteral("VerifyAddItem"), {{.body = verifyReply("Success"), .delay = 300ms},
                                                        {.body = verifyReply("Success"), .delay = 300ms}});
    auto* other = documents().openUntitledDocumentAndDisplay(false);
    makeListable(*other->item());
    const auto envelope = m_document->defaultOperationManager()->addVerifyAddItemOperationsForEbayItems(
        {m_document->item(), other->item()}, QStringLiteral("seller"), QString(), false, true, false);
    m_document->setCurrentVerifyAddItemEnvelope(envelope);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_document->verifyProgressPanelController() != nullptr; }, 5000));
    panel = m_document->verifyProgressPanelController();
    EXPECT_EQ(panel->messageField()->text(), QStringLiteral("Verifying Items..."));
    EXPECT_FALSE(panel->progressBar()->isIndeterminate());
    EXPECT_EQ(panel->progressBar()->minValue(), 0.0);
    EXPECT_EQ(panel->progressBar()->maxValue(), 2.0);
    EXPECT_TRUE(titled("Verifying template 2 of 2"));
    waitForFinishedEnvelopes(2);
    EXPECT_FALSE(m_document->verifyProgressPanelController());
}

TEST_F(DocumentCommands, FeesAreShownWithTheirTotalInTwoDecimals)
{
    m_ebay.setReply(QStringLiteral("VerifyAddItem"),
                    verifyReply("Success", "<Fees><Fee><Name>InsertionFee</Name><Fee currencyID=\"USD\">12.5</Fee>"
                                           "</Fee><Fee><Name>ListingFee</Name><Fee currencyID=\"USD\">12.5</Fee>"
                                           "</Fee></Fees>"));
    m_document->getFeesFromEBay();
    waitForFinishedEnvelopes(1);
    ASSERT_EQ(m_feePanels.size(), 1);
    EXPECT_EQ(m_feePanels.first().total, QStringLiteral("12.50"));
    EXPECT_EQ(m_feePanels.first().window, m_document);
    EXPECT_TRUE(m_feePanels.first().fees.contains(m_document->item()->uniqueID())) << "keyed by the listing";
    EXPECT_TRUE(m_alerts.alerts().isEmpty()) << "fees replace the \"passed\" message";
    EXPECT_TRUE(m_errorPanels.isEmpty());
}

TEST_F(DocumentCommands, WarningsOnlyShowTheErrorSheetUnlessTheyAreEbaysMessage)
{
    m_ebay.setReply(QStringLiteral("VerifyAddItem"), verifyReply("Warning", kWarning));
    m_document->verifyAuction();
    waitForFinishedEnvelopes(1);
    ASSERT_EQ(m_errorPanels.size(), 1);
    ASSERT_TRUE(m_errorPanels.first());
    EXPECT_TRUE(m_errorPanels.first()->containsOnlyWarnings());
    EXPECT_TRUE(m_alerts.alerts().isEmpty());
    EXPECT_EQ(m_document->item()->itemState(), QMEbayItemStateTemplateWithWarning);

    // eBay's free message alone is no failure.
    m_ebay.setReply(QStringLiteral("VerifyAddItem"), verifyReply("Success", "<Message>Welcome back.</Message>"));
    m_document->verifyAuction();
    waitForFinishedEnvelopes(2);
    EXPECT_EQ(m_errorPanels.size(), 1);
    EXPECT_EQ(m_alerts.titles(), QStringList{QStringLiteral("Verification passed")});
}

TEST_F(DocumentCommands, StartSheetDetailsShowEbaysErrorsOrTheFees)
{
    const QByteArray fees = "<Fees><Fee><Name>ListingFee</Name><Fee currencyID=\"USD\">0.35</Fee></Fee></Fees>";
    const QByteArray error = "<Errors><ShortMessage>Bad title.</ShortMessage><LongMessage>Bad title.</LongMessage>"
                             "<ErrorCode>240</ErrorCode><SeverityCode>Error</SeverityCode></Errors>";
    const struct
    {
        const char* name;
        QByteArray reply;
        bool failing;
    } cases[] = {
        {"a failed run: eBay's errors", verifyReply("Failure", error), true},
        {"a run that passed: the fees", verifyReply("Success", fees), false},
    };
    int finished = 0;
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        m_feePanels.clear();
        m_errorPanels.clear();
        m_ebay.setReply(QStringLiteral("VerifyAddItem"), row.reply);
        const size_t verifications = m_ebay.requests(QStringLiteral("VerifyAddItem")).size();
        ASSERT_TRUE(m_document->startTemplates({m_document->item()}, true));
        const auto sheets = QMSimpleStartAuctionPanelController::visiblePanelControllers();
        ASSERT_EQ(sheets.size(), 1);
        QPointer<QMSimpleStartAuctionPanelController> sheet = sheets.first();
        waitForFinishedEnvelopes(++finished);
        ASSERT_TRUE(sheet);
        EXPECT_EQ(sheet->receivedVerificationErrors(), row.failing);
        EXPECT_TRUE(m_feePanels.isEmpty() && m_errorPanels.isEmpty()) << "the sheet's own run shows no panel";

        sheet->errorInfoButtonClicked();
        const auto verify = m_document->currentVerifyAddItemEnvelope();
        ASSERT_TRUE(verify) << "Details verifies the listing again";
        EXPECT_FALSE(verify->runningFromStartAuctionsPanel());
        EXPECT_TRUE(verify->showProgressPanel());
        EXPECT_EQ(verify->showFeePanel(), !row.failing);
        waitForFinishedEnvelopes(++finished);
        EXPECT_EQ(m_ebay.requests(QStringLiteral("VerifyAddItem")).size(), verifications + 2);
        EXPECT_EQ(m_errorPanels.size(), row.failing ? 1 : 0);
        ASSERT_EQ(m_feePanels.size(), row.failing ? 0 : 1);
        if (!row.failing) {
            EXPECT_EQ(m_feePanels.first().total, QStringLiteral("0.35"));
        }
        EXPECT_TRUE(QTest::qWaitFor([&] { return sheet.isNull(); }, 2000));
    }
    EXPECT_FALSE(m_document->currentAddItemEnvelope()) << "nothing was uploaded";
}
