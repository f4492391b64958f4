#include "platform/core/MainThread.h"

#include "platform/core/DWAssert.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>
#include <exception>

namespace dw {

bool isMainThread()
{
    auto* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void postToMain(std::function<void()> fn)
{
    auto* app = QCoreApplication::instance();
    DW_ASSERT(app != nullptr, "No application object to dispatch to");
    QMetaObject::invokeMethod(app, std::move(fn), Qt::QueuedConnection);
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
    auto* app = QCoreApplication::instance();
    DW_ASSERT(app != nullptr, "No application object to dispatch to");
    std::exception_ptr failure;
    QMetaObject::invokeMethod(
        app,
        [&] {
            try {
                fn();
            } catch (...) {
                failure = std::current_exception();
            }
        },
        Qt::BlockingQueuedConnection);
    if (failure)
        std::rethrow_exception(failure);
}

void assertMainThread()
{
    DW_ASSERT(isMainThread(), "Must be on main thread");
}

} // namespace dw
