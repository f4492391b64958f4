#include "productsearch/QMBarcodeReader.h"
#include "productsearch/QMPackedFrameConverter.h"

#include "platform/core/Clock.h"
#include "tests/support/TemporaryXdg.h"
#include "tests/support/barcode/SyntheticBarcode.h"

#include <QCoreApplication>
#include <QImageReader>
#include <QObject>
#include <QPainter>
#include <gtest/gtest.h>
#include <random>

namespace {

const QSize kFrameSize(640, 480);

// The code held straight in front of the camera: no tilt, noise or shadow, only the slight blur
// that every camera frame has.
QByteArray frameOf(const QString& code)
{
    const QImage photo =
        dw::test::photographBarcode(dw::test::renderEan13(code, 4, 300),
                                    {.seed = 3, .blur = 1, .noise = 0, .tilt = 0, .rotation = 0, .lightFalloff = 0});
    return QMPackedFrameConverter::packedFrameFromImage(photo, kFrameSize);
}

// The code straight in front of the camera but turned a quarter: the bars lie along the rows.
QByteArray turnedFrameOf(const QString& code)
{
    const QImage symbol = dw::test::renderEan13(code, 3, 160);
    QImage picture(kFrameSize, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.translate(kFrameSize.width() / 2, kFrameSize.height() / 2);
    painter.rotate(90);
    painter.drawImage(-symbol.width() / 2, -symbol.height() / 2, symbol);
    painter.end();
    return QMPackedFrameConverter::packedFrameFromImage(picture, kFrameSize);
}

class Recorder : public QMBarcodeReaderDelegate
{
public:
    void barcodeReaderFoundBarcode(QMBarcodeReader*, const QString& barcode) override { codes << barcode; }
    QStringList codes;
};

class BarcodeReaderTest : public ::testing::Test
{
protected:
    BarcodeReaderTest()
    {
        m_reader.setDelegate(&m_recorder, &m_context);
        m_reader.setLastDateScan(m_clock.now().addSecs(-10));
        m_reader.clearGlobalFrequency();
    }

    // Frames 1/30 s apart, as a camera gives them; reports reach the recorder.
    void feed(const QByteArray& frame, int count)
    {
        for (int i = 0; i < count; ++i) {
            m_clock.advance(1.0 / 30);
            m_reader.processFrame(QMPackedFrameConverter::frameView(frame, kFrameSize));
        }
        QCoreApplication::processEvents();
    }

    dw::ManualClock m_clock;
    dw::ScopedClock m_useClock{m_clock};
    QObject m_context;
    Recorder m_recorder;
    QMBarcodeReader m_reader;
};

TEST(BarcodeSymbology, CheckDigit)
{
    const struct
    {
        const char* code;
        bool valid;
    } rows[] = {{"4006381333931", true}, {"4006381333932", false}, {"9780306406157", true},
                {"0036000291452", true}, {"0036000291453", false}, {"5901234123457", true},
                {"0000000000000", true}, {"1000000000000", false}, {"9783161484100", true}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.code);
        std::array<int, 13> digits{};
        for (int i = 0; i < 13; ++i)
            digits[std::size_t(i)] = row.code[i] - '0';
        EXPECT_EQ(QMBarcodeReader::isValidCheckDigit(digits), row.valid);
    }
}

TEST(BarcodeSymbology, LeadingDigitFromParities)
{
    // The parity pattern of the six left-hand digits of each leading digit (1 odd, 0 even).
    const char* patterns[10] = {"111111", "110100", "110010", "110001", "101100",
                                "100110", "100011", "101010", "101001", "100101"};
    for (int leading = 0; leading < 10; ++leading) {
        SCOPED_TRACE(leading);
        QMBarcodeReader::Reading reading;
        reading.clear();
        for (int i = 0; i < 6; ++i)
            reading.parities[std::size_t(i)] = std::int8_t(patterns[leading][i] - '0');
        EXPECT_EQ(QMBarcodeReader::leadingDigitFromParities(reading.parities), leading);
        // The strict form gives the same digit; with the digits of a valid code it verifies.
        const QString code = leading == 0 ? QStringLiteral("0036000291452") : QStringLiteral("4006381333931");
        for (int i = 0; i < 12; ++i)
            reading.digits[std::size_t(i)] = std::int8_t(code.at(i + 1).digitValue());
        EXPECT_EQ(QMBarcodeReader::strictLeadingDigit(reading), code.at(0).digitValue() == leading);
        EXPECT_EQ(reading.leadingDigit(), leading);
    }
    // Not enough known parities: no digit; a parity that contradicts the strict row: refused.
    QMBarcodeReader::Reading unknown;
    unknown.clear();
    unknown.parities[1] = 1;
    EXPECT_EQ(QMBarcodeReader::leadingDigitFromParities(unknown.parities), -1);
    QMBarcodeReader::Reading contradicted;
    contradicted.clear();
    const char* four = "101100";
    for (int i = 0; i < 6; ++i)
        contradicted.parities[std::size_t(i)] = std::int8_t(four[i] - '0');
    contradicted.parities[5] = 1;
    for (int i = 0; i < 12; ++i)
        contradicted.digits[std::size_t(i)] = 0;
    EXPECT_FALSE(QMBarcodeReader::strictLeadingDigit(contradicted));
}

TEST_F(BarcodeReaderTest, ReportsACodeOnceOverSixtyFrames)
{
    feed(frameOf(QStringLiteral("4006381333931")), 60);
    EXPECT_EQ(m_recorder.codes, QStringList{QStringLiteral("4006381333931")});
}

TEST_F(BarcodeReaderTest, ReportsASecondCodeOnlyAfterHalfASecond)
{
    feed(frameOf(QStringLiteral("4006381333931")), 1);
    ASSERT_EQ(m_recorder.codes.size(), 1);
    const QByteArray second = frameOf(QStringLiteral("9780306406157"));
    feed(second, 14); // 14/30 s after the first report
    EXPECT_EQ(m_recorder.codes.size(), 1);
    feed(second, 2); // 16/30 s
    EXPECT_EQ(m_recorder.codes, (QStringList{QStringLiteral("4006381333931"), QStringLiteral("9780306406157")}));
    // The first code may come again once another was reported.
    feed(frameOf(QStringLiteral("4006381333931")), 30);
    EXPECT_EQ(m_recorder.codes.size(), 3);
}

TEST_F(BarcodeReaderTest, SearchReportsACodeTheScanLinesCannotSee)
{
    // The 24 rows never cross the bars; the search over the frame finds the code within the few
    // frames its plan takes, and reports it once.
    const QByteArray frame = turnedFrameOf(QStringLiteral("9780306406157"));
    const int total = QMBarcodeScanner().lineCount(kFrameSize.width(), kFrameSize.height());
    feed(frame, (total + QMBarcodeReader::kSearchLinesPerFrame - 1) / QMBarcodeReader::kSearchLinesPerFrame);
    EXPECT_EQ(m_recorder.codes, QStringList{QStringLiteral("9780306406157")});
    feed(frame, 30);
    EXPECT_EQ(m_recorder.codes.size(), 1);
}

TEST(BarcodeStillPicture, ReadsPhotographs)
{
    // Real camera pictures, each hard in its own way (see tests/data/productsearch/photographs).
    const struct
    {
        const char* file;
        const char* code;
    } rows[] = {
        {"quarter-turn.webp", "5030159003930"}, {"glare-blur-short-bars.webp", "9780441014989"},
        {"curved-glare.webp", "0625034201058"}, {"perspective.webp", "9780804816632"},
        {"thin-strip.webp", "0012546619592"},
    };
    QMBarcodeReader reader;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        const QImage picture =
            QImageReader(dw::test::fixturePath(QStringLiteral("productsearch/photographs/") + QLatin1String(row.file)))
                .read();
        ASSERT_FALSE(picture.isNull());
        const QByteArray frame = QMPackedFrameConverter::packedFrameFromImage(picture, kFrameSize);
        EXPECT_EQ(reader.readStillFrame(QMPackedFrameConverter::frameView(frame, kFrameSize)), QLatin1String(row.code));
    }
}

