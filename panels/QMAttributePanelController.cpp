#include "panels/QMAttributePanelController.h"

std::optional<QVariantMap> QMAttributePanelController::runSheetForWindow(
    QWidget*, const QVariantMap&, const QStringList&, const SQAttributesDatabasePtr&, const SQCategoriesDatabasePtr&,
    int, const std::optional<QList<SQItemSpecificPtr>>&, const std::optional<QVariantMap>&, QVariant*,
    const QList<std::shared_ptr<QMEbayItem>>&)
{
    // Not built yet: as if cancelled.
    return std::nullopt;
}
