#include "DWKit/DWOperation/DWNSOperationQueue.h"
#include "DWKit/DWOperation/DWNSOperationQueueMonitor.h"
#include "OperationTestSupport.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/DWAssert.h"

#include <QCoreApplication>
#include <QTimer>
#include <gtest/gtest.h>
#include <thread>

using namespace dw::test;

namespace {

const QString kStarted = QLatin1String(DWNSNotificationOperation_started);
const QString kEnded = QLatin1String(DWNSNotificationOperation_ended);
const QString kProgress = QLatin1String(DWNSNotificationOperation_progressChanged);
const QString kQueueAdded = QLatin1String(DWNSNotificationOperationQueueOperation_added);
const QString kQueueStarted = QLatin1String(DWNSNotificationOperationQueueOperation_started);
const QString kQueueEnded = QLatin1String(DWNSNotificationOperationQueueOperation_ended);
const QStringList kAll{kStarted, kEnded, kProgress, kQueueAdded, kQueueStarted, kQueueEnded};

// Returns once everything handed to the main thread so far has been delivered, and what that
// handed on in turn (a queue's notification follows its operation's).
void drainMainThread()
{
    for (int pass = 0; pass < 3; ++pass) {
        auto done = std::make_shared<std::atomic<bool>>(false);
        dw::postToMain([done] { *done = true; });
        ASSERT_TRUE(QTest::qWaitFor([&] { return done->load(); }, 10000));
    }
}

void finishAll(DWNSOperationQueue& queue)
{
    queue.waitUntilAllOperationsAreFinished();
    drainMainThread();
}

// The operation's notifications, its own first and then the queue's: the two kinds keep their
// order among themselves, while the queue's follow the operation's on a later turn.
QStringList namesFor(const NotificationRecorder& recorder, const DWNSOperationPtr& operation)
{
    QStringList result;
    for (const auto& entry : recorder.entries()) {
        const auto inUserInfo =
            entry.notification.userInfo.value(QLatin1String(kDWNSUserInfoKeyOperation)).value<DWNSOperationPtr>();
        if (entry.notification.object.identity == operation.get() || inUserInfo == operation)
            result << entry.name;
    }
    const QStringList queue = result.filter("Queue");
    for (const auto& name : queue)
        result.removeOne(name);
    return result + queue;
}

} // namespace

TEST(OperationQueue, CancelledBeforeStartPostsNothingAndDoesNoWork)
{
    NotificationRecorder recorder(kAll);
    DWNSOperationQueue queue;
    queue.setMaxConcurrentOperationCount(1);
    Gate gate;
    auto blocker = operation([&](FunctionOperation& self) { gate.waitUntilOpen(self); });
    std::atomic<bool> ran{false};
    auto cancelled = operation([&](FunctionOperation&) { ran = true; });
    queue.addOperation(blocker);
    queue.addOperation(cancelled);
    cancelled->cancel();
    cancelled->cancel();
    gate.open();
    finishAll(queue);

    EXPECT_FALSE(ran);
    EXPECT_TRUE(cancelled->isFinished());
    EXPECT_EQ(namesFor(recorder, cancelled), QStringList{kQueueAdded});
    EXPECT_EQ(namesFor(recorder, blocker), (QStringList{kStarted, kEnded, kQueueAdded, kQueueStarted, kQueueEnded}));
    EXPECT_EQ(queue.operationCount(), 0);
}

