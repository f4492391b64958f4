#include "model/QMPreferencesManager.h"

#include "platform/keychain/Keychain.h"
#include "tests/support/ProcessRunner.h"
#include "tests/support/TemporaryXdg.h"

#include <QUuid>
#include <gtest/gtest.h>

namespace {

// Each run uses servers of its own, so that runs never see each other's items.
QString uniqueServer()
{
    return QStringLiteral("ftp-") + QUuid::createUuid().toString(QUuid::WithoutBraces) + QStringLiteral(".example");
}

// The number of keychain items with these attributes, as the desktop's own tool counts them.
int itemsWith(const QStringList& attributes)
{
    const auto run = dw::test::runProgram(QStringLiteral("secret-tool"),
                                          QStringList{QStringLiteral("search"), QStringLiteral("--all")} + attributes);
    const QByteArray said = QByteArray(run.output + run.errors);
    return int(said.count("\nlabel = ") + (said.startsWith("label = ") ? 1 : 0));
}

class Passwords : public ::testing::Test
{
protected:
    QMPreferencesManager& preferences() { return QMPreferencesManager::sharedInstance(); }
    dw::test::TemporaryXdg m_xdg;
};

} // namespace

TEST_F(Passwords, StoringAnFTPPasswordAgainReplacesTheItem)
{
    const QString server = uniqueServer();
    QString error;
    ASSERT_TRUE(preferences().setFTPPassword(QStringLiteral("first"), server, QStringLiteral("ann"), &error))
        << error.toStdString();
    ASSERT_TRUE(preferences().setFTPPassword(QStringLiteral("second"), server, QStringLiteral("ann"), &error));
    EXPECT_EQ(preferences().FTPPasswordForServer(server, QStringLiteral("ann")), QStringLiteral("second"));
    EXPECT_EQ(itemsWith({QStringLiteral("server"), server}), 1);

    EXPECT_EQ(preferences().FTPPasswordForServer(server, QStringLiteral("bob")), QStringLiteral(""));
    preferences().setFTPServerAddress(server);
    preferences().setFTPUserName(QStringLiteral("ann"));
    EXPECT_EQ(preferences().defaultFTPassword(), QStringLiteral("second"));
    preferences().setFTPUserName(QString());
    EXPECT_EQ(preferences().defaultFTPassword(), QStringLiteral(""));
    dw::Keychain::removeInternetPassword({server, QStringLiteral("ann"), QStringLiteral("ftp"), 0, {}});
}

TEST_F(Passwords, UserNamesKeepTheirFullUTF8Form)
{
    const QString server = uniqueServer();
    const QString name = QStringLiteral("Jürgen Ørsted-Ĳssel");
    ASSERT_TRUE(preferences().setFTPPassword(QStringLiteral("pässwörd"), server, name));
    EXPECT_EQ(preferences().FTPPasswordForServer(server, name), QStringLiteral("pässwörd"));
    EXPECT_EQ(preferences().FTPPasswordForServer(server, QStringLiteral("Jurgen Orsted-IJssel")), QStringLiteral(""));
    dw::Keychain::removeInternetPassword({server, name, QStringLiteral("ftp"), 0, {}});
}

TEST_F(Passwords, WebDAVPasswordsBelongToTheWholeAddressAndItsScheme)
{
    const QString host = uniqueServer();
    const QString secure = QStringLiteral("https://") + host + QStringLiteral("/pictures");
    const QString plain = QStringLiteral("http://") + host + QStringLiteral("/pictures");
    ASSERT_TRUE(preferences().setWebDAVPassword(QStringLiteral("tls"), secure, QStringLiteral("ann")));
    EXPECT_EQ(preferences().webDAVURL(), secure);
    EXPECT_EQ(preferences().webDAVUserName(), QStringLiteral("ann"));
    EXPECT_EQ(preferences().defaultWebDAVPassword(), QStringLiteral("tls"));
    EXPECT_EQ(preferences().webDAVPasswordForURL(plain, QStringLiteral("ann")), QStringLiteral(""));
    EXPECT_EQ(itemsWith({QStringLiteral("server"), secure, QStringLiteral("protocol"), QStringLiteral("https")}), 1);

    preferences().setWebDAVUserName(QString());
    EXPECT_EQ(preferences().defaultWebDAVPassword(), QStringLiteral(""));
    dw::Keychain::removeInternetPassword({secure, QStringLiteral("ann"), QStringLiteral("https"), 0, {}});
}

TEST_F(Passwords, TheSharingPasswordIsStoredReplacedAndRemoved)
{
    const QString uniqueID = QUuid::createUuid().toString(QUuid::WithoutBraces);
    preferences().setSharingUniqueID(uniqueID);
    EXPECT_EQ(preferences().getLocalSharingPassword(), QStringLiteral(""));
    EXPECT_TRUE(preferences().setLocalSharingPassword(QStringLiteral("one")));
    EXPECT_TRUE(preferences().setSharingPassword(QStringLiteral("two"), uniqueID));
    EXPECT_EQ(preferences().getSharingPasswordForUniqueID(uniqueID), QStringLiteral("two"));
    EXPECT_EQ(itemsWith({QStringLiteral("account"), uniqueID}), 1);
    EXPECT_TRUE(preferences().setSharingPassword(QString(), uniqueID));
    EXPECT_EQ(preferences().getLocalSharingPassword(), QStringLiteral(""));
    EXPECT_TRUE(preferences().setSharingPassword(QString(), uniqueID)) << "removing what is gone succeeds";
}
