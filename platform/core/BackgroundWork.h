#pragma once
// Work that leaves the main thread for a while: a download, a file read, a request whose answer a
// window waits for. Each piece runs on a thread of its own, started at once (pieces never wait for
// each other), and `done` follows on the main thread through dw::postToMain(context, ...), so it
// is dropped when the context is gone. Work that needs dependencies, priorities or cancellation
// belongs on the operation queues (DWKit/DWOperation) instead.
//
// Nothing runs past the application's end: the threads are counted, and the application's
// aboutToQuit stops them (stopBackgroundWork()); a process without that signal stops them when
// it ends. Stopping raises the stop flag of each piece still running, drops the `done` of the
// pieces that end after it (nobody waits for answers while the program quits) and waits for
// them all, serving what they hand to the main thread meanwhile (a worker waiting there is
// released, as the operation queues do on quit). Work that may take long takes a stop flag and
// hands it to its requests as their cancel flag (dw::HttpRequest::cancel) or waits on it (the
// flag is notified), so that quitting does not wait for it.
//
//     const QPointer<const QObject> guard(this);
//     auto result = std::make_shared<Result>();
//     dw::runInBackground(guard, [result, path] { *result = readSlowly(path); },
//                         [this, result] { show(*result); });   // dropped if the window is gone
//
// Any thread may start work; waitForBackgroundWork() and stopBackgroundWork() are not for the
// work itself (it would wait for itself). Starting throws std::system_error when no thread can
// be made.

#include <QObject>
#include <QPointer>
#include <atomic>
#include <functional>
#include <memory>

class QThreadPool;

namespace dw {

using BackgroundStopFlag = std::shared_ptr<std::atomic<bool>>;

// Runs `work` on a thread of its own, then `done` (when given) on the main thread unless `context`
// is gone by then. `stop`, when given, is raised when the application quits while `work` runs.
void runInBackground(QPointer<const QObject> context, std::function<void()> work, std::function<void()> done,
                     BackgroundStopFlag stop = {});
// Work whose end nobody waits for (a report sent, a transaction cancelled).
void runInBackground(std::function<void()> work, BackgroundStopFlag stop = {});

// Returns once every piece of work started so far has ended (and any it started in turn); their
// `done` calls are posted by then. On the main thread it keeps serving posted calls meanwhile.
void waitForBackgroundWork();

// A pool of `width` threads for many pieces that must not all run at once (thumbnails decoded two
// at a time): they wait in its queue. It ends with the application like the rest of the background
// work: aboutToQuit drops the pieces still waiting and waits for those running, serving the main
// thread meanwhile. Made on the main thread, once per use (a function-local static); it lives
// until the process ends.
QThreadPool* newBackgroundPool(int width);

// The application's orderly end (called on aboutToQuit): raises the stop flags of the work still
// running, drops its `done` calls and waits for it as waitForBackgroundWork() does. Work started
// while it waits (by a timer or a posted call it serves) is stopped the same way from its start;
// work started after it has returned runs as usual.
void stopBackgroundWork();

} // namespace dw
