#pragma once
// What the listing model asks of the eBay accounts, which live in the operations layer with their
// tokens in the keychain: the default account, an account's token and its PayPal address.
//
// The operations layer installs its account manager at start. Until then (tools, tests without
// one) no account is known: there is no default account, no token and no PayPal address.
// Main thread.
//
//     class QMAccountManager : public QMAccountDataSource { ... };
//     QMAccountDataSource::install(manager);

#include <QString>
#include <memory>

class QMAccountDataSource
{
public:
    virtual ~QMAccountDataSource() = default;

    // The default account when it has a token, else the first known account; null when none is known.
    virtual QString defaultAccountID() const = 0;
    // The account's eBay token; null when the account is unknown or has no token.
    virtual QString tokenForAccountID(const QString& accountID) const = 0;
    // The PayPal address of the account; null when none is set.
    virtual QString payPalAddressForAccountID(const QString& accountID) const = 0;

    // The installed source, or null.
    static std::shared_ptr<QMAccountDataSource> installed();
    // Null removes the source.
    static void install(std::shared_ptr<QMAccountDataSource> source);
};
