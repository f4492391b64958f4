// qv-ean-scan [--frames N] [--size WxH] FILE...
//
// Reads each file as the camera path reads a frame and prints one line per file: "FILE: CODE", or
// "FILE: -" when nothing was read. A file is a picture in any format Qt reads, scaled into a
// 640 × 480 frame, or with --size a raw packed 4:2:2 frame (U Y V Y) of that size. By default the
// file is read once as a still picture: the whole frame is searched, and a code is printed only
// when two independent scan lines read it. With --frames N it is handed to the reader N times, as
// a camera holding the code in view would, and what the reader reports over those frames (its
// votes included) is printed. Exits 0 when it ran, 2 on a wrong command line.
#include "productsearch/QMBarcodeReader.h"
#include "productsearch/QMPackedFrameConverter.h"

#include "platform/core/Clock.h"

#include <QCoreApplication>
#include <QFile>
#include <QImageReader>
#include <QRegularExpression>
#include <cstdio>

namespace {

int usage()
{
    std::fprintf(stderr, "usage: qv-ean-scan [--frames N] [--size WxH] FILE...\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    int frames = 0; // a still picture
    QSize rawSize;
    QStringList files;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments.at(i);
        if (argument == QLatin1String("--frames") && i + 1 < arguments.size()) {
            bool ok = false;
            frames = arguments.at(++i).toInt(&ok);
            if (!ok || frames < 1)
                return usage();
        } else if (argument == QLatin1String("--size") && i + 1 < arguments.size()) {
            const auto match = QRegularExpression(QStringLiteral("^(\\d{1,5})x(\\d{1,5})$")).match(arguments.at(++i));
            if (!match.hasMatch())
                return usage();
            rawSize = QSize(match.captured(1).toInt(), match.captured(2).toInt());
        } else if (argument.startsWith(QLatin1String("--"))) {
            return usage();
        } else {
            files << argument;
        }
    }
    if (files.isEmpty())
        return usage();

    const QSize cameraSize(QMBarcodeReader::kScanWidth, 480);
    for (const QString& file : files) {
        QByteArray frame;
        QSize size = cameraSize;
        if (rawSize.isValid()) {
            QFile raw(file);
            if (raw.open(QIODevice::ReadOnly))
                frame = raw.readAll();
            size = rawSize;
        } else {
            QImageReader reader(file);
            reader.setAutoTransform(true);
            const QImage image = reader.read();
            if (!image.isNull())
                frame = QMPackedFrameConverter::packedFrameFromImage(image, cameraSize);
        }
        QString code;
        if (!frame.isEmpty()) {
            QMBarcodeReader reader;
            reader.setExpectedFrameSize(size);
            reader.setLastDateScan(dw::now().addDays(-1));
            reader.clearGlobalFrequency();
            // The view states the size the caller claims; the reader checks the bytes against it.
            const QMPackedFrame view{reinterpret_cast<const std::uint8_t*>(frame.constData()),
                                     std::size_t(frame.size()), size.width(), size.height(),
                                     std::size_t(size.width()) * 2};
            if (frames == 0) {
                code = reader.readStillFrame(view);
            } else {
                for (int i = 0; i < frames; ++i)
                    reader.processFrame(view);
                code = reader.lastBarcode();
            }
        }
        std::printf("%s: %s\n", qPrintable(file), code.isEmpty() ? "-" : qPrintable(code));
    }
    std::fflush(stdout);
    return 0;
}
