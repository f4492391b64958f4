#include "platform/core/MainThread.h"

#include "platform/core/DWAssert.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <deque>
#include <exception>
#include <mutex>

namespace dw {

bool isMainThread()
{
    auto* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

namespace {

// Calls for the main thread wait in a queue of our own, under a standard mutex; the Qt event that
// each post sends only says "run the next call". Qt would carry the calls just as well, but its
// lock is invisible to ThreadSanitizer, so every value handed over would look racy there; through
// this queue the hand-over is a lock that the sanitizer sees, and the checks stay meaningful.
std::mutex& queueMutex()
{
    static std::mutex mutex;
    return mutex;
}

std::deque<std::function<void()>>& pendingCalls()
{
    static std::deque<std::function<void()>> calls;
    return calls;
}

void enqueue(std::function<void()> fn)
{
    std::lock_guard lock(queueMutex());
    pendingCalls().push_back(std::move(fn));
}

// Runs the oldest waiting call; false when none waits (an earlier event ran it already).
bool runNextCall()
{
    std::function<void()> call;
    {
        std::lock_guard lock(queueMutex());
        if (pendingCalls().empty())
            return false;
        call = std::move(pendingCalls().front());
        pendingCalls().pop_front();
    }
    call();
    return true;
}

// The receiver of the "run" events, on the main thread. Its slots are called by name, so that
// the event Qt carries holds no closure of ours either.
class MainThreadDispatcher : public QObject
{
    Q_OBJECT

public Q_SLOTS:
    void runOneCall() { (void)runNextCall(); }
    // Runs every waiting call, in order; the events sent for them later find nothing left to run.
    void runAllCalls()
    {
        while (runNextCall()) {
        }
        std::lock_guard lock(queueMutex());
    }
};

MainThreadDispatcher* dispatcher()
{
    auto* app = QCoreApplication::instance();
    DW_ASSERT(app != nullptr, "No application object to dispatch to");
    static std::mutex mutex;
    static QPointer<MainThreadDispatcher> instance;
    static QCoreApplication* owner = nullptr;
    std::lock_guard lock(mutex);
    // A new application object (tests make one per run, some programs more) gets a new receiver.
    if (!instance || owner != app) {
        auto* made = new MainThreadDispatcher;
        made->moveToThread(app->thread());
        made->setParent(app);
        instance = made;
        owner = app;
    }
    return instance.data();
}

} // namespace

void postToMain(std::function<void()> fn)
{
    auto* receiver = dispatcher();
    enqueue(std::move(fn));
    QMetaObject::invokeMethod(receiver, "runOneCall", Qt::QueuedConnection);
}

void postToMain(QPointer<const QObject> context, std::function<void()> fn)
{
    if (!context)
        return;
    // Posted to the application object like every other call, so that calls with and without a
    // context keep one order; the guard drops the call once the context is gone.
    postToMain([context = std::move(context), fn = std::move(fn)] {
        if (context)
            fn();
    });
}

void runOnMainAndWait(const std::function<void()>& fn)
{
    if (isMainThread()) {
        fn();
        return;
    }
    auto* receiver = dispatcher();
    std::exception_ptr failure;
    enqueue([&] {
        try {
            fn();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    // The calls posted before this one run first, in order, and ours among them: the event ends
    // only when the queue is empty.
    QMetaObject::invokeMethod(receiver, "runAllCalls", Qt::BlockingQueuedConnection);
    // Taking the lock the main thread released after our call orders what it wrote before what we
    // read now (for the sanitizer; Qt's semaphore already does so in fact).
    {
        std::lock_guard lock(queueMutex());
    }
    if (failure)
        std::rethrow_exception(failure);
}

void assertMainThread()
{
    DW_ASSERT(isMainThread(), "Must be on main thread");
}

} // namespace dw

#include "MainThread.moc"
