#include "DWKit/widgets/NSBezierPath+DWAdditons.h"
#include "DWKit/widgets/NSColor+DWExtensions.h"

#include "platform/core/DWAssert.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

TEST(ColorExtensions, HexadecimalTextTruncatesFloatComponents)
{
    EXPECT_EQ(dw::hexadecimalStringValue(QColor(Qt::red)), QStringLiteral("#ff0000"));
    EXPECT_EQ(dw::hexadecimalStringValue(0.5f, 0.5f, 0.5f), QStringLiteral("#7f7f7f"));
    EXPECT_EQ(dw::hexadecimalStringValue(QColor::fromRgbF(0.5f, 0.25f, 1.0f)), QStringLiteral("#7f3fff"));
    EXPECT_EQ(dw::hexadecimalStringValue(QColor()), QString());
    // Colours made from 8-bit values come back as those values.
    for (int v = 0; v < 256; ++v)
        ASSERT_EQ(dw::hexadecimalStringValue(QColor(v, 255 - v, v)), QColor(v, 255 - v, v).name()) << v;
}

TEST(ColorExtensions, QuickDrawTriples)
{
    const QColor colour = dw::colorWithQuickDrawRed(65535, 0, 32768);
    EXPECT_DOUBLE_EQ(colour.redF(), 1.0);
    EXPECT_DOUBLE_EQ(colour.greenF(), 0.0);
    EXPECT_NEAR(colour.blueF(), 0.5, 1e-4);
    EXPECT_DOUBLE_EQ(colour.alphaF(), 1.0);

    const QVariantMap stored{
        {QStringLiteral("fee.red"), 65535}, {QStringLiteral("fee.green"), 32768}, {QStringLiteral("fee.blue"), 0}};
    EXPECT_EQ(dw::colorWithQuickDrawColorInDictionary(stored, QStringLiteral("fee")),
              dw::colorWithQuickDrawRed(65535, 32768, 0));

    struct Row
    {
        QStringList missing;
        const char* message;
    };
    for (const Row& row :
         {Row{{QStringLiteral("fee.red"), QStringLiteral("fee.blue")}, "No red value in color dictionary"},
          Row{{QStringLiteral("fee.green")}, "No green value in color dictionary"},
          Row{{QStringLiteral("fee.blue")}, "No blue value in color dictionary"}}) {
        SCOPED_TRACE(row.message);
        QVariantMap partial = stored;
        for (const QString& key : row.missing)
            partial.remove(key);
        try {
            dw::colorWithQuickDrawColorInDictionary(partial, QStringLiteral("fee"));
            ADD_FAILURE() << "no assertion";
        } catch (const dw::InternalInconsistency& e) {
            EXPECT_EQ(e.message(), QString::fromUtf8(row.message));
        }
    }
}

TEST(ColorExtensions, HighlightBlendsTowardsWhite)
{
    const QColor blended = dw::highlightWithLevel(QColor::fromRgbF(0.2f, 0.4f, 1.0f, 0.5f), 0.5);
    EXPECT_NEAR(blended.redF(), 0.6, 1e-3);
    EXPECT_NEAR(blended.greenF(), 0.7, 1e-3);
    EXPECT_NEAR(blended.blueF(), 1.0, 1e-3);
    EXPECT_NEAR(blended.alphaF(), 0.75, 1e-3);
}

TEST(PathShapes, ShapesAndTheirDegenerateCases)
{
    EXPECT_TRUE(dw::bezierPathWithPlateInRect(QRectF(0, 0, 50, 0)).isEmpty());
    EXPECT_TRUE(dw::bezierPathWithRoundedRect(QRectF(0, 0, 50, 0), 4).isEmpty());

    const QPainterPath plate = dw::bezierPathWithPlateInRect(QRectF(10, 0, 100, 20));
    EXPECT_EQ(plate.boundingRect(), QRectF(10, 0, 100, 20));
    EXPECT_TRUE(plate.contains(QPointF(12, 10)));
    EXPECT_FALSE(plate.contains(QPointF(11, 1))) << "the left end is round";

    // Orientation 3 (and any other beyond 2) points right: the apex is the middle of the right edge.
    const QPainterPath right = dw::bezierPathWithTriangleInRect(QRectF(0, 0, 10, 10), 3);
    EXPECT_EQ(QPointF(right.elementAt(2)), QPointF(10, 5));
    const QPainterPath up = dw::bezierPathWithTriangleInRect(QRectF(0, 0, 10, 10), 0);
    EXPECT_EQ(QPointF(up.elementAt(1)), QPointF(5, 10)) << "apex at the largest y";

    const QPainterPath top = dw::bezierPathForRectWithRoundedTopCorners(QRectF(0, 0, 40, 20), 5);
    EXPECT_TRUE(top.contains(QPointF(0.5, 0.5))) << "square corner at the smallest y";
    EXPECT_FALSE(top.contains(QPointF(0.5, 19.5))) << "round corner at the largest y";

    const QPainterPath tangent = dw::bezierPathWithRoundRectInRect(QRectF(0, 0, 40, 20), 5);
    EXPECT_EQ(tangent.boundingRect(), QRectF(0, 0, 40, 20));
    EXPECT_FALSE(tangent.contains(QPointF(0.5, 0.5)));
    EXPECT_TRUE(tangent.contains(QPointF(20, 10)));
}

TEST(PathFills, VerticalFillsRunFromTheBottomUp)
{
    // Drawn y-up, as the shapes are defined: the painter is flipped once.
    QImage image(10, 101, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    auto paint = [&](auto fill) {
        QPainter painter(&image);
        painter.translate(0, image.height());
        painter.scale(1, -1);
        QPainterPath path;
        path.addRect(QRectF(0, 0, 10, 101));
        fill(painter, path);
    };
    const QColor red = QColor::fromRgbF(1, 0, 0), blue = QColor::fromRgbF(0, 0, 1);

    paint([&](QPainter& p, const QPainterPath& path) { dw::linearGradientFill(p, path, red, blue); });
    EXPECT_GT(image.pixelColor(5, 100).red(), 250) << "start colour at the bottom";
    EXPECT_GT(image.pixelColor(5, 0).blue(), 250) << "end colour at the top";

    paint([&](QPainter& p, const QPainterPath& path) { dw::bilinearGradientFill(p, path, red, blue); });
    EXPECT_GT(image.pixelColor(5, 100).blue(), 250) << "inner colour at the bottom";
    EXPECT_GT(image.pixelColor(5, 50).red(), 250) << "outer colour half way";
    EXPECT_GT(image.pixelColor(5, 0).blue(), 250) << "inner colour at the top";
}
