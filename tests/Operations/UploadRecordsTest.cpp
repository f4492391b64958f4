#include "Operations/QMImageUploadInformationManager.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/core/Clock.h"
#include "platform/core/Paths.h"
#include "tests/support/TemporaryXdg.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace {

class UploadRecordsTest : public ::testing::Test
{
protected:
    UploadRecordsTest()
    {
        QMImageUploadInformationManager::resetSharedInstance();
        QFile picture(m_xdg.path(QStringLiteral("lamp.jpg")));
        EXPECT_TRUE(picture.open(QIODevice::WriteOnly));
        picture.write("pretend picture bytes");
    }
    ~UploadRecordsTest() override { QMImageUploadInformationManager::resetSharedInstance(); }

    QMImageUploadInformationPtr record(const char* method, const char* size = "Normal_1000")
    {
        const QString path = m_xdg.path(QStringLiteral("lamp.jpg"));
        auto made = QMImageUploadInformation::imageUploadInformationWithImageInfo(
            {{QStringLiteral("imageFilePath"), path}, {QStringLiteral("standardizedImageFilePath"), path}});
        made->setUploadMethod(QLatin1String(method));
        made->setImageSize(QLatin1String(size));
        made->setServerName(QStringLiteral("pictures.example"));
        made->setRemoteDirectoryPath(QStringLiteral("kQMEPSRemoteDirectoryPath"));
        made->setImageURL(QStringLiteral("https://pictures.example/lamp.jpg"));
        return made;
    }

    QMImageUploadInformationManager& cache() { return QMImageUploadInformationManager::sharedInstance(); }

    dw::test::TemporaryXdg m_xdg;
    dw::ManualClock m_clock;
    dw::ScopedClock m_useClock{m_clock};
};

} // namespace

TEST_F(UploadRecordsTest, RecordsAreReusedFor59DaysAndDroppedAt60)
{
    struct Row
    {
        const char* method;
        qint64 days;
        bool reused;
    };
    const std::vector<Row> rows{
        {kQMUploadMethodEPS, 59, true},
        {kQMUploadMethodEPS, 60, false},
        {kQMUploadMethodFreeDunmerrowImageServer, 59, true},
        {kQMUploadMethodFreeDunmerrowImageServer, 60, false},
        {kQMUploadMethodOwnFTPServer, 400, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.method << " after " << row.days << " days");
        const QDateTime start = m_clock.now();
        auto stored = record(row.method);
        cache().addAndSaveImageUploadInformation(stored);
        cache().waitUntilRecordsAreSaved();
        const QString file = QMImageUploadInformationManager::recordsFolder() + u'/' + stored->uniqueID() + ".data";
        ASSERT_TRUE(QFileInfo::exists(file));

        m_clock.advance(double(row.days) * 86400 + 3600);
        EXPECT_EQ(cache().uploadedImageInformationForNewImageInformation(*record(row.method)) == stored, row.reused);
        cache().waitUntilRecordsAreSaved();
        EXPECT_EQ(QFileInfo::exists(file), row.reused);
        EXPECT_EQ(cache().allUploadedImageInformations().contains(stored), row.reused);
        cache().removeUploadInformation(stored);
        m_clock.set(start);
    }
}

TEST_F(UploadRecordsTest, AnotherSizeOrAnotherPictureIsUploadedAgain)
{
    cache().addAndSaveImageUploadInformation(record(kQMUploadMethodEPS, "Normal_1000"));
    EXPECT_EQ(cache().uploadedImageInformationForNewImageInformation(*record(kQMUploadMethodEPS, "SuperSize_1000")),
              nullptr);
    ASSERT_NE(cache().uploadedImageInformationForNewImageInformation(*record(kQMUploadMethodEPS)), nullptr);

    QFile picture(m_xdg.path(QStringLiteral("lamp.jpg")));
    ASSERT_TRUE(picture.open(QIODevice::Append));
    picture.write("edited");
    picture.close();
    EXPECT_EQ(cache().uploadedImageInformationForNewImageInformation(*record(kQMUploadMethodEPS)), nullptr);
}

