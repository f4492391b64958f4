#include "Operations/QMImageUploadAdapterManager.h"
#include "Operations/QMProxyManager.h"
#include "platform/keychain/Keychain.h"
#include "tests/support/TemporaryXdg.h"

#include <gio/gio.h>
#include <gtest/gtest.h>

namespace {

using dw::test::ScopedEnv;

class ProxySettingsTest : public ::testing::Test
{
protected:
    ~ProxySettingsTest() override
    {
        for (const auto& protocol : {QStringLiteral("htpx"), QStringLiteral("htsx")})
            dw::Keychain::removeInternetPassword(
                {QStringLiteral("proxy.example"), QStringLiteral("ann"), protocol, 8080, QString()});
    }

    void storeAccount(const char* protocol)
    {
        ASSERT_TRUE(dw::Keychain::setInternetPassword(
            {QStringLiteral("proxy.example"), QStringLiteral("ann"), QLatin1String(protocol), 8080, QString()},
            QStringLiteral("pr0xy-secret"), QStringLiteral("proxy")));
    }

    QMProxyManager& proxies() { return QMProxyManager::sharedProxyManager(); }

    // The desktop's setting lives in memory for this process, so no test touches the user's.
    ScopedEnv m_backend{"GSETTINGS_BACKEND", QByteArray("memory")};
    ScopedEnv m_http{"http_proxy", std::nullopt};
    ScopedEnv m_https{"https_proxy", std::nullopt};
    ScopedEnv m_httpsUpper{"HTTPS_PROXY", std::nullopt};
};

} // namespace

TEST_F(ProxySettingsTest, TheEnvironmentsProxyComesWithItsKeychainAccountOnlyWhenStored)
{
    ScopedEnv http("http_proxy", QByteArray("http://proxy.example:8080/"));
    const QVariantMap plain = proxies().getHTTPProxySettingsForHTTPS(false);
    EXPECT_EQ(plain, (QVariantMap{{"protocol", "http"}, {"host", "proxy.example"}, {"port", 8080}}));

    storeAccount("htpx");
    const QVariantMap withAccount = proxies().getHTTPProxySettingsForProtocol(QStringLiteral("HTTPS"));
    EXPECT_EQ(withAccount.value("name"), "ann");
    EXPECT_EQ(withAccount.value("password"), "pr0xy-secret");
    EXPECT_TRUE(proxies().getHTTPProxySettingsForProtocol(QStringLiteral("https")).isEmpty());

    const QString description = proxies().description();
    EXPECT_TRUE(description.contains(QStringLiteral("http://proxy.example:8080\nusername: ann")));
    EXPECT_FALSE(description.contains(QStringLiteral("pr0xy-secret")));

    const QVariantMap info = QMImageUploadAdapterManager::proxyInfoForHTTPS(false);
    EXPECT_EQ(info.value("serverURL"), "http://proxy.example:8080");
}

TEST_F(ProxySettingsTest, AProxyWithoutPortOrHostIsNone)
{
    ScopedEnv https("https_proxy", QByteArray("http://proxy.example"));
    EXPECT_TRUE(proxies().getHTTPProxySettingsForHTTPS(true).isEmpty());
    EXPECT_TRUE(proxies().getHTTPProxySettingsForHTTPS(false).isEmpty());
    EXPECT_FALSE(QMImageUploadAdapterManager::proxyInfoForHTTPS(true).contains("serverURL"));
}

TEST_F(ProxySettingsTest, TheDesktopsManualProxyIsReadWhenTheEnvironmentNamesNone)
{
    GSettingsSchemaSource* source = g_settings_schema_source_get_default();
    GSettingsSchema* schema =
        source ? g_settings_schema_source_lookup(source, "org.gnome.system.proxy", TRUE) : nullptr;
    if (!schema)
        GTEST_SKIP() << "the desktop's proxy schema is not installed";
    g_settings_schema_unref(schema);
    GSettings* settings = g_settings_new("org.gnome.system.proxy");
    GSettings* https = g_settings_get_child(settings, "https");
    g_settings_set_string(https, "host", "proxy.example");
    g_settings_set_int(https, "port", 8080);
    g_settings_set_string(settings, "mode", "manual");
    storeAccount("htsx");

    const QVariantMap proxy = proxies().getHTTPProxySettingsForHTTPS(true);
    EXPECT_EQ(proxy, (QVariantMap{{"protocol", "https"},
                                  {"host", "proxy.example"},
                                  {"port", 8080},
                                  {"name", "ann"},
                                  {"password", "pr0xy-secret"}}));
    g_settings_set_string(settings, "mode", "none");
    EXPECT_TRUE(proxies().getHTTPProxySettingsForHTTPS(true).isEmpty());
    g_object_unref(https);
    g_object_unref(settings);
}
