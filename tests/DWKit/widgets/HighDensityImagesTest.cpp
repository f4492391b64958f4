// The program's own pictures on a high-density screen: rendered with the screen's pixels, laid
// out in points.
#include "platform/widgets/ApplicationImage.h"

#include "platform/core/ConsoleOutput.h"

#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <gtest/gtest.h>

TEST(HighDensityImages, PicturesAreRenderedAtTheScreensRatioAndKeepTheirSizeInPoints)
{
    const QImage points = dw::applicationImage(QStringLiteral("DotBlue"));
    ASSERT_FALSE(points.isNull()) << "the picture is among the resources";
    for (const qreal ratio : {2.0, 3.0}) {
        SCOPED_TRACE(ratio);
        const QImage sharp = dw::applicationImage(QStringLiteral("DotBlue"), ratio);
        EXPECT_EQ(sharp.devicePixelRatio(), ratio);
        EXPECT_EQ(sharp.deviceIndependentSize(), QSizeF(points.size()));
        EXPECT_EQ(sharp.size(), (QSizeF(points.size()) * ratio).toSize()) << "rendered, not stretched later";
        // Controls: the icon gives as many pixels as the ratio asks for.
        const QPixmap shown = dw::applicationIcon(QStringLiteral("ToolbarTemplateVerify")).pixmap(QSize(32, 32), ratio);
        EXPECT_EQ(shown.size(), (QSizeF(32, 32) * ratio).toSize());
    }
    // A fraction of a pixel per point is never asked of a picture.
    EXPECT_EQ(dw::applicationImage(QStringLiteral("DotBlue"), 0.5).size(), points.size());
    // A label's picture fits its box in points, keeping its proportions.
    const QPixmap label = dw::applicationPixmap(QStringLiteral("QuillmartBig"), QSize(64, 64));
    ASSERT_FALSE(label.isNull());
    EXPECT_LE(label.deviceIndependentSize().width(), 64);
    EXPECT_LE(label.deviceIndependentSize().height(), 64);
    EXPECT_GE(std::max(label.deviceIndependentSize().width(), label.deviceIndependentSize().height()), 63);

    dw::ScopedConsoleCapture console;
    EXPECT_TRUE(dw::applicationImage(QStringLiteral("NoSuchPicture"), 2).isNull());
    EXPECT_TRUE(dw::applicationIcon(QStringLiteral("NoSuchPicture")).isNull());
    EXPECT_TRUE(dw::applicationPixmap(QStringLiteral("NoSuchPicture")).isNull());
}
