#pragma once
// The eBay accounts of the application: each is a token item in the keychain (QMKeychainAccess)
// under the account's name and ID; the default account's ID lives in the preferences, and each
// account's PayPal address and Skype ID in the user defaults ("PayPalEmailAddressPrefix.<ID>",
// "SkypeIDPrefix.<ID>"). The PayPal API credentials of an address are a keychain item of their
// own, an XML property list.
//
// Storing a token creates the new item before the item it replaces is deleted, so a store that
// fails leaves the account as it was. Every insert posts "QMAccountsChangedNotification" (with
// the error text under "error" when it failed), as does a successful removal by account ID.
// Tokens never reach the console: failures log only the keychain's error text.
//
// Any thread; the keychain calls block on D-Bus. The account list is read under the manager's
// lock.
//
//     auto manager = QMAccountManager::sharedQMAccountManager();
//     QString error;
//     if (!manager->insertToken(token, user.userID(), user.userID(), &error))
//         alert(QStringLiteral("Keychain Error"), error);
//     QMAccountManager::installAsModelSource(manager);   // the listing model reads tokens here

#include "model/QMAccountDataSource.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <memory>
#include <mutex>

inline constexpr const char* kQMAccountsChangedNotification = "QMAccountsChangedNotification";

class QComboBox;
class QMKeychainAccess;

class QMAccountManager : public QMAccountDataSource
{
public:
    // The manager of the shared keychain access.
    QMAccountManager();
    // A manager over another keychain access, which must outlive it (tests).
    explicit QMAccountManager(QMKeychainAccess& keychain);

    static std::shared_ptr<QMAccountManager> sharedQMAccountManager();
    static void installAsModelSource(const std::shared_ptr<QMAccountManager>& manager);

    QString defaultAccountID() const override;
    QString defaultAccountToken() const;

    // Token, account ID and name must not be null (DW_ASSERT). True when the new item was stored.
    bool insertToken(const QString& token, const QString& accountID, const QString& accountName, QString* error);
    bool insertToken(const QString& token, const QString& accountID, const QString& accountName,
                     const QString& keychainDescription, QString* error);
    void removeAccountWithAccountID(const QString& accountID);
    void removeAllAccountWithAccountName(const QString& accountName, const QString& description);

    // One map per account ("token", "name", "modDate", "accountID"), the oldest first; empty
    // when the keychain cannot be read.
    QList<QVariantMap> accountDescriptions() const;
    // Only sandbox accounts ("sandbox…", "TESTUSER_…") in sandbox mode, only the others otherwise.
    QList<QVariantMap> activeAccountDescriptions() const;
    QVariantMap accountDescriptionForAccountID(const QString& accountID) const;
    QString tokenForAccountID(const QString& accountID) const override;
    QString nameForAccountID(const QString& accountID) const;
    QDateTime tokenDownloadDateForAccountID(const QString& accountID) const;
    QString tokenForAccountName(const QString& accountName) const;
    bool setToken(const QString& token, const QString& accountID, QString* error);
    bool setName(const QString& name, const QString& accountID, QString* error);
    bool hasAccount() const;
    bool hasAccountWithAccountID(const QString& accountID) const;
    bool hasAccountWithName(const QString& accountName) const;
    QStringList accountIDs() const;

    QStringList paypalAdresses() const;
    void setPayPalAddress(const QString& address, const QString& accountID);
    QString payPalAddressForAccountID(const QString& accountID) const override;
    void setSkypeID(const QString& skypeID, const QString& accountID);
    QString skypeIDForAccountID(const QString& accountID) const;
    // Null when the address has no item or its text is no dictionary.
    QVariantMap paypalAPICredentialsForPaypalEmail(const QString& email) const;
    void setPaypalAPICredentials(const QVariantMap& credentials, const QString& email);
    bool haveCompletePaypalCredentialsForAccountID(const QString& accountID) const;

    void updateKeychainItems();

    // Fills a pop-up with the item "Default" (representing "EventsDefaultAccountID"), a separator
    // and one item per account (its name, representing its ID), and selects "Default".
    // Operations/widgets, library operations_widgets; main thread.
    void updateAccountsPopup(QComboBox* popup) const;

private:
    QMKeychainAccess& m_keychain;
    mutable std::mutex m_listMutex;
};
