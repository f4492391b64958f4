#include "platform/widgets/ProgressIndicator.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionProgressBar>
#include <QTimerEvent>
#include <algorithm>
#include <cmath>

namespace dw {

namespace {
constexpr int kFrameInterval = 50; // ms
constexpr int kPhases = 12;
} // namespace

ProgressIndicator::ProgressIndicator(QWidget* parent) : QWidget(parent) {}

void ProgressIndicator::setIndicatorStyle(Style style)
{
    if (m_style == style)
        return;
    m_style = style;
    updateGeometry();
    update();
}

void ProgressIndicator::setIndeterminate(bool indeterminate)
{
    if (m_indeterminate == indeterminate)
        return;
    m_indeterminate = indeterminate;
    if (!m_indeterminate)
        m_timer.stop();
    else if (m_animating)
        m_timer.start(kFrameInterval, this);
    update();
}

void ProgressIndicator::setMinValue(double value)
{
    m_minValue = value;
    update();
}

void ProgressIndicator::setMaxValue(double value)
{
    m_maxValue = value;
    update();
}

void ProgressIndicator::setDoubleValue(double value)
{
    m_value = value;
    update();
}

void ProgressIndicator::startAnimation()
{
    m_animating = true;
    if (m_indeterminate && !m_timer.isActive())
        m_timer.start(kFrameInterval, this);
    update();
}

void ProgressIndicator::stopAnimation()
{
    m_animating = false;
    m_timer.stop();
    update();
}

QSize ProgressIndicator::sizeHint() const
{
    return m_style == Style::Spinning ? QSize(32, 32) : QSize(160, 20);
}

void ProgressIndicator::timerEvent(QTimerEvent* event)
{
    if (event->timerId() != m_timer.timerId()) {
        QWidget::timerEvent(event);
        return;
    }
    m_phase = (m_phase + 1) % kPhases;
    update();
}

void ProgressIndicator::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    paintPlatform(painter);
}

void ProgressIndicator::paintPlatform(QPainter& painter)
{
    if (m_style == Style::Bar)
        paintBar(painter);
    else
        paintWheel(painter);
}

void ProgressIndicator::paintBar(QPainter& painter)
{
    QStyleOptionProgressBar option;
    option.initFrom(this);
    option.state |= QStyle::State_Horizontal;
    option.textVisible = false;
    if (m_indeterminate) {
        // The style's busy bar; its stripes stand still unless the indicator animates.
        option.minimum = 0;
        option.maximum = 0;
        option.progress = m_animating ? m_phase : 0;
    } else {
        constexpr int kSteps = 10000;
        const double span = m_maxValue - m_minValue;
        const double fraction = span > 0 ? std::clamp((m_value - m_minValue) / span, 0.0, 1.0) : 0.0;
        option.minimum = 0;
        option.maximum = kSteps;
        option.progress = int(std::lround(fraction * kSteps));
    }
    style()->drawControl(QStyle::CE_ProgressBar, &option, &painter, this);
}

void ProgressIndicator::paintWheel(QPainter& painter)
{
    const qreal size = std::min(width(), height());
    if (size <= 0)
        return;
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF square((width() - size) / 2 + 2, (height() - size) / 2 + 2, size - 4, size - 4);
    QColor colour = palette().color(QPalette::WindowText);
    if (m_indeterminate) {
        if (!m_animating)
            return; // a stopped indeterminate wheel is not shown
        QPen pen(colour, std::max<qreal>(1.5, size / 10), Qt::SolidLine, Qt::RoundCap);
        painter.setPen(pen);
        const int start = -m_phase * (360 / kPhases) * 16;
        painter.drawArc(square, start, 270 * 16);
        return;
    }
    // Determinate: a pie of the done fraction inside a ring.
    const double span = m_maxValue - m_minValue;
    const double fraction = span > 0 ? std::clamp((m_value - m_minValue) / span, 0.0, 1.0) : 0.0;
    painter.setPen(QPen(colour, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(square);
    painter.setPen(Qt::NoPen);
    painter.setBrush(colour);
    painter.drawPie(square, 90 * 16, -int(std::lround(fraction * 360 * 16)));
}

} // namespace dw
