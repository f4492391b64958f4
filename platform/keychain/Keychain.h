#pragma once
// The user's keychain: passwords and tokens kept by the desktop's Secret Service (gnome-keyring,
// KWallet) through libsecret.
//
// Generic passwords are found by service and account (eBay tokens, the store's API
// credentials); internet passwords by server, account, protocol and port (FTP and WebDAV
// picture servers). Storing an item with the same key replaces it in one step: a failed store
// leaves the old password in place. Every call is synchronous and may block on D-Bus; call from
// any thread, never with a lock held that the main thread needs. Failures return false / nullopt
// with a reason that never contains the secret.
//
//     QString error;
//     if (!dw::Keychain::setGenericPassword("eBay", accountID, token, "Quillmart Vodar eBay Token", &error))
//         QMLogError("%@", error);
//     std::optional<QString> token = dw::Keychain::genericPassword("eBay", accountID);

#include <QString>
#include <optional>

namespace dw::Keychain {

std::optional<QString> genericPassword(const QString& service, const QString& account, QString* error = nullptr);
[[nodiscard]] bool setGenericPassword(const QString& service, const QString& account, const QString& password,
                                      const QString& label, QString* error = nullptr);
// True when the item is gone afterwards (also when there was none).
bool removeGenericPassword(const QString& service, const QString& account, QString* error = nullptr);

struct InternetKey
{
    QString server;
    QString account;
    QString protocol; // "ftp", "http", "https", "smb", ...
    int port = 0;     // 0: any
    QString path;
};

std::optional<QString> internetPassword(const InternetKey& key, QString* error = nullptr);
[[nodiscard]] bool setInternetPassword(const InternetKey& key, const QString& password, const QString& label,
                                       QString* error = nullptr);
bool removeInternetPassword(const InternetKey& key, QString* error = nullptr);

// The first internet-password item for server, protocol and port, whatever its account: the
// account name and the password (both as stored). nullopt when there is none or it cannot be read.
struct InternetCredentials
{
    QString account;
    QString password;
};
std::optional<InternetCredentials> internetCredentials(const QString& server, const QString& protocol, int port,
                                                       QString* error = nullptr);

} // namespace dw::Keychain
