#include "Operations/QMAccountManager.h"

#include "Operations/QMKeychainAccess.h"
#include "model/DWEbayPreferencesManager.h"
#include "platform/archive/PropertyList.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"
#include "platform/core/Localization.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/UserDefaults.h"

#include <atomic>

namespace {

QString tokenDescription()
{
    return QLatin1String(kQMKeychainTokenDescription);
}

QString payPalDescription()
{
    return QLatin1String(kQMKeychainPayPalCredentialsDescription);
}

QString perAccountKey(const char* prefix, const QString& accountID)
{
    return QLatin1String(prefix) + QLatin1Char('.') + accountID;
}

bool isSandboxAccountName(const QString& name)
{
    return name.startsWith(QLatin1String("sandbox")) || name.startsWith(QLatin1String("TESTUSER_"));
}

} // namespace

QMAccountManager::QMAccountManager() : m_keychain(QMKeychainAccess::sharedQMKeychainAccess()) {}

QMAccountManager::QMAccountManager(QMKeychainAccess& keychain) : m_keychain(keychain) {}

std::shared_ptr<QMAccountManager> QMAccountManager::sharedQMAccountManager()
{
    static const auto instance = std::make_shared<QMAccountManager>();
    return instance;
}

void QMAccountManager::installAsModelSource(const std::shared_ptr<QMAccountManager>& manager)
{
    QMAccountDataSource::install(manager);
}

QList<QVariantMap> QMAccountManager::accountDescriptions() const
{
    std::lock_guard lock(m_listMutex);
    QString error;
    const auto descriptions = m_keychain.allAccountDescriptionsWithDescription(tokenDescription(), &error);
    if (!descriptions) {
        dw::consoleWrite(dw::format("ERROR: -[QMAccountManager accountDescriptions]: %@", error));
        return {};
    }
    static std::atomic<bool> s_reportedNoAccounts = false;
    if (descriptions->isEmpty() && !s_reportedNoAccounts.exchange(true))
        dw::consoleWrite(
            QStringLiteral("-[QMAccountManager accountDescriptions]: no account descriptions from keychain"));
    return *descriptions;
}

QList<QVariantMap> QMAccountManager::activeAccountDescriptions() const
{
    const bool sandbox = DWEbayPreferencesManager::sharedInstance().isRunningInSandbox();
    QList<QVariantMap> active;
    for (const auto& account : accountDescriptions()) {
        if (isSandboxAccountName(account.value(QStringLiteral("name")).toString()) == sandbox)
            active.append(account);
    }
    return active;
}

QVariantMap QMAccountManager::accountDescriptionForAccountID(const QString& accountID) const
{
    for (const auto& account : accountDescriptions()) {
        if (account.value(QStringLiteral("accountID")).toString() == accountID)
            return account;
    }
    return {};
}

QString QMAccountManager::defaultAccountID() const
{
    auto& preferences = DWEbayPreferencesManager::sharedInstance();
    const QString stored = preferences.defaultAccountID();
    if (!stored.isEmpty() && !tokenForAccountID(stored).isEmpty())
        return stored;
    const auto accounts = accountDescriptions();
    if (accounts.isEmpty())
        return {};
    const QString first = accounts.first().value(QStringLiteral("accountID")).toString();
    if (!first.isEmpty())
        preferences.setDefaultAccountID(first);
    return first.isEmpty() ? QString() : first;
}

QString QMAccountManager::defaultAccountToken() const
{
    const QString accountID = defaultAccountID();
    return accountID.isNull() ? QString() : tokenForAccountID(accountID);
}

bool QMAccountManager::insertToken(const QString& token, const QString& accountID, const QString& accountName,
                                   QString* error)
{
    return insertToken(token, accountID, accountName, tokenDescription(), error);
}

