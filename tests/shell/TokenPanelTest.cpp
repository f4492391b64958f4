#include "DWEBay2/DWEbayConnector.h"
#include "DWKit/QMLogManager.h"
#include "Operations/QMOperationManager.h"
#include "ShellTestSupport.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/UserDefaults.h"
#include "shell/QMBAppController.h"
#include "shell/QMTokenPanelController.h"
#include "tests/support/DrainMainThread.h"
#include "tests/support/TemporaryXdg.h"
#include "tests/support/ebay/FakeTradingApi.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// The panel against the fake Trading API, through the process's operation manager.
class TokenPanel : public ::testing::Test
{
protected:
    TokenPanel()
    {
        QMLogManager::resetSharedInstance();
        m_ebay.useFixtureReplies();
        dw::UserDefaults::standard().registerDefaults(
            {{QStringLiteral("eBayRuName"), QStringLiteral("Quillmart-RuName")}});
        QMOperationManager::sharedQMOperationManager()->setDelegate(m_connectors);
    }
    ~TokenPanel() override
    {
        dw::test::waitForOperationQueues();
        QMLogManager::resetSharedInstance();
    }

    std::size_t fetches() const { return m_ebay.requests(QStringLiteral("FetchToken")).size(); }

    // Runs the panel; `whileOpen` acts on it once its session has arrived.
    void runPanel(const std::function<void(QMTokenPanelController&)>& whileOpen)
    {
        QTimer::singleShot(0, [&] {
            auto* panel = qobject_cast<QMTokenPanelController*>(QApplication::activeModalWidget());
            ASSERT_TRUE(panel);
            ASSERT_TRUE(QTest::qWaitFor([&] { return !panel->sessionID().isEmpty(); }, 10000));
            whileOpen(*panel);
        });
        QMTokenPanelController::runTokenPanelModalForAccountName(QStringLiteral("New Account"),
                                                                 QStringLiteral("account-1"), true);
    }

    dw::test::TemporaryXdg m_xdg;
    dw::test::FakeTradingApi m_ebay;
    std::shared_ptr<dw::test::FakeConnectors> m_connectors = std::make_shared<dw::test::FakeConnectors>(m_ebay.url());
};

} // namespace

TEST_F(TokenPanel, ButtonNeedsANameAndASession)
{
    QMTokenPanelController panel;
    panel.setAllowsAccountNameEditing(true);
    panel.setAccountName(QStringLiteral("ann"));
    EXPECT_FALSE(panel.authorizeOrFetchButton()->isEnabled());
    panel.startGetSessionIDOperation();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !panel.sessionID().isEmpty(); }, 10000));
    EXPECT_TRUE(panel.authorizeOrFetchButton()->isEnabled());

    panel.accountNameField()->selectAll();
    QTest::keyClick(panel.accountNameField(), Qt::Key_Backspace);
    EXPECT_FALSE(panel.authorizeOrFetchButton()->isEnabled());
    QTest::keyClicks(panel.accountNameField(), QStringLiteral("bob"));
    EXPECT_TRUE(panel.authorizeOrFetchButton()->isEnabled());
    EXPECT_EQ(panel.accountName(), QStringLiteral("bob"));
}

TEST_F(TokenPanel, CallbackWhileAskingToAuthorizeFetchesOnceAndCloses)
{
    runPanel([](QMTokenPanelController& panel) {
        EXPECT_EQ(panel.authorizeOrFetchButton()->text(), QStringLiteral("Authorize"));
        dw::NotificationCenter::defaultCenter().post(QLatin1String(kQMEbayTokenShouldBeFetchedNotification), {});
        dw::NotificationCenter::defaultCenter().post(QLatin1String(kQMEbayTokenShouldBeFetchedNotification), {});
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return fetches() == 1; }, 10000));
    const auto sent = m_ebay.requests(QStringLiteral("FetchToken"));
    EXPECT_TRUE(sent.at(0).xml.contains("<SessionID>"));
    dw::test::drainMainThread(dw::test::waitForOperationQueues);
    EXPECT_EQ(fetches(), 1u);
}

TEST_F(TokenPanel, CancelAfterAuthorizingFetchesNothing)
{
    runPanel([](QMTokenPanelController& panel) {
        panel.authorizeOrFetchButton()->click();
        EXPECT_EQ(panel.authorizeOrFetchButton()->text(), QStringLiteral("Fetch Token"));
        panel.reject();
    });
    dw::test::drainMainThread(dw::test::waitForOperationQueues);
    EXPECT_EQ(fetches(), 0u);
}

TEST_F(TokenPanel, WithoutASessionTheButtonStaysDisabledAndThePanelSaysWhy)
{
    m_ebay.setReply(QStringLiteral("GetSessionID"), QByteArray(), 500);
    QMTokenPanelController panel;
    panel.setAccountName(QStringLiteral("ann"));
    panel.startGetSessionIDOperation();
    EXPECT_FALSE(panel.statusField()->text().isEmpty());
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return panel.statusField()->text().contains(QStringLiteral("could not")); }, 10000));
    EXPECT_FALSE(panel.authorizeOrFetchButton()->isEnabled());
}
