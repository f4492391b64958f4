#include "DWKit/gui/QMUndoManager.h"

#include <QCoreApplication>
#include <QThread>

QMUndoManager::QMUndoManager(QObject* parent) : QUndoStack(parent) {}

QMUndoManager::~QMUndoManager() = default;

QMUndoManager* QMUndoManager::sharedQMUndoManager()
{
    static QMUndoManager stack;
    return &stack;
}

void QMUndoManager::setGroupsByEvent(bool groupsByEvent)
{
    if (!groupsByEvent)
        closeEventGroup();
    m_groupsByEvent = groupsByEvent;
}

void QMUndoManager::openEventGroup(const QString& text)
{
    // Without an event loop there is no end of an event to wait for: every change stands alone.
    if (!m_groupsByEvent || m_eventGroupOpen || !QCoreApplication::instance() ||
        QThread::currentThread() != QCoreApplication::instance()->thread())
        return;
    QUndoStack::beginMacro(text);
    m_eventGroupOpen = true;
    m_eventGroupName = text;
    scheduleClose();
}

QString QMUndoManager::undoActionName() const
{
    return m_eventGroupOpen ? m_eventGroupName : undoText();
}

void QMUndoManager::scheduleClose()
{
    if (m_closePosted)
        return;
    m_closePosted = true;
    // A posted call runs once the event that made the change has returned to the loop, and before
    // the loop can wait again.
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_closePosted = false;
            closeEventGroup();
        },
        Qt::QueuedConnection);
}

void QMUndoManager::closeEventGroup()
{
    if (!m_eventGroupOpen || m_callerMacroDepth > 0)
        return;
    m_eventGroupOpen = false;
    QUndoStack::endMacro();
}

void QMUndoManager::push(QUndoCommand* command)
{
    if (command)
        openEventGroup(command->text());
    QUndoStack::push(command);
}

void QMUndoManager::beginMacro(const QString& text)
{
    openEventGroup(text);
    ++m_callerMacroDepth;
    QUndoStack::beginMacro(text);
}

void QMUndoManager::endMacro()
{
    if (m_callerMacroDepth == 0)
        return;
    --m_callerMacroDepth;
    QUndoStack::endMacro();
    // The loop turned while the caller's macro was open (a dialog inside the action): the group
    // closes at the next turn instead.
    if (m_callerMacroDepth == 0 && m_eventGroupOpen)
        scheduleClose();
}

void QMUndoManager::undo()
{
    closeEventGroup();
    QUndoStack::undo();
}

void QMUndoManager::redo()
{
    closeEventGroup();
    QUndoStack::redo();
}

void QMUndoManager::clear()
{
    m_eventGroupOpen = false;
    m_callerMacroDepth = 0;
    QUndoStack::clear();
}
