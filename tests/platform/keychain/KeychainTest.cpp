#include "platform/keychain/Keychain.h"

#include <QUuid>
#include <gtest/gtest.h>

namespace {

// Each run uses its own service name so that runs never see each other's items.
QString uniqueService()
{
    return QStringLiteral("qv-test-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
}

TEST(Keychain, GenericPasswordStoreReplaceRemove)
{
    const QString service = uniqueService();
    QString error;
    EXPECT_FALSE(dw::Keychain::genericPassword(service, QStringLiteral("seller"), &error));

    ASSERT_TRUE(dw::Keychain::setGenericPassword(service, QStringLiteral("seller"), QStringLiteral("token-1"),
                                                 QStringLiteral("Quillmart Vodar eBay Token"), &error))
        << error.toStdString();
    ASSERT_TRUE(dw::Keychain::setGenericPassword(service, QStringLiteral("seller"), QStringLiteral("tökén-2"),
                                                 QStringLiteral("Quillmart Vodar eBay Token"), &error));
    ASSERT_TRUE(dw::Keychain::setGenericPassword(service, QStringLiteral("other"), QStringLiteral("x"),
                                                 QStringLiteral("Quillmart Vodar eBay Token"), &error));
    EXPECT_EQ(dw::Keychain::genericPassword(service, QStringLiteral("seller")), QStringLiteral("tökén-2"));

    EXPECT_TRUE(dw::Keychain::removeGenericPassword(service, QStringLiteral("seller"), &error));
    EXPECT_FALSE(dw::Keychain::genericPassword(service, QStringLiteral("seller")));
    EXPECT_EQ(dw::Keychain::genericPassword(service, QStringLiteral("other")), QStringLiteral("x"));
    EXPECT_TRUE(dw::Keychain::removeGenericPassword(service, QStringLiteral("other")));
}

TEST(Keychain, InternetPasswordsAreKeyedByServerAccountProtocolAndPort)
{
    const dw::Keychain::InternetKey ftp{uniqueService(), QStringLiteral("user"), QStringLiteral("ftp"), 21, {}};
    dw::Keychain::InternetKey webdav = ftp;
    webdav.protocol = QStringLiteral("https");
    webdav.port = 443;
    QString error;
    ASSERT_TRUE(dw::Keychain::setInternetPassword(ftp, QStringLiteral("ftp-secret"), QStringLiteral("FTP"), &error))
        << error.toStdString();
    ASSERT_TRUE(dw::Keychain::setInternetPassword(webdav, QStringLiteral("dav-secret"), QStringLiteral("DAV"), &error));
    EXPECT_EQ(dw::Keychain::internetPassword(ftp), QStringLiteral("ftp-secret"));
    EXPECT_EQ(dw::Keychain::internetPassword(webdav), QStringLiteral("dav-secret"));
    EXPECT_TRUE(dw::Keychain::removeInternetPassword(ftp));
    EXPECT_TRUE(dw::Keychain::removeInternetPassword(webdav));
    EXPECT_FALSE(dw::Keychain::internetPassword(webdav));
}

} // namespace
