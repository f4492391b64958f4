#include "DWKit/widgets/QMAnimatedSplitView.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr int kAnimationMs = 300;
} // namespace

QMAnimatedSplitView::QMAnimatedSplitView(Qt::Orientation orientation, QWidget* parent)
    : QMSplitView(orientation, parent)
{}

void QMAnimatedSplitView::setSplitterPosition(float position, bool animate)
{
    if (count() < 2)
        return;
    QWidget* first = widget(0);
    QWidget* second = widget(1);
    const bool sideBySide = orientation() == Qt::Horizontal;
    const int total = sideBySide ? width() : height();
    const int thickness = dividerThickness();
    const int target = int(std::lround(position));
    first->setVisible(true);
    second->setVisible(true);

    auto place = [this, total, thickness](int firstExtent) {
        QList<int> extents = sizes();
        extents[0] = firstExtent;
        extents[1] = std::max(0, total - firstExtent - thickness);
        setSizes(extents);
    };

    if (m_animation) {
        m_animation->stop(); // a new position replaces one still on its way
        m_isSplitterAnimating = false;
    }
    if (!animate) {
        place(target);
        refresh();
        return;
    }
    const int start = sideBySide ? first->width() : first->height();
    auto* animation = new QVariantAnimation(this);
    animation->setDuration(kAnimationMs);
    animation->setStartValue(start);
    animation->setEndValue(target);
    connect(animation, &QVariantAnimation::valueChanged, this,
            [place](const QVariant& value) { place(value.toInt()); });
    connect(animation, &QVariantAnimation::finished, this, [this, place, target] {
        place(target);
        refresh();
        m_isSplitterAnimating = false;
        Q_EMIT splitterAnimationFinished();
    });
    m_animation = animation;
    m_isSplitterAnimating = true;
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

float QMAnimatedSplitView::splitterPosition() const
{
    if (count() < 2)
        return 0;
    if (orientation() == Qt::Horizontal)
        return float(width() - widget(0)->width());
    return float(height() - widget(1)->height());
}
