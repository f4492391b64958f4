#include "ShellTestSupport.h"
#include "model/QMApplicationDefaults.h"
#include "model/QMEbayItem.h"
#include "model/QMPreferencesManager.h"
#include "model/widgets/QMCommonPrefsController.h"
#include "platform/core/UserDefaults.h"
#include "shell/QMBDocument.h"
#include "shell/QMBDocumentController.h"
#include "shell/QMBPreferencesPanelController.h"
#include "tests/support/ScriptedAlertPresenter.h"
#include "tests/support/TemporaryXdg.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <gtest/gtest.h>

namespace {

const QString kLastPane = QLatin1String(kQMLastSelectedPreferencesPaneKey);

// The window with the program's registered defaults, a location entered and no category data for
// any site; alerts answered by script.
class Preferences : public ::testing::Test
{
protected:
    Preferences()
    {
        EXPECT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
        preferences().setDefaultLocation(QStringLiteral("Hamburg"));
    }
    ~Preferences() override
    {
        for (auto* document : QMBDocumentController::sharedDocumentController().documents())
            delete document;
    }

    static QMPreferencesManager& preferences() { return QMPreferencesManager::sharedInstance(); }
    static dw::UserDefaults& defaults() { return dw::UserDefaults::standard(); }
    static QString checkedToolbarItem(const QMBPreferencesPanelController& window)
    {
        for (int index = 0; index < QMBPreferencesPanelController::PaneCount; ++index) {
            if (window.toolbarItemForPane(index)->isChecked())
                return window.toolbarItemForPane(index)->objectName();
        }
        return QString();
    }

    dw::test::TemporaryXdg m_xdg;
    dw::test::ScriptedAlertPresenter m_alerts;
};

} // namespace

TEST_F(Preferences, OpensThePaneShownLast)
{
    struct Case
    {
        QVariant stored;
        int pane;
        const char* item;
    };
    const Case cases[] = {
        {5, QMBPreferencesPanelController::ImageServerPane, "ImageServer"},
        {3, QMBPreferencesPanelController::CategoriesPane, "Categories"},
        {6, QMBPreferencesPanelController::GeneralPane, "General"},
        {-1, QMBPreferencesPanelController::GeneralPane, "General"},
        {QVariant(), QMBPreferencesPanelController::GeneralPane, "General"},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.stored.toString().toStdString());
        defaults().setObject(row.stored, kLastPane);
        QMBPreferencesPanelController window;
        EXPECT_EQ(window.currentPaneIndex(), row.pane);
        EXPECT_EQ(window.centralWidget(), window.paneAtIndex(row.pane));
        EXPECT_EQ(checkedToolbarItem(window), QLatin1String(row.item));
    }
}

// Opened and closed again and again, the window stays where the seller put it: a desktop's title
// bar must not move it down at every opening.
TEST_F(Preferences, TheWindowOpensWhereItWasClosed)
{
    defaults().setObject(int(QMBPreferencesPanelController::UpdatePane), kLastPane);
    QList<QRect> frames;
    for (int cycle = 0; cycle < 4; ++cycle) {
        QMBPreferencesPanelController window;
        window.show();
        if (cycle == 0)
            window.move(300, 356);
        frames.append(window.frameGeometry());
        ASSERT_TRUE(window.close());
    }
    EXPECT_EQ(frames, QList<QRect>(4, frames[0]));
}

