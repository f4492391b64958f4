#pragma once
// The proxy of the picture-server connection: host and port from the environment ("https_proxy",
// "http_proxy", upper case too) or else from the desktop's manual proxy setting, and the proxy's
// account from the keychain (an internet password of protocol "htsx" for an HTTPS proxy, "htpx"
// for an HTTP proxy, on that host and port).
//
//     const QVariantMap proxy = QMProxyManager::sharedProxyManager().getHTTPProxySettingsForHTTPS(true);
//     if (!proxy.isEmpty())
//         request.proxy = ...;    // "protocol", "host", "port", and "name" and "password" when stored
//
// No state; any thread (the keychain lookup may block on D-Bus). The password never reaches a
// log line or description().

#include <QString>
#include <QVariantMap>

class QMProxyManager
{
public:
    static QMProxyManager& sharedProxyManager();

    // Empty when no such proxy is configured (or its host or port is missing).
    QVariantMap getHTTPProxySettingsForHTTPS(bool https) const;
    // "https" (exactly) selects the HTTPS setting, any other text the HTTP one.
    QVariantMap getHTTPProxySettingsForProtocol(const QString& protocol) const;
    // {"password", "name"}; empty when the keychain has no such item.
    QVariantMap passwordAndAccountNameForProxyserver(const QString& host, quint16 port, bool https) const;

    // Both settings for the console, with the account name but never its password.
    QString description() const;
};
