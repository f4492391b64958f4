#pragma once
// The camera's live picture, scaled to fit and centred, with the red aiming frame over its middle:
// the top and bottom edges of a rectangle around the centre 40 % × 40 % and 20-pixel pieces of
// its sides at the corners. Main thread.

#include <QImage>
#include <QWidget>

class QMCaptureView : public QWidget
{
    Q_OBJECT

public:
    explicit QMCaptureView(QWidget* parent = nullptr);

    void setImage(const QImage& image);
    const QImage& image() const { return m_image; }
    // The aiming rectangle within bounds: bounds inset by 30 % of their width and height.
    static QRectF importantRectFromRect(const QRectF& bounds);

    QSize sizeHint() const override { return {480, 360}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage m_image;
};
