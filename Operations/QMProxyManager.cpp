#include "Operations/QMProxyManager.h"

#include "platform/core/DWFormat.h"
#include "platform/keychain/Keychain.h"

#include <QUrl>
#include <gio/gio.h>
#include <optional>

namespace {

struct ProxyAddress
{
    QString host;
    int port = 0;
};

// The environment's proxy for the protocol. "HTTP_PROXY" is not read: a CGI program would get it
// from a request's "Proxy:" header.
std::optional<ProxyAddress> environmentProxy(bool https)
{
    QByteArray value = qgetenv(https ? "https_proxy" : "http_proxy");
    if (value.isEmpty() && https)
        value = qgetenv("HTTPS_PROXY");
    if (value.isEmpty())
        return std::nullopt;
    QString text = QString::fromLocal8Bit(value).trimmed();
    if (!text.contains(QLatin1String("://")))
        text.prepend(QLatin1String("http://"));
    const QUrl url(text);
    return ProxyAddress{url.host(), url.port(0)};
}

// The desktop's manual proxy setting, when the desktop has one.
std::optional<ProxyAddress> desktopProxy(bool https)
{
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    if (!source)
        return std::nullopt;
    GSettingsSchema* schema = g_settings_schema_source_lookup(source, "org.gnome.system.proxy", TRUE);
    if (!schema)
        return std::nullopt;
    g_settings_schema_unref(schema);
    GSettings* settings = g_settings_new("org.gnome.system.proxy");
    gchar* mode = g_settings_get_string(settings, "mode");
    const bool manual = mode && qstrcmp(mode, "manual") == 0;
    g_free(mode);
    std::optional<ProxyAddress> result;
    if (manual) {
        GSettings* child = g_settings_get_child(settings, https ? "https" : "http");
        gchar* host = g_settings_get_string(child, "host");
        result = ProxyAddress{QString::fromUtf8(host), g_settings_get_int(child, "port")};
        g_free(host);
        g_object_unref(child);
    }
    g_object_unref(settings);
    return result;
}

} // namespace

QMProxyManager& QMProxyManager::sharedProxyManager()
{
    static QMProxyManager manager;
    return manager;
}

QVariantMap QMProxyManager::getHTTPProxySettingsForHTTPS(bool https) const
{
    std::optional<ProxyAddress> proxy = environmentProxy(https);
    if (!proxy)
        proxy = desktopProxy(https);
    if (!proxy || proxy->host.isEmpty() || proxy->port <= 0 || proxy->port > 65535)
        return {};
    QVariantMap settings{{QStringLiteral("protocol"), https ? QStringLiteral("https") : QStringLiteral("http")},
                         {QStringLiteral("host"), proxy->host},
                         {QStringLiteral("port"), qlonglong(proxy->port)}};
    const QVariantMap credentials = passwordAndAccountNameForProxyserver(proxy->host, quint16(proxy->port), https);
    if (!credentials.isEmpty())
        settings.insert(credentials);
    return settings;
}

QVariantMap QMProxyManager::getHTTPProxySettingsForProtocol(const QString& protocol) const
{
    return getHTTPProxySettingsForHTTPS(protocol == QLatin1String("https"));
}

QVariantMap QMProxyManager::passwordAndAccountNameForProxyserver(const QString& host, quint16 port, bool https) const
{
    const auto credentials =
        dw::Keychain::internetCredentials(host, https ? QStringLiteral("htsx") : QStringLiteral("htpx"), port);
    if (!credentials)
        return {};
    return {{QStringLiteral("password"), credentials->password}, {QStringLiteral("name"), credentials->account}};
}

QString QMProxyManager::description() const
{
    QString text = QStringLiteral("Proxy Settings:\n");
    const auto account = [&](const QVariantMap& settings) {
        if (settings.contains(QStringLiteral("name")) && settings.contains(QStringLiteral("password")))
            text += dw::format("username: %@ password: %@\n", settings.value(QStringLiteral("name")).toString(),
                               QStringLiteral("********"));
    };
    const QVariantMap https = getHTTPProxySettingsForHTTPS(true);
    text += dw::format("https://%@:%ld\n", https.value(QStringLiteral("host")).toString(),
                       https.value(QStringLiteral("port")).toLongLong());
    account(https);
    const QVariantMap http = getHTTPProxySettingsForHTTPS(false);
    text += dw::format("%@://%@:%ld\n", http.value(QStringLiteral("protocol")).toString(),
                       http.value(QStringLiteral("host")).toString(), http.value(QStringLiteral("port")).toLongLong());
    account(http);
    return text;
}
