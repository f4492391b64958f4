// Our barcode reader, zxing-cpp and zbar on the same 640 × 480 frames.
//
// Two sets of frames: "synthetic" (the code straight in front of the camera, only slightly
// blurred) and "photographed" (simulated photographs: the label at a random size, tilted and seen
// in perspective, defocused, under uneven light and with sensor noise; no real photographs are
// stored here). Each benchmark reports "rate", the share of frames whose code was read correctly,
// and the time per frame. Our reader is run on a frame as the camera holds a code in view: a fresh
// reader gets the frame once ("1 frame") or eight times ("8 frames", its votes over frames), and
// the time is per frame handed to it. zxing-cpp and zbar read each frame once, from its luma.
#include "productsearch/QMBarcodeReader.h"
#include "productsearch/QMPackedFrameConverter.h"

#include "platform/core/Clock.h"
#include "tests/support/barcode/SyntheticBarcode.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>
#include <random>
// zbar first: zxing-cpp defines macros named like zbar's exception classes.
#include <zbar.h>
// clang-format off
#include <ZXing/ReadBarcode.h>
// clang-format on

namespace {

const QSize kSize(640, 480);

struct Frame
{
    QString code;
    QByteArray packed; // U Y V Y
    QByteArray luma;   // one byte a pixel
};

QString randomCode(std::mt19937& random)
{
    QString code;
    std::uniform_int_distribution<int> digit(0, 9);
    code += QChar(u'1' + digit(random) % 9);
    for (int i = 0; i < 11; ++i)
        code += QChar(u'0' + digit(random));
    int sum = 0;
    for (int i = 0; i < 12; ++i)
        sum += code.at(i).digitValue() * (i % 2 == 0 ? 1 : 3);
    return code + QChar(u'0' + (10 - sum % 10) % 10);
}

std::vector<Frame> makeFrames(bool photographed)
{
    std::mt19937 random(photographed ? 2 : 1);
    std::vector<Frame> frames;
    for (std::uint32_t i = 0; i < 120; ++i) {
        Frame frame;
        frame.code = randomCode(random);
        const QImage symbol = dw::test::renderEan13(frame.code, 4, 300);
        dw::test::PhotoOptions options{
            .seed = i + 1, .blur = 1, .noise = 0, .tilt = 0, .rotation = 0, .lightFalloff = 0};
        if (photographed)
            options = {.seed = i + 1,
                       .blur = 1.0 + (i % 3) * 0.5,
                       .noise = 4.0 + (i % 4) * 2.0,
                       .tilt = 0.2,
                       .rotation = 4,
                       .lightFalloff = 0.45};
        const QImage photo = dw::test::photographBarcode(symbol, options);
        frame.packed = QMPackedFrameConverter::packedFrameFromImage(photo, kSize);
        frame.luma.resize(qsizetype(kSize.width()) * kSize.height());
        for (qsizetype p = 0; p < frame.luma.size(); ++p)
            frame.luma[p] = frame.packed[2 * p + 1];
        frames.push_back(frame);
    }
    return frames;
}

const std::vector<Frame>& frames(bool photographed)
{
    static const std::vector<Frame> synthetic = makeFrames(false);
    static const std::vector<Frame> photos = makeFrames(true);
    return photographed ? photos : synthetic;
}

void report(benchmark::State& state, int correct, std::size_t frameCount, std::int64_t framesFed)
{
    state.counters["rate"] = double(correct) / double(frameCount);
    state.counters["per_frame"] =
        benchmark::Counter(double(framesFed), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void ours(benchmark::State& state, bool photographed, int repeats)
{
    const auto& set = frames(photographed);
    int correct = 0;
    std::int64_t fed = 0;
    for (auto _ : state) {
        correct = 0;
        for (const Frame& frame : set) {
            QMBarcodeReader reader;
            reader.setLastDateScan(dw::now().addDays(-1));
            for (int i = 0; i < repeats; ++i)
                reader.processFrame(QMPackedFrameConverter::frameView(frame.packed, kSize));
            fed += repeats;
            correct += reader.lastBarcode() == frame.code;
        }
    }
    report(state, correct, set.size(), fed);
}

void zxing(benchmark::State& state, bool photographed)
{
    const auto& set = frames(photographed);
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::EAN13 | ZXing::BarcodeFormat::UPCA);
    int correct = 0;
    std::int64_t fed = 0;
    for (auto _ : state) {
        correct = 0;
        for (const Frame& frame : set) {
            const ZXing::ImageView view(reinterpret_cast<const uint8_t*>(frame.luma.constData()), kSize.width(),
                                        kSize.height(), ZXing::ImageFormat::Lum);
            const auto result = ZXing::ReadBarcode(view, hints);
            ++fed;
            correct += result.isValid() && QString::fromStdString(result.text()) == frame.code;
        }
    }
    report(state, correct, set.size(), fed);
}

void zbarReader(benchmark::State& state, bool photographed)
{
    using namespace zbar; // the C interface, which C++ sees in the namespace
    const auto& set = frames(photographed);
    zbar_image_scanner_t* scanner = zbar_image_scanner_create();
    zbar_image_scanner_set_config(scanner, ZBAR_NONE, ZBAR_CFG_ENABLE, 0);
    zbar_image_scanner_set_config(scanner, ZBAR_EAN13, ZBAR_CFG_ENABLE, 1);
    int correct = 0;
    std::int64_t fed = 0;
    for (auto _ : state) {
        correct = 0;
        for (const Frame& frame : set) {
            zbar_image_t* image = zbar_image_create();
            zbar_image_set_format(image, zbar_fourcc('Y', '8', '0', '0'));
            zbar_image_set_size(image, unsigned(kSize.width()), unsigned(kSize.height()));
            zbar_image_set_data(image, frame.luma.constData(), unsigned(frame.luma.size()), nullptr);
            bool read = false;
            if (zbar_scan_image(scanner, image) > 0) {
                for (const zbar_symbol_t* symbol = zbar_image_first_symbol(image); symbol;
                     symbol = zbar_symbol_next(symbol))
                    read = read || QString::fromUtf8(zbar_symbol_get_data(symbol)) == frame.code;
            }
            zbar_image_destroy(image);
            ++fed;
            correct += read;
        }
    }
    zbar_image_scanner_destroy(scanner);
    report(state, correct, set.size(), fed);
}

} // namespace

BENCHMARK_CAPTURE(ours, synthetic_1_frame, false, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ours, synthetic_8_frames, false, 8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(zxing, synthetic, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(zbarReader, synthetic, false)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ours, photographed_1_frame, true, 1)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(ours, photographed_8_frames, true, 8)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(zxing, photographed, true)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(zbarReader, photographed, true)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    // Pictures are drawn with QPainter, which wants a GUI application (offscreen is enough).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
