#include "model/QMEbayItemContainer.h"

#include "model/QMArchiveValues_p.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayImageTransformerHooks.h"
#include "model/QMEbayItem.h"
#include "model/QMPictureCodec.h"

#include "DWKit/QMLog.h"

#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/DWAssert.h"
#include "platform/core/Localization.h"

#include <QFile>
#include <QtEndian>
#include <cstring>
#include <mutex>

namespace {

const QString kOwner = QStringLiteral("QMEbayItemContainer");

// Sets the flag for one archiving of a listing and puts back what it was, also when the
// archiving throws.
class DescriptionStringEncoding
{
public:
    DescriptionStringEncoding() : m_previous(gEncodeItemDescriptionString) { gEncodeItemDescriptionString = true; }
    ~DescriptionStringEncoding() { gEncodeItemDescriptionString = m_previous; }
    DescriptionStringEncoding(const DescriptionStringEncoding&) = delete;
    DescriptionStringEncoding& operator=(const DescriptionStringEncoding&) = delete;

private:
    bool m_previous;
};

QList<std::shared_ptr<QMEbayImage>> localPictures(const QMEbayItem& item)
{
    QList<std::shared_ptr<QMEbayImage>> pictures;
    for (const auto& picture : item.images()) {
        if (picture->isFileBased())
            pictures << picture;
    }
    return pictures;
}

// Whether a file begins as a picture does. Only the header is looked at: decoding every picture
// of a document would be most of the time a save takes, and camera raw files and formats without
// a Qt plugin are pictures too, to be embedded all the same. The check keeps files that are no
// picture at all (a path a crafted document pointed elsewhere) out of the document.
bool hasPictureHeader(const QByteArray& bytes)
{
    // The magic texts are compared without their terminating zero.
    const auto at = [&]<size_t N>(qsizetype offset, const char(&magic)[N]) {
        return bytes.size() >= offset + qsizetype(N - 1) && std::memcmp(bytes.constData() + offset, magic, N - 1) == 0;
    };
    if (at(0, "\xFF\xD8\xFF") || at(0, "\x89PNG\r\n\x1A\n") || at(0, "GIF87a") || at(0, "GIF89a"))
        return true;
    // TIFF and the raw formats built on it (most cameras'), BigTIFF, and the raw formats of their own.
    if (at(0, "II*\0") || at(0, "MM\0*") || at(0, "II+\0") || at(0, "MM\0+") || at(0, "IIRO") || at(0, "IIRS") ||
        at(0, "MMOR") || at(0, "IIU\0"))
        return true;
    if (at(0, "FUJIFILMCCD-RAW") || at(0, "FOVb") || at(0, "\0MRM") || at(6, "HEAPCCDR"))
        return true;
    if (at(0, "RIFF") && at(8, "WEBP"))
        return true;
    // ISO media files: HEIF, AVIF and the newer raw files; videos share the box, not the brands.
    if (at(4, "ftyp")) {
        const QByteArray brand = bytes.mid(8, 4);
        for (const char* picture :
             {"heic", "heix", "hevc", "hevx", "heim", "heis", "mif1", "msf1", "avif", "avis", "crx "}) {
            if (brand == picture)
                return true;
        }
    }
    // JPEG XL, JPEG 2000 (file and code stream), Photoshop, OpenEXR.
    if (at(0, "\xFF\x0A") || at(0, "\0\0\0\x0CJXL \r\n\x87\n") || at(0, "\0\0\0\x0CjP  \r\n\x87\n") ||
        at(0, "\xFF\x4F\xFF\x51") || at(0, "8BPS") || at(0, "\x76\x2F\x31\x01"))
        return true;
    // BMP: two letters only, so the size of the header that follows must be one of the known ones.
    if (at(0, "BM") && bytes.size() >= 18) {
        const quint32 header = qFromLittleEndian<quint32>(bytes.constData() + 14);
        if (header == 12 || header == 40 || header == 52 || header == 56 || header == 64 || header == 108 ||
            header == 124)
            return true;
    }
    // Whatever else an installed image plugin recognises by its header.
    return QMPictureCodec::installed()->recognisesPicture(bytes);
}

// A picture of a format "1" document, archived as the platform archives an image read from a file:
// an NSImage whose representations ("NSReps", pairs of a kind number and a representation) hold
// one NSBitmapImageRep with the picture as TIFF.
class ArchivedBitmapRep : public dw::ArchivedObject
{
public:
    explicit ArchivedBitmapRep(QByteArray tiff) : m_tiff(std::move(tiff)) {}
    QStringList archiveClassChain() const override
    {
        return {QStringLiteral("NSBitmapImageRep"), QStringLiteral("NSImageRep"), QStringLiteral("NSObject")};
    }
    void encodeWithCoder(dw::KeyedArchiver& coder) const override
    {
        coder.encodeObject(m_tiff, QStringLiteral("NSTIFFRepresentation"));
    }

private:
    QByteArray m_tiff;
};

class ArchivedImage : public dw::ArchivedObject
{
public:
    // No TIFF makes an image without representations, which a reader takes for no picture.
    explicit ArchivedImage(const QByteArray& tiff)
        : m_rep(tiff.isEmpty() ? nullptr : std::make_shared<ArchivedBitmapRep>(tiff))
    {}
    QStringList archiveClassChain() const override { return {QStringLiteral("NSImage"), QStringLiteral("NSObject")}; }
    void encodeWithCoder(dw::KeyedArchiver& coder) const override
    {
        QVariantList reps;
        if (m_rep)
            reps << QVariant(QVariantList{0, dw::archiveValue(m_rep)});
        coder.encodeObject(reps, QStringLiteral("NSReps"));
    }

private:
    std::shared_ptr<ArchivedBitmapRep> m_rep;
};

} // namespace

