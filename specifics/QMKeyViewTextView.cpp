#include "specifics/QMKeyViewTextView.h"

#include "specifics/QMKeyViewTextField.h"

void QMKeyViewTextView::focusInEvent(QFocusEvent* event)
{
    // The view is a scroll area itself; the list is the nearest scroll area above it.
    dw::scrollIntoEnclosingList(this);
    QPlainTextEdit::focusInEvent(event);
}
