// The document's toolbar, its split views and its answers to the design chooser.
#include "DWKit/widgets/QMAnimatedSplitView.h"
#include "DWKit/widgets/QMContainerView.h"
#include "DWKit/widgets/QMSplitView.h"
#include "description/DesignChooser/QMDesignFlowUIController.h"
#include "description/DesignChooser/QMFlowGridView.h"
#include "description/DesignChooser/QMFlowViewArrayController.h"
#include "description/DesignChooser/QMKeywordArrayController.h"
#include "description/QMDesignTemplate.h"
#include "description/QMDesignTemplateManager.h"
#include "model/QMApplicationDefaults.h"
#include "model/QMEbayItem.h"
#include "platform/core/UserDefaults.h"
#include "shell/QMBDocument.h"
#include "shell/QMBDocumentArea.h"
#include "shell/QMBDocumentController.h"
#include "shell/QMBProgressErrorPanelController.h"
#include "shell/QMBToolbarCustomizationSheet.h"
#include "tests/support/ScriptedAlertPresenter.h"
#include "tests/support/TemporaryXdg.h"

#include <QAction>
#include <QLabel>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QSignalSpy>
#include <QSplitterHandle>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

namespace {

class DocumentDesigns : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
        // As the application's start-up does.
        auto& manager = QMDesignTemplateManager::sharedInstance();
        manager.setMinimumQMTemplateVersion(214);
        manager.registerDesignTemplates();
        ASSERT_EQ(manager.activeDesignTemplates().size(), 6);
        m_document = QMBDocumentController::sharedDocumentController().openUntitledDocumentAndDisplay(false);
        ASSERT_TRUE(m_document);
        m_document->windowControllerDidLoadNib();
        m_document->resize(1200, 800);
        m_document->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_document));
    }

    void TearDown() override
    {
        for (auto* document : QMBDocumentController::sharedDocumentController().documents())
            delete document;
    }

    QStringList toolbarItems() const
    {
        QStringList identifiers;
        for (QAction* item : m_document->mainToolbar()->actions())
            identifiers << item->objectName();
        return identifiers;
    }
    QString label(const char* identifier) const
    {
        for (QAction* item : m_document->mainToolbar()->actions()) {
            if (item->objectName() == QLatin1String(identifier))
                return item->iconText(); // what the button under the icon shows
        }
        return {};
    }
    QMDesignFlowUIController* chooser() const { return m_document->designFlowController(); }
    QMFlowViewArrayController* carousel() const { return chooser()->previewFlowView()->arrayController(); }
    int settingsWidth() const { return m_document->mainVerticalSplitView()->sizes().value(1); }
    int chooserHeight() const { return m_document->previewSplitView()->sizes().value(0); }

    dw::test::TemporaryXdg m_xdg;
    dw::test::ScriptedAlertPresenter m_alerts;
    QMBDocument* m_document = nullptr;
};

TEST_F(DocumentDesigns, FreshWindowShowsTheDefaultToolbarLabelledByThePanes)
{
    EXPECT_EQ(toolbarItems(), QMBDocument::toolbarDefaultItemIdentifiers());
    EXPECT_EQ(toolbarItems(),
              (QStringList{"TBGetListingFees", "TBVerifyTemplate", "NSToolbarSeparatorItem", "TBStartAuction",
                           "NSToolbarFlexibleSpaceItem", "TBShowMediaBrowser", "NSToolbarSpaceItem", "TBToggleDesigns",
                           "NSToolbarSpaceItem", "TBToggleOptions", "NSToolbarSpaceItem"}));
    EXPECT_EQ(label("TBGetListingFees"), QStringLiteral("Check Fees"));
    EXPECT_EQ(label("TBToggleDesigns"), QStringLiteral("Hide Designs"));
    EXPECT_EQ(label("TBToggleOptions"), QStringLiteral("Hide Options"));
    EXPECT_TRUE(QMBDocument::toolbarAllowedItemIdentifiers().contains(QStringLiteral("TBToggleDesigns")));
    for (QAction* item : m_document->mainToolbar()->actions()) {
        SCOPED_TRACE(item->objectName().toStdString());
        EXPECT_TRUE(item->isEnabled());
    }
    // An item runs its command.
    for (QAction* item : m_document->mainToolbar()->actions()) {
        if (item->objectName() == QLatin1String("TBToggleDesigns"))
            item->trigger();
    }
    EXPECT_FALSE(m_document->designsVisible());
    EXPECT_EQ(m_document->toolbarItemForItemIdentifier(QStringLiteral("Unknown"))->text(), QString()) << "a bare item";
}

