#include "Operations/QMKeychainAccess.h"

#include "platform/core/Localization.h"

#include <QDateTime>
#include <QUuid>
#include <algorithm>
#include <utility>

using dw::Keychain::GenericItem;
using dw::Keychain::ItemAttributes;
using dw::Keychain::KeychainFailure;

namespace {

struct ResultCodeText
{
    int code;
    const char* text;
};

// The keychain's result codes, as the program has always worded them.
constexpr ResultCodeText kResultCodeTexts[] = {
    {-25319, "The preference domain specified is invalid."},
    {-25318, "The attempt to create a certificate chain failed."},
    {-25317, "The data is not modifiable."},
    {-25316, "The data is not available."},
    {-25315, "User interaction is required."},
    {-25314, "There is no policy module available."},
    {-25313, "There is no certificate module available."},
    {-25312, "There is no storage module available."},
    {-25311, "The key size is not allowed."},
    {-25310, "The version is incorrect."},
    {-25309, "The attribute is read-only."},
    {-25308, "Interaction with the security server is not allowed."},
    {-25307, "A default keychain does not exist."},
    {-25306, "The keychain item class does not exist."},
    {-25305, "The search reference is invalid."},
    {-25304, "The item reference is invalid."},
    {-25303, "The attribute does not exist."},
    {-25302, "The data is too large for this particular data type."},
    {-25301, "The buffer is too small."},
    {-25300, "The item cannot be found."},
    {-25299, "The item already exists."},
    {-25298, "The callback is not valid."},
    {-25297, "More than one callback of the same name exists."},
    {-25296, "A keychain with the same name already exists."},
    {-25295, "The keychain is not valid."},
    {-25294, "The keychain does not exist."},
    {-25293, "Authorization/authentication failed."},
    {-25292, "Read-only error"},
    {-25291, "No trust results are available."},
    {-25264, "MAC verification failed during PKCS12 import."},
    {-25263, "No trust settings were found."},
    {-25262, "The trust settings are invalid."},
    {-25261, "The password reference was invalid."},
    {-25260, "Passphrase is required for import/export."},
    {-25259, "An attempt was made to import multiple private keys."},
    {-25258, "Key material must be wrapped for export."},
    {-25257, "Unknown format in import."},
    {-25256, "Import/export format unsupported."},
    {-25245, "No trust results are available."},
    {-25244, "An invalid attempt to change the owner of an item."},
    {-25243, "The specified item has no access control."},
    {-25242, "The trust setting is invalid."},
    {-25241, "The policy specified cannot be found."},
    {-25240, "The access control list is not in standard simple form."},
};

constexpr int kItemNotFound = -25300;

ItemAttributes attributesOf(const GenericItem& item)
{
    ItemAttributes attributes;
    for (const char* name : {"service", "account", "generic", "description"}) {
        const QString value = item.attribute(QLatin1String(name));
        if (!value.isEmpty())
            attributes.insert(QLatin1String(name), value);
    }
    return attributes;
}

} // namespace

QMKeychainAccess& QMKeychainAccess::sharedQMKeychainAccess()
{
    static QMKeychainAccess instance;
    return instance;
}

QString QMKeychainAccess::localizedErrorForKeychainServicesResultCode(int code)
{
    QString text = dw::localized("Unknown Keychain Access Error");
    for (const auto& entry : kResultCodeTexts) {
        if (entry.code == code) {
            text = dw::localized(entry.text);
            break;
        }
    }
    return dw::localized("Error while accessing the Keychain: %@").replace(QLatin1String("%@"), text);
}

int QMKeychainAccess::resultCodeForFailure(const KeychainFailure& failure)
{
    switch (failure.kind) {
    case KeychainFailure::NotFound:
        return kItemNotFound;
    case KeychainFailure::Locked:
        return -25308;
    case KeychainFailure::NoDefaultKeychain:
        return -25307;
    case KeychainFailure::None:
        return 0;
    case KeychainFailure::Other:
        break;
    }
    return -1;
}

bool QMKeychainAccess::report(const KeychainFailure& failure, QString* error) const
{
    if (error)
        *error = localizedErrorForKeychainServicesResultCode(resultCodeForFailure(failure));
    return false;
}

void QMKeychainAccess::clearCache()
{
    std::lock_guard lock(m_cacheMutex);
    m_cachedAccountDescriptions.reset();
}

bool QMKeychainAccess::canAccessDefaultKeychainWithOutError(QString* error)
{
    if (error)
        error->clear();
    KeychainFailure failure;
    if (dw::Keychain::canAccessDefaultCollection(&failure))
        return true;
    if (error)
        *error = dw::localized("Could not read and write to the default keychain.");
    return false;
}

bool QMKeychainAccess::createNewGenericPasswordItemForAccountName(const QString& accountName, const QString& accountID,
                                                                  const QString& description, const QString& password,
                                                                  QString* error)
{
    if (error)
        error->clear();
    const ItemAttributes attributes{{QStringLiteral("account"), accountName},
                                    {QStringLiteral("generic"), accountID},
                                    {QStringLiteral("description"), description},
                                    {QStringLiteral("service"), description}};
    KeychainFailure failure;
    const bool created = dw::Keychain::createGenericItem(attributes, accountName, password, &failure);
    clearCache();
    return created || report(failure, error);
}

std::optional<std::vector<GenericItem>> QMKeychainAccess::itemsForAccountID(const QString& accountID,
                                                                            const QString& description, QString* error)
{
    if (error)
        error->clear();
    KeychainFailure failure;
    auto items = dw::Keychain::findGenericItems(
        {{QStringLiteral("generic"), accountID}, {QStringLiteral("description"), description}}, &failure);
    if (!items)
        report(failure, error);
    return items;
}

