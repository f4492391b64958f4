#include "model/QMApplicationDefaults.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayItem.h"
#include "platform/core/UserDefaults.h"
#include "shell/QMBAppController.h"
#include "shell/QMBDocument.h"
#include "shell/QMBDocumentController.h"
#include "shell/QMBMediaBrowserPanel.h"
#include "tests/support/ScriptedAlertPresenter.h"
#include "tests/support/TemporaryXdg.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <gtest/gtest.h>

namespace {

void savePicture(const QString& path, Qt::GlobalColor colour)
{
    QImage image(300, 200, QImage::Format_RGB32);
    image.fill(colour);
    ASSERT_TRUE(image.save(path));
}

class MediaBrowser : public ::testing::Test
{
protected:
    MediaBrowser()
    {
        for (const char* name : {"b.png", "a.jpg", "c.png"})
            savePicture(m_pictures.filePath(QString::fromLatin1(name)), Qt::darkCyan);
        QDir(m_pictures.path()).mkpath(QStringLiteral("Holiday/Beach"));
        savePicture(m_pictures.filePath(QStringLiteral("Holiday/Beach/sea.png")), Qt::blue);
        // Not a picture: never listed.
        QFile notes(m_pictures.filePath(QStringLiteral("notes.txt")));
        EXPECT_TRUE(notes.open(QIODevice::WriteOnly));
        m_panel.setRootFolder(m_pictures.path());
        m_panel.setAddImagesHandler([this](const QStringList& urls) { m_added << urls; });
    }

    QString path(const char* name) const { return m_pictures.filePath(QString::fromLatin1(name)); }
    QString url(const char* name) const { return QUrl::fromLocalFile(path(name)).toString(); }

    QTemporaryDir m_pictures;
    QMBMediaBrowserPanel m_panel;
    QList<QStringList> m_added;
};

} // namespace

TEST_F(MediaBrowser, ListsThePicturesOfAFolderWithThumbnailsAndAddsTheSelectionInItsOrder)
{
    EXPECT_EQ(m_panel.picturePaths(), (QStringList{path("a.jpg"), path("b.png"), path("c.png")}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_panel.thumbnailCount() == 3; }, 5000));

    m_panel.selectPaths({path("c.png")});
    m_panel.selectPaths({path("c.png"), path("a.jpg")});
    m_panel.addSelectedImageFromBrowser();
    ASSERT_EQ(m_added.size(), 1);
    EXPECT_EQ(m_added.at(0), (QStringList{url("c.png"), url("a.jpg")}));

    m_panel.showFolder(m_pictures.filePath(QStringLiteral("Holiday/Beach")));
    EXPECT_EQ(m_panel.picturePaths(), QStringList{path("Holiday/Beach/sea.png")});
    EXPECT_TRUE(m_panel.selectedPaths().isEmpty());
}

TEST_F(MediaBrowser, ContextMenuOffersOnlyAddingTitledForTheSelection)
{
    struct Case
    {
        QStringList selection;
        QStringList titles;
    };
    const Case cases[] = {
        {{}, {}},
        {{path("b.png")}, {QStringLiteral("Add Selected Image")}},
        {{path("a.jpg"), path("b.png")}, {QStringLiteral("Add Selected Images")}},
    };
    for (const Case& row : cases) {
        m_panel.selectPaths(row.selection);
        std::unique_ptr<QMenu> menu(m_panel.contextMenuForSelection(nullptr));
        QStringList titles;
        for (const QAction* action : menu->actions())
            titles << action->text();
        EXPECT_EQ(titles, row.titles) << row.selection.size();
    }
}

TEST_F(MediaBrowser, NothingIsHandedOnWithoutPicturesOrWithoutAReceiver)
{
    m_panel.addSelectedImageFromBrowser();
    EXPECT_TRUE(m_added.isEmpty());
    m_panel.setAddImagesHandler({});
    m_panel.selectPaths({path("a.jpg")});
    m_panel.addSelectedImageFromBrowser();
    EXPECT_TRUE(m_added.isEmpty());
}

