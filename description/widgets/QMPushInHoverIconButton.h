#pragma once
// A toggle button of the format toolbar (bold, a list, an alignment): its state shows only in its
// picture ("-pressed" while on). Its value follows the format controller's flags.
//
// Main thread.

#include "description/widgets/QMHoverIconButton.h"

class QMPushInHoverIconButton : public QMHoverIconButton
{
    Q_OBJECT

public:
    explicit QMPushInHoverIconButton(const QString& imageName, QWidget* parent = nullptr);

    bool value() const { return isChecked(); }
    // On for true, off for false; the picture follows.
    void setValue(bool on);
    bool turnOffAfterMouseDown() const override { return false; }
};
