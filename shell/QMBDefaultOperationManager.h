#pragma once
// The operation manager that the windows of the shell queue their operations with: the
// application delegate's (which makes itself the manager's delegate), or the process's shared
// manager when no delegate runs (tests, preview programs). Main thread.
//
//     QMBDefaultOperationManager()->addGetSessionIDOperation();

#include <memory>

class QMOperationManager;

std::shared_ptr<QMOperationManager> QMBDefaultOperationManager();
