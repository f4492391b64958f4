#pragma once
// One picture of a listing: a local picture file with its thumbnail file, or a picture that
// exists only as an address on the web. After upload a file picture also carries its address.
//
// Paths are stored with the home folder abbreviated to "~" (so documents move between accounts)
// and answered expanded. The full picture and the thumbnail are loaded on first use; a missing or
// unreadable file gives a null picture and nothing else. Copying a picture never changes the
// original. Pictures are archived under their field names (the paths in their "~" form) and answer
// key-value lookups by the same names and by the display values below. Main thread.
//
//     QMEbayImage picture(QStringLiteral("/home/ann/Pictures/lamp.jpg"), QString());
//     picture.imageFilePath();     // "/home/ann/Pictures/lamp.jpg", stored as "~/Pictures/lamp.jpg"

#include "platform/archive/ArchivedObject.h"
#include "platform/core/KeyValueCoding.h"

#include <QString>
#include <QVariantMap>
#include <memory>

namespace dw {
class KeyedUnarchiver;
}
class QImage;
class QMPendingPictureFiles;

class QMEbayImage : public dw::ArchivedObject, public dw::KeyValueCoding
{
public:
    QMEbayImage() = default;
    QMEbayImage(const QString& filePath, const QString& thumbPath);
    static std::shared_ptr<QMEbayImage> imageWithURL(const QString& address);
    static std::shared_ptr<QMEbayImage> imageWithiPhotoDescription(const QVariantMap& description);

    // A copy owned by the caller; the original is left exactly as it was.
    std::shared_ptr<QMEbayImage> copy() const;

    // An object of a class this program does not know, found among a listing's pictures (a later
    // edition's kind of picture), kept in its place so that it is written back unchanged. Such a
    // picture has no path and no address: nothing shows, uploads or embeds it.
    static std::shared_ptr<QMEbayImage> keepingUnknownObject(dw::ArchivedObjectPtr object);
    const dw::ArchivedObjectPtr& unknownObject() const { return m_unknownObject; }
    // A picture whose file a document embeds: neither address-only nor an unknown object.
    bool isFileBased() const { return !m_isURLBased && !m_unknownObject; }

    // Keyed archiving. Decoding also takes the picture of an older form ("image"), and gives a
    // file picture without a thumbnail path the one the installed transformer hooks answer
    // (which make the thumbnail), or only the path beside the picture while a
    // DeferredThumbnails lives on the reading thread. registerArchiveClass() may be called any
    // number of times.
    QStringList archiveClassChain() const override
    {
        if (m_unknownObject)
            return m_unknownObject->archiveClassChain();
        return {QStringLiteral("QMEbayImage"), QStringLiteral("NSObject")};
    }
    void encodeWithCoder(dw::KeyedArchiver& coder) const override;
    static std::shared_ptr<QMEbayImage> decodeWithCoder(dw::KeyedUnarchiver& coder);
    static void registerArchiveClass();
    // Reading a document: its pictures' files are about to be replaced by the embedded ones, and
    // whoever shows them makes the thumbnails later.
    class DeferredThumbnails
    {
    public:
        DeferredThumbnails();
        ~DeferredThumbnails();
        DeferredThumbnails(const DeferredThumbnails&) = delete;
        DeferredThumbnails& operator=(const DeferredThumbnails&) = delete;

    private:
        bool m_previous;
    };

    // The six archived fields and the display values (read only) by name.
    QVariant valueForKey(const QString& key) const override;
    bool setValueForKey(const QVariant& value, const QString& key) override;

    const QString& name() const { return m_name; }
    void setName(const QString& name) { m_name = name; }
    bool isGalleryImage() const { return m_isGalleryImage; }
    void setIsGalleryImage(bool value) { m_isGalleryImage = value; }
    const QString& imageURL() const { return m_imageURL; }
    void setImageURL(const QString& address) { m_imageURL = address; }
    bool isURLBased() const { return m_isURLBased; }
    void setIsURLBased(bool value) { m_isURLBased = value; }

