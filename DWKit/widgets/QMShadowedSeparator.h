#pragma once
// A separator line of two points whose lower point is nearly white, so that it looks pressed into
// the window. A frame that is not a separator (not a horizontal or vertical line) is drawn as the
// platform draws it. Main thread.

#include <QColor>
#include <QFrame>

class QMShadowedSeparator : public QFrame
{
    Q_OBJECT

public:
    explicit QMShadowedSeparator(QWidget* parent = nullptr);

    QColor separatorColor() const { return m_separatorColor; }
    void setSeparatorColor(const QColor& color);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_separatorColor = QColor::fromRgbF(0.73f, 0.73f, 0.73f);
};