TEST(OperationQueue, NotificationsReachObserversOnTheMainThreadInOrderAndHoldTheOperation)
{
    NotificationRecorder recorder(kAll);
    QVariant userInfoSeenAtEnd;
    dw::ScopedObservation atEnd(
        dw::NotificationCenter::defaultCenter(),
        dw::NotificationCenter::defaultCenter().addObserver(kEnded, nullptr, [&](const dw::Notification& n) {
            // The test let go of the operation long ago; the notification keeps it.
            userInfoSeenAtEnd = n.object.shared<DWNSOperation>()->userInfo().value("tag");
        }));
    DWNSOperationQueue queue;
    const void* identity = nullptr;
    {
        auto op = operation([](FunctionOperation& self) {
            for (float value : {0.25f, 0.5f, 0.5f, 1.0f})
                self.setProgress(value);
        });
        op->setUserInfo({{"tag", "upload"}});
        identity = op.get();
        queue.addOperation(op);
    }
    ASSERT_TRUE(recorder.waitFor(kQueueEnded));
    drainMainThread();

    QStringList own;
    for (const auto& entry : recorder.entries()) {
        if (entry.notification.object.identity == identity) {
            own << entry.name;
            EXPECT_EQ(entry.notification.userInfo.value("tag"), "upload");
        }
    }
    EXPECT_EQ(own, (QStringList{kStarted, kProgress, kProgress, kProgress, kEnded}));
    EXPECT_EQ(recorder.names().filter("Queue"), (QStringList{kQueueAdded, kQueueStarted, kQueueEnded}));
    EXPECT_TRUE(recorder.allOnMainThread());
    EXPECT_EQ(userInfoSeenAtEnd, "upload");
}

TEST(OperationQueue, EndedIsPostedOnceHoweverOftenTheFlagIsSet)
{
    NotificationRecorder recorder({kEnded});
    auto op = operation();
    op->setFinished(true);
    op->setFinished(true);
    drainMainThread();
    EXPECT_EQ(recorder.count(kEnded), 1);
    EXPECT_TRUE(op->isFinished());
}

