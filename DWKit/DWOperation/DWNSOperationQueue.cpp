#include "DWKit/DWOperation/DWNSOperationQueue.h"

#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWAssert.h"
#include "platform/core/MainThread.h"
#include "platform/core/NotificationCenter.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QObject>
#include <QPointer>
#include <QThread>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <thread>
#include <unordered_map>
#include <vector>

namespace {

void runGuarded(const char* what, const std::function<void()>& fn)
{
    // Hooks run from the event loop, where an exception would end the program; the queue's own
    // bookkeeping must go on after a hook that fails.
    try {
        fn();
    } catch (const std::exception& e) {
        dw::consoleWrite(
            QStringLiteral("DWOperation: %1 failed: %2").arg(QLatin1String(what), QString::fromUtf8(e.what())));
    } catch (...) {
        dw::consoleWrite(QStringLiteral("DWOperation: %1 failed").arg(QLatin1String(what)));
    }
}

} // namespace

namespace {

// What an operation that changes state needs of a queue: its lock and its workers' condition.
struct Waker
{
    std::mutex mutex;
    std::condition_variable workAvailable;
};

// Every live queue, so that an operation that finishes wakes the workers of every queue whose
// operations may depend on it. Never destroyed: queues may outlive other statics.
struct QueueRegistry
{
    std::mutex mutex;
    std::vector<Waker*> queues;
};

QueueRegistry& registry()
{
    static auto* r = new QueueRegistry;
    return *r;
}

} // namespace

struct DWNSOperationQueue::Private : Waker
{
    struct Observation
    {
        dw::NotificationCenter::Token started = 0;
        dw::NotificationCenter::Token ended = 0;
    };

    DWNSOperationQueue* q = nullptr;
    std::condition_variable emptied;
    QList<DWNSOperationPtr> operations; // every operation not yet through
    QList<DWNSOperationPtr> pending;    // those no worker has taken yet
    int running = 0;
    int width = kDefaultMaxConcurrentOperationCount;
    bool shutDown = false;
    bool stopping = false;
    std::vector<std::thread> workers;
    std::unordered_map<const DWNSOperation*, Observation> observations;
    // Work handed to the main thread on the queue's behalf; deleting it drops what is still pending.
    // Workers post through the guard, taken here on the main thread.
    std::unique_ptr<QObject> context = std::make_unique<QObject>();
    QPointer<const QObject> contextGuard{context.get()};

    int effectiveWidth() const { return width >= 1 ? width : std::max(1, QThread::idealThreadCount()); }

    // Of the ready operations, the first of the highest priority. Under the lock.
    DWNSOperationPtr nextReady() const
    {
        DWNSOperationPtr best;
        for (const auto& operation : pending) {
            if (!operation->isReady())
                continue;
            if (!best || operation->queuePriority() > best->queuePriority())
                best = operation;
        }
        return best;
    }

    // Under the lock.
    void ensureWorkers()
    {
        const auto wanted = std::size_t(std::min<qsizetype>(effectiveWidth(), operations.size()));
        while (workers.size() < wanted)
            workers.emplace_back([this] { workerLoop(); });
    }

    void workerLoop()
    {
        std::unique_lock lock(mutex);
        for (;;) {
            DWNSOperationPtr next;
            for (;;) {
                if (stopping)
                    return;
                if (running < effectiveWidth())
                    next = nextReady();
                if (next)
                    break;
                workAvailable.wait(lock);
            }
            ++running;
            pending.removeOne(next);
            next->setExecuting(true);
            lock.unlock();
            runGuarded("operation", [&] { next->main(); });
            next->markDone();
            q->performLater([this, next] { operationLeft(next); });
            lock.lock();
            --running;
            operations.removeOne(next);
            next.reset();
            workAvailable.notify_all();
            emptied.notify_all();
        }
    }

    // Main thread.
    void dropObservation(const DWNSOperation* operation, bool* wasObserved = nullptr)
    {
        Observation observation;
        bool found = false;
        {
            std::lock_guard lock(mutex);
            auto it = observations.find(operation);
            if (it != observations.end()) {
                observation = it->second;
                observations.erase(it);
                found = true;
            }
        }
        if (found) {
            auto& center = dw::NotificationCenter::defaultCenter();
            center.removeObserver(observation.started);
            center.removeObserver(observation.ended);
        }
        if (wasObserved)
            *wasObserved = found;
    }

    void operationLeft(const DWNSOperationPtr& operation)
    {
        bool stillObserved = false;
        dropObservation(operation.get(), &stillObserved);
        if (stillObserved)
            runGuarded("operationLeftWithoutEnding", [&] { q->operationLeftWithoutEnding(operation); });
    }

    void observe(const DWNSOperationPtr& operation)
    {
        auto& center = dw::NotificationCenter::defaultCenter();
        Observation observation;
        observation.started = center.addObserver(
            QLatin1String(DWNSNotificationOperation_started), operation.get(),
            [this](const dw::Notification& n) {
                if (auto op = n.object.shared<DWNSOperation>())
                    runGuarded("operationStarted", [&] { q->operationStarted(op); });
            },
            this);
        observation.ended = center.addObserver(
            QLatin1String(DWNSNotificationOperation_ended), operation.get(),
            [this](const dw::Notification& n) {
                auto op = n.object.shared<DWNSOperation>();
                if (!op)
                    return;
                dropObservation(op.get());
                runGuarded("operationEnded", [&] { q->operationEnded(op); });
            },
            this);
        std::lock_guard lock(mutex);
        observations[operation.get()] = observation;
    }
};

