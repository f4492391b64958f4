#pragma once
// What the shell's window tests share: the connectors to the fake Trading API (from the eBay test
// support), a wait until both of its queues are idle, and (for the keychain tests) the
// removal of every eBay token.

#include "DWCoreDataEbayDataClasses/SQCategoryDataManager.h"
#include "DWEBay2/DWEbayConnector.h"
#include "DWKit/QMLogManager.h"
#include "Operations/QMKeychainAccess.h"
#include "Operations/QMOperationManager.h"
#include "model/QMAccountDataSource.h"
#include "tests/support/ebay/FakeConnectors.h"

#include <QFile>
#include <QString>
#include <gtest/gtest.h>
#include <memory>

namespace dw::test {

// Accounts without a keychain: one account (or none), its PayPal address as stored.
class FakeAccounts final : public QMAccountDataSource
{
public:
    explicit FakeAccounts(QString accountID) : m_accountID(std::move(accountID)) {}
    QString defaultAccountID() const override { return m_accountID; }
    QString tokenForAccountID(const QString& accountID) const override
    {
        return accountID == m_accountID ? QStringLiteral("token") : QString();
    }
    QString payPalAddressForAccountID(const QString&) const override { return QString(); }

private:
    QString m_accountID;
};

// Removes every eBay token from the keychain and forgets what the keychain access cached.
inline void clearEbayTokens()
{
    auto& keychain = QMKeychainAccess::sharedQMKeychainAccess();
    if (const auto items = keychain.itemsWithDescription(QLatin1String(kQMKeychainTokenDescription), nullptr))
        (void)keychain.removeItems(*items, nullptr);
    keychain.clearCache();
}

inline void waitForOperationQueues()
{
    auto manager = QMOperationManager::sharedQMOperationManager();
    manager->singleThreadedOperationQueue().waitUntilAllOperationsAreFinished();
    manager->multiThreadedOperationQueue().waitUntilAllOperationsAreFinished();
}

#ifdef DW_CATEGORY_TEST_STORES
// Site 77's category and item-specifics stores of the category tests, saved as if downloaded, so
// that the site's data is complete.
inline void saveCompleteCategoryDataOfSite77()
{
    const auto read = [](const char* name) {
        QFile file(QStringLiteral(DW_CATEGORY_TEST_STORES) + u'/' + QLatin1String(name));
        EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
        return file.readAll();
    };
    auto categories = QMCategoryDataManager::sharedQMCategoryDataManager();
    categories->unloadAll();
    ASSERT_TRUE(categories->saveCategoryTreeFileData(read("Categories.site77.sqlite"), 77));
    ASSERT_TRUE(categories->saveCharacteristicSetsFileData(read("Attributes.site77.sqlite"), 77));
}
#endif

} // namespace dw::test
