#include "Operations/QMAccountManager.h"
#include "Operations/QMKeychainAccess.h"
#include "model/DWEbayPreferencesManager.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/NotificationCenter.h"
#include "platform/keychain/KeychainItems.h"
#include "tests/support/TemporaryXdg.h"

#include <gtest/gtest.h>

namespace {

const QString kTokens = QLatin1String(kQMKeychainTokenDescription);

// A keychain whose stores fail, as a full or vanished keyring would.
class FailingKeychain : public QMKeychainAccess
{
public:
    bool createNewGenericPasswordItemForAccountName(const QString&, const QString&, const QString&, const QString&,
                                                    QString* error) override
    {
        if (error)
            *error = localizedErrorForKeychainServicesResultCode(-25307);
        return false;
    }
};

class Accounts : public ::testing::Test
{
protected:
    Accounts()
    {
        clearKeychain();
        m_observation =
            dw::ScopedObservation(dw::NotificationCenter::defaultCenter(),
                                  dw::NotificationCenter::defaultCenter().addObserver(
                                      QLatin1String(kQMAccountsChangedNotification), nullptr,
                                      [this](const dw::Notification& note) { m_changes.append(note.userInfo); }));
    }
    ~Accounts() override { clearKeychain(); }

    static void clearKeychain()
    {
        auto& keychain = QMKeychainAccess::sharedQMKeychainAccess();
        for (const char* description : {kQMKeychainTokenDescription, kQMKeychainPayPalCredentialsDescription}) {
            if (const auto items = keychain.itemsWithDescription(QLatin1String(description), nullptr))
                (void)keychain.removeItems(*items, nullptr);
        }
        keychain.clearCache();
    }

    static int itemCount()
    {
        const auto items = QMKeychainAccess::sharedQMKeychainAccess().itemsWithDescription(kTokens, nullptr);
        return items ? int(items->size()) : -1;
    }

    void insert(const QString& token, const QString& id, const QString& name)
    {
        QString error;
        ASSERT_TRUE(m_manager.insertToken(token, id, name, &error)) << error.toStdString();
        EXPECT_TRUE(error.isEmpty());
    }

    dw::test::TemporaryXdg m_xdg;
    QMAccountManager m_manager;
    QList<QVariantMap> m_changes;
    dw::ScopedObservation m_observation;
};

} // namespace

TEST_F(Accounts, InsertingReplacesTheItemOfTheSameIDOrOfTheSameName)
{
    insert(QStringLiteral("token-1"), QStringLiteral("id-1"), QStringLiteral("ann"));
    insert(QStringLiteral("token-2"), QStringLiteral("id-1"), QStringLiteral("ann"));
    EXPECT_EQ(itemCount(), 1);
    EXPECT_EQ(m_manager.tokenForAccountID(QStringLiteral("id-1")), QStringLiteral("token-2"));

    // Authorised again under the same name, with a new ID: the old item goes.
    insert(QStringLiteral("token-3"), QStringLiteral("id-2"), QStringLiteral("ann"));
    insert(QStringLiteral("token-4"), QStringLiteral("id-3"), QStringLiteral("bob"));
    EXPECT_EQ(m_manager.accountIDs(), (QStringList{QStringLiteral("id-2"), QStringLiteral("id-3")}));
    EXPECT_EQ(m_manager.tokenForAccountName(QStringLiteral("ann")), QStringLiteral("token-3"));
    EXPECT_EQ(m_changes.size(), 4);

    m_manager.removeAccountWithAccountID(QStringLiteral("id-2"));
    EXPECT_FALSE(m_manager.hasAccountWithName(QStringLiteral("ann")));
    EXPECT_TRUE(m_manager.hasAccountWithAccountID(QStringLiteral("id-3")));
    EXPECT_EQ(m_changes.size(), 5);
}

TEST_F(Accounts, AFailedStoreKeepsTheOldTokenAndLogsNoToken)
{
    dw::ScopedConsoleCapture console;
    insert(QStringLiteral("old-secret-token"), QStringLiteral("id-1"), QStringLiteral("ann"));

    FailingKeychain failing;
    QMAccountManager manager(failing);
    QString error;
    EXPECT_FALSE(
        manager.insertToken(QStringLiteral("new-secret-token"), QStringLiteral("id-1"), QStringLiteral("ann"), &error));
    EXPECT_EQ(error, QStringLiteral("Error while accessing the Keychain: A default keychain does not exist."));
    ASSERT_EQ(m_changes.size(), 2);
    EXPECT_EQ(m_changes.last().value(QStringLiteral("error")).toString(), error);

    QMKeychainAccess::sharedQMKeychainAccess().clearCache();
    EXPECT_EQ(m_manager.tokenForAccountID(QStringLiteral("id-1")), QStringLiteral("old-secret-token"));
    EXPECT_EQ(itemCount(), 1);
    for (const QString& line : console.lines())
        EXPECT_FALSE(line.contains(QLatin1String("secret-token"))) << line.toStdString();
}

