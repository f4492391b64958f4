#include "tests/support/DrainMainThread.h"

#include "platform/core/BackgroundWork.h"
#include "platform/core/MainThread.h"

#include <QCoreApplication>
#include <QEvent>
#include <QObject>
#include <gtest/gtest.h>

namespace dw::test {

namespace {

// Counts the events that carry work handed to the main thread (queued calls, posts, deferred
// deletes, custom events) while it is installed. Timer, paint and layout events are left out: a
// timer waits for time, and a spinner's animation would never let the drain end.
class EventCounter : public QObject
{
public:
    EventCounter() { QCoreApplication::instance()->installEventFilter(this); }
    ~EventCounter() override { QCoreApplication::instance()->removeEventFilter(this); }
    EventCounter(const EventCounter&) = delete;
    EventCounter& operator=(const EventCounter&) = delete;

    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        const auto type = event->type();
        if (type == QEvent::MetaCall || type == QEvent::DeferredDelete || type >= QEvent::User)
            ++count;
        return false;
    }
};

// Delivers everything posted to the main thread before it was called: a marker posted last runs
// last.
void deliverPosted()
{
    bool markerRan = false;
    dw::postToMain([&markerRan] { markerRan = true; });
    while (!markerRan) {
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents(QEventLoop::AllEvents);
    }
}

} // namespace

void drainMainThread(const std::function<void()>& waitForWorkers)
{
    dw::assertMainThread();
    constexpr int kMaximumRounds = 1000;
    for (int round = 0; round < kMaximumRounds; ++round) {
        // Whatever the waits deliver counts too: it may have started more work.
        EventCounter counter;
        if (waitForWorkers)
            waitForWorkers();
        dw::waitForBackgroundWork();
        deliverPosted();
        if (counter.count <= 1) // the marker's own event only
            return;
    }
    ADD_FAILURE() << "the main thread never settled: something keeps posting to it";
}

} // namespace dw::test
