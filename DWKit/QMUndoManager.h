#pragma once
// The one undo history of the program: every listing document and the description editor push
// their commands onto the same stack, so that undo walks back through all of them in order.
//
// Made on first use and kept for the life of the process. Main thread only.
//
//     QMUndoManager::sharedQMUndoManager()->push(command.release());

class QUndoStack;

class QMUndoManager
{
public:
    static QUndoStack* sharedQMUndoManager();
};
