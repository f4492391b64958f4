#include "model/QMEbayItemContainer.h"

#include "model/QMArchiveValues_p.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayImageTransformerHooks.h"
#include "model/QMEbayItem.h"

#include "DWKit/QMLog.h"

#include "platform/AtomicFile.h"
#include "platform/DWAssert.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/Localization.h"

#include <QBuffer>
#include <QFile>
#include <QImageReader>
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
        if (!picture->isURLBased())
            pictures << picture;
    }
    return pictures;
}

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
    QBuffer buffer;
    buffer.setData(bytes);
    QImageReader reader(&buffer);
    if (reader.read().isNull()) {
        QMLog(QStringLiteral("not embedding %@: %@"), path, reader.errorString());
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
    }
    coder.encodeObject(qm::archive::textValue(m_encodingFormat), QStringLiteral("encodingFormat"));
}

std::shared_ptr<QMEbayItemContainer> QMEbayItemContainer::decodeWithCoder(dw::KeyedUnarchiver& coder)
{
    auto container = std::make_shared<QMEbayItemContainer>();
    QString error;
    const std::optional<QVariant> item = coder.tryDecodeObjectForKey(QStringLiteral("item"), &error);
    if (!item) {
        QMLog(QStringLiteral("error: %@"), error);
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
        for (const QVariant& entry :
             qm::archive::decodeList(coder, QStringLiteral("images"), kOwner).value_or(QVariantList())) {
            container->m_importedImages << qm::archive::imageFromArchive(entry);
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
    QMEbayImageTransformerHooks& transformer = QMEbayImageTransformerHooks::installed();
    const bool fileDatas = m_encodingFormat == QLatin1String("2");
    const qsizetype entries = fileDatas ? m_importedImageFileDatas.size() : m_importedImages.size();
    qsizetype next = 0;
    for (const auto& picture : localPictures(*m_item)) {
        if (next >= entries)
            break;
        const QString path = transformer.uniqueTemporaryJPEGImageFileName();
        if (path.isNull()) {
            if (error)
                *error = dw::localized("The temporary picture folder could not be created.");
            return false;
        }
        QImage image;
        if (fileDatas) {
            const QByteArray& bytes = m_importedImageFileDatas.at(next);
            // The bytes keep their own picture format, whatever the file name says.
            if (!dw::writeFileAtomically(path, bytes, error))
                return false;
            image = QImage::fromData(bytes);
        } else {
            image = m_importedImages.at(next);
            if (!image.save(path, "JPEG", 80)) {
                if (error)
                    *error = dw::localized("A picture of the document could not be written.");
                return false;
            }
        }
        ++next;
        picture->setImageFilePath(path);
        picture->setImage(image);
        transformer.backupImportedImage(*picture);
    }
    return true;
}

QByteArray QMEbayItemContainer::documentDataWithItem(const std::shared_ptr<QMEbayItem>& item)
{
    DW_ASSERT(item, "Need item");
    registerArchiveClass();
    const auto container = containerWithEbayItem(item, QStringLiteral("2"));
    return dw::KeyedArchiver::archivedDataWithRootObject(QVariantList{dw::archiveValue(container)});
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
    const std::optional<QVariant> root = dw::KeyedUnarchiver::unarchiveObjectWithData(data, &reason);
    if (!root) {
        QMLog(QStringLiteral("cannot read listing document: %@"), reason);
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
