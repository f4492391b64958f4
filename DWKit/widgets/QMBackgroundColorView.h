#pragma once
// A plain coloured background with a line along its top edge, or a frame round it (the line wins
// when both are asked for). Main thread.

#include <QColor>
#include <QWidget>

class QMBackgroundColorView : public QWidget
{
    Q_OBJECT

public:
    explicit QMBackgroundColorView(QWidget* parent = nullptr);

    QColor backGroundColor() const { return m_backGroundColor; }
    void setBackGroundColor(const QColor& color);
    QColor lineColor() const { return m_lineColor; }
    void setLineColor(const QColor& color);
    bool drawLine() const { return m_drawLine; }
    void setDrawLine(bool draw);
    bool drawFrame() const { return m_drawFrame; }
    void setDrawFrame(bool draw);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_backGroundColor = QColor::fromRgbF(0.87f, 0.87f, 0.87f);
    QColor m_lineColor = QColor::fromRgbF(0.64f, 0.64f, 0.64f);
    bool m_drawLine = true;
    bool m_drawFrame = false;
};