bool QMAccountManager::insertToken(const QString& token, const QString& accountID, const QString& accountName,
                                   const QString& keychainDescription, QString* error)
{
    DW_ASSERT(!token.isNull(), "Invalid parameter not satisfying: nil != inToken");
    DW_ASSERT(!accountID.isNull(), "Invalid parameter not satisfying: nil != inAccountID");
    DW_ASSERT(!accountName.isNull(), "Invalid parameter not satisfying: nil != inAccountName");

    // The items the new one replaces: those of the account ID when it has a token, else those of
    // an account authorised again under the same name with a new ID. They are collected first and
    // deleted only once the new item is stored, so a failed store loses no token.
    std::vector<dw::Keychain::GenericItem> replaced;
    if (const auto sameID = m_keychain.itemsForAccountID(accountID, keychainDescription, nullptr);
        sameID && !sameID->empty() && !sameID->front().password().isEmpty()) {
        replaced = *sameID;
    } else if (const auto all = m_keychain.itemsWithDescription(keychainDescription, nullptr)) {
        for (const auto& item : *all) {
            const QString name = item.attribute(QStringLiteral("account"));
            if ((name.isEmpty() ? dw::localized("Untitled Account") : name) == accountName)
                replaced.push_back(item);
        }
    }

    QString createError;
    const bool stored = m_keychain.createNewGenericPasswordItemForAccountName(accountName, accountID,
                                                                              keychainDescription, token, &createError);
    if (stored) {
        QString removeError;
        if (!m_keychain.removeItems(replaced, &removeError))
            dw::consoleWrite(dw::format("ERROR in removeAccountWithAccountID: %@", removeError));
    }
    if (error)
        *error = stored ? QString() : createError;
    QVariantMap userInfo;
    if (!stored)
        userInfo.insert(QStringLiteral("error"), createError);
    dw::NotificationCenter::defaultCenter().post(QLatin1String(kQMAccountsChangedNotification),
                                                 dw::NotificationObject::of(this), userInfo);
    return stored;
}

void QMAccountManager::removeAccountWithAccountID(const QString& accountID)
{
    QString error;
    if (m_keychain.removeItemWithAccountID(accountID, tokenDescription(), &error))
        dw::NotificationCenter::defaultCenter().post(QLatin1String(kQMAccountsChangedNotification),
                                                     dw::NotificationObject::of(this));
    else
        dw::consoleWrite(dw::format("ERROR in removeAccountWithAccountID: %@", error));
}

void QMAccountManager::removeAllAccountWithAccountName(const QString& accountName, const QString& description)
{
    QString error;
    const auto items = m_keychain.itemsWithDescription(description, &error);
    if (!items) {
        dw::consoleWrite(dw::format("ERROR in removeAccountWithAccountName:description: %@", error));
        return;
    }
    for (const auto& item : *items) {
        const QString name = item.attribute(QStringLiteral("account"));
        if ((name.isEmpty() ? dw::localized("Untitled Account") : name) != accountName)
            continue;
        if (!m_keychain.removeItems({item}, &error))
            dw::consoleWrite(dw::format("ERROR in removeAccountWithAccountID: %@", error));
    }
}

QString QMAccountManager::tokenForAccountID(const QString& accountID) const
{
    return accountDescriptionForAccountID(accountID).value(QStringLiteral("token")).toString();
}

QString QMAccountManager::nameForAccountID(const QString& accountID) const
{
    return accountDescriptionForAccountID(accountID).value(QStringLiteral("name")).toString();
}

QDateTime QMAccountManager::tokenDownloadDateForAccountID(const QString& accountID) const
{
    return accountDescriptionForAccountID(accountID).value(QStringLiteral("modDate")).toDateTime();
}

QString QMAccountManager::tokenForAccountName(const QString& accountName) const
{
    for (const auto& account : accountDescriptions()) {
        if (account.value(QStringLiteral("name")).toString() == accountName)
            return account.value(QStringLiteral("token")).toString();
    }
    return {};
}

bool QMAccountManager::setToken(const QString& token, const QString& accountID, QString* error)
{
    return m_keychain.changePassword(token, accountID, tokenDescription(), error);
}

