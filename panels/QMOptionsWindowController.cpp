#include "panels/QMOptionsWindowController.h"

std::optional<QStringList> QMOptionsWindowController::runSheetForWindow(QWidget*, const QStringList&,
                                                                        const QVariantList&, bool)
{
    // Not built yet: as if cancelled.
    return std::nullopt;
}
