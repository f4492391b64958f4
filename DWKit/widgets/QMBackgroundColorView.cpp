#include "DWKit/widgets/QMBackgroundColorView.h"

#include <QPaintEvent>
#include <QPainter>

QMBackgroundColorView::QMBackgroundColorView(QWidget* parent) : QWidget(parent) {}

void QMBackgroundColorView::setBackGroundColor(const QColor& color)
{
    m_backGroundColor = color;
    update();
}

void QMBackgroundColorView::setLineColor(const QColor& color)
{
    m_lineColor = color;
    update();
}

void QMBackgroundColorView::setDrawLine(bool draw)
{
    m_drawLine = draw;
    update();
}

void QMBackgroundColorView::setDrawFrame(bool draw)
{
    m_drawFrame = draw;
    update();
}

void QMBackgroundColorView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), m_backGroundColor);
    if (m_drawLine) {
        // Two points wide along the top edge, so that one of them is inside the view.
        painter.setPen(QPen(m_lineColor, 2.0));
        painter.drawLine(QPointF(0, 0), QPointF(width(), 0));
    } else if (m_drawFrame) {
        painter.setPen(QPen(m_lineColor, 1.0));
        painter.drawRect(QRectF(0.5, 0.5, width() - 1, height() - 1));
    }
}
