#include "panels/QMCreateLinkPanelController.h"

QString QMCreateLinkPanelController::showCreateLinkPanelForSelectedString(const QString&, QWidget*)
{
    // Not built yet: as if cancelled.
    return QString();
}