TEST_F(Accounts, ItemsAreListedWithTheirNameIDAndDate)
{
    dw::Keychain::KeychainFailure failure;
    const dw::Keychain::ItemAttributes withoutID{{QStringLiteral("description"), kTokens},
                                                 {QStringLiteral("service"), kTokens}};
    ASSERT_TRUE(
        dw::Keychain::createGenericItem(withoutID, QStringLiteral("old"), QStringLiteral("old-token"), &failure))
        << failure.message.toStdString();
    auto empty = withoutID;
    empty.insert(QStringLiteral("generic"), QStringLiteral("id-empty"));
    empty.insert(QStringLiteral("account"), QStringLiteral("carl"));
    ASSERT_TRUE(dw::Keychain::createGenericItem(empty, QStringLiteral("carl"), QString(), &failure));

    auto accounts = m_manager.accountDescriptions();
    ASSERT_EQ(accounts.size(), 1); // the item without a password is no account
    EXPECT_EQ(accounts.first().value(QStringLiteral("name")).toString(), QStringLiteral("Untitled Account"));
    EXPECT_FALSE(accounts.first().contains(QStringLiteral("accountID")));
    EXPECT_TRUE(accounts.first().value(QStringLiteral("modDate")).toDateTime().isValid());

    m_manager.updateKeychainItems();
    accounts = m_manager.accountDescriptions();
    ASSERT_EQ(accounts.size(), 1);
    EXPECT_EQ(accounts.first().value(QStringLiteral("accountID")).toString().size(), 36);
    EXPECT_EQ(m_manager.defaultAccountToken(), QStringLiteral("old-token"));
}

TEST_F(Accounts, TheDefaultAccountFallsBackToTheFirstWithAToken)
{
    EXPECT_TRUE(m_manager.defaultAccountID().isNull());
    EXPECT_TRUE(m_manager.defaultAccountToken().isNull());

    insert(QStringLiteral("token-1"), QStringLiteral("id-1"), QStringLiteral("ann"));
    insert(QStringLiteral("token-2"), QStringLiteral("id-2"), QStringLiteral("bob"));
    DWEbayPreferencesManager::sharedInstance().setDefaultAccountID(QStringLiteral("id-gone"));
    EXPECT_EQ(m_manager.defaultAccountID(), QStringLiteral("id-1"));
    EXPECT_EQ(DWEbayPreferencesManager::sharedInstance().defaultAccountID(), QStringLiteral("id-1"));
    DWEbayPreferencesManager::sharedInstance().setDefaultAccountID(QStringLiteral("id-2"));
    EXPECT_EQ(m_manager.defaultAccountToken(), QStringLiteral("token-2"));
}

TEST_F(Accounts, RenamingAndChangingTheTokenKeepTheAccount)
{
    insert(QStringLiteral("token-1"), QStringLiteral("id-1"), QStringLiteral("ann"));
    QString error;
    ASSERT_TRUE(m_manager.setName(QStringLiteral("anna"), QStringLiteral("id-1"), &error)) << error.toStdString();
    ASSERT_TRUE(m_manager.setToken(QStringLiteral("token-2"), QStringLiteral("id-1"), &error));
    EXPECT_EQ(m_manager.nameForAccountID(QStringLiteral("id-1")), QStringLiteral("anna"));
    EXPECT_EQ(m_manager.tokenForAccountID(QStringLiteral("id-1")), QStringLiteral("token-2"));

    EXPECT_FALSE(m_manager.setName(QStringLiteral("x"), QStringLiteral("id-none"), &error));
    EXPECT_EQ(error, QStringLiteral("Error while accessing the Keychain: The item cannot be found."));
}

TEST_F(Accounts, SandboxModeShowsOnlySandboxAccounts)
{
    insert(QStringLiteral("t1"), QStringLiteral("id-1"), QStringLiteral("TESTUSER_ann"));
    insert(QStringLiteral("t2"), QStringLiteral("id-2"), QStringLiteral("sandboxbob"));
    insert(QStringLiteral("t3"), QStringLiteral("id-3"), QStringLiteral("carl"));
    auto namesOf = [](const QList<QVariantMap>& accounts) {
        QStringList names;
        for (const auto& account : accounts)
            names.append(account.value(QStringLiteral("name")).toString());
        return names;
    };
    auto& preferences = DWEbayPreferencesManager::sharedInstance();
    const bool wasSandbox = preferences.isRunningInSandbox();
    preferences.setIsRunningInSandbox(true);
    EXPECT_EQ(namesOf(m_manager.activeAccountDescriptions()),
              (QStringList{QStringLiteral("TESTUSER_ann"), QStringLiteral("sandboxbob")}));
    preferences.setIsRunningInSandbox(false);
    EXPECT_EQ(namesOf(m_manager.activeAccountDescriptions()), QStringList{QStringLiteral("carl")});
    preferences.setIsRunningInSandbox(wasSandbox);
}

TEST_F(Accounts, PayPalCredentialsLiveInTheirOwnItem)
{
    insert(QStringLiteral("t1"), QStringLiteral("id-1"), QStringLiteral("ann"));
    m_manager.setPayPalAddress(QStringLiteral("ann@example.com"), QStringLiteral("id-1"));
    EXPECT_EQ(m_manager.paypalAdresses(), QStringList{QStringLiteral("ann@example.com")});
    EXPECT_FALSE(m_manager.haveCompletePaypalCredentialsForAccountID(QStringLiteral("id-1")));

    QVariantMap credentials{{QStringLiteral("username"), QStringLiteral("api-ann")},
                            {QStringLiteral("password"), QStringLiteral("pw")},
                            {QStringLiteral("signature"), QString()}};
    m_manager.setPaypalAPICredentials(credentials, QStringLiteral("ann@example.com"));
    EXPECT_FALSE(m_manager.haveCompletePaypalCredentialsForAccountID(QStringLiteral("id-1")));
    credentials.insert(QStringLiteral("signature"), QStringLiteral("sig"));
    m_manager.setPaypalAPICredentials(credentials, QStringLiteral("ann@example.com"));
    EXPECT_EQ(m_manager.paypalAPICredentialsForPaypalEmail(QStringLiteral("ann@example.com")), credentials);
    EXPECT_TRUE(m_manager.haveCompletePaypalCredentialsForAccountID(QStringLiteral("id-1")));
    // The credentials are no account.
    EXPECT_EQ(m_manager.accountIDs(), QStringList{QStringLiteral("id-1")});
}
