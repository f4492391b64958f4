#include "panels/QMAddItemProgressPanelController.h"

// Not built yet: a plain progress sheet without envelope views.

QMAddItemProgressPanelController::QMAddItemProgressPanelController(QWidget* parentWindow)
    : QMProgressPanelController(parentWindow)
{}

std::unique_ptr<QMAddItemProgressPanelController>
QMAddItemProgressPanelController::progressSheetForParentWindow(QWidget* parentWindow, const QString& message,
                                                               const QString&)
{
    std::unique_ptr<QMAddItemProgressPanelController> panel(new QMAddItemProgressPanelController(parentWindow));
    panel->setIsSheet(true);
    panel->setMessageFieldText(message);
    panel->beginAsSheet();
    return panel;
}

void QMAddItemProgressPanelController::displayPanelForError(const std::shared_ptr<QMErrorEnvelope>&, QWidget*) {}

void QMAddItemProgressPanelController::addViewForEnvelope(const std::shared_ptr<QMAddItemOperationEnvelope>&) {}

void QMAddItemProgressPanelController::updateViewForEnvelope(const std::shared_ptr<QMAddItemOperationEnvelope>&) {}

void QMAddItemProgressPanelController::updateViewForOperation(const DWNSOperationPtr&) {}
