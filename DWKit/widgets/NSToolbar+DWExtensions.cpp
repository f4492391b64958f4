#include "DWKit/widgets/NSToolbar+DWExtensions.h"

namespace dw {

QAction* itemWithIdentifier(const QToolBar* toolbar, const QString& identifier)
{
    if (!toolbar)
        return nullptr;
    for (QAction* action : toolbar->actions()) {
        if (action->objectName() == identifier)
            return action;
    }
    return nullptr;
}

bool selectItemWithTag(QToolBar* toolbar, qint64 tag)
{
    if (!toolbar)
        return false;
    for (QAction* action : toolbar->actions()) {
        const QVariant value = action->property(kTagProperty);
        if (!value.isValid() || value.toLongLong() != tag)
            continue;
        if (QAction* item = itemWithIdentifier(toolbar, action->objectName()); item && item->isCheckable())
            item->setChecked(true);
        return true;
    }
    return false;
}

} // namespace dw
