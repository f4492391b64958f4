#pragma once
// The keychain items of the application: one generic-password item per eBay account (the token
// as password, the account name and ID as attributes) and one per PayPal address (its API
// credentials). Items are found by account ID plus description, and listed by description.
//
// Every call with an error out-parameter clears it first and, on failure, sets it to a user text
// ("Error while accessing the Keychain: …"); results are false, null or nullopt then. Nothing here
// raises. The calls block on D-Bus: any thread, never with a lock held that the main thread needs.
// The last account list is cached until an item is created, changed or deleted through this
// object; the cache is replaced as a whole under a short lock.
//
//     QString error;
//     auto& keychain = QMKeychainAccess::sharedQMKeychainAccess();
//     if (!keychain.createNewGenericPasswordItemForAccountName(name, id, kQMKeychainTokenDescription, token, &error))
//         showKeychainError(error);

#include "platform/keychain/KeychainItems.h"

#include <QList>
#include <QStringList>
#include <QVariantMap>
#include <memory>
#include <mutex>
#include <optional>

inline constexpr const char* kQMKeychainTokenDescription = "Quillmart Vodar eBay Token";
inline constexpr const char* kQMKeychainPayPalCredentialsDescription = "Quillmart PayPal Credentials";

class QMKeychainAccess
{
public:
    static QMKeychainAccess& sharedQMKeychainAccess();
    static QMKeychainAccess& sharedInstance() { return sharedQMKeychainAccess(); }

    virtual ~QMKeychainAccess() = default;
    QMKeychainAccess(const QMKeychainAccess&) = delete;
    QMKeychainAccess& operator=(const QMKeychainAccess&) = delete;

    bool canAccessDefaultKeychainWithOutError(QString* error);
    virtual bool createNewGenericPasswordItemForAccountName(const QString& accountName, const QString& accountID,
                                                            const QString& description, const QString& password,
                                                            QString* error);
    bool changePassword(const QString& password, const QString& accountID, const QString& description, QString* error);
    bool changeAccountName(const QString& accountName, const QString& accountID, const QString& description,
                           QString* error);
    // Gives every item of the description that has no account ID a new UUID; true even when
    // single items fail.
    bool updateKeychainItemsWithDescription(const QString& description, QString* error);
    // The first item with that account ID and description.
    std::optional<dw::Keychain::GenericItem> getItemForAccountID(const QString& accountID, const QString& description,
                                                                 QString* error);
    // Every item with that account ID and description.
    std::optional<std::vector<dw::Keychain::GenericItem>> itemsForAccountID(const QString& accountID,
                                                                            const QString& description, QString* error);
    // Every item of the description.
    std::optional<std::vector<dw::Keychain::GenericItem>> itemsWithDescription(const QString& description,
                                                                               QString* error);
    // Null when there is no such item.
    QString passwordForItemWithAccountID(const QString& accountID, const QString& description, QString* error);
    std::optional<QStringList> allPasswordsWithDescription(const QString& description, QString* error);
    // One map per item with a password: "token", "name" ("Untitled Account" for an empty name),
    // "modDate" and, when the item has one, "accountID"; the oldest first (then by name).
    std::optional<QList<QVariantMap>> allAccountDescriptionsWithDescription(const QString& description, QString* error);
    bool removeItemWithAccountID(const QString& accountID, const QString& description, QString* error);
    // Deletes items a search gave; the first failure is reported and the rest are still tried.
    bool removeItems(const std::vector<dw::Keychain::GenericItem>& items, QString* error);

    // "Error while accessing the Keychain: %@" with the text of the code.
    static QString localizedErrorForKeychainServicesResultCode(int code);
    // The keychain result code that stands for a failure of the Secret Service.
    static int resultCodeForFailure(const dw::Keychain::KeychainFailure& failure);

    // Forgets the cached account list (tests; another process may have changed the keychain).
    void clearCache();

protected:
    // Tests make their own to inject failures; the program uses the shared one.
    QMKeychainAccess() = default;

private:
    bool report(const dw::Keychain::KeychainFailure& failure, QString* error) const;

    std::mutex m_cacheMutex;
    std::shared_ptr<const QList<QVariantMap>> m_cachedAccountDescriptions;
};
