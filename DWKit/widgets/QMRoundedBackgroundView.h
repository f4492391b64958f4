#pragma once
// A rounded, translucent panel background with a dark outline, standing 19.5 points above the
// view's bottom and half a point below its top. Main thread.

#include <QColor>
#include <QWidget>

class QMRoundedBackgroundView : public QWidget
{
    Q_OBJECT

public:
    struct Shadow
    {
        QPointF offset;
        qreal blurRadius = 0;
        QColor color;
    };

    explicit QMRoundedBackgroundView(QWidget* parent = nullptr);

    QColor backGroundColor() const { return m_backGroundColor; }
    void setBackGroundColor(const QColor& color);
    // Kept for the window layout; the panel is drawn without it.
    Shadow shadow() const { return m_shadow; }
    void setShadow(const Shadow& shadow) { m_shadow = shadow; }
    float capRadius() const { return m_capRadius; }
    void setCapRadius(float radius);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_backGroundColor = QColor::fromRgbF(1, 1, 1, 0.8f);
    Shadow m_shadow;
    float m_capRadius = 10;
};
