#pragma once
// The user's favourite eBay categories, one list per eBay site, in "FavoriteCategories.data" in the
// application's support folder.
//
// Nothing is cached: every read goes to the file and every change rewrites the whole file,
// atomically, so a failed write leaves the favourites as they were. The file is a keyed archive
// whose root is a dictionary from the site ID as decimal text ("0", "77") to that site's list of
// entries, kept as handed in (the category panel stores {"categoryID", "leafPath"} maps). A file
// that cannot be read counts as no favourites, with a console line. Main thread.
//
//     auto& favourites = QMFavoriteCategoriesManager::sharedInstance();
//     QVariantList list = favourites.favoriteCategoriesForSiteID(77);
//     list.append(QVariantMap{{"categoryID", 1234}, {"leafPath", "Books > Comics"}});
//     favourites.setFavoriteCategories(list, 77);

#include <QString>
#include <QVariantList>
#include <QVariantMap>

class QMFavoriteCategoriesManager
{
public:
    QMFavoriteCategoriesManager() = default;

    static QMFavoriteCategoriesManager& sharedInstance();
    // Makes the shared instance compute its folder again (tests that change the XDG folders).
    static void resetSharedInstanceForTesting();

    // The application's support folder, cleaned; computed on the first call and kept.
    QString savedFavoriteCategoriesFolder() const;
    QString savedFavoriteCategoriesFile() const;

    // The whole dictionary; empty when there is no file or it cannot be read.
    QVariantMap favoriteCategories() const;
    // The site's list; empty when the site has none.
    QVariantList favoriteCategoriesForSiteID(qint64 siteID) const;
    // Replaces the site's list (an empty list stays as an empty list) and saves everything.
    bool setFavoriteCategories(const QVariantList& favorites, qint64 siteID);
    // Creates the folder when needed and replaces the file. False, with a console line, when a
    // plain file stands where the folder belongs or the file cannot be written.
    bool saveFavoriteCategories(const QVariantMap& favorites);

private:
    mutable QString m_folder;
};
