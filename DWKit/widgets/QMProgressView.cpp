#include "DWKit/widgets/QMProgressView.h"

#include "DWKit/widgets/CTGradient.h"

#include <QPainter>
#include <QVBoxLayout>

namespace {
constexpr int kIndicatorSize = 64;
} // namespace

QMProgressView::QMProgressView(QWidget* parent) : QWidget(parent)
{
    m_containerView = new QWidget(this);
    m_containerView->setObjectName(QStringLiteral("containerView"));
    m_progressIndicator = new QMColoredProgressIndicator(m_containerView);
    m_progressIndicator->setObjectName(QStringLiteral("progressIndicator"));
    m_progressIndicator->setIndicatorStyle(dw::ProgressIndicator::Style::Spinning);
    m_progressIndicator->setFixedSize(kIndicatorSize, kIndicatorSize);
    m_progressIndicator->setColor(Qt::white);
    m_textField = new QLabel(m_containerView);
    m_textField->setObjectName(QStringLiteral("textField"));
    m_textField->setTextFormat(Qt::PlainText);
    m_textField->setAlignment(Qt::AlignHCenter);
    QPalette palette = m_textField->palette();
    palette.setColor(QPalette::WindowText, Qt::white);
    m_textField->setPalette(palette);

    auto* inner = new QVBoxLayout(m_containerView);
    inner->addWidget(m_progressIndicator, 0, Qt::AlignHCenter);
    inner->addWidget(m_textField);
    auto* outer = new QVBoxLayout(this);
    outer->addStretch(1);
    outer->addWidget(m_containerView, 0, Qt::AlignHCenter);
    outer->addStretch(1);
}

void QMProgressView::startProgressAnimation()
{
    m_progressIndicator->startAnimation();
}

void QMProgressView::stopProgressAnimation()
{
    m_progressIndicator->setDoubleValue(0);
    m_progressIndicator->stopAnimation();
}

void QMProgressView::setIndeterminate(bool indeterminate)
{
    m_isIndeterminate = indeterminate;
    m_progressIndicator->setIndeterminate(indeterminate);
}

void QMProgressView::setProgressValue(double value)
{
    m_progressValue = value;
    if (!m_isIndeterminate)
        m_progressIndicator->setDoubleValue(value);
}

void QMProgressView::setMessage(const QString& message)
{
    m_message = message;
    m_textField->setText(message);
}

void QMProgressView::paintEvent(QPaintEvent*)
{
    // One gradient for every strip, made on first use.
    static const CTGradient background =
        CTGradient::gradientWithBeginningColor(QColor::fromRgbF(127 / 255.0f, 127 / 255.0f, 127 / 255.0f),
                                               QColor::fromRgbF(66 / 255.0f, 66 / 255.0f, 66 / 255.0f));
    QPainter painter(this);
    // The gradient's angles are y-up: -90 puts the first colour at the top edge.
    painter.translate(0, height());
    painter.scale(1, -1);
    background.fillRect(painter, QRectF(0, 0, width(), height()), -90);
}
