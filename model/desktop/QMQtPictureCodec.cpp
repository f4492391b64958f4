// The picture decoder of the model built on Qt's image readers and writers, and the decoded
// pictures of a listing's picture and of a document's format "1" pictures.

#include "model/desktop/QMQtPictureCodec.h"

#include "model/QMEbayImage.h"
#include "model/QMEbayItem.h"
#include "model/QMEbayItemContainer.h"
#include "model/desktop/QMResourcePicture.h"

#include "DWKit/QMLog.h"

#include "platform/archive/ArchivedImage.h"

#include <QBuffer>
#include <QImage>
#include <QImageReader>
#include <QImageWriter>
#include <mutex>

namespace {

// Null for a null picture, so that "nothing loaded" has one form.
std::shared_ptr<const QImage> held(const QImage& image)
{
    return image.isNull() ? nullptr : std::make_shared<const QImage>(image);
}

} // namespace

bool QMQtPictureCodec::recognisesPicture(const QByteArray& bytes)
{
    QBuffer buffer;
    buffer.setData(bytes);
    buffer.open(QIODevice::ReadOnly);
    return !QImageReader::imageFormat(&buffer).isEmpty();
}

QByteArray QMQtPictureCodec::tiffOfPictureFile(const QString& path)
{
    const QImage image = path.isEmpty() ? QImage() : QImage(path);
    if (image.isNull()) {
        QMLog("not embedding %@: no picture that can be read", path);
        return {};
    }
    QByteArray tiff;
    QBuffer buffer(&tiff);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "tiff");
    writer.setCompression(1);
    if (!writer.write(image)) {
        QMLog("not embedding %@: %@", path, writer.errorString());
        return {};
    }
    return tiff;
}

std::shared_ptr<const QImage> QMQtPictureCodec::decodeArchivedPicture(const QVariant& archived)
{
    if (archived.typeId() != qMetaTypeId<dw::ArchivedImage>())
        return nullptr;
    // Decoded once for the archived object, however many references share it.
    const QVariant decoded =
        archived.value<dw::ArchivedImage>().decodedOnce([](const QList<QByteArray>& representations) {
            for (const QByteArray& bytes : representations) {
                QImage image = QImage::fromData(bytes);
                if (!image.isNull())
                    return QVariant(image);
            }
            return QVariant(QImage());
        });
    return held(decoded.value<QImage>());
}

bool QMQtPictureCodec::writeJPEG(const QImage& image, const QString& path, int quality)
{
    return image.save(path, "JPEG", quality);
}

bool QMQtPictureCodec::isLandscape(const QMEbayImage& picture)
{
    // The proportions come from the file's header: the templates ask for every picture of a
    // page, and decoding camera pictures for that would hold up the page.
    QSize size;
    if (picture.loadedImage() || picture.imageFilePath().isEmpty()) {
        size = picture.image().size();
    } else {
        QImageReader reader(picture.imageFilePath());
        reader.setAutoTransform(true);
        size = reader.size();
        if (reader.transformation() & QImageIOHandler::TransformationRotate90)
            size.transpose();
        if (!size.isValid())
            size = picture.image().size();
    }
    return size.isValid() && size.width() > size.height();
}

QVariant QMQtPictureCodec::stateIndicatorImage(QMEbayItem& item)
{
    return QVariant(item.stateIndicatorImage());
}

void QMQtPictureCodec::installOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { QMPictureCodec::install(std::make_shared<QMQtPictureCodec>()); });
}

// A listing's picture

QImage QMEbayImage::image() const
{
    takePendingFile();
    if (!m_image && !m_imageFilePath.isEmpty())
        m_image = held(QImage(imageFilePath()));
    return m_image ? *m_image : QImage();
}

void QMEbayImage::setImage(const QImage& image)
{
    m_image = held(image);
}

QImage QMEbayImage::thumbImage() const
{
    takePendingFile();
    if (!m_thumbImage) {
        QImage thumb;
        if (m_isURLBased)
            thumb = qmResourcePicture(QStringLiteral("ImageURLThumb"));
        else if (!m_thumbFilePath.isEmpty())
            thumb = QImage(thumbFilePath());
        if (m_image)
            thumb = m_image->copy();
        m_thumbImage = held(thumb);
    }
    return m_thumbImage ? m_thumbImage->copy() : QImage();
}

void QMEbayImage::setThumbImage(const QImage& image)
{
    m_thumbImage = held(image);
}

// A document's format "1" pictures

QList<QImage> QMEbayItemContainer::importedImages() const
{
    QList<QImage> images;
    images.reserve(m_importedImages.size());
    for (const auto& image : m_importedImages)
        images << (image ? *image : QImage());
    return images;
}
