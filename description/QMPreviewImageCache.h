#pragma once
// Which scaled copies of a listing's pictures the document's preview may show again without
// making them anew: one instance for the process.
//
// A picture is known by its image ID, the file path the listing stores for it. The cache keeps two
// lists of valid IDs, one for normal-size copies (and the user's own server) and one for
// supersize copies, both emptied whenever the preview's picture size changes. Beside each valid ID
// it remembers where its copy lives: the copy belongs to the preview alone and is never written
// into the listing's picture addresses. Main thread only (the document builds its preview there).
//
//     auto& cache = QMPreviewImageCache::sharedCache();
//     cache.setLastSize(QSizeF(500, 375));           // a new size forgets every copy
//     if (!cache.validImageIDs().contains(path)) ... // make the copy, then addValidImageID(path, copy)

#include <QHash>
#include <QSizeF>
#include <QString>
#include <QStringList>

class QMEbayItem;

class QMPreviewImageCache
{
public:
    static QMPreviewImageCache& sharedCache();

    QMPreviewImageCache();

    // Empties both lists (and the copies remembered with them); the size stays.
    void invalidateCache();

    QSizeF lastSize() const { return m_lastSize; }
    // A size that differs from lastSize() in width or height invalidates the cache first.
    void setLastSize(const QSizeF& size);
    bool validCacheForSize(const QSizeF& size) const { return size == m_lastSize; }

    const QStringList& validImageIDs() const { return m_validImageIDs; }
    void setValidImageIDs(const QStringList& imageIDs) { m_validImageIDs = imageIDs; }
    // Adds the ID unless the list holds it; a copy path given is remembered for it.
    void addValidImageID(const QString& imageID, const QString& copyPath = QString());
    const QStringList& validSupersizeImageIDs() const { return m_validSupersizeImageIDs; }
    void setValidSupersizeImageIDs(const QStringList& imageIDs) { m_validSupersizeImageIDs = imageIDs; }
    void addValidSupersizeImageID(const QString& imageID, const QString& copyPath = QString());

    // The copy made for a valid ID; null when the ID is not valid in that list or no copy was made.
    QString copyPathForImageID(const QString& imageID, bool supersize) const;

    // Removes the ID from both lists; an ID the cache does not hold changes nothing.
    void removeValidImageID(const QString& imageID);
    // removeValidImageID() for the file path of each of the listing's file pictures.
    void invalidateImageIDsForItem(const QMEbayItem& item);

private:
    QSizeF m_lastSize;
    QStringList m_validImageIDs;
    QStringList m_validSupersizeImageIDs;
    QHash<QString, QString> m_copies;
    QHash<QString, QString> m_supersizeCopies;
};
