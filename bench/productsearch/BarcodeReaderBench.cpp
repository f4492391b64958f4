// Our barcode reader, zbar and zxing-cpp on the same pictures: codes read, wrong codes, time per
// frame.
//
//     productsearch_bench [--photos DIR] [benchmark options]
//
// Three sets:
// - "photographs": real camera pictures, each NAME.<picture> beside NAME.txt with its digits (a
//   12-digit UPC-A is the 13-digit code with a leading 0), found in DIR and its subfolders
//   (default: the shared development photographs beside the source tree). Each is made into a
//   640 × 480 frame as the camera path would see it (scaled to fit, on white). zbar and zxing-cpp
//   read the frame's luma, and also the picture at its own size ("picture"), as they would read a
//   file.
// - "synthetic": 120 codes straight in front of the camera, only slightly blurred.
// - "simulated": 120 simulated photographs (random size, tilt, perspective, defocus, uneven light
//   and sensor noise).
// Our reader reads each frame as a still picture (what qv-ean-scan FILE does: the whole search, a
// code only when two independent lines agree). On the synthetic sets it also runs as the camera
// path: a fresh reader gets the frame 8 times ("camera 8 frames") and the time is per frame handed
// to it. The others read each frame once. At the end a table gives, per set and reader, the codes
// read correctly, the wrong ones, the time per frame and its ratio to zxing-cpp's on the same
// frames.
#include "productsearch/QMBarcodeReader.h"
#include "productsearch/QMPackedFrameConverter.h"

#include "platform/core/Clock.h"
#include "tests/support/barcode/SyntheticBarcode.h"

#include <QDirIterator>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
// zbar first: zxing-cpp defines macros named like zbar's exception classes.
#include <zbar.h>
// clang-format off
#include <ZXing/ReadBarcode.h>
// clang-format on

