#pragma once
// The upload progress panel: a sheet on the document window that follows the upload of listings.
// Each add-item envelope gets a card in the animated overview at the top (it moves with the
// envelope's status) and a view in the stack below (errors, warnings, Continue / Cancel); the bar
// at the bottom shows the stages done; "Cancel All" stops every upload still running. The panel
// grows when an envelope has something to say and never shrinks while it shows uploads.
//
// Its second face, the error pane, shows an error envelope (a verify run's errors) until the
// seller presses a button: displayPanelForError().
//
// The document owns the panel; the panel keeps its envelope views (each keeps its envelope) and
// its items for as long as it lives, and is the progress panel of each envelope it shows. Main
// thread.
//
//     auto panel = QMAddItemProgressPanelController::progressSheetForParentWindow(
//         window, tr("Uploading Auctions..."), tr("Uploading Auctions"));
//     panel->setDelegate(this);
//     panel->progressBar()->setIndeterminate(false);
//     panel->progressBar()->setMaxValue(envelope->overallStageCount());
//     panel->addViewForEnvelope(envelope);

#include "DWKit/DWOperation/DWNSOperation.h"
#include "DWKit/widgets/QMProgressPanelController.h"
#include "Operations/QMGenericEbayNSOperationEnvelope.h"
#include "platform/core/NotificationCenter.h"

#include <QList>
#include <QPointer>
#include <memory>

class QEventLoop;
class QLabel;
class QMAddItemOperationEnvelope;
class QMAddItemOperationEnvelopeProgressItem;
class QMAddItemOperationEnvelopeView;
class QMAddItemProgressPanelController;
class QMContainerView;
class QMError;
class QMErrorEnvelope;
class QMErrorTableModel;
class QMProgressAnimationView;
class QMProgressItemListModel;
class QPushButton;
class QTableView;
class QVariantAnimation;

class QMAddItemProgressPanelControllerDelegate
{
public:
    virtual ~QMAddItemProgressPanelControllerDelegate() = default;
    // The seller cancelled the sheet; the delegate dismisses and releases it.
    virtual void addItemProgressPanelControllerDidCancel(QMAddItemProgressPanelController* controller) = 0;
};

class QMAddItemProgressPanelController : public QMProgressPanelController, public QMOperationEnvelopeProgressPanel
{
    Q_OBJECT

public:
    // The tags of the error pane's buttons; displayErrorPanelForErrors() returns the one pressed.
    enum ErrorButton { AbortButton = 0, ContinueButton = 1, SkipButton = 2 };

    // A sheet on the window showing the envelopes view, begun at once.
    static std::unique_ptr<QMAddItemProgressPanelController>
    progressSheetForParentWindow(QWidget* parentWindow, const QString& message, const QString& actionName);
    // A centred panel in a modal session of its own.
    static std::unique_ptr<QMAddItemProgressPanelController>
    progressPanelWithTitle(const QString& title, const QString& message, const QString& actionName);
    // Shows the error envelope as a sheet on the window and returns when the seller pressed a button.
    static void displayPanelForError(const std::shared_ptr<QMErrorEnvelope>& errorEnvelope, QWidget* window);

    ~QMAddItemProgressPanelController() override;

    void setDelegate(QMAddItemProgressPanelControllerDelegate* delegate) { m_delegate = delegate; }
    QMAddItemProgressPanelControllerDelegate* delegate() const { return m_delegate; }
    bool canCancel() const { return m_canCancel; }
    void setCanCancel(bool canCancel) { m_canCancel = canCancel; }

    // One view in the stack and one card for the envelope; the panel becomes its progress panel.
    void addViewForEnvelope(const std::shared_ptr<QMAddItemOperationEnvelope>& envelope);
    // Refreshes the envelope's view and re-stacks; grows the window when the stack shows anything.
    void updateViewForEnvelope(const std::shared_ptr<QMAddItemOperationEnvelope>& envelope);
    void updateViewForEnvelope(QMGenericEbayNSOperationEnvelope& envelope) override;
    // Refreshes the view of the envelope that holds the operation and re-stacks.
    void updateViewForOperation(const DWNSOperationPtr& operation);