TEST(BarcodeStillPicture, ReadsNothingFromNoiseOrFramesWithoutBytes)
{
    QMBarcodeReader reader;
    std::mt19937 random(5);
    QByteArray noise(640 * 480 * 2, '\0');
    for (int i = 0; i < 20; ++i) {
        for (char& byte : noise)
            byte = char(random());
        EXPECT_EQ(reader.readStillFrame(QMPackedFrameConverter::frameView(noise, kFrameSize)), QString());
    }
    // Rows that the bytes do not hold are not read: the code in the middle of a frame cut off
    // above it is not seen (and AddressSanitizer sees no read past the bytes).
    const QByteArray frame = frameOf(QStringLiteral("4006381333931"));
    const QByteArray top = frame.left(1280 * 100 + 7);
    EXPECT_EQ(reader.readStillFrame(QMPackedFrame{reinterpret_cast<const std::uint8_t*>(top.constData()),
                                                  std::size_t(top.size()), 640, 480, 1280}),
              QString());
    EXPECT_EQ(reader.readStillFrame(QMPackedFrame{nullptr, 0, 640, 480, 1280}), QString());
    EXPECT_EQ(reader.readStillFrame(QMPackedFrameConverter::frameView(frame, kFrameSize)),
              QStringLiteral("4006381333931"));
}

TEST_F(BarcodeReaderTest, NoiseFramesGiveNoReport)
{
    std::mt19937 random(42);
    QByteArray frame(640 * 480 * 2, '\0');
    for (int i = 0; i < 1000; ++i) {
        for (char& byte : frame)
            byte = char(random());
        feed(frame, 1);
    }
    EXPECT_TRUE(m_recorder.codes.isEmpty());
}

TEST_F(BarcodeReaderTest, SkipsFramesThatDoNotFit)
{
    const QByteArray frame = frameOf(QStringLiteral("4006381333931"));
    const struct
    {
        const char* name;
        int width;
        int height;
        std::size_t bytesPerRow;
        std::size_t byteCount;
    } rows[] = {
        {"narrower than a scan line", 600, 480, 1200, 600 * 480 * 2},
        {"fewer bytes than the lines need", 640, 480, 1280, 1280 * 300},
        {"rows shorter than the width", 640, 480, 1000, 1280 * 480},
        {"fewer rows than the lines need", 640, 200, 1280, 1280 * 200},
        {"another size than expected", 720, 480, 1440, 1440 * 480},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        // The bytes handed over end where the frame claims to end; reading past them would be
        // caught by AddressSanitizer.
        const QByteArray bytes = frame.left(qsizetype(row.byteCount));
        const QMPackedFrame view{reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()),
                                 row.width, row.height, row.bytesPerRow};
        EXPECT_EQ(m_reader.processFrame(view), QMBarcodeReader::FrameResult::Skipped);
    }
    EXPECT_EQ(m_reader.processFrame(QMPackedFrameConverter::frameView(frame, kFrameSize)),
              QMBarcodeReader::FrameResult::Decoded);
}

} // namespace
