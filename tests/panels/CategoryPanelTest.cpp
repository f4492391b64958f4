// The category chooser over a small site: Sport (20) with Épée (21), Fencing_100% (22) and Masks
// (23) › Junior epee masks (24); A (12) with B (345) and Äpfel & Birnen (346).
#include "DWCoreDataEbayDataClasses/SQCategoryCacheManager.h"
#include "DWCoreDataEbayDataClasses/SQCategoryDataManager.h"
#include "model/QMFavoriteCategoriesManager.h"
#include "panels/QMCategoryBrowser.h"
#include "panels/QMCategoryPanelController.h"
#include "panels/QMCategoryPathsModel.h"
#include "platform/core/UserDefaults.h"
#include "tests/support/TemporaryXdg.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeView>
#include <gtest/gtest.h>

namespace {

const QString kRecent = QLatin1String(kQMRecentCategoriesKey);

class CategoryPanelTest : public ::testing::Test
{
protected:
    CategoryPanelTest()
    {
        resetManagers();
        EXPECT_TRUE(QDir().mkpath(SQCategoriesDatabase::categoriesFolderPathNoFolderCreation()));
        EXPECT_TRUE(QFile::copy(QStringLiteral(DW_PANELS_TEST_STORES "/Categories.site77.sqlite"),
                                SQCategoriesDatabase::storePathForSiteID(77)));
        m_store = QMCategoryDataManager::sharedQMCategoryDataManager()->categoriesDatabaseForForSiteID(77);
    }
    ~CategoryPanelTest() override
    {
        m_store.reset();
        resetManagers();
    }
    static void resetManagers()
    {
        QMFavoriteCategoriesManager::resetSharedInstanceForTesting();
        QMCategoryDataManager::sharedQMCategoryDataManager()->unloadAll();
        SQCategoryDataManager::sharedSQCategoryDataManager()->unloadAll();
        SQCategoryCacheManager::resetSharedCacheForTesting();
    }

    std::unique_ptr<QMCategoryPanelController> makeChooser(bool nonLeaves = false)
    {
        auto chooser = std::make_unique<QMCategoryPanelController>();
        chooser->setSiteID(77);
        chooser->setCanSelectNonLeafCategories(nonLeaves);
        chooser->loadWindow(m_store, m_store->categoryForCategoryID(0));
        return chooser;
    }
    template<class T>
    T* find(const QMCategoryPanelController& chooser, const char* name)
    {
        return chooser.window()->findChild<T*>(QLatin1String(name));
    }
    QStringList tablePaths(const QMCategoryPanelController& chooser)
    {
        const auto* model = find<QTreeView>(chooser, "categoryTable")->model();
        QStringList paths;
        for (int row = 0; row < model->rowCount(); ++row)
            paths << model->index(row, 0).data().toString();
        return paths;
    }

    dw::test::TemporaryXdg m_xdg;
    SQCategoriesDatabasePtr m_store;
};

TEST(RecentCategories, NewestFirstAtMostFifteenEachOnce)
{
    QVariantList fifteen;
    for (int id = 1; id <= 15; ++id)
        fifteen << id;
    const auto ids = [](const QVariantList& list) {
        QList<qint64> out;
        for (const QVariant& v : list)
            out << v.toLongLong();
        return out;
    };
    const struct
    {
        const char* name;
        QVariantList stored;
        qint64 chosen;
        QList<qint64> expected;
    } rows[] = {
        {"first choice", {}, 7, {7}},
        {"a new one drops the oldest", fifteen, 99, {99, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}},
        {"a known one moves to the front", fifteen, 9, {9, 1, 2, 3, 4, 5, 6, 7, 8, 10, 11, 12, 13, 14, 15}},
        {"the front one stays", {3, 4}, 3, {3, 4}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(ids(QMCategoryPanelController::recentCategoriesAfterChoosing(row.stored, row.chosen)), row.expected);
    }
}

TEST_F(CategoryPanelTest, OpensOnTheCategoryAlongItsPathAndOKReturnsIt)
{
    QStringList shownPath;
    QString shownID;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        const auto* browser = dialog->findChild<QMCategoryBrowser*>(QStringLiteral("categoryBrowser"));
        for (int column = 0; column < browser->columnCount(); ++column) {
            const auto selected = browser->column(column)->selectedItems();
            if (!selected.isEmpty())
                shownPath << selected.first()->text();
        }
        shownID = dialog->findChild<QLineEdit*>(QStringLiteral("categoryIDField"))->text();
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("okButton")), Qt::LeftButton);
    });
    const auto chosen = QMCategoryPanelController::showCategoryPanelWithSelectedCategoryID(24, 77, nullptr);
    ASSERT_NE(chosen, nullptr);
    EXPECT_EQ(chosen->categoryID(), 24);
    EXPECT_EQ(shownPath, QStringList({"Sport", "Masks", "Junior epee masks"}));
    EXPECT_EQ(shownID, "24");
    EXPECT_EQ(dw::UserDefaults::standard().arrayForKey(kRecent), QVariantList({24}));
    EXPECT_EQ(dw::UserDefaults::standard().stringForKey(QLatin1String(kQMCategoryPanelSelectedTabKey)), "browser");
}

