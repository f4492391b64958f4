#include "model/QMApplicationDefaults.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayItem.h"
#include "platform/core/UserDefaults.h"
#include "shell/QMBDocument.h"
#include "shell/QMBDocumentController.h"
#include "shell/QMBSettingsPaneController.h"
#include "tests/support/ScriptedAlertPresenter.h"
#include "tests/support/TemporaryXdg.h"

#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QSignalSpy>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

class DocumentPictures : public ::testing::Test
{
protected:
    DocumentPictures()
    {
        EXPECT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
        m_document = QMBDocumentController::sharedDocumentController().openUntitledDocumentAndDisplay(false);
    }
    ~DocumentPictures() override { delete m_document; }

    QString picture(const char* name, QSize size, QColor color)
    {
        const QString path = m_xdg.path(QString::fromLatin1(name));
        QImage image(size, QImage::Format_RGB32);
        image.fill(color);
        EXPECT_TRUE(image.save(path));
        return path;
    }

    void waitForThumbnails()
    {
        // The pictures' files, then their thumbnails, each arrive as a posted event.
        while (m_document->settingsPaneController()->makingThumbnails())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }

    static QByteArray contentsOf(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    dw::test::TemporaryXdg m_xdg;
    dw::test::ScriptedAlertPresenter m_alerts;
    QMBDocument* m_document = nullptr;
};

} // namespace

TEST_F(DocumentPictures, RotatingLeavesWhatCannotBeDecodedUntouched)
{
    const QString wide = picture("wide.png", QSize(40, 20), Qt::red);
    // A picture's header over a body that decodes as nothing.
    const QString broken = m_xdg.path(QStringLiteral("broken.jpg"));
    const QByteArray brokenBytes = QByteArray("\xFF\xD8\xFF\xE0", 4) + QByteArray(200, 'Z');
    QFile file(broken);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(brokenBytes);
    file.close();
    const auto address = QMEbayImage::imageWithURL(QStringLiteral("https://i.example/lamp.jpg"));
    const auto& item = m_document->item();
    item->setImages(
        {std::make_shared<QMEbayImage>(broken, QString()), address, std::make_shared<QMEbayImage>(wide, QString())});
    m_document->settingsPaneController()->setSelectedImages(item->images());

    m_document->rotateImages(0);
    EXPECT_EQ(contentsOf(broken), brokenBytes);
    EXPECT_EQ(item->images().at(0)->imageFilePath(), broken);
    EXPECT_EQ(address->imageURL(), QStringLiteral("https://i.example/lamp.jpg"));
    QImageReader rotated(wide);
    EXPECT_EQ(rotated.format(), "jpeg") << "written back in place as JPEG";
    EXPECT_EQ(rotated.size(), QSize(20, 40));
    EXPECT_TRUE(m_alerts.alerts().isEmpty());
}

TEST_F(DocumentPictures, RotatingShowsTheTurnedPictureInItsThumbnail)
{
    // A thumbnail file of our own beside the picture, and one elsewhere that is not ours.
    const QString wide = picture("wide.png", QSize(40, 20), Qt::red);
    const QString beside = picture("wide_thumb.jpg", QSize(20, 10), Qt::red);
    const QString other = picture("other.png", QSize(60, 20), Qt::blue);
    const QString foreign = picture("foreign-thumbnail.png", QSize(30, 10), Qt::blue);
    const auto& item = m_document->item();
    const auto ours = std::make_shared<QMEbayImage>(wide, beside);
    const auto theirs = std::make_shared<QMEbayImage>(other, foreign);
    item->setImages({ours, theirs});
    ASSERT_EQ(ours->thumbImage().size(), QSize(20, 10));
    ASSERT_EQ(theirs->thumbImage().size(), QSize(30, 10));
    m_document->settingsPaneController()->setSelectedImages(item->images());

    m_document->rotateImages(0);
    waitForThumbnails();
    for (const auto& turned : {ours, theirs}) {
        SCOPED_TRACE(turned->imageFilePath().toStdString());
        const QImage thumbnail = turned->thumbImage();
        ASSERT_FALSE(thumbnail.isNull());
        EXPECT_GT(thumbnail.height(), thumbnail.width()) << "the thumbnail shows the turned picture";
    }
    const QImage rewritten(ours->thumbFilePath());
    EXPECT_TRUE(rewritten.isNull() || rewritten.height() > rewritten.width())
        << "a thumbnail file beside the picture is made again or gone, never stale";
    EXPECT_EQ(QImage(foreign).size(), QSize(30, 10)) << "a thumbnail that is not ours is left alone";
}

TEST_F(DocumentPictures, DroppingOnAPictureSwapsOrAsksToReplace)
{
    const QString first = picture("first.png", QSize(8, 8), Qt::red);
    const QString second = picture("second.png", QSize(8, 8), Qt::blue);
    const QString dropped = picture("dropped.png", QSize(8, 8), Qt::green);
    const auto& item = m_document->item();
    const auto a = std::make_shared<QMEbayImage>(first, QString());
    const auto b = std::make_shared<QMEbayImage>(second, QString());
    b->setIsGalleryImage(true);
    item->setImages({a, b});
    const auto url = [](const QString& path) { return QUrl::fromLocalFile(path).toString(); };

    // One of the listing's pictures dropped on another: the two change places, nothing is asked.
    m_document->addAndBackupImageImageURL(url(second), url(first));
    EXPECT_EQ(item->images(), (QList<std::shared_ptr<QMEbayImage>>{b, a}));
    EXPECT_TRUE(m_alerts.alerts().isEmpty());

    // A new file dropped on a picture: Cancel keeps everything, Replace takes the place and the
    // gallery mark.
    m_alerts.answer(2);
    m_document->addAndBackupImageImageURL(url(dropped), url(second));
    EXPECT_EQ(item->images().size(), 2);
    m_document->addAndBackupImageImageURL(url(dropped), url(second));
    ASSERT_EQ(item->images().size(), 2);
    EXPECT_EQ(m_alerts.titles(), (QStringList{QStringLiteral("Replace Image?"), QStringLiteral("Replace Image?")}));
    const auto replacement = item->images().at(0);
    EXPECT_EQ(item->images().at(1), a);
    EXPECT_TRUE(replacement->isGalleryImage());
    EXPECT_NE(replacement->imageFilePath(), dropped) << "the listing keeps a copy of its own";
    EXPECT_FALSE(QImage(replacement->imageFilePath()).isNull());

    // Anything that is no file is ignored.
    m_document->addAndBackupImageImageURL(QStringLiteral("https://example.com/x.jpg"));
    EXPECT_EQ(item->images().size(), 2);
}
