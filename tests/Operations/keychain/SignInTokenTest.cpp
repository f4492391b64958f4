#include "DWEBay2/DWEbayConnector.h"
#include "DWEBay2/types/EBayUserType.h"
#include "DWKit/DWOperation/DWNSOperationQueue.h"
#include "DWKit/QMLogManager.h"
#include "Operations/QMAccountManager.h"
#include "Operations/QMFetchTokenOperation.h"
#include "Operations/QMKeychainAccess.h"
#include "model/QMAccountDataSource.h"
#include "tests/support/TemporaryXdg.h"
#include "tests/support/ebay/FakeTradingApi.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

// The road of a sign-in: the token fetched after the user signed in, the user record read with
// it, and the token stored under the user's ID, where the listing model finds it.
TEST(SignIn, StoresTheFetchedTokenUnderTheUsersID)
{
    dw::test::TemporaryXdg xdg;
    QMLogManager::resetSharedInstance();
    dw::test::FakeTradingApi ebay;
    ebay.useFixtureReplies();
    auto& keychain = QMKeychainAccess::sharedQMKeychainAccess();
    if (const auto items = keychain.itemsWithDescription(QLatin1String(kQMKeychainTokenDescription), nullptr))
        (void)keychain.removeItems(*items, nullptr);

    auto fetch = std::make_shared<QMFetchTokenOperation>(
        [&ebay] { return std::make_unique<DWEbayConnector>(ebay.url(), 0, 747); });
    fetch->setSessionID(QStringLiteral("session-1"));
    fetch->setExecuteGetUserRequest(true);
    DWNSOperationQueue queue;
    queue.addOperation(fetch);
    queue.waitUntilAllOperationsAreFinished();
    QCoreApplication::processEvents();
    ASSERT_FALSE(fetch->errorOccurred());
    ASSERT_FALSE(fetch->token().isEmpty());
    ASSERT_TRUE(fetch->getUserType());
    const QString userID = fetch->getUserType()->userID();
    ASSERT_FALSE(userID.isEmpty());

    const auto manager = QMAccountManager::sharedQMAccountManager();
    QString error;
    ASSERT_TRUE(manager->insertToken(fetch->token(), userID, userID, &error)) << error.toStdString();
    QMAccountManager::installAsModelSource(manager);
    const auto accounts = QMAccountDataSource::installed();
    ASSERT_TRUE(accounts);
    EXPECT_EQ(accounts->defaultAccountID(), userID);
    EXPECT_EQ(accounts->tokenForAccountID(userID), fetch->token());
    QMAccountDataSource::install(nullptr);

    if (const auto items = keychain.itemsWithDescription(QLatin1String(kQMKeychainTokenDescription), nullptr))
        (void)keychain.removeItems(*items, nullptr);
    QMLogManager::resetSharedInstance();
}
