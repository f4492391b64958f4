// Saving a listing document with 24 camera pictures of about 1 MB: the picture files are embedded
// as they are, so the time is that of reading the files and writing the file. `qv-listing create`
// writes the document beside `cat` of the same picture files into one file followed by `sync` of
// that file (both processes, started the same way); in process, the document is archived into
// memory and written to a file.
#include "model/QMEbayImage.h"
#include "model/QMEbayItem.h"
#include "model/QMEbayItemContainer.h"
#include "support/BenchRatios.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {

constexpr int kPictures = 24;

const QTemporaryDir& folder()
{
    static QTemporaryDir dir;
    return dir;
}

// Pictures with noise compress about as badly as photographs do.
const QStringList& pictureFiles()
{
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
            const QString path = folder().filePath(QStringLiteral("photo%1.jpg").arg(i));
            image.save(path, "JPEG", 90);
            paths << path;
        }
        return paths;
    }();
    return files;
}

qint64 pictureBytes()
{
    qint64 bytes = 0;
    for (const QString& path : pictureFiles())
        bytes += QFileInfo(path).size();
    return bytes;
}

std::shared_ptr<QMEbayItem> listingWithPictures()
{
    auto item = std::make_shared<QMEbayItem>();
    QList<std::shared_ptr<QMEbayImage>> pictures;
    for (const QString& path : pictureFiles())
        pictures << std::make_shared<QMEbayImage>(path, QString());
    item->setImages(pictures);
    return item;
}

void run(benchmark::State& state, const QString& program, const QStringList& arguments)
{
    for (auto _ : state) {
        if (QProcess::execute(program, arguments) != 0) {
            state.SkipWithError(qPrintable(program + QStringLiteral(" failed")));
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * pictureBytes());
}

void qvListingCreateWith24Pictures(benchmark::State& state)
{
    const QString listing = folder().filePath(QStringLiteral("listing.json"));
    QFile json(listing);
    if (!json.open(QIODevice::WriteOnly) || json.write(R"({"title": "Two dozen pictures"})") < 0) {
        state.SkipWithError("cannot write the listing");
        return;
    }
    json.close();
    run(state, QStringLiteral(DW_QV_LISTING),
        QStringList{QStringLiteral("create"), listing, folder().filePath(QStringLiteral("made.qvlisting"))} +
            pictureFiles());
}

void catAndSyncOf24Pictures(benchmark::State& state)
{
    const QString target = folder().filePath(QStringLiteral("cat.out"));
    run(state, QStringLiteral("/bin/sh"),
        QStringList{QStringLiteral("-c"), QStringLiteral(R"(out="$1"; shift; cat "$@" > "$out" && sync "$out")"),
                    QStringLiteral("sh"), target} +
            pictureFiles());
}

void saveDocumentWith24Pictures(benchmark::State& state)
{
    const auto item = listingWithPictures();
    const QString target = folder().filePath(QStringLiteral("saved.qvlisting"));
    for (auto _ : state) {
        QString error;
        if (!QMEbayItemContainer::writeDocumentWithItem(item, target, QStringLiteral("2"), &error)) {
            state.SkipWithError(qPrintable(error));
            break;
        }
    }
    state.SetBytesProcessed(state.iterations() * pictureBytes());
}

void documentDataWith24Pictures(benchmark::State& state)
{
    const auto item = listingWithPictures();
    for (auto _ : state)
        benchmark::DoNotOptimize(QMEbayItemContainer::documentDataWithItem(item));
    state.SetBytesProcessed(state.iterations() * pictureBytes());
}

} // namespace

BENCHMARK(qvListingCreateWith24Pictures)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(catAndSyncOf24Pictures)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(saveDocumentWith24Pictures)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(documentDataWith24Pictures)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    pictureFiles();
    return dw::bench::runWithRatios(argc, argv, {{"qvListingCreateWith24Pictures", "catAndSyncOf24Pictures", 2.0}}, 5);
}
