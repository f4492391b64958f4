#pragma once
// A horizontal scroller in a dark look, drawn from its own pictures with its own layout of parts:
// an arrow at each end, the slot between them, a knob whose width is the knob proportion of the
// slot. A click beside the knob moves the value by a page, an arrow by a line; dragging the knob
// follows the mouse, with Alt held only a quarter of the mouse's movement (a fine drag). The
// carousel puts its position under its covers with it.
//
//     auto* scroller = new QMBlackScroller(QRect(20, 14, 600, 16), carousel);
//     scroller->setKnobProportion(1.0 / count);
//     connect(scroller, &QMBlackScroller::floatValueChanged, carousel, &Carousel::scrollerMoved);
//
// The value runs from 0 to 1; every change, by the user or by setFloatValue(), emits
// floatValueChanged(). Main thread.

#include <QImage>
#include <QRectF>
#include <QWidget>

class QMBlackScroller : public QWidget
{
    Q_OBJECT

public:
    enum Part {
        NoPart = 0,
        DecrementPage = 1,
        Knob = 2,
        IncrementPage = 3,
        DecrementLine = 4,
        IncrementLine = 5,
        KnobSlot = 6
    };

    static constexpr int kScrollerWidth = 16;
    static double scrollerWidth() { return kScrollerWidth; }

    // The frame's height is always the scroller's width.
    explicit QMBlackScroller(const QRect& frame, QWidget* parent = nullptr);
    explicit QMBlackScroller(QWidget* parent = nullptr);

    double floatValue() const { return m_value; }
    void setFloatValue(double value);
    double knobProportion() const { return m_knobProportion; }
    void setKnobProportion(double proportion);
    float pageScroll() const { return m_pageScroll; }
    void setPageScroll(float step) { m_pageScroll = step; }
    float lineScroll() const { return m_lineScroll; }
    void setLineScroll(float step) { m_lineScroll = step; }
    Part hitPart() const { return m_hitPart; }

    QRectF rectForPart(Part part) const;
    // The first part, in the order of the enumeration, whose rectangle holds the point.
    Part testPart(const QPointF& point) const;
    // The value at which the knob's centre stands at x: 0 at the left end of its travel, 1 at the
    // right end.
    double floatValueForMousePoint(double x) const;

    QSize sizeHint() const override;

Q_SIGNALS:
    void floatValueChanged(double value);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void drawArrow(QPainter& painter, bool back, bool highlight);
    void drawKnob(QPainter& painter);
    void trackKnob(double mouseX, bool fine);

    double m_value = 0;
    double m_knobProportion = 1;
    float m_pageScroll = 0.1f;
    float m_lineScroll = 0.01f;
    Part m_hitPart = NoPart;
    Part m_pressedArrow = NoPart;
    // Knob tracking: where the knob's centre lies from the mouse, as grabbed and as now, and the
    // position last applied.
    double m_grabOffset = 0;
    double m_offset = 0;
    double m_lastPosition = 0;
};