TEST(OperationQueue, WorkThatThrowsEndsItsOperationAndNothingElse)
{
    struct Row
    {
        const char* name;
        std::function<void()> fail;
        QString reason;
    };
    const std::vector<Row> rows{
        {"assertion", [] { DW_ASSERT(false, "Need itemType"); }, "Need itemType"},
        {"standard exception", [] { throw std::runtime_error("parse error at byte 40"); }, "parse error at byte 40"},
        {"anything else", [] { throw 42; }, "unknown exception"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        NotificationRecorder recorder(kAll);
        dw::ScopedConsoleCapture console;
        DWNSOperationQueue queue;
        auto op = operation([&](FunctionOperation&) { row.fail(); });
        queue.addOperation(op);
        finishAll(queue);
        EXPECT_EQ(op->failure(), row.reason);
        EXPECT_TRUE(op->isFinished());
        EXPECT_EQ(namesFor(recorder, op), (QStringList{kStarted, kEnded, kQueueAdded, kQueueStarted, kQueueEnded}));
        EXPECT_TRUE(console.contains("DWOperation: received exception while executing: " + row.reason));
    }
}

TEST(OperationQueue, StartsTheHighestPriorityFirstThenInTheOrderAdded)
{
    DWNSOperationQueue queue;
    queue.setMaxConcurrentOperationCount(1);
    Gate gate;
    std::atomic<bool> blocking{false};
    queue.addOperation(operation([&](FunctionOperation& self) {
        blocking = true;
        gate.waitUntilOpen(self);
    }));
    // The one worker must be held before the others are queued, or it picks among those added so far.
    ASSERT_TRUE(QTest::qWaitFor([&] { return blocking.load(); }, 10000));
    std::mutex mutex;
    QStringList order;
    auto add = [&](const char* name, DWNSOperation::QueuePriority priority) {
        auto op = operation([&, name](FunctionOperation&) {
            std::lock_guard lock(mutex);
            order << name;
        });
        op->setQueuePriority(priority);
        queue.addOperation(op);
    };
    add("low", DWNSOperation::Low);
    add("normal 1", DWNSOperation::Normal);
    add("high 1", DWNSOperation::High);
    add("normal 2", DWNSOperation::Normal);
    add("high 2", DWNSOperation::High);
    add("very high", DWNSOperation::VeryHigh);
    gate.open();
    finishAll(queue);
    EXPECT_EQ(order, (QStringList{"very high", "high 1", "high 2", "normal 1", "normal 2", "low"}));
}

TEST(OperationQueue, DependenciesHoldOperationsBackAcrossQueuesUnlessCancelled)
{
    DWNSOperationQueue queue;
    DWNSOperationQueue other;
    queue.setMaxConcurrentOperationCount(3);
    Gate gate;
    std::mutex mutex;
    QStringList order;
    auto note = [&](const char* name) {
        return operation([&, name](FunctionOperation&) {
            std::lock_guard lock(mutex);
            order << name;
        });
    };
    auto first = operation([&](FunctionOperation& self) {
        gate.waitUntilOpen(self);
        std::lock_guard lock(mutex);
        order << "first";
    });
    auto sameQueue = note("same queue");
    auto otherQueue = note("other queue");
    auto cancelled = note("cancelled");
    for (const auto& op : {sameQueue, otherQueue, cancelled})
        op->addDependency(first);
    queue.addOperation(sameQueue);
    other.addOperation(otherQueue);
    queue.addOperation(cancelled);
    queue.addOperation(first);

    cancelled->cancel();
    ASSERT_TRUE(QTest::qWaitFor([&] { return cancelled->isFinished(); }, 10000))
        << "a cancelled operation waits for nothing";
    EXPECT_FALSE(sameQueue->isFinished());
    gate.open();
    finishAll(queue);
    finishAll(other);
    ASSERT_EQ(order.size(), 3) << order.join(", ").toStdString();
    EXPECT_EQ(order.first(), "first");
    EXPECT_TRUE(order.contains("same queue") && order.contains("other queue"));
}

TEST(OperationQueue, CancellingARunningOperationOrTheWholeQueue)
{
    NotificationRecorder recorder(kAll);
    DWNSOperationQueue queue;
    queue.setMaxConcurrentOperationCount(1);
    std::atomic<bool> sawCancel{false};
    std::atomic<bool> working{false};
    auto running = operation([&](FunctionOperation& self) {
        working = true;
        Gate never;
        never.waitUntilOpen(self);
        sawCancel = self.isCancelled();
    });
    auto waiting = operation();
    queue.addOperation(running);
    queue.addOperation(waiting);
    // Executing starts a moment before the work does; the cancel must come while the work runs.
    ASSERT_TRUE(QTest::qWaitFor([&] { return working.load(); }, 10000));
    queue.cancelAllOperations();
    finishAll(queue);

    EXPECT_TRUE(sawCancel);
    EXPECT_EQ(namesFor(recorder, running), (QStringList{kStarted, kEnded, kQueueAdded, kQueueStarted, kQueueEnded}));
    EXPECT_EQ(namesFor(recorder, waiting), QStringList{kQueueAdded});

    auto later = operation();
    queue.addOperation(later);
    finishAll(queue);
    EXPECT_FALSE(later->isCancelled()) << "cancelling all concerns the operations queued at the time";
    EXPECT_EQ(namesFor(recorder, later).count(kEnded), 1);
}

TEST(OperationQueue, ForgetsAnOperationOnceItHasEnded)
{
    NotificationRecorder recorder({kQueueStarted, kQueueEnded});
    DWNSOperationQueue queue;
    auto op = operation();
    queue.addOperation(op);
    finishAll(queue);
    // A stray notification for the same object (or a new one at its address) is no longer the queue's business.
    op->postNotificationToMainThread(kStarted);
    op->postNotificationToMainThread(kEnded);
    drainMainThread();
    EXPECT_EQ(recorder.names(), (QStringList{kQueueStarted, kQueueEnded}));
    EXPECT_THROW(queue.addOperation(op), dw::InternalInconsistency) << "an operation runs once";
}

TEST(OperationQueue, ShutdownReleasesAWorkerWaitingForTheMainThread)
{
    auto queue = std::make_unique<DWNSOperationQueue>();
    queue->setMaxConcurrentOperationCount(2);
    std::atomic<bool> aboutToWait{false};
    std::atomic<bool> servedOnMain{false};
    auto waiter = operation([&](FunctionOperation&) {
        aboutToWait = true;
        dw::runOnMainAndWait([&] { servedOnMain = true; });
    });
    auto blocked = operation([](FunctionOperation& self) {
        Gate never;
        never.waitUntilOpen(self);
    });
    queue->addOperation(waiter);
    queue->addOperation(blocked);
    // No events are served until the shutdown: the worker is stuck waiting for the main thread.
    while (!aboutToWait || !blocked->isExecuting())
        std::this_thread::yield();
    queue->shutdown();

    EXPECT_TRUE(servedOnMain);
    EXPECT_TRUE(waiter->isFinished() && blocked->isFinished());
    EXPECT_TRUE(blocked->isCancelled());
    auto afterwards = operation();
    queue->addOperation(afterwards);
    EXPECT_TRUE(afterwards->isCancelled() && afterwards->isFinished());

    // Destroying a queue shuts it down as well.
    auto second = std::make_unique<DWNSOperationQueue>();
    auto stuck = operation([](FunctionOperation& self) {
        Gate never;
        never.waitUntilOpen(self);
    });
    second->addOperation(stuck);
    ASSERT_TRUE(QTest::qWaitFor([&] { return stuck->isExecuting(); }, 10000));
    second.reset();
    EXPECT_TRUE(stuck->isFinished());
}

TEST(OperationQueue, WaitingForAnOperationServesTheMainThreadAndEndsWithIt)
{
    DWNSOperationQueue queue;
    queue.setMaxConcurrentOperationCount(1);
    // A wait on the main thread that did not serve it would never end: the work needs the main thread.
    bool servedOnMain = false;
    auto needsMain = operation([&](FunctionOperation&) { dw::runOnMainAndWait([&] { servedOnMain = true; }); });
    queue.addOperation(needsMain);
    needsMain->waitUntilFinished();
    EXPECT_TRUE(servedOnMain);
    EXPECT_TRUE(needsMain->isFinished());
    needsMain->waitUntilFinished(); // finished already: returns at once

    // One that leaves its queue cancelled, without running, ends the wait as well; so does one
    // that finishes while a worker thread waits for it.
    Gate gate;
    auto blocker = operation([&](FunctionOperation& self) { gate.waitUntilOpen(self); });
    auto queued = operation();
    queue.addOperation(blocker);
    queue.addOperation(queued);
    std::atomic<bool> workerSawTheEnd{false};
    std::thread worker([&] {
        blocker->waitUntilFinished();
        workerSawTheEnd = blocker->isFinished();
    });
    queued->cancel();
    gate.open();
    queued->waitUntilFinished();
    EXPECT_TRUE(queued->isFinished());
    worker.join();
    EXPECT_TRUE(workerSawTheEnd);
}

TEST(OperationQueue, QuittingTheApplicationShutsTheQueueDown)
{
    DWNSOperationQueue queue;
    auto stuck = operation([](FunctionOperation& self) {
        Gate never;
        never.waitUntilOpen(self);
    });
    queue.addOperation(stuck);
    ASSERT_TRUE(QTest::qWaitFor([&] { return stuck->isExecuting(); }, 10000));
    QTimer::singleShot(0, QCoreApplication::instance(), [] { QCoreApplication::quit(); });
    QCoreApplication::exec();
    EXPECT_TRUE(stuck->isCancelled() && stuck->isFinished());
    EXPECT_EQ(queue.operationCount(), 0);
}

TEST(OperationQueueMonitor, ReportsEveryChangeOfTheQueuesItWatches)
{
    NotificationRecorder recorder({QLatin1String(DWNSOperationQueueMonitor_changed)});
    DWNSOperationQueue first;
    DWNSOperationQueue second;
    DWNSOperationQueueMonitor monitor;
    monitor.registerOperationQueue(&first);
    monitor.registerOperationQueue(&second);
    monitor.registerOperationQueue(&first);
    monitor.registerOperationQueue(nullptr);
    EXPECT_EQ(monitor.queues(), (QList<DWNSOperationQueue*>{&first, &second}));

    Gate gate;
    auto op = operation([&](FunctionOperation& self) { gate.waitUntilOpen(self); });
    second.addOperation(op);
    EXPECT_EQ(monitor.monitoredOperations(), QList<DWNSOperationPtr>{op});
    gate.open();
    finishAll(second);
    ASSERT_EQ(recorder.entries().size(), 3u); // added, started, ended
    for (const auto& entry : recorder.entries()) {
        EXPECT_EQ(entry.notification.object.identity, &monitor);
        EXPECT_EQ(entry.notification.userInfo.value("operation").value<DWNSOperationPtr>(), op);
    }

    monitor.unregisterOperationQueue(&second);
    second.addOperation(operation());
    finishAll(second);
    EXPECT_EQ(recorder.entries().size(), 3u);
    EXPECT_TRUE(recorder.allOnMainThread());
}
