#pragma once
// The sliding progress bar of the animated progress view: a strip of content ("ProgressContent")
// that moves under a fixed frame image ("LoadingBar-foreground") as the overall progress grows.
//
// Coordinates are the bar's own, y up, the frame centred horizontally in the bar's width. The
// content's centre sits at originOfProgressContent() + 39 + 562 × progress; the move glides with a
// property animation, and contentPositionX() is the value it glides to. Backwards progress is
// logged and taken. Main thread.
//
//     QMProgressBarLayer bar(625);
//     bar.setProgress(0.5);          // content centre at 12.5 + 39 + 281 = 332.5 with a 600-wide frame

#include <QImage>
#include <QObject>
#include <QPointF>
#include <QVariant>

class QPainter;
class QPropertyAnimation;

class QMProgressBarLayer : public QObject
{
    Q_OBJECT
    Q_PROPERTY(qreal presentationContentX READ presentationContentX WRITE setPresentationContentX)

public:
    // With the bundle's images; a missing image counts as 0 × 0.
    explicit QMProgressBarLayer(qreal width, QObject* parent = nullptr);
    // With the given images (tests).
    QMProgressBarLayer(qreal width, const QImage& frameImage, const QImage& contentImage, QObject* parent = nullptr);

    float progress() const { return m_progress; }
    // Stores the value clamped to 0…1 and moves the content; a value below the current one is
    // logged ("*** progress backwards! ***") and taken all the same.
    void setProgress(float progress);
    // The same with a number, so that the value can travel through a delayed call.
    void setProgressNumber(const QVariant& number) { setProgress(number.toFloat()); }

    qreal originOfProgressContent() const { return m_originOfProgressContent; }
    QSizeF frameSize() const { return m_frameImage.deviceIndependentSize(); }
    QSizeF contentSize() const { return m_contentImage.deviceIndependentSize(); }
    // The content's centre (the layer's position), model value.
    QPointF contentPosition() const { return {m_contentX, contentSize().height() / 2.0}; }
    qreal contentPositionX() const { return m_contentX; }
    qreal presentationContentX() const { return m_presentationContentX; }
    void setPresentationContentX(qreal x);

    // Draws the bar with its bottom-left corner at `bottomLeft` in the painter's (y-down) space:
    // the content through the frame's window, then the frame.
    void paint(QPainter& painter, const QPointF& bottomLeft) const;

Q_SIGNALS:
    void changed();

private:
    qreal m_width;
    QImage m_frameImage;
    QImage m_contentImage;
    float m_progress = 0;
    qreal m_originOfProgressContent = 0;
    qreal m_contentX = 0;
    qreal m_presentationContentX = 0;
    bool m_presented = false;
    QPropertyAnimation* m_animation;
};
