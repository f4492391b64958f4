#pragma once
// Carrying work to the main thread (the thread of the QCoreApplication).
//
// postToMain() queues the function and returns at once; runOnMainAndWait() runs it on the main
// thread and returns when it has run (directly when the caller is already on the main thread).
// A worker that waits while the main thread waits for that worker deadlocks, as with the
// platform's own dispatch: keep waits one-directional. An exception thrown by the function in
// runOnMainAndWait() is carried back to the caller.

#include <functional>

namespace dw {

bool isMainThread();
void postToMain(std::function<void()> fn);
void runOnMainAndWait(const std::function<void()>& fn);

// Throws dw::InternalInconsistency("Must be on main thread") off the main thread.
void assertMainThread();

} // namespace dw
