#pragma once
// The base of the envelopes of eBay operations: whether the user sees a progress panel and error
// messages, and the error envelope gathered from the operations once they have ended.
//
//     auto envelope = std::make_shared<QMAddItemOperationEnvelope>(firstStage);
//     envelope->setSuppressErrorMessage(true);
//     ... once finished: if (envelope->errorOccurred()) report(envelope->errorEnvelope());
//
// Main thread, like every envelope once it is queued.

#include "DWKit/DWOperation/DWNSOperationEnvelope.h"
#include "model/QMErrorEnvelope.h"

#include <QString>
#include <memory>

class QMGenericEbayNSOperation;
class QMGenericEbayNSOperationEnvelope;

// The panel that shows an envelope's progress (the upload progress panel, or the document's
// progress window of a verification, above this layer). The envelope asks it to refresh the
// envelope's view when the run stops for the user (warnings or errors) and when it goes on after a
// cancel, and a verification gives it the title of its window as each listing starts. Main thread.
class QMOperationEnvelopeProgressPanel
{
public:
    virtual ~QMOperationEnvelopeProgressPanel() = default;
    virtual void updateViewForEnvelope(QMGenericEbayNSOperationEnvelope& envelope) = 0;
    virtual void setWindowTitle(const QString& title) { (void)title; }
};

class QMGenericEbayNSOperationEnvelope : public DWNSOperationEnvelope
{
public:
    using DWNSOperationEnvelope::DWNSOperationEnvelope;

    // Once every operation has ended, gathers their errors (collectErrorEnvelopes()).
    void postprocessOperation(const DWNSOperationPtr& operation) override;

    // Over every operation with errors: their errors in order and the last non-empty eBay
    // message, in a new envelope with source "eBay" named after the first operation; the error
    // envelope stays as it was when there is neither.
    virtual void collectErrorEnvelopes();
    // The error envelope holds at least one error or warning.
    bool errorOccurred() const;

    bool showProgressPanel() const { return m_showProgressPanel; }
    void setShowProgressPanel(bool value) { m_showProgressPanel = value; }
    bool suppressErrorMessage() const { return m_suppressErrorMessage; }
    void setSuppressErrorMessage(bool value) { m_suppressErrorMessage = value; }
    const std::shared_ptr<QMErrorEnvelope>& errorEnvelope() const { return m_errorEnvelope; }
    void setErrorEnvelope(const std::shared_ptr<QMErrorEnvelope>& envelope) { m_errorEnvelope = envelope; }
    // Not owned: the panel clears itself here before it goes.
    QMOperationEnvelopeProgressPanel* progressPanelController() const { return m_progressPanelController; }
    void setProgressPanelController(QMOperationEnvelopeProgressPanel* panel) { m_progressPanelController = panel; }

protected:
    // Asks the panel, if any, to refresh this envelope's view.
    void updateViewInProgressPanel();
    // Adds the operation's errors to those gathered so far and makes its eBay message, when it has
    // one, the message; answers its error envelope, or null when it has no errors.
    static std::shared_ptr<QMErrorEnvelope> gatherErrorsOfOperation(const QMGenericEbayNSOperation& operation,
                                                                    QMErrorList& errors, QString& message);

private:
    bool m_showProgressPanel = false;
    bool m_suppressErrorMessage = false;
    std::shared_ptr<QMErrorEnvelope> m_errorEnvelope;
    QMOperationEnvelopeProgressPanel* m_progressPanelController = nullptr;
};
