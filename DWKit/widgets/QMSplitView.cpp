#include "DWKit/widgets/QMSplitView.h"

#include "DWKit/widgets/NSBezierPath+DWAdditons.h"

#include <QPainter>
#include <QPainterPath>
#include <QSplitterHandle>
#include <QStyle>
#include <QStyleOption>
#include <cmath>

namespace {

class Divider : public QSplitterHandle
{
public:
    Divider(Qt::Orientation orientation, QMSplitView* parent) : QSplitterHandle(orientation, parent), m_view(parent) {}

    QSize sizeHint() const override
    {
        const int thickness = m_view->dividerThickness();
        return orientation() == Qt::Horizontal ? QSize(thickness, 1) : QSize(1, thickness);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        m_view->drawDividerInRect(painter, rect(), geometry());
    }

private:
    QMSplitView* m_view;
};

} // namespace

QMSplitView::QMSplitView(Qt::Orientation orientation, QWidget* parent) : QSplitter(orientation, parent) {}

int QMSplitView::dividerThickness() const
{
    if (orientation() == Qt::Horizontal)
        return 1;
    return style()->pixelMetric(QStyle::PM_SplitterWidth, nullptr, this);
}

QSplitterHandle* QMSplitView::createHandle()
{
    return new Divider(orientation(), this);
}

void QMSplitView::drawDividerInRect(QPainter& painter, const QRect& rect, const QRect& placeInSplitView)
{
    if (orientation() == Qt::Horizontal) {
        painter.fillRect(rect, QColor::fromRgbF(0.4f, 0.4f, 0.4f));
    } else {
        const qreal x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
        QPainterPath bar;
        bar.addRect(QRectF(x, y, w, h));
        // Like the split view it stands for, the divider is drawn flipped: white at the top edge.
        dw::linearGradientFill(painter, bar, Qt::white, QColor::fromRgbF(210 / 255.0f, 210 / 255.0f, 210 / 255.0f));
        painter.setPen(QColor::fromRgbF(124 / 255.0f, 124 / 255.0f, 124 / 255.0f));
        const qreal left = std::floor(x), right = std::floor(x + w);
        painter.drawLine(QLineF(left, std::floor(y), right, std::floor(y)));
        // Qt's pixel rows run from y to y + h - 1: the bottom line goes on the last row.
        painter.drawLine(QLineF(left, std::floor(y + h) - 1, right, std::floor(y + h) - 1));
        QStyleOption grip;
        grip.initFrom(this);
        grip.rect = rect;
        grip.state |= QStyle::State_Horizontal;
        style()->drawControl(QStyle::CE_Splitter, &grip, &painter, this);
    }
    m_dividerRect = placeInSplitView;
}
