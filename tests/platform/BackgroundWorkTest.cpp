#include "platform/core/BackgroundWork.h"
#include "platform/core/MainThread.h"

#include <QCoreApplication>
#include <QObject>
#include <QThreadPool>
#include <QTimer>
#include <atomic>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace {

TEST(BackgroundWork, WorkRunsOffTheMainThreadAndItsAnswerOnItAfterIt)
{
    QObject context;
    std::thread::id outer;
    std::atomic<bool> innerRan{false};
    int result = 0;
    int seen = 0;
    bool answeredOnMain = false;
    dw::runInBackground(
        &context,
        [&] {
            outer = std::this_thread::get_id();
            result = 42;
            // Work started by work is waited for too.
            dw::runInBackground([&] { innerRan = true; });
        },
        [&] {
            answeredOnMain = dw::isMainThread();
            seen = result;
        });
    dw::waitForBackgroundWork();
    EXPECT_NE(outer, std::thread::id());
    EXPECT_NE(outer, std::this_thread::get_id());
    EXPECT_TRUE(innerRan);
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(answeredOnMain);
    EXPECT_EQ(seen, 42);
}

TEST(BackgroundWork, AnswerForAContextGoneMeanwhileIsDropped)
{
    auto context = std::make_unique<QObject>();
    std::atomic<bool> contextGone{false};
    bool answered = false;
    dw::runInBackground(
        context.get(), [&] { contextGone.wait(false); }, [&] { answered = true; });
    context.reset();
    contextGone = true;
    contextGone.notify_all();
    dw::waitForBackgroundWork();
    QCoreApplication::sendPostedEvents();
    EXPECT_FALSE(answered);
}

// The real quit: the application's loop ends and aboutToQuit stops the work still running.
TEST(BackgroundWork, QuittingStopsTheWorkStillRunningWaitsForItAndDropsItsAnswer)
{
    QObject context;
    auto stop = std::make_shared<std::atomic<bool>>(false);
    std::atomic<bool> ended{false};
    std::atomic<bool> lateEnded{false};
    bool servedOnMain = false;
    bool answered = false;
    dw::runInBackground(
        &context,
        [&, stop] {
            stop->wait(false);
            // The main thread is waiting for this very work now, and still serves it.
            dw::runOnMainAndWait([&] {
                servedOnMain = true;
                // Work started by what the quit serves is part of the quit: stopped from its start.
                auto lateStop = std::make_shared<std::atomic<bool>>(false);
                dw::runInBackground(
                    &context,
                    [&lateEnded, lateStop] {
                        lateStop->wait(false);
                        lateEnded = true;
                    },
                    [&] { answered = true; }, lateStop);
            });
            ended = true;
        },
        [&] { answered = true; }, stop);
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    EXPECT_TRUE(ended) << "the quit returned before the work ended";
    EXPECT_TRUE(lateEnded) << "the quit returned before the work started meanwhile ended";
    EXPECT_TRUE(servedOnMain);
    QCoreApplication::sendPostedEvents();
    EXPECT_FALSE(answered);

    // Work started after a quit runs and answers as usual.
    dw::runInBackground(
        &context, [] {}, [&] { answered = true; });
    dw::waitForBackgroundWork();
    QCoreApplication::sendPostedEvents();
    EXPECT_TRUE(answered);
}

TEST(BackgroundWork, QuittingDropsWhatAPoolHasWaitingAndWaitsForWhatItRuns)
{
    QObject context;
    std::atomic<bool> quitting{false};
    // Connected before the pool's own hook, so it runs first.
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, &context, [&] {
        quitting = true;
        quitting.notify_all();
    });
    // Made once and kept for the process's life, as the program keeps its pools.
    static QThreadPool* pool = dw::newBackgroundPool(1);
    std::atomic<bool> ended{false};
    std::atomic<bool> waitingRan{false};
    bool servedOnMain = false;
    pool->start([&] {
        quitting.wait(false);
        dw::runOnMainAndWait([&] { servedOnMain = true; });
        ended = true;
    });
    pool->start([&] { waitingRan = true; });
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
    QCoreApplication::exec();
    EXPECT_TRUE(ended) << "the quit returned before the running piece ended";
    EXPECT_TRUE(servedOnMain);
    EXPECT_FALSE(waitingRan);
}

} // namespace