// The seller's choice of toolbar items shows in every window and is still there after a restart;
// the default set comes back on request.
TEST_F(DocumentDesigns, TheSellersToolbarSurvivesARestart)
{
    QAction* customize = m_document->toolbarItemForItemIdentifier(QStringLiteral("NSToolbarCustomizeToolbarItem"));
    EXPECT_EQ(customize->iconText(), QStringLiteral("Customize"));
    customize->trigger();
    QMBToolbarCustomizationSheet* sheet = m_document->toolbarCustomizationSheet();
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->toolbarItems(), QMBDocument::toolbarDefaultItemIdentifiers());
    QStringList allowed;
    for (int row = 0; row < sheet->allowedItemsList()->count(); ++row)
        allowed << sheet->allowedItemsList()->item(row)->data(Qt::UserRole).toString();
    EXPECT_EQ(allowed, QMBDocument::toolbarAllowedItemIdentifiers());

    const auto chooseAllowed = [&](const char* identifier) {
        sheet->allowedItemsList()->setCurrentRow(int(allowed.indexOf(QLatin1String(identifier))));
    };
    sheet->toolbarItemsList()->setCurrentRow(0);
    sheet->removeSelectedItem(); // "Check Fees" goes
    sheet->toolbarItemsList()->setCurrentRow(sheet->toolbarItemsList()->count() - 1);
    chooseAllowed("NSToolbarCustomizeToolbarItem");
    sheet->addSelectedItem(); // after the last
    sheet->toolbarItemsList()->setCurrentRow(0);
    chooseAllowed("TBStartAuction");
    sheet->addSelectedItem(); // moves up to the second place: each own item shows once
    sheet->moveSelectedItem(-1);
    const QStringList chosen{"TBStartAuction",
                             "TBVerifyTemplate",
                             "NSToolbarSeparatorItem",
                             "NSToolbarFlexibleSpaceItem",
                             "TBShowMediaBrowser",
                             "NSToolbarSpaceItem",
                             "TBToggleDesigns",
                             "NSToolbarSpaceItem",
                             "TBToggleOptions",
                             "NSToolbarSpaceItem",
                             "NSToolbarCustomizeToolbarItem"};
    EXPECT_EQ(sheet->toolbarItems(), chosen);
    EXPECT_EQ(toolbarItems(), chosen) << "the window shows the choice at once";
    EXPECT_EQ(label("TBToggleDesigns"), QStringLiteral("Hide Designs"));
    sheet->accept();

    // A restart: the user defaults are read from their file again, and a new window opens.
    dw::UserDefaults::resetStandard();
    ASSERT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
    delete m_document;
    m_document = QMBDocumentController::sharedDocumentController().openUntitledDocumentAndDisplay(true);
    EXPECT_EQ(toolbarItems(), chosen);

    m_document->customizeToolbar();
    m_document->toolbarCustomizationSheet()->useDefaultSet();
    EXPECT_EQ(toolbarItems(), QMBDocument::toolbarDefaultItemIdentifiers());
    m_document->toolbarCustomizationSheet()->accept();
}

