#include "DWKit/gui/NSImage+DWExtensions.h"

#include "platform/core/AtomicFile.h"
#include "platform/core/CocoaNumbers.h"
#include "platform/core/ConsoleOutput.h"

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <cmath>

namespace dw {

namespace {

constexpr int kJpegQuality = 80;

QString sizeText(const QSizeF& size)
{
    return QStringLiteral("{%1, %2}").arg(numberText(size.width()), numberText(size.height()));
}

void warnWhenTooSmall(const QSizeF& size, const char* message)
{
    if (size.width() < 1 || size.height() < 1)
        consoleWrite(QString::fromLatin1(message) + sizeText(size));
}

// A transparent bitmap of `size` in points, or a null image when no whole pixel is left.
QImage blankImage(const QSizeF& size)
{
    const int width = int(size.width());
    const int height = int(size.height());
    if (width < 1 || height < 1)
        return QImage();
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QImage readLargest(QImageReader& reader)
{
    reader.setAutoTransform(true);
    QImage largest;
    qint64 largestArea = -1;
    const int count = std::max(1, reader.imageCount());
    for (int i = 0; i < count; ++i) {
        if (i > 0 && !reader.jumpToNextImage())
            break;
        const QImage image = reader.read();
        if (image.isNull())
            continue;
        const qint64 area = qint64(image.width()) * image.height();
        if (area > largestArea) {
            largest = image;
            largestArea = area;
        }
    }
    return largest;
}

} // namespace

QImage imageWithData(const QByteArray& data)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer);
    return readLargest(reader);
}

QImage imageWithContentsOfFile(const QString& path)
{
    QImageReader reader(path);
    return readLargest(reader);
}

QSize largestBitmapImageRepSize(const QImage& image)
{
    return image.isNull() ? QSize(0, 0) : image.size();
}

QRectF centeredDrawingRect(const QSizeF& imageSize, const QRectF& rect)
{
    if (imageSize.width() <= 0 || imageSize.height() <= 0)
        return QRectF();
    const double factor = std::min(rect.width() / imageSize.width(), rect.height() / imageSize.height());
    const double width = std::floor(imageSize.width() * factor);
    const double height = std::floor(imageSize.height() * factor);
    if (width <= 0 || height <= 0)
        return QRectF();
    const double x = std::floor(rect.x() + (rect.width() - width) * 0.5) + 0.5;
    const double y = std::floor(rect.y() + (rect.height() - height) * 0.5) + 0.5;
    return QRectF(x, y, width, height);
}

