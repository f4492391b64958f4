// Every command of a document window's menus and toolbar, triggered as a seller would in the real
// program: each does what it says (opens its sheet, panel, chooser or question, or changes the
// window) and nothing crashes. The questions go to the scripted alert presenter; every dialog that
// opens is noted and dismissed.

#include "../DocumentTestFakes.h"

#include "DWCoreDataEbayDataClasses/SQCategoryCacheManager.h"
#include "DWCoreDataEbayDataClasses/SQCategoryDataManager.h"
#include "DWKit/QMLogManager.h"
#include "DWKit/gui/QMUndoManager.h"
#include "DWPayment/DWPGateway.h"
#include "Operations/QMOperationManager.h"
#include "description/QMDesignTemplateManager.h"
#include "description/widgets/QMPreviewWebView.h"
#include "model/QMApplicationDefaults.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayItem.h"
#include "model/QMItemShippingOptions.h"
#include "model/QMPreferencesManager.h"
#include "model/QMSiteDescriptionManager.h"
#include "platform/core/UserDefaults.h"
#include "platform/text/StyledText.h"
#include "platform/widgets/DesktopServices.h"
#include "shell/QMBAppController.h"
#include "shell/QMBDocument.h"
#include "shell/QMBDocumentController.h"
#include "shell/QMBFileChooser.h"
#include "tests/support/ScriptedAlertPresenter.h"
#include "tests/support/TemporaryXdg.h"
#include "tests/support/ebay/FakeTradingApi.h"

#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QSet>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QUndoCommand>
#include <gtest/gtest.h>

namespace {

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString describe(const QWidget* window)
{
    const QString title = window->windowTitle();
    return title.isEmpty() ? QString::fromLatin1(window->metaObject()->className()) : title;
}

// A command (a QAction's object name) and the start of what it is expected to open.
struct Command
{
    const char* action;
    const char* expected;
};

// The application as main() starts it, with the category stores of site 77 and a listing in
// category 345, against a fake Trading API; the desktop, the file choosers and the alerts are
// recorded in `m_seen`.
class DocumentMenus : public ::testing::Test
{
protected:
    void SetUp() override
    {
        QMLogManager::resetSharedInstance();
        ASSERT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
        auto& defaults = dw::UserDefaults::standard();
        defaults.setBool(true, QStringLiteral("HideDeleteImageWarning"));
        // The update feed and the store answer from loopback, never from the internet.
        defaults.setObject(QString(m_ebay.url() + QStringLiteral("/feed.xml")), QStringLiteral("updateURL"));
        defaults.setObject(m_ebay.url(), QString::fromLatin1(DWPStoreBaseURLKey));
        QMPreferencesManager::sharedInstance().setDefaultSiteID(77);
        QMPreferencesManager::sharedInstance().setDefaultLocation(QStringLiteral("Austin"));

        SQCategoryDataManager::sharedSQCategoryDataManager()->unloadAll();
        SQCategoryCacheManager::resetSharedCacheForTesting();
        const auto categories = QMCategoryDataManager::sharedQMCategoryDataManager();
        const QString stores = QStringLiteral(DW_SHELL_TEST_STORES);
        ASSERT_TRUE(
            categories->saveCategoryTreeFileData(readFile(stores + QStringLiteral("/Categories.site77.sqlite")), 77));
        ASSERT_TRUE(categories->saveCharacteristicSetsFileData(
            readFile(stores + QStringLiteral("/Attributes.site77.sqlite")), 77));

        QMCategoryDataManager::installAsModelSource(categories);
        QMAccountDataSource::install(m_accounts);
        m_ebay.useFixtureReplies();
        const auto manager = QMOperationManager::sharedQMOperationManager();
        manager->setDelegate(m_connectors);
        manager->setOpenListings([] { return QMBDocumentController::sharedDocumentController().openListings(); });

        auto& designs = QMDesignTemplateManager::sharedInstance();
        designs.setMinimumQMTemplateVersion(214);
        designs.registerDesignTemplates();

        m_previousOpener = dw::setDesktopURLOpener([this](const QUrl& url) {
            m_seen << QStringLiteral("desktop ") + url.toString();
            return true;
        });
        QMBFileChooser::setOpenChooser([this](QWidget*, const QString& title, const QString&, bool) {
            m_seen << QStringLiteral("chooser ") + title;
            return QStringList();
        });
        QMBFileChooser::setSaveChooser([this](QWidget*, const QString& title, const QString&, const QString&) {
            m_seen << QStringLiteral("chooser ") + title;
            return QString();
        });
        m_alerts.setWhileOpen(
            [this](const dw::AlertRequest& alert) { m_seen << QStringLiteral("alert ") + alert.messageText; });
    }

