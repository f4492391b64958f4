#pragma once
// A split view whose divider can be moved to a position with a short animation (0.3 s); the
// document window shows and hides its options pane with it. The animation runs in the event
// loop; isSplitterAnimating() is true until it has reached its end frame. Main thread.
//
//     split->setSplitterPosition(split->width() - 260, true);   // show a 260-point pane

#include "DWKit/widgets/QMSplitView.h"

#include <QPointer>
#include <QVariantAnimation>

class QMAnimatedSplitView : public QMSplitView
{
    Q_OBJECT

public:
    explicit QMAnimatedSplitView(Qt::Orientation orientation, QWidget* parent = nullptr);
    explicit QMAnimatedSplitView(QWidget* parent = nullptr) : QMAnimatedSplitView(Qt::Horizontal, parent) {}

    // The first pane gets the extent `position`, the second the rest after the divider. Does
    // nothing with fewer than two panes.
    void setSplitterPosition(float position, bool animate);
    // Side by side: own width minus the first pane's width (the second pane plus the divider);
    // stacked: own height minus the second pane's height. 0 with fewer than two panes.
    float splitterPosition() const;
    bool isSplitterAnimating() const { return m_isSplitterAnimating; }

Q_SIGNALS:
    void splitterAnimationFinished();

private:
    QPointer<QVariantAnimation> m_animation;
    bool m_isSplitterAnimating = false;
};
