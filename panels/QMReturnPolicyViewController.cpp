#include "panels/QMReturnPolicyViewController.h"

bool QMReturnPolicyViewController::runSheetForItems(const QList<std::shared_ptr<QMEbayItem>>&, QWidget*)
{
    // Not built yet: as if cancelled.
    return false;
}
