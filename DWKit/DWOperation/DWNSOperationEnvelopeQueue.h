#pragma once
// An operation queue that also keeps envelopes: it admits an envelope's first stage, calls the
// envelope's hooks on the main thread as its operations start and end, and posts
// kDWNSOperationEnvelopeQueueEnvelope_finished once the envelope is complete.
//
// An envelope finishes once the end of each of its operations has been handled on the main thread
// (postprocessOperation() called), or the operation left the queue cancelled without beginning:
// an operation that ends on its worker while the main thread still handles another one's end is
// never skipped. The finished notification carries the envelope under "envelope" and the
// operation handled last under "operation"; by the time observers get it the envelope has left
// operationEnvelopes(). An operation that belongs to no envelope passes through with only the
// queue's own notifications.
//
//     DWNSOperationEnvelopeQueue queue;
//     queue.setMaxConcurrentOperationCount(4);
//     queue.addOperationEnvelope(DWNSOperationEnvelope::envelopeWithOperations({verify}));
//
// The envelope calls belong to the main thread; addOperationEnvelope() may be called from any
// thread and returns when the envelope is in.

#include "DWKit/DWOperation/DWNSOperationEnvelope.h"
#include "DWKit/DWOperation/DWNSOperationQueue.h"

#include <QList>
#include <QSet>
#include <unordered_map>

inline constexpr const char* kDWNSOperationEnvelopeQueueEnvelope_added = "DWNSOperationEnvelopeQueueEnvelope_added";
inline constexpr const char* kDWNSOperationEnvelopeQueueEnvelope_finished =
    "DWNSOperationEnvelopeQueueEnvelope_finished";

class DWNSOperationEnvelopeQueue : public DWNSOperationQueue
{
public:
    DWNSOperationEnvelopeQueue();
    ~DWNSOperationEnvelopeQueue() override;

    // envelopeWillBeAddedToQueue(), then the envelope joins the list, the added notification is
    // posted and the envelope's operations are added, in order.
    void addOperationEnvelope(const DWNSOperationEnvelopePtr& envelope);
    // Takes a complete envelope out of the list (one not in it: nothing). An envelope with
    // operations still to run is a caller error (DW_ASSERT).
    void removeFinishedOrCanceledEnvelope(const DWNSOperationEnvelopePtr& envelope);
    // The first envelope, in the order added, whose operations contain the operation; null when none.
    DWNSOperationEnvelopePtr envelopeForOperation(const DWNSOperationPtr& operation) const;
    const QList<DWNSOperationEnvelopePtr>& operationEnvelopes() const { return m_operationEnvelopes; }

protected:
    void operationStarted(const DWNSOperationPtr& operation) override;
    void operationEnded(const DWNSOperationPtr& operation) override;
    void operationLeftWithoutEnding(const DWNSOperationPtr& operation) override;

private:
    void operationHandled(const DWNSOperationEnvelopePtr& envelope, const DWNSOperationPtr& operation);

    QList<DWNSOperationEnvelopePtr> m_operationEnvelopes;
    // Per envelope, the operations whose end (or departure without beginning) was handled here.
    std::unordered_map<const DWNSOperationEnvelope*, QSet<const DWNSOperation*>> m_handled;
};