bool QMAccountManager::setName(const QString& name, const QString& accountID, QString* error)
{
    return m_keychain.changeAccountName(name, accountID, tokenDescription(), error);
}

bool QMAccountManager::hasAccount() const
{
    return !accountDescriptions().isEmpty();
}

bool QMAccountManager::hasAccountWithAccountID(const QString& accountID) const
{
    return !accountDescriptionForAccountID(accountID).isEmpty();
}

bool QMAccountManager::hasAccountWithName(const QString& accountName) const
{
    for (const auto& account : accountDescriptions()) {
        if (account.value(QStringLiteral("name")).toString() == accountName)
            return true;
    }
    return false;
}

QStringList QMAccountManager::accountIDs() const
{
    QStringList ids;
    for (const auto& account : accountDescriptions()) {
        if (account.contains(QStringLiteral("accountID")))
            ids.append(account.value(QStringLiteral("accountID")).toString());
    }
    return ids;
}

QStringList QMAccountManager::paypalAdresses() const
{
    QStringList addresses;
    for (const QString& accountID : accountIDs()) {
        const QString address = payPalAddressForAccountID(accountID);
        if (!address.isEmpty())
            addresses.append(address);
    }
    return addresses;
}

void QMAccountManager::setPayPalAddress(const QString& address, const QString& accountID)
{
    dw::UserDefaults::standard().setObject(address, perAccountKey("PayPalEmailAddressPrefix", accountID));
}

QString QMAccountManager::payPalAddressForAccountID(const QString& accountID) const
{
    return dw::UserDefaults::standard().stringForKey(perAccountKey("PayPalEmailAddressPrefix", accountID));
}

void QMAccountManager::setSkypeID(const QString& skypeID, const QString& accountID)
{
    dw::UserDefaults::standard().setObject(skypeID, perAccountKey("SkypeIDPrefix", accountID));
}

QString QMAccountManager::skypeIDForAccountID(const QString& accountID) const
{
    return dw::UserDefaults::standard().stringForKey(perAccountKey("SkypeIDPrefix", accountID));
}

QVariantMap QMAccountManager::paypalAPICredentialsForPaypalEmail(const QString& email) const
{
    QString error;
    const QString text = m_keychain.passwordForItemWithAccountID(email, payPalDescription(), &error);
    if (text.isNull())
        return {};
    const auto credentials = dw::plist::read(text.toUtf8(), &error);
    if (!credentials || credentials->typeId() != QMetaType::QVariantMap) {
        dw::consoleWrite(dw::format("ERROR in paypalAPICredentialsForPaypalEmail: %@", error));
        return {};
    }
    return credentials->toMap();
}

void QMAccountManager::setPaypalAPICredentials(const QVariantMap& credentials, const QString& email)
{
    const QString text = QString::fromUtf8(dw::plist::write(credentials, dw::plist::Format::Xml));
    QString error;
    if (m_keychain.changePassword(text, email, payPalDescription(), &error))
        return;
    if (!m_keychain.createNewGenericPasswordItemForAccountName(email, email, payPalDescription(), text, &error))
        dw::consoleWrite(dw::format("ERROR in setPaypalAPICredentials:forPaypalEmail: %@", error));
}

bool QMAccountManager::haveCompletePaypalCredentialsForAccountID(const QString& accountID) const
{
    const QString address = payPalAddressForAccountID(accountID);
    if (address.isEmpty())
        return false;
    const QVariantMap credentials = paypalAPICredentialsForPaypalEmail(address);
    for (const char* key : {"username", "password", "signature"}) {
        if (credentials.value(QLatin1String(key)).toString().isEmpty())
            return false;
    }
    return true;
}

void QMAccountManager::updateKeychainItems()
{
    QString error;
    if (!m_keychain.updateKeychainItemsWithDescription(tokenDescription(), &error))
        dw::consoleWrite(dw::format("ERROR: -[QMAccountManager updateKeychainItems]: %@", error));
}