    void TearDown() override
    {
        m_closer.stop();
        QMBFileChooser::setOpenChooser({});
        QMBFileChooser::setSaveChooser({});
        dw::setDesktopURLOpener(m_previousOpener);
        QMOperationManager::sharedQMOperationManager()
            ->multiThreadedOperationQueue()
            .waitUntilAllOperationsAreFinished();
        QCoreApplication::processEvents();
        for (auto* document : QMBDocumentController::sharedDocumentController().documents())
            delete document;
        m_controller.reset();
        QMAccountDataSource::install(nullptr);
        QMCategoryDataManager::installAsModelSource(nullptr);
        QMCategoryDataManager::sharedQMCategoryDataManager()->unloadAll();
        SQCategoryDataManager::sharedSQCategoryDataManager()->unloadAll();
        SQCategoryCacheManager::resetSharedCacheForTesting();
        QMLogManager::resetSharedInstance();
    }

    // Opens the listing's window. With the application delegate the window has the application's
    // menus too, but the delegate's connectors reach only eBay itself: the commands that talk to
    // eBay are tried without it, against the fake.
    void openDocument(bool withApplication)
    {
        if (withApplication)
            m_controller = QMBAppController::create();
        m_document = QMBDocumentController::sharedDocumentController().openUntitledDocumentAndDisplay(true);
        ASSERT_TRUE(m_document);
        const auto item = m_document->item();
        item->setTitle(QStringLiteral("Folding camera with bellows and a leather case"));
        item->setCategory(345);
        item->setItemDescriptionString(dw::StyledText(QStringLiteral("Bellows are light-tight.")));
        shipWithTheSitesFirstService(*item, QStringLiteral("77"));
        QImage picture(320, 240, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        ASSERT_TRUE(picture.save(m_xdg.path(QStringLiteral("front.png"))));
        item->setImages({std::make_shared<QMEbayImage>(m_xdg.path(QStringLiteral("front.png")), QString())});
        m_document->resize(1280, 900);
        m_document->reloadAuctionPreview();
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->isVisible())
                m_windows.insert(window);
        }

        // Every dialog or window that opens on its own is noted and dismissed, as a seller who
        // looked at it and cancelled would.
        m_closer.setInterval(20);
        QObject::connect(&m_closer, &QTimer::timeout, [this] { dismissNewWindows(); });
        m_closer.start();
    }

    void dismissNewWindows()
    {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            m_seen << QStringLiteral("dialog ") + describe(modal);
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            else
                modal->close();
            return;
        }
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (!window->isVisible() || m_windows.contains(window) || window->windowType() == Qt::Popup ||
                window->windowType() == Qt::ToolTip)
                continue;
            m_seen << QStringLiteral("window ") + describe(window);
            window->close();
        }
    }

    QAction* action(const QString& name) const
    {
        if (auto* found = m_document->menuBar()->findChild<QAction*>(name))
            return found;
        return m_document->mainToolbar()->findChild<QAction*>(name);
    }

    // Triggers the command and waits until what it opened has been seen and dismissed.
    std::string trigger(const QString& name, const QString& expected)
    {
        QAction* command = action(name);
        if (!command)
            return "no command " + name.toStdString();
        m_seen.clear();
        command->trigger();
        const bool seen = QTest::qWaitFor(
            [&] { return m_seen.join(u'\n').contains(expected) && !QApplication::activeModalWidget(); }, 15000);
        return (seen ? expected : m_seen.join(u'\n')).toStdString();
    }

    void expectEachOpensWhatItNames(std::initializer_list<Command> commands)
    {
        for (const Command& command : commands) {
            SCOPED_TRACE(command.action);
            EXPECT_EQ(trigger(QLatin1String(command.action), QLatin1String(command.expected)), command.expected);
        }
    }

    dw::test::TemporaryXdg m_xdg;
    dw::test::ScriptedAlertPresenter m_alerts;
    dw::test::FakeTradingApi m_ebay;
    std::shared_ptr<dw::test::FakeConnectors> m_connectors = std::make_shared<dw::test::FakeConnectors>(m_ebay.url());
    std::shared_ptr<FakeAccounts> m_accounts = std::make_shared<FakeAccounts>();
    std::shared_ptr<QMBAppController> m_controller;
    dw::DesktopURLOpener m_previousOpener;
    QMBDocument* m_document = nullptr;
    QSet<QWidget*> m_windows;
    QTimer m_closer;
    QStringList m_seen;
};

} // namespace

