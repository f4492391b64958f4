#include "DWKit/widgets/QMAppIconView.h"

#include "platform/widgets/ApplicationImage.h"

#include <QGuiApplication>
#include <QPainter>

QMAppIconView::QMAppIconView(QWidget* parent)
    : QWidget(parent), m_icon(dw::applicationImage(QStringLiteral("QuillmartBig"), qApp->devicePixelRatio()))
{}

void QMAppIconView::setIcon(const QImage& icon)
{
    m_icon = icon;
    update();
}

void QMAppIconView::paintEvent(QPaintEvent*)
{
    if (m_icon.isNull())
        return;
    QPainter painter(this);
    // The icon's origin is the view's origin y-up, its lower-left corner.
    painter.drawImage(QPointF(0, height() - m_icon.deviceIndependentSize().height()), m_icon);
}
