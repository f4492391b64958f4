// The dark scroller: its parts, paging and line steps, and dragging the knob.
#include "description/DesignChooser/QMBlackScroller.h"

#include <QMouseEvent>
#include <QTest>
#include <gtest/gtest.h>

namespace {

void send(QWidget* widget, QEvent::Type type, double x, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    const QPointF point(x, 8);
    QMouseEvent event(type, point, widget->mapToGlobal(point), Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, modifiers);
    QCoreApplication::sendEvent(widget, &event);
}

class Scroller : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_scroller.setGeometry(0, 0, 452, 40);
        m_scroller.setKnobProportion(0.1);
        m_scroller.setPageScroll(0.25f);
        m_scroller.setLineScroll(0.1f);
    }

    QMBlackScroller m_scroller{QRect(0, 0, 452, 40)};
};

TEST_F(Scroller, PartsLieWhereTheLookPutsThem)
{
    EXPECT_EQ(m_scroller.height(), QMBlackScroller::kScrollerWidth) << "the height is always the scroller's width";
    EXPECT_EQ(m_scroller.rectForPart(QMBlackScroller::DecrementLine), QRectF(0, 0, 26, 16));
    EXPECT_EQ(m_scroller.rectForPart(QMBlackScroller::IncrementLine), QRectF(426, 0, 26, 16));
    EXPECT_EQ(m_scroller.rectForPart(QMBlackScroller::KnobSlot), QRectF(26, 0, 400, 16));
    EXPECT_EQ(m_scroller.rectForPart(QMBlackScroller::Knob), QRectF(26, 0, 40, 16));
    EXPECT_EQ(m_scroller.testPart({10, 8}), QMBlackScroller::DecrementLine);
    EXPECT_EQ(m_scroller.testPart({40, 8}), QMBlackScroller::Knob);
    EXPECT_EQ(m_scroller.testPart({200, 8}), QMBlackScroller::IncrementPage);

    m_scroller.setKnobProportion(0.6);
    EXPECT_TRUE(m_scroller.rectForPart(QMBlackScroller::Knob).isEmpty()) << "a knob wider than half the scroller";
}

TEST_F(Scroller, PagingAndLineStepsStayWithinZeroAndOne)
{
    m_scroller.setFloatValue(0.5);
    send(&m_scroller, QEvent::MouseButtonPress, 30); // left of the knob
    send(&m_scroller, QEvent::MouseButtonRelease, 30);
    EXPECT_DOUBLE_EQ(m_scroller.floatValue(), 0.25);
    send(&m_scroller, QEvent::MouseButtonPress, 30);
    send(&m_scroller, QEvent::MouseButtonRelease, 30);
    send(&m_scroller, QEvent::MouseButtonPress, 30);
    send(&m_scroller, QEvent::MouseButtonRelease, 30);
    EXPECT_DOUBLE_EQ(m_scroller.floatValue(), 0.0) << "clamped at 0";

    send(&m_scroller, QEvent::MouseButtonPress, 440); // the forward arrow
    send(&m_scroller, QEvent::MouseButtonRelease, 440);
    EXPECT_NEAR(m_scroller.floatValue(), 0.1, 1e-6);
    m_scroller.setFloatValue(0.95);
    send(&m_scroller, QEvent::MouseButtonPress, 440);
    EXPECT_DOUBLE_EQ(m_scroller.floatValue(), 1.0) << "clamped at 1";
}

TEST_F(Scroller, KnobFollowsTheMouseAndAFineDragAQuarterOfIt)
{
    m_scroller.setFloatValue(0.5);
    const double start = m_scroller.rectForPart(QMBlackScroller::Knob).center().x();
    send(&m_scroller, QEvent::MouseButtonPress, start + 3);
    send(&m_scroller, QEvent::MouseMove, start + 3 + 40, Qt::AltModifier);
    EXPECT_NEAR(m_scroller.rectForPart(QMBlackScroller::Knob).center().x(), start + 10, 1e-6) << "Alt held";
    send(&m_scroller, QEvent::MouseButtonRelease, start + 3 + 40, Qt::AltModifier);

    m_scroller.setFloatValue(0.5);
    send(&m_scroller, QEvent::MouseButtonPress, start - 5);
    send(&m_scroller, QEvent::MouseMove, start - 5 + 40);
    EXPECT_NEAR(m_scroller.rectForPart(QMBlackScroller::Knob).center().x(), start + 40, 1e-6);
    send(&m_scroller, QEvent::MouseMove, start - 5 + 1000);
    EXPECT_DOUBLE_EQ(m_scroller.floatValue(), 1.0);
    send(&m_scroller, QEvent::MouseButtonRelease, start - 5 + 1000);
}

TEST_F(Scroller, ValueAtAPointRunsAlongTheKnobsTravel)
{
    // Travel of the knob's centre: 26 + 20 … 426 − 20.
    EXPECT_DOUBLE_EQ(m_scroller.floatValueForMousePoint(46), 0.0);
    EXPECT_DOUBLE_EQ(m_scroller.floatValueForMousePoint(226), 0.5);
    EXPECT_DOUBLE_EQ(m_scroller.floatValueForMousePoint(500), 1.0);
}

} // namespace
