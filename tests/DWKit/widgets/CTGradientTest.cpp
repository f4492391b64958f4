#include "DWKit/widgets/CTGradient.h"

#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/core/DWAssert.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <gtest/gtest.h>

namespace {

const QColor kRed = QColor::fromRgbF(1, 0, 0);
const QColor kBlue = QColor::fromRgbF(0, 0, 1);
const QColor kGreen = QColor::fromRgbF(0, 1, 0);

void expectColorNear(const QColor& actual, const QColor& expected, float tolerance = 0.01f)
{
    EXPECT_NEAR(actual.redF(), expected.redF(), tolerance) << actual.name(QColor::HexArgb).toStdString();
    EXPECT_NEAR(actual.greenF(), expected.greenF(), tolerance) << actual.name(QColor::HexArgb).toStdString();
    EXPECT_NEAR(actual.blueF(), expected.blueF(), tolerance) << actual.name(QColor::HexArgb).toStdString();
    EXPECT_NEAR(actual.alphaF(), expected.alphaF(), tolerance) << actual.name(QColor::HexArgb).toStdString();
}

// Red up to 0.5 and blue from there: two stops share the position.
CTGradient hardEdge()
{
    return CTGradient().addColorStop(kRed, 0).addColorStop(kRed, 0.5f).addColorStop(kBlue, 0.5f).addColorStop(kBlue, 1);
}

QImage render(const CTGradient& gradient, QSize size, float angle)
{
    QImage image(size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    gradient.fillRect(painter, QRectF(QPointF(0, 0), size), angle);
    return image;
}

} // namespace

TEST(CTGradient, LinearEvaluationAtTheEndsAndBetween)
{
    struct Row
    {
        const char* name;
        CTGradient gradient;
        float position;
        QColor expected;
    };
    const CTGradient twoStops = CTGradient().addColorStop(kRed, 0.25f).addColorStop(kBlue, 0.75f);
    const Row rows[] = {
        {"empty is opaque white", CTGradient(), 0.3f, QColor::fromRgbF(1, 1, 1)},
        {"one stop everywhere", CTGradient().addColorStop(kGreen, 0.4f), 0.9f, kGreen},
        {"below the first stop", twoStops, 0.0f, kRed},
        {"above the last stop", twoStops, 1.0f, kBlue},
        {"halfway", twoStops, 0.5f, QColor::fromRgbF(0.5f, 0, 0.5f)},
        {"hard edge below", hardEdge(), 0.49f, kRed},
        {"hard edge exactly: the earlier stop", hardEdge(), 0.5f, kRed},
        {"hard edge above: the later stop", hardEdge(), 0.51f, kBlue},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        expectColorNear(row.gradient.colorAtPosition(row.position), row.expected);
    }
}

TEST(CTGradient, ChromaticBlendingRunsAroundTheHueCircle)
{
    const CTGradient redToBlue = CTGradient::gradientWithBeginningColor(kRed, kBlue);
    expectColorNear(redToBlue.gradientWithBlendingMode(1).colorAtPosition(0.5f), kGreen);
    expectColorNear(redToBlue.gradientWithBlendingMode(2).colorAtPosition(0.5f), QColor::fromRgbF(1, 0, 1));
    // A grey has no hue of its own: the colour's hue holds over the whole span.
    const CTGradient greyToBlue =
        CTGradient::gradientWithBeginningColor(QColor::fromRgbF(0.5f, 0.5f, 0.5f), kBlue).gradientWithBlendingMode(1);
    const QColor middle = greyToBlue.colorAtPosition(0.5f);
    EXPECT_NEAR(middle.hsvHueF() * 360, 240, 1);
    EXPECT_LT(middle.redF(), middle.blueF());
}

TEST(CTGradient, HueJustBelowTheCircleWrapsLikeTheSameHueAbove)
{
    float wrapped[4] = {359.5f, 1, 1, 1};
    float small[4] = {0.5f, 1, 1, 1};
    CTGradient::transformHSV_RGB(wrapped);
    CTGradient::transformHSV_RGB(small);
    for (int i = 0; i < 3; ++i)
        EXPECT_FLOAT_EQ(wrapped[i], small[i]);
}

TEST(CTGradient, AxisSpansTheRectangleAtTheAngle)
{
    struct Row
    {
        float angle;
        QLineF expected;
    };
    const QRectF rect(0, 0, 100, 20);
    for (const Row& row : {Row{-90, QLineF(50, 20, 50, 0)}, Row{0, QLineF(0, 0, 100, 0)}, Row{90, QLineF(0, 0, 0, 20)},
                           Row{180, QLineF(100, 10, 0, 10)}}) {
        SCOPED_TRACE(row.angle);
        const QLineF axis = CTGradient::axisForRect(rect, row.angle);
        EXPECT_NEAR(axis.x1(), row.expected.x1(), 1e-3);
        EXPECT_NEAR(axis.y1(), row.expected.y1(), 1e-3);
        EXPECT_NEAR(axis.x2(), row.expected.x2(), 1e-3);
        EXPECT_NEAR(axis.y2(), row.expected.y2(), 1e-3);
    }
}

TEST(CTGradient, DrawnHardEdgeStaysHard)
{
    const QImage image = render(hardEdge(), QSize(100, 4), 0);
    expectColorNear(image.pixelColor(10, 1), kRed);
    expectColorNear(image.pixelColor(48, 1), kRed);
    expectColorNear(image.pixelColor(51, 1), kBlue);
    expectColorNear(image.pixelColor(90, 1), kBlue);
}

TEST(CTGradient, DrawnChromaticAndEmptyGradients)
{
    const CTGradient rainbow = CTGradient::gradientWithBeginningColor(kRed, kBlue).gradientWithBlendingMode(1);
    const QImage image = render(rainbow, QSize(101, 2), 0);
    expectColorNear(image.pixelColor(50, 0), kGreen, 0.03f);
    expectColorNear(render(CTGradient(), QSize(10, 10), 45).pixelColor(5, 5), Qt::white);
}

TEST(CTGradient, RadialFillGrowsFromTheCentre)
{
    QImage image(101, 51, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        CTGradient::gradientWithBeginningColor(kRed, kBlue).radialFillRect(painter, QRectF(0, 0, 101, 51));
    }
    expectColorNear(image.pixelColor(50, 25), kRed, 0.05f);
    expectColorNear(image.pixelColor(0, 0), kBlue, 0.05f); // beyond the end the last colour goes on
    const QColor halfway = image.pixelColor(75, 25);
    EXPECT_GT(halfway.blue(), 60);
    EXPECT_GT(halfway.red(), 60);
}

TEST(CTGradient, PathFillStaysInsideThePath)
{
    QImage image(40, 40, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainterPath circle;
    circle.addEllipse(QRectF(10, 10, 20, 20));
    {
        QPainter painter(&image);
        CTGradient::gradientWithBeginningColor(kRed, kBlue).fillBezierPath(painter, circle, 30);
    }
    EXPECT_EQ(image.pixelColor(2, 2).alpha(), 0);
    EXPECT_EQ(image.pixelColor(20, 20).alpha(), 255);
}

TEST(CTGradient, DerivedGradientsLeaveTheReceiverAlone)
{
    const CTGradient chromatic = CTGradient::gradientWithBeginningColor(kRed, kBlue).gradientWithBlendingMode(1);
    const CTGradient faded = chromatic.gradientWithAlphaComponent(0.5f);
    EXPECT_EQ(faded.blendingMode(), 0);
    EXPECT_FLOAT_EQ(faded.elementAtIndex(1)->alpha, 0.5f);
    EXPECT_FLOAT_EQ(chromatic.elementAtIndex(1)->alpha, 1.0f);
    EXPECT_EQ(chromatic.blendingMode(), 1);

    const CTGradient fewer = hardEdge().removeColorStopAtPosition(0.5f);
    ASSERT_EQ(fewer.elementCount(), 3u);
    expectColorNear(fewer.colorStopAtIndex(1), kBlue); // the first of the two went
    EXPECT_EQ(hardEdge().elementCount(), 4u);
}

TEST(CTGradient, MissingStopsRaiseRangeErrors)
{
    const CTGradient gradient = hardEdge();
    struct Row
    {
        const char* name;
        std::function<void()> call;
        const char* reason;
    };
    const Row rows[] = {
        {"remove at position", [&] { gradient.removeColorStopAtPosition(0.3f); },
         "-[CTGradient removeColorStopAtPosition:]: no such colorStop at position (0.300000)"},
        {"remove at index", [&] { gradient.removeColorStopAtIndex(4); },
         "-[CTGradient removeColorStopAtIndex:]: index (4) beyond bounds"},
        {"stop at index", [&] { gradient.colorStopAtIndex(9); },
         "-[CTGradient removeColorStopAtIndex:]: index (9) beyond bounds"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        try {
            row.call();
            ADD_FAILURE() << "no exception";
        } catch (const dw::NamedException& e) {
            EXPECT_EQ(e.name(), QStringLiteral("NSRangeException"));
            EXPECT_EQ(e.reason(), QString::fromUtf8(row.reason));
        }
    }
    EXPECT_EQ(gradient.elementCount(), 4u);
    CTGradient list = gradient;
    EXPECT_TRUE(std::isnan(list.removeElementAtIndex(7).position));
    EXPECT_EQ(list.elementAtIndex(4), nullptr);
}

TEST(CTGradient, KeyedArchiveKeepsStopsOrderAndMode)
{
    const CTGradient original =
        hardEdge().addColorStop(QColor::fromRgbF(0.2f, 0.4f, 0.6f, 0.8f), 0.5f).gradientWithBlendingMode(2);
    const QByteArray data = dw::KeyedArchiver::archivedDataWithRootObject(original.archiveValue());
    QString error;
    const std::optional<QVariant> root = dw::KeyedUnarchiver::unarchiveObjectWithData(data, &error);
    ASSERT_TRUE(root.has_value()) << error.toStdString();
    const std::optional<CTGradient> decoded = CTGradient::fromArchiveValue(*root);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_TRUE(*decoded == original);
    EXPECT_EQ(decoded->elementCount(), 5u);
    EXPECT_FLOAT_EQ(decoded->elementAtIndex(2)->blue, 1.0f) << "equal positions keep their order";
}

namespace {

// A gradient record whose count promises more stops than it holds.
class OverstatedGradient final : public dw::ArchivedObject
{
public:
    QStringList archiveClassChain() const override
    {
        return {QStringLiteral("CTGradient"), QStringLiteral("NSObject")};
    }
    void encodeWithCoder(dw::KeyedArchiver& coder) const override
    {
        for (int i = 0; i < 5; ++i)
            coder.encodeFloat(0.5f, QStringLiteral("$%1").arg(i));
        coder.encodeInt(1000000, QStringLiteral("CTGradientElementCount"));
        coder.encodeInt(0, QStringLiteral("CTGradientBlendingMode"));
    }
};

} // namespace

TEST(CTGradient, ArchiveWithMissingStopsFailsCleanly)
{
    const QByteArray data =
        dw::KeyedArchiver::archivedDataWithRootObject(dw::archiveValue(std::make_shared<OverstatedGradient>()));
    QString error;
    EXPECT_FALSE(dw::KeyedUnarchiver::unarchiveObjectWithData(data, &error).has_value());
    EXPECT_TRUE(error.contains(QStringLiteral("stop 1 of 1000000 is missing"))) << error.toStdString();
}
