#pragma once
// Generic-password items of the keychain handled one by one: found by any of their attributes,
// created beside items with equal attributes, given a new password, new attributes or a new
// label, and deleted, each through the handle a search gave.
//
// The plain calls of Keychain.h keep one item per key and replace it; these calls serve records
// that the caller keys itself (the eBay accounts), where an item must be replaced only once its
// successor is stored. Items carry the attributes "service", "account", "generic" and
// "description"; a search matches every attribute given and ignores the others.
//
// Every call is synchronous and may block on D-Bus; call from any thread, never with a lock held
// that the main thread needs. Failures return false / nullopt and fill a KeychainFailure whose
// message never contains a secret.
//
//     dw::Keychain::KeychainFailure failure;
//     auto items = dw::Keychain::findGenericItems({{"description", "Tokens"}}, &failure);
//     if (items && !items->empty())
//         dw::Keychain::deleteGenericItem(items->front(), &failure);

#include <QDateTime>
#include <QMap>
#include <QString>
#include <memory>
#include <optional>
#include <vector>

namespace dw::Keychain {

struct KeychainFailure
{
    enum Kind {
        None,
        NotFound,          // the item (or the collection) is gone
        Locked,            // the keyring stayed locked
        NoDefaultKeychain, // the Secret Service has no default collection
        Other,
    };
    Kind kind = None;
    QString message;
};

using ItemAttributes = QMap<QString, QString>;

// One item as a search found it; its values are those of the moment of the search.
class GenericItem
{
public:
    GenericItem();
    ~GenericItem();
    GenericItem(const GenericItem&);
    GenericItem& operator=(const GenericItem&);

    // The attribute's text; empty when the item lacks it.
    QString attribute(const QString& name) const;
    QString label() const;
    // Invalid when the keyring does not say.
    QDateTime creationDate() const;
    // Null when the secret could not be read.
    QString password() const;

    struct Private;

private:
    friend struct GenericItemAccess;
    std::shared_ptr<Private> d;
};

// The items whose attributes include all those given, in the keyring's order, with their
// passwords read (the keyring is unlocked when needed).
std::optional<std::vector<GenericItem>> findGenericItems(const ItemAttributes& match, KeychainFailure* failure);
// A new item in the default collection, also when items with equal attributes exist.
[[nodiscard]] bool createGenericItem(const ItemAttributes& attributes, const QString& label, const QString& password,
                                     KeychainFailure* failure);
[[nodiscard]] bool setGenericItemPassword(const GenericItem& item, const QString& password, KeychainFailure* failure);
// Replaces all attributes of the item and, when label is not null, its label.
[[nodiscard]] bool setGenericItemAttributes(const GenericItem& item, const ItemAttributes& attributes,
                                            const QString& label, KeychainFailure* failure);
[[nodiscard]] bool deleteGenericItem(const GenericItem& item, KeychainFailure* failure);
// The default collection exists and is unlocked (unlocking it when needed).
[[nodiscard]] bool canAccessDefaultCollection(KeychainFailure* failure);

} // namespace dw::Keychain