TEST_F(Preferences, AnEmptyLocationKeepsTheGeneralPaneAndChangesNothing)
{
    QMBPreferencesPanelController window;
    window.show();
    auto* document = QMBDocumentController::sharedDocumentController().openUntitledDocumentAndDisplay(false);
    ASSERT_TRUE(document);
    // A new default site and a document still on the old one; then the location is cleared.
    window.findChild<QComboBox*>(QStringLiteral("sitePopup"))
        ->setCurrentIndex(window.findChild<QComboBox*>(QStringLiteral("sitePopup"))->findData(77));
    window.commonPrefsController()->sitePopupChanged(window.findChild<QComboBox*>(QStringLiteral("sitePopup")));
    window.findChild<QLineEdit*>(QStringLiteral("locationField"))->setText(QString());

    window.toolbarItemForPane(QMBPreferencesPanelController::UpdatePane)->trigger();
    EXPECT_EQ(m_alerts.titles(), QStringList{QStringLiteral("Incomplete Configuration")});
    EXPECT_EQ(m_alerts.alerts().value(0).informativeText, QStringLiteral("Please enter your location."));
    EXPECT_EQ(window.currentPaneIndex(), QMBPreferencesPanelController::GeneralPane);
    EXPECT_EQ(checkedToolbarItem(window), QStringLiteral("General"));
    EXPECT_FALSE(defaults().hasKey(kLastPane));
    EXPECT_EQ(document->item()->siteID(), 0);
    EXPECT_EQ(preferences().defaultSiteID(), 77);

    // Closing the window is the same leave.
    m_alerts.clear();
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(m_alerts.titles(), QStringList{QStringLiteral("Incomplete Configuration")});

    // With a location the seller moves on (the missing category data is ignored).
    m_alerts.clear();
    window.findChild<QLineEdit*>(QStringLiteral("locationField"))->setText(QStringLiteral("Bremen"));
    m_alerts.answer(0); // Update Documents
    m_alerts.answer(2); // Ignore
    window.changeToViewAtIndex(QMBPreferencesPanelController::UpdatePane, false);
    EXPECT_EQ(window.currentPaneIndex(), QMBPreferencesPanelController::UpdatePane);
    EXPECT_EQ(defaults().integerForKey(kLastPane), QMBPreferencesPanelController::UpdatePane);
}

TEST_F(Preferences, ANewDefaultSiteUpdatesOrRevertsTheOpenDocuments)
{
    struct Case
    {
        const char* name;
        int answer; // to "Change Default Site"
        qint64 documentSite;
        qint64 siteAfter;
        qint64 oldSiteAfter;
    };
    const Case cases[] = {
        {"Update Documents converts the listing", 0, 77, 77, 77},
        {"Revert puts the old site back", 1, 0, 0, 0},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        dw::test::TemporaryXdg xdg;
        ASSERT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
        preferences().setDefaultLocation(QStringLiteral("Hamburg"));
        m_alerts.clear();
        auto* document = QMBDocumentController::sharedDocumentController().openUntitledDocumentAndDisplay(false);
        ASSERT_TRUE(document);
        document->item()->setLocation(QStringLiteral("Boston"));
        QMBPreferencesPanelController window;
        auto* sites = window.findChild<QComboBox*>(QStringLiteral("sitePopup"));
        sites->setCurrentIndex(sites->findData(77));
        window.commonPrefsController()->sitePopupChanged(sites);
        const qint64 euro = preferences().defaultCurrencyID();

        m_alerts.answer(row.answer);
        m_alerts.answer(2); // "Missing Category Data": Ignore
        window.changeToViewAtIndex(QMBPreferencesPanelController::ItemDefaultsPane, false);
        EXPECT_EQ(m_alerts.titles(),
                  (QStringList{QStringLiteral("Change Default Site"), QStringLiteral("Missing Category Data")}));
        EXPECT_EQ(window.currentPaneIndex(), QMBPreferencesPanelController::ItemDefaultsPane);
        EXPECT_EQ(preferences().defaultSiteID(), row.siteAfter);
        EXPECT_EQ(window.oldSiteID(), row.oldSiteAfter);
        EXPECT_EQ(document->item()->siteID(), row.documentSite);
        if (row.answer == 0) {
            // The document took over the location defaults of the new site.
            EXPECT_EQ(document->item()->location(), QStringLiteral("Hamburg"));
            EXPECT_EQ(document->item()->currency(), euro);
        } else {
            EXPECT_EQ(document->item()->location(), QStringLiteral("Boston"));
            EXPECT_EQ(preferences().defaultCurrencyID(), 1);
            EXPECT_EQ(sites->currentData().toLongLong(), 0);
        }
        delete document;
    }
}

