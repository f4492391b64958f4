#include "DWEBay2/DWEbayConnector.h"
#include "DWEBay2/types/EBayUserType.h"
#include "DWKit/DWOperation/DWNSOperationQueue.h"
#include "DWKit/QMLogManager.h"
#include "Operations/QMAccountManager.h"
#include "Operations/QMFetchTokenOperation.h"
#include "Operations/QMKeychainAccess.h"
#include "model/QMAccountDataSource.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TemporaryXdg.h"
#include "tests/support/ebay/FakeTradingApi.h"

#include <QCoreApplication>
#include <QFile>
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

    // The upload tool without a token of its own lists with the default account's.
    ebay.setReply(
        QStringLiteral("VerifyAddItem"),
        R"(<?xml version="1.0" encoding="UTF-8"?><VerifyAddItemResponse xmlns="urn:ebay:apis:eBLBaseComponents">)"
        "<Ack>Success</Ack></VerifyAddItemResponse>");
    const QString json = xdg.path(QStringLiteral("lamp.json"));
    QFile file(json);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"title": "Oak lamp", "siteID": 0, "duration": 7, "useStartingBid": true, "minimumBid": "1.00"})");
    file.close();
    const QString document = xdg.path(QStringLiteral("lamp.qvlisting"));
    const auto created = dw::test::runProgram(dw::test::builtTool(QStringLiteral("qv-listing")),
                                              {QStringLiteral("create"), json, document});
    ASSERT_EQ(created.exitCode, 0) << created.errors.toStdString();
    const auto verified =
        dw::test::runProgram(dw::test::builtTool(QStringLiteral("qv-upload")),
                             {QStringLiteral("--verify-only"), QStringLiteral("--api"), ebay.url(), document});
    EXPECT_EQ(verified.exitCode, 0) << verified.errors.toStdString();
    const auto sent = ebay.requests(QStringLiteral("VerifyAddItem"));
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_TRUE(sent.at(0).xml.contains(fetch->token().toUtf8()));

    if (const auto items = keychain.itemsWithDescription(QLatin1String(kQMKeychainTokenDescription), nullptr))
        (void)keychain.removeItems(*items, nullptr);
    QMLogManager::resetSharedInstance();
}