namespace {

const QSize kSize(640, 480);

struct Grey
{
    QByteArray bytes; // one byte a pixel
    int width = 0;
    int height = 0;
};

struct Sample
{
    QString name;
    QString code;      // 13 digits
    QByteArray packed; // the 640 × 480 frame, U Y V Y
    Grey frame;        // its luma
    Grey picture;      // the picture at its own size (photographs only)
};

struct Set
{
    std::string name;
    std::vector<Sample> samples;
};

QString photoFolder = QStringLiteral(DW_BARCODE_PHOTOS);

Grey greyOf(const QImage& image)
{
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    Grey out{QByteArray(qsizetype(grey.width()) * grey.height(), '\0'), grey.width(), grey.height()};
    for (int y = 0; y < grey.height(); ++y)
        std::memcpy(out.bytes.data() + qsizetype(y) * grey.width(), grey.constScanLine(y), std::size_t(grey.width()));
    return out;
}

Grey lumaOf(const QByteArray& packed)
{
    Grey out{QByteArray(qsizetype(kSize.width()) * kSize.height(), '\0'), kSize.width(), kSize.height()};
    for (qsizetype p = 0; p < out.bytes.size(); ++p)
        out.bytes[p] = packed[2 * p + 1];
    return out;
}

// 12 digits are a UPC-A, the same code as 13 with a leading 0.
QString normalised(const QString& code)
{
    return code.size() == 12 ? QLatin1Char('0') + code : code;
}

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

Set makeSynthetic(bool simulated)
{
    std::mt19937 random(simulated ? 2 : 1);
    Set set{simulated ? "simulated" : "synthetic", {}};
    for (std::uint32_t i = 0; i < 120; ++i) {
        Sample sample;
        sample.code = randomCode(random);
        const QImage symbol = dw::test::renderEan13(sample.code, 4, 300);
        dw::test::PhotoOptions options{
            .seed = i + 1, .blur = 1, .noise = 0, .tilt = 0, .rotation = 0, .lightFalloff = 0};
        if (simulated)
            options = {.seed = i + 1,
                       .blur = 1.0 + (i % 3) * 0.5,
                       .noise = 4.0 + (i % 4) * 2.0,
                       .tilt = 0.2,
                       .rotation = 4,
                       .lightFalloff = 0.45};
        sample.packed =
            QMPackedFrameConverter::packedFrameFromImage(dw::test::photographBarcode(symbol, options), kSize);
        sample.frame = lumaOf(sample.packed);
        set.samples.push_back(std::move(sample));
    }
    return set;
}

Set makePhotographs()
{
    Set set{"photographs", {}};
    QDirIterator files(photoFolder, {QStringLiteral("*.txt")}, QDir::Files, QDirIterator::Subdirectories);
    QStringList names;
    while (files.hasNext())
        names << files.next();
    names.sort();
    for (const QString& text : names) {
        const QString base = text.chopped(4);
        QString picturePath;
        for (const char* suffix : {".webp", ".png", ".jpg", ".jpeg"})
            if (QFile::exists(base + QLatin1String(suffix)))
                picturePath = base + QLatin1String(suffix);
        QFile file(text);
        if (picturePath.isEmpty() || !file.open(QIODevice::ReadOnly))
            continue;
        QImageReader reader(picturePath);
        reader.setAutoTransform(true);
        const QImage image = reader.read();
        if (image.isNull())
            continue;
        Sample sample;
        sample.name = picturePath.mid(photoFolder.size() + 1);
        sample.code = normalised(QString::fromUtf8(file.readAll()).trimmed());
        sample.packed = QMPackedFrameConverter::packedFrameFromImage(image, kSize);
        sample.frame = lumaOf(sample.packed);
        sample.picture = greyOf(image);
        set.samples.push_back(std::move(sample));
    }
    return set;
}

const Set& setNamed(const std::string& name)
{
    if (name == "photographs") {
        static const Set photographs = makePhotographs();
        return photographs;
    }
    if (name == "synthetic") {
        static const Set synthetic = makeSynthetic(false);
        return synthetic;
    }
    static const Set simulated = makeSynthetic(true);
    return simulated;
}

// What a reader made of one set: per sample the code it gave (empty for none).
struct Outcome
{
    int read = 0;
    int wrong = 0;
    int frames = 0;
    double microseconds = 0; // per frame
    std::vector<QString> codes;
};
std::map<std::string, std::map<std::string, Outcome>> outcomes; // set, reader

using ReadFunction = QString (*)(const Sample&);

QString readOurs(const Sample& sample)
{
    // One reader for every picture, as a program reading a folder would keep one (a still picture
    // leaves nothing behind in it).
    static QMBarcodeReader reader;
    return reader.readStillFrame(QMPackedFrameConverter::frameView(sample.packed, kSize));
}

QString readCamera(const Sample& sample)
{
    QMBarcodeReader reader;
    reader.setLastDateScan(dw::now().addDays(-1));
    for (int i = 0; i < 8; ++i)
        reader.processFrame(QMPackedFrameConverter::frameView(sample.packed, kSize));
    return reader.lastBarcode();
}

QString zxingOf(const Grey& grey)
{
    ZXing::DecodeHints hints;
    hints.setFormats(ZXing::BarcodeFormat::EAN13 | ZXing::BarcodeFormat::UPCA);
    const ZXing::ImageView view(reinterpret_cast<const std::uint8_t*>(grey.bytes.constData()), grey.width, grey.height,
                                ZXing::ImageFormat::Lum);
    const auto result = ZXing::ReadBarcode(view, hints);
    return result.isValid() ? QString::fromStdString(result.text()) : QString();
}

QString zbarOf(const Grey& grey)
{
    using namespace zbar; // the C interface, which C++ sees in the namespace
    static zbar_image_scanner_t* const scanner = [] {
        zbar_image_scanner_t* created = zbar_image_scanner_create();
        zbar_image_scanner_set_config(created, ZBAR_NONE, ZBAR_CFG_ENABLE, 0);
        zbar_image_scanner_set_config(created, ZBAR_EAN13, ZBAR_CFG_ENABLE, 1);
        zbar_image_scanner_set_config(created, ZBAR_UPCA, ZBAR_CFG_ENABLE, 1);
        return created;
    }();
    zbar_image_t* image = zbar_image_create();
    zbar_image_set_format(image, zbar_fourcc('Y', '8', '0', '0'));
    zbar_image_set_size(image, unsigned(grey.width), unsigned(grey.height));
    zbar_image_set_data(image, grey.bytes.constData(), unsigned(grey.bytes.size()), nullptr);
    QString code;
    if (zbar_scan_image(scanner, image) > 0)
        code = QString::fromUtf8(zbar_symbol_get_data(zbar_image_first_symbol(image)));
    zbar_image_destroy(image);
    return code;
}

QString readZxing(const Sample& sample)
{
    return zxingOf(sample.frame);
}
QString readZxingPicture(const Sample& sample)
{
    return zxingOf(sample.picture);
}
QString readZbar(const Sample& sample)
{
    return zbarOf(sample.frame);
}
QString readZbarPicture(const Sample& sample)
{
    return zbarOf(sample.picture);
}

void run(benchmark::State& state, const std::string& setName, const std::string& readerName, ReadFunction read,
         int framesPerSample)
{
    const Set& set = setNamed(setName);
    if (set.samples.empty()) {
        state.SkipWithError("no pictures");
        return;
    }
    Outcome outcome;
    for (auto _ : state) {
        outcome.codes.clear();
        for (const Sample& sample : set.samples)
            outcome.codes.push_back(normalised(read(sample)));
        outcome.frames += int(set.samples.size()) * framesPerSample;
    }
    for (std::size_t i = 0; i < set.samples.size(); ++i) {
        if (outcome.codes[i].isEmpty())
            continue;
        if (outcome.codes[i] == set.samples[i].code)
            ++outcome.read;
        else
            ++outcome.wrong;
    }
    state.counters["read"] = outcome.read;
    state.counters["wrong"] = outcome.wrong;
    state.counters["per_frame"] =
        benchmark::Counter(double(outcome.frames), benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    outcomes[setName][readerName] = std::move(outcome);
}

// Keeps the time of every run, for the table at the end.
class TableReporter : public benchmark::ConsoleReporter
{
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.error_occurred || run.run_type != Run::RT_Iteration)
                continue;
            const std::string name = run.benchmark_name();
            const auto slash = name.find('/');
            const auto found = outcomes.find(name.substr(0, slash));
            if (found == outcomes.end())
                continue;
            const auto reader = found->second.find(name.substr(slash + 1));
            if (reader != found->second.end())
                reader->second.microseconds = run.counters.at("per_frame") * 1e6;
        }
        ConsoleReporter::ReportRuns(runs);
    }

    static void printTable()
    {
        std::printf("\n%-12s %-24s %6s %6s %6s %12s %12s\n", "set", "reader", "read", "wrong", "of", "us/frame",
                    "vs zxing");
        for (const char* setName : {"photographs", "synthetic", "simulated"}) {
            const auto set = outcomes.find(setName);
            if (set == outcomes.end())
                continue;
            const auto zxing = set->second.find("zxing-cpp");
            for (const auto& [reader, outcome] : set->second) {
                const double reference = zxing != set->second.end() ? zxing->second.microseconds : 0;
                std::printf("%-12s %-24s %6d %6d %6zu %12.0f %12.2f\n", setName, reader.c_str(), outcome.read,
                            outcome.wrong, setNamed(setName).samples.size(), outcome.microseconds,
                            reference > 0 ? outcome.microseconds / reference : 0.0);
            }
        }
        // What each photograph gave, for looking into the pictures one by one.
        const auto photographs = outcomes.find("photographs");
        if (photographs == outcomes.end() || !qEnvironmentVariableIsSet("QV_BENCH_LIST"))
            return;
        const Set& set = setNamed("photographs");
        for (std::size_t i = 0; i < set.samples.size(); ++i) {
            std::printf("%-30s %s", qPrintable(set.samples[i].name), qPrintable(set.samples[i].code));
            for (const auto& [reader, outcome] : photographs->second) {
                const QString& code = outcome.codes[i];
                std::printf("  %s:%s", reader.c_str(),
                            code.isEmpty()                ? "-"
                            : code == set.samples[i].code ? "ok"
                                                          : qPrintable(code));
            }
            std::printf("\n");
        }
    }
};

