// Opening a listing document with 24 camera pictures of about 1 MB each until its window shows,
// beside opening a 12 KB document without pictures the same way, in the program's document
// controller with the program's picture transformer. The thumbnails of the pictures list are
// made after the window shows, off the main thread; they are finished (and the closed document's
// picture copies removed) between iterations, outside the clock, so that every opening is a
// first one. Offscreen unless QT_QPA_PLATFORM says otherwise.
#include "Operations/QMEbayImageTransformer.h"
#include "model/QMApplicationDefaults.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayItem.h"
#include "model/QMEbayItemContainer.h"
#include "platform/core/UserDefaults.h"
#include "platform/text/StyledText.h"
#include "shell/QMBDocument.h"
#include "shell/QMBDocumentController.h"
#include "shell/QMBSettingsPaneController.h"
#include "support/BenchRatios.h"
#include "tests/support/ScriptedAlertPresenter.h"
#include "tests/support/TemporaryXdg.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <benchmark/benchmark.h>
#include <memory>

namespace {

constexpr int kPictures = 24;

struct Fixture
{
    dw::test::TemporaryXdg xdg;
    dw::test::ScriptedAlertPresenter alerts;
    QString pictures;
    QString small;
};

Fixture* s_fixture = nullptr;

QString writeDocument(const QString& path, const std::shared_ptr<QMEbayItem>& item)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(QMEbayItemContainer::documentDataWithItem(item)) < 0)
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

void prepare()
{
    s_fixture = new Fixture;
    QString error;
    if (!registerApplicationDefaultsAndTransformers(dw::UserDefaults::standard(), &error))
        qWarning("the defaults could not be registered: %s", qPrintable(error));
    QMEbayImageTransformer::installAsModelHooks();

    // Pictures with noise compress about as badly as photographs do: about 1 MB each.
    auto item = std::make_shared<QMEbayItem>();
    item->setTitle(QStringLiteral("Two dozen pictures"));
    QList<std::shared_ptr<QMEbayImage>> pictures;
    QImage image(1600, 1200, QImage::Format_RGB32);
    QRandomGenerator random(7);
    for (int i = 0; i < kPictures; ++i) {
        for (int y = 0; y < image.height(); ++y) {
            auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
            for (int x = 0; x < image.width(); ++x)
                line[x] = qRgb((x + i * 10) % 256, (y + int(random.bounded(40))) % 256, int(random.bounded(256)));
        }
        const QString path = s_fixture->xdg.path(QStringLiteral("photo%1.jpg").arg(i));
        image.save(path, "JPEG", 90);
        pictures << std::make_shared<QMEbayImage>(path, QString());
    }
    item->setImages(pictures);
    s_fixture->pictures = writeDocument(s_fixture->xdg.path(QStringLiteral("pictures.qvlisting")), item);

    auto plain = std::make_shared<QMEbayItem>();
    plain->setTitle(QStringLiteral("A description and no pictures"));
    QString text;
    while (text.size() < 4000)
        text += QStringLiteral("Solid oak, turned by hand, oiled and waxed; a small mark on the base. ");
    plain->setItemDescriptionString(dw::StyledText(text));
    s_fixture->small = writeDocument(s_fixture->xdg.path(QStringLiteral("small.qvlisting")), plain);
}

void openUntilTheWindowShows(benchmark::State& state, const QString& path)
{
    auto& documents = QMBDocumentController::sharedDocumentController();
    state.counters["document_kB"] = double(QFileInfo(path).size()) / 1024;
    for (auto _ : state) {
        QString error;
        QMBDocument* document = documents.openDocumentWithContentsOfFile(path, true, &error);
        if (!document || !document->isVisible()) {
            state.SkipWithError(qPrintable(QStringLiteral("not opened: %1").arg(error)));
            break;
        }
        state.PauseTiming();
        while (document->settingsPaneController()->makingThumbnails())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        delete document;
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}

void openDocumentWith24Pictures(benchmark::State& state)
{
    openUntilTheWindowShows(state, s_fixture->pictures);
}

void openSmallDocument(benchmark::State& state)
{
    openUntilTheWindowShows(state, s_fixture->small);
}

} // namespace

BENCHMARK(openSmallDocument)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(openDocumentWith24Pictures)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QV_RESOURCES_DIR"))
        qputenv("QV_RESOURCES_DIR", DW_RESOURCES);
    QApplication app(argc, argv);
    prepare();
    const int status =
        dw::bench::runWithRatios(argc, argv, {{"openDocumentWith24Pictures", "openSmallDocument", 1.5}}, 5);
    delete s_fixture;
    return status;
}