TEST_F(Preferences, NoDocumentOnAnotherSiteAsksOnlyForTheCategoryData)
{
    QMBPreferencesPanelController window;
    preferences().setDefaultSiteID(77);
    m_alerts.answer(1); // "Missing Category Data": Cancel
    window.changeToViewAtIndex(QMBPreferencesPanelController::TokenPane, false);
    EXPECT_EQ(m_alerts.titles(), QStringList{QStringLiteral("Missing Category Data")});
    EXPECT_EQ(window.currentPaneIndex(), QMBPreferencesPanelController::GeneralPane);
    EXPECT_EQ(checkedToolbarItem(window), QStringLiteral("General"));
    EXPECT_EQ(window.oldSiteID(), 0);

    // With the site's data complete nothing is asked.
    dw::test::saveCompleteCategoryDataOfSite77();
    m_alerts.clear();
    window.changeToViewAtIndex(QMBPreferencesPanelController::TokenPane, false);
    EXPECT_TRUE(m_alerts.titles().isEmpty());
    EXPECT_EQ(window.currentPaneIndex(), QMBPreferencesPanelController::TokenPane);
    EXPECT_EQ(checkedToolbarItem(window), QStringLiteral("Token"));
    QMCategoryDataManager::sharedQMCategoryDataManager()->unloadAll();
}

TEST_F(Preferences, PictureServerPaneOffersWhatTheSystemAllows)
{
    defaults().setInteger(kQMImageUploadingSystemDotMac, QStringLiteral("ImageUploadingSystem"));
    defaults().setInteger(199, QStringLiteral("ImageSizePopupTag"));
    defaults().setInteger(QMBPreferencesPanelController::ImageServerPane, kLastPane);
    QMBPreferencesPanelController window;
    auto* systems = window.findChild<QComboBox*>(QStringLiteral("imageUploadSystemPopup"));
    auto* sizes = window.findChild<QComboBox*>(QStringLiteral("serverImageSizePopup"));
    auto tags = [](const QComboBox* popUp) {
        QList<int> list;
        for (int index = 0; index < popUp->count(); ++index)
            list << popUp->itemData(index).toInt();
        return list;
    };
    // MobileMe is there only while it is the stored choice, and leaving it so asks first.
    EXPECT_EQ(tags(systems), (QList<int>{300, 301, 304}));
    EXPECT_EQ(systems->currentData().toInt(), 301);
    m_alerts.answer(1); // Cancel
    window.changeToViewAtIndex(QMBPreferencesPanelController::UpdatePane, false);
    EXPECT_EQ(m_alerts.titles(), QStringList{QStringLiteral("MobileMe discontinued")});
    EXPECT_EQ(window.currentPaneIndex(), QMBPreferencesPanelController::ImageServerPane);

    // The maker's server takes no original-size pictures: the size becomes 800 × 600.
    systems->setCurrentIndex(systems->findData(304));
    Q_EMIT systems->activated(systems->currentIndex());
    EXPECT_EQ(preferences().defaultImageUploadingSystemTag(), 304);
    EXPECT_EQ(tags(systems), (QList<int>{300, 304}));
    EXPECT_TRUE(window.canSelectImageSize());
    EXPECT_EQ(tags(sizes), (QList<int>{201, 202, 203}));
    EXPECT_EQ(defaults().integerForKey(QStringLiteral("ImageSizePopupTag")), 201);
    EXPECT_EQ(sizes->currentData().toInt(), 201);

    m_alerts.clear();
    window.changeToViewAtIndex(QMBPreferencesPanelController::UpdatePane, false);
    EXPECT_TRUE(m_alerts.titles().isEmpty());
    EXPECT_EQ(window.currentPaneIndex(), QMBPreferencesPanelController::UpdatePane);
}