std::optional<std::vector<GenericItem>> QMKeychainAccess::itemsWithDescription(const QString& description,
                                                                               QString* error)
{
    if (error)
        error->clear();
    KeychainFailure failure;
    auto items = dw::Keychain::findGenericItems({{QStringLiteral("description"), description}}, &failure);
    if (!items)
        report(failure, error);
    return items;
}

std::optional<GenericItem> QMKeychainAccess::getItemForAccountID(const QString& accountID, const QString& description,
                                                                 QString* error)
{
    const auto items = itemsForAccountID(accountID, description, error);
    if (!items)
        return std::nullopt;
    if (items->empty()) {
        report({KeychainFailure::NotFound, {}}, error);
        return std::nullopt;
    }
    return items->front();
}

bool QMKeychainAccess::changePassword(const QString& password, const QString& accountID, const QString& description,
                                      QString* error)
{
    const auto item = getItemForAccountID(accountID, description, error);
    if (!item)
        return false;
    KeychainFailure failure;
    const bool changed = dw::Keychain::setGenericItemPassword(*item, password, &failure);
    clearCache();
    return changed || report(failure, error);
}

bool QMKeychainAccess::changeAccountName(const QString& accountName, const QString& accountID,
                                         const QString& description, QString* error)
{
    const auto item = getItemForAccountID(accountID, description, error);
    if (!item)
        return false;
    ItemAttributes attributes = attributesOf(*item);
    attributes.insert(QStringLiteral("account"), accountName);
    KeychainFailure failure;
    const bool changed = dw::Keychain::setGenericItemAttributes(*item, attributes, accountName, &failure);
    clearCache();
    return changed || report(failure, error);
}

bool QMKeychainAccess::updateKeychainItemsWithDescription(const QString& description, QString* error)
{
    const auto items = itemsWithDescription(description, error);
    if (!items)
        return false;
    for (const auto& item : *items) {
        if (!item.attribute(QStringLiteral("generic")).isEmpty())
            continue;
        ItemAttributes attributes = attributesOf(item);
        attributes.insert(QStringLiteral("generic"), QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper());
        KeychainFailure failure;
        // One item that cannot be changed must not keep the others from their ID.
        (void)dw::Keychain::setGenericItemAttributes(item, attributes, QString(), &failure);
    }
    clearCache();
    return true;
}

QString QMKeychainAccess::passwordForItemWithAccountID(const QString& accountID, const QString& description,
                                                       QString* error)
{
    const auto item = getItemForAccountID(accountID, description, error);
    return item ? item->password() : QString();
}

std::optional<QStringList> QMKeychainAccess::allPasswordsWithDescription(const QString& description, QString* error)
{
    const auto items = itemsWithDescription(description, error);
    if (!items)
        return std::nullopt;
    QStringList passwords;
    for (const auto& item : *items) {
        if (!item.password().isEmpty())
            passwords.append(item.password());
    }
    return passwords;
}

std::optional<QList<QVariantMap>> QMKeychainAccess::allAccountDescriptionsWithDescription(const QString& description,
                                                                                          QString* error)
{
    if (error)
        error->clear();
    {
        std::lock_guard lock(m_cacheMutex);
        if (m_cachedAccountDescriptions)
            return *m_cachedAccountDescriptions;
    }
    const auto items = itemsWithDescription(description, error);
    if (!items)
        return std::nullopt;
    auto descriptions = std::make_shared<QList<QVariantMap>>();
    for (const auto& item : *items) {
        // An item that cannot be read, or carries no token, is no account.
        if (item.password().isEmpty())
            continue;
        QVariantMap account;
        account.insert(QStringLiteral("token"), item.password());
        const QString name = item.attribute(QStringLiteral("account"));
        account.insert(QStringLiteral("name"), name.isEmpty() ? dw::localized("Untitled Account") : name);
        const QDateTime created = item.creationDate();
        account.insert(QStringLiteral("modDate"), created.isValid() ? created : QDateTime::currentDateTimeUtc());
        const QString accountID = item.attribute(QStringLiteral("generic"));
        if (!accountID.isEmpty())
            account.insert(QStringLiteral("accountID"), accountID);
        descriptions->append(account);
    }
    // The Secret Service hands items out in no lasting order; the oldest account comes first, so
    // that the default account and the account menus stay the same from one start to the next.
    std::stable_sort(descriptions->begin(), descriptions->end(), [](const QVariantMap& a, const QVariantMap& b) {
        const auto dateA = a.value(QStringLiteral("modDate")).toDateTime();
        const auto dateB = b.value(QStringLiteral("modDate")).toDateTime();
        if (dateA != dateB)
            return dateA < dateB;
        return a.value(QStringLiteral("name")).toString() < b.value(QStringLiteral("name")).toString();
    });
    std::lock_guard lock(m_cacheMutex);
    m_cachedAccountDescriptions = descriptions;
    return *descriptions;
}

bool QMKeychainAccess::removeItemWithAccountID(const QString& accountID, const QString& description, QString* error)
{
    const auto item = getItemForAccountID(accountID, description, error);
    if (!item)
        return false;
    return removeItems({*item}, error);
}

bool QMKeychainAccess::removeItems(const std::vector<GenericItem>& items, QString* error)
{
    if (error)
        error->clear();
    bool removedAll = true;
    for (const auto& item : items) {
        KeychainFailure failure;
        if (!dw::Keychain::deleteGenericItem(item, &failure) && removedAll)
            removedAll = report(failure, error);
    }
    clearCache();
    return removedAll;
}
