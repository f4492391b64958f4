#pragma once
// Carries the upload of one listing through its stages: verification with eBay (unless the upload
// is scheduled), the picture uploads, and the listing itself. After each operation has ended it
// decides on the main thread whether to stop, to wait for the user or to start the next stage; it
// builds the final eBay item with the uploaded picture addresses and keeps a status that drives
// the upload progress panel:
//
//   0 created, 1 verifying, 2 uploading pictures, 3 adding the item, 4 verification warnings shown
//   and waiting for the user, 5 failed, 6 finished. 5 and 6 are final.
//
// Each status change posts kQMAddItemOperationEnvelopeStatusChangedNotification (object: the
// envelope; user info "status": the new value, since the envelope may have moved on by the time
// the notification arrives). A suspended envelope waits for continueExecution() (after
// cancelAllOperations() to abandon the run). Every run posts the envelope queue's finished
// notification exactly once, also a run abandoned or ended because its listing's document was
// closed or one of its pictures vanished meanwhile.
//
//     auto envelope = std::make_shared<QMAddItemOperationEnvelope>(QList<DWNSOperationPtr>{verify});
//     envelope->setDelegate(manager);
//     envelope->setVerifyAddItemOperation(verify);
//     envelope->setAddImageOperations({upload}, {picture});
//     envelope->setAuctionItemOperation(add);
//     envelopeQueue.addOperationEnvelope(envelope);
//
// Main thread, like every envelope once it is queued.

#include "Operations/QMGenericEbayNSOperationEnvelope.h"

#include <QImage>
#include <QSet>
#include <QString>
#include <optional>

class QMAddItemOperation;
class QMAddItemOperationEnvelope;
class QMEbayImage;
class QMEbayItem;
class QMGenericAddImageOperation;
class QMVerifyAddItemOperation;

inline constexpr const char* kQMAddItemOperationEnvelopeStatusChangedNotification =
    "AddItemOperationEnvelopeStatusChanged";
inline constexpr const char* kQMAddItemOperationEnvelopeTaskNameChangedNotification =
    "AddItemOperationEnvelopeTaskNameChanged";
inline constexpr const char* kQMAddItemOperationEnvelopeStatusKey = "status";

// Implemented by whoever finds live listings (the operation manager). Main thread.
class QMAddItemOperationEnvelopeDelegate
{
public:
    virtual ~QMAddItemOperationEnvelopeDelegate() = default;
    // The listing of an open document; null when no open document holds it.
    virtual std::shared_ptr<QMEbayItem> itemWithUniqueID(const QMAddItemOperationEnvelope& envelope,
                                                         const QString& uniqueID) = 0;
    // The envelope's verification is starting on a worker. Main thread.
    virtual void verificationWillStart(const QMAddItemOperationEnvelope& envelope) { (void)envelope; }
};

class QMAddItemOperationEnvelope : public QMGenericEbayNSOperationEnvelope
{
public:
    enum Status {
        Created = 0,
        Verifying = 1,
        UploadingPictures = 2,
        AddingItem = 3,
        WaitingOnWarnings = 4,
        Failed = 5,
        Finished = 6,
    };

    // The listing's unique ID is taken from the last operation of the first stage.
    explicit QMAddItemOperationEnvelope(const QList<DWNSOperationPtr>& firstStage = {});
    ~QMAddItemOperationEnvelope() override;

    // Held weakly. Setting one takes the gallery image from the live listing.
    void setDelegate(const std::weak_ptr<QMAddItemOperationEnvelopeDelegate>& delegate);
    // The live listing from the delegate; null when it is gone. Asserts "Need delegate".
    std::shared_ptr<QMEbayItem> itemWithUniqueID(const QString& uniqueID) const;

    void envelopeWillBeAddedToQueue(DWNSOperationEnvelopeQueue* queue) override;
    void willStartOperation(const DWNSOperationPtr& operation) override;
    void postprocessOperation(const DWNSOperationPtr& operation) override;
    // False until the last stage has started (or the run was abandoned); then the base test.
    bool allOperationsFinishedOrCanceled() const override;
    // Status 6 unless the run failed.
    void envelopeWillFinish() override;
    void collectErrorEnvelopes() override;

    // Builds the listing stage's item from the live listing with the uploaded picture addresses.
    // The listing's own addresses are left as they were. A closed document or a picture that is
    // no longer in the listing ends the run with an error and answers false. Main thread.
    bool prepareAuctionItemOperation();
    void startOperationsAfterSuccessfulVerification();
    // Appends the operations that are not yet among operations() and queues them; an operation
    // is never queued twice.
    void startOperations(const QList<DWNSOperationPtr>& operationsToStart);
    void showWarningOrErrorForVerifyAddItemOperation(const QMVerifyAddItemOperation& operation);
    void showError(const std::shared_ptr<QMErrorEnvelope>& errorEnvelope);

