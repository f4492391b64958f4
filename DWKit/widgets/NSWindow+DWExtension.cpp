#include "DWKit/widgets/NSWindow+DWExtension.h"

#include "platform/core/DWAssert.h"
#include "platform/core/DWFormat.h"
#include "platform/core/UserDefaults.h"

#include <QGuiApplication>
#include <QPropertyAnimation>
#include <QScreen>
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

QRect savedWindowFrame(const QString& name)
{
    const QStringList parts =
        UserDefaults::standard().stringForKey(QStringLiteral("NSWindow Frame ") + name).split(u' ', Qt::SkipEmptyParts);
    if (parts.size() != 4)
        return QRect();
    bool ok[4] = {};
    const QRect frame(parts[0].toInt(&ok[0]), parts[1].toInt(&ok[1]), parts[2].toInt(&ok[2]), parts[3].toInt(&ok[3]));
    if (!ok[0] || !ok[1] || !ok[2] || !ok[3] || frame.width() <= 0 || frame.height() <= 0)
        return QRect();
    for (const QScreen* screen : QGuiApplication::screens()) {
        if (screen->availableGeometry().intersects(frame))
            return frame;
    }
    return QRect();
}

void saveWindowFrame(const QWidget* window, const QString& name)
{
    if (!window)
        return;
    // The frame's position with the contents' size: what move() and resize() take back. (The
    // contents' position would move the window down by its title bar at every restore.)
    const QPoint position = window->pos();
    const QSize size = window->size();
    UserDefaults::standard().setObject(
        format(QStringLiteral("%d %d %d %d"), position.x(), position.y(), size.width(), size.height()),
        QStringLiteral("NSWindow Frame ") + name);
}

} // namespace dw