QMEbayItemContainer::QMEbayItemContainer(std::shared_ptr<QMEbayItem> item, const QString& encodingFormat)
    : m_item(std::move(item)), m_encodingFormat(encodingFormat)
{}

std::shared_ptr<QMEbayItemContainer> QMEbayItemContainer::containerWithEbayItem(std::shared_ptr<QMEbayItem> item,
                                                                                const QString& encodingFormat)
{
    return std::make_shared<QMEbayItemContainer>(std::move(item), encodingFormat);
}

QByteArray QMEbayItemContainer::embeddablePictureData(const QString& path)
{
    QFile file(path);
    if (path.isEmpty() || !file.open(QIODevice::ReadOnly))
        return QByteArray("");
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        QMLog("not embedding %@: %@", path, file.errorString());
        return QByteArray("");
    }
    if (!hasPictureHeader(bytes)) {
        QMLog("not embedding %@: not a picture", path);
        return QByteArray("");
    }
    return bytes;
}

void QMEbayItemContainer::encodeWithCoder(dw::KeyedArchiver& coder) const
{
    {
        DescriptionStringEncoding descriptionToo;
        coder.encodeObject(m_item, QStringLiteral("item"));
    }
    if (m_encodingFormat == QLatin1String("2")) {
        QVariantList datas;
        if (m_item) {
            for (const auto& picture : localPictures(*m_item))
                datas << embeddablePictureData(picture->imageFilePath());
        }
        coder.encodeObject(datas, QStringLiteral("imageFileDatas"));
    } else if (m_encodingFormat == QLatin1String("1")) {
        // Format "1" carries pictures, not files: only what decodes is stored.
        QVariantList images;
        if (m_item) {
            const auto codec = QMPictureCodec::installed();
            for (const auto& picture : localPictures(*m_item))
                images << dw::archiveValue(
                    std::make_shared<ArchivedImage>(codec->tiffOfPictureFile(picture->imageFilePath())));
        }
        coder.encodeObject(images, QStringLiteral("images"));
    }
    coder.encodeObject(qm::archive::textValue(m_encodingFormat), QStringLiteral("encodingFormat"));
}

std::shared_ptr<QMEbayItemContainer> QMEbayItemContainer::decodeWithCoder(dw::KeyedUnarchiver& coder)
{
    auto container = std::make_shared<QMEbayItemContainer>();
    QString error;
    const std::optional<QVariant> item = coder.tryDecodeObjectForKey(QStringLiteral("item"), &error);
    if (!item) {
        QMLog("error: %@", error);
    } else {
        container->m_item = dw::archivedObjectCast<QMEbayItem>(*item);
        if (!container->m_item && item->isValid())
            qm::archive::logWrongClass(kOwner, QStringLiteral("item"), *item);
    }
    container->m_encodingFormat = qm::archive::decodeText(coder, QStringLiteral("encodingFormat"), kOwner);
    if (container->m_encodingFormat == QLatin1String("2")) {
        for (const QVariant& entry :
             qm::archive::decodeList(coder, QStringLiteral("imageFileDatas"), kOwner).value_or(QVariantList())) {
            // A damaged entry still holds its place, so that the pictures after it keep theirs.
            container->m_importedImageFileDatas
                << (entry.typeId() == QMetaType::QByteArray ? entry.toByteArray() : QByteArray(""));
        }
    } else {
        const auto codec = QMPictureCodec::installed();
        for (const QVariant& entry :
             qm::archive::decodeList(coder, QStringLiteral("images"), kOwner).value_or(QVariantList())) {
            container->m_importedImages << codec->decodeArchivedPicture(entry);
        }
    }
    return container;
}

