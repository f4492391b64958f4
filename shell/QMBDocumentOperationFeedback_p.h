#pragma once
// The document's side of its verifications and uploads: the observations of the operation
// notifications and of the start sheet, and the progress panels while they are shown. Owned by
// the document (QMBDocument+Operations.cpp). Main thread.

#include "Operations/QMGenericEbayNSOperationEnvelope.h"
#include "panels/QMAddItemProgressPanelController.h"
#include "platform/core/NotificationCenter.h"

#include <QPointer>
#include <memory>
#include <vector>

class QMBDocument;
class QMSimpleStartAuctionPanelController;

// It is also the progress panel of the verification it shows, whose envelope titles the window.
class QMBDocumentOperationFeedback final : public QMAddItemProgressPanelControllerDelegate,
                                           public QMOperationEnvelopeProgressPanel
{
public:
    explicit QMBDocumentOperationFeedback(QMBDocument& document);
    ~QMBDocumentOperationFeedback() override;

    void registerForOperationNotifications();

    void addItemProgressPanelControllerDidCancel(QMAddItemProgressPanelController* controller) override;
    void updateViewForEnvelope(QMGenericEbayNSOperationEnvelope&) override {}
    // The title of the verification's progress window ("Verifying template 2 of 3").
    void setWindowTitle(const QString& title) override;

    void operationEnded(const dw::Notification& notification);
    void operationStarted(const dw::Notification& notification);
    void ebayOperationProgressChanged(const dw::Notification& notification);
    void ebayOperationTaskNameChanged(const dw::Notification& notification);
    void addItemOperationEnvelopeTaskNameChanged(const dw::Notification& notification);
    void ebayOperationEnvelopeAdded(const dw::Notification& notification);
    void ebayOperationEnvelopeFinished(const dw::Notification& notification);

    void handleVerifyAddItemOperation(const DWNSOperationPtr& operation);
    void handleGenericAuctionItemOperation(const DWNSOperationPtr& operation);
    void handleAddItemOperation(const DWNSOperationPtr& operation);
    void handleVerifyAddItemOperationEnvelopeAdded(const DWNSOperationEnvelopePtr& envelope);
    void handleVerifyAddItemOperationEnvelopeFinished(const DWNSOperationEnvelopePtr& envelope);
    void handleAddItemOperationEnvelopeAdded(const DWNSOperationEnvelopePtr& envelope);
    void handleAddItemOperationEnvelopeFinished(const DWNSOperationEnvelopePtr& envelope);

    void registerStartAuctionPanelNotifications(QMSimpleStartAuctionPanelController* sheet);
    void unregisterStartAuctionPanelNotifications();

    std::unique_ptr<QMAddItemProgressPanelController> addItemProgressPanel;
    std::unique_ptr<QMProgressPanelController> verifyProgressPanel;

private:
    void releaseTitledEnvelope();

    QMBDocument& m_document;
    // The verification whose progress panel this is, cleared when the panel goes.
    std::weak_ptr<QMGenericEbayNSOperationEnvelope> m_titledEnvelope;
    std::vector<dw::ScopedObservation> m_operationObservations;
    std::vector<dw::ScopedObservation> m_startSheetObservations;
};
