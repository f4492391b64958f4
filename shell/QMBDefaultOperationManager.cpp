#include "shell/QMBDefaultOperationManager.h"

#include "Operations/QMOperationManager.h"
#include "shell/QMBAppController.h"

std::shared_ptr<QMOperationManager> QMBDefaultOperationManager()
{
    if (const auto application = QMBAppController::shared())
        return application->defaultOperationManager();
    return QMOperationManager::sharedQMOperationManager();
}
