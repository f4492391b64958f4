#include "DWKit/DWOperation/DWNSOperationEnvelopeQueue.h"
#include "OperationTestSupport.h"
#include "platform/core/DWAssert.h"
#include "tests/support/DrainMainThread.h"

#include <gtest/gtest.h>

using namespace dw::test;

namespace {

const QString kFinished = QLatin1String(kDWNSOperationEnvelopeQueueEnvelope_finished);
const QString kAdded = QLatin1String(kDWNSOperationEnvelopeQueueEnvelope_added);

// Records its hooks, and whether each ran on the main thread.
class RecordingEnvelope : public DWNSOperationEnvelope
{
public:
    using DWNSOperationEnvelope::DWNSOperationEnvelope;

    void willStartOperation(const DWNSOperationPtr& operation) override
    {
        DWNSOperationEnvelope::willStartOperation(operation);
        note("willStart");
    }
    void postprocessOperation(const DWNSOperationPtr& operation) override
    {
        note("postprocess");
        if (m_laterStage && operation == operations().first()) {
            auto all = operations();
            all.append(m_laterStage);
            setOperations(all);
            queue()->addOperation(m_laterStage);
        }
    }
    void envelopeWillBeAddedToQueue(DWNSOperationEnvelopeQueue*) override { note("willBeAdded"); }

    QStringList hooks;
    bool allOnMainThread = true;
    DWNSOperationPtr m_laterStage;

private:
    void note(const char* hook)
    {
        hooks << hook;
        allOnMainThread = allOnMainThread && dw::isMainThread();
    }
};

} // namespace

TEST(EnvelopeQueue, EnvelopeOfTwoOperationsFinishesOnceAndLeavesTheQueue)
{
    NotificationRecorder recorder({kAdded, kFinished});
    DWNSOperationEnvelopeQueue queue;
    queue.setMaxConcurrentOperationCount(2);
    auto envelope = std::make_shared<RecordingEnvelope>(QList<DWNSOperationPtr>{operation(), operation()});
    bool stillQueuedWhenObserved = true;
    dw::ScopedObservation observation(
        dw::NotificationCenter::defaultCenter(),
        dw::NotificationCenter::defaultCenter().addObserver(kFinished, &queue, [&](const dw::Notification&) {
            stillQueuedWhenObserved = queue.operationEnvelopes().contains(envelope);
        }));
    queue.addOperationEnvelope(envelope);
    EXPECT_EQ(envelope->queue(), &queue);
    EXPECT_EQ(queue.operationEnvelopes(), QList<DWNSOperationEnvelopePtr>{envelope});
    ASSERT_TRUE(recorder.waitFor(kFinished));
    drainMainThread([&] { queue.waitUntilAllOperationsAreFinished(); }); // a second finished would arrive

    EXPECT_EQ(recorder.names(), (QStringList{kAdded, kFinished}));
    const auto finished = recorder.entries().back().notification;
    EXPECT_EQ(finished.userInfo.value("envelope").value<DWNSOperationEnvelopePtr>(), envelope);
    EXPECT_TRUE(envelope->operations().contains(finished.userInfo.value("operation").value<DWNSOperationPtr>()));
    EXPECT_FALSE(stillQueuedWhenObserved);
    EXPECT_EQ(envelope->queue(), nullptr);
    EXPECT_EQ(envelope->hooks.first(), "willBeAdded");
    EXPECT_EQ(envelope->hooks.count("willStart"), 2);
    EXPECT_EQ(envelope->hooks.count("postprocess"), 2);
    EXPECT_EQ(envelope->lastStartedOperationIndex(), 2);
    EXPECT_TRUE(envelope->allOnMainThread);
}

TEST(EnvelopeQueue, LaterStagesStartedByTheEnvelopeKeepItOpen)
{
    NotificationRecorder recorder({kFinished});
    DWNSOperationEnvelopeQueue queue;
    auto envelope = std::make_shared<RecordingEnvelope>(QList<DWNSOperationPtr>{operation()});
    std::atomic<bool> laterRan{false};
    envelope->m_laterStage = operation([&](FunctionOperation&) { laterRan = true; });
    queue.addOperationEnvelope(envelope);
    ASSERT_TRUE(recorder.waitFor(kFinished));
    EXPECT_TRUE(laterRan);
    EXPECT_EQ(recorder.entries().front().notification.userInfo.value("operation").value<DWNSOperationPtr>(),
              envelope->m_laterStage);
    EXPECT_EQ(envelope->hooks, (QStringList{"willBeAdded", "willStart", "postprocess", "willStart", "postprocess"}));
}

TEST(EnvelopeQueue, EnvelopeWhoseOperationsWereCancelledBeforeTheyBeganStillFinishes)
{
    NotificationRecorder recorder({kFinished, QLatin1String(DWNSNotificationOperationQueueOperation_ended)});
    DWNSOperationEnvelopeQueue queue;
    queue.setMaxConcurrentOperationCount(1);
    Gate gate;
    auto loose = operation([&](FunctionOperation& self) { gate.waitUntilOpen(self); });
    queue.addOperation(loose); // belongs to no envelope: only the queue's notifications
    auto envelope = std::make_shared<RecordingEnvelope>(QList<DWNSOperationPtr>{operation(), operation()});
    queue.addOperationEnvelope(envelope);
    for (const auto& op : envelope->operations())
        op->cancel();
    EXPECT_THROW(queue.removeFinishedOrCanceledEnvelope(
                     std::make_shared<DWNSOperationEnvelope>(QList<DWNSOperationPtr>{operation()})),
                 dw::InternalInconsistency);
    gate.open();
    ASSERT_TRUE(recorder.waitFor(kFinished));
    drainMainThread([&] { queue.waitUntilAllOperationsAreFinished(); });
    EXPECT_EQ(recorder.count(kFinished), 1);
    EXPECT_EQ(recorder.count(QLatin1String(DWNSNotificationOperationQueueOperation_ended)), 1);
    EXPECT_TRUE(queue.operationEnvelopes().isEmpty());
    EXPECT_EQ(envelope->hooks, QStringList{"willBeAdded"});
    EXPECT_TRUE(DWNSOperationEnvelope().allOperationsFinishedOrCanceled());
}
