#include "model/QMFavoriteCategoriesManager.h"

#include "DWKit/NSBundle+DWExtensions.h"
#include "DWKit/NSFileManager+DWExtensions.h"
#include "DWKit/QMLog.h"

#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/core/DWFormat.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString siteKey(qint64 siteID)
{
    return dw::format(QStringLiteral("%ld"), qlonglong(siteID));
}

} // namespace

QMFavoriteCategoriesManager& QMFavoriteCategoriesManager::sharedInstance()
{
    static QMFavoriteCategoriesManager instance;
    return instance;
}

void QMFavoriteCategoriesManager::resetSharedInstanceForTesting()
{
    sharedInstance().m_folder.clear();
}

QString QMFavoriteCategoriesManager::savedFavoriteCategoriesFolder() const
{
    if (m_folder.isNull())
        m_folder = QDir::cleanPath(dw::applicationSupportFolder());
    return m_folder;
}

QString QMFavoriteCategoriesManager::savedFavoriteCategoriesFile() const
{
    return QDir(savedFavoriteCategoriesFolder()).filePath(QStringLiteral("FavoriteCategories.data"));
}

QVariantMap QMFavoriteCategoriesManager::favoriteCategories() const
{
    const QString path = savedFavoriteCategoriesFile();
    if (!QFileInfo::exists(path))
        return QVariantMap();
    QString problem;
    const auto root = dw::KeyedUnarchiver::unarchiveObjectWithFile(path, &problem);
    if (!root || root->typeId() != QMetaType::QVariantMap) {
        QMLogError("cannot read the favourite categories in %@: %@", path,
                   root ? QStringLiteral("the file holds no dictionary") : problem);
        return QVariantMap();
    }
    return root->toMap();
}

QVariantList QMFavoriteCategoriesManager::favoriteCategoriesForSiteID(qint64 siteID) const
{
    return favoriteCategories().value(siteKey(siteID)).toList();
}

bool QMFavoriteCategoriesManager::setFavoriteCategories(const QVariantList& favorites, qint64 siteID)
{
    QVariantMap all = favoriteCategories();
    all.insert(siteKey(siteID), favorites);
    return saveFavoriteCategories(all);
}

bool QMFavoriteCategoriesManager::saveFavoriteCategories(const QVariantMap& favorites)
{
    const QString folder = savedFavoriteCategoriesFolder();
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir()) {
        QMLog("ERROR: Cannot create directory because plain file exists at path %@", folder);
        return false;
    }
    if (!info.exists() && !dw::createDirectoryRecursiveAtPath(folder)) {
        QMLogError("cannot create the folder %@", folder);
        return false;
    }
    QString problem;
    if (!dw::KeyedArchiver::archiveRootObject(favorites, savedFavoriteCategoriesFile(), &problem)) {
        QMLogError("cannot save the favourite categories: %@", problem);
        return false;
    }
    return true;
}