    // Waits for the user; the progress panel refreshes the envelope's view to ask.
    void suspendExecution();
    // When suspended: resumes the run, or ends it after an error. After cancelAllOperations(), also
    // when not suspended: ends the run once what still runs has stopped (status 6 unless it had
    // failed before), without asking the user anything more.
    void continueExecution();
    // Cancels every stage, the calls in flight included.
    void cancelAllOperations();

    // 1 for the listing stage, 1 for a verification, 1 per picture.
    unsigned stageCount() const;
    // The sum of the operations' progress values, 0 to stageCount().
    float progress() const;
    bool containsOperation(const DWNSOperationPtr& operation) const;

    int status() const { return m_status; }
    // No change to the current value and none once the status is 5 or 6.
    void setStatus(int status);
    const QString& currentTaskName() const { return m_currentTaskName; }
    void setCurrentTaskName(const QString& name);

    const std::shared_ptr<QMAddItemOperation>& auctionItemOperation() const { return m_auctionItemOperation; }
    void setAuctionItemOperation(const std::shared_ptr<QMAddItemOperation>& operation);
    const std::shared_ptr<QMVerifyAddItemOperation>& verifyAddItemOperation() const { return m_verifyAddItemOperation; }
    void setVerifyAddItemOperation(const std::shared_ptr<QMVerifyAddItemOperation>& operation);
    const QList<std::shared_ptr<QMGenericAddImageOperation>>& addImageOperations() const
    {
        return m_addImageOperations;
    }
    // The picture operations with, in the same order, the pictures they upload; the final item
    // matches uploads to pictures by identity, so edits to the listing meanwhile cannot mix them up.
    void setAddImageOperations(const QList<std::shared_ptr<QMGenericAddImageOperation>>& operations,
                               const QList<std::shared_ptr<QMEbayImage>>& pictures = {});
    unsigned addImageOperationsRemaining() const { return m_addImageOperationsRemaining; }

    bool suppressSwitchingToAuctions() const { return m_suppressSwitchingToAuctions; }
    void setSuppressSwitchingToAuctions(bool value) { m_suppressSwitchingToAuctions = value; }
    bool scheduledOperation() const { return m_scheduledOperation; }
    void setScheduledOperation(bool value) { m_scheduledOperation = value; }
    unsigned overallStageCount() const { return m_overallStageCount; }
    void setOverallStageCount(unsigned count) { m_overallStageCount = count; }
    bool allOperationsCanceled() const { return m_allOperationsCanceled; }
    bool allOperationsStarted() const { return m_allOperationsStarted; }
    bool suspended() const { return m_suspended; }
    const QString& itemUuid() const { return m_itemUuid; }
    const QString& envelopeUuid() const { return m_envelopeUuid; }
    // The listing's picture for the progress panel, as it was when the delegate was set; null
    // without a delegate or a live listing then. Main thread.
    const QImage& galleryImage() const;

private:
    std::shared_ptr<QMEbayImage> pictureForOperation(const QMEbayItem& item, qsizetype operationIndex) const;
    // Ends the run: the error in the error envelope, status 5, nothing more starts.
    void abandonWithError(const QString& message);
    void postFinishedOnce();
    // An operation has started and its end has not been handled yet (main thread's view).
    bool operationsInFlight() const;

    std::weak_ptr<QMAddItemOperationEnvelopeDelegate> m_delegate;
    std::shared_ptr<QMAddItemOperation> m_auctionItemOperation;
    std::shared_ptr<QMVerifyAddItemOperation> m_verifyAddItemOperation;
    QList<std::shared_ptr<QMGenericAddImageOperation>> m_addImageOperations;
    QList<std::weak_ptr<QMEbayImage>> m_pictures;
    bool m_suppressSwitchingToAuctions = false;
    bool m_scheduledOperation = false;
    unsigned m_overallStageCount = 0;
    unsigned m_addImageOperationsRemaining = 0;
    bool m_allOperationsCanceled = false;
    bool m_allOperationsStarted = false;
    bool m_suspended = false;
    // The user gave the run up (cancelAllOperations()).
    bool m_abandoned = false;
    QSet<const DWNSOperation*> m_startedOperations;
    QSet<const DWNSOperation*> m_endedOperations;
    bool m_finishedPosted = false;
    QString m_currentTaskName;
    int m_status = Created;
    QString m_itemUuid;
    QString m_envelopeUuid;
    std::optional<QString> m_galleryPictureFile; // set with the delegate; null: the listing has none
    mutable std::optional<QImage> m_galleryImage;
    // The error that ended the run early (a closed document, a vanished picture).
    std::shared_ptr<QMErrorEnvelope> m_abandonError;
};
