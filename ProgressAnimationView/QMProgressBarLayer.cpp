#include "ProgressAnimationView/QMProgressBarLayer.h"

#include "DWKit/QMLog.h"
#include "ProgressAnimationView/QMProgressItemLayer.h"
#include "platform/widgets/ApplicationImage.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPropertyAnimation>

QMProgressBarLayer::QMProgressBarLayer(qreal width, QObject* parent)
    : QMProgressBarLayer(width, dw::applicationImage(QStringLiteral("LoadingBar-foreground"), qApp->devicePixelRatio()),
                         dw::applicationImage(QStringLiteral("ProgressContent"), qApp->devicePixelRatio()), parent)
{}

QMProgressBarLayer::QMProgressBarLayer(qreal width, const QImage& frameImage, const QImage& contentImage,
                                       QObject* parent)
    : QObject(parent), m_width(width), m_frameImage(frameImage), m_contentImage(contentImage),
      m_animation(new QPropertyAnimation(this, "presentationContentX", this))
{
    m_animation->setDuration(QMProgressItemLayer::kAnimationDuration);
    m_originOfProgressContent = (width - frameSize().width()) * 0.5;
    m_contentX = contentSize().width() / 2.0;
    m_presentationContentX = m_contentX;
    setProgress(0);
    m_presented = true;
}

void QMProgressBarLayer::setProgress(float progress)
{
    if (progress < m_progress)
        QMLog("*** progress backwards! ***");
    m_progress = progress > 1.0f ? 1.0f : (progress < 0.0f ? 0.0f : progress);
    m_contentX = m_originOfProgressContent + 39 + 562 * qreal(m_progress);
    m_animation->stop();
    if (!m_presented) {
        setPresentationContentX(m_contentX);
        return;
    }
    m_animation->setStartValue(m_presentationContentX);
    m_animation->setEndValue(m_contentX);
    m_animation->start();
}

void QMProgressBarLayer::setPresentationContentX(qreal x)
{
    m_presentationContentX = x;
    Q_EMIT changed();
}

void QMProgressBarLayer::paint(QPainter& painter, const QPointF& bottomLeft) const
{
    // Sizes in points: the images may carry more pixels than that, for a high-density screen.
    const QSizeF frameExtent = frameSize();
    const QSizeF contentExtent = contentSize();
    const QRectF frame(bottomLeft.x() + m_originOfProgressContent, bottomLeft.y() - frameExtent.height(),
                       frameExtent.width(), frameExtent.height());
    painter.save();
    // The content shows only through the frame; beyond it the strip would cover the stage.
    painter.setClipRect(frame);
    const QRectF content(bottomLeft.x() + m_presentationContentX - contentExtent.width() / 2.0,
                         bottomLeft.y() - contentExtent.height(), contentExtent.width(), contentExtent.height());
    painter.drawImage(content, m_contentImage);
    painter.restore();
    painter.drawImage(frame, m_frameImage);
}
