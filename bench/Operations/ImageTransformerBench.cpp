// Making the upload copy for eBay's picture service (1000 x 750) and the thumbnail (148 x 111) of
// a 12-megapixel camera JPEG (4000 x 3000), beside vipsthumbnail making the same sizes from the
// same file (its process start included, as small as ours is not) and ImageMagick's
// `convert -resize`. The ratios are ours to vipsthumbnail's.
#include "Operations/QMEbayImageTransformer.h"
#include "support/BenchRatios.h"

#include <QFile>
#include <QFileInfo>
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

void transformerThumbnailOf12Megapixels(benchmark::State& state)
{
    const QString source = cameraPicture();
    QMEbayImageTransformer transformer;
    for (auto _ : state) {
        const QString thumbnail = transformer.generateAndBackupThumbnailFromFullSizeImageAtPath(source);
        if (!QFileInfo::exists(thumbnail)) {
            state.SkipWithError("no thumbnail was made");
            break;
        }
        QFile::remove(thumbnail);
    }
}

// vipsthumbnail reduces into a box: 1000 x 750 for the upload copy, 148 x 148 for the thumbnail.
void vipsthumbnail(benchmark::State& state, const char* box, const char* name)
{
    const QString program = QStandardPaths::findExecutable(QStringLiteral("vipsthumbnail"));
    if (program.isEmpty()) {
        state.SkipWithError("vipsthumbnail (libvips-tools) is not installed");
        return;
    }
    const QString source = cameraPicture();
    const QString target = folder().filePath(QString::fromLatin1(name)) + QStringLiteral("[Q=80]");
    for (auto _ : state) {
        const int status = QProcess::execute(
            program, {source, QStringLiteral("--size"), QString::fromLatin1(box), QStringLiteral("-o"), target});
        if (status != 0) {
            state.SkipWithError("vipsthumbnail failed");
            break;
        }
    }
}

void vipsthumbnailUploadCopyOf12Megapixels(benchmark::State& state)
{
    vipsthumbnail(state, "1000x750", "vips-upload.jpg");
}

void vipsthumbnailThumbnailOf12Megapixels(benchmark::State& state)
{
    vipsthumbnail(state, "148x148", "vips-thumb.jpg");
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
BENCHMARK(vipsthumbnailUploadCopyOf12Megapixels)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(transformerThumbnailOf12Megapixels)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(vipsthumbnailThumbnailOf12Megapixels)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(imageMagickResizeOf12Megapixels)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    return dw::bench::runWithRatios(
        argc, argv,
        {{"transformerEPSCopyOf12Megapixels", "vipsthumbnailUploadCopyOf12Megapixels", 0.5},
         {"transformerThumbnailOf12Megapixels", "vipsthumbnailThumbnailOf12Megapixels", 0.5}});
}
