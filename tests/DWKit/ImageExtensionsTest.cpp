#include "DWKit/gui/NSImage+DWExtensions.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/ConsoleOutput.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A picture whose four quadrants have four colours, to see where each corner went.
QImage quadrants(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    QPainter painter(&image);
    painter.fillRect(0, 0, width / 2, height / 2, Qt::red);
    painter.fillRect(width / 2, 0, width - width / 2, height / 2, Qt::green);
    painter.fillRect(0, height / 2, width / 2, height - height / 2, Qt::blue);
    painter.fillRect(width / 2, height / 2, width - width / 2, height - height / 2, Qt::yellow);
    return image;
}

// The colour of the pixel, rounded to the nearest of the quadrant colours (JPEG shifts them).
QString colourAt(const QImage& image, int x, int y)
{
    const QColor c = image.pixelColor(x, y);
    if (c.alpha() < 128)
        return QStringLiteral("transparent");
    const struct
    {
        const char* name;
        QColor colour;
    } known[] = {{"red", Qt::red},       {"green", Qt::green}, {"blue", Qt::blue},
                 {"yellow", Qt::yellow}, {"white", Qt::white}, {"black", Qt::black}};
    QString best;
    int bestDistance = INT_MAX;
    for (const auto& k : known) {
        const int d = std::abs(c.red() - k.colour.red()) + std::abs(c.green() - k.colour.green()) +
                      std::abs(c.blue() - k.colour.blue());
        if (d < bestDistance) {
            bestDistance = d;
            best = QString::fromLatin1(k.name);
        }
    }
    return best;
}

QStringList corners(const QImage& image)
{
    const int r = image.width() - 1;
    const int b = image.height() - 1;
    return {colourAt(image, 0, 0), colourAt(image, r, 0), colourAt(image, 0, b), colourAt(image, r, b)};
}

// A JPEG of `image` carrying an EXIF orientation tag, as cameras write it.
QByteArray jpegWithOrientation(const QImage& image, quint16 orientation)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "jpeg", 95);
    QByteArray exif("Exif\0\0", 6);
    exif += QByteArray("MM\0*\0\0\0\x08", 8);          // big-endian TIFF header, first IFD at 8
    exif += QByteArray("\0\x01", 2);                   // one entry
    exif += QByteArray("\x01\x12\0\x03\0\0\0\x01", 8); // Orientation, SHORT, count 1
    exif += char(orientation >> 8) + QByteArray(1, char(orientation & 0xFF)) + QByteArray(2, '\0');
    exif += QByteArray(4, '\0'); // no next IFD
    const quint16 length = quint16(exif.size() + 2);
    QByteArray segment("\xFF\xE1", 2);
    segment += char(length >> 8);
    segment += char(length & 0xFF);
    segment += exif;
    QByteArray jpeg = buffer.data();
    jpeg.insert(2, segment); // right after the start-of-image marker
    return jpeg;
}

} // namespace

TEST(ImageExtensions, ReduceAndResampleToTheUploadSize)
{
    struct Row
    {
        QSize picture;
        QSize expected;
    } rows[] = {
        {{3000, 2000}, {1600, 1066}},
        {{1200, 3000}, {640, 1600}},
        {{800, 600}, {800, 600}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.picture.width());
        const QImage reduced = dw::reducedAndResampledImageOfMaximumSize(
            quadrants(row.picture.width(), row.picture.height()), QSizeF(1600, 1600));
        EXPECT_EQ(reduced.size(), row.expected);
        EXPECT_EQ(reduced.format(), QImage::Format_ARGB32);
        EXPECT_EQ(corners(reduced), (QStringList{"red", "green", "blue", "yellow"}));
    }
    EXPECT_TRUE(dw::reducedAndResampledImageOfMaximumSize(QImage(), QSizeF(1600, 1600)).isNull());
    EXPECT_EQ(dw::largestBitmapImageRepSize(QImage()), QSize(0, 0));

    const QImage reduced = dw::reducedImageOfSize(quadrants(200, 100), QSizeF(100, 100));
    EXPECT_EQ(reduced.deviceIndependentSize(), QSizeF(100, 50));
    EXPECT_EQ(dw::largestBitmapImageRepSize(reduced), QSize(200, 100)) << "the pixels stay";
}

