#pragma once
// The base of the picture-upload operations: one picture of one listing, uploaded on a worker
// thread of the envelope's queue, its public address kept for the envelope.
//
// The operation manager gives it the listing snapshot (itemInfo: "uniqueID", "siteID", "title",
// "itemID", "photoDisplayType") and the picture snapshot (imageInfo: "name",
// "standardizedImageFilePath", "imageFilePath", "index"). Subclasses upload in internalMain() and
// end through completeImageOperationWithError(), which reports the outcome exactly once: the
// address and "success", the error envelope and "failure", or "cancel" when the operation was
// cancelled. Progress ends at 1.0 on every path.
//
//     auto operation = std::make_shared<QMAddEPSImageOperation>(connectorFactory);
//     operation->setItemInfo(item);
//     operation->setImageInfo(picture);
//     queue.addOperation(operation);
//     ... after its end: operation->uploadedImageURL()

#include "Operations/QMGenericEbayNSOperation.h"

#include <QList>
#include <QString>
#include <QVariantMap>
#include <atomic>

class QMWebDAVAdapter;

class QMGenericAddImageOperation : public QMGenericEbayNSOperation
{
public:
    using QMGenericEbayNSOperation::QMGenericEbayNSOperation;

    QVariantMap itemInfo() const;
    void setItemInfo(const QVariantMap& info);
    QVariantMap imageInfo() const;
    void setImageInfo(const QVariantMap& info);
    // Null until the upload succeeded, and after a failure.
    QString uploadedImageURL() const;
    void setUploadedImageURL(const QString& address);
    QList<qint64> variationImageIndexPath() const;
    void setVariationImageIndexPath(const QList<qint64>& path);

    qint64 imageIndex() const;
    QString imageName() const;
    QString imageImageFilePath() const;
    QString imageStandardizedImageFilePath() const;
    QString itemUniqueID() const;
    QString itemTitle() const;
    qint64 itemSiteID() const;
    QString itemItemID() const;

    // A connected adapter borrowed from the pool, or null: then the failure is on the operation
    // (error envelope with errorSource) and on a new "failure" log entry.
    std::shared_ptr<QMWebDAVAdapter> setupAdapterForImageUploadingSystem(int imageUploadingSystem,
                                                                         const QString& errorSource);
    // The preferences' upload size as "{w, h}" when pictures are scaled, else "{0, 0}".
    static QString defaultUploadImageSizeAsString();
    // Ends the upload once: with an error the address is cleared and the error recorded; when
    // cancelled the entry reads "cancel"; else the entry gets the address and "success".
    void completeImageOperationWithError(const QString& error, const QString& errorSource, const QMLogEntryPtr& entry);
    // False when the user default "skipImageInformations" switches the upload records off, or the
    // process does not keep them.
    static bool shouldUseImageInformations();
    // A process whose pictures are copies that end with it (a tool uploading a document's embedded
    // pictures) keeps no upload records: none could be reused, and they would stay behind. On by
    // default; any thread.
    static void setKeepsImageInformations(bool keep);

private:
    mutable std::mutex m_fieldsMutex;
    QVariantMap m_itemInfo;
    QVariantMap m_imageInfo;
    QString m_uploadedImageURL;
    QList<qint64> m_variationImageIndexPath;
    std::atomic<bool> m_completed{false};
};
