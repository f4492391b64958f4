#pragma once
// A group of operations that make up one piece of work (one listing's upload, one verification),
// with hooks that run on the main thread as its operations start and end.
//
// The envelope is made with its first stage; DWNSOperationEnvelopeQueue::addOperationEnvelope()
// queues that stage. A subclass starts later stages itself from its hooks: it appends them to
// operations() and hands each to queue()->addOperation(). The envelope is complete when every
// operation in operations() is finished or cancelled; its queue then posts the finished
// notification and lets it go.
//
//     class UploadEnvelope : public DWNSOperationEnvelope {
//         void postprocessOperation(const DWNSOperationPtr& op) override {
//             if (op == m_verify && !m_verify->errorOccurred()) {
//                 setOperations(operations() << m_upload);
//                 queue()->addOperation(m_upload);
//             }
//         }
//     };
//
// Made anywhere; from the moment it is queued it belongs to the main thread, where its hooks run
// and its fields are read and changed.

#include "DWKit/DWOperation/DWNSOperation.h"

#include <QList>
#include <QMetaType>
#include <memory>

class DWNSOperationEnvelopeQueue;
class DWNSOperationEnvelope;
using DWNSOperationEnvelopePtr = std::shared_ptr<DWNSOperationEnvelope>;

class DWNSOperationEnvelope : public std::enable_shared_from_this<DWNSOperationEnvelope>
{
public:
    explicit DWNSOperationEnvelope(const QList<DWNSOperationPtr>& operations = {});
    virtual ~DWNSOperationEnvelope();
    DWNSOperationEnvelope(const DWNSOperationEnvelope&) = delete;
    DWNSOperationEnvelope& operator=(const DWNSOperationEnvelope&) = delete;

    static DWNSOperationEnvelopePtr envelopeWithOperations(const QList<DWNSOperationPtr>& operations);

    // Main thread, when one of its operations has started. Counts the starts here.
    virtual void willStartOperation(const DWNSOperationPtr& operation);
    // Main thread, when one of its operations has ended. Nothing here.
    virtual void postprocessOperation(const DWNSOperationPtr& operation);
    // Main thread, just before the envelope enters the queue. Nothing here.
    virtual void envelopeWillBeAddedToQueue(DWNSOperationEnvelopeQueue* queue);
    // Main thread, once the queue has found the envelope complete, just before it posts the
    // finished notification; called once. Nothing here.
    virtual void envelopeWillFinish();

    // Every operation finished or cancelled; true for none at all. A subclass that starts later
    // stages itself may answer false until its last stage has started. Free of side effects.
    virtual bool allOperationsFinishedOrCanceled() const;

    // The operations started so far, the first stage first.
    const QList<DWNSOperationPtr>& operations() const { return m_operations; }
    // Replacing the list starts the count of starts again.
    void setOperations(const QList<DWNSOperationPtr>& operations);
    int lastStartedOperationIndex() const { return m_lastStartedOperationIndex; }
    // The queue that holds the envelope; null before it is queued and after it has finished.
    DWNSOperationEnvelopeQueue* queue() const { return m_queue; }
    void setQueue(DWNSOperationEnvelopeQueue* queue) { m_queue = queue; }

private:
    QList<DWNSOperationPtr> m_operations;
    int m_lastStartedOperationIndex = 0;
    DWNSOperationEnvelopeQueue* m_queue = nullptr;
};

Q_DECLARE_METATYPE(DWNSOperationEnvelopePtr)
