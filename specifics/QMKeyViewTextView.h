#pragma once
// The multi-line text view of the item-specifics rows: when it gets the keyboard focus, the list it
// sits in (not its own scroll area) scrolls so that the view, with 20 points above and below, is in
// view. Main thread.

#include <QPlainTextEdit>

class QMKeyViewTextView : public QPlainTextEdit
{
    Q_OBJECT

public:
    using QPlainTextEdit::QPlainTextEdit;

protected:
    void focusInEvent(QFocusEvent* event) override;
};
