#include "shell/QMBDocument.h"

#include <QToolBar>

// Not built yet: the toolbar has no items and stays out of sight; the commands are in the menus.

void QMBDocument::setupToolbarForWindow()
{
    mainToolbar()->setVisible(!mainToolbar()->actions().isEmpty());
}
