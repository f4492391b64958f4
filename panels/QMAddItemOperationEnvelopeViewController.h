#pragma once
// One add-item envelope's part of the upload progress panel. While the upload goes well its view
// takes no room; when the run stops on eBay's warnings it asks whether to go on listing the item
// (Continue, Cancel); when it stops on an error it shows the error with OK; when the item was
// listed with warnings it says so until the seller acknowledges them. A table lists the records,
// errors before warnings, with "More Info" (eBay's full message in the browser), ignoring a warning
// for the future and help on the error's code.
//
// The controller belongs to its container view (containerView()), which the panel stacks; it
// keeps its envelope alive. Main thread.
//
//     auto* controller = QMAddItemOperationEnvelopeViewController::controllerForEnvelope(envelope);
//     stack->addManagedViews({controller->containerView()});     // the stack now owns both

#include <QObject>
#include <QPointer>
#include <memory>

class QLabel;
class QMAddItemOperationEnvelope;
class QMAddItemOperationEnvelopeView;
class QMError;
class QMErrorEnvelope;
class QMErrorTableModel;
class QPushButton;
class QTableView;
class QWidget;

class QMAddItemOperationEnvelopeViewController : public QObject
{
    Q_OBJECT

public:
    // A controller owned by its (not yet stacked) container view.
    static QMAddItemOperationEnvelopeViewController*
    controllerForEnvelope(const std::shared_ptr<QMAddItemOperationEnvelope>& envelope);
    ~QMAddItemOperationEnvelopeViewController() override;

    const std::shared_ptr<QMAddItemOperationEnvelope>& envelope() const { return m_envelope; }
    void setEnvelope(const std::shared_ptr<QMAddItemOperationEnvelope>& envelope) { m_envelope = envelope; }

    // Refreshes, then hands out the container.
    QMAddItemOperationEnvelopeView* containerView();
    QMAddItemOperationEnvelopeView* container() const { return m_container; }
    QWidget* errorOrWarningsView() const { return m_errorOrWarningsView; }
    QMErrorTableModel* errorsController() const { return m_errorsController; }

    // Shows what the envelope's state calls for.
    void updateViews();
    // The listing's title.
    QString titleMessage() const;
    QString continueQuestionInfoMessage() const;
    QString startedWithWarningInfoMessage() const;
    QString errorMessageStringForErrorEnvelope(const QMErrorEnvelope& errors, bool appendColon = true) const;
    // Puts the view into the container (null: nothing, height 0) and re-stacks the panel.
    void switchToView(QWidget* view);
    std::shared_ptr<QMError> selectedWarning() const;

    void doContinue();
    void doCancel();
    void doCancelOrOK();
    void doMoreInfo();
    void doIgnore();
    void showErrorHelpAction();

private:
    explicit QMAddItemOperationEnvelopeViewController(const std::shared_ptr<QMAddItemOperationEnvelope>& envelope);
    void buildViews();
    void updateActionButtons();

    std::shared_ptr<QMAddItemOperationEnvelope> m_envelope;
    QPointer<QMAddItemOperationEnvelopeView> m_container;
    QWidget* m_errorOrWarningsView = nullptr;
    QLabel* m_titleTextField3 = nullptr;
    QLabel* m_informationTextField3 = nullptr;
    QMErrorTableModel* m_errorsController = nullptr;
    QTableView* m_errorsTable = nullptr;
    QPushButton* m_cancelOrOKButton = nullptr;
    QPushButton* m_continueButton = nullptr;
    QPushButton* m_moreInfoButton = nullptr;
    QPushButton* m_ignoreButton = nullptr;
    QPushButton* m_helpButton = nullptr;
};
