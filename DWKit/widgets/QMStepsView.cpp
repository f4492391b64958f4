#include "DWKit/widgets/QMStepsView.h"

#include "platform/core/Localization.h"
#include "platform/widgets/ApplicationImage.h"

#include <QFontMetricsF>
#include <QPainter>

QMStepsView::QMStepsView(QWidget* parent) : QWidget(parent) {}

void QMStepsView::setTabView(QStackedWidget* tabView)
{
    if (m_tabView)
        disconnect(m_tabView, nullptr, this, nullptr);
    m_tabView = tabView;
    if (m_tabView)
        connect(m_tabView, &QStackedWidget::currentChanged, this, &QMStepsView::reloadData);
    reloadData();
}

void QMStepsView::reloadData()
{
    update();
}

void QMStepsView::paintEvent(QPaintEvent*)
{
    if (!m_tabView)
        return;
    const int count = m_tabView->count();
    const int selected = m_tabView->currentIndex();
    QFont font = this->font();
    font.setPixelSize(12);
    font.setBold(true);
    const QFontMetricsF metrics(font);
    const QImage current = dw::applicationImage(QStringLiteral("DotBlue"), devicePixelRatioF());
    const QImage other = dw::applicationImage(QStringLiteral("DotGray"), devicePixelRatioF());
    // The current step in the theme's text colour, the others in its fainter one.
    const QColor currentText = palette().color(QPalette::WindowText);
    const QColor otherText = palette().color(QPalette::PlaceholderText);

    QPainter painter(this);
    painter.setFont(font);
    // Rows are laid out y-up from the top edge, as the steps are defined; toTop() turns a y-up
    // bottom edge and height into a Qt top edge.
    const qreal h = height();
    auto toTop = [h](qreal bottomUp, qreal extent) { return h - bottomUp - extent; };
    for (int i = 0; i < count; ++i) {
        const qreal rowBottom = h - kRowHeight * (i + 1);
        const QImage& dot = i == selected ? current : other;
        const QSizeF dotSize = dot.isNull() ? QSizeF(0, 0) : dot.deviceIndependentSize();
        if (!dot.isNull())
            painter.drawImage(QPointF(0, toTop(rowBottom + (kRowHeight - dotSize.height()) * 0.5, dotSize.height())),
                              dot);
        const QString identifier = m_tabView->widget(i)->objectName();
        const QString title = dw::localized(identifier, "ManualLocalizable");
        const qreal textHeight = metrics.height();
        painter.setPen(i == selected ? currentText : otherText);
        painter.drawText(QPointF(dotSize.width() + 3,
                                 toTop(rowBottom + (kRowHeight - textHeight) * 0.5, textHeight) + metrics.ascent()),
                         title);
    }
}
