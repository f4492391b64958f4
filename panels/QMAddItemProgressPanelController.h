#pragma once
// The upload progress panel: a sheet on the document window with one view per add-item envelope
// (status, task, errors with continue, skip and abort) and an overall bar; its error face shows an
// error envelope until the seller presses a button.

#include "DWKit/DWOperation/DWNSOperation.h"
#include "DWKit/widgets/QMProgressPanelController.h"

#include <memory>

class QMAddItemOperationEnvelope;
class QMAddItemProgressPanelController;
class QMErrorEnvelope;

class QMAddItemProgressPanelControllerDelegate
{
public:
    virtual ~QMAddItemProgressPanelControllerDelegate() = default;
    // The seller cancelled the sheet; the delegate dismisses and releases it.
    virtual void addItemProgressPanelControllerDidCancel(QMAddItemProgressPanelController* controller) = 0;
};

class QMAddItemProgressPanelController : public QMProgressPanelController
{
    Q_OBJECT

public:
    // A sheet on the window showing the envelopes view, begun at once.
    static std::unique_ptr<QMAddItemProgressPanelController>
    progressSheetForParentWindow(QWidget* parentWindow, const QString& message, const QString& actionName);
    // Shows the error envelope as a sheet on the window and returns when the seller pressed a button.
    static void displayPanelForError(const std::shared_ptr<QMErrorEnvelope>& errorEnvelope, QWidget* window);

    void setDelegate(QMAddItemProgressPanelControllerDelegate* delegate) { m_delegate = delegate; }
    QMAddItemProgressPanelControllerDelegate* delegate() const { return m_delegate; }

    void addViewForEnvelope(const std::shared_ptr<QMAddItemOperationEnvelope>& envelope);
    void updateViewForEnvelope(const std::shared_ptr<QMAddItemOperationEnvelope>& envelope);
    void updateViewForOperation(const DWNSOperationPtr& operation);

protected:
    explicit QMAddItemProgressPanelController(QWidget* parentWindow);

private:
    QMAddItemProgressPanelControllerDelegate* m_delegate = nullptr;
};
