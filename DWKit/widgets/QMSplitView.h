#pragma once
// A split view with a one-point dark divider between side-by-side panes and a light gradient bar
// between stacked panes. The rectangle of the divider drawn last is kept, so that the window can
// offer it as an extra area for grabbing the divider. Main thread.

#include <QRect>
#include <QSplitter>

class QPainter;

class QMSplitView : public QSplitter
{
    Q_OBJECT

public:
    explicit QMSplitView(Qt::Orientation orientation, QWidget* parent = nullptr);
    explicit QMSplitView(QWidget* parent = nullptr) : QMSplitView(Qt::Horizontal, parent) {}

    // Side-by-side panes (Qt::Horizontal) get a divider of 1; stacked ones the style's thickness.
    int dividerThickness() const;

    // Draws the divider in `rect` (the divider's own coordinates) and stores its place in the
    // split view's coordinates.
    virtual void drawDividerInRect(QPainter& painter, const QRect& rect, const QRect& placeInSplitView);

    QRect dividerRect() const { return m_dividerRect; }
    void setDividerRect(const QRect& rect) { m_dividerRect = rect; }

protected:
    QSplitterHandle* createHandle() override;

private:
    QRect m_dividerRect;
};
