#include "panels/QMShippingOptionsPanelController.h"

#include "model/QMItemShippingOptions.h"

std::shared_ptr<QMItemShippingOptions>
QMShippingOptionsPanelController::runSheetForWindow(QWidget*, const std::shared_ptr<QMItemShippingOptions>&,
                                                    const QVariantList&, const QVariantList&, const QVariantList&, bool,
                                                    bool, const QString&, bool, const QVariantMap&, const QVariantMap&)
{
    // Not built yet: as if cancelled.
    return nullptr;
}

QVariantList QMShippingOptionsPanelController::stripUnusedServicesFromArray(const QVariantList& services,
                                                                            const QMItemShippingOptions&)
{
    // Not built yet: every service.
    return services;
}
