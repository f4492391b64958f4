#include "DWKit/widgets/QMAnimatedSplitView.h"
#include "DWKit/widgets/QMColoredProgressIndicator.h"

#include <QApplication>
#include <QPointer>
#include <QSplitterHandle>
#include <QTest>
#include <cmath>
#include <gtest/gtest.h>

namespace {

std::unique_ptr<QMColoredProgressIndicator> spinner(int size)
{
    auto indicator = std::make_unique<QMColoredProgressIndicator>();
    indicator->setIndicatorStyle(dw::ProgressIndicator::Style::Spinning);
    indicator->resize(size, size);
    indicator->setAutoFillBackground(true);
    QPalette palette;
    palette.setColor(QPalette::Window, Qt::black);
    indicator->setPalette(palette);
    return indicator;
}

// Brightness of the wheel at a distance from the centre along a direction given in degrees
// (counter-clockwise on screen, 90 = up).
int brightnessAt(const QImage& image, int size, qreal degrees, qreal radius)
{
    const qreal radians = degrees * M_PI / 180;
    const QPoint at(int(size / 2.0 + std::cos(radians) * radius), int(size / 2.0 - std::sin(radians) * radius));
    return qGray(image.pixel(at));
}

} // namespace

TEST(QMColoredProgressIndicator, SpokesFadeBehindTheBrightHead)
{
    auto indicator = spinner(64);
    const QImage wheel = indicator->grab().toImage();
    // Phase 0: the invisible spoke points up, the brightest one 30 degrees to its right.
    const qreal middle = 0.305 * 64;
    EXPECT_LT(brightnessAt(wheel, 64, 90, middle), 10);
    EXPECT_GT(brightnessAt(wheel, 64, 60, middle), 180);
    EXPECT_GT(brightnessAt(wheel, 64, 60, middle), brightnessAt(wheel, 64, 150, middle));
    EXPECT_LT(brightnessAt(wheel, 64, 60, 0.45 * 64), 10) << "spokes end at 0.38 of the size";

    indicator->setDoubleValue(0.99); // rounds to a whole turn
    EXPECT_EQ(indicator->grab().toImage(), wheel);

    auto small = spinner(24);
    EXPECT_GT(brightnessAt(small->grab().toImage(), 24, 60, 0.45 * 24), 100) << "small wheels have longer spokes";
}

TEST(QMColoredProgressIndicator, OneTimerTurnsTheWheel)
{
    auto indicator = spinner(64);
    indicator->startAnimation();
    QPointer<QTimer> first = indicator->animationTimer();
    ASSERT_TRUE(first);
    indicator->startAnimation();
    EXPECT_TRUE(first.isNull()) << "the first timer was replaced";
    EXPECT_EQ(indicator->findChildren<QTimer*>().size(), 1);
    EXPECT_NEAR(indicator->animationTimer()->interval(), 1000.0 / 12, 1);

    indicator->animateProgressTimer();
    indicator->animateProgressTimer();
    indicator->stopAnimation();
    EXPECT_EQ(indicator->animationTimer(), nullptr);
    EXPECT_NEAR(indicator->doubleValue(), 2.0 / 12, 1e-9) << "a stopped wheel keeps its phase";

    indicator->startAnimation();
    ASSERT_TRUE(QTest::qWaitFor([&] { return indicator->doubleValue() > 2.5 / 12; }));
    indicator->stopAnimation();
}

TEST(QMColoredProgressIndicator, OtherStylesAreThePlatformsOwn)
{
    QMColoredProgressIndicator bar;
    bar.setIndeterminate(false);
    bar.setMaxValue(10);
    bar.setDoubleValue(4);
    bar.startAnimation();
    EXPECT_EQ(bar.animationTimer(), nullptr);
    EXPECT_DOUBLE_EQ(bar.doubleValue(), 4);
}

TEST(QMAnimatedSplitView, PositionRuleAndDividers)
{
    QMAnimatedSplitView split(Qt::Horizontal);
    split.resize(600, 300);
    split.addWidget(new QWidget);
    split.addWidget(new QWidget);
    split.show();
    QApplication::processEvents();
    EXPECT_EQ(split.dividerThickness(), 1);
    EXPECT_EQ(split.handle(1)->width(), 1);

    split.setSplitterPosition(400, false);
    EXPECT_EQ(split.widget(0)->width(), 400);
    EXPECT_EQ(split.widget(1)->width(), 199);
    EXPECT_FLOAT_EQ(split.splitterPosition(), 200) << "own width minus the first pane, not the position given";

    const QImage picture = split.grab().toImage();
    EXPECT_EQ(picture.pixelColor(400, 150).red(), 102) << "a dark one-point divider";
    EXPECT_EQ(split.dividerRect(), QRect(400, 0, 1, 300));

    QMAnimatedSplitView stacked(Qt::Vertical);
    stacked.resize(300, 400);
    stacked.addWidget(new QWidget);
    stacked.addWidget(new QWidget);
    stacked.show();
    QApplication::processEvents();
    EXPECT_GT(stacked.dividerThickness(), 1);
    stacked.setSplitterPosition(100, false);
    EXPECT_FLOAT_EQ(stacked.splitterPosition(), 400 - stacked.widget(1)->height());
    EXPECT_EQ(stacked.widget(0)->height(), 100);
}

TEST(QMAnimatedSplitView, AnimationEndsOnTheTargetFrame)
{
    QMAnimatedSplitView split(Qt::Horizontal);
    split.resize(600, 300);
    split.addWidget(new QWidget);
    auto* pane = new QWidget;
    split.addWidget(pane);
    split.show();
    split.setSplitterPosition(600, false); // the pane closed
    pane->hide();

    split.setSplitterPosition(340, true);
    EXPECT_TRUE(split.isSplitterAnimating());
    EXPECT_TRUE(pane->isVisibleTo(&split)) << "both panes are shown for the animation";
    ASSERT_TRUE(QTest::qWaitFor([&] { return !split.isSplitterAnimating(); }, 5000));
    EXPECT_EQ(split.widget(0)->width(), 340);
    EXPECT_EQ(pane->width(), 259);

    QMAnimatedSplitView single;
    single.addWidget(new QWidget);
    single.setSplitterPosition(10, true);
    EXPECT_FALSE(single.isSplitterAnimating());
}