TEST_F(DocumentDesigns, SettingsPaneKeepsItsWidthAndIsOnlyShownOrHidden)
{
    EXPECT_EQ(settingsWidth(), 300);
    m_document->resize(1500, 800);
    QCoreApplication::processEvents();
    EXPECT_EQ(settingsWidth(), 300) << "a wider window widens the preview only";

    QSignalSpy slid(m_document->mainVerticalSplitView(), &QMAnimatedSplitView::splitterAnimationFinished);
    m_document->toggleMainVerticalSplitView();
    ASSERT_TRUE(slid.wait(3000));
    EXPECT_EQ(settingsWidth(), 0);
    EXPECT_FALSE(m_document->optionsVisible());
    EXPECT_EQ(label("TBToggleOptions"), QStringLiteral("Show Options"));
    m_document->resize(1300, 800);
    QCoreApplication::processEvents();
    EXPECT_EQ(settingsWidth(), 0) << "stays hidden";

    m_document->toggleMainVerticalSplitView();
    ASSERT_TRUE(slid.wait(3000));
    EXPECT_EQ(settingsWidth(), 300);
    EXPECT_EQ(label("TBToggleOptions"), QStringLiteral("Hide Options"));

    // A double click on the settings divider collapses nothing.
    QSplitterHandle* divider = m_document->mainVerticalSplitView()->handle(1);
    QTest::mouseDClick(divider, Qt::LeftButton);
    EXPECT_EQ(settingsWidth(), 300);
}

TEST_F(DocumentDesigns, ChooserIsShownHiddenAndHiddenByADoubleClickOnItsDivider)
{
    EXPECT_TRUE(m_document->designsVisible());
    m_document->toggleMainHorizontalSplitView();
    EXPECT_EQ(chooserHeight(), 0);
    EXPECT_EQ(label("TBToggleDesigns"), QStringLiteral("Show Designs"));
    m_document->toggleMainHorizontalSplitView();
    EXPECT_EQ(chooserHeight(), 240);
    EXPECT_EQ(label("TBToggleDesigns"), QStringLiteral("Hide Designs"));

    QTest::mouseDClick(m_document->previewSplitView()->handle(1), Qt::LeftButton);
    EXPECT_FALSE(m_document->designsVisible());
}

TEST_F(DocumentDesigns, ChoosingADesignSetsItOnTheListingWithItsLayouts)
{
    ASSERT_TRUE(chooser());
    EXPECT_EQ(m_document->previewSplitViewTopView()->contentView(), chooser()->flowPreviewContainerView());
    EXPECT_EQ(carousel()->count(), 6);
    const auto& item = m_document->item();
    item->setUseDesignTemplate(false);

    // Harbour Blue, the one with layouts, chosen with a double click.
    const auto harbour = QMDesignTemplateManager::sharedInstance().designTemplateWithIdentifier(
        QStringLiteral("com.quillmart.design.harbour-blue"));
    ASSERT_TRUE(harbour);
    const qsizetype index = carousel()->arrangedIndexOfObject(harbour);
    auto* grid = dynamic_cast<QMFlowGridView*>(chooser()->previewFlowView());
    ASSERT_TRUE(grid) << "offscreen, the chooser shows its grid";
    grid->chooseObjectAtIndex(index);
    ASSERT_TRUE(QTest::qWaitFor([&] { return item->useDesignTemplate(); }, 2000));
    EXPECT_EQ(item->designTemplateIdentifier(), harbour->identifier());
    EXPECT_EQ(chooser()->layoutKeywordsArrayController()->arrangedObjects(),
              (QStringList{QStringLiteral("Two Columns"), QStringLiteral("Wide")}));

    chooser()->layoutsKeywordView()->userSelectedKeyword(QStringLiteral("Wide"));
    EXPECT_EQ(item->designLayoutName(), QStringLiteral("Wide"));

    m_document->designFlowUIControllerSelectionChangedTo(chooser(), nullptr);
    EXPECT_FALSE(item->useDesignTemplate()) << "no design chosen: the listing uses none";
}

TEST_F(DocumentDesigns, KeywordFilterShowsItsDesignsWithTheListingsOneInUse)
{
    const auto& item = m_document->item();
    item->setUseDesignTemplate(true);
    item->setDesignTemplateIdentifier(QStringLiteral("com.quillmart.design.sunset-boutique"));
    chooser()->categoriesKeywordView()->userSelectedKeyword(QStringLiteral("Fashion"));
    ASSERT_EQ(carousel()->count(), 2) << "Modern Mono and Sunset Boutique";
    EXPECT_EQ(carousel()->objectAtIndex(carousel()->enabledIndex())->identifier(), item->designTemplateIdentifier());
    EXPECT_EQ(carousel()->selectedObject()->identifier(), item->designTemplateIdentifier());
}

