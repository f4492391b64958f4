#include "shell/QMBAppController.h"

#include "DWEBay2/DWEbayConnector.h"

namespace {
std::weak_ptr<QMBAppController>& current()
{
    static std::weak_ptr<QMBAppController> controller;
    return controller;
}
} // namespace

QMBAppController::QMBAppController() = default;
QMBAppController::~QMBAppController() = default;

std::shared_ptr<QMBAppController> QMBAppController::shared()
{
    return current().lock();
}

std::shared_ptr<QMBAppController> QMBAppController::create()
{
    std::shared_ptr<QMBAppController> controller(new QMBAppController);
    current() = controller;
    return controller;
}

void QMBAppController::registerDefaults() {}

std::shared_ptr<QMOperationManager> QMBAppController::defaultOperationManager()
{
    auto manager = QMOperationManager::sharedQMOperationManager();
    manager->setDelegate(weak_from_this());
    return manager;
}

std::unique_ptr<DWEbayConnector> QMBAppController::standardEbayConnector()
{
    return nullptr;
}

void QMBAppController::downloadMissingeBayDataForSiteID(qint64) {}
void QMBAppController::downloadeBayDataIncludingCategoryTree(bool, bool, qint64) {}
bool QMBAppController::checkCategoryTreeVersionSilent(bool)
{
    return false;
}
void QMBAppController::toggleMediaBrowser() {}
QString QMBAppController::authorizeURLForSessionID(const QString&) const
{
    return QString();
}

void QMBAppController::addApplicationMenus(QMenuBar*) {}