void DWNSOperationQueue::operationStateChanged()
{
    auto& r = registry();
    std::lock_guard registryLock(r.mutex);
    for (auto* queue : r.queues) {
        // Taking the queue's lock orders this wake-up after a worker's readiness check, so a worker
        // about to sleep cannot miss it.
        {
            std::lock_guard lock(queue->mutex);
        }
        queue->workAvailable.notify_all();
    }
}

DWNSOperationQueue::DWNSOperationQueue() : d(std::make_shared<Private>())
{
    d->q = this;
    {
        auto& r = registry();
        std::lock_guard lock(r.mutex);
        r.queues.push_back(d.get());
    }
    if (auto* app = QCoreApplication::instance())
        QObject::connect(app, &QCoreApplication::aboutToQuit, d->context.get(), [this] { shutdown(); });
}

DWNSOperationQueue::~DWNSOperationQueue()
{
    shutdown();
    dw::NotificationCenter::defaultCenter().removeObserversOwnedBy(d.get());
    {
        auto& r = registry();
        std::lock_guard lock(r.mutex);
        std::erase(r.queues, d.get());
    }
    d->context.reset();
}

void DWNSOperationQueue::addOperation(const DWNSOperationPtr& operation)
{
    DW_PARAMETER_ASSERT(operation != nullptr);
    {
        std::lock_guard lock(operation->m_mutex);
        DW_ASSERT(!operation->m_enqueued, "operation is already in a queue");
        operation->m_enqueued = true;
    }
    bool refused = false;
    {
        std::lock_guard lock(d->mutex);
        refused = d->shutDown;
    }
    if (refused) {
        operation->cancel();
        operation->markDone();
        return;
    }
    d->observe(operation);
    // Posted before a worker can see the operation, so that added always comes before started.
    postNotificationLater(QLatin1String(DWNSNotificationOperationQueueOperation_added),
                          {{QLatin1String(kDWNSUserInfoKeyOperation), QVariant::fromValue(operation)}});
    std::lock_guard lock(d->mutex);
    d->operations.append(operation);
    d->pending.append(operation);
    d->ensureWorkers();
    d->workAvailable.notify_all();
}

QList<DWNSOperationPtr> DWNSOperationQueue::operations() const
{
    std::lock_guard lock(d->mutex);
    return d->operations;
}

int DWNSOperationQueue::operationCount() const
{
    std::lock_guard lock(d->mutex);
    return int(d->operations.size());
}

int DWNSOperationQueue::maxConcurrentOperationCount() const
{
    std::lock_guard lock(d->mutex);
    return d->width;
}

void DWNSOperationQueue::setMaxConcurrentOperationCount(int count)
{
    std::lock_guard lock(d->mutex);
    d->width = count >= 1 ? count : kDefaultMaxConcurrentOperationCount;
    d->ensureWorkers();
    d->workAvailable.notify_all();
}

void DWNSOperationQueue::cancelAllOperations()
{
    const QList<DWNSOperationPtr> all = operations();
    for (const auto& operation : all)
        operation->cancel();
}

void DWNSOperationQueue::waitUntilAllOperationsAreFinished()
{
    std::unique_lock lock(d->mutex);
    auto empty = [this] { return d->operations.isEmpty(); };
    if (!dw::isMainThread()) {
        d->emptied.wait(lock, empty);
        return;
    }
    // A worker may be waiting for the main thread (a notification it waits on, a step that must
    // run there): serve such work while waiting, or both would wait for ever.
    while (!empty()) {
        lock.unlock();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        lock.lock();
        d->emptied.wait_for(lock, std::chrono::milliseconds(2), empty);
    }
}

void DWNSOperationQueue::shutdown()
{
    {
        std::lock_guard lock(d->mutex);
        if (d->stopping)
            return;
        d->shutDown = true;
    }
    for (const auto& operation : operations())
        operation->abort();
    waitUntilAllOperationsAreFinished();
    std::vector<std::thread> workers;
    {
        std::lock_guard lock(d->mutex);
        d->stopping = true;
        workers.swap(d->workers);
    }
    d->workAvailable.notify_all();
    for (auto& worker : workers)
        worker.join();
}

void DWNSOperationQueue::operationStarted(const DWNSOperationPtr& operation)
{
    postNotificationLater(QLatin1String(DWNSNotificationOperationQueueOperation_started),
                          {{QLatin1String(kDWNSUserInfoKeyOperation), QVariant::fromValue(operation)}});
}

void DWNSOperationQueue::operationEnded(const DWNSOperationPtr& operation)
{
    postNotificationLater(QLatin1String(DWNSNotificationOperationQueueOperation_ended),
                          {{QLatin1String(kDWNSUserInfoKeyOperation), QVariant::fromValue(operation)}});
}

void DWNSOperationQueue::operationLeftWithoutEnding(const DWNSOperationPtr&) {}

void DWNSOperationQueue::postNotificationLater(const QString& name, const QVariantMap& userInfo)
{
    performLater([this, name, userInfo] {
        dw::NotificationCenter::defaultCenter().post(name, dw::NotificationObject::of(this), userInfo);
    });
}

void DWNSOperationQueue::performLater(std::function<void()> fn)
{
    // Without an application (after it has gone) nothing reaches the main thread any more.
    if (!QCoreApplication::instance())
        return;
    runGuarded("posting to the main thread",
               [&] { dw::postToMain(d->contextGuard, [fn = std::move(fn)] { runGuarded("main-thread step", fn); }); });
}
