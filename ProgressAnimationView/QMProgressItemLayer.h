#pragma once
// The card of one listing in the animated progress view: the listing's picture, cropped to its
// centred square, inside a photo-frame image, under a black veil that darkens cards further back.
//
// The layer keeps two sets of values, as the platform's layers do: the model values that the view
// sets (position, z position, opacity, hidden, the veil's opacity) and which tests read at once,
// and the presentation values that glide to them with property animations and that drawing uses.
// Coordinates are the stage's, with y pointing up; the position is the card's centre. The frame
// image ("Picture") and the square it leaves for the photo are made once per process. Main thread.
//
//     auto* card = new QMProgressItemLayer(view);
//     card->setImage(listingPicture);
//     card->setPosition({125, 120});            // animates from where it was
//     painter.drawImage(target, card->contents());

#include <QImage>
#include <QObject>
#include <QPointF>
#include <QRectF>

class QPropertyAnimation;

class QMProgressItemLayer : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QPointF presentationPosition READ presentationPosition WRITE setPresentationPosition)
    Q_PROPERTY(qreal presentationZPosition READ presentationZPosition WRITE setPresentationZPosition)
    Q_PROPERTY(qreal presentationOpacity READ presentationOpacity WRITE setPresentationOpacity)
    Q_PROPERTY(qreal presentationObscurity READ presentationObscurity WRITE setPresentationObscurity)

public:
    // The platform's implicit animation time.
    static constexpr int kAnimationDuration = 250;

    explicit QMProgressItemLayer(QObject* parent = nullptr);
    ~QMProgressItemLayer() override;

    // Model values. Setting one animates its presentation value from where it stands, except
    // until the layer is marked presented (a new card appears where it is first put).
    QPointF position() const { return m_position; }
    void setPosition(const QPointF& position);
    qreal zPosition() const { return m_zPosition; }
    void setZPosition(qreal zPosition);
    qreal opacity() const { return m_opacity; }
    void setOpacity(qreal opacity);
    bool isHidden() const { return m_hidden; }
    void setHidden(bool hidden) { m_hidden = hidden; }
    // The veil's opacity: 0 clear to 1 black.
    qreal obscurity() const { return m_obscurity; }
    void setObscurity(qreal obscurity);

    // The card's size and the veil's place on it (y up).
    QRectF bounds() const { return m_bounds; }
    void setBounds(const QRectF& bounds) { m_bounds = bounds; }
    QRectF obscurizerFrame() const { return m_obscurizerFrame; }
    void setObscurizerFrame(const QRectF& frame) { m_obscurizerFrame = frame; }

    QImage image() const { return m_image; }
    void setImage(const QImage& image) { m_image = image; }
    // Draws the card again from the frame image and the picture (the layer's redraw).
    void setNeedsDisplay();
    // The drawn card, frame and photo, without the veil, at twice the card's size; null before the
    // first setNeedsDisplay().
    const QImage& contents() const { return m_contents; }

    // Presentation values, for drawing.
    QPointF presentationPosition() const { return m_presentationPosition; }
    void setPresentationPosition(const QPointF& position);
    qreal presentationZPosition() const { return m_presentationZPosition; }
    void setPresentationZPosition(qreal zPosition);
    qreal presentationOpacity() const { return m_presentationOpacity; }
    void setPresentationOpacity(qreal opacity);
    qreal presentationObscurity() const { return m_presentationObscurity; }
    void setPresentationObscurity(qreal obscurity);
    bool isPresented() const { return m_presented; }
    void setPresented(bool presented) { m_presented = presented; }
    bool isAnimating() const;
    // Ends every running animation at its model value.
    void finishAnimations();

    // The square that the photo fills in a frame image of that size, y counted upward: side
    // width - 12, 6 points from the left and 7 below the top edge.
    static QRectF maxPhotoRectForFrameSize(const QSizeF& frameSize);
    // The centred square of a picture of that size (the height's when both are equal), in the
    // picture's own coordinates.
    static QRectF sourceSquareForPictureSize(const QSizeF& pictureSize);

Q_SIGNALS:
    // A presentation value changed or the card was drawn again: the view repaints.
    void changed();

private:
    void animate(QPropertyAnimation* animation, const QVariant& from, const QVariant& to);

    QPointF m_position;
    qreal m_zPosition = 0;
    qreal m_opacity = 1;
    bool m_hidden = false;
    qreal m_obscurity = 0;
    QRectF m_bounds{0, 0, 114, 130};
    QRectF m_obscurizerFrame{0, 16, 114, 114};
    QImage m_image;
    QImage m_contents;
    bool m_presented = false;

    QPointF m_presentationPosition;
    qreal m_presentationZPosition = 0;
    qreal m_presentationOpacity = 1;
    qreal m_presentationObscurity = 0;
    QPropertyAnimation* m_positionAnimation;
    QPropertyAnimation* m_zAnimation;
    QPropertyAnimation* m_opacityAnimation;
    QPropertyAnimation* m_obscurityAnimation;
};