void drawCenteredInRect(QPainter& painter, const QImage& image, const QRectF& rect, QPainter::CompositionMode operation,
                        qreal fraction, const QColor& frameColor)
{
    const QRectF target = centeredDrawingRect(image.deviceIndependentSize(), rect);
    if (target.isEmpty())
        return;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setCompositionMode(operation);
    painter.setOpacity(fraction);
    painter.drawImage(target, image);
    if (frameColor.isValid()) {
        painter.setOpacity(1.0);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.setPen(QPen(frameColor, 1.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(target);
    }
    painter.restore();
}

QImage resampledImageOfSize(const QImage& image, const QSizeF& size)
{
    QImage bitmap = blankImage(size);
    if (bitmap.isNull() || image.isNull())
        return bitmap;
    QPainter painter(&bitmap);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    painter.drawImage(QRectF(QPointF(0, 0), bitmap.size()), image);
    painter.end();
    return bitmap.convertToFormat(QImage::Format_ARGB32);
}

QImage reducedAndResampledImageOfMaximumSize(const QImage& image, const QSizeF& maximumSize)
{
    QSizeF size = largestBitmapImageRepSize(image);
    if (size.width() > maximumSize.width()) {
        const double factor = std::min(maximumSize.width() / size.width(), maximumSize.height() / size.height());
        size *= factor;
    }
    if (size.height() > maximumSize.height()) {
        const double factor = std::min(maximumSize.width() / size.width(), maximumSize.height() / size.height());
        size *= factor;
    }
    return resampledImageOfSize(image, size);
}

QImage reducedImageOfSize(const QImage& image, const QSizeF& maximumSize)
{
    const QSizeF size = image.deviceIndependentSize();
    if (image.isNull() || (size.width() <= maximumSize.width() && size.height() <= maximumSize.height()))
        return image;
    const double factor = std::min(maximumSize.width() / size.width(), maximumSize.height() / size.height());
    if (factor <= 0)
        return image;
    QImage reduced = image;
    reduced.setDevicePixelRatio(image.devicePixelRatio() / factor);
    return reduced;
}

QImage thumbnailOfSize(const QImage& image, const QSizeF& size)
{
    warnWhenTooSmall(size, "-[NSImage (DWExtensions_Private) thumbnailOfSize:]warning: image size too small: ");
    QImage thumbnail = blankImage(size);
    if (thumbnail.isNull())
        return thumbnail;
    QPainter painter(&thumbnail);
    drawCenteredInRect(painter, image, QRectF(QPointF(0, 0), size));
    return thumbnail;
}

QImage imageWithCanvasSize(const QImage& image, const QSizeF& size, const QColor& background)
{
    warnWhenTooSmall(size,
                     "-[NSImage (DWExtensions_Private) imageWithCanvasSize:backgroundColor:] warning -- image size too "
                     "small: ");
    QImage canvas = blankImage(size);
    if (canvas.isNull())
        return canvas;
    QPainter painter(&canvas);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    painter.fillRect(QRectF(QPointF(0, 0), size), background);
    drawCenteredInRect(painter, image, QRectF(QPointF(0, 0), size));
    return canvas;
}

QImage scaledImageWithSize(const QImage& image, const QSizeF& size, Qt::TransformationMode interpolation)
{
    warnWhenTooSmall(size, "-[NSImage (DWExtensions_Private) scaledImageWithSize:useInterpolation:] warning -- image "
                           "size too small: ");
    QImage scaled = blankImage(size);
    if (scaled.isNull())
        return scaled;
    QPainter painter(&scaled);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, interpolation == Qt::SmoothTransformation);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(QRectF(QPointF(0, 0), size), image);
    return scaled;
}

QImage rotateByAngle(const QImage& image, double degrees)
{
    if (degrees == 0)
        return image.copy();
    const QSizeF size = image.deviceIndependentSize();
    const bool quarter = degrees == 90 || degrees == -90;
    const QSizeF newSize = quarter ? size.transposed() : size;
    warnWhenTooSmall(newSize, "-[NSImage (DWExtensions_Private) rotateByAngle:] warning -- image size too small: ");
    QImage rotated = blankImage(newSize);
    if (rotated.isNull())
        return rotated;
    QPainter painter(&rotated);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, std::fmod(degrees, 90.0) != 0);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.translate(newSize.width() * 0.5, newSize.height() * 0.5);
    // The image's y axis points down, so a counter-clockwise turn is a negative angle here.
    painter.rotate(-degrees);
    painter.translate(-size.width() * 0.5, -size.height() * 0.5);
    painter.drawImage(QRectF(QPointF(0, 0), size), image);
    return rotated;
}

bool writeAsJPEGToPath(const QImage& image, const QString& path)
{
    if (image.isNull())
        return false;
    // JPEG has no transparency; left to the encoder, transparent parts would come out black.
    QImage flat(image.size(), QImage::Format_RGB32);
    flat.fill(Qt::white);
    {
        QPainter painter(&flat);
        painter.drawImage(QRectF(flat.rect()), image, QRectF(image.rect()));
    }
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(kJpegQuality);
    if (!writer.write(flat)) {
        consoleWrite(QStringLiteral("cannot encode JPEG for %1: %2").arg(path, writer.errorString()));
        return false;
    }
    QString error;
    if (!writeFileAtomically(path, buffer.data(), &error)) {
        consoleWrite(error);
        return false;
    }
    return true;
}

} // namespace dw
