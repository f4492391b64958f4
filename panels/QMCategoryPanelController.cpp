#include "panels/QMCategoryPanelController.h"

SQCategoryPtr QMCategoryPanelController::showCategoryPanelWithSelectedCategoryID(qint64 selectedCategoryID,
                                                                                 qint64 siteID, QWidget* parentWindow)
{
    return showCategoryPanelWithSelectedCategoryID(selectedCategoryID, siteID, parentWindow, false);
}

SQCategoryPtr QMCategoryPanelController::showCategoryPanelWithSelectedCategoryID(qint64, qint64, QWidget*, bool)
{
    // Not built yet: nothing is chosen.
    return nullptr;
}
