#include "DWKit/widgets/QMShadowedSeparator.h"

#include "DWKit/widgets/NSColor+DWExtensions.h"

#include <QPaintEvent>
#include <QPainter>

QMShadowedSeparator::QMShadowedSeparator(QWidget* parent) : QFrame(parent)
{
    setFrameShape(QFrame::HLine);
}

void QMShadowedSeparator::setSeparatorColor(const QColor& color)
{
    m_separatorColor = color;
    update();
}

void QMShadowedSeparator::paintEvent(QPaintEvent* event)
{
    if (frameShape() != QFrame::HLine && frameShape() != QFrame::VLine) {
        QFrame::paintEvent(event);
        return;
    }
    QPainter painter(this);
    // The two rows sit at the bottom of the dirty rectangle, y-up: flipped once here.
    painter.translate(0, height());
    painter.scale(1, -1);
    const QRect dirty = event->rect();
    const qreal x = dirty.x(), y = height() - dirty.y() - dirty.height(), w = dirty.width();
    painter.fillRect(QRectF(x, y, w, 2), m_separatorColor);
    painter.fillRect(QRectF(x, y, w, 1), dw::highlightWithLevel(m_separatorColor, 0.85));
}
