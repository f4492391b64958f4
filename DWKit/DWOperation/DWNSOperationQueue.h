#pragma once
// A queue that runs operations on worker threads of its own and reports them on the main thread.
//
// At most maxConcurrentOperationCount() operations run at once (the width); of those that are
// ready (dependencies finished, or cancelled) the highest priority starts first, and among equal
// priorities the one added first. Worker threads are made as the width needs them and live until
// the queue shuts down.
//
// For each operation the queue posts DWNSNotificationOperationQueueOperation_added when it is
// added, and on the main thread, as the operation's own started and ended notifications arrive
// there, DWNSNotificationOperationQueueOperation_started and _ended; each carries the operation
// under "operation". The queue watches an operation only until it has ended (or left without
// running), so a later object at the same address is never taken for it. Notifications of the
// queue are delivered on a later turn of the main event loop, in order, and only while the queue
// exists.
//
// Shutting down (shutdown(), the application's aboutToQuit, or destruction) aborts every
// operation (DWNSOperation::abort(): a cancel that also stops the calls a cancel lets finish),
// waits for the running ones and stops the workers. Waiting on the main thread keeps
// serving work that the workers hand to the main thread meanwhile, so an operation that waits for
// the main thread is released instead of hanging the program.
//
//     DWNSOperationQueue queue;
//     queue.setMaxConcurrentOperationCount(4);
//     auto upload = std::make_shared<UploadOperation>(...);
//     upload->addDependency(verify);
//     queue.addOperation(verify);
//     queue.addOperation(upload);
//
// Made, shut down and destroyed on the main thread; addOperation() and the queries from any thread.

#include "DWKit/DWOperation/DWNSOperation.h"

#include <QList>
#include <QString>
#include <functional>
#include <memory>

inline constexpr const char* DWNSNotificationOperationQueueOperation_added =
    "DWNSNotificationOperationQueueOperation_added";
inline constexpr const char* DWNSNotificationOperationQueueOperation_started =
    "DWNSNotificationOperationQueueOperation_started";
inline constexpr const char* DWNSNotificationOperationQueueOperation_ended =
    "DWNSNotificationOperationQueueOperation_ended";

class DWNSOperationQueue
{
public:
    // The width when none is set: one worker per processor.
    static constexpr int kDefaultMaxConcurrentOperationCount = -1;

    DWNSOperationQueue();
    virtual ~DWNSOperationQueue();
    DWNSOperationQueue(const DWNSOperationQueue&) = delete;
    DWNSOperationQueue& operator=(const DWNSOperationQueue&) = delete;

    // Watches the operation's started and ended notifications, queues it and posts the added
    // notification. An operation belongs to one queue at a time (DW_ASSERT). After shutdown the
    // operation is cancelled at once and passes through without running.
    virtual void addOperation(const DWNSOperationPtr& operation);

    // The operations added and not yet through: waiting, ready or running, in the order added.
    QList<DWNSOperationPtr> operations() const;
    int operationCount() const;

    int maxConcurrentOperationCount() const;
    // Below 1 means the default width.
    void setMaxConcurrentOperationCount(int count);

    // Cancels every operation in the queue now; those added later run as usual.
    void cancelAllOperations();
    // Returns when the queue is empty (see above for the main thread).
    void waitUntilAllOperationsAreFinished();
    // Every operation aborted, waitUntilAllOperationsAreFinished() and the workers stopped.
    // Idempotent.
    void shutdown();

protected:
    // Main thread, on the operation's own notifications. The base posts the queue's notification.
    virtual void operationStarted(const DWNSOperationPtr& operation);
    virtual void operationEnded(const DWNSOperationPtr& operation);
    // Main thread, after the queue is done with an operation that never posted ended (it was
    // cancelled before it began). Nothing here.
    virtual void operationLeftWithoutEnding(const DWNSOperationPtr& operation);
    // Posts on a later turn of the main loop, dropped when the queue is gone by then.
    void postNotificationLater(const QString& name, const QVariantMap& userInfo);
    // Runs fn on a later turn of the main loop, unless the queue is gone by then.
    void performLater(std::function<void()> fn);

private:
    friend class DWNSOperation;
    // Any operation finished, was cancelled or lost a dependency: waiting operations may be ready.
    static void operationStateChanged();

    struct Private;
    std::shared_ptr<Private> d;
};
