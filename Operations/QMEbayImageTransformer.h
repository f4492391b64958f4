#pragma once
// The one service that handles the picture files of listings: backups of imported pictures with
// their thumbnails, and the JPEG copies that are uploaded or shown in previews.
//
// Upload and preview copies are written to "QuillmartTemporaryImages" inside the per-user 0700
// temporary folder (never the shared /tmp), named after the listing's title, the time and the
// picture counter. A picture that already fits the requested size and is a JPEG is copied byte
// for byte; any other is decoded once, reduced with smooth resampling and written as JPEG.
// Decoding and scaling run on the caller's thread (QImage needs no main thread), so upload
// workers never wait for the main thread here.
//
//     auto transformer = QMEbayImageTransformer::sharedInstance();
//     QString copy = transformer->pathToEPSImageFromImageAtPath(picturePath, title);
//     if (copy.isNull())
//         return fail();      // the source picture could not be read
//
// Any thread. Names of copies are formed under one lock, so copies made at the same time differ.

#include "model/QMEbayImageTransformerHooks.h"

#include <QImage>
#include <QSizeF>
#include <QString>
#include <memory>

class QMEbayImageTransformer : public QMEbayImageTransformerHooks
{
public:
    static std::shared_ptr<QMEbayImageTransformer> sharedInstance();
    // Installs the shared transformer as the listing model's picture hooks.
    static void installAsModelHooks();

    // The hooks of the listing model.
    QString generateAndBackupThumbnailFromFullSizeImageAtPath(const QString& imagePath) override;
    QString uniqueTemporaryJPEGImageFileName() override;
    bool backupImportedImage(QMEbayImage& picture) override;
    // A picture's bytes are kept once in the backup folder, named by their SHA-1 ("<digest>.jpg",
    // "<digest>-2.jpg" when a file of that name holds other bytes), so opening a document again
    // finds its pictures and their thumbnails there and writes nothing. With
    // "reduceImageSizeOnImport" on, the picture goes through backupImportedImage() instead.
    QString storeImportedPictureData(const QByteArray& bytes, QString* error = nullptr) override;
    // Removes from the backup folder every picture copy (with its thumbnail) that no referenced
    // path names, when this process made it or it is older than this process: a copy that another
    // program made while this one ran may belong to a listing this one cannot see.
    void removeUnreferencedPictureCopies(const QSet<QString>& referencedPaths) override;

    // With "reduceImageSizeOnImport" on: a landscape picture wider than 1024 or higher than 786,
    // any other higher than 1024 or wider than 786.
    static bool needToScaleDownImage(const QImage& image);
    // A copy in the backup folder named by a new UUID with the source's extension; null (and a
    // console line) when it cannot be made.
    QString backupFullSizeImageAtPath(const QString& path);
    void removeBackupImagesForEbayImage(const QMEbayImage& picture);

    // The folders, made with their parents on first use; null (and a console line) when they
    // cannot be made.
    QString imageBackupDirectoryPath();
    QString imagesCacheDirectoryPath();
    QString temporaryImageDirectory();
    void removeAllTemporaryImages();
    // base + ".jpg" in the temporary folder; a null base is a caller error.
    QString temporaryJPEGImageFileWithBaseName(const QString& base);

    // The size a picture is sent to eBay's picture service in: its own when both sides are at
    // most 1000, else scaled so that the longer side is 1000. Zero for an unreadable picture.
    static QSizeF EPSUploadSizeForImageAtPath(const QString& path);

    // JPEG copies for upload and preview; null when the source picture cannot be read.
    QString pathToEPSImageFromImageAtPath(const QString& path, const QString& auctionTitle);
    QString pathToSupersizeEPSImageFromImageAtPath(const QString& path, const QString& auctionTitle);
    QString pathToFTPImageFromImageAtPath(const QString& path, const QString& auctionTitle);
    QString previewPathToEPSImageFromImageAtPath(const QString& path, const QString& auctionTitle);
    QString previewPathToSupersizeEPSImageFromImageAtPath(const QString& path, const QString& auctionTitle);
    // The common worker: a picture fits when its width is at most W and its height at most W
    // (higher than wide) or H (otherwise); a fitting JPEG is copied unchanged, a fitting other
    // picture re-encoded at its own size, and one that does not fit reduced into W x that limit.
    // The zero size asks for the picture unscaled.
    QString pathToImageWithSize(const QSizeF& size, const QString& auctionTitle, const QString& originalImagePath);
    // "<title letters>-<seconds>-<counter>.jpg" in the temporary folder.
    QString imageFilePathForAuctionTitle(const QString& auctionTitle);
    // At least 4 bytes, the first two 0xFF 0xD8.
    static bool imageAtPathIsJPEGFile(const QString& path);

    // Points the picture's file and thumbnail paths at the backup folder when their files are gone
    // from where they were but a file of that name is there.
    void shortenPathsForImage(QMEbayImage& picture);
};
