#include "panels/QMFeePanelController.h"

void QMFeePanelController::showFeePanelForFeeDictionary(const QVariantMap&, const QString&, QWidget*)
{
    // Not built yet.
}