    // A picture taken out of a document whose file a worker is still writing: its paths, and
    // everything that reads them, wait for the file. Setting a path drops the wait.
    void setPendingFile(std::shared_ptr<const QMPendingPictureFiles> files, qsizetype index);
    // Until a path getter has taken the file: for a window that would rather show a placeholder
    // than wait.
    bool isWaitingForFile() const;

    // Expanded and cleaned; null when none is stored.
    QString imageFilePath() const;
    // Stores the path with "~"; a new path drops the loaded picture.
    void setImageFilePath(const QString& path);
    QString thumbFilePath() const;
    void setThumbFilePath(const QString& path);
    // The stored forms, with "~".
    const QString& storedImageFilePath() const
    {
        takePendingFile();
        return m_imageFilePath;
    }
    const QString& storedThumbFilePath() const
    {
        takePendingFile();
        return m_thumbFilePath;
    }

    // The decoded pictures need Qt Gui: these four are defined in the model's desktop part
    // (model/desktop/), which a program links when it shows or transforms pictures.
    QImage image() const;
    void setImage(const QImage& image);
    // A copy of the thumbnail, made on first use.
    QImage thumbImage() const;
    void setThumbImage(const QImage& image);
    // The loaded picture as it is held (null when none is loaded), for code that only passes it on.
    const std::shared_ptr<const QImage>& loadedImage() const { return m_image; }
    void setLoadedImage(std::shared_ptr<const QImage> image) { m_image = std::move(image); }
    void unloadImage();

    // Display values for the description templates, from the loaded picture's proportions.
    QString thumbWidth() const;
    QString thumbHeight() const;
    QString EPSPreviewThumbWidth() const;
    QString EPSPreviewThumbHeight() const;
    QString EPSPreviewWidth() const;
    QString EPSPreviewHeight() const;
    QString anchor() const;
    QString imageViewPboardValue() const;

    // What the page preview and the operations read of a picture. The snapshot names the picture
    // and, for a file picture, its path (under "standardizedImageFilePath" and "imageFilePath"); a
    // key is present only when its value exists. Paths are expanded and cleaned; null when none.
    QVariantMap infoDictionaryForOperations() const;
    QString standardizedImageFilePath() const;
    QString standardizedThumbFilePath() const;
    // The preview never edits a picture in place: always false, and setting it changes nothing.
    bool editingPreview() const { return false; }
    void setEditingPreview(bool) {}

    // The thumbnail file that belongs to a picture file: its path without extension + "_thumb.jpg".
    static QString thumbnailPathForImageAtPath(const QString& imagePath);

    // Paths with the user's home folder written as "~", and back.
    static QString abbreviatedPath(const QString& path);
    static QString expandedPath(const QString& path);

private:
    bool isLandscape() const;
    // Waits for a file being written, if any, and takes its paths.
    void takePendingFile() const
    {
        if (m_pendingFiles)
            takePendingFileNow();
    }
    void takePendingFileNow() const;

    QString m_name;
    bool m_isGalleryImage = false;
    QString m_imageURL;
    // Filled in from m_pendingFiles on first use, also through const getters.
    mutable QString m_imageFilePath;
    mutable QString m_thumbFilePath;
    mutable std::shared_ptr<const QMPendingPictureFiles> m_pendingFiles;
    qsizetype m_pendingIndex = 0;
    bool m_isURLBased = false;
    // Loaded on first use, also through const getters; null while none is loaded. Held by
    // pointer so that the core of the model carries pictures without Qt Gui; a picture is never
    // changed in place, so a copy sharing it never sees a change.
    mutable std::shared_ptr<const QImage> m_image;
    mutable std::shared_ptr<const QImage> m_thumbImage;
    dw::ArchivedObjectPtr m_unknownObject;
};
