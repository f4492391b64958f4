#include "DWKit/widgets/NSView+DWExtensions.h"

#include <QPixmap>
#include <algorithm>
#include <limits>

namespace dw {

QWidget* enclosingViewOfClass(const QWidget* view, const QMetaObject& metaObject)
{
    for (QWidget* ancestor = view ? view->parentWidget() : nullptr; ancestor; ancestor = ancestor->parentWidget()) {
        if (ancestor->metaObject()->inherits(&metaObject))
            return ancestor;
    }
    return nullptr;
}

QWidget* firstSubviewOfClass(const QWidget* view, const QMetaObject& metaObject)
{
    if (!view)
        return nullptr;
    for (QObject* child : view->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (widget && !widget->isWindow() && widget->metaObject() == &metaObject)
            return widget;
    }
    return nullptr;
}

void centerInSuperviewFrame(QWidget* view)
{
    if (!view)
        return;
    const QWidget* parent = view->parentWidget();
    const QSize outer = parent ? parent->size() : QSize();
    view->move(int((outer.width() - view->width()) * 0.5), int((outer.height() - view->height()) * 0.5));
    view->update();
}

QSize areaOccupiedBySubviews(const QWidget* view)
{
    if (!view)
        return {};
    int left = std::numeric_limits<int>::max(), top = std::numeric_limits<int>::max();
    int right = 0, bottom = 0;
    bool any = false;
    for (QObject* child : view->children()) {
        auto* widget = qobject_cast<QWidget*>(child);
        if (!widget || widget->isWindow() || widget->isHidden())
            continue;
        const QRect frame = widget->geometry();
        any = true;
        left = std::min(left, frame.x());
        top = std::min(top, frame.y());
        right = std::max(right, frame.x() + frame.width());
        bottom = std::max(bottom, frame.y() + frame.height());
    }
    if (!any)
        return {0, 0};
    return {right - left, bottom - top};
}

QImage snapshotImage(QWidget* view)
{
    return view ? snapshotImageFromRect(view, view->rect()) : QImage();
}

QImage snapshotImageFromRect(QWidget* view, const QRect& rect)
{
    if (!view)
        return {};
    return view->grab(rect).toImage();
}

} // namespace dw