TEST_F(DocumentMenus, EveryCommandOpensWhatItNames)
{
    openDocument(true);
    expectEachOpensWhatItNames({
        {"openDocumentAction", "chooser Open"},
        {"saveDocumentAsAction", "chooser Save As"},
        {"saveDocumentAction", "chooser Save As"}, // an untitled document asks where
        {"preferencesAction", "window Preferences"},
        {"webviewInsertLinkAction", "dialog Create Link"},
        {"choosePrimaryCategoryAction", "dialog Choose a Category"},
        {"chooseSecondaryCategoryAction", "dialog Choose a Category"},
        {"editItemAttributesAction", "dialog Item Specifics"},
        {"showPreFilledPanelAction", "dialog Product Search"},
        {"showShippingOptionsPanelAction", "dialog Shipping Options"},
        {"editReturnPoliciesAction", "dialog Return Policy"},
        {"addImageAction", "chooser Add Pictures"},
        {"showMediaBrowserAction", "window Media"},
        {"TBShowMediaBrowser", "window Media"},
        {"checkForUpdatesAction", "alert"},
        {"paymentPanelAction", "dialog"},
        {"installWidgetAction", "desktop http"},
        {"aboutAction", "window"},
    });
}

TEST_F(DocumentMenus, TheCommandsThatAskEbayShowTheirProgressAndAnswer)
{
    openDocument(false);
    m_ebay.setReply(QStringLiteral("VerifyAddItem"),
                    R"(<?xml version="1.0" encoding="UTF-8"?><VerifyAddItemResponse )"
                    R"(xmlns="urn:ebay:apis:eBLBaseComponents"><Ack>Success</Ack></VerifyAddItemResponse>)");
    expectEachOpensWhatItNames({
        {"getFeesFromEBayAction", "dialog Listing Fees"},
        {"TBGetListingFees", "dialog Listing Fees"},
        {"verifyAuctionAction", "alert Verification passed"},
        {"TBVerifyTemplate", "alert Verification passed"},
        {"startAuctionAction", "dialog Start"},
        {"TBStartAuction", "dialog Start"},
    });
}