TEST(ImageExtensions, RotationByQuarterTurns)
{
    const QImage picture = quadrants(400, 300);
    struct Row
    {
        double angle;
        QSize size;
        QStringList corners; // top-left, top-right, bottom-left, bottom-right
    } rows[] = {
        {0, {400, 300}, {"red", "green", "blue", "yellow"}},
        {90, {300, 400}, {"green", "yellow", "red", "blue"}},
        {-90, {300, 400}, {"blue", "red", "yellow", "green"}},
        {180, {400, 300}, {"yellow", "blue", "green", "red"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.angle);
        const QImage rotated = dw::rotateByAngle(picture, row.angle);
        EXPECT_EQ(rotated.size(), row.size);
        EXPECT_EQ(corners(rotated), row.corners);
    }
    EXPECT_EQ(dw::rotateByAngle(picture, 45).size(), QSize(400, 300));
}

TEST(ImageExtensions, CameraOrientationIsAppliedOnImport)
{
    // Orientation 6: the camera was turned clockwise; the picture is shown turned back.
    const QImage decoded = dw::imageWithData(jpegWithOrientation(quadrants(80, 40), 6));
    ASSERT_FALSE(decoded.isNull());
    EXPECT_EQ(decoded.size(), QSize(40, 80));
    EXPECT_EQ(corners(decoded), (QStringList{"blue", "red", "yellow", "green"}));

    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("camera.jpg")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(jpegWithOrientation(quadrants(80, 40), 6));
    file.close();
    EXPECT_EQ(dw::imageWithContentsOfFile(file.fileName()).size(), QSize(40, 80));
    EXPECT_TRUE(dw::imageWithData(QByteArray("not a picture")).isNull());
}

TEST(ImageExtensions, CentredDrawing)
{
    EXPECT_EQ(dw::centeredDrawingRect(QSizeF(100, 50), QRectF(0, 0, 40, 40)), QRectF(0.5, 10.5, 40, 20));
    EXPECT_EQ(dw::centeredDrawingRect(QSizeF(10, 10), QRectF(0, 0, 100, 50)), QRectF(25.5, 0.5, 50, 50));
    EXPECT_TRUE(dw::centeredDrawingRect(QSizeF(1000, 1), QRectF(0, 0, 10, 10)).isEmpty());
    EXPECT_TRUE(dw::centeredDrawingRect(QSizeF(0, 0), QRectF(0, 0, 10, 10)).isEmpty());

    QImage red(100, 50, QImage::Format_ARGB32);
    red.fill(Qt::red);
    const QImage thumbnail = dw::thumbnailOfSize(red, QSizeF(40, 40));
    EXPECT_EQ(thumbnail.size(), QSize(40, 40));
    EXPECT_EQ(colourAt(thumbnail, 20, 20), QStringLiteral("red"));
    EXPECT_EQ(colourAt(thumbnail, 20, 5), QStringLiteral("transparent"));
    const QImage canvas = dw::imageWithCanvasSize(red, QSizeF(40, 40), Qt::blue);
    EXPECT_EQ(colourAt(canvas, 20, 20), QStringLiteral("red"));
    EXPECT_EQ(colourAt(canvas, 20, 5), QStringLiteral("blue"));
    EXPECT_EQ(dw::scaledImageWithSize(red, QSizeF(30, 30)).size(), QSize(30, 30));

    dw::ScopedConsoleCapture console;
    EXPECT_TRUE(dw::thumbnailOfSize(red, QSizeF(0.5, 10)).isNull());
    EXPECT_EQ(console.lines(), QStringList{QStringLiteral(
                                   "-[NSImage (DWExtensions_Private) thumbnailOfSize:]warning: image size too small: "
                                   "{0.5, 10}")});
}

TEST(ImageExtensions, WritingJPEG)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("picture.jpg"));
    QImage picture = quadrants(64, 32);
    picture.setPixelColor(0, 0, Qt::transparent);
    {
        QPainter painter(&picture);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(0, 0, 16, 16, Qt::transparent);
    }
    ASSERT_TRUE(dw::writeAsJPEGToPath(picture, path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("\xFF\xD8\xFF"));
    const QImage read = dw::imageWithData(bytes);
    EXPECT_EQ(read.size(), QSize(64, 32));
    EXPECT_EQ(colourAt(read, 4, 4), QStringLiteral("white")) << "transparency is laid on white";
    EXPECT_EQ(corners(read), (QStringList{"white", "green", "blue", "yellow"}));

    EXPECT_FALSE(dw::writeAsJPEGToPath(QImage(), dir.filePath(QStringLiteral("null.jpg"))));
    dw::ScopedWriteFailure diskFull;
    EXPECT_FALSE(dw::writeAsJPEGToPath(picture, dir.filePath(QStringLiteral("full.jpg"))));
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("full.jpg"))));
}
