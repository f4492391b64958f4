#include "platform/core/DWAssert.h"
#include "platform/core/MainThread.h"
#include "platform/core/NotificationCenter.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTest>
#include <QThread>
#include <gtest/gtest.h>
#include <memory>
#include <thread>

namespace {

using dw::Notification;
using dw::NotificationCenter;
using dw::NotificationObject;

TEST(NotificationCenter, DeliversByNameAndSenderInRegistrationOrder)
{
    NotificationCenter center;
    int senderA = 0, senderB = 0;
    QStringList calls;
    center.addObserver(QStringLiteral("changed"), nullptr, [&](const Notification&) { calls << "any sender"; });
    center.addObserver(QStringLiteral("changed"), &senderA, [&](const Notification&) { calls << "from A"; });
    center.addObserver(QString(), nullptr, [&](const Notification& n) { calls << "all:" + n.name; });
    center.addObserver(QStringLiteral("other"), nullptr, [&](const Notification&) { calls << "other"; });

    center.post(QStringLiteral("changed"), NotificationObject::of(&senderB));
    EXPECT_EQ(calls, (QStringList{"any sender", "all:changed"}));
    calls.clear();
    center.post(QStringLiteral("changed"), NotificationObject::of(&senderA), {{QStringLiteral("k"), 1}});
    EXPECT_EQ(calls, (QStringList{"any sender", "from A", "all:changed"}));
}

TEST(NotificationCenter, CarriesTheSenderObject)
{
    NotificationCenter center;
    auto sender = std::make_shared<QString>(QStringLiteral("operation"));
    std::shared_ptr<QString> received;
    center.addObserver(QStringLiteral("n"), sender.get(),
                       [&](const Notification& n) { received = n.object.shared<QString>(); });
    center.post(QStringLiteral("n"), NotificationObject::of(sender));
    ASSERT_TRUE(received);
    EXPECT_EQ(*received, QStringLiteral("operation"));
}

TEST(NotificationCenter, ObserverRemovedDuringPostIsNotCalledAfterwards)
{
    NotificationCenter center;
    NotificationCenter::Token second = 0;
    int firstCalls = 0, secondCalls = 0;
    center.addObserver(QStringLiteral("n"), nullptr, [&](const Notification&) {
        ++firstCalls;
        center.removeObserver(second);
        center.addObserver(QStringLiteral("n"), nullptr, [](const Notification&) {});
    });
    second = center.addObserver(QStringLiteral("n"), nullptr, [&](const Notification&) { ++secondCalls; });
    center.post(QStringLiteral("n"));
    center.post(QStringLiteral("n"));
    EXPECT_EQ(firstCalls, 2);
    EXPECT_EQ(secondCalls, 0);

    int owned = 0;
    const int owner = 0;
    center.addObserver(
        QStringLiteral("o"), nullptr, [&](const Notification&) { ++owned; }, &owner);
    center.addObserver(
        QStringLiteral("o"), nullptr, [&](const Notification&) { ++owned; }, &owner);
    center.removeObserversOwnedBy(&owner);
    center.post(QStringLiteral("o"));
    EXPECT_EQ(owned, 0);
}

TEST(MainThread, PostedWorkRunsOnMainInOrder)
{
    QStringList order;
    std::thread worker([&] {
        for (int i = 0; i < 5; ++i)
            dw::postToMain([&order, i] {
                EXPECT_TRUE(dw::isMainThread());
                order << QString::number(i);
            });
    });
    worker.join();
    EXPECT_TRUE(QTest::qWaitFor([&] { return order.size() == 5; }));
    EXPECT_EQ(order, (QStringList{"0", "1", "2", "3", "4"}));
}

TEST(MainThread, WorkForAGoneContextIsDroppedAndTheRestKeepsItsOrder)
{
    QStringList order;
    auto kept = std::make_unique<QObject>();
    auto gone = std::make_unique<QObject>();
    const QPointer<const QObject> keptGuard(kept.get());
    const QPointer<const QObject> goneGuard(gone.get());
    std::thread worker([&] {
        dw::postToMain(keptGuard, [&order] { order << QStringLiteral("kept 1"); });
        dw::postToMain(goneGuard, [&order] { order << QStringLiteral("gone"); });
        dw::postToMain([&order] { order << QStringLiteral("free"); });
        dw::postToMain(keptGuard, [&order] { order << QStringLiteral("kept 2"); });
    });
    worker.join();
    gone.reset();
    dw::postToMain(gone.get(), [&order] { order << QStringLiteral("never there"); });
    EXPECT_TRUE(QTest::qWaitFor([&] { return order.size() == 3; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(order, (QStringList{"kept 1", "free", "kept 2"}));
}

TEST(MainThread, RunOnMainAndWaitBlocksUntilDoneAndCarriesExceptions)
{
    bool ranOnMain = false;
    bool returnedAfterRun = false;
    bool exceptionCarried = false;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        dw::runOnMainAndWait([&] { ranOnMain = dw::isMainThread(); });
        returnedAfterRun = ranOnMain;
        try {
            dw::runOnMainAndWait([] {
                dw::assertMainThread();
                DW_ASSERT(false, "Need itemType");
            });
        } catch (const dw::InternalInconsistency& e) {
            exceptionCarried = e.message() == QStringLiteral("Need itemType");
        }
        EXPECT_THROW(dw::assertMainThread(), dw::InternalInconsistency);
        done = true;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return done.load(); }));
    worker.join();
    EXPECT_TRUE(returnedAfterRun);
    EXPECT_TRUE(exceptionCarried);

    // On the main thread it runs directly.
    bool direct = false;
    dw::runOnMainAndWait([&] { direct = true; });
    EXPECT_TRUE(direct);
}

} // namespace