void registerAll()
{
    struct Reader
    {
        const char* name;
        ReadFunction read;
        int frames;
        bool photographs;
        bool synthetic;
    };
    const Reader readers[] = {
        {"ours", readOurs, 1, true, true},       {"ours camera 8 frames", readCamera, 8, false, true},
        {"zbar", readZbar, 1, true, true},       {"zbar picture", readZbarPicture, 1, true, false},
        {"zxing-cpp", readZxing, 1, true, true}, {"zxing-cpp picture", readZxingPicture, 1, true, false},
    };
    for (const std::string setName : {"photographs", "synthetic", "simulated"}) {
        for (const Reader& reader : readers) {
            if (!(setName == "photographs" ? reader.photographs : reader.synthetic))
                continue;
            benchmark::RegisterBenchmark((setName + "/" + reader.name).c_str(), run, setName, std::string(reader.name),
                                         reader.read, reader.frames)
                ->Unit(benchmark::kMillisecond);
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    // Pictures are drawn with QPainter, which wants a GUI application (offscreen is enough).
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    std::vector<char*> rest;
    for (int i = 0; i < argc; ++i) {
        if (std::string(argv[i]) == "--photos" && i + 1 < argc)
            photoFolder = QString::fromLocal8Bit(argv[++i]);
        else
            rest.push_back(argv[i]);
    }
    int restCount = int(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    registerAll();
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    TableReporter::printTable();
    benchmark::Shutdown();
    return 0;
}
