#include "DWKit/QMLogEntry.h"
#include "DWKit/QMLogManager.h"

#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/PropertyList.h"
#include "platform/core/Clock.h"
#include "platform/core/MainThread.h"
#include "platform/core/NotificationCenter.h"
#include "tests/support/TemporaryXdg.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

class ActivityLogTest : public ::testing::Test
{
protected:
    ActivityLogTest() : m_clockInUse(m_clock)
    {
        m_observation = dw::ScopedObservation(
            dw::NotificationCenter::defaultCenter(),
            dw::NotificationCenter::defaultCenter().addObserver(QLatin1String(QMEntitiesChangedNotificaion), nullptr,
                                                                [this](const dw::Notification&) {
                                                                    ++m_notifications;
                                                                    if (!dw::isMainThread())
                                                                        m_offMain = true;
                                                                }));
    }

    QString folder() const { return m_xdg.path(QStringLiteral("data/QuillmartVodar/LogEntries")); }
    QStringList listedIDs() const
    {
        QStringList ids;
        for (const QVariant& id : dw::plist::readFile(folder() + QStringLiteral("/entries.data"))->toList())
            ids << id.toString();
        return ids;
    }
    QStringList idsOf(const QList<QMLogEntryPtr>& entries) const
    {
        QStringList ids;
        for (const auto& entry : entries)
            ids << entry->uniqueID();
        return ids;
    }
    // `count` entries one minute apart, the first `oldCount` of them 8 days old.
    QList<QMLogEntryPtr> addEntries(QMLogManager& log, int count, int oldCount = 0)
    {
        QList<QMLogEntryPtr> added;
        for (int i = 0; i < count; ++i) {
            auto entry = QMLogEntry::getOrdersLogEntryWithAccountName(QStringLiteral("seller"));
            entry->setState(QLatin1String(kQMLogEntryStateSuccess));
            entry->setTimestamp(m_clock.now().addSecs(i < oldCount ? -8 * 86400 + i * 60 : -3600 + i));
            log.addEntry(entry);
            added << entry;
        }
        return added;
    }

    dw::test::TemporaryXdg m_xdg;
    dw::ManualClock m_clock;
    dw::ScopedClock m_clockInUse;
    dw::ScopedObservation m_observation;
    std::atomic<int> m_notifications{0};
    std::atomic<bool> m_offMain{false};
};

} // namespace

TEST_F(ActivityLogTest, SaveKeepsThe300NewestEntriesOfTheLastSevenDays)
{
    struct Row
    {
        const char* name;
        int count;
        int oldCount;
        int removed;
    };
    const Row rows[] = {
        {"305 recent entries", 305, 0, 5},
        {"10 old entries among 20", 20, 10, 10},
        {"oldest both surplus and too old", 303, 3, 3},
        {"more old entries than surplus ones", 303, 5, 5},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QDir(folder()).removeRecursively();
        QMLogManager log;
        const QList<QMLogEntryPtr> added = addEntries(log, row.count, row.oldCount);
        m_notifications = 0;
        EXPECT_TRUE(log.save());
        EXPECT_EQ(idsOf(log.logEntries()), idsOf(added.mid(row.removed)));
        EXPECT_EQ(listedIDs(), idsOf(added.mid(row.removed)));
        EXPECT_EQ(m_notifications.load(), row.removed); // one removal each, never twice
        EXPECT_EQ(QDir(folder()).entryList({QStringLiteral("*-*.data")}, QDir::Files).size(), row.count - row.removed);
    }
}

TEST_F(ActivityLogTest, PendingEntriesBecomeFailuresAtSaveAndAtLoad)
{
    {
        QMLogManager log;
        auto pending = QMLogEntry::addItemLogEntryWithTemplateTitle(QStringLiteral("Lamp"));
        auto warning = QMLogEntry::verifyAddItemLogEntryWithTemplateTitle(QStringLiteral("Lamp"));
        warning->setState(QLatin1String(kQMLogEntryStateWarning));
        log.addEntry(pending);
        log.addEntry(warning);
        EXPECT_TRUE(log.hasPendingAddItemOperation());
        ASSERT_TRUE(log.save());
        EXPECT_EQ(pending->state(), QStringLiteral("failure"));
        EXPECT_EQ(warning->state(), QStringLiteral("warning"));
        EXPECT_FALSE(log.hasPendingAddItemOperation());
    }
    // An entry written while still pending (by an older run) is repaired when it is read.
    auto stale = QMLogEntry::getItemLogEntryWithAccountName(QStringLiteral("seller"), QStringLiteral("110"));
    ASSERT_TRUE(dw::KeyedArchiver::archiveRootObject(dw::archiveValue(stale),
                                                     folder() + u'/' + stale->uniqueID() + QStringLiteral(".data")));
    QStringList ids = listedIDs() << stale->uniqueID();
    ASSERT_TRUE(dw::plist::writeFile(folder() + QStringLiteral("/entries.data"), QVariant(ids)));

    QMLogManager log;
    log.load();
    ASSERT_EQ(log.logEntries().size(), 3);
    EXPECT_EQ(log.logEntries().at(0)->state(), QStringLiteral("failure"));
    EXPECT_EQ(log.logEntries().at(1)->state(), QStringLiteral("warning"));
    const QMLogEntryPtr read = log.logEntries().at(2);
    EXPECT_EQ(read->state(), QStringLiteral("failure"));
    EXPECT_EQ(log.dirtyEntries().size(), 1);
    EXPECT_EQ(read->attributeForKey(QStringLiteral("itemID")), QStringLiteral("110"));
    EXPECT_EQ(read->timestamp(), stale->timestamp());
}

