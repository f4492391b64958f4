#include "DWKit/DWOperation/DWNSOperation.h"

#include "DWKit/DWOperation/DWNSOperationQueue.h"
#include "DWKit/NSNotificationCenter+DWExtensions.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWAssert.h"
#include "platform/core/MainThread.h"

#include <QEventLoop>
#include <exception>

DWNSOperation::DWNSOperation() = default;
DWNSOperation::~DWNSOperation() = default;

void DWNSOperation::postNotificationToMainThread(const QString& name, const dw::NotificationObject& object,
                                                 const QVariantMap& userInfo)
{
    dw::postNotificationNameToMainThread(dw::NotificationCenter::defaultCenter(), name, object, userInfo, false);
}

void DWNSOperation::postNotificationToMainThread(const QString& name)
{
    // The notification outlives this call: it holds the operation, so that observers on the main
    // thread find it alive whoever else lets go of it meanwhile.
    auto self = weak_from_this().lock();
    postNotificationToMainThread(name, self ? dw::NotificationObject::of(self) : dw::NotificationObject::of(this),
                                 userInfo());
}

void DWNSOperation::main()
{
    if (isCancelled())
        return;
    postNotificationToMainThread(QLatin1String(DWNSNotificationOperation_started));
    QString failure;
    try {
        if (!isCancelled())
            internalMain();
    } catch (const std::exception& e) {
        failure = QString::fromUtf8(e.what());
    } catch (...) {
        // Not only the kit's own exceptions: anything thrown here would otherwise end the process.
        failure = QStringLiteral("unknown exception");
    }
    if (!failure.isNull()) {
        dw::consoleWrite(QStringLiteral("DWOperation: received exception while executing: ") + failure);
        try {
            operationDidThrow(failure);
        } catch (const std::exception& e) {
            dw::consoleWrite(QStringLiteral("DWOperation: received exception while executing: ") +
                             QString::fromUtf8(e.what()));
        }
    }
    setFinished(true);
}

void DWNSOperation::internalMain() {}

void DWNSOperation::operationDidThrow(const QString&) {}

float DWNSOperation::progress() const
{
    std::lock_guard lock(m_mutex);
    return m_progress;
}

void DWNSOperation::setProgress(float progress)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_progress == progress)
            return;
        m_progress = progress;
    }
    postNotificationToMainThread(QLatin1String(DWNSNotificationOperation_progressChanged));
}

bool DWNSOperation::indeterminate() const
{
    std::lock_guard lock(m_mutex);
    return m_indeterminate;
}

void DWNSOperation::setIndeterminate(bool indeterminate)
{
    std::lock_guard lock(m_mutex);
    m_indeterminate = indeterminate;
}

QVariantMap DWNSOperation::userInfo() const
{
    std::lock_guard lock(m_mutex);
    return m_userInfo;
}

void DWNSOperation::setUserInfo(const QVariantMap& userInfo)
{
    std::lock_guard lock(m_mutex);
    m_userInfo = userInfo;
}

bool DWNSOperation::isFinished() const
{
    std::lock_guard lock(m_mutex);
    return m_finished || m_done;
}

void DWNSOperation::setFinished(bool finished)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_finished == finished)
            return;
        m_finished = finished;
    }
    // Outside the lock: observers on the main thread may ask the operation anything.
    if (finished) {
        DWNSOperationQueue::operationStateChanged();
        wakeFinishWaiters();
    }
    postNotificationToMainThread(QLatin1String(DWNSNotificationOperation_ended));
}

bool DWNSOperation::isExecuting() const
{
    std::lock_guard lock(m_mutex);
    return m_executing;
}

void DWNSOperation::setExecuting(bool executing)
{
    std::lock_guard lock(m_mutex);
    m_executing = executing;
}

void DWNSOperation::markDone()
{
    {
        std::lock_guard lock(m_mutex);
        m_done = true;
        m_executing = false;
    }
    DWNSOperationQueue::operationStateChanged();
    wakeFinishWaiters();
}

void DWNSOperation::wakeFinishWaiters()
{
    std::vector<std::function<void()>> waiters;
    {
        std::lock_guard lock(m_mutex);
        waiters.swap(m_mainThreadWaiters);
    }
    m_finishedCondition.notify_all();
    for (const auto& wake : waiters)
        wake();
}

void DWNSOperation::waitUntilFinished()
{
    if (!dw::isMainThread()) {
        std::unique_lock lock(m_mutex);
        m_finishedCondition.wait(lock, [this] { return m_finished || m_done; });
        return;
    }
    // A nested loop that the end of the operation quits: it sleeps until an event comes and
    // serves the calls workers post meanwhile.
    QEventLoop loop;
    {
        std::lock_guard lock(m_mutex);
        if (m_finished || m_done)
            return;
        const QPointer<QEventLoop> waiting(&loop);
        m_mainThreadWaiters.push_back([waiting] {
            dw::postToMain(QPointer<const QObject>(waiting.data()), [waiting] {
                if (waiting)
                    waiting->quit();
            });
        });
    }
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

void DWNSOperation::cancel()
{
    if (m_cancelled.exchange(true))
        return;
    DWNSOperationQueue::operationStateChanged();
}

bool DWNSOperation::isReady() const
{
    if (isCancelled())
        return true;
    const QList<DWNSOperationPtr> dependencies = this->dependencies();
    for (const auto& dependency : dependencies) {
        if (!dependency->isFinished())
            return false;
    }
    return true;
}

void DWNSOperation::addDependency(const DWNSOperationPtr& operation)
{
    DW_PARAMETER_ASSERT(operation != nullptr);
    DW_ASSERT(operation.get() != this, "An operation cannot depend on itself");
    std::lock_guard lock(m_mutex);
    if (!m_dependencies.contains(operation))
        m_dependencies.append(operation);
}

void DWNSOperation::removeDependency(const DWNSOperationPtr& operation)
{
    {
        std::lock_guard lock(m_mutex);
        m_dependencies.removeAll(operation);
    }
    DWNSOperationQueue::operationStateChanged();
}

QList<DWNSOperationPtr> DWNSOperation::dependencies() const
{
    std::lock_guard lock(m_mutex);
    return m_dependencies;
}

bool DWNSOperation::wasEnqueued() const
{
    std::lock_guard lock(m_mutex);
    return m_enqueued;
}

DWNSOperation::QueuePriority DWNSOperation::queuePriority() const
{
    std::lock_guard lock(m_mutex);
    return m_queuePriority;
}

void DWNSOperation::setQueuePriority(QueuePriority priority)
{
    std::lock_guard lock(m_mutex);
    m_queuePriority = priority;
}
