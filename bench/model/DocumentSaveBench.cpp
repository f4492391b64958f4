// Saving a listing document with 24 camera pictures: the picture files are embedded as they are,
// so the time is that of reading the files and writing the archive, not of decoding pictures.
#include "model/QMEbayImage.h"
#include "model/QMEbayItem.h"
#include "model/QMEbayItemContainer.h"

#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kPictures = 24;

// Pictures with noise compress about as badly as photographs do.
const QStringList& pictureFiles()
{
    static QTemporaryDir dir;
    static const QStringList files = [] {
        QStringList paths;
        QImage image(1600, 1200, QImage::Format_RGB32);
        QRandomGenerator random(7);
        for (int i = 0; i < kPictures; ++i) {
            for (int y = 0; y < image.height(); ++y) {
                auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
                for (int x = 0; x < image.width(); ++x)
                    line[x] = qRgb((x + i * 10) % 256, (y + int(random.bounded(40))) % 256, int(random.bounded(256)));
            }
            const QString path = dir.filePath(QStringLiteral("photo%1.jpg").arg(i));
            image.save(path, "JPEG", 90);
            paths << path;
        }
        return paths;
    }();
    return files;
}

void saveDocumentWith24Pictures(benchmark::State& state)
{
    auto item = std::make_shared<QMEbayItem>();
    QList<std::shared_ptr<QMEbayImage>> pictures;
    qint64 bytes = 0;
    for (const QString& path : pictureFiles()) {
        pictures << std::make_shared<QMEbayImage>(path, QString());
        bytes += QFileInfo(path).size();
    }
    item->setImages(pictures);
    for (auto _ : state)
        benchmark::DoNotOptimize(QMEbayItemContainer::documentDataWithItem(item));
    state.SetBytesProcessed(state.iterations() * bytes);
}

} // namespace

BENCHMARK(saveDocumentWith24Pictures)->Unit(benchmark::kMillisecond);
