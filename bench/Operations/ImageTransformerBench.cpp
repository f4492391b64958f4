// Making the upload copy for eBay's picture service of a 12-megapixel camera JPEG (4000 x 3000,
// reduced to 1000 x 750), beside ImageMagick's `convert -resize` of the same file to the same
// size (the process start included, which is small beside decoding 12 megapixels).
#include "Operations/QMEbayImageTransformer.h"

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

const QTemporaryDir& folder()
{
    static QTemporaryDir dir;
    return dir;
}

// Gradients with noise compress about as badly as photographs do.
const QString& cameraPicture()
{
    static const QString path = [] {
        QImage image(4000, 3000, QImage::Format_RGB32);
        QRandomGenerator random(12);
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                line[x] = qRgb((x / 16) % 256, (y / 12 + int(random.bounded(24))) % 256, (x + y) % 256);
        }
        const QString file = folder().filePath(QStringLiteral("camera.jpg"));
        image.save(file, "JPEG", 90);
        return file;
    }();
    return path;
}

void transformerEPSCopyOf12Megapixels(benchmark::State& state)
{
    const QString source = cameraPicture();
    QMEbayImageTransformer transformer;
    for (auto _ : state) {
        const QString copy = transformer.pathToEPSImageFromImageAtPath(source, QStringLiteral("Camera"));
        if (copy.isNull()) {
            state.SkipWithError("no copy was made");
            break;
        }
        QFile::remove(copy);
    }
}

void imageMagickResizeOf12Megapixels(benchmark::State& state)
{
    const QString convert = QStandardPaths::findExecutable(QStringLiteral("convert"));
    if (convert.isEmpty()) {
        state.SkipWithError("ImageMagick's convert is not installed");
        return;
    }
    const QString source = cameraPicture();
    const QString target = folder().filePath(QStringLiteral("convert.jpg"));
    for (auto _ : state) {
        const int status = QProcess::execute(convert, {source, QStringLiteral("-resize"), QStringLiteral("1000x750"),
                                                       QStringLiteral("-quality"), QStringLiteral("80"), target});
        if (status != 0) {
            state.SkipWithError("convert failed");
            break;
        }
    }
}

} // namespace

BENCHMARK(transformerEPSCopyOf12Megapixels)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(imageMagickResizeOf12Megapixels)->Unit(benchmark::kMillisecond)->UseRealTime();