TEST_F(ActivityLogTest, EntriesSurviveSaveAndLoadWithSubentriesAndEnvelope)
{
    {
        QMLogManager log;
        auto upload = QMLogEntry::imageUploadLogEntryWithImageTitle(QStringLiteral("front.jpg"));
        upload->setState(QLatin1String(kQMLogEntryStateCancel));
        upload->setErrorMessage(QStringLiteral("cancelled"));
        upload->setErrorCode(QStringLiteral("7"));
        auto add = QMLogEntry::addItemLogEntryWithTemplateTitle(QStringLiteral("Lamp"));
        add->setState(QLatin1String(kQMLogEntryStateSuccess));
        // The envelope's class is unknown to the kit: it must come back as it was written.
        add->setErrorEnvelope(std::make_shared<dw::OpaqueArchivedObject>(
            QStringList{QStringLiteral("QMErrorEnvelope"), QStringLiteral("NSObject")},
            QVariantMap{{QStringLiteral("source"), QStringLiteral("eBay")}}));
        log.addEntry(add);
        log.addLogEntry(upload, QLatin1String(kQMLogEntryTypeAddItem));
        log.addLogEntry(upload, QStringLiteral("noSuchType")); // no parent: nothing happens
        ASSERT_TRUE(log.save());
    }
    QMLogManager log;
    log.load();
    ASSERT_EQ(log.logEntries().size(), 1);
    const QMLogEntryPtr add = log.logEntries().first();
    EXPECT_EQ(add->attributeForKey(QStringLiteral("templateTitle")), QStringLiteral("Lamp"));
    const auto envelope = std::dynamic_pointer_cast<dw::OpaqueArchivedObject>(add->errorEnvelope());
    ASSERT_TRUE(envelope);
    EXPECT_EQ(envelope->archiveClassName(), QStringLiteral("QMErrorEnvelope"));
    EXPECT_EQ(envelope->value(QStringLiteral("source")), QStringLiteral("eBay"));
    ASSERT_EQ(add->subentries().size(), 1);
    const QMLogEntryPtr upload = add->subentries().first();
    EXPECT_EQ(upload->type(), QStringLiteral("imageUpload"));
    EXPECT_EQ(upload->errorMessage(), QStringLiteral("cancelled"));
    EXPECT_EQ(upload->errorCode(), QStringLiteral("7"));
    EXPECT_TRUE(upload->hasError());
    EXPECT_EQ(log.entryWithID(add->uniqueID()), add);
}

TEST_F(ActivityLogTest, StoreWritesOnlyChangedEntriesAndSkipsWhatItCannotRead)
{
    QMLogManager log;
    EXPECT_TRUE(log.save()); // an empty store: the folder and an empty list, nothing else
    EXPECT_EQ(listedIDs(), QStringList());
    EXPECT_EQ(QDir(folder()).entryList(QDir::Files), QStringList{QStringLiteral("entries.data")});

    const QList<QMLogEntryPtr> added = addEntries(log, 3);
    ASSERT_TRUE(log.save());
    // A clean entry is not written again: its deleted file stays deleted.
    const QString firstFile = folder() + u'/' + added.at(0)->uniqueID() + QStringLiteral(".data");
    ASSERT_TRUE(QFile::remove(firstFile));
    ASSERT_TRUE(log.save());
    EXPECT_FALSE(QFileInfo::exists(firstFile));
    EXPECT_EQ(listedIDs(), idsOf(added));

    // The list names the missing file, a damaged file and a path outside the folder.
    QFile damaged(folder() + u'/' + added.at(1)->uniqueID() + QStringLiteral(".data"));
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly | QIODevice::Truncate));
    damaged.write("bplist00 damaged");
    damaged.close();
    QFile::copy(folder() + u'/' + added.at(2)->uniqueID() + QStringLiteral(".data"),
                m_xdg.path(QStringLiteral("data/QuillmartVodar/outside.data")));
    QStringList ids = listedIDs() << QStringLiteral("../outside");
    ASSERT_TRUE(dw::plist::writeFile(folder() + QStringLiteral("/entries.data"), QVariant(ids)));
    QMLogManager reloaded;
    reloaded.load();
    EXPECT_EQ(idsOf(reloaded.logEntries()), QStringList{added.at(2)->uniqueID()});

    // Removing an entry that was never saved is no problem.
    auto unsaved = QMLogEntry::getQuillmartVersionLogEntry();
    reloaded.addEntry(unsaved);
    reloaded.removeEntry(unsaved);
    EXPECT_EQ(reloaded.logEntries().size(), 1);
    EXPECT_TRUE(reloaded.dirtyEntries().isEmpty());
}

