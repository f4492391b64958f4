// The application delegate stores a fetched token in a real keychain (run in a D-Bus session with
// an unlocked keyring).
#include "../ShellTestSupport.h"

#include "DWKit/DWOperation/DWNSOperation.h"
#include "Operations/QMAccountManager.h"
#include "Operations/QMFetchTokenOperation.h"
#include "model/QMApplicationDefaults.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/UserDefaults.h"
#include "shell/QMBAppController.h"
#include "tests/support/ScriptedAlertPresenter.h"
#include "tests/support/TemporaryXdg.h"
#include "tests/support/ebay/FakeTradingApi.h"

#include <QTest>
#include <gtest/gtest.h>

TEST(FetchedToken, IsStoredUnderTheUsersIDOrElseTheNameTheSellerGave)
{
    dw::test::TemporaryXdg xdg;
    dw::test::ScriptedAlertPresenter alerts;
    EXPECT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
    dw::test::clearEbayTokens();
    dw::test::FakeTradingApi ebay;
    ebay.useFixtureReplies();
    const QByteArray failedGetUser =
        R"(<?xml version="1.0" encoding="UTF-8"?><GetUserResponse xmlns="urn:ebay:apis:eBLBaseComponents">)"
        "<Ack>Failure</Ack><Errors><ShortMessage>Busy.</ShortMessage><LongMessage>Try again later.</LongMessage>"
        "<ErrorCode>10007</ErrorCode><SeverityCode>Error</SeverityCode></Errors></GetUserResponse>";
    const auto controller = QMBAppController::create();
    controller->services().showIntroPanel = [](QMBAppController&) {};
    controller->registerForOperationNotifications();
    const auto connectors = std::make_shared<dw::test::FakeConnectors>(ebay.url());
    const auto manager = QMOperationManager::sharedQMOperationManager();
    const auto accounts = QMAccountManager::sharedQMAccountManager();

    struct Row
    {
        const char* name;
        bool getUser;
        bool getUserFails;
        bool assistant;
        QString storedName; // null: nothing stored
        QStringList alerts;
    } rows[] = {
        {"with the user record", true, false, false, QStringLiteral("anna_kamera"), {}},
        {"user record failed", true, true, false, QString(), {QStringLiteral("eBay Error")}},
        {"user record failed, during the assistant", true, true, true, QStringLiteral("ann from the panel"), {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        dw::test::clearEbayTokens();
        alerts.clear();
        if (row.getUserFails)
            ebay.setReply(QStringLiteral("GetUser"), failedGetUser);
        if (row.assistant)
            controller->showIntroWindow();
        bool ended = false;
        auto& center = dw::NotificationCenter::defaultCenter();
        const dw::ScopedObservation observation(
            center, center.addObserver(
                        QLatin1String(DWNSNotificationOperation_ended), nullptr, [&](const dw::Notification& note) {
                            if (std::dynamic_pointer_cast<QMFetchTokenOperation>(note.object.shared<DWNSOperation>()))
                                ended = true;
                        }));
        manager->setDelegate(connectors);
        manager->addFetchTokenOperationForSessionID(QStringLiteral("session-1"), QStringLiteral("ann from the panel"),
                                                    QStringLiteral("account-9"), row.getUser);
        ASSERT_TRUE(QTest::qWaitFor([&] { return ended; }, 10000));
        QMKeychainAccess::sharedQMKeychainAccess().clearCache();
        EXPECT_EQ(!accounts->tokenForAccountID(QStringLiteral("account-9")).isEmpty(), !row.storedName.isNull());
        EXPECT_EQ(accounts->nameForAccountID(QStringLiteral("account-9")), row.storedName);
        EXPECT_EQ(alerts.titles(), row.alerts);
    }
    dw::test::clearEbayTokens();
    dw::test::waitForOperationQueues();
}
