#pragma once
// The listing document: a keyed archive whose root is an array with one QMEbayItemContainer, which
// carries the listing together with the contents of its local pictures, so that a document moves
// to another machine without its picture files.
//
// Format "2" (the one written by default) stores the bytes of each local picture's file under
// "imageFileDatas", in picture order; format "1" stores the pictures themselves under "images", as
// images with a TIFF representation. Pictures that exist only as an address travel inside the
// listing and take no entry. A picture file is embedded as it is when its header is that of a
// picture, whether or not this program can decode it (camera raw files, formats without a Qt
// plugin); any other file (gone, unreadable, or not a picture at all, such as a path a crafted
// document pointed elsewhere) is stored as empty data, so that positions stay aligned. Format "1"
// carries only what decodes: any other file gives an image without representations. Main thread.
//
//     QByteArray file = QMEbayItemContainer::documentDataWithItem(item);
//     if (!QMEbayItemContainer::writeDocumentWithItem(item, path, QStringLiteral("2"), &error)) ...
//     QString error;
//     auto containers = QMEbayItemContainer::containersFromDocumentData(file, &error);
//     if (!containers) ... refuse the file with `error`
//     auto container = containers->first();      // has a listing
//     container->importAndSaveImages(&error);

#include "platform/archive/ArchiveSource.h"
#include "platform/archive/ArchivedObject.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QImage;
class QMEbayItem;

namespace dw {
class KeyedUnarchiver;
}

class QMEbayItemContainer : public dw::ArchivedObject
{
public:
    QMEbayItemContainer() = default;
    QMEbayItemContainer(std::shared_ptr<QMEbayItem> item, const QString& encodingFormat);
    static std::shared_ptr<QMEbayItemContainer> containerWithEbayItem(std::shared_ptr<QMEbayItem> item,
                                                                      const QString& encodingFormat);

    const std::shared_ptr<QMEbayItem>& item() const { return m_item; }
    void setItem(std::shared_ptr<QMEbayItem> item) { m_item = std::move(item); }
    // After reading a format "1" document: one picture per local picture, null where none
    // decoded (always, in a program without the model's desktop part). The pictures as images
    // are defined in that part.
    QList<QImage> importedImages() const;
    qsizetype importedImageCount() const { return m_importedImages.size(); }
    // After reading a format "2" document: the file contents of each local picture, read now
    // (empty where they can no longer be read).
    QList<QByteArray> importedImageFileDatas() const;
    void setImportedImageFileDatas(const QList<QByteArray>& datas);
    const QString& encodingFormat() const { return m_encodingFormat; }
    void setEncodingFormat(const QString& format) { m_encodingFormat = format; }

    // Writes "item" (with the styled description besides the RTF), the pictures of format "1" or
    // "2" and "encodingFormat". A container of any other format embeds nothing.
    QStringList archiveClassChain() const override
    {
        return {QStringLiteral("QMEbayItemContainer"), QStringLiteral("NSObject")};
    }
    void encodeWithCoder(dw::KeyedArchiver& coder) const override;
    // A listing that cannot be read leaves the container without one ("error: ..." on the
    // console); the rest of the container is still read.
    static std::shared_ptr<QMEbayItemContainer> decodeWithCoder(dw::KeyedUnarchiver& coder);
    // Registers the container and the listing's classes; may be called any number of times.
    static void registerArchiveClass();

    // Points each local picture at a file of the next embedded picture. Format "2": the bytes,
    // unchanged and undecoded, go where the installed transformer stores them
    // (storeImportedPictureData()), and the picture's thumbnail path is the one beside that file,
    // made later by whoever shows it. Format "1": the picture is written as JPEG to a new
    // temporary file and handed to the transformer's backup; a picture that was not stored stays
    // as it is. Address-only pictures stay as they are. False with the reason when a file could
    // not be written; the pictures before it keep their new files.
    [[nodiscard]] bool importAndSaveImages(QString* error = nullptr);
    // The same on a worker, so that a window can show the listing at once: each local picture of
    // format "2" waits for its file (QMEbayImage::isWaitingForFile()) and `done` follows on the
    // main thread, unless `context` is gone, with the reason the first copy failed (null when
    // none did; the pictures from that one on keep the paths they had). Format "1" imports at
    // once and `done` follows all the same.
    void importImagesInBackground(QPointer<const QObject> context, std::function<void(const QString& error)> done);

    // A whole document of the format ("1" or "2") holding this one listing.
    static QByteArray documentDataWithItem(const std::shared_ptr<QMEbayItem>& item,
                                           const QString& encodingFormat = QStringLiteral("2"));
    // The same document written to a file atomically, each picture file's bytes read once and
    // written once: false with the reason, the old file untouched, when it cannot be written.
    [[nodiscard]] static bool writeDocumentWithItem(const std::shared_ptr<QMEbayItem>& item, const QString& path,
                                                    const QString& encodingFormat = QStringLiteral("2"),
                                                    QString* error = nullptr);
    // The containers of a document, the first one with its listing. Nullopt and a message for
    // the user when the data is no keyed archive, its root is no array, the array holds no
    // container, or the first container's listing cannot be read.
    static std::optional<QList<std::shared_ptr<QMEbayItemContainer>>>
    containersFromDocumentData(const QByteArray& data, QString* error = nullptr);
    // The same from a document file of at most maxBytes, whose pictures' bytes are read only
    // when they are imported; the reason is the user's words when the file cannot be read.
    static std::optional<QList<std::shared_ptr<QMEbayItemContainer>>>
    containersFromDocumentFile(const QString& path, qint64 maxBytes, QString* error = nullptr);

    // The bytes of a picture file when its header is a picture's, else empty data. Nothing is
    // decoded.
    static QByteArray embeddablePictureData(const QString& path);

private:
    static std::optional<QList<std::shared_ptr<QMEbayItemContainer>>>
    containersFromSource(const dw::ArchiveSource& source, QString* error);

    std::shared_ptr<QMEbayItem> m_item;
    QList<std::shared_ptr<const QImage>> m_importedImages;
    QList<dw::ArchiveBytes> m_importedPictureFiles;
    QString m_encodingFormat;
};
