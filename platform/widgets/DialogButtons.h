#pragma once
// The buttons that close a panel: Cancel and OK in a button box, which orders them as the desktop
// does, OK the default button. They carry the object names "cancelButton" and "okButton" that
// tests find them by. The caller connects them and places the box. Main thread.
//
//     const auto buttons = dw::DialogButtons::okCancel(this);
//     connect(buttons.ok, &QPushButton::clicked, this, &QMReturnPolicyViewController::doOK);
//     connect(buttons.cancel, &QPushButton::clicked, this, &QMReturnPolicyViewController::doCancel);
//     layout->addWidget(buttons.box);

class QDialogButtonBox;
class QPushButton;
class QWidget;

namespace dw {

struct DialogButtons
{
    // Both buttons, owned by a box that parent owns.
    static DialogButtons okCancel(QWidget* parent);
    // OK alone, for panels that only show something; cancel stays null.
    static DialogButtons okOnly(QWidget* parent);

    QDialogButtonBox* box = nullptr;
    QPushButton* ok = nullptr;
    QPushButton* cancel = nullptr;
};

} // namespace dw
