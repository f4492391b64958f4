#pragma once
// Turns pictures and video frames into the packed 4:2:2 frames (U Y V Y) that the barcode reader
// reads, the way a camera delivers them: the picture scaled to fit the frame, centred, on white.
//
//     QByteArray frame = QMPackedFrameConverter::packedFrameFromImage(image, {640, 480});
//     reader.processFrame(QMPackedFrameConverter::frameView(frame, {640, 480}));
//
// Any thread. A null picture gives a white frame.

#include "productsearch/QMBarcodeReader.h"

#include <QByteArray>
#include <QImage>
#include <QSize>

class QVideoFrame;

class QMPackedFrameConverter
{
public:
    static QByteArray packedFrameFromImage(const QImage& image, const QSize& size);
    // A frame of the camera: copied as it is when it already is packed 4:2:2 (U Y V Y) of the
    // given size, else converted through a picture. Empty when the frame cannot be read.
    static QByteArray packedFrameFromVideoFrame(const QVideoFrame& frame, const QSize& size);
    // The reader's view of a packed frame of the given size (rows of 2 × width bytes).
    static QMPackedFrame frameView(const QByteArray& bytes, const QSize& size);
    // A packed frame back as a grey picture (the preview).
    static QImage imageFromPackedFrame(const QByteArray& bytes, const QSize& size);
};