TEST_F(CategoryPanelTest, CancelReturnsNothingButKeepsNewFavourites)
{
    QTimer::singleShot(0, [] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("addFavoriteButton")), Qt::LeftButton);
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("cancelButton")), Qt::LeftButton);
    });
    EXPECT_EQ(QMCategoryPanelController::showCategoryPanelWithSelectedCategoryID(21, 77, nullptr), nullptr);
    const QVariantList favourites = QMFavoriteCategoriesManager::sharedInstance().favoriteCategoriesForSiteID(77);
    ASSERT_EQ(favourites.size(), 1);
    EXPECT_EQ(favourites.first().toMap().value("leafPath").toString(), "Sport \u203A \u00C9p\u00E9e");
    EXPECT_FALSE(dw::UserDefaults::standard().hasKey(kRecent));
}

TEST_F(CategoryPanelTest, SearchTakesPercentAndUnderscoreLiterallyAndIgnoresCaseAndAccents)
{
    auto chooser = makeChooser();
    chooser->selectTabWithIdentifier(QStringLiteral("table"));
    const struct
    {
        const char* search;
        QStringList paths;
    } rows[] = {
        {"%", {"Sport \u203A Fencing_100%"}},
        {"_", {"Sport \u203A Fencing_100%"}},
        {"0%", {"Sport \u203A Fencing_100%"}},
        {"EPEE", {"Sport \u203A Masks \u203A Junior epee masks", "Sport \u203A \u00C9p\u00E9e"}},
        {"apfel", {"A \u203A \u00C4pfel & Birnen"}},
        {"nothing like it", {}},
        {"",
         {"A \u203A \u00C4pfel & Birnen", "A \u203A B", "Sport \u203A Masks \u203A Junior epee masks",
          "Sport \u203A Fencing_100%", "Sport \u203A \u00C9p\u00E9e"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.search);
        find<QLineEdit>(*chooser, "categoryPathSearchField")->setText(QString::fromUtf8(row.search));
        QStringList expected = row.paths;
        QStringList shown = tablePaths(*chooser);
        std::sort(expected.begin(), expected.end());
        std::sort(shown.begin(), shown.end());
        EXPECT_EQ(shown, expected);
    }
}

TEST_F(CategoryPanelTest, SearchNarrowsAsTheSellerTypesAndWidensWhenTextIsRemoved)
{
    SQCachedLeafPaths leaves;
    for (const QString& name : {QStringLiteral("Books"), QStringLiteral("Boots"), QStringLiteral("Bowls")})
        leaves.append(leaves.size() + 1, name, SQCategoryCacheManager::foldedForSearch(name));
    QMCategoryPathsModel paths;
    paths.setLeafPaths(leaves);
    QList<int> counts;
    for (const char* typed : {"b", "bo", "boo", "book", "boo", "bo", "w"}) {
        paths.setSearchString(QString::fromLatin1(typed));
        counts << paths.rowCount();
    }
    EXPECT_EQ(counts, QList<int>({3, 3, 2, 1, 2, 3, 1}));
}

TEST_F(CategoryPanelTest, OnlyLeavesCanBeChosenUnlessAsked)
{
    const auto sport = m_store->categoryForCategoryID(20);
    auto chooser = makeChooser();
    chooser->selectCategory(sport);
    EXPECT_FALSE(chooser->canSelectCategory());
    EXPECT_EQ(find<QLineEdit>(*chooser, "categoryIDField")->text(), "n/a");
    chooser->doOK();
    EXPECT_EQ(chooser->window()->result(), 0);
    EXPECT_FALSE(dw::UserDefaults::standard().hasKey(kRecent));

    auto nonLeaves = makeChooser(true);
    nonLeaves->selectCategory(sport);
    EXPECT_TRUE(nonLeaves->canSelectCategory());
    nonLeaves->doOK();
    EXPECT_EQ(nonLeaves->window()->result(), QDialog::Accepted);
    EXPECT_EQ(nonLeaves->selectedCategory()->categoryID(), 20);
}

TEST_F(CategoryPanelTest, TheSelectionFollowsTheSellerFromTabToTab)
{
    auto chooser = makeChooser();
    chooser->selectCategory(m_store->categoryForCategoryID(22));
    chooser->selectTabWithIdentifier(QStringLiteral("table"));
    ASSERT_NE(chooser->selectedCategory(), nullptr);
    EXPECT_EQ(chooser->selectedCategory()->categoryID(), 22);
    // Not a favourite: the favourites tab shows no selection.
    chooser->selectTabWithIdentifier(QStringLiteral("favorites"));
    EXPECT_EQ(chooser->selectedCategory(), nullptr);
    EXPECT_FALSE(chooser->canSelectCategory());
    // Nothing carried from there leaves the browser as it was.
    chooser->selectTabWithIdentifier(QStringLiteral("browser"));
    ASSERT_NE(chooser->selectedCategory(), nullptr);
    EXPECT_EQ(chooser->selectedCategory()->categoryID(), 22);
    chooser->addFavoriteAction();
    chooser->addFavoriteAction();
    EXPECT_EQ(chooser->favorites().size(), 1);
    chooser->selectTabWithIdentifier(QStringLiteral("favorites"));
    ASSERT_NE(chooser->selectedCategory(), nullptr);
    EXPECT_EQ(chooser->selectedCategory()->categoryID(), 22);
}

TEST_F(CategoryPanelTest, TypedIDsSelectKnownCategoriesOnly)
{
    auto chooser = makeChooser();
    chooser->selectCategory(m_store->categoryForCategoryID(21));
    auto* field = find<QLineEdit>(*chooser, "categoryIDField");
    field->setText(QStringLiteral("999999"));
    chooser->categoryIDFieldAction();
    EXPECT_EQ(chooser->selectedCategory()->categoryID(), 21);
    field->setText(QStringLiteral("346"));
    chooser->categoryIDFieldAction();
    EXPECT_EQ(chooser->selectedCategory()->categoryID(), 346);
}

TEST_F(CategoryPanelTest, OKAndFavoritesTakeATypedCategoryThatTheTabInFrontDoesNotList)
{
    const struct
    {
        const char* tab;
        const char* search; // narrows the table so that it leaves the typed category out
    } rows[] = {{"table", "fencing"}, {"favorites", ""}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.tab);
        dw::UserDefaults::standard().removeObjectForKey(kRecent);
        auto chooser = makeChooser();
        chooser->selectTabWithIdentifier(QLatin1String(row.tab));
        find<QLineEdit>(*chooser, "categoryPathSearchField")->setText(QLatin1String(row.search));
        auto* field = find<QLineEdit>(*chooser, "categoryIDField");
        field->setText(QStringLiteral("346"));
        chooser->categoryIDFieldAction();
        EXPECT_EQ(field->text(), QStringLiteral("346"));
        ASSERT_TRUE(chooser->canSelectCategory());

        chooser->addFavoriteAction();
        ASSERT_EQ(chooser->favorites().size(), 1);
        EXPECT_EQ(chooser->favorites().first().toMap().value(QStringLiteral("categoryID")).toLongLong(), 346);
        chooser->doOK();
        EXPECT_EQ(chooser->window()->result(), QDialog::Accepted);
        ASSERT_NE(chooser->selectedCategory(), nullptr);
        EXPECT_EQ(chooser->selectedCategory()->categoryID(), 346);
        EXPECT_EQ(dw::UserDefaults::standard().arrayForKey(kRecent), QVariantList{346});
    }
}

TEST_F(CategoryPanelTest, RecentPopupListsKnownCategoriesAndClears)
{
    {
        auto chooser = makeChooser();
        EXPECT_FALSE(find<QComboBox>(*chooser, "recentCategoriesPopup")->isEnabled());
    }
    dw::UserDefaults::standard().setObject(QVariantList{24, 424242, 21}, kRecent);
    auto chooser = makeChooser();
    auto* popup = find<QComboBox>(*chooser, "recentCategoriesPopup");
    EXPECT_TRUE(popup->isEnabled());
    // Title, two known categories, separator, "Clear Menu".
    ASSERT_EQ(popup->count(), 5);
    EXPECT_EQ(popup->itemText(1), "Sport \u203A Masks \u203A Junior epee masks");
    EXPECT_EQ(popup->itemData(2).toLongLong(), 21);
    Q_EMIT popup->activated(2);
    EXPECT_EQ(chooser->selectedCategory()->categoryID(), 21);
    Q_EMIT popup->activated(4);
    EXPECT_EQ(popup->count(), 1);
    EXPECT_FALSE(popup->isEnabled());
    EXPECT_FALSE(dw::UserDefaults::standard().hasKey(kRecent));
}

} // namespace