TEST_F(ActivityLogTest, EntriesFromWorkerThreadsReachTheMainThread)
{
    QMLogManager log;
    log.addEntry(QMLogEntry::addItemLogEntryWithTemplateTitle(QStringLiteral("Lamp")));
    m_notifications = 0;
    constexpr int kWorkers = 4;
    constexpr int kEntriesEach = 25;
    std::atomic<int> finished{0};
    std::vector<std::thread> workers;
    for (int w = 0; w < kWorkers; ++w) {
        workers.emplace_back([&] {
            for (int i = 0; i < kEntriesEach; ++i) {
                auto entry = QMLogEntry::imageUploadLogEntryWithImageTitle(QStringLiteral("picture"));
                log.addEntryFromThread(entry);
                // Still ours to change: the main thread may be reading it meanwhile.
                entry->setState(QLatin1String(kQMLogEntryStateSuccess));
                entry->setAttribute(QStringLiteral("https://pictures.example/1.jpg"),
                                    QLatin1String(kQMImageURLAttribute));
                log.postEntitiesChangedNotificationFromThread();
            }
            log.addLogEntryFromThread(QMLogEntry::imageUploadLogEntryWithImageTitle(QStringLiteral("sub")),
                                      QLatin1String(kQMLogEntryTypeAddItem));
            ++finished;
        });
    }
    // The main thread keeps reading while the workers add and change entries.
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            for (const auto& entry : log.logEntries())
                (void)entry->state();
            return finished.load() == kWorkers;
        },
        60000));
    for (auto& worker : workers)
        worker.join();
    EXPECT_EQ(log.logEntries().size(), 1 + kWorkers * kEntriesEach);
    EXPECT_EQ(log.lastLogEntryOfType(QLatin1String(kQMLogEntryTypeAddItem))->subentries().size(), kWorkers);
    EXPECT_EQ(m_notifications.load(), kWorkers * (2 * kEntriesEach + 1));
    EXPECT_FALSE(m_offMain.load());
}

TEST_F(ActivityLogTest, SharedLogDroppedWhileAWorkerHandsAnEntryOverLivesUntilTheEntryIsIn)
{
    QMLogManager::resetSharedInstance();
    std::weak_ptr<QMLogManager> dropped;
    std::atomic<bool> haveLog{false};
    std::atomic<bool> done{false};
    const auto entry = QMLogEntry::imageUploadLogEntryWithImageTitle(QStringLiteral("picture"));
    std::thread worker([&] {
        const auto log = QMLogManager::sharedInstance();
        dropped = log;
        haveLog = true;
        // Waits for the main thread, which drops the shared log first.
        log->addEntryFromThread(entry);
        log->postEntitiesChangedNotificationFromThread();
        log->addLogEntryFromThread(QMLogEntry::imageUploadLogEntryWithImageTitle(QStringLiteral("sub")),
                                   QStringLiteral("imageUpload"));
        done = true;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return haveLog.load(); }, 10000));
    QMLogManager::resetSharedInstance();
    ASSERT_TRUE(QTest::qWaitFor([&] { return done.load(); }, 10000));
    worker.join();
    EXPECT_TRUE(dropped.expired()) << "the worker's hand-over kept the log no longer than it needed";
    EXPECT_FALSE(QMLogManager::sharedInstance()->logEntries().contains(entry));
    EXPECT_EQ(entry->subentries().size(), 1);
}

TEST(LogEntry, ConstructorsSetTypeStateAndAttributes)
{
    struct Row
    {
        const char* name;
        QMLogEntryPtr entry;
        const char* type;
        const char* state;
        QVariantMap attributes;
    };
    const Row rows[] = {
        {"application started", QMLogEntry::applicationStartedLogEntry(), "applicationStarted", "success", {}},
        {"member message",
         QMLogEntry::addMemberMessageLogEntryWithMemberAccountName(QStringLiteral("buyer")),
         "AddMemberMessage",
         "pending",
         {{QStringLiteral("accountName"), QStringLiteral("buyer")}}},
        {"complete sale without account",
         QMLogEntry::completeSaleLogEntryWithAccountName(QString(), "42"),
         "completeSale",
         "pending",
         {{QStringLiteral("itemID"), QStringLiteral("42")}}},
        {"category data of site 77",
         QMLogEntry::getCategoryDataLogEntryForSiteID(77),
         "getCategoryData",
         "pending",
         {{QStringLiteral("siteID"), 77}}},
        {"upload without title",
         QMLogEntry::imageUploadLogEntryWithImageTitle(QString()),
         "imageUpload",
         "pending",
         {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.entry->type(), QLatin1String(row.type));
        EXPECT_EQ(row.entry->state(), QLatin1String(row.state));
        EXPECT_EQ(row.entry->attributes(), row.attributes);
        EXPECT_EQ(row.entry->uniqueID().size(), 36);
    }
}
