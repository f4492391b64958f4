#include "ProgressAnimationView/QMProgressItemLayer.h"

#include "platform/widgets/ApplicationImage.h"

#include <QPainter>
#include <QPropertyAnimation>

namespace {

// The frame image and the photo's square in it, made on the first drawing and kept for the
// process.
struct FrameArt
{
    QImage frame;
    QRectF maxPhotoRect;
};

// Cards are drawn with two pixels a point, so they stay sharp when the stage brings them closer
// and on a high-density screen; the frame is rendered at that many pixels.
constexpr qreal kContentsScale = 2;

const FrameArt& frameArt()
{
    static const FrameArt art = [] {
        FrameArt made;
        made.frame = dw::applicationImage(QStringLiteral("Picture"), kContentsScale);
        made.maxPhotoRect = QMProgressItemLayer::maxPhotoRectForFrameSize(made.frame.deviceIndependentSize());
        return made;
    }();
    return art;
}

} // namespace

QMProgressItemLayer::QMProgressItemLayer(QObject* parent)
    : QObject(parent), m_positionAnimation(new QPropertyAnimation(this, "presentationPosition", this)),
      m_zAnimation(new QPropertyAnimation(this, "presentationZPosition", this)),
      m_opacityAnimation(new QPropertyAnimation(this, "presentationOpacity", this)),
      m_obscurityAnimation(new QPropertyAnimation(this, "presentationObscurity", this))
{
    m_position = m_bounds.center();
    m_presentationPosition = m_position;
    for (QPropertyAnimation* animation : {m_positionAnimation, m_zAnimation, m_opacityAnimation, m_obscurityAnimation})
        animation->setDuration(kAnimationDuration);
}

QMProgressItemLayer::~QMProgressItemLayer() = default;

void QMProgressItemLayer::animate(QPropertyAnimation* animation, const QVariant& from, const QVariant& to)
{
    animation->stop();
    if (!m_presented || from == to) {
        setProperty(animation->propertyName().constData(), to);
        return;
    }
    animation->setStartValue(from);
    animation->setEndValue(to);
    animation->start();
}

void QMProgressItemLayer::setPosition(const QPointF& position)
{
    m_position = position;
    animate(m_positionAnimation, m_presentationPosition, position);
}

void QMProgressItemLayer::setZPosition(qreal zPosition)
{
    m_zPosition = zPosition;
    animate(m_zAnimation, m_presentationZPosition, zPosition);
}

void QMProgressItemLayer::setOpacity(qreal opacity)
{
    m_opacity = opacity;
    animate(m_opacityAnimation, m_presentationOpacity, opacity);
}

void QMProgressItemLayer::setObscurity(qreal obscurity)
{
    m_obscurity = obscurity;
    animate(m_obscurityAnimation, m_presentationObscurity, obscurity);
}

void QMProgressItemLayer::setPresentationPosition(const QPointF& position)
{
    m_presentationPosition = position;
    Q_EMIT changed();
}

void QMProgressItemLayer::setPresentationZPosition(qreal zPosition)
{
    m_presentationZPosition = zPosition;
    Q_EMIT changed();
}

void QMProgressItemLayer::setPresentationOpacity(qreal opacity)
{
    m_presentationOpacity = opacity;
    Q_EMIT changed();
}

void QMProgressItemLayer::setPresentationObscurity(qreal obscurity)
{
    m_presentationObscurity = obscurity;
    Q_EMIT changed();
}

bool QMProgressItemLayer::isAnimating() const
{
    for (const QPropertyAnimation* animation :
         {m_positionAnimation, m_zAnimation, m_opacityAnimation, m_obscurityAnimation}) {
        if (animation->state() == QAbstractAnimation::Running)
            return true;
    }
    return false;
}

void QMProgressItemLayer::finishAnimations()
{
    for (QPropertyAnimation* animation : {m_positionAnimation, m_zAnimation, m_opacityAnimation, m_obscurityAnimation})
        animation->stop();
    setPresentationPosition(m_position);
    setPresentationZPosition(m_zPosition);
    setPresentationOpacity(m_opacity);
    setPresentationObscurity(m_obscurity);
}

QRectF QMProgressItemLayer::maxPhotoRectForFrameSize(const QSizeF& frameSize)
{
    const qreal side = frameSize.width() - 12;
    return {6, frameSize.height() - side - 7, side, side};
}

QRectF QMProgressItemLayer::sourceSquareForPictureSize(const QSizeF& pictureSize)
{
    const qreal side = pictureSize.width() < pictureSize.height() ? pictureSize.width() : pictureSize.height();
    return {(pictureSize.width() - side) / 2, (pictureSize.height() - side) / 2, side, side};
}

void QMProgressItemLayer::setNeedsDisplay()
{
    const FrameArt& art = frameArt();
    const QSizeF size = m_bounds.size();
    QImage contents((size * kContentsScale).toSize(), QImage::Format_ARGB32_Premultiplied);
    contents.setDevicePixelRatio(kContentsScale);
    contents.fill(Qt::transparent);
    QPainter painter(&contents);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.setRenderHint(QPainter::Antialiasing);
    // The frame at the card's origin, whole; the photo in the frame's square. The square is given
    // y-up; the painter counts down from the top.
    if (!art.frame.isNull())
        painter.drawImage(QRectF(QPointF(0, size.height() - art.frame.deviceIndependentSize().height()),
                                 art.frame.deviceIndependentSize()),
                          art.frame);
    if (!m_image.isNull() && !art.frame.isNull()) {
        const QRectF square = art.maxPhotoRect;
        const QRectF target(square.x(), size.height() - square.y() - square.height(), square.width(), square.height());
        painter.drawImage(target, m_image, sourceSquareForPictureSize(m_image.size()));
    }
    painter.end();
    m_contents = contents;
    Q_EMIT changed();
}
