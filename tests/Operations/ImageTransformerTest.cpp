#include "Operations/QMEbayImageTransformer.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"
#include "tests/support/TemporaryXdg.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
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
