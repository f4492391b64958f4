#pragma once
// The text field of the item-specifics rows: when it gets the keyboard focus, the list it sits in
// scrolls so that the field, with 20 points above and below, is in view. Main thread.

#include <QLineEdit>

namespace dw {
// Scrolls the nearest list (scroll area) above the control so that the control and 20 points above
// and below it are visible; nothing outside a list.
void scrollIntoEnclosingList(QWidget* control);
} // namespace dw

class QMKeyViewTextField : public QLineEdit
{
    Q_OBJECT

public:
    using QLineEdit::QLineEdit;

protected:
    void focusInEvent(QFocusEvent* event) override;
};
