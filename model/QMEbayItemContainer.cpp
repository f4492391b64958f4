#include "model/QMEbayItemContainer.h"

#include "model/QMArchiveValues_p.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayImageTransformerHooks.h"
#include "model/QMEbayItem.h"
#include "model/QMPendingPictureFiles.h"
#include "model/QMPictureCodec.h"

#include "DWKit/QMLog.h"

#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/BackgroundWork.h"
#include "platform/core/DWAssert.h"
#include "platform/core/Localization.h"
#include "platform/core/MainThread.h"

#include <QFile>
#include <QtEndian>
#include <atomic>
#include <cstring>
#include <mutex>
#include <system_error>

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
        // The pictures' bytes stay in the document's file until their copies are written.
        const QVariant datas = coder.decodeObjectForKeyKeepingLargeData(QStringLiteral("imageFileDatas"));
        if (datas.isValid() && datas.typeId() != QMetaType::QVariantList)
            qm::archive::logWrongClass(kOwner, QStringLiteral("imageFileDatas"), datas);
        for (const QVariant& entry : datas.typeId() == QMetaType::QVariantList ? datas.toList() : QVariantList()) {
            // A damaged entry still holds its place, so that the pictures after it keep theirs.
            if (entry.metaType() == QMetaType::fromType<dw::ArchiveBytes>())
                container->m_importedPictureFiles << entry.value<dw::ArchiveBytes>();
            else
                container->m_importedPictureFiles
                    << dw::ArchiveBytes(entry.typeId() == QMetaType::QByteArray ? entry.toByteArray() : QByteArray(""));
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

QList<QByteArray> QMEbayItemContainer::importedImageFileDatas() const
{
    QList<QByteArray> datas;
    datas.reserve(m_importedPictureFiles.size());
    for (const dw::ArchiveBytes& file : m_importedPictureFiles)
        datas << file.read().value_or(QByteArray(""));
    return datas;
}

void QMEbayItemContainer::setImportedImageFileDatas(const QList<QByteArray>& datas)
{
    m_importedPictureFiles.clear();
    for (const QByteArray& data : datas)
        m_importedPictureFiles << dw::ArchiveBytes(data);
}

namespace {

// The copy of one picture file taken out of a document; null with the reason when it cannot be
// read or written. Any thread.
QString storePictureFile(QMEbayImageTransformerHooks& transformer, const dw::ArchiveBytes& file, QString* error)
{
    const std::optional<QByteArray> bytes = file.read(error);
    return bytes ? transformer.storeImportedPictureData(*bytes, error) : QString();
}

} // namespace

bool QMEbayItemContainer::importAndSaveImages(QString* error)
{
    if (!m_item)
        return true;
    const auto transformer = QMEbayImageTransformerHooks::installed();
    const bool fileDatas = m_encodingFormat == QLatin1String("2");
    const qsizetype entries = fileDatas ? m_importedPictureFiles.size() : m_importedImages.size();
    qsizetype next = 0;
    for (const auto& picture : localPictures(*m_item)) {
        if (next >= entries)
            break;
        if (fileDatas) {
            // Nothing is decoded here: the window that shows the document makes the thumbnails
            // after it shows, and the picture itself is read when something needs it.
            const QString path = storePictureFile(*transformer, m_importedPictureFiles.at(next++), error);
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

void QMEbayItemContainer::importImagesInBackground(QPointer<const QObject> context,
                                                   std::function<void(const QString& error)> done)
{
    QList<std::shared_ptr<QMEbayImage>> pictures;
    if (m_item && m_encodingFormat == QLatin1String("2"))
        pictures = localPictures(*m_item).mid(0, m_importedPictureFiles.size());
    if (pictures.isEmpty()) {
        QString error;
        const bool imported = importAndSaveImages(&error);
        dw::postToMain(context, [done = std::move(done), error = imported ? QString() : error] { done(error); });
        return;
    }
    // The writing starts on the turn of the event loop after this one, once the window that
    // shows the listing is up; a wait for a file before then writes them on the waiting thread.
    struct Writing
    {
        std::atomic<bool> claimed = false;
        std::function<void()> work;
        bool claim() { return !claimed.exchange(true); }
    };
    auto writing = std::make_shared<Writing>();
    auto files = std::make_shared<QMPendingPictureFiles>(pictures.size(), [writing] {
        if (writing->claim())
            writing->work();
    });
    writing->work = [files = std::weak_ptr<QMPendingPictureFiles>(files),
                     sources = m_importedPictureFiles.mid(0, pictures.size()),
                     transformer = QMEbayImageTransformerHooks::installed()] {
        QStringList paths;
        QString error;
        for (const dw::ArchiveBytes& source : sources) {
            const QString path = error.isNull() ? storePictureFile(*transformer, source, &error) : QString();
            if (path.isNull() && error.isNull())
                error = dw::localized("A picture of the document could not be written.");
            paths << path;
        }
        if (const auto pending = files.lock())
            pending->finish(paths, error);
    };
    for (qsizetype i = 0; i < pictures.size(); ++i)
        pictures.at(i)->setPendingFile(files, i);
    // The pictures wait for their files whatever becomes of the context; only `done` depends on it.
    auto finished = [files, done = std::move(done)] { done(files->waitForError()); };
    dw::postToMain(context, [context, writing, finished = std::move(finished)] {
        if (!writing->claim()) {
            finished(); // a wait wrote them already
            return;
        }
        try {
            dw::runInBackground(context, writing->work, finished);
        } catch (const std::system_error&) {
            writing->work(); // no thread to be had: the pictures must not wait for good
            finished();
        }
    });
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
    return containersFromSource(dw::ArchiveSource::fromBytes(data), error);
}

std::optional<QList<std::shared_ptr<QMEbayItemContainer>>>
QMEbayItemContainer::containersFromDocumentFile(const QString& path, qint64 maxBytes, QString* error)
{
    const std::optional<dw::ArchiveSource> source = dw::ArchiveSource::openFile(path, maxBytes, error);
    if (!source)
        return std::nullopt;
    return containersFromSource(*source, error);
}

std::optional<QList<std::shared_ptr<QMEbayItemContainer>>>
QMEbayItemContainer::containersFromSource(const dw::ArchiveSource& source, QString* error)
{
    registerArchiveClass();
    const auto refuse = [&](const QString& reason) -> std::optional<QList<std::shared_ptr<QMEbayItemContainer>>> {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    QString reason;
    const QMEbayImage::DeferredThumbnails thumbnailsLater;
    const std::optional<QVariant> root = dw::KeyedUnarchiver::unarchiveObjectWithSource(source, &reason);
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
