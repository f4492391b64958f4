#include "DWKit/widgets/NSWindow+DWExtension.h"

#include "platform/core/DWAssert.h"

#include <QPropertyAnimation>
#include <QToolBar>

namespace dw {

namespace {
constexpr int kResizeAnimationMs = 200;
} // namespace

int toolbarHeight(const QMainWindow* window)
{
    if (!window || !window->findChild<QToolBar*>(QString(), Qt::FindDirectChildrenOnly))
        return 0;
    const QWidget* content = window->centralWidget();
    return window->height() - (content ? content->height() : 0);
}

void changeContentViewToView(QMainWindow* window, QWidget* view, bool display, bool animate)
{
    DW_PARAMETER_ASSERT(window != nullptr);
    DW_PARAMETER_ASSERT(view != nullptr);
    const QRect frame = window->geometry();
    const QWidget* old = window->centralWidget();
    const int w = old ? old->width() : frame.width();
    const int newWidth = view->width();
    const int newHeight = view->height();
    const int chrome = toolbarHeight(window);
    // Same top edge; the centre keeps its x.
    const QRect target(frame.x() - (newWidth - w) / 2, frame.y(), newWidth, newHeight + chrome);

    if (old != view) {
        if (QWidget* previous = window->takeCentralWidget()) {
            previous->setParent(window);
            previous->hide();
        }
        window->setCentralWidget(view);
        view->show();
    }
    if (animate && window->isVisible()) {
        auto* animation = new QPropertyAnimation(window, "geometry", window);
        animation->setDuration(kResizeAnimationMs);
        animation->setStartValue(frame);
        animation->setEndValue(target);
        animation->start(QAbstractAnimation::DeleteWhenStopped);
    } else {
        window->setGeometry(target);
    }
    if (display)
        window->update();
}

} // namespace dw
