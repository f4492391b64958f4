#include "productsearch/QMPackedFrameConverter.h"

#include <QPainter>
#include <QVideoFrame>
#include <cstring>

QByteArray QMPackedFrameConverter::packedFrameFromImage(const QImage& image, const QSize& size)
{
    QImage canvas(size, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    if (!image.isNull()) {
        const QImage scaled = image.scaled(size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        QPainter painter(&canvas);
        painter.drawImage((size.width() - scaled.width()) / 2, (size.height() - scaled.height()) / 2, scaled);
    }
    QByteArray bytes(qsizetype(size.width()) * size.height() * 2, '\0');
    auto* out = reinterpret_cast<std::uint8_t*>(bytes.data());
    for (int y = 0; y < size.height(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(canvas.constScanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const QRgb pixel = line[x];
            const int luma = (299 * qRed(pixel) + 587 * qGreen(pixel) + 114 * qBlue(pixel) + 500) / 1000;
            out[0] = 128; // chroma of a grey picture
            out[1] = std::uint8_t(luma);
            out += 2;
        }
    }
    return bytes;
}

QByteArray QMPackedFrameConverter::packedFrameFromVideoFrame(const QVideoFrame& frame, const QSize& size)
{
    if (frame.pixelFormat() == QVideoFrameFormat::Format_UYVY && frame.size() == size) {
        QVideoFrame mapped(frame);
        if (!mapped.map(QVideoFrame::ReadOnly))
            return {};
        const qsizetype rowBytes = qsizetype(size.width()) * 2;
        QByteArray bytes(rowBytes * size.height(), '\0');
        const int stride = mapped.bytesPerLine(0);
        if (stride >= rowBytes && qsizetype(stride) * size.height() <= mapped.mappedBytes(0)) {
            for (int y = 0; y < size.height(); ++y)
                std::memcpy(bytes.data() + rowBytes * y, mapped.bits(0) + qsizetype(stride) * y, size_t(rowBytes));
        } else {
            bytes.clear();
        }
        mapped.unmap();
        return bytes;
    }
    const QImage image = frame.toImage();
    if (image.isNull())
        return {};
    return packedFrameFromImage(image, size);
}

QMPackedFrame QMPackedFrameConverter::frameView(const QByteArray& bytes, const QSize& size)
{
    return QMPackedFrame{reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()),
                         size.width(), size.height(), std::size_t(size.width()) * 2};
}

QImage QMPackedFrameConverter::imageFromPackedFrame(const QByteArray& bytes, const QSize& size)
{
    if (bytes.size() < qsizetype(size.width()) * size.height() * 2)
        return {};
    QImage image(size, QImage::Format_Grayscale8);
    const auto* in = reinterpret_cast<const std::uint8_t*>(bytes.constData());
    for (int y = 0; y < size.height(); ++y) {
        std::uint8_t* line = image.scanLine(y);
        for (int x = 0; x < size.width(); ++x)
            line[x] = in[(qsizetype(y) * size.width() + x) * 2 + 1];
    }
    return image;
}
