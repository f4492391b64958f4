#include "specifics/QMKeyViewTextField.h"

#include "DWKit/widgets/NSView+DWExtensions.h"

#include <QScrollArea>

void dw::scrollIntoEnclosingList(QWidget* control)
{
    if (auto* list = dw::enclosingViewOfClass<QScrollArea>(control))
        list->ensureWidgetVisible(control, 0, 20);
}

void QMKeyViewTextField::focusInEvent(QFocusEvent* event)
{
    dw::scrollIntoEnclosingList(this);
    QLineEdit::focusInEvent(event);
}
