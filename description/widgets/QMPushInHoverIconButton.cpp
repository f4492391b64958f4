#include "description/widgets/QMPushInHoverIconButton.h"

QMPushInHoverIconButton::QMPushInHoverIconButton(const QString& imageName, QWidget* parent)
    : QMHoverIconButton(imageName, parent)
{
    setCheckable(true);
    connect(this, &QAbstractButton::toggled, this, [this] { updateImage(); });
}

void QMPushInHoverIconButton::setValue(bool on)
{
    setChecked(on);
    updateImage();
}
