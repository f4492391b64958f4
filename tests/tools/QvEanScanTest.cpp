#include "tests/support/ProcessRunner.h"
#include "tests/support/barcode/SyntheticBarcode.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(QvEanScan, ReadsPicturesAndRawFramesOneLineEach)
{
    QTemporaryDir dir;
    const QImage photo =
        dw::test::photographBarcode(dw::test::renderEan13(QStringLiteral("4006381333931"), 4, 300),
                                    {.seed = 3, .blur = 1, .noise = 2, .tilt = 0, .rotation = 0, .lightFalloff = 0.1});
    const QString png = dir.filePath(QStringLiteral("code.png"));
    const QString webp = dir.filePath(QStringLiteral("code.webp"));
    const QString blank = dir.filePath(QStringLiteral("blank.png"));
    const QString missing = dir.filePath(QStringLiteral("missing.png"));
    ASSERT_TRUE(photo.save(png));
    ASSERT_TRUE(photo.save(webp, "WEBP", 100));
    QImage white(320, 240, QImage::Format_RGB32);
    white.fill(Qt::white);
    ASSERT_TRUE(white.save(blank));

    const auto pictures =
        dw::test::runProgram(dw::test::builtTool(QStringLiteral("qv-ean-scan")), {png, webp, blank, missing});
    ASSERT_EQ(pictures.exitCode, 0) << pictures.errors.toStdString();
    EXPECT_EQ(QString::fromUtf8(pictures.output),
              png + ": 4006381333931\n" + webp + ": 4006381333931\n" + blank + ": -\n" + missing + ": -\n");

    // A raw frame: the luma in every second byte. One of the claimed size reads; a frame shorter
    // than its claimed size is skipped.
    QByteArray raw(640 * 480 * 2, char(128));
    const QImage grey = photo.convertToFormat(QImage::Format_Grayscale8);
    for (int y = 0; y < 480; ++y)
        for (int x = 0; x < 640; ++x)
            raw[(y * 640 + x) * 2 + 1] = char(grey.constScanLine(y)[x]);
    const QString frame = dir.filePath(QStringLiteral("frame.uyvy"));
    const QString cut = dir.filePath(QStringLiteral("cut.uyvy"));
    QFile frameFile(frame);
    ASSERT_TRUE(frameFile.open(QIODevice::WriteOnly));
    frameFile.write(raw);
    frameFile.close();
    QFile cutFile(cut);
    ASSERT_TRUE(cutFile.open(QIODevice::WriteOnly));
    cutFile.write(raw.left(640 * 2 * 200));
    cutFile.close();
    const auto frames = dw::test::runProgram(dw::test::builtTool(QStringLiteral("qv-ean-scan")),
                                             {QStringLiteral("--frames"), QStringLiteral("4"), QStringLiteral("--size"),
                                              QStringLiteral("640x480"), frame, cut});
    ASSERT_EQ(frames.exitCode, 0) << frames.errors.toStdString();
    EXPECT_EQ(QString::fromUtf8(frames.output), frame + ": 4006381333931\n" + cut + ": -\n");

    EXPECT_EQ(dw::test::runProgram(dw::test::builtTool(QStringLiteral("qv-ean-scan")), {}).exitCode, 2);
}
