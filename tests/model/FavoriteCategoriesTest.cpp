#include "model/QMFavoriteCategoriesManager.h"

#include "DWKit/QMLog.h"

#include "platform/core/AtomicFile.h"
#include "platform/core/ConsoleOutput.h"
#include "tests/support/TemporaryXdg.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

QVariantMap favourite(int categoryID, const char* path)
{
    return {{QStringLiteral("categoryID"), categoryID}, {QStringLiteral("leafPath"), QString::fromUtf8(path)}};
}

} // namespace

TEST(FavoriteCategories, EachSiteKeepsItsOwnListAcrossManagers)
{
    dw::test::TemporaryXdg xdg;
    QMFavoriteCategoriesManager favourites;
    EXPECT_EQ(favourites.savedFavoriteCategoriesFile(),
              xdg.path(QStringLiteral("data/QuillmartVodar/FavoriteCategories.data")));
    EXPECT_TRUE(favourites.favoriteCategoriesForSiteID(77).isEmpty());

    const QVariantList german = {favourite(1234, "Bücher > Comics"), favourite(99, "Auto & Motorrad")};
    ASSERT_TRUE(favourites.setFavoriteCategories(german, 77));
    EXPECT_EQ(favourites.favoriteCategories().keys(), QStringList{QStringLiteral("77")});
    ASSERT_TRUE(favourites.setFavoriteCategories({favourite(20081, "Antiques")}, 0));
    ASSERT_TRUE(favourites.setFavoriteCategories({}, 3));

    QMFavoriteCategoriesManager later;
    const QVariantMap all = later.favoriteCategories();
    EXPECT_EQ(all.keys(), (QStringList{QStringLiteral("0"), QStringLiteral("3"), QStringLiteral("77")}));
    EXPECT_EQ(all.value(QStringLiteral("3")).toList(), QVariantList());
    EXPECT_EQ(later.favoriteCategoriesForSiteID(77), german);
    EXPECT_EQ(later.favoriteCategoriesForSiteID(0).size(), 1);
}

TEST(FavoriteCategories, FailedSavesLeaveTheFavouritesAsTheyWere)
{
    dw::test::TemporaryXdg xdg;
    QMSetLogLevel(2);
    QMFavoriteCategoriesManager favourites;
    ASSERT_TRUE(favourites.setFavoriteCategories({favourite(1, "Art")}, 0));
    {
        dw::ScopedWriteFailure diskFull;
        EXPECT_FALSE(favourites.setFavoriteCategories({}, 0));
    }
    EXPECT_EQ(favourites.favoriteCategoriesForSiteID(0).size(), 1);

    // A plain file where the folder belongs.
    const QString folder = xdg.path(QStringLiteral("data/QuillmartVodar"));
    ASSERT_TRUE(QDir(folder).removeRecursively());
    QFile plain(folder);
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    {
        dw::ScopedConsoleCapture console;
        EXPECT_FALSE(favourites.setFavoriteCategories({favourite(2, "Books")}, 0));
        EXPECT_TRUE(console.contains(
            QStringLiteral("ERROR: Cannot create directory because plain file exists at path ") + folder));
    }
    EXPECT_TRUE(QFileInfo(folder).isFile());

    // A file that is no archive of a dictionary reads as no favourites and is replaced on save.
    ASSERT_TRUE(QFile::remove(folder));
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(dw::writeFileAtomically(favourites.savedFavoriteCategoriesFile(), "not an archive"));
    {
        dw::ScopedConsoleCapture console;
        EXPECT_TRUE(favourites.favoriteCategories().isEmpty());
        EXPECT_TRUE(console.contains(QStringLiteral("cannot read the favourite categories")));
    }
    ASSERT_TRUE(favourites.setFavoriteCategories({favourite(2, "Books")}, 0));
    EXPECT_EQ(favourites.favoriteCategoriesForSiteID(0).size(), 1);
    QMResetCachedLogLevel();
}