TEST_F(DocumentMenus, TheWindowsOwnCommandsChangeItAndAreOfferedOnlyWhenTheyCanAct)
{
    openDocument(true);
    const auto item = m_document->item();
    const auto enabledWhenShown = [this](const char* menuName, const char* actionName) {
        auto* menu = m_document->menuBar()->findChild<QMenu*>(QLatin1String(menuName));
        Q_EMIT menu->aboutToShow();
        return action(QLatin1String(actionName))->isEnabled();
    };

    // The description's subtitle: one of the two, whichever changes the listing.
    item->setSubTitle(QString());
    item->setWasChangedToNo();
    EXPECT_TRUE(enabledWhenShown("descriptionMenu", "webviewAddSubtitleAction"));
    EXPECT_FALSE(enabledWhenShown("descriptionMenu", "webviewRemoveSubtitleAction"));
    action(QStringLiteral("webviewAddSubtitleAction"))->trigger();
    EXPECT_FALSE(item->subTitle().isEmpty());
    EXPECT_TRUE(m_document->isDocumentEdited()) << "a new subtitle is a change to save";
    EXPECT_FALSE(enabledWhenShown("descriptionMenu", "webviewAddSubtitleAction"));
    EXPECT_TRUE(enabledWhenShown("descriptionMenu", "webviewRemoveSubtitleAction"));
    item->setWasChangedToNo();
    action(QStringLiteral("webviewRemoveSubtitleAction"))->trigger();
    EXPECT_TRUE(item->subTitle().isEmpty());
    EXPECT_TRUE(m_document->isDocumentEdited()) << "a removed subtitle is a change to save";

    // A second category needs a first, as the settings pane's button does.
    EXPECT_TRUE(enabledWhenShown("listingMenu", "chooseSecondaryCategoryAction"));
    item->setCategory(0);
    EXPECT_FALSE(enabledWhenShown("listingMenu", "chooseSecondaryCategoryAction"));
    EXPECT_FALSE(enabledWhenShown("fileMenu", "revertDocumentAction")) << "an untitled document has no saved version";

    // The toolbar's view items hide and show their part of the window and say what they will do.
    for (const char* name : {"TBToggleOptions", "TBToggleDesigns"}) {
        SCOPED_TRACE(name);
        const auto visible = [&] {
            return QLatin1String(name) == QLatin1String("TBToggleOptions") ? m_document->optionsVisible()
                                                                           : m_document->designsVisible();
        };
        ASSERT_TRUE(visible());
        action(QLatin1String(name))->trigger();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !visible(); }, 5000));
        EXPECT_TRUE(action(QLatin1String(name))->text().startsWith(QStringLiteral("Show")));
        action(QLatin1String(name))->trigger();
        EXPECT_TRUE(QTest::qWaitFor([&] { return visible(); }, 5000));
        EXPECT_TRUE(action(QLatin1String(name))->text().startsWith(QStringLiteral("Hide")));
    }

    const int generation = m_document->auctionWebView()->loadGeneration();
    action(QStringLiteral("reloadAuctionPreviewAction"))->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_document->auctionWebView()->loadGeneration() > generation; }, 10000));

    // Undo and Redo show in the open menu whether there is anything to undo or redo, and their
    // keys work again once it closes.
    QMUndoManager* history = QMUndoManager::sharedQMUndoManager();
    history->clear();
    m_document->setFocus();
    EXPECT_FALSE(enabledWhenShown("editMenu", "undoAction"));
    EXPECT_FALSE(action(QStringLiteral("redoAction"))->isEnabled());
    Q_EMIT m_document->menuBar()->findChild<QMenu*>(QStringLiteral("editMenu"))->aboutToHide();
    EXPECT_TRUE(action(QStringLiteral("undoAction"))->isEnabled());
    history->push(new QUndoCommand(QStringLiteral("Typing")));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !history->isEventGroupOpen(); }, 2000));
    EXPECT_TRUE(enabledWhenShown("editMenu", "undoAction"));
    EXPECT_FALSE(action(QStringLiteral("redoAction"))->isEnabled());
    history->clear();

    EXPECT_FALSE(action(QStringLiteral("preferencesAction"))->shortcut().isEmpty()) << "every desktop has a key for it";

    // The editing commands with nothing to act on do nothing, and harm nothing.
    for (const char* name : {"undoAction", "redoAction", "cutAction", "copyAction", "pasteAction", "selectAllAction"})
        action(QLatin1String(name))->trigger();

    // New opens a second window; Close and Quit of an edited listing ask first, and Cancel keeps it.
    EXPECT_EQ(trigger(QStringLiteral("newDocumentAction"), QStringLiteral("window Untitled")), "window Untitled");
    item->setTitle(QStringLiteral("Folding camera, mint"));
    ASSERT_TRUE(m_document->isDocumentEdited());
    for (const char* name : {"closeDocumentAction", "quitAction"}) {
        SCOPED_TRACE(name);
        m_alerts.answer(1); // Cancel
        EXPECT_EQ(trigger(QLatin1String(name), QStringLiteral("alert")), "alert");
        EXPECT_TRUE(m_document->isVisible());
    }

    // A saved listing opens unchanged, with its saved version to go back to.
    m_closer.stop();
    const QString path = m_xdg.path(QStringLiteral("camera.qvlisting"));
    QMBFileChooser::setSaveChooser([&](QWidget*, const QString&, const QString&, const QString&) { return path; });
    action(QStringLiteral("saveDocumentAction"))->trigger();
    ASSERT_FALSE(m_document->isDocumentEdited());
    const QPointer<QMBDocument> saved = m_document;
    action(QStringLiteral("closeDocumentAction"))->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !saved; }, 5000));
    m_document = QMBDocumentController::sharedDocumentController().openDocumentWithContentsOfFile(path, true);
    ASSERT_TRUE(m_document);
    const int opened = m_document->auctionWebView()->loadGeneration();
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_document->auctionWebView()->loadGeneration() > opened; }, 10000));
    EXPECT_FALSE(m_document->isDocumentEdited()) << "showing the listing changes nothing";
    EXPECT_TRUE(enabledWhenShown("fileMenu", "revertDocumentAction"));

    // Open Recent lists the saved listing; choosing it shows the open window, Clear Menu forgets it.
    auto* recent = m_document->menuBar()->findChild<QMenu*>(QStringLiteral("openRecentMenu"));
    Q_EMIT recent->aboutToShow();
    ASSERT_EQ(recent->actions().size(), 3); // the listing, a separator, Clear Menu
    EXPECT_EQ(recent->actions().first()->text(), QStringLiteral("camera.qvlisting"));
    const int open = QMBDocumentController::sharedDocumentController().documents().size();
    recent->actions().first()->trigger();
    EXPECT_EQ(QMBDocumentController::sharedDocumentController().documents().size(), open);
    recent->actions().last()->trigger();
    Q_EMIT recent->aboutToShow();
    ASSERT_EQ(recent->actions().size(), 1);
    EXPECT_FALSE(recent->actions().first()->isEnabled()) << "nothing left to clear";
}
