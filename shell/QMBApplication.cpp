#include "shell/QMBApplication.h"

#include "DWKit/gui/QMUndoManager.h"
#include "DWKit/widgets/NSMenu+DWExtensions.h"
#include "platform/core/ConsoleOutput.h"

#include <exception>

namespace {

std::shared_ptr<QMBDescriptionEditorRoute>& installedRoute()
{
    static std::shared_ptr<QMBDescriptionEditorRoute> route;
    return route;
}

} // namespace

QMBApplication::QMBApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    dw::setActionDispatcher(&QMBApplication::sendAction);
}

QMBApplication::~QMBApplication()
{
    dw::setActionDispatcher({});
}

bool QMBApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& failure) {
        dw::consoleWrite(QStringLiteral("An event handler failed: %1").arg(QString::fromUtf8(failure.what())));
    }
    return false;
}

void QMBApplication::setDescriptionEditorRoute(std::shared_ptr<QMBDescriptionEditorRoute> route)
{
    installedRoute() = std::move(route);
}

std::shared_ptr<QMBDescriptionEditorRoute> QMBApplication::descriptionEditorRoute()
{
    return installedRoute();
}

bool QMBApplication::sendAction(const QString& action, QObject* target, QObject* sender)
{
    const bool selectAll = action == QLatin1String("selectAll:");
    const bool paste = action == QLatin1String("paste:");
    const auto route = installedRoute();
    if (route && (selectAll || paste)) {
        QObject* chosen = dw::targetForAction(action, target);
        if (!chosen)
            chosen = target ? target : QApplication::focusWidget();
        if (chosen && route->isFrontDescriptionView(chosen)) {
            if (selectAll) {
                route->selectAll(sender);
                return true;
            }
            if (!route->shouldPasteWithSender(sender))
                return false;
        }
    }
    if (dw::sendActionOrdinarily(action, target, sender))
        return true;
    // Nothing in the focus chain keeps an undo history of its own: the documents' shared one.
    if (action == QLatin1String("undo:") || action == QLatin1String("redo:")) {
        QMUndoManager* undo = QMUndoManager::sharedQMUndoManager();
        if (action == QLatin1String("undo:") ? !undo->canUndo() && !undo->isEventGroupOpen() : !undo->canRedo())
            return false;
        if (action == QLatin1String("undo:"))
            undo->undo();
        else
            undo->redo();
        return true;
    }
    return false;
}
