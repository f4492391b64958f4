#include "DWKit/widgets/QMHighlightableTextField.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QTest>
#include <gtest/gtest.h>
#include <thread>

namespace {

const QColor kFee = QMHighlightableTextField::defaultFeesHighlightColor();

void postState(const QVariantMap& userInfo)
{
    dw::NotificationCenter::defaultCenter().post(QString::fromLatin1(kQMHighlightableTextFieldStateNotification), {},
                                                 userInfo);
}

// The pill as computed for the last drawing: left end and width.
std::pair<qreal, qreal> pillAfterDrawing(QMHighlightableTextField& field)
{
    field.grab();
    const QRectF bounds = field.path().boundingRect();
    return {bounds.left(), bounds.width()};
}

// The colour drawn in the middle of the pill's top row, above the text.
QColor pillColour(QMHighlightableTextField& field)
{
    const QImage image = field.grab().toImage();
    return image.pixelColor(int(field.path().boundingRect().center().x()), 1);
}

bool near(const QColor& a, const QColor& b)
{
    return std::abs(a.red() - b.red()) < 4 && std::abs(a.green() - b.green()) < 4 && std::abs(a.blue() - b.blue()) < 4;
}

struct Field
{
    QMHighlightableTextField field;

    Field(const QString& text, Qt::Alignment alignment, int width = 200)
    {
        field.setText(text);
        field.setAlignment(alignment | Qt::AlignVCenter);
        field.resize(width, 20);
        field.setHighlight(true);
    }

    int textWidth() const { return int(QFontMetricsF(field.font()).horizontalAdvance(field.text()) + 10); }
};

} // namespace

TEST(QMHighlightableTextField, FollowsTheStateNotification)
{
    QMHighlightableTextField field;
    postState({{QStringLiteral("state"), true}});
    EXPECT_TRUE(field.highlight());
    postState({});
    EXPECT_FALSE(field.highlight()) << "a notification without a state switches the highlight off";

    std::thread worker([] { postState({{QStringLiteral("state"), true}}); });
    worker.join();
    ASSERT_TRUE(QTest::qWaitFor([&] { return field.highlight(); })) << "a post from another thread arrives";
}

TEST(QMHighlightableTextField, PillFitsTextAndAlignment)
{
    struct Row
    {
        const char* name;
        Qt::Alignment alignment;
        QString text;
        bool fullWidth;
    };
    const Row rows[] = {
        {"left", Qt::AlignLeft, QStringLiteral("12.50"), false},
        {"right", Qt::AlignRight, QStringLiteral("12.50"), false},
        {"centred", Qt::AlignHCenter, QStringLiteral("12.50"), true},
        {"text wider than the field", Qt::AlignLeft, QStringLiteral("A fee text far wider than its field"), true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Field f(row.text, row.alignment, row.fullWidth && row.alignment == Qt::AlignLeft ? 80 : 200);
        const auto [left, width] = pillAfterDrawing(f.field);
        const int fieldWidth = f.field.width();
        if (row.fullWidth) {
            EXPECT_DOUBLE_EQ(left, 0);
            EXPECT_DOUBLE_EQ(width, fieldWidth);
        } else if (row.alignment == Qt::AlignLeft) {
            EXPECT_DOUBLE_EQ(left, 0);
            EXPECT_NEAR(width, f.textWidth(), 1);
        } else {
            EXPECT_NEAR(left + width, fieldWidth, 0.01);
            EXPECT_NEAR(width, f.textWidth(), 1);
        }
        EXPECT_TRUE(near(pillColour(f.field), kFee));
    }
}

TEST(QMHighlightableTextField, PillFollowsAChangedText)
{
    Field f(QStringLiteral("1.00"), Qt::AlignLeft);
    const qreal shortWidth = pillAfterDrawing(f.field).second;
    f.field.setText(QStringLiteral("1,234,567.00"));
    const qreal longWidth = pillAfterDrawing(f.field).second;
    EXPECT_NEAR(longWidth, f.textWidth(), 1);
    EXPECT_GT(longWidth, shortWidth + 20);
}

TEST(QMHighlightableTextField, ColoursFollowThePreferencesAndTheEnabledState)
{
    Field f(QStringLiteral("4.95"), Qt::AlignRight);
    f.field.grab();
    const QColor green = QColor::fromRgbF(0.1f, 0.6f, 0.2f);
    QMHighlightableTextField::setFeesHighlightColorProvider([green] { return green; });
    EXPECT_TRUE(near(pillColour(f.field), kFee)) << "the colour taken before stays until it is said to change";

    dw::NotificationCenter::defaultCenter().post(QString::fromLatin1(kFeesHighlightColorDidChangeNotification));
    EXPECT_TRUE(near(pillColour(f.field), green));
    const QPainterPath outline = f.field.path();

    f.field.setEnabled(false);
    const QColor lighter = QColor::fromRgbF(0.1f + 0.9f * 0.4f, 0.6f + 0.4f * 0.4f, 0.2f + 0.8f * 0.4f);
    EXPECT_TRUE(near(pillColour(f.field), lighter)) << "a disabled field shows the lighter colour";
    EXPECT_EQ(f.field.path(), outline) << "the outline is kept";
    const QImage image = f.field.grab().toImage();
    int lightest = 0;
    for (int x = 0; x < image.width(); ++x)
        lightest = std::max(lightest, qGray(image.pixel(x, 10)));
    EXPECT_GT(lightest, 240) << "the text stays white, not greyed";
    QMHighlightableTextField::setFeesHighlightColorProvider(nullptr);
}

TEST(QMHighlightableTextField, APaleFeeColourGetsDarkText)
{
    // White cannot be read on a pale colour the seller may pick; the figure turns dark on it.
    const QColor pale(0xff, 0xf0, 0xa0);
    QMHighlightableTextField::setFeesHighlightColorProvider([pale] { return pale; });
    Field f(QStringLiteral("4.95"), Qt::AlignRight);
    const QImage image = f.field.grab().toImage();
    int darkest = 255;
    for (int x = 0; x < image.width(); ++x)
        darkest = std::min(darkest, qGray(image.pixel(x, 10)));
    EXPECT_LT(darkest, 60) << "dark text on the pale pill";
    QMHighlightableTextField::setFeesHighlightColorProvider(nullptr);
}
