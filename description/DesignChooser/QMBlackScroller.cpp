#include "description/DesignChooser/QMBlackScroller.h"

#include "platform/widgets/ApplicationImage.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace {

constexpr double kArrowWidth = 26;
constexpr double kKnobCap = 12;

// At the pixels of the screen painted on, so the parts stay sharp on a high-density screen.
QImage image(const char* name, const QPainter& painter)
{
    const qreal ratio = painter.device() ? painter.device()->devicePixelRatioF() : 1;
    return dw::applicationImage(QString::fromLatin1(name), ratio);
}

} // namespace

QMBlackScroller::QMBlackScroller(const QRect& frame, QWidget* parent) : QWidget(parent)
{
    setFixedHeight(kScrollerWidth);
    setGeometry(frame.x(), frame.y(), frame.width(), kScrollerWidth);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setObjectName(QStringLiteral("flowScroller"));
    // Loaded once per process; a scroller made later finds them cached.
    for (const char* name : {"black_ArrowLeft", "black_ArrowRight", "black_ArrowLeftH", "black_ArrowRightH",
                             "black_DimpleL", "black_DimpleC", "black_DimpleR"})
        dw::applicationImage(QString::fromLatin1(name));
}

QMBlackScroller::QMBlackScroller(QWidget* parent) : QMBlackScroller(QRect(0, 0, 100, kScrollerWidth), parent) {}

QSize QMBlackScroller::sizeHint() const
{
    return {200, kScrollerWidth};
}

void QMBlackScroller::setFloatValue(double value)
{
    value = std::clamp(value, 0.0, 1.0);
    if (value == m_value)
        return;
    m_value = value;
    update();
    Q_EMIT floatValueChanged(m_value);
}

void QMBlackScroller::setKnobProportion(double proportion)
{
    m_knobProportion = std::clamp(proportion, 0.0, 1.0);
    update();
}

QRectF QMBlackScroller::rectForPart(Part part) const
{
    const double w = width(), h = kScrollerWidth;
    const QRectF slot(kArrowWidth, 0, std::max(0.0, w - 2 * kArrowWidth), h);
    const double knobWidth = std::max(2 * kKnobCap, slot.width() * m_knobProportion);
    // A knob wider than half the scroller says that there is nothing much to scroll.
    const bool hasKnob = knobWidth <= w / 2 && knobWidth <= slot.width();
    const QRectF knob = hasKnob ? QRectF(slot.x() + m_value * (slot.width() - knobWidth), 0, knobWidth, h) : QRectF();
    switch (part) {
    case DecrementLine:
        return {0, 0, kArrowWidth, h};
    case IncrementLine:
        return {w - kArrowWidth, 0, kArrowWidth, h};
    case KnobSlot:
        return slot;
    case Knob:
        return knob;
    case DecrementPage:
        return hasKnob ? QRectF(slot.x(), 0, knob.x() - slot.x(), h) : QRectF();
    case IncrementPage:
        return hasKnob ? QRectF(knob.right(), 0, slot.right() - knob.right(), h) : QRectF();
    case NoPart:
        break;
    }
    return {};
}

QMBlackScroller::Part QMBlackScroller::testPart(const QPointF& point) const
{
    for (Part part : {DecrementPage, Knob, IncrementPage, DecrementLine, IncrementLine, KnobSlot}) {
        const QRectF rect = rectForPart(part);
        if (!rect.isEmpty() && point.x() >= rect.left() && point.x() < rect.right() && point.y() >= rect.top() &&
            point.y() < rect.bottom())
            return part;
    }
    return NoPart;
}

double QMBlackScroller::floatValueForMousePoint(double x) const
{
    const QRectF knob = rectForPart(Knob), slot = rectForPart(KnobSlot);
    const double lo = slot.x() + knob.width() / 2, hi = slot.x() + slot.width() - knob.width() / 2;
    if (x <= lo)
        return 0;
    if (x >= hi)
        return 1;
    return (x - lo) / (hi - lo);
}

void QMBlackScroller::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    const QRectF slot = rectForPart(KnobSlot).adjusted(-6, 0, 6, 0);
    painter.fillRect(slot, QColor::fromRgbF(0.753f, 0.753f, 0.753f, 0.2f));
    painter.setPen(Qt::white);
    painter.drawRect(slot.adjusted(0.5, 0.5, -0.5, -0.5));
    drawArrow(painter, false, m_pressedArrow == IncrementLine);
    drawArrow(painter, true, m_pressedArrow == DecrementLine);
    drawKnob(painter);
}

void QMBlackScroller::drawArrow(QPainter& painter, bool back, bool highlight)
{
    const char* name = back ? (highlight ? "black_ArrowLeftH" : "black_ArrowLeft")
                            : (highlight ? "black_ArrowRightH" : "black_ArrowRight");
    painter.drawImage(rectForPart(back ? DecrementLine : IncrementLine), image(name, painter));
}

void QMBlackScroller::drawKnob(QPainter& painter)
{
    const QRectF knob = rectForPart(Knob);
    if (knob.isEmpty())
        return;
    const double h = knob.height() - 1;
    painter.drawImage(QRectF(knob.x(), knob.y(), kKnobCap, h), image("black_DimpleL", painter));
    painter.drawImage(QRectF(knob.x() + kKnobCap, knob.y(), knob.width() - 2 * kKnobCap, h),
                      image("black_DimpleC", painter));
    painter.drawImage(QRectF(knob.right() - kKnobCap, knob.y(), kKnobCap, h), image("black_DimpleR", painter));
}

void QMBlackScroller::mousePressEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    m_hitPart = testPart(event->position());
    double value = m_value;
    switch (m_hitPart) {
    case DecrementPage:
        value -= m_pageScroll;
        break;
    case IncrementPage:
        value += m_pageScroll;
        break;
    case DecrementLine:
    case IncrementLine:
        m_pressedArrow = m_hitPart;
        value += m_hitPart == DecrementLine ? -m_lineScroll : m_lineScroll;
        break;
    case Knob: {
        const QRectF knob = rectForPart(Knob);
        m_grabOffset = knob.center().x() - event->position().x();
        m_offset = m_grabOffset;
        m_lastPosition = knob.center().x();
        return;
    }
    case KnobSlot:
    case NoPart:
        return;
    }
    setFloatValue(value);
    update();
}

void QMBlackScroller::mouseMoveEvent(QMouseEvent* event)
{
    if (m_hitPart == Knob && (event->buttons() & Qt::LeftButton))
        trackKnob(event->position().x(), event->modifiers() & Qt::AltModifier);
}

void QMBlackScroller::mouseReleaseEvent(QMouseEvent* event)
{
    if (m_hitPart == Knob)
        trackKnob(event->position().x(), event->modifiers() & Qt::AltModifier);
    m_hitPart = NoPart;
    if (m_pressedArrow != NoPart) {
        m_pressedArrow = NoPart;
        update();
    }
}

void QMBlackScroller::trackKnob(double mouseX, bool fine)
{
    double position = mouseX + m_offset;
    if (position == m_lastPosition)
        return;
    if (fine) {
        const double slowdown = (position - m_lastPosition) * 3 / 4;
        position -= slowdown;
        m_offset -= slowdown;
    } else {
        m_offset = m_grabOffset;
    }
    m_lastPosition = position;
    setFloatValue(floatValueForMousePoint(position));
    repaint();
}
