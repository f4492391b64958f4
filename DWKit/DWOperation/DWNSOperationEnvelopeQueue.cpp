#include "DWKit/DWOperation/DWNSOperationEnvelopeQueue.h"

#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWAssert.h"
#include "platform/core/MainThread.h"

#include <exception>

DWNSOperationEnvelopeQueue::DWNSOperationEnvelopeQueue() = default;

DWNSOperationEnvelopeQueue::~DWNSOperationEnvelopeQueue()
{
    // While this class is still whole: shutting down delivers the last ends to the envelopes.
    shutdown();
}

void DWNSOperationEnvelopeQueue::addOperationEnvelope(const DWNSOperationEnvelopePtr& envelope)
{
    DW_PARAMETER_ASSERT(envelope != nullptr);
    dw::runOnMainAndWait([&] {
        envelope->envelopeWillBeAddedToQueue(this);
        m_operationEnvelopes.append(envelope);
        envelope->setQueue(this);
        postNotificationLater(QLatin1String(kDWNSOperationEnvelopeQueueEnvelope_added),
                              {{QLatin1String(kDWNSUserInfoKeyEnvelope), QVariant::fromValue(envelope)}});
        const QList<DWNSOperationPtr> firstStage = envelope->operations();
        for (const auto& operation : firstStage)
            addOperation(operation);
    });
}

void DWNSOperationEnvelopeQueue::removeFinishedOrCanceledEnvelope(const DWNSOperationEnvelopePtr& envelope)
{
    dw::assertMainThread();
    DW_ASSERT(envelope->allOperationsFinishedOrCanceled(),
              "Invalid parameter not satisfying: [inEnvelope allOperationsFinishedOrCanceled]");
    if (m_operationEnvelopes.removeOne(envelope)) {
        m_handled.erase(envelope.get());
        envelope->setQueue(nullptr);
    }
}

DWNSOperationEnvelopePtr DWNSOperationEnvelopeQueue::envelopeForOperation(const DWNSOperationPtr& operation) const
{
    for (const auto& envelope : m_operationEnvelopes) {
        if (envelope->operations().contains(operation))
            return envelope;
    }
    return nullptr;
}

void DWNSOperationEnvelopeQueue::operationStarted(const DWNSOperationPtr& operation)
{
    DWNSOperationQueue::operationStarted(operation);
    if (auto envelope = envelopeForOperation(operation))
        envelope->willStartOperation(operation);
}

void DWNSOperationEnvelopeQueue::operationEnded(const DWNSOperationPtr& operation)
{
    DWNSOperationQueue::operationEnded(operation);
    auto envelope = envelopeForOperation(operation);
    if (!envelope)
        return;
    try {
        envelope->postprocessOperation(operation);
    } catch (const std::exception& e) {
        // The envelope must still finish and leave the queue, or its observers would wait for ever.
        dw::consoleWrite(QStringLiteral("DWOperation: postprocessOperation failed: ") + QString::fromUtf8(e.what()));
    }
    operationHandled(envelope, operation);
}

void DWNSOperationEnvelopeQueue::operationLeftWithoutEnding(const DWNSOperationPtr& operation)
{
    // A cancelled operation that never began posts no ended notification; without this, an
    // envelope whose remaining operations were all cancelled would never finish.
    if (auto envelope = envelopeForOperation(operation))
        operationHandled(envelope, operation);
}

void DWNSOperationEnvelopeQueue::operationHandled(const DWNSOperationEnvelopePtr& envelope,
                                                  const DWNSOperationPtr& operation)
{
    auto& handled = m_handled[envelope.get()];
    handled.insert(operation.get());
    // The worker's view (allOperationsFinishedOrCanceled) runs ahead of the main thread's: judging by
    // it alone would finish the envelope before the last ends reach postprocessOperation().
    for (const auto& member : envelope->operations()) {
        if (!handled.contains(member.get()) && !(member->isCancelled() && !member->wasEnqueued()))
            return;
    }
    if (!envelope->allOperationsFinishedOrCanceled())
        return;
    try {
        envelope->envelopeWillFinish();
    } catch (const std::exception& e) {
        dw::consoleWrite(QStringLiteral("DWOperation: envelopeWillFinish failed: ") + QString::fromUtf8(e.what()));
    }
    postNotificationLater(QLatin1String(kDWNSOperationEnvelopeQueueEnvelope_finished),
                          {{QLatin1String(kDWNSUserInfoKeyOperation), QVariant::fromValue(operation)},
                           {QLatin1String(kDWNSUserInfoKeyEnvelope), QVariant::fromValue(envelope)}});
    removeFinishedOrCanceledEnvelope(envelope);
}
