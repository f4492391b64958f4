#include "DWKit/QMUndoManager.h"

#include <QUndoStack>

QUndoStack* QMUndoManager::sharedQMUndoManager()
{
    static QUndoStack stack;
    return &stack;
}
