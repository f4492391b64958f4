#pragma once
// Picture operations of the listing pipeline: decoding with the camera's orientation applied,
// measuring, reducing and resampling to the upload size, thumbnails, canvases, rotation by
// quarter turns, centred drawing, and writing JPEG files.
//
// Images are QImage; sizes are in points (QImage::deviceIndependentSize(), one point per pixel
// unless reducedImageOfSize() made the points larger), bitmap sizes in pixels. Every operation
// returns a new image and leaves its argument alone. Sizes below one point are logged as warnings
// and processed all the same (giving a null image where no pixel is left). Any thread: nothing
// here touches a window or the screen.
//
//     const QImage picture = dw::imageWithContentsOfFile(path);    // upright, whatever the camera wrote
//     const QImage upload = dw::reducedAndResampledImageOfMaximumSize(picture, QSizeF(1600, 1600));
//     if (!dw::writeAsJPEGToPath(upload, target)) ...

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QRectF>
#include <QSizeF>
#include <QString>

namespace dw {

// The picture in `data` (null when it is none), turned upright by its EXIF orientation. A file
// holding several pictures (pages, icon sizes) gives its largest one.
QImage imageWithData(const QByteArray& data);
QImage imageWithContentsOfFile(const QString& path);

// The pixel size of the picture's bitmap; zero for a null image.
QSize largestBitmapImageRepSize(const QImage& image);

// Where drawCenteredInRect() draws: scaled to fit `rect` (up or down), centred, its origin on
// whole points plus half a point. An empty rectangle when nothing would be drawn.
QRectF centeredDrawingRect(const QSizeF& imageSize, const QRectF& rect);
void drawCenteredInRect(QPainter& painter, const QImage& image, const QRectF& rect,
                        QPainter::CompositionMode operation = QPainter::CompositionMode_SourceOver,
                        qreal fraction = 1.0, const QColor& frameColor = QColor());

// A new 8-bit RGBA bitmap of `size` (truncated to whole pixels) with the picture stretched over it
// with smooth interpolation.
QImage resampledImageOfSize(const QImage& image, const QSizeF& size);
// Reduced proportionally to fit `maximumSize`, from the bitmap's pixel size, then resampled (also
// when it fits already): 3000 x 2000 within 1600 x 1600 gives 1600 x 1066.
QImage reducedAndResampledImageOfMaximumSize(const QImage& image, const QSizeF& maximumSize);
// The same picture with its size in points reduced proportionally to fit; the pixels stay.
QImage reducedImageOfSize(const QImage& image, const QSizeF& maximumSize);

// An image of `size` with the picture drawn centred (drawCenteredInRect) on transparency.
QImage thumbnailOfSize(const QImage& image, const QSizeF& size);
// An image of `size` filled with `background` and the picture drawn centred on it.
QImage imageWithCanvasSize(const QImage& image, const QSizeF& size, const QColor& background);
// The picture stretched over an image of `size` (the aspect ratio is not kept).
QImage scaledImageWithSize(const QImage& image, const QSizeF& size,
                           Qt::TransformationMode interpolation = Qt::SmoothTransformation);

// Rotated about its centre by `degrees`, counter-clockwise for a positive angle. 90 and -90 swap
// width and height; other angles keep the size and cut off the corners that leave it.
QImage rotateByAngle(const QImage& image, double degrees);

// Writes the picture as a JPEG file at quality 80 (transparent parts on white), atomically;
// false when the image is null or the file cannot be written.
[[nodiscard]] bool writeAsJPEGToPath(const QImage& image, const QString& path);

} // namespace dw
