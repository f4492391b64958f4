#include "Operations/QMAccountManager.h"
#include "Operations/QMImageUploadInformation.h"
#include "Operations/QMKeychainAccess.h"
#include "platform/widgets/ApplicationImage.h"
#include "tests/support/TemporaryXdg.h"

#include <QComboBox>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void clearTokens()
{
    auto& keychain = QMKeychainAccess::sharedQMKeychainAccess();
    if (const auto items = keychain.itemsWithDescription(QLatin1String(kQMKeychainTokenDescription), nullptr))
        (void)keychain.removeItems(*items, nullptr);
    keychain.clearCache();
}

} // namespace

TEST(DisplayExtensions, TheAccountsPopupOffersDefaultThenEveryAccount)
{
    dw::test::TemporaryXdg xdg;
    clearTokens();
    QMAccountManager accounts;
    QString error;
    ASSERT_TRUE(accounts.insertToken(QStringLiteral("t1"), QStringLiteral("id-ann"), QStringLiteral("ann"), &error));
    ASSERT_TRUE(accounts.insertToken(QStringLiteral("t2"), QStringLiteral("id-bob"), QStringLiteral("bob"), &error));

    QComboBox popup;
    popup.addItem(QStringLiteral("left over"));
    accounts.updateAccountsPopup(&popup);
    ASSERT_EQ(popup.count(), 4);
    EXPECT_EQ(popup.itemText(0), QStringLiteral("Default"));
    EXPECT_EQ(popup.itemData(0).toString(), QStringLiteral("EventsDefaultAccountID"));
    EXPECT_TRUE(popup.itemText(1).isEmpty()) << "a separator";
    EXPECT_EQ((QStringList{popup.itemText(2), popup.itemText(3)}),
              (QStringList{QStringLiteral("ann"), QStringLiteral("bob")}));
    EXPECT_EQ(popup.itemData(3).toString(), QStringLiteral("id-bob"));
    EXPECT_EQ(popup.currentIndex(), 0);
    clearTokens();
}

TEST(DisplayExtensions, AnUploadRecordShowsItsPictureOrNotFound)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("lamp.png"));
    QImage picture(8, 6, QImage::Format_RGB32);
    picture.fill(Qt::red);
    ASSERT_TRUE(picture.save(path));

    QMImageUploadInformation record;
    record.setLocalImagePath(path);
    EXPECT_EQ(record.title(), path);
    EXPECT_EQ(record.localImage().size(), QSize(8, 6));

    record.setLocalImagePath(folder.filePath(QStringLiteral("gone.png")));
    const QImage notFound = dw::applicationImage(QStringLiteral("NotFound"));
    ASSERT_FALSE(notFound.isNull()) << "the program ships the picture";
    EXPECT_EQ(record.localImage(), notFound);
}
