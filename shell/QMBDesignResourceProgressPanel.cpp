#include "shell/QMBDesignResourceProgressPanel.h"

#include "DWKit/widgets/QMSaveProgressPanelController.h"

void QMBDesignResourceProgressPanel::showProgressPanelWithMessage(const QString& message)
{
    // The modal session runs once as the panel opens, so it is drawn before the synchronous
    // download keeps the main thread busy.
    QMSaveProgressPanelController::showProgressPanelWithMessage(message, false, true);
}

void QMBDesignResourceProgressPanel::hideProgressPanel()
{
    QMSaveProgressPanelController::hideProgressPanel();
}
