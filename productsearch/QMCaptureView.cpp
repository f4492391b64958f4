#include "productsearch/QMCaptureView.h"

#include <QPainter>
#include <cmath>

QMCaptureView::QMCaptureView(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void QMCaptureView::setImage(const QImage& image)
{
    m_image = image;
    update();
}

QRectF QMCaptureView::importantRectFromRect(const QRectF& bounds)
{
    return bounds.adjusted(bounds.width() * 0.3, bounds.height() * 0.3, -bounds.width() * 0.3, -bounds.height() * 0.3);
}

void QMCaptureView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    QRectF picture = rect();
    if (!m_image.isNull()) {
        const QSizeF size = QSizeF(m_image.size()).scaled(rect().size(), Qt::KeepAspectRatio);
        picture = QRectF(QPointF((width() - size.width()) / 2, (height() - size.height()) / 2), size);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(picture, m_image);
    }
    // The aiming frame: a rectangle on the pixel grid, of which only the top and bottom edges
    // and the corners of the sides are drawn.
    const QRectF aim = importantRectFromRect(picture).adjusted(5, 5, -5, -5);
    const QRectF frame(std::floor(aim.x()) + 0.5, std::floor(aim.y()) + 0.5, std::floor(aim.width()),
                       std::floor(aim.height()));
    const qreal corner = std::min<qreal>(20, frame.height() / 2);
    painter.setPen(QPen(QColor(255, 0, 0), 1));
    painter.drawLine(frame.topLeft(), frame.topRight());
    painter.drawLine(frame.bottomLeft(), frame.bottomRight());
    for (const qreal x : {frame.left(), frame.right()}) {
        painter.drawLine(QPointF(x, frame.top()), QPointF(x, frame.top() + corner));
        painter.drawLine(QPointF(x, frame.bottom() - corner), QPointF(x, frame.bottom()));
    }
}