    void switchToEnvelopesView();
    void switchToErrorView();
    // The height the panel needs beyond the animation: 274 with an envelope's view open, else 56.
    static qreal additionalHeightForPanelShowingError(bool showingError) { return showingError ? 274.0 : 56.0; }

    // The error pane: runs until a button is pressed and returns its tag.
    int displayErrorPanelForErrors(const std::shared_ptr<QMErrorEnvelope>& errors, bool hasContinueButton);
    // "An error has been received from the" (or "A warning ..."), the server and ":".
    static QString errorMessageStringForErrorEnvelope(const QMErrorEnvelope& errors);
    static QString errorQuestionStringForErrorEnvelope(const QMErrorEnvelope& errors, bool continueButtonAvailable);
    static QString abortButtonTitleForErrorEnvelope(const QMErrorEnvelope& errors, bool continueButtonAvailable);
    std::shared_ptr<QMError> selectedWarning() const;
    const std::shared_ptr<QMErrorEnvelope>& errors() const { return m_errors; }
    int lastErrorButtonClicked() const { return m_lastErrorButtonClicked; }

    // Cancels every envelope still running, dismisses the panel and tells the delegate.
    void doCancel();
    void errorButtonClicked(int tag);
    void moreInfoButtonClicked();
    void doIgnore();
    void showErrorHelpAction();

    const QList<std::shared_ptr<QMAddItemOperationEnvelopeProgressItem>>& progressItems() const
    {
        return m_progressItems;
    }
    QMProgressAnimationView* progressAnimationView() const { return m_progressAnimationView; }
    QMProgressItemListModel* progressArrayController() const { return m_progressArrayController; }
    QMContainerView* containerView() const { return m_containerView; }
    QList<QMAddItemOperationEnvelopeView*> envelopeViews() const;
    QWidget* envelopesView() const { return m_envelopesView; }
    QWidget* errorView() const { return m_errorView; }

protected:
    explicit QMAddItemProgressPanelController(QWidget* parentWindow);
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildEnvelopesView();
    void buildErrorView();
    void switchToView(QWidget* view);
    void handleEnvelopeStatusChanged(const dw::Notification& notification);
    void setWindowHeightKeepingTop(int height);
    // Grows the shown window to the height, animated; a hidden one takes it at once.
    void growWindowKeepingTop(int height);
    // The height the window has, or is growing to.
    int windowTargetHeight() const;
    void updateErrorActionButtons();

    QMAddItemProgressPanelControllerDelegate* m_delegate = nullptr;
    QWidget* m_envelopesView = nullptr;
    QWidget* m_errorView = nullptr;
    QWidget* m_currentView = nullptr;
    QPushButton* m_continueButton = nullptr;
    QPushButton* m_skipButton = nullptr;
    QPushButton* m_abortButton = nullptr;
    QPushButton* m_cancelAllButton = nullptr;
    QPushButton* m_moreInfoButton = nullptr;
    QPushButton* m_ignoreButton = nullptr;
    QPushButton* m_helpButton = nullptr;
    QMContainerView* m_containerView = nullptr;
    QLabel* m_errorMessageField = nullptr;
    QLabel* m_errorQuestionField = nullptr;
    QLabel* m_errorIcon = nullptr;
    QTableView* m_errorsTable = nullptr;
    std::shared_ptr<QMErrorEnvelope> m_errors;
    int m_lastErrorButtonClicked = AbortButton;
    bool m_canCancel = false;
    QList<std::shared_ptr<QMAddItemOperationEnvelopeProgressItem>> m_progressItems;
    QList<std::weak_ptr<QMAddItemOperationEnvelope>> m_envelopes;
    QMProgressAnimationView* m_progressAnimationView = nullptr;
    QMProgressItemListModel* m_progressArrayController = nullptr;
    QMErrorTableModel* m_errorsController = nullptr;
    QEventLoop* m_errorLoop = nullptr;
    QVariantAnimation* m_growth = nullptr;
    dw::ScopedObservation m_statusObservation;
};
