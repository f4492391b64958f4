#include "DWKit/NSNotificationCenter+DWExtensions.h"
#include "platform/core/DWAssert.h"
#include "platform/core/MainThread.h"

#include <QTest>
#include <gtest/gtest.h>
#include <mutex>
#include <thread>

namespace {

// Records what reached the observers, and whether it came on the main thread.
class RelayTest : public ::testing::Test
{
protected:
    RelayTest()
    {
        m_center.addObserver(QString(), nullptr, [this](const dw::Notification& n) {
            std::lock_guard lock(m_mutex);
            m_received << n.name;
            m_onMain = m_onMain && dw::isMainThread();
            m_last = n;
        });
    }

    QStringList received()
    {
        std::lock_guard lock(m_mutex);
        return m_received;
    }

    dw::NotificationCenter m_center;
    std::mutex m_mutex;
    QStringList m_received;
    bool m_onMain = true;
    dw::Notification m_last;
};

} // namespace

TEST_F(RelayTest, WorkerThatWaitsFindsTheObserversDone)
{
    QStringList seenWhenReturned;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        dw::postNotificationNameToMainThread(m_center, QStringLiteral("TaskNameChanged"), {}, {{"name", "Uploading"}});
        seenWhenReturned = received();
        done = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }));
    worker.join();
    EXPECT_EQ(seenWhenReturned, QStringList{QStringLiteral("TaskNameChanged")});
    EXPECT_EQ(m_last.userInfo.value(QStringLiteral("name")), QStringLiteral("Uploading"));
    EXPECT_TRUE(m_last.object.isNull());
    EXPECT_TRUE(m_onMain);
}

TEST_F(RelayTest, RelaysKeepTheirOrderWhetherOrNotTheyWait)
{
    std::thread worker([&] {
        dw::postNotificationNameToMainThread(m_center, QStringLiteral("started"), {}, {}, false);
        dw::postNotificationNameToMainThread(m_center, QStringLiteral("progress"), {}, {}, false);
        dw::postNotificationNameToMainThread(m_center, QStringLiteral("taskName"), {}, {}, true);
        dw::postNotificationNameToMainThread(m_center, QStringLiteral("ended"), {}, {}, false);
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return received().size() == 4; }));
    worker.join();
    EXPECT_EQ(received(), (QStringList{"started", "progress", "taskName", "ended"}));
    EXPECT_TRUE(m_onMain);
}

TEST_F(RelayTest, FromTheMainThread)
{
    dw::postNotificationNameToMainThread(m_center, QStringLiteral("queued"), {}, {}, false);
    EXPECT_TRUE(received().isEmpty()) << "a post that does not wait is delivered later";
    dw::postNotificationNameToMainThread(m_center, QStringLiteral("direct"), {}, {}, true);
    EXPECT_EQ(received(), QStringList{QStringLiteral("direct")});
    EXPECT_TRUE(QTest::qWaitFor([&] { return received().size() == 2; }));
    EXPECT_THROW(dw::postNotificationNameToMainThread(m_center, QString()), dw::InternalInconsistency);
}

TEST_F(RelayTest, DelayedPostNeverWaits)
{
    int sender = 0;
    std::atomic<bool> returned{false};
    std::thread worker([&] {
        dw::postNotificationNameToMainThread(m_center, QStringLiteral("later"), dw::NotificationObject::of(&sender),
                                             {{"k", 1}}, true, 0.2);
        returned = true;
    });
    worker.join(); // would hang if the delayed post waited for the main thread
    EXPECT_TRUE(returned);
    EXPECT_TRUE(received().isEmpty());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !received().isEmpty(); }, 5000));
    EXPECT_EQ(m_last.object.pointer<int>(), &sender);
    EXPECT_EQ(m_last.userInfo, (QVariantMap{{"k", 1}}));
}

TEST_F(RelayTest, FailingObserverOfADetachedRelayDoesNotStopTheLoop)
{
    m_center.addObserver(QStringLiteral("bad"), nullptr,
                         [](const dw::Notification&) { throw dw::InternalInconsistency(QStringLiteral("broken")); });
    dw::postNotificationNameToMainThread(m_center, QStringLiteral("bad"), {}, {}, false);
    dw::postNotificationNameToMainThread(m_center, QStringLiteral("after"), {}, {}, false);
    EXPECT_TRUE(QTest::qWaitFor([&] { return received().size() == 2; }));
}