TEST(MediaBrowserPicturesFolder, OpensOnTheDesktopsPicturesFolder)
{
    // The desktop names its own Pictures folder (a translated name here).
    dw::test::TemporaryXdg xdg;
    const QString pictures = xdg.path(QStringLiteral("home/Fotos"));
    ASSERT_TRUE(QDir().mkpath(pictures));
    ASSERT_TRUE(QDir().mkpath(xdg.path(QStringLiteral("config"))));
    QFile userDirs(xdg.path(QStringLiteral("config/user-dirs.dirs")));
    ASSERT_TRUE(userDirs.open(QIODevice::WriteOnly));
    userDirs.write("XDG_PICTURES_DIR=\"$HOME/Fotos\"\n");
    userDirs.close();
    for (const char* name : {"2.png", "10.png", "1.jpg"})
        savePicture(pictures + u'/' + QString::fromLatin1(name), Qt::darkGreen);

    QMBMediaBrowserPanel panel;
    QStringList added;
    panel.setAddImagesHandler([&](const QStringList& urls) { added << urls; });
    EXPECT_EQ(QDir(panel.rootFolder()).canonicalPath(), QDir(pictures).canonicalPath());
    const QStringList shown = panel.picturePaths();
    QStringList names;
    for (const QString& path : shown)
        names << QFileInfo(path).fileName();
    names.sort();
    ASSERT_EQ(names, (QStringList{QStringLiteral("1.jpg"), QStringLiteral("10.png"), QStringLiteral("2.png")}));
    EXPECT_TRUE(QTest::qWaitFor([&] { return panel.thumbnailCount() == 3; }, 5000));

    panel.selectPaths({shown.at(2), shown.at(0), shown.at(1)});
    panel.addSelectedImageFromBrowser();
    EXPECT_EQ(added,
              (QStringList{QUrl::fromLocalFile(shown.at(2)).toString(), QUrl::fromLocalFile(shown.at(0)).toString(),
                           QUrl::fromLocalFile(shown.at(1)).toString()}));
}

TEST(MediaBrowserOfTheApplication, AddsTheChosenPicturesToTheFrontDocumentOnly)
{
    dw::test::TemporaryXdg xdg;
    dw::test::ScriptedAlertPresenter alerts;
    ASSERT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
    const QString folder = xdg.path(QStringLiteral("shots"));
    ASSERT_TRUE(QDir().mkpath(folder));
    // Told apart by their widths once the document has copied them.
    const std::pair<const char*, int> pictures[] = {{"a.png", 30}, {"b.png", 40}, {"c.png", 50}};
    for (const auto& [name, width] : pictures) {
        QImage image(width, 20, QImage::Format_RGB32);
        image.fill(Qt::darkRed);
        ASSERT_TRUE(image.save(folder + u'/' + QString::fromLatin1(name)));
    }

    const auto application = QMBAppController::create();
    application->toggleMediaBrowser();
    QMBMediaBrowserPanel* browser = application->mediaBrowser();
    ASSERT_TRUE(browser);
    browser->setRootFolder(folder);
    const QStringList shown = browser->picturePaths();
    ASSERT_EQ(shown.size(), 3);

    // No document: nothing happens, and nothing is asked.
    browser->selectPaths({shown.at(0)});
    browser->addSelectedImageFromBrowser();
    EXPECT_TRUE(alerts.alerts().isEmpty());

    auto& documents = QMBDocumentController::sharedDocumentController();
    QMBDocument* document = documents.openUntitledDocumentAndDisplay(false);
    ASSERT_TRUE(document);
    browser->selectPaths({shown.at(2), shown.at(0)});
    browser->addSelectedImageFromBrowser();
    const auto images = document->item()->images();
    ASSERT_EQ(images.size(), 2);
    EXPECT_EQ(QImageReader(images.at(0)->standardizedImageFilePath()).size().width(), 50);
    EXPECT_EQ(QImageReader(images.at(1)->standardizedImageFilePath()).size().width(), 30);
    for (auto* open : documents.documents())
        delete open;
}
