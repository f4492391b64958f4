#pragma once
// The one undo history of the program: every listing document and the description editor push
// their commands onto the same stack, so that undo walks back through all of them in order.
//
// It groups by event: the first change pushed while handling an event opens a group, and the
// group closes when control is back in the event loop, so one user action that changes several
// values (a pasted price that also switches the format, a conversion that sets two fields) is one
// undo step. Macros of the caller's own nest inside that group. Push, undo and redo through this
// class (not through a plain QUndoStack pointer), so that an open group is closed before undo.
//
// Made on first use and kept for the life of the process. Main thread only.
//
//     QMUndoManager::sharedQMUndoManager()->push(command.release());

#include <QUndoStack>

class QMUndoManager : public QUndoStack
{
    Q_OBJECT

public:
    explicit QMUndoManager(QObject* parent = nullptr);
    ~QMUndoManager() override;

    static QMUndoManager* sharedQMUndoManager();

    bool groupsByEvent() const { return m_groupsByEvent; }
    // Switching it off closes the open group.
    void setGroupsByEvent(bool groupsByEvent);
    bool isEventGroupOpen() const { return m_eventGroupOpen; }
    // The name of the step undo would undo ("Typing", "Convert Description to HTML"): the open
    // event group's, else the last command's; empty when it has none. The Edit menu shows it.
    QString undoActionName() const;
    QString redoActionName() const { return redoText(); }
    // Closes the event's group now (nothing when none is open, or while a macro of the caller's
    // own is still open inside it).
    void closeEventGroup();

    // Takes ownership of the command, as QUndoStack::push does.
    void push(QUndoCommand* command);
    void beginMacro(const QString& text);
    void endMacro();
    void undo();
    void redo();
    // Drops the whole history, an open group included.
    void clear();

private:
    void openEventGroup(const QString& text);
    void scheduleClose();

    bool m_groupsByEvent = true;
    bool m_eventGroupOpen = false;
    QString m_eventGroupName;
    bool m_closePosted = false;
    int m_callerMacroDepth = 0;
};
