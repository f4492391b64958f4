#pragma once
// Carrying work to the main thread (the thread of the QCoreApplication).
//
// postToMain() queues the function and returns at once; runOnMainAndWait() runs it on the main
// thread and returns when it has run (directly when the caller is already on the main thread).
// Work meant for a window, controller or other QObject names it as context: the call is dropped
// when that object is destroyed before the main thread gets to it. Calls posted from one thread
// run in the order they were posted, with or without a context.
//
// A worker that waits while the main thread waits for that worker deadlocks, as with the
// platform's own dispatch: keep waits one-directional. An exception thrown by the function in
// runOnMainAndWait() is carried back to the caller.

#include <QObject>
#include <QPointer>
#include <functional>

namespace dw {

bool isMainThread();
void postToMain(std::function<void()> fn);
// `context` lives on the main thread; once it is destroyed the call never runs (nor does it when
// the context is already gone). A worker that may post while the main thread destroys the context
// passes a guard taken on the main thread (a QPointer made when the context was), not the raw
// pointer.
//
//     dw::postToMain(this, [this, reply] { showReply(reply); });   // dropped if the window is gone
void postToMain(QPointer<const QObject> context, std::function<void()> fn);
void runOnMainAndWait(const std::function<void()>& fn);

// Throws dw::InternalInconsistency("Must be on main thread") off the main thread.
void assertMainThread();

} // namespace dw
