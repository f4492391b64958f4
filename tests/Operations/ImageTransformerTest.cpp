#include "Operations/QMEbayImageTransformer.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"
#include "tests/support/TemporaryXdg.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace {

QString writePicture(const QString& path, int width, int height, const char* format = "JPEG")
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(QColor(40, 120, 200));
    for (int y = 0; y < height; y += 50)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(250, 250, 20));
    EXPECT_TRUE(image.save(path, format)) << path.toStdString();
    return path;
}

// Four coloured quadrants with a thin diagonal, saved as a JPEG that carries an EXIF orientation
// tag as cameras write it (1: upright as stored).
QString writeTurnedPicture(const QString& path, QSize size, quint16 orientation)
{
    QImage image(size, QImage::Format_RGB32);
    QPainter painter(&image);
    const int w = size.width() / 2;
    const int h = size.height() / 2;
    painter.fillRect(0, 0, w, h, Qt::red);
    painter.fillRect(w, 0, size.width() - w, h, Qt::green);
    painter.fillRect(0, h, w, size.height() - h, Qt::blue);
    painter.fillRect(w, h, size.width() - w, size.height() - h, Qt::yellow);
    painter.setPen(QPen(Qt::black, 24));
    painter.drawLine(0, 0, size.width(), size.height());
    painter.end();
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, "JPEG", 92));
    QByteArray exif("Exif\0\0MM\0*\0\0\0\x08\0\x01\x01\x12\0\x03\0\0\0\x01", 24);
    exif += char(orientation >> 8) + QByteArray(1, char(orientation & 0xFF)) + QByteArray(6, '\0');
    const quint16 length = quint16(exif.size() + 2);
    QByteArray jpeg = buffer.data();
    jpeg.insert(2, QByteArray("\xFF\xE1", 2) + char(length >> 8) + char(length & 0xFF) + exif);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(jpeg);
    return path;
}

// The mean difference of two pictures of one size, per colour channel (0 to 255).
double meanDifference(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        for (int column = 0; column < x.width(); ++column) {
            const QRgb p = x.pixel(column, row);
            const QRgb q = y.pixel(column, row);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    }
    return sum / (3.0 * x.width() * x.height());
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class ImageTransformerTest : public ::testing::Test
{
protected:
    dw::test::TemporaryXdg m_xdg;
    QMEbayImageTransformer m_transformer;
};

} // namespace

