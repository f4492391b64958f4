#include "description/QMPreviewImageCache.h"

#include "model/QMEbayImage.h"
#include "model/QMEbayItem.h"

QMPreviewImageCache& QMPreviewImageCache::sharedCache()
{
    static QMPreviewImageCache cache;
    return cache;
}

QMPreviewImageCache::QMPreviewImageCache()
{
    invalidateCache();
}

void QMPreviewImageCache::invalidateCache()
{
    m_validImageIDs = QStringList();
    m_validSupersizeImageIDs = QStringList();
    m_copies.clear();
    m_supersizeCopies.clear();
}

void QMPreviewImageCache::setLastSize(const QSizeF& size)
{
    if (size == m_lastSize)
        return;
    invalidateCache();
    m_lastSize = size;
}

void QMPreviewImageCache::addValidImageID(const QString& imageID, const QString& copyPath)
{
    if (!m_validImageIDs.contains(imageID))
        m_validImageIDs << imageID;
    if (!copyPath.isNull())
        m_copies.insert(imageID, copyPath);
}

void QMPreviewImageCache::addValidSupersizeImageID(const QString& imageID, const QString& copyPath)
{
    if (!m_validSupersizeImageIDs.contains(imageID))
        m_validSupersizeImageIDs << imageID;
    if (!copyPath.isNull())
        m_supersizeCopies.insert(imageID, copyPath);
}

QString QMPreviewImageCache::copyPathForImageID(const QString& imageID, bool supersize) const
{
    const QStringList& valid = supersize ? m_validSupersizeImageIDs : m_validImageIDs;
    if (!valid.contains(imageID))
        return QString();
    return (supersize ? m_supersizeCopies : m_copies).value(imageID);
}

void QMPreviewImageCache::removeValidImageID(const QString& imageID)
{
    m_validImageIDs.removeAll(imageID);
    m_validSupersizeImageIDs.removeAll(imageID);
    m_copies.remove(imageID);
    m_supersizeCopies.remove(imageID);
}

void QMPreviewImageCache::invalidateImageIDsForItem(const QMEbayItem& item)
{
    for (const auto& picture : item.images()) {
        if (picture && !picture->isURLBased())
            removeValidImageID(picture->imageFilePath());
    }
}
