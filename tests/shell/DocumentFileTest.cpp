#include "Operations/QMEbayImageTransformer.h"
#include "model/QMApplicationDefaults.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayImageTransformerHooks.h"
#include "model/QMEbayItem.h"
#include "model/QMEbayItemContainer.h"
#include "model/QMPreferencesManager.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/UserDefaults.h"
#include "platform/text/StyledText.h"
#include "shell/QMBDocument.h"
#include "shell/QMBDocumentController.h"
#include "shell/QMBFileChooser.h"
#include "shell/QMBSettingsPaneController.h"
#include "tests/support/ScriptedAlertPresenter.h"
#include "tests/support/TemporaryXdg.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QListWidget>
#include <QPointer>
#include <QSemaphore>
#include <QSignalSpy>
#include <QThread>
#include <atomic>
#include <gtest/gtest.h>

namespace {

QByteArray contentsOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class DocumentFile : public ::testing::Test
{
protected:
    DocumentFile()
    {
        EXPECT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
        QMBFileChooser::setSaveChooser(
            [this](QWidget*, const QString&, const QString&, const QString&) { return m_savePath; });
    }
    ~DocumentFile() override
    {
        QMBFileChooser::setSaveChooser({});
        for (auto* document : documents().documents())
            delete document;
    }

    static QMBDocumentController& documents() { return QMBDocumentController::sharedDocumentController(); }

    QString picture(const char* name, const char* format, QColor color)
    {
        const QString path = m_xdg.path(QString::fromLatin1(name));
        QImage image(24, 16, QImage::Format_RGB32);
        image.fill(color);
        EXPECT_TRUE(image.save(path, format));
        return path;
    }

    QString write(const char* name, const QByteArray& bytes)
    {
        const QString path = m_xdg.path(QString::fromLatin1(name));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return path;
    }

    // A document of `count` small pictures, each of its own colour.
    QString documentWithPictures(const char* name, int count)
    {
        auto item = std::make_shared<QMEbayItem>();
        QList<std::shared_ptr<QMEbayImage>> pictures;
        for (int i = 0; i < count; ++i) {
            const QString file = QStringLiteral("picture%1.jpg").arg(i);
            pictures << std::make_shared<QMEbayImage>(
                picture(qPrintable(file), "JPEG", QColor::fromHsv(i * 359 / count, 200, 200)), QString());
        }
        item->setImages(pictures);
        return write(name, QMEbayItemContainer::documentDataWithItem(item));
    }

    static void waitForThumbnails(QMBDocument* document)
    {
        // The pictures' files, then their thumbnails, each arrive as a posted event; pictures whose
        // thumbnails another document made need none.
        while (document->settingsPaneController()->makingThumbnails())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }

    dw::test::TemporaryXdg m_xdg;
    dw::test::ScriptedAlertPresenter m_alerts;
    QString m_savePath;
};

// Picture hooks whose thumbnails wait until the test lets them be made, off the main thread.
class GatedThumbnails final : public QMEbayImageTransformerHooks
{
public:
    QString generateAndBackupThumbnailFromFullSizeImageAtPath(const QString& imagePath) override
    {
        if (QThread::currentThread() == QCoreApplication::instance()->thread()) {
            ++onMainThread;
        } else {
            gate.acquire();
            ++made;
        }
        return QMEbayImageTransformerHooks::generateAndBackupThumbnailFromFullSizeImageAtPath(imagePath);
    }

