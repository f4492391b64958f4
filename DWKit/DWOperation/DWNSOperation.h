#pragma once
// One piece of background work that announces its start, its end and its progress on the main
// thread.
//
// A subclass puts its work into internalMain(); a DWNSOperationQueue runs it on one of its worker
// threads. main() posts DWNSNotificationOperation_started before the work and
// DWNSNotificationOperation_ended after it; setProgress() posts DWNSNotificationOperation_progressChanged
// when the value changes. All three go through the notification relay without waiting, so
// observers run on the main thread, in the order the operation posted them, and each notification
// holds the operation by shared ownership: an observer never sees a destroyed operation, even when
// everyone else has let go of it. Operations are therefore always made with std::make_shared.
//
// An operation cancelled before it starts posts nothing and does no work. One cancelled while it
// runs is told by isCancelled(), which the work checks between its steps; it still ends as usual.
// Whatever the work throws ends it too: the exception is written to the console, operationDidThrow()
// lets the subclass record the failure, and the ended notification follows. Nothing thrown inside
// an operation reaches its queue's thread.
//
//     class Countdown : public DWNSOperation {
//         void internalMain() override {
//             for (int i = 1; i <= 10 && !isCancelled(); ++i)
//                 setProgress(i / 10.0f);
//         }
//     };
//     queue.addOperation(std::make_shared<Countdown>());
//
// Getters and setters may be used from any thread; each field is guarded by the operation's lock.

#include <QList>
#include <QMetaType>
#include <QString>
#include <QVariantMap>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace dw {
struct NotificationObject;
}

inline constexpr const char* DWNSNotificationOperation_started = "DWNSNotificationOperation_started";
inline constexpr const char* DWNSNotificationOperation_ended = "DWNSNotificationOperation_ended";
inline constexpr const char* DWNSNotificationOperation_progressChanged = "DWNSNotificationOperation_progressChanged";

inline constexpr const char* kDWNSUserInfoKeyOperation = "operation";
inline constexpr const char* kDWNSUserInfoKeyEnvelope = "envelope";

class DWNSOperation;
using DWNSOperationPtr = std::shared_ptr<DWNSOperation>;

class DWNSOperation : public std::enable_shared_from_this<DWNSOperation>
{
public:
    // Queues start the highest priority first and operations of equal priority in the order added.
    enum QueuePriority { VeryLow = -8, Low = -4, Normal = 0, High = 4, VeryHigh = 8 };

    DWNSOperation();
    virtual ~DWNSOperation();
    DWNSOperation(const DWNSOperation&) = delete;
    DWNSOperation& operator=(const DWNSOperation&) = delete;

    // Hands the notification to the main thread without waiting.
    static void postNotificationToMainThread(const QString& name, const dw::NotificationObject& object,
                                             const QVariantMap& userInfo);
    // The same with this operation (shared) as object and its userInfo.
    void postNotificationToMainThread(const QString& name);

    // The queue's entry point on the worker thread: started, internalMain() unless cancelled,
    // finished. Returns at once, posting nothing, when cancelled before it began.
    virtual void main();

    float progress() const;
    // Posts the progress notification only when the value changes.
    void setProgress(float progress);
    bool indeterminate() const;
    void setIndeterminate(bool indeterminate);
    // Sent as the user info of the operation's own notifications.
    QVariantMap userInfo() const;
    void setUserInfo(const QVariantMap& userInfo);

    // True once the work is over: finished by main(), or passed through its queue without running.
    bool isFinished() const;
    // Posts the ended notification only when the flag changes.
    void setFinished(bool finished);
    // Blocks until isFinished(). On the main thread the wait keeps serving the work that workers
    // hand to the main thread (user input waits), so that an operation that needs the main thread
    // can end; elsewhere it simply sleeps until then.
    void waitUntilFinished();
    bool isExecuting() const;
    bool isCancelled() const { return m_cancelled.load(); }
    // Idempotent; any thread. A queued operation then leaves its queue without doing its work,
    // even when it still waits for dependencies.
    virtual void cancel();
    // Every dependency finished, or this operation cancelled.
    bool isReady() const;

    // The operation starts only after each of these has finished, whichever queue runs them.
    void addDependency(const DWNSOperationPtr& operation);
    void removeDependency(const DWNSOperationPtr& operation);
    QList<DWNSOperationPtr> dependencies() const;

    // Whether it was ever handed to a queue.
    bool wasEnqueued() const;

    QueuePriority queuePriority() const;
    void setQueuePriority(QueuePriority priority);

protected:
    // The work, on the worker thread. Empty here.
    virtual void internalMain();
    // Called on the worker thread when internalMain() threw, with what it threw; the operation
    // then ends as usual. Nothing here.
    virtual void operationDidThrow(const QString& reason);

private:
    friend class DWNSOperationQueue;
    void setExecuting(bool executing);
    // The queue is done with the operation (it ran, or it was cancelled before it could).
    void markDone();
    // Wakes whoever waits in waitUntilFinished(); outside the lock.
    void wakeFinishWaiters();

    mutable std::mutex m_mutex;
    float m_progress = 0;
    bool m_indeterminate = false;
    QVariantMap m_userInfo;
    bool m_finished = false;
    bool m_done = false;
    bool m_executing = false;
    bool m_enqueued = false;
    QueuePriority m_queuePriority = Normal;
    QList<DWNSOperationPtr> m_dependencies;
    std::atomic<bool> m_cancelled{false};
    std::condition_variable m_finishedCondition;
    std::vector<std::function<void()>> m_mainThreadWaiters;
};

Q_DECLARE_METATYPE(DWNSOperationPtr)