TEST_F(ImageTransformerTest, UploadCopiesAreReducedIntoTheirSizeAndFittingJPEGsCopiedUnchanged)
{
    struct Row
    {
        const char* name;
        QSize source;
        const char* format;
        QSizeF requested; // empty: the size for eBay's picture service
        QSize expected;
    };
    const std::vector<Row> rows{
        {"a wide picture for eBay", {3000, 2000}, "JPEG", {}, {1000, 666}},
        {"a high picture for eBay is fitted into a square", {1200, 3000}, "JPEG", {}, {160, 400}},
        {"a high picture at 1600 x 1200 is fitted into 1600 x 1600", {2000, 3000}, "JPEG", {1600, 1200}, {1066, 1600}},
        {"a fitting PNG is re-encoded at its own size", {640, 480}, "PNG", {}, {640, 480}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const QString source = writePicture(m_xdg.path(QStringLiteral("source.") + QString::fromLatin1(row.format)),
                                            row.source.width(), row.source.height(), row.format);
        const QString copy =
            row.requested.isEmpty()
                ? m_transformer.pathToEPSImageFromImageAtPath(source, QStringLiteral("Blue Bike"))
                : m_transformer.pathToImageWithSize(row.requested, QStringLiteral("Blue Bike"), source);
        ASSERT_FALSE(copy.isNull());
        QImageReader reader(copy);
        EXPECT_EQ(reader.format(), "jpeg");
        const QSize size = reader.size();
        EXPECT_NEAR(size.width(), row.expected.width(), 1);
        EXPECT_NEAR(size.height(), row.expected.height(), 1);
    }

    const QString fitting = writePicture(m_xdg.path(QStringLiteral("fits.jpg")), 800, 600);
    const QString copy = m_transformer.pathToEPSImageFromImageAtPath(fitting, QStringLiteral("Lamp"));
    EXPECT_EQ(contents(copy), contents(fitting));

    EXPECT_TRUE(m_transformer.pathToEPSImageFromImageAtPath(m_xdg.path(QStringLiteral("missing.jpg")), "x").isNull());
}

// Copies are decoded at their reduced size; they must still be the picture as the seller sees it:
// turned upright, its sides the right way round, as if decoded whole and then reduced.
TEST_F(ImageTransformerTest, ReducedCopiesAreThePictureUprightAsIfDecodedWhole)
{
    struct Row
    {
        quint16 orientation;
        QSize upload;
        QSize thumbnail;
    };
    for (const Row& row : {Row{1, {1000, 666}, {148, 98}}, Row{6, {444, 666}, {98, 148}}, Row{8, {444, 666}, {98, 148}},
                           Row{3, {1000, 666}, {148, 98}}}) {
        SCOPED_TRACE(row.orientation);
        const QString source = writeTurnedPicture(m_xdg.path(QStringLiteral("turned%1.jpg").arg(row.orientation)),
                                                  {2400, 1600}, row.orientation);
        QImageReader whole(source);
        whole.setAutoTransform(true);
        const QImage upright = whole.read();
        ASSERT_FALSE(upright.isNull());

        const QImage upload(m_transformer.pathToEPSImageFromImageAtPath(source, QStringLiteral("Lamp")));
        EXPECT_NEAR(upload.width(), row.upload.width(), 1);
        EXPECT_NEAR(upload.height(), row.upload.height(), 1);
        EXPECT_LT(
            meanDifference(upload, upright.scaled(upload.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)),
            4.0);
        const QImage thumbnail(m_transformer.generateAndBackupThumbnailFromFullSizeImageAtPath(source));
        ASSERT_EQ(thumbnail.size(), row.thumbnail);
        EXPECT_LT(
            meanDifference(thumbnail, upright.scaled(row.thumbnail, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)),
            6.0);
    }
}

TEST_F(ImageTransformerTest, CopiesAreNamedAfterTheTitleInsideThePrivateTemporaryFolder)
{
    dw::UserDefaults::standard().setInteger(99999, QStringLiteral("ImageCounter"));
    struct Row
    {
        const char* title;
        const char* prefix;
        const char* counter;
    };
    const std::vector<Row> rows{
        {"Blue Bike 2", "bluebike-", "0"}, // the counter wraps after 99999
        {"Abcdefghi", "abcdefghi-", "1"},  // nine letters whole
        {"Abcdefghij", "abcdefghi-", "2"}, // ten cut to nine
        {"12 € 34", "-", "3"},             // no ASCII letters at all
    };
    const QString folder = QDir(dw::paths::temporaryFolder()).filePath(QStringLiteral("QuillmartTemporaryImages/"));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.title);
        const QString path = m_transformer.imageFilePathForAuctionTitle(QString::fromUtf8(row.title));
        ASSERT_TRUE(path.startsWith(folder)) << path.toStdString();
        const QString name = path.mid(folder.size());
        EXPECT_TRUE(name.startsWith(QLatin1String(row.prefix))) << name.toStdString();
        EXPECT_TRUE(name.endsWith(u'-' + QLatin1String(row.counter) + QStringLiteral(".jpg"))) << name.toStdString();
    }
    struct stat status
    {};
    ASSERT_EQ(::stat(QFile::encodeName(dw::paths::temporaryFolder()).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0700u);
}

TEST_F(ImageTransformerTest, OnlyAFileBeginningWithTheJPEGMarkerAndLongEnoughIsAJPEG)
{
    const auto file = [&](const char* name, const QByteArray& bytes) {
        QFile out(m_xdg.path(QLatin1String(name)));
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bytes);
        return out.fileName();
    };
    EXPECT_TRUE(QMEbayImageTransformer::imageAtPathIsJPEGFile(file("four", QByteArray("\xFF\xD8\xFF\xE0", 4))));
    EXPECT_FALSE(QMEbayImageTransformer::imageAtPathIsJPEGFile(file("three", QByteArray("\xFF\xD8\xFF", 3))));
    EXPECT_FALSE(QMEbayImageTransformer::imageAtPathIsJPEGFile(file("png", QByteArray("\x89PNG\r\n", 6))));
}

TEST_F(ImageTransformerTest, ImportsAreReducedOnlyWhenAskedAndBeyondTheLimits)
{
    dw::UserDefaults::standard().setBool(true, QStringLiteral("reduceImageSizeOnImport"));
    struct Row
    {
        QSize size;
        bool reduced;
    };
    for (const Row& row : {Row{{1200, 800}, true}, Row{{1000, 800}, true}, Row{{1000, 700}, false},
                           Row{{700, 1000}, false}, Row{{700, 1100}, true}}) {
        SCOPED_TRACE(testing::Message() << row.size.width() << "x" << row.size.height());
        EXPECT_EQ(QMEbayImageTransformer::needToScaleDownImage(QImage(row.size, QImage::Format_RGB32)), row.reduced);
    }
    dw::UserDefaults::standard().setBool(false, QStringLiteral("reduceImageSizeOnImport"));
    EXPECT_FALSE(QMEbayImageTransformer::needToScaleDownImage(QImage(3000, 2000, QImage::Format_RGB32)));
}
