#pragma once
// The category chooser: a sheet on the document window in which the seller picks a category of
// one eBay site in a column browser, in a searchable table of every leaf's path or among the
// favourites of that site; a pop-up of the 15 categories chosen last and a field for a category ID
// lead to the same choice. OK returns the category, Cancel nothing. The favourites are saved at
// the end of every run; the recent categories and the tab in front only on OK.
//
//     if (const auto category = QMCategoryPanelController::showCategoryPanelWithSelectedCategoryID(
//             item->category(), item->siteID(), window))
//         item->setCategory(category->categoryID());
//
// The static calls run the sheet modally. Tests make a controller, load its window and drive it
// (its controls are found by object name). Main thread.

#include "DWCoreDataEbayDataClasses/SQCategoryDataManager.h"

#include <QObject>
#include <QPointer>
#include <QVariantList>
#include <QtGlobal>

class QComboBox;
class QDialog;
class QLabel;
class QLineEdit;
class QMCategoryBrowser;
class QMCategoryPathsModel;
class QPushButton;
class QStandardItemModel;
class QTabWidget;
class QTreeView;
class QWidget;

inline constexpr const char* kQMRecentCategoriesKey = "QMRecentCategories";
inline constexpr const char* kQMCategoryPanelSelectedTabKey = "QMCategoryPanelSelectedTab";

class QMCategoryPanelController : public QObject
{
    Q_OBJECT

public:
    // At most this many recent categories are kept.
    static constexpr int kMaxRecentCategories = 15;

    // The chosen leaf category, or null when the seller cancelled. Runs modally on the window.
    // The site must have a categories store with a root (assertions "Need categoriesDatabase",
    // "Need rootCategory").
    static SQCategoryPtr showCategoryPanelWithSelectedCategoryID(qint64 selectedCategoryID, qint64 siteID,
                                                                 QWidget* parentWindow);
    static SQCategoryPtr showCategoryPanelWithSelectedCategoryID(qint64 selectedCategoryID, qint64 siteID,
                                                                 QWidget* parentWindow,
                                                                 bool canSelectNonLeafCategories);

    // The stored list with `categoryID` put in front (moved there when it was in the list) and cut
    // to 15 entries.
    static QVariantList recentCategoriesAfterChoosing(const QVariantList& recent, qint64 categoryID);

    explicit QMCategoryPanelController(QWidget* parentWindow = nullptr);
    ~QMCategoryPanelController() override;

    // Builds the window for the site's store and root (the nib's loading and awakeFromNib).
    void loadWindow(const SQCategoriesDatabasePtr& categoriesDatabase, const SQCategoryPtr& rootCategory);
    QDialog* window() const { return m_window; }

    qint64 siteID() const { return m_siteID; }
    void setSiteID(qint64 siteID) { m_siteID = siteID; }
    bool canSelectCategory() const { return m_canSelectCategory; }
    bool canSelectNonLeafCategories() const { return m_canSelectNonLeafCategories; }
    void setCanSelectNonLeafCategories(bool value) { m_canSelectNonLeafCategories = value; }
    const SQCategoriesDatabasePtr& categoriesDatabase() const { return m_categoriesDatabase; }
    const SQCategoryPtr& rootCategory() const { return m_rootCategory; }

    // The selection of the tab in front ("browser", "table" or "favorites"); when that tab does not
    // list the category the fields show (one typed as an ID, or a recent one, that the search or the
    // favourites leave out), the category shown.
    SQCategoryPtr selectedCategory() const;
    QString selectedTabIdentifier() const;
    void selectTabWithIdentifier(const QString& identifier);
    // Shows the category on all three tabs and updates the fields.
    void selectCategory(const SQCategoryPtr& category);

    // The actions of the window's controls.
    void doOK();
    void doCancel();
    void addFavoriteAction();
    // Removes the selected favourites when the favourites table has the focus.
    void deleteAction();
    void categoryIDFieldAction();
    void recentCategoriesPopupAction(qint64 categoryID);
    void clearRecentCategoriesPopup();
    void categoryPathSearchChangedAction(const QString& text);
    void saveFavorites();

    QVariantList favorites() const;

private:
    void buildWindow();
    void fillRecentCategoriesPopup();
    void buildLeafPaths();
    void loadPathTable();
    void noteCategorySelectionDidChange(const SQCategoryPtr& category);
    void tabWillChange(int from, int to);
    void tabDidChange(int index);
    void selectCategoryInBrowser(const SQCategoryPtr& category);
    void selectCategoryInTable(const SQCategoryPtr& category);
    void selectCategoryInFavorites(const SQCategoryPtr& category);
    SQCategoryPtr browserSelection() const;
    SQCategoryPtr tableSelection() const;
    SQCategoryPtr favoritesSelection() const;
    SQCategoryPtr selectionOfTab(const QString& identifier) const;
    void appendFavorite(const QVariantMap& favorite);

    QPointer<QDialog> m_window;
    QTabWidget* m_tabView = nullptr;
    QMCategoryBrowser* m_categoryBrowser = nullptr;
    QTreeView* m_categoryTable = nullptr;
    QTreeView* m_favoritesTable = nullptr;
    QLineEdit* m_searchField = nullptr;
    QLineEdit* m_categoryIDField = nullptr;
    QComboBox* m_recentCategoriesPopup = nullptr;
    QLabel* m_bestOfferField = nullptr;
    QLabel* m_variationField = nullptr;
    QLabel* m_reservePriceField = nullptr;
    QLabel* m_customItemSpecificsField = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_addFavoriteButton = nullptr;
    QPushButton* m_removeFavoriteButton = nullptr;
    QMCategoryPathsModel* m_categoryPathsController = nullptr;
    QStandardItemModel* m_favoriteCategoriesController = nullptr;

    qint64 m_siteID = 0;
    SQCategoriesDatabasePtr m_categoriesDatabase;
    SQCategoryPtr m_rootCategory;
    bool m_canSelectCategory = false;
    bool m_canSelectNonLeafCategories = false;
    // The category the fields show (null for "n/a").
    SQCategoryPtr m_shownCategory;
    bool m_pathsLoaded = false;
    int m_currentTab = 0;
};
