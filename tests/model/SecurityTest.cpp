#include "model/QMPreferencesManager.h"
#include "model/QMReturnPolicyUpdater.h"

#include "DWKit/QMLog.h"

#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWAssert.h"
#include "platform/core/UserDefaults.h"
#include "tests/support/TemporaryXdg.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

// A copy of the enciphered fixtures that a test may change, used as the resource folder.
class EncipheredResources : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QDir fixtures(QStringLiteral(DW_ENCIPHERED_FIXTURES));
        for (const QString& name : fixtures.entryList(QDir::Files))
            ASSERT_TRUE(QFile::copy(fixtures.filePath(name), folder(name)));
        QMPreferencesManager::setEncipheredResourceFolder(m_xdg.path(QString()));
        QMSetLogLevel(2);
    }
    void TearDown() override
    {
        QMPreferencesManager::setEncipheredResourceFolder(QStringLiteral(":/enciphered/"));
        QMResetCachedLogLevel();
    }
    QString folder(const QString& name) const { return m_xdg.path(name); }
    QMPreferencesManager& preferences() { return QMPreferencesManager::sharedInstance(); }

    dw::test::TemporaryXdg m_xdg;
};

} // namespace

TEST_F(EncipheredResources, DeveloperKeysFollowTheSandboxSwitchAndAreDecryptedOnce)
{
    preferences().setIsRunningInSandbox(true);
    EXPECT_EQ(preferences().appID(), QStringLiteral("Torvelan-2b7e-41c9-9d03-5fa8e1c6b274"));
    EXPECT_EQ(preferences().devID(), QStringLiteral("K7RQ2M4XW9TB1NZ5HC8VJ3LP6DF0GY"));
    ASSERT_TRUE(QFile::remove(folder(QStringLiteral("prodKey.enc"))));
    EXPECT_EQ(preferences().certID(), QStringLiteral("6e2d9a41-7c30-4b8f-a5e6-13f0c9d87b52"))
        << "the sandbox never needs the resource";

    preferences().setIsRunningInSandbox(false);
    dw::ScopedConsoleCapture console;
    EXPECT_TRUE(preferences().appID().isNull()) << "a missing resource is no abort";
    EXPECT_TRUE(console.contains(QStringLiteral("enciphered resource prodKey is missing")));
    ASSERT_TRUE(
        QFile::copy(QStringLiteral(DW_ENCIPHERED_FIXTURES "/prodKey.enc"), folder(QStringLiteral("prodKey.enc"))));
    EXPECT_EQ(preferences().appID(), QStringLiteral("fixture-app")) << "a failure is not kept";
    ASSERT_TRUE(QFile::remove(folder(QStringLiteral("prodKey.enc"))));
    EXPECT_EQ(preferences().certID(), QStringLiteral("fixture-cert")) << "what decrypted is kept";
}

TEST_F(EncipheredResources, TablesThatDoNotDecryptToADictionaryGiveNothing)
{
    dw::ScopedConsoleCapture console;
    EXPECT_TRUE(preferences().decryptedTwitterDictionary().isEmpty()) << "the fixture holds a list";
    EXPECT_TRUE(console.contains(QStringLiteral("Could not decrypt twitter: it holds no dictionary")));

    QFile damaged(folder(QStringLiteral("youtube.enc")));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write(QByteArray(256, 'x'));
    damaged.close();
    EXPECT_TRUE(preferences().decryptedYouTubeDictionary().isEmpty());
    EXPECT_TRUE(console.contains(QStringLiteral("enciphered resource youtube does not decrypt")));
    for (const QString& line : console.lines())
        EXPECT_FALSE(line.contains(QStringLiteral("fixture-app")));
}

