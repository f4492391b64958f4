#include "productsearch/QMBarcodeLineDecoder.h"
#include "productsearch/QMBarcodeScanner.h"

#include "tests/support/barcode/SyntheticBarcode.h"

#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <random>

namespace {

// One scan line across a symbol as a camera sees it: modules that widen along the line
// (perspective), bars that print wider, defocus, light that changes along the line, noise.
struct LineOptions
{
    double module = 3;     // pixels a module at the start
    double endModule = 0;  // ... at the end (0: the same)
    double spread = 0;     // pixels every bar is wider
    double blur = 0.5;     // standard deviation of the defocus, pixels
    double light = 200;    // grey level of a space
    double dark = 40;      // ... of a bar
    double glare = 0;      // light at the end of the line, as a share more than at its start
    double noise = 0;      // standard deviation, grey levels
    bool backward = false; // the line runs from the end guard to the start guard
    QString before = {};   // modules in front of the symbol ('1' a bar), instead of a quiet zone
    int cut = 0;           // modules missing at the symbol's end
};

std::vector<float> lineAcross(const QString& code, const LineOptions& o)
{
    const QString quiet(12, u'0');
    QString modules = (o.before.isEmpty() ? quiet : o.before) + dw::test::ean13Modules(code);
    modules.chop(o.cut);
    modules += quiet;
    const int n = int(modules.size());
    const double endModule = o.endModule > 0 ? o.endModule : o.module;
    std::vector<double> edges(std::size_t(n) + 1, 0.0);
    for (int j = 0; j < n; ++j)
        edges[std::size_t(j) + 1] = edges[std::size_t(j)] + o.module + (endModule - o.module) * j / (n - 1);
    const auto bar = [&](int j) { return j >= 0 && j < n && modules.at(j) == u'1'; };

    constexpr int kFine = 8;
    const int pixels = int(std::ceil(edges.back()));
    std::vector<double> fine(std::size_t(pixels) * kFine);
    for (std::size_t i = 0; i < fine.size(); ++i) {
        const double x = (double(i) + 0.5) / kFine;
        const int j = int(std::upper_bound(edges.begin(), edges.end(), x) - edges.begin()) - 1;
        const bool dark = bar(j) || (bar(j - 1) && x < edges[std::size_t(j)] + o.spread / 2) ||
                          (bar(j + 1) && x >= edges[std::size_t(j) + 1] - o.spread / 2);
        fine[i] = dark ? o.dark : o.light;
    }
    if (o.blur > 0) {
        const int radius = int(std::ceil(3 * o.blur * kFine));
        std::vector<double> kernel;
        for (int k = -radius; k <= radius; ++k)
            kernel.push_back(std::exp(-0.5 * std::pow(k / (o.blur * kFine), 2)));
        const std::vector<double> sharp = fine;
        for (std::size_t i = 0; i < fine.size(); ++i) {
            double sum = 0;
            double weight = 0;
            for (int k = -radius; k <= radius; ++k) {
                const auto at = std::ptrdiff_t(i) + k;
                if (at < 0 || at >= std::ptrdiff_t(sharp.size()))
                    continue;
                sum += kernel[std::size_t(k + radius)] * sharp[std::size_t(at)];
                weight += kernel[std::size_t(k + radius)];
            }
            fine[i] = sum / weight;
        }
    }
    std::mt19937 random(7);
    std::normal_distribution<double> noise(0, o.noise > 0 ? o.noise : 1);
    std::vector<float> profile(std::size_t(pixels), 0.0f);
    for (int p = 0; p < pixels; ++p) {
        double sum = 0;
        for (int k = 0; k < kFine; ++k)
            sum += fine[std::size_t(p * kFine + k)];
        const double light = 1 + o.glare * p / pixels;
        profile[std::size_t(p)] =
            float(std::clamp(sum / kFine * light + (o.noise > 0 ? noise(random) : 0), 0.0, 255.0));
    }
    if (o.backward)
        std::reverse(profile.begin(), profile.end());
    return profile;
}

QString codeOf(const QMBarcodeLineDecoder::Symbol& symbol)
{
    QString text;
    for (const auto digit : symbol.digits)
        text += QChar(u'0' + digit);
    return text;
}

// What one line reads: the codes, in order.
QStringList decode(const std::vector<float>& profile)
{
    QMBarcodeLineDecoder decoder;
    QMBarcodeLineDecoder::Symbol symbols[QMBarcodeLineDecoder::kMaxSymbols];
    const int found = decoder.decode(profile.data(), int(profile.size()), symbols, QMBarcodeLineDecoder::kMaxSymbols);
    QStringList codes;
    for (int i = 0; i < found; ++i)
        codes << codeOf(symbols[i]);
    return codes;
}

TEST(BarcodeLineDecoder, ReadsLinesAsCamerasSeeThem)
{
    const struct
    {
        const char* name;
        const char* code;
        LineOptions options;
    } rows[] = {
        {"sharp", "4006381333931", {}},
        {"a module of 1.3 pixels", "9780306406157", {.module = 1.3, .blur = 0.4}},
        {"read backward", "0036000291452", {.backward = true}},
        {"perspective: modules from 2 to 4 pixels", "5901234123457", {.module = 2, .endModule = 4}},
        {"bars printed 1.2 pixels wider", "4006381333931", {.module = 3, .spread = 1.2}},
        {"bars printed 1 pixel narrower", "9783161484100", {.module = 3, .spread = -1.0}},
        {"defocused by half a module", "9780441014989", {.module = 3, .blur = 1.5}},
        {"glare: twice the light at the end", "0625034201058", {.light = 120, .dark = 30, .glare = 1.0}},
        {"low contrast and noise", "0012546619592", {.blur = 1, .light = 150, .dark = 110, .noise = 2}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(decode(lineAcross(QLatin1String(row.code), row.options)), QStringList{QLatin1String(row.code)});
    }
}

TEST(BarcodeLineDecoder, ReadsNothingRatherThanAWrongCode)
{
    // The code with its last digit changed: its modules draw a symbol whose check digit fails.
    const QString code = QStringLiteral("4006381333931");
    const QString wrongCheck = QStringLiteral("4006381333932");
    // A digit's modules moved by one: the wide bar of the fourth digit one module wider.
    QString damaged = dw::test::ean13Modules(code);
    const int at = int(damaged.indexOf(QStringLiteral("0110"), 3 + 3 * 7));
    ASSERT_GT(at, 0);
    damaged[at + 3] = u'1';
    const struct
    {
        const char* name;
        QString code;
        LineOptions options;
    } rows[] = {
        {"check digit fails", wrongCheck, {}},
        {"bars right in front of the start guard", code, {.before = QStringLiteral("0000001010")}},
        {"end guard cut off", code, {.cut = 2}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(decode(lineAcross(row.code, row.options)), QStringList());
    }

    // A damaged digit never reads as another code: drawn from its modules directly.
    std::vector<float> profile;
    const QString modules = QString(12, u'0') + damaged + QString(12, u'0');
    for (const QChar module : modules)
        for (int p = 0; p < 3; ++p)
            profile.push_back(module == u'1' ? 40.0f : 200.0f);
    EXPECT_EQ(decode(profile), QStringList());
}

TEST(BarcodeLineDecoder, NeverReadsAWrongCodeHoweverBlurredOrSpread)
{
    // From sharp to far beyond what can be read: whatever a line gives is the right code.
    int read = 0;
    int lines = 0;
    for (const char* code : {"4006381333931", "9780441014989", "0071691155775", "8480017507990"}) {
        for (double blur = 0.25; blur <= 3.0; blur += 0.25) {
            for (const double spread : {-1.2, 0.0, 1.2}) {
                for (const double noise : {0.0, 4.0}) {
                    const QStringList codes = decode(lineAcross(
                        QLatin1String(code), {.module = 2.5, .spread = spread, .blur = blur, .noise = noise}));
                    ++lines;
                    read += !codes.isEmpty();
                    EXPECT_TRUE(codes.isEmpty() || codes == QStringList{QLatin1String(code)})
                        << code << " blur " << blur << " spread " << spread << " noise " << noise << ": "
                        << codes.join(u' ').toStdString();
                }
            }
        }
    }
    // The sweep reaches both what reads and what does not.
    EXPECT_GT(read, lines / 4);
    EXPECT_LT(read, lines);
}

TEST(BarcodeLineDecoder, ReadsTwoSymbolsOnOneLine)
{
    std::vector<float> line = lineAcross(QStringLiteral("4006381333931"), {});
    const std::vector<float> second = lineAcross(QStringLiteral("9780306406157"), {.backward = true});
    line.insert(line.end(), second.begin(), second.end());
    EXPECT_EQ(decode(line), (QStringList{QStringLiteral("4006381333931"), QStringLiteral("9780306406157")}));
}

TEST(BarcodeLineDecoder, TakesTheLineEndsForQuietZones)
{
    // A line that ends a few modules beyond the guards: the light up to its ends is the quiet zone,
    // enough with 6 modules on either side, too little with 3. Either way round.
    const QString code = QStringLiteral("4006381333931");
    const std::vector<float> line = lineAcross(code, {.module = 3, .blur = 0.5});
    for (const int light : {6, 3}) {
        SCOPED_TRACE(light);
        const auto cut = std::ptrdiff_t(3 * (12 - light));
        std::vector<float> near(line.begin() + cut, line.end() - cut);
        const QStringList expected = light == 6 ? QStringList{code} : QStringList();
        EXPECT_EQ(decode(near), expected);
        std::reverse(near.begin(), near.end());
        EXPECT_EQ(decode(near), expected);
    }
}

// A symbol turned by the given angle, in the middle of a 640 × 480 grey picture.
QImage pictureOf(const QString& code, double angle)
{
    const QImage symbol = dw::test::renderEan13(code, 2, 130);
    QImage picture(640, 480, QImage::Format_RGB32);
    picture.fill(QColor(225, 225, 225));
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.translate(320, 240);
    painter.rotate(angle);
    painter.drawImage(-symbol.width() / 2, -symbol.height() / 2, symbol);
    painter.end();
    return picture.convertToFormat(QImage::Format_Grayscale8);
}

TEST(BarcodeScanner, ReadsSymbolsTurnedAnyWay)
{
    const QString code = QStringLiteral("5901234123457");
    QMBarcodeScanner scanner;
    for (const double angle : {0.0, 15.0, 45.0, 80.0, 90.0, 130.0, 180.0, 205.0, 290.0, 340.0}) {
        SCOPED_TRACE(angle);
        const QImage picture = pictureOf(code, angle);
        const QMGreyImage image{picture.constBits(), picture.width(), picture.height(), 1,
                                std::size_t(picture.bytesPerLine())};
        std::vector<QMBarcodeScanner::Sighting> sightings;
        scanner.scan(image, 0, scanner.lineCount(image.width, image.height), sightings, true);
        std::array<std::int8_t, 13> agreed{};
        ASSERT_TRUE(QMBarcodeScanner::agreedCode(sightings, agreed));
        QString text;
        for (const auto digit : agreed)
            text += QChar(u'0' + digit);
        EXPECT_EQ(text, code);
    }
}

TEST(BarcodeScanner, ReadsOnlyThePixelsItIsGiven)
{
    // Packed 4:2:2 luma, pictures too small for a band, and a picture one pixel wide: the
    // AddressSanitizer build sees any read outside the bytes.
    const QImage picture = pictureOf(QStringLiteral("5901234123457"), 30);
    std::vector<std::uint8_t> packed(std::size_t(picture.width()) * std::size_t(picture.height()) * 2, 128);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            packed[(std::size_t(y) * std::size_t(picture.width()) + std::size_t(x)) * 2 + 1] =
                picture.constScanLine(y)[x];
    QMBarcodeScanner scanner;
    std::vector<QMBarcodeScanner::Sighting> sightings;
    const QMGreyImage luma{packed.data() + 1, picture.width(), picture.height(), 2, std::size_t(picture.width()) * 2};
    scanner.scan(luma, 0, scanner.lineCount(luma.width, luma.height), sightings);
    EXPECT_FALSE(sightings.empty());
    for (const QSize size : {QSize(1, 480), QSize(640, 1), QSize(23, 23), QSize(24, 24), QSize(25, 31)}) {
        SCOPED_TRACE(size.width() * 1000 + size.height());
        const std::vector<std::uint8_t> bytes(std::size_t(size.width() * size.height()), 100);
        const QMGreyImage small{bytes.data(), size.width(), size.height(), 1, std::size_t(size.width())};
        scanner.scan(small, 0, scanner.lineCount(small.width, small.height), sightings);
    }
}

TEST(BarcodeScanner, AgreesOnlyOnCodesThatTwoIndependentLinesRead)
{
    using Sighting = QMBarcodeScanner::Sighting;
    const auto code = [](const char* text) {
        std::array<std::int8_t, 13> digits{};
        for (std::size_t i = 0; i < 13; ++i)
            digits[i] = std::int8_t(text[i] - '0');
        return digits;
    };
    const auto a = code("4006381333931");
    const auto b = code("9780306406157");
    const struct
    {
        const char* name;
        std::vector<Sighting> sightings;
        const char* agreed; // nullptr: none
    } rows[] = {
        {"one line", {{a, 0, 1, 0}}, nullptr},
        {"two lines sharing pixels", {{a, 0, 1, 0}, {a, 0, 1, 3}}, nullptr},
        {"a line and its half-size neighbour sharing pixels", {{a, 0, 1, 0}, {a, 0, 2, 5}}, nullptr},
        {"two parallel lines apart", {{a, 0, 1, 0}, {a, 0, 1, 6}}, "4006381333931"},
        {"two directions", {{a, 0, 1, 0}, {a, 3, 1, 0}}, "4006381333931"},
        {"two codes, one of them agreed", {{b, 0, 1, 0}, {a, 0, 1, 0}, {b, 0, 1, 2}, {a, 2, 1, 0}}, "4006381333931"},
        {"two agreed codes: the one seen more often",
         {{a, 0, 1, 0}, {b, 1, 1, 0}, {b, 2, 1, 0}, {a, 0, 1, 12}, {b, 3, 1, 0}},
         "9780306406157"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::array<std::int8_t, 13> agreed{};
        const bool found = QMBarcodeScanner::agreedCode(row.sightings, agreed);
        ASSERT_EQ(found, row.agreed != nullptr);
        if (found) {
            EXPECT_EQ(agreed, code(row.agreed));
        }
    }
}

} // namespace