TEST_F(DocumentDesigns, RevertShowsTheSavedListingsDesignInTheChooser)
{
    const auto harbour = QMDesignTemplateManager::sharedInstance().designTemplateWithIdentifier(
        QStringLiteral("com.quillmart.design.harbour-blue"));
    ASSERT_TRUE(harbour);
    m_document->item()->setUseDesignTemplate(true);
    m_document->item()->setDesignTemplateIdentifier(harbour->identifier());
    m_document->item()->setDesignLayoutName(QStringLiteral("Wide"));
    auto* fileMenu = m_document->findChild<QMenu*>(QStringLiteral("fileMenu"));
    auto* revert = m_document->findChild<QAction*>(QStringLiteral("revertDocumentAction"));
    ASSERT_TRUE(fileMenu && revert);
    Q_EMIT fileMenu->aboutToShow();
    EXPECT_FALSE(revert->isEnabled()) << "an untitled document has nothing to go back to";
    const QString path = m_xdg.path(QStringLiteral("Lamp.qvlisting"));
    ASSERT_TRUE(m_document->writeToFile(path));
    m_document->setFileName(path);
    Q_EMIT fileMenu->aboutToShow();
    EXPECT_TRUE(revert->isEnabled());

    // Another design chosen under a keyword, then the saved listing back.
    chooser()->categoriesKeywordView()->userSelectedKeyword(QStringLiteral("Fashion"));
    ASSERT_EQ(carousel()->count(), 2);
    auto* grid = dynamic_cast<QMFlowGridView*>(chooser()->previewFlowView());
    ASSERT_TRUE(grid);
    grid->chooseObjectAtIndex(0);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return m_document->item()->designTemplateIdentifier() != harbour->identifier(); }, 2000));
    QMBDocumentController::sharedDocumentController().revertDocumentToSaved(m_document);
    ASSERT_EQ(m_document->item()->designTemplateIdentifier(), harbour->identifier());

    EXPECT_EQ(chooser()->designKeywordsArrayController()->selectedObjects(), QStringList{QStringLiteral("All")});
    EXPECT_EQ(carousel()->count(), 6);
    ASSERT_NE(carousel()->enabledIndex(), QMFlowViewArrayController::NotFound);
    EXPECT_EQ(carousel()->objectAtIndex(carousel()->enabledIndex()), harbour);
    EXPECT_EQ(carousel()->selectedObject(), harbour);
    EXPECT_EQ(chooser()->layoutKeywordsArrayController()->arrangedObjects(),
              (QStringList{QStringLiteral("Two Columns"), QStringLiteral("Wide")}));
    EXPECT_EQ(chooser()->layoutKeywordsArrayController()->selectedObjects(), QStringList{QStringLiteral("Wide")});
}

} // namespace

namespace {

TEST_F(DocumentDesigns, ProgressSheetShowsItsTextsOnTheWindowAndGoesWhenClosed)
{
    QPointer<QMBProgressErrorPanelController> sheet = QMBProgressErrorPanelController::progressSheetForParentWindow(
        m_document, QStringLiteral("Preparing pictures"), QStringLiteral("3 of 7"));
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(sheet->window()->isVisible());
    EXPECT_EQ(sheet->window()->windowModality(), Qt::WindowModal);
    EXPECT_EQ(sheet->window()->parentWidget(), m_document);
    EXPECT_EQ(sheet->window()->centralWidget(), sheet->progressView());
    EXPECT_EQ(sheet->messageField()->text(), QStringLiteral("Preparing pictures"));
    sheet->setInformationFieldText(QStringLiteral("4 of 7"));
    EXPECT_EQ(sheet->informationField()->text(), QStringLiteral("4 of 7"));
    sheet->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return sheet.isNull(); }, 2000)) << "the sheet takes its controller along";
}

} // namespace
