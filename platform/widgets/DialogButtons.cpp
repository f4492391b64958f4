#include "platform/widgets/DialogButtons.h"

#include "platform/core/Localization.h"

#include <QDialogButtonBox>
#include <QPushButton>

namespace dw {

namespace {

DialogButtons makeButtons(QWidget* parent, bool withCancel)
{
    DialogButtons buttons;
    buttons.box = new QDialogButtonBox(parent);
    if (withCancel) {
        buttons.cancel = buttons.box->addButton(localized("Cancel"), QDialogButtonBox::RejectRole);
        buttons.cancel->setObjectName(QStringLiteral("cancelButton"));
    }
    buttons.ok = buttons.box->addButton(localized("OK"), QDialogButtonBox::AcceptRole);
    buttons.ok->setObjectName(QStringLiteral("okButton"));
    buttons.ok->setDefault(true);
    return buttons;
}

} // namespace

DialogButtons DialogButtons::okCancel(QWidget* parent)
{
    return makeButtons(parent, true);
}

DialogButtons DialogButtons::okOnly(QWidget* parent)
{
    return makeButtons(parent, false);
}

} // namespace dw