TEST_F(UploadRecordsTest, RecordsSurviveARestartAndTheOldSingleFileIsMigratedOnce)
{
    auto eps = record(kQMUploadMethodEPS);
    auto dotMac = record(kQMUploadMethodDotMac);
    ASSERT_TRUE(QDir().mkpath(dw::paths::fixedDataFolder()));
    ASSERT_TRUE(dw::KeyedArchiver::archiveRootObject(QVariantList{dw::archiveValue(eps), dw::archiveValue(dotMac)},
                                                     QMImageUploadInformationManager::oldRecordsFilePath()));

    const auto migrated = cache().allUploadedImageInformations();
    ASSERT_EQ(migrated.size(), 1);
    EXPECT_NE(migrated.first()->uniqueID(), eps->uniqueID());
    EXPECT_EQ(migrated.first()->imageURL(), eps->imageURL());
    EXPECT_EQ(migrated.first()->firstUpload(), eps->firstUpload());
    EXPECT_FALSE(QFileInfo::exists(QMImageUploadInformationManager::oldRecordsFilePath()));
    EXPECT_TRUE(QFileInfo::exists(QMImageUploadInformationManager::oldRecordsFilePath() + ".old"));

    QMImageUploadInformationManager::resetSharedInstance();
    const auto reloaded = cache().allUploadedImageInformations();
    ASSERT_EQ(reloaded.size(), 1);
    EXPECT_TRUE(reloaded.first()->isEqualToUploadInformation(*eps));
    EXPECT_EQ(reloaded.first()->uniqueID(), migrated.first()->uniqueID());
}

TEST_F(UploadRecordsTest, FilesAreWrittenOffTheCallersThreadAsTheLastRequestSays)
{
    // Uploads finishing at once on several threads: every record is in memory at once and on disk
    // once the writer is through.
    QList<QMImageUploadInformationPtr> records;
    for (int index = 0; index < 40; ++index)
        records << record(kQMUploadMethodEPS);
    std::vector<std::thread> uploads;
    for (int thread = 0; thread < 4; ++thread) {
        uploads.emplace_back([&, thread] {
            for (qsizetype index = thread; index < records.size(); index += 4)
                cache().addAndSaveImageUploadInformation(records.at(index));
        });
    }
    for (auto& upload : uploads)
        upload.join();
    EXPECT_EQ(cache().allUploadedImageInformations().size(), records.size());
    const auto saved = records.first();
    const auto removed = records.last();
    cache().removeUploadInformation(removed);
    cache().waitUntilRecordsAreSaved();
    const QDir folder(QMImageUploadInformationManager::recordsFolder());
    EXPECT_EQ(folder.entryList(QDir::Files).size(), records.size() - 1);
    EXPECT_FALSE(folder.exists(removed->uniqueID() + QStringLiteral(".data")));

    // A change saved just before the manager goes is on disk for the next one.
    saved->setImageURL(QStringLiteral("https://pictures.example/moved.jpg"));
    cache().saveFileForImageUploadInformation(saved);
    QMImageUploadInformationManager::resetSharedInstance();
    const auto reloaded =
        cache().uploadedImageInformationForImageURL(QStringLiteral("https://pictures.example/moved.jpg"));
    ASSERT_TRUE(reloaded);
    EXPECT_EQ(reloaded->uniqueID(), saved->uniqueID());
}

TEST_F(UploadRecordsTest, TheDisplayCountsDaysLeftOfEBaysSixty)
{
    struct Row
    {
        qint64 days;
        const char* left;
        bool expired;
    };
    for (const Row& row : {Row{59, "1 Day", false}, Row{60, "0 Days", false}, Row{61, "Expired", true}}) {
        SCOPED_TRACE(row.days);
        auto made = record(kQMUploadMethodEPS);
        made->setFirstUpload(m_clock.now().addSecs(-row.days * 86400 - 60));
        EXPECT_EQ(made->localizedExpirationInDays(), QLatin1String(row.left));
        EXPECT_EQ(made->expired(), row.expired);
    }
}
