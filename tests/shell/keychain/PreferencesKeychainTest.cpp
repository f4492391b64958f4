// The preferences window with a real keyring (run in a D-Bus session with an unlocked keyring).
#include "../ShellTestSupport.h"

#include "Operations/QMAccountManager.h"
#include "Operations/QMProxyManager.h"
#include "model/QMApplicationDefaults.h"
#include "model/QMPreferencesManager.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"
#include "platform/keychain/Keychain.h"
#include "shell/QMBPreferencesPanelController.h"
#include "tests/support/ScriptedAlertPresenter.h"
#include "tests/support/TemporaryXdg.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

namespace {

class PreferencesKeychain : public ::testing::Test
{
protected:
    PreferencesKeychain()
    {
        EXPECT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
        QMPreferencesManager::sharedInstance().setDefaultLocation(QStringLiteral("Hamburg"));
        dw::test::clearEbayTokens();
    }
    ~PreferencesKeychain() override { dw::test::clearEbayTokens(); }

    dw::test::TemporaryXdg m_xdg;
    dw::test::ScriptedAlertPresenter m_alerts;
};

} // namespace

TEST_F(PreferencesKeychain, SeveralAccountsShowTheDefaultOne)
{
    const auto accounts = QMAccountManager::sharedQMAccountManager();
    QString error;
    ASSERT_TRUE(
        accounts->insertToken(QStringLiteral("token-a"), QStringLiteral("account-a"), QStringLiteral("anna"), &error))
        << error.toStdString();
    ASSERT_TRUE(
        accounts->insertToken(QStringLiteral("token-b"), QStringLiteral("account-b"), QStringLiteral("bert"), &error))
        << error.toStdString();
    accounts->setPayPalAddress(QStringLiteral("bert@example.com"), QStringLiteral("account-b"));
    QMPreferencesManager::sharedInstance().setDefaultAccountID(QStringLiteral("account-b"));

    QMBPreferencesPanelController window;
    EXPECT_EQ(window.accountID(), QStringLiteral("account-b"));
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("accountNameField"))->text(), QStringLiteral("bert"));
    EXPECT_EQ(window.findChild<QLineEdit*>(QStringLiteral("paypalAddressTextField"))->text(),
              QStringLiteral("bert@example.com"));
    EXPECT_EQ(window.findChild<QPushButton*>(QStringLiteral("authorizeButton"))->text(), QStringLiteral("Refresh..."));
    EXPECT_TRUE(window.findChild<QPushButton*>(QStringLiteral("deleteAccountButton"))->isEnabled());
    EXPECT_FALSE(window.findChild<QLabel*>(QStringLiteral("accountCountField"))->isHidden());

    // Deleting the shown account shows the other one.
    m_alerts.answer(0);
    window.deleteAccount();
    EXPECT_EQ(m_alerts.titles(), QStringList{QStringLiteral("Delete Account?")});
    EXPECT_EQ(window.accountID(), QStringLiteral("account-a"));
    EXPECT_EQ(window.findChild<QLabel*>(QStringLiteral("accountNameField"))->text(), QStringLiteral("anna"));
    EXPECT_TRUE(window.findChild<QLabel*>(QStringLiteral("accountCountField"))->isHidden());
}

TEST_F(PreferencesKeychain, ProxyPasswordGoesToTheKeychainOnly)
{
    const QString password = QStringLiteral("s3cret-proxy-pass");
    dw::test::ScopedEnv https(QByteArrayLiteral("https_proxy"), QByteArrayLiteral("http://proxy.example:3128"));
    dw::test::ScopedEnv upper(QByteArrayLiteral("HTTPS_PROXY"), std::nullopt);
    dw::UserDefaults::standard().setInteger(QMBPreferencesPanelController::ImageServerPane,
                                            QLatin1String(kQMLastSelectedPreferencesPaneKey));
    {
        QMBPreferencesPanelController window;
        window.findChild<QLineEdit*>(QStringLiteral("proxyUserField"))->setText(QStringLiteral("anna"));
        window.findChild<QLineEdit*>(QStringLiteral("proxyPasswordField"))->setText(password);
        window.changeToViewAtIndex(QMBPreferencesPanelController::UpdatePane, false);
        EXPECT_EQ(window.currentPaneIndex(), QMBPreferencesPanelController::UpdatePane);
        EXPECT_TRUE(window.findChild<QLineEdit*>(QStringLiteral("proxyPasswordField"))->text().isEmpty());
    }

    // The picture uploads find the account where they look for it.
    const QVariantMap proxy = QMProxyManager::sharedProxyManager().getHTTPProxySettingsForHTTPS(true);
    EXPECT_EQ(proxy.value(QStringLiteral("name")).toString(), QStringLiteral("anna"));
    EXPECT_EQ(proxy.value(QStringLiteral("password")).toString(), password);

    // Nothing of the password in the settings, in memory or on disk.
    ASSERT_TRUE(dw::UserDefaults::standard().synchronize());
    const QVariantMap settings = dw::UserDefaults::standard().dictionaryRepresentation();
    for (auto it = settings.cbegin(); it != settings.cend(); ++it)
        EXPECT_FALSE(it.value().toString().contains(password)) << it.key().toStdString();
    QDirIterator files(m_xdg.root(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_FALSE(file.readAll().contains(password.toUtf8())) << file.fileName().toStdString();
    }

    // A new name replaces the old account rather than standing beside it.
    {
        QMBPreferencesPanelController window;
        window.findChild<QLineEdit*>(QStringLiteral("proxyUserField"))->setText(QStringLiteral("bert"));
        QString error;
        EXPECT_TRUE(window.storeProxyAccount(&error)) << error.toStdString();
    }
    const QVariantMap renamed = QMProxyManager::sharedProxyManager().getHTTPProxySettingsForHTTPS(true);
    EXPECT_EQ(renamed.value(QStringLiteral("name")).toString(), QStringLiteral("bert"));
    EXPECT_EQ(renamed.value(QStringLiteral("password")).toString(), password);
    EXPECT_FALSE(dw::Keychain::internetPassword(
        {QStringLiteral("proxy.example"), QStringLiteral("anna"), QStringLiteral("htsx"), 3128, QString()}));
    dw::Keychain::removeInternetPassword(
        {QStringLiteral("proxy.example"), QStringLiteral("bert"), QStringLiteral("htsx"), 3128, QString()});
}
