#include "platform/archive/PropertyList.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/NotificationCenter.h"
#include "platform/core/UserDefaults.h"
#include "tests/support/TemporaryXdg.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

using dw::UserDefaults;

TEST(UserDefaults, WrittenValueOverridesRegisteredAndSurvivesRestart)
{
    dw::test::TemporaryXdg xdg;
    {
        auto& defaults = UserDefaults::standard();
        defaults.registerDefaults({{QStringLiteral("maxConcurrentOperations"), 4}, {QStringLiteral("logLevel"), 0}});
        EXPECT_EQ(defaults.integerForKey(QStringLiteral("maxConcurrentOperations")), 4);
        defaults.setInteger(2, QStringLiteral("maxConcurrentOperations"));
        EXPECT_EQ(defaults.integerForKey(QStringLiteral("maxConcurrentOperations")), 2);
        defaults.removeObjectForKey(QStringLiteral("logLevel")); // only registered: nothing to remove
        EXPECT_TRUE(defaults.hasKey(QStringLiteral("logLevel")));
    }
    UserDefaults::resetStandard();
    auto& restarted = UserDefaults::standard();
    EXPECT_EQ(restarted.integerForKey(QStringLiteral("maxConcurrentOperations")), 2);
    // Registered values are not stored: a restart without registration forgets them.
    EXPECT_FALSE(restarted.hasKey(QStringLiteral("logLevel")));
    restarted.removeObjectForKey(QStringLiteral("maxConcurrentOperations"));
    UserDefaults::resetStandard();
    EXPECT_FALSE(UserDefaults::standard().objectForKey(QStringLiteral("maxConcurrentOperations")).isValid());
}

TEST(UserDefaults, TypedGettersConvertLikeCocoa)
{
    UserDefaults defaults(QString{});
    defaults.registerDefaults({
        {QStringLiteral("text"), QStringLiteral("12.5abc")},
        {QStringLiteral("yes"), QStringLiteral("YES")},
        {QStringLiteral("number"), 7},
        {QStringLiteral("mixed"), QVariantList{QStringLiteral("a"), 1}},
        {QStringLiteral("strings"), QVariantList{QStringLiteral("a"), QStringLiteral("b")}},
    });
    EXPECT_EQ(defaults.integerForKey(QStringLiteral("text")), 12);
    EXPECT_DOUBLE_EQ(defaults.doubleForKey(QStringLiteral("text")), 12.5);
    EXPECT_TRUE(defaults.boolForKey(QStringLiteral("yes")));
    EXPECT_EQ(defaults.stringForKey(QStringLiteral("number")), QStringLiteral("7"));
    EXPECT_TRUE(defaults.stringArrayForKey(QStringLiteral("mixed")).isEmpty());
    EXPECT_EQ(defaults.stringArrayForKey(QStringLiteral("strings")), (QStringList{"a", "b"}));
    EXPECT_EQ(defaults.integerForKey(QStringLiteral("missing")), 0);
    EXPECT_TRUE(defaults.stringForKey(QStringLiteral("missing")).isNull());
}

TEST(UserDefaults, FailedWriteKeepsOldFileAndValueInMemory)
{
    dw::test::TemporaryXdg xdg;
    const QString path = xdg.path(QStringLiteral("defaults.plist"));
    {
        UserDefaults defaults(path);
        defaults.setObject(QStringLiteral("first"), QStringLiteral("key"));
    }
    const QByteArray before = [&] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    ASSERT_FALSE(before.isEmpty());
    UserDefaults defaults(path);
    {
        dw::ScopedWriteFailure diskFull;
        defaults.setObject(QStringLiteral("second"), QStringLiteral("key"));
        EXPECT_FALSE(defaults.synchronize());
    }
    EXPECT_EQ(defaults.stringForKey(QStringLiteral("key")), QStringLiteral("second"));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), before);
}

TEST(UserDefaults, UnreadableFileStartsEmptyInsteadOfFailing)
{
    dw::test::TemporaryXdg xdg;
    const QString path = xdg.path(QStringLiteral("broken.plist"));
    ASSERT_TRUE(dw::writeFileAtomically(path, "<?xml version=\"1.0\"?><plist><dict><key>a</key>"));
    UserDefaults defaults(path);
    EXPECT_TRUE(defaults.persistentValues().isEmpty());
}

// The first change after starting from a file that could not be read must not replace it: every
// setting the user had is in it.
TEST(UserDefaults, UnreadableFileIsSetAsideBeforeItCouldBeReplaced)
{
    dw::test::TemporaryXdg xdg;
    const QString path = xdg.path(QStringLiteral("prefs/defaults.plist"));
    const QByteArray damaged = "<?xml version=\"1.0\"?><plist><dict><key>accounts</key>";
    ASSERT_TRUE(dw::writeFileAtomically(path, damaged));
    UserDefaults defaults(path);
    defaults.setObject(QStringLiteral("new"), QStringLiteral("key"));

    const QStringList aside =
        QDir(xdg.path(QStringLiteral("prefs"))).entryList({QStringLiteral("defaults.plist.unreadable*")}, QDir::Files);
    ASSERT_EQ(aside.size(), 1);
    QFile kept(xdg.path(QStringLiteral("prefs/")) + aside.first());
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), damaged);
    EXPECT_EQ(UserDefaults(path).stringForKey(QStringLiteral("key")), QStringLiteral("new"));
}

