#include "DWKit/widgets/QMSpecialScrollView.h"

#include "DWKit/widgets/NSView+DWExtensions.h"

#include <QApplication>
#include <QWheelEvent>

void QMSpecialScrollView::scrollContentsBy(int dx, int dy)
{
    QScrollArea::scrollContentsBy(dx, dy);
    m_scrollClipViewGetCalled = true;
}

void QMSpecialScrollView::wheelEvent(QWheelEvent* event)
{
    // Only a scroll made by this very event counts; one made by code before it does not.
    m_scrollClipViewGetCalled = false;
    QScrollArea::wheelEvent(event);
    if (!m_scrollClipViewGetCalled) {
        if (auto* outer = dw::enclosingViewOfClass<QAbstractScrollArea>(this)) {
            const QPointF position = outer->viewport()->mapFromGlobal(event->globalPosition());
            QWheelEvent forwarded(position, event->globalPosition(), event->pixelDelta(), event->angleDelta(),
                                  event->buttons(), event->modifiers(), event->phase(), event->inverted(),
                                  event->source());
            QApplication::sendEvent(outer->viewport(), &forwarded);
        }
        // Handled here or by the enclosing view: it must not travel up a second time.
        event->accept();
    }
    m_scrollClipViewGetCalled = false;
}