    QSemaphore gate;
    std::atomic<int> made{0};
    std::atomic<int> onMainThread{0};
};

class InstalledHooks
{
public:
    explicit InstalledHooks(std::shared_ptr<QMEbayImageTransformerHooks> hooks)
    {
        QMEbayImageTransformerHooks::install(std::move(hooks));
    }
    ~InstalledHooks() { QMEbayImageTransformerHooks::install(nullptr); }
    InstalledHooks(const InstalledHooks&) = delete;
    InstalledHooks& operator=(const InstalledHooks&) = delete;
};

QStringList filesIn(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace

// Decoding two dozen camera pictures took most of an opening: the window shows first, and the
// thumbnails of its pictures list are made after it on other threads, each shown as it comes.
TEST_F(DocumentFile, TheWindowShowsBeforeThePicturesThumbnailsAreMade)
{
    const auto hooks = std::make_shared<GatedThumbnails>();
    const InstalledHooks installed(hooks);
    const QString path = documentWithPictures("pictures.qvlisting", 24);

    QString error;
    auto* document = documents().openDocumentWithContentsOfFile(path, true, &error);
    ASSERT_TRUE(document) << error.toStdString();
    EXPECT_TRUE(document->isVisible());
    EXPECT_EQ(hooks->made, 0);
    EXPECT_TRUE(document->settingsPaneController()->makingThumbnails());
    const auto* list = document->findChild<QListWidget*>(QStringLiteral("picturesListView"));
    ASSERT_TRUE(list);
    EXPECT_EQ(list->count(), 24);

    hooks->gate.release(24);
    waitForThumbnails(document);
    EXPECT_EQ(hooks->made, 24);
    EXPECT_EQ(hooks->onMainThread, 0) << "no thumbnail is made on the main thread";
    for (int row = 0; row < list->count(); ++row)
        EXPECT_FALSE(list->item(row)->icon().isNull()) << row;
    EXPECT_FALSE(document->item()->images().at(5)->thumbImage().isNull());
}

// Every opening once copied every picture into the backup folder again, which grew without
// bound. A picture's bytes are kept there once, shared by the documents that show them, and go
// when no open document does; copies left by earlier openings go too.
TEST_F(DocumentFile, OpeningAgainAddsNoPictureCopyAndCopiesNothingShowsGo)
{
    QCoreApplication::processEvents(); // what earlier tests' documents left to do when they went
    const InstalledHooks installed(QMEbayImageTransformer::sharedInstance());
    const QString folder = QMEbayImageTransformer::sharedInstance()->imageBackupDirectoryPath();
    ASSERT_FALSE(folder.isNull());
    const QString leftOver = QDir(folder).filePath(QStringLiteral("0F2C55B1-0000-4000-8000-000000000001.jpg"));
    write("left-over.jpg", QByteArray("\xFF\xD8\xFF\xE0 an opening long ago"));
    ASSERT_TRUE(QFile::copy(m_xdg.path(QStringLiteral("left-over.jpg")), leftOver));
    {
        QFile old(leftOver);
        ASSERT_TRUE(old.open(QIODevice::ReadWrite));
        ASSERT_TRUE(old.setFileTime(QDateTime::currentDateTimeUtc().addDays(-30), QFileDevice::FileModificationTime));
    }
    const QString path = documentWithPictures("three.qvlisting", 3);

    QString error;
    auto* document = documents().openDocumentWithContentsOfFile(path, false, &error);
    ASSERT_TRUE(document) << error.toStdString();
    waitForThumbnails(document);
    const QStringList opened = filesIn(folder);
    EXPECT_EQ(opened.size(), 1 + 3 * 2) << "the left-over, three pictures and their thumbnails: "
                                        << opened.join(u' ').toStdString();
    const QString first = document->item()->images().first()->imageFilePath();
    EXPECT_TRUE(first.startsWith(folder));
    EXPECT_TRUE(QFileInfo::exists(document->item()->images().first()->thumbFilePath()));

    // Revert reads the file again; a copy of the file opens as a document of its own.
    documents().revertDocumentToSaved(document);
    EXPECT_EQ(filesIn(folder), opened);
    EXPECT_EQ(document->item()->images().first()->imageFilePath(), first);
    ASSERT_TRUE(QFile::copy(path, m_xdg.path(QStringLiteral("copy.qvlisting"))));
    auto* copy =
        documents().openDocumentWithContentsOfFile(m_xdg.path(QStringLiteral("copy.qvlisting")), false, &error);
    ASSERT_TRUE(copy) << error.toStdString();
    waitForThumbnails(copy);
    EXPECT_EQ(filesIn(folder), opened);

    // Turning the picture in one of them leaves the other's as it was.
    const QByteArray shown = contentsOf(first);
    copy->settingsPaneController()->setSelectedImages({copy->item()->images().first()});
    copy->rotateImages(0);
    EXPECT_EQ(contentsOf(first), shown);
    EXPECT_NE(copy->item()->images().first()->imageFilePath(), first);

    // Closing one document keeps what the other shows; closing both leaves nothing of them.
    const QString second = document->item()->images().at(1)->imageFilePath();
    delete document;
    QCoreApplication::processEvents();
    EXPECT_TRUE(QFileInfo::exists(second)) << "the other document shows it";
    EXPECT_FALSE(QFileInfo::exists(first)) << "the other document shows its turned picture";
    EXPECT_FALSE(QFileInfo::exists(leftOver)) << "nothing refers to a copy of an opening long ago";
    delete copy;
    QCoreApplication::processEvents();
    EXPECT_EQ(filesIn(folder), QStringList());
}

TEST_F(DocumentFile, PicturesAndTheAddressSurviveSaveAndReopen)
{
    const QString first = picture("lamp.png", "PNG", Qt::red);
    const QString second = picture("shade.jpg", "JPEG", Qt::blue);
    auto* document = documents().openUntitledDocumentAndDisplay(false);
    ASSERT_TRUE(document);
    EXPECT_FALSE(document->isDocumentEdited()) << "an untouched new listing holds nothing to save";
    const auto& item = document->item();
    item->setTitle(QStringLiteral("Oak lamp"));
    EXPECT_TRUE(document->isDocumentEdited());
    item->setImages({std::make_shared<QMEbayImage>(first, QString()),
                     QMEbayImage::imageWithURL(QStringLiteral("https://i.example/lamp-on.jpg")),
                     std::make_shared<QMEbayImage>(second, QString())});

    m_savePath = m_xdg.path(QStringLiteral("lamp"));
    ASSERT_TRUE(documents().saveDocument(document)) << "an untitled document asks where to go";
    EXPECT_FALSE(document->isDocumentEdited());
    EXPECT_TRUE(document->fileName().endsWith(QStringLiteral("/lamp.qvlisting")));
    EXPECT_EQ(documents().recentDocumentFileNames().value(0), document->fileName());
    const QString path = document->fileName();
    const QString firstUniqueID = item->uniqueID();
    delete document;

    QString error;
    auto* reopened = documents().openDocumentWithContentsOfFile(path, false, &error);
    ASSERT_TRUE(reopened) << error.toStdString();
    EXPECT_TRUE(m_alerts.alerts().isEmpty());
    EXPECT_FALSE(reopened->isDocumentEdited());
    const auto& opened = *reopened->item();
    EXPECT_EQ(opened.title(), QStringLiteral("Oak lamp"));
    EXPECT_NE(opened.uniqueID(), firstUniqueID) << "every opened listing gets an ID of its own";
    ASSERT_EQ(opened.images().size(), 3);
    EXPECT_NE(opened.images().at(0)->imageFilePath(), first);
    EXPECT_EQ(contentsOf(opened.images().at(0)->imageFilePath()), contentsOf(first));
    EXPECT_EQ(contentsOf(opened.images().at(2)->imageFilePath()), contentsOf(second));
    EXPECT_TRUE(opened.images().at(1)->isURLBased());
    EXPECT_EQ(opened.images().at(1)->imageURL(), QStringLiteral("https://i.example/lamp-on.jpg"));
    EXPECT_TRUE(opened.images().at(1)->imageFilePath().isEmpty());

    EXPECT_EQ(documents().openDocumentWithContentsOfFile(path, false), reopened)
        << "a file already open is brought forward, not opened twice";
}

// A description is data: the file's script goes as the document opens, the seller's text and
// formatting stay, and a document whose description is clean opens as it was saved.
TEST_F(DocumentFile, AnOpenedDescriptionLosesWhatRunsAndIsNotEdited)
{
    const struct Row
    {
        const char* name;
        QString stored;
        QString opened;
        bool converted; // a styled description that becomes markup only when it is shown
    } rows[] = {
        {"markup with script", QStringLiteral("<b>Oak</b> lamp<img src=x onerror=steal()><script>steal()</script>"),
         QStringLiteral("<b>Oak</b> lamp<img src=\"x\">"), false},
        {"clean markup", QStringLiteral("<b>Oak</b> lamp &amp; shade"), QStringLiteral("<b>Oak</b> lamp &amp; shade"),
         false},
        {"styled text", QStringLiteral("3 < 4 <i>as typed</i>"), QStringLiteral("3 < 4 <i>as typed</i>"), true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto* document = documents().openUntitledDocumentAndDisplay(false);
        ASSERT_TRUE(document);
        document->item()->setItemDescriptionString(dw::StyledText(row.stored));
        document->item()->setConvertDescriptionToHTML(row.converted);
        const QString path = m_xdg.path(QStringLiteral("%1.qvlisting").arg(QLatin1String(row.name)));
        ASSERT_TRUE(document->writeToFile(path));
        delete document;

        auto* reopened = documents().openDocumentWithContentsOfFile(path, false);
        ASSERT_TRUE(reopened);
        EXPECT_EQ(reopened->item()->itemDescriptionString().text(), row.opened);
        EXPECT_FALSE(reopened->isDocumentEdited());
        delete reopened;
    }
}

TEST_F(DocumentFile, FilesThatAreNoListingDocumentAreRefused)
{
    auto item = std::make_shared<QMEbayItem>();
    const QByteArray good = QMEbayItemContainer::documentDataWithItem(item);
    const struct
    {
        const char* name;
        QByteArray bytes;
    } files[] = {
        {"truncated.qvlisting", good.left(good.size() / 2)},
        {"dictionary.qvlisting",
         dw::KeyedArchiver::archivedDataWithRootObject(QVariantMap{{QStringLiteral("item"), QStringLiteral("x")}})},
        {"empty-array.qvlisting", dw::KeyedArchiver::archivedDataWithRootObject(QVariantList{})},
        {"empty.qvlisting", QByteArray()},
    };
    for (const auto& row : files) {
        SCOPED_TRACE(row.name);
        QString error;
        EXPECT_EQ(documents().openDocumentWithContentsOfFile(write(row.name, row.bytes), false, &error), nullptr);
        EXPECT_FALSE(error.isEmpty()) << "the refusal says why";
        EXPECT_TRUE(documents().documents().isEmpty());
    }
    QString error;
    EXPECT_EQ(
        documents().openDocumentWithContentsOfFile(m_xdg.path(QStringLiteral("missing.qvlisting")), false, &error),
        nullptr);
    EXPECT_FALSE(error.isEmpty());
}

TEST_F(DocumentFile, AFailedWriteKeepsTheDocumentEditedAndTheOldFile)
{
    auto* document = documents().openUntitledDocumentAndDisplay(false);
    m_savePath = m_xdg.path(QStringLiteral("kept.qvlisting"));
    ASSERT_TRUE(documents().saveDocument(document));
    const QByteArray saved = contentsOf(m_savePath);

    document->item()->setTitle(QStringLiteral("Changed"));
    EXPECT_TRUE(document->isDocumentEdited());
    {
        dw::ScopedWriteFailure diskFull;
        EXPECT_FALSE(documents().saveDocument(document));
    }
    EXPECT_TRUE(document->isDocumentEdited());
    EXPECT_TRUE(document->isWindowModified());
    EXPECT_EQ(contentsOf(m_savePath), saved);
    ASSERT_EQ(m_alerts.titles().size(), 1);
    EXPECT_EQ(m_alerts.titles().first(), QStringLiteral("The document “kept.qvlisting” could not be saved."));
    EXPECT_FALSE(m_alerts.alerts().first().informativeText.isEmpty()) << "and says why";
}

TEST_F(DocumentFile, OpeningRemovesTheTemporaryFileOfAKilledSave)
{
    auto item = std::make_shared<QMEbayItem>();
    item->setTitle(QStringLiteral("Lamp"));
    const QString path = write("lamp.qvlisting", QMEbayItemContainer::documentDataWithItem(item));
    const QString leftover = write(".lamp.qvlisting.Ab3dE9.saving", QByteArray(4096, 'x'));
    const QString others = write(".shade.qvlisting.Ab3dE9.saving", QByteArray(4096, 'x'));

    QString error;
    auto* document = documents().openDocumentWithContentsOfFile(path, false, &error);
    ASSERT_TRUE(document) << error.toStdString();
    EXPECT_FALSE(QFileInfo::exists(leftover));
    EXPECT_TRUE(QFileInfo::exists(others)) << "another document's save may still run";
}

TEST_F(DocumentFile, AFileOfSeveralListingsAsksAndOpensTheFirst)
{
    auto first = std::make_shared<QMEbayItem>();
    first->setTitle(QStringLiteral("First"));
    auto second = std::make_shared<QMEbayItem>();
    second->setTitle(QStringLiteral("Second"));
    QMEbayItemContainer::registerArchiveClass();
    const QByteArray bytes = dw::KeyedArchiver::archivedDataWithRootObject(
        QVariantList{dw::archiveValue(QMEbayItemContainer::containerWithEbayItem(first, QStringLiteral("2"))),
                     dw::archiveValue(QMEbayItemContainer::containerWithEbayItem(second, QStringLiteral("2")))});
    const QString path = write("two.qvlisting", bytes);

    m_alerts.answer(1); // Cancel
    QString error;
    EXPECT_EQ(documents().openDocumentWithContentsOfFile(path, false, &error), nullptr);
    EXPECT_TRUE(error.isEmpty()) << "a cancelled open is no error";
    EXPECT_EQ(m_alerts.titles(), QStringList{QStringLiteral("Multiple auctions warning")});

    m_alerts.clear();
    auto* document = documents().openDocumentWithContentsOfFile(path, false, &error);
    ASSERT_TRUE(document) << error.toStdString();
    EXPECT_EQ(document->item()->title(), QStringLiteral("First"));
    EXPECT_EQ(document->fileName(), QFileInfo(path).canonicalFilePath());

    // Saved again, the file holds the first listing alone.
    ASSERT_TRUE(documents().saveDocument(document));
    const auto containers = QMEbayItemContainer::containersFromDocumentData(contentsOf(path));
    ASSERT_TRUE(containers);
    EXPECT_EQ(containers->size(), 1);
}

TEST_F(DocumentFile, AListingOfAnotherSiteConvertsOrIsRefused)
{
    auto item = std::make_shared<QMEbayItem>();
    item->setSiteID(77);
    item->setLocation(QStringLiteral("Berlin"));
    const QString path = write("german.qvlisting", QMEbayItemContainer::documentDataWithItem(item));
    QMPreferencesManager::sharedInstance().setDefaultLocation(QStringLiteral("Austin"));

    m_alerts.answer(1); // Cancel
    EXPECT_EQ(documents().openDocumentWithContentsOfFile(path, false), nullptr);
    EXPECT_EQ(m_alerts.titles(), QStringList{QStringLiteral("Differing eBay Site")});

    auto* document = documents().openDocumentWithContentsOfFile(path, false); // Convert
    ASSERT_TRUE(document);
    EXPECT_EQ(document->item()->siteID(), 0);
    EXPECT_EQ(document->item()->location(), QStringLiteral("Austin"));
    EXPECT_TRUE(document->isDocumentEdited()) << "the converted listing is not the file any more";
}

// The copies of a document's pictures are written after its window shows; whatever needs a
// picture's file before then waits for it, so a save made at once still holds every picture.
TEST_F(DocumentFile, ASaveBeforeThePicturesFilesAreWrittenKeepsEveryPicture)
{
    const QString path = documentWithPictures("early.qvlisting", 3);
    const QList<QByteArray> pictures =
        QMEbayItemContainer::containersFromDocumentData(contentsOf(path))->first()->importedImageFileDatas();
    ASSERT_EQ(pictures.size(), 3);

    QString error;
    auto* document = documents().openDocumentWithContentsOfFile(path, false, &error);
    ASSERT_TRUE(document) << error.toStdString();
    EXPECT_TRUE(document->item()->images().first()->isWaitingForFile());
    const QString copy = m_xdg.path(QStringLiteral("early-copy.qvlisting"));
    ASSERT_TRUE(document->writeToFile(copy, &error)) << error.toStdString();
    EXPECT_EQ(QMEbayItemContainer::containersFromDocumentData(contentsOf(copy))->first()->importedImageFileDatas(),
              pictures);
    waitForThumbnails(document);
    EXPECT_TRUE(m_alerts.alerts().isEmpty());
}

// A document cut short by another program before its pictures were copied out of it no longer
// holds them: it closes unchanged and says so, rather than stay open to be saved without them.
TEST_F(DocumentFile, ADocumentCutShortBeforeItsPicturesAreCopiedClosesAndSaysSo)
{
    // Pictures as large as photographs stay in the file until they are copied.
    QByteArray photograph("\xFF\xD8\xFF\xE0");
    while (photograph.size() < (300 << 10))
        photograph += QCryptographicHash::hash(photograph.right(64), QCryptographicHash::Sha256);
    auto item = std::make_shared<QMEbayItem>();
    item->setImages({std::make_shared<QMEbayImage>(write("photograph.jpg", photograph), QString())});
    const QString path = write("changing.qvlisting", QMEbayItemContainer::documentDataWithItem(item));
    const QByteArray before = contentsOf(path);
    QString error;
    auto* document = documents().openDocumentWithContentsOfFile(path, false, &error);
    ASSERT_TRUE(document) << error.toStdString();
    ASSERT_TRUE(QFile::resize(path, before.size() / 2));

    const QPointer<QMBDocument> opened(document);
    while (opened && documents().documents().contains(document))
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    EXPECT_FALSE(documents().documents().contains(document));
    while (m_alerts.alerts().isEmpty())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    EXPECT_EQ(m_alerts.titles().join(u'|').toStdString(), "The document “changing.qvlisting” could not be opened.");
    EXPECT_EQ(contentsOf(path).size(), before.size() / 2) << "nothing was saved over it";
}