TEST(UserDefaults, ConcurrentReadsDuringWritesSeeWholeValues)
{
    UserDefaults defaults(QString{});
    defaults.registerDefaults({{QStringLiteral("list"), QVariantList{1, 2, 3}}});
    std::atomic<bool> stop{false};
    std::atomic<int> torn{0};
    std::vector<std::thread> readers;
    for (int i = 0; i < 4; ++i) {
        readers.emplace_back([&] {
            while (!stop) {
                const QVariantList list = defaults.arrayForKey(QStringLiteral("list"));
                if (list.size() != 3)
                    ++torn;
            }
        });
    }
    for (int i = 0; i < 2000; ++i)
        defaults.setObject(QVariantList{i, i + 1, i + 2}, QStringLiteral("list"));
    stop = true;
    for (auto& t : readers)
        t.join();
    EXPECT_EQ(torn.load(), 0);
}

TEST(UserDefaults, ChangesMadeAtOnceOnSeveralThreadsAllReachTheFile)
{
    // Writes leave the values' lock and are taken together: a write that started earlier must
    // never land over a later one, and a read-and-change must never lose another's change, also
    // when its write is left to the defaults' writer.
    QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("UserDefaults.plist"));
    constexpr int kThreads = 4;
    constexpr int kChanges = 20;
    {
        UserDefaults defaults(file);
        std::vector<std::thread> threads;
        for (int thread = 0; thread < kThreads; ++thread) {
            threads.emplace_back([&, thread] {
                for (int change = 1; change <= kChanges; ++change) {
                    defaults.changeObject(QStringLiteral("counter"),
                                          [](const QVariant& current) -> QVariant { return current.toLongLong() + 1; });
                    defaults.setInteger(change, QStringLiteral("thread-%1").arg(thread));
                    defaults.changeObjectWrittenSoon(QStringLiteral("soon"), [](const QVariant& current) -> QVariant {
                        return current.toLongLong() + 1;
                    });
                }
            });
        }
        for (auto& thread : threads)
            thread.join();
        EXPECT_EQ(defaults.integerForKey(QStringLiteral("counter")), kThreads * kChanges);
        EXPECT_EQ(defaults.integerForKey(QStringLiteral("soon")), kThreads * kChanges);
    }
    // The changes written soon are on disk once the defaults have ended, the last one included.
    const UserDefaults reread(file);
    EXPECT_EQ(reread.integerForKey(QStringLiteral("counter")), kThreads * kChanges);
    EXPECT_EQ(reread.integerForKey(QStringLiteral("soon")), kThreads * kChanges);
    for (int thread = 0; thread < kThreads; ++thread)
        EXPECT_EQ(reread.integerForKey(QStringLiteral("thread-%1").arg(thread)), kChanges) << thread;
}

TEST(UserDefaults, ChangePostsNotificationWithKey)
{
    UserDefaults defaults(QString{});
    QStringList keys;
    auto& center = dw::NotificationCenter::defaultCenter();
    dw::ScopedObservation observation(
        center, center.addObserver(QString::fromLatin1(dw::kUserDefaultsDidChangeNotification), nullptr,
                                   [&](const dw::Notification& n) { keys << n.userInfo.value("key").toString(); }));
    defaults.setBool(true, QStringLiteral("alwaysShowIntro"));
    EXPECT_EQ(keys, QStringList{QStringLiteral("alwaysShowIntro")});
}

TEST(PropertyList, RoundTripsEveryValueKindInBothFormats)
{
    const QVariantMap value{
        {QStringLiteral("text"), QStringLiteral("Grüße & <tags>")},
        {QStringLiteral("int"), qlonglong(-42)},
        {QStringLiteral("big"), qlonglong(1) << 40},
        {QStringLiteral("real"), 12.5},
        {QStringLiteral("flag"), true},
        {QStringLiteral("date"), QDateTime::fromSecsSinceEpoch(1767225600, Qt::UTC)},
        {QStringLiteral("data"), QByteArray("\x00\x01\xff", 3)},
        {QStringLiteral("list"), QVariantList{1, QStringLiteral("two"), QVariantMap{{"k", 3}}}},
    };
    for (auto format : {dw::plist::Format::Xml, dw::plist::Format::Binary}) {
        const QByteArray bytes = dw::plist::write(value, format);
        QString error;
        const auto read = dw::plist::read(bytes, &error);
        ASSERT_TRUE(read) << error.toStdString();
        EXPECT_EQ(read->toMap(), value);
    }
}

TEST(PropertyList, RefusesDamagedInput)
{
    const QByteArray binary = dw::plist::write(QVariantList{1, 2, 3}, dw::plist::Format::Binary);
    const QByteArray cases[] = {
        QByteArray(),
        QByteArray("not a plist"),
        binary.left(binary.size() / 2),
        QByteArray("<?xml version=\"1.0\"?><plist><array><string>a</array>"),
    };
    for (const QByteArray& bytes : cases) {
        QString error;
        EXPECT_FALSE(dw::plist::read(bytes, &error)) << bytes.toStdString();
        EXPECT_FALSE(error.isEmpty());
    }
}

} // namespace