TEST_F(EncipheredResources, TheMigrationTableIsReadAnewAndMayBeMissing)
{
    const std::optional<QVariantMap> table = preferences().decryptedReturnPolicyMigration();
    ASSERT_TRUE(table);
    EXPECT_EQ(table->value(QStringLiteral("77")).toMap().value(QStringLiteral("returnPolicySetID")),
              QStringLiteral("5004"));
    QMReturnPolicyUpdater updater;
    EXPECT_EQ(updater.returnPolicyAttributeSetIDForSiteID(3), QStringLiteral("3004"));

    ASSERT_TRUE(QFile::remove(folder(QStringLiteral("ReturnPolicyMigration.enc"))));
    EXPECT_FALSE(preferences().decryptedReturnPolicyMigration()) << "nothing cached";
    QMReturnPolicyUpdater withoutTable;
    EXPECT_TRUE(withoutTable.returnPolicyAttributeSetIDForSiteID(77).isNull()) << "nothing to migrate";
}

TEST_F(EncipheredResources, TextsAndTheirOverridingFiles)
{
    EXPECT_EQ(preferences().previewTemplate(), QStringLiteral("<html><body>%@ – Vorschau</body></html>\n"));
    const QString plain = folder(QStringLiteral("plain-preview.html"));
    QFile file(plain);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<html>plain</html>");
    file.close();
    preferences().defaults().setObject(plain, QStringLiteral("unencodedPreviewTemplatePath"));
    EXPECT_EQ(preferences().previewTemplate(), QStringLiteral("<html>plain</html>"));
    preferences().defaults().setObject(folder(QStringLiteral("gone.html")),
                                       QStringLiteral("unencodedPreviewTemplatePath"));
    EXPECT_EQ(preferences().previewTemplate(), QStringLiteral("<html><body>%@ – Vorschau</body></html>\n"));

    EXPECT_TRUE(preferences().googleMapsTemplate().isNull()) << "no such resource";
    EXPECT_THROW(preferences().decryptedStringFromFileAtPath(QString()), dw::InternalInconsistency);
}

TEST(ShippedResources, EveryTableDecryptsWithTheProgramsKey)
{
    auto& preferences = QMPreferencesManager::sharedInstance();
    QMPreferencesManager::setEncipheredResourceFolder(QStringLiteral(":/enciphered/"));
    EXPECT_FALSE(preferences.decryptedIDDictionary().value(QStringLiteral("AppID")).toString().isEmpty());
    EXPECT_TRUE(preferences.decryptedImageserverDictionary().contains(QStringLiteral("serverInfoURLs")));
    EXPECT_TRUE(preferences.decryptedAffiliateDictionary().contains(QStringLiteral("trackingPartners")));
    EXPECT_TRUE(preferences.decryptedTwitterDictionary().contains(QStringLiteral("ConsumerKey")));
    const auto migration = preferences.decryptedReturnPolicyMigration();
    ASSERT_TRUE(migration);
    EXPECT_TRUE(migration->isEmpty());
}

TEST(Passwords, AKeychainThatCannotBeReachedIsReportedAsAFailure)
{
    dw::test::TemporaryXdg xdg;
    dw::test::ScopedEnv bus("DBUS_SESSION_BUS_ADDRESS",
                            QByteArray("unix:path=") + xdg.path(QStringLiteral("no-bus")).toUtf8());
    auto& preferences = QMPreferencesManager::sharedInstance();
    QString error;
    EXPECT_FALSE(preferences.setFTPPassword(QStringLiteral("secret-1"), QStringLiteral("ftp.example.org"),
                                            QStringLiteral("ann"), &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_FALSE(error.contains(QStringLiteral("secret-1")));
    EXPECT_FALSE(preferences.setWebDAVPassword(QStringLiteral("secret-2"), QStringLiteral("https://dav.example.org/p"),
                                               QStringLiteral("ann"), &error));
    EXPECT_EQ(preferences.webDAVURL(), QStringLiteral("https://dav.example.org/p"));
    EXPECT_EQ(preferences.webDAVPasswordForURL(QStringLiteral("https://dav.example.org/p"), QStringLiteral("ann")),
              QStringLiteral(""));
    EXPECT_EQ(preferences.HTTPURLStringForUploadedWebDAVFile(QStringLiteral("/tmp/lamp.jpg")),
              QStringLiteral("https://dav.example.org/p/lamp.jpg"));
}
