#pragma once
// The picture strip at the leading edge of the kit's list cells: the picture in points, a gap
// before it, centred vertically.

#include <QImage>
#include <QRectF>
#include <cmath>

namespace dw::cells {

inline constexpr qreal kImageGap = 3.0;

inline QSizeF pointSize(const QImage& image)
{
    return image.isNull() ? QSizeF(0, 0) : image.deviceIndependentSize();
}

// Width taken by the picture and its gap (the gap alone when there is no picture).
inline qreal stripWidth(const QImage& image)
{
    return pointSize(image).width() + kImageGap;
}

inline QRectF centredImageFrame(const QRectF& frame, const QImage& image)
{
    if (image.isNull())
        return {};
    const QSizeF picture = pointSize(image);
    return QRectF(frame.x() + kImageGap, frame.y() + std::ceil((frame.height() - picture.height()) / 2),
                  picture.width(), picture.height());
}

} // namespace dw::cells
