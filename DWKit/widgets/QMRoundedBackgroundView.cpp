#include "DWKit/widgets/QMRoundedBackgroundView.h"

#include "DWKit/widgets/NSBezierPath+DWAdditons.h"

#include <QPainter>
#include <QPainterPath>
#include <cmath>

QMRoundedBackgroundView::QMRoundedBackgroundView(QWidget* parent) : QWidget(parent) {}

void QMRoundedBackgroundView::setBackGroundColor(const QColor& color)
{
    m_backGroundColor = color;
    update();
}

void QMRoundedBackgroundView::setCapRadius(float radius)
{
    m_capRadius = radius;
    update();
}

void QMRoundedBackgroundView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The panel is placed y-up (19.5 above the bottom edge): the painter is flipped once.
    painter.translate(0, height());
    painter.scale(1, -1);
    QRectF r = QRectF(rect()).adjusted(10, 10, -10, -10);
    r.moveLeft(std::floor(r.x()) + 0.5);
    r.moveTop(19.5);
    const qreal c = m_capRadius;
    const qreal x = r.x(), y = r.y(), w = r.width(), h = r.height();
    QPainterPath path;
    dw::appendArc(path, QPointF(x + w - c, y + h - c), c, 90, 0, true);
    dw::appendArc(path, QPointF(x + w - c, y + c), c, 0, 270, true);
    dw::appendArc(path, QPointF(x + c, y + c), c, 270, 180, true);
    dw::appendArc(path, QPointF(x + c, y + h - c), c, 180, 90, true);
    path.closeSubpath();
    painter.fillPath(path, m_backGroundColor);
    painter.strokePath(path, QPen(QColor::fromRgbF(1 / 3.0f, 1 / 3.0f, 1 / 3.0f), 1.0));
}