void QMEbayItemContainer::registerArchiveClass()
{
    static std::once_flag once;
    std::call_once(once, [] {
        QMEbayItem::registerArchiveClasses();
        dw::KeyedUnarchiver::registerClass(
            QStringLiteral("QMEbayItemContainer"),
            [](dw::KeyedUnarchiver& coder) -> dw::ArchivedObjectPtr { return decodeWithCoder(coder); });
    });
}

bool QMEbayItemContainer::importAndSaveImages(QString* error)
{
    if (!m_item)
        return true;
    const auto transformer = QMEbayImageTransformerHooks::installed();
    const bool fileDatas = m_encodingFormat == QLatin1String("2");
    const qsizetype entries = fileDatas ? m_importedImageFileDatas.size() : m_importedImages.size();
    qsizetype next = 0;
    for (const auto& picture : localPictures(*m_item)) {
        if (next >= entries)
            break;
        if (fileDatas) {
            // Nothing is decoded here: the window that shows the document makes the thumbnails
            // after it shows, and the picture itself is read when something needs it.
            const QString path = transformer->storeImportedPictureData(m_importedImageFileDatas.at(next++), error);
            if (path.isNull())
                return false;
            picture->setImageFilePath(path);
            picture->setThumbFilePath(QMEbayImage::thumbnailPathForImageAtPath(path));
            continue;
        }
        // A picture that format "1" could not store keeps pointing where it pointed.
        const std::shared_ptr<const QImage> image = m_importedImages.at(next++);
        if (!image)
            continue;
        const QString path = transformer->uniqueTemporaryJPEGImageFileName();
        if (path.isNull()) {
            if (error)
                *error = dw::localized("The temporary picture folder could not be created.");
            return false;
        }
        if (!QMPictureCodec::installed()->writeJPEG(*image, path, 80)) {
            if (error)
                *error = dw::localized("A picture of the document could not be written.");
            return false;
        }
        picture->setImageFilePath(path);
        picture->setLoadedImage(image);
        transformer->backupImportedImage(*picture);
    }
    return true;
}

QByteArray QMEbayItemContainer::documentDataWithItem(const std::shared_ptr<QMEbayItem>& item,
                                                     const QString& encodingFormat)
{
    DW_ASSERT(item, "Need item");
    registerArchiveClass();
    const auto container = containerWithEbayItem(item, encodingFormat);
    return dw::KeyedArchiver::archivedDataWithRootObject(QVariantList{dw::archiveValue(container)});
}

bool QMEbayItemContainer::writeDocumentWithItem(const std::shared_ptr<QMEbayItem>& item, const QString& path,
                                                const QString& encodingFormat, QString* error)
{
    DW_ASSERT(item, "Need item");
    registerArchiveClass();
    const auto container = containerWithEbayItem(item, encodingFormat);
    return dw::KeyedArchiver::archiveRootObject(QVariantList{dw::archiveValue(container)}, path, error);
}

std::optional<QList<std::shared_ptr<QMEbayItemContainer>>>
QMEbayItemContainer::containersFromDocumentData(const QByteArray& data, QString* error)
{
    registerArchiveClass();
    const auto refuse = [&](const QString& reason) -> std::optional<QList<std::shared_ptr<QMEbayItemContainer>>> {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    QString reason;
    const QMEbayImage::DeferredThumbnails thumbnailsLater;
    const std::optional<QVariant> root = dw::KeyedUnarchiver::unarchiveObjectWithData(data, &reason);
    if (!root) {
        QMLog("cannot read listing document: %@", reason);
        return refuse(dw::localized("The file is damaged or is not a listing document."));
    }
    if (root->typeId() != QMetaType::QVariantList)
        return refuse(dw::localized("The file is not a listing document."));
    QList<std::shared_ptr<QMEbayItemContainer>> containers;
    for (const QVariant& element : root->toList()) {
        if (const auto container = dw::archivedObjectCast<QMEbayItemContainer>(element))
            containers << container;
    }
    if (containers.isEmpty())
        return refuse(dw::localized("The document holds no listing."));
    if (!containers.first()->item())
        return refuse(dw::localized("The listing of the document cannot be read."));
    return containers;
}
