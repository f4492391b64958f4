#include "panels/QMCategoryPanelController.h"

#include "DWCoreDataEbayDataClasses/SQCategoryCacheManager.h"
#include "DWKit/NSArray+DWExtensions.h"
#include "model/QMFavoriteCategoriesManager.h"
#include "panels/QMCategoryBrowser.h"
#include "panels/QMCategoryPathsModel.h"
#include "platform/core/DWAssert.h"
#include "platform/core/Localization.h"
#include "platform/core/UserDefaults.h"
#include "platform/widgets/WindowFrameAutosave.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

const QString kBrowserTab = QStringLiteral("browser");
const QString kTableTab = QStringLiteral("table");
const QString kFavoritesTab = QStringLiteral("favorites");
const char* const kTabIdentifierProperty = "identifier";
const QString kCategoryIDKey = QStringLiteral("categoryID");
const QString kLeafPathKey = QStringLiteral("leafPath");
constexpr int kFavoriteEntryRole = Qt::UserRole + 1;
constexpr int kPopupActionRole = Qt::UserRole + 2;
const QString kClearMenuAction = QStringLiteral("clearRecentCategoriesPopup:");
const QString kRecentCategoryAction = QStringLiteral("recentCategoriesPopupAction:");

// Return in a field runs the field's own action; it must not also press the sheet's OK button.
class ReturnKeeper : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter) {
                Q_EMIT static_cast<QLineEdit*>(watched)->returnPressed();
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }
};

QString yesOrNo(bool value)
{
    return value ? dw::localized("Yes") : dw::localized("No");
}

QWidget* tabPage(QTabWidget* tabs, const QString& identifier, const QString& title)
{
    auto* page = new QWidget(tabs);
    page->setProperty(kTabIdentifierProperty, identifier);
    page->setObjectName(identifier + QStringLiteral("Tab"));
    tabs->addTab(page, title);
    return page;
}

} // namespace

QMCategoryPanelController::QMCategoryPanelController(QWidget* parentWindow)
{
    m_window = new QDialog(parentWindow ? parentWindow->window() : nullptr);
}

QMCategoryPanelController::~QMCategoryPanelController()
{
    if (m_window) {
        m_window->hide();
        delete m_window;
    }
}

SQCategoryPtr QMCategoryPanelController::showCategoryPanelWithSelectedCategoryID(qint64 selectedCategoryID,
                                                                                 qint64 siteID, QWidget* parentWindow)
{
    return showCategoryPanelWithSelectedCategoryID(selectedCategoryID, siteID, parentWindow, false);
}

SQCategoryPtr QMCategoryPanelController::showCategoryPanelWithSelectedCategoryID(qint64 selectedCategoryID,
                                                                                 qint64 siteID, QWidget* parentWindow,
                                                                                 bool canSelectNonLeafCategories)
{
    QMCategoryPanelController controller(parentWindow);
    controller.setSiteID(siteID);
    controller.setCanSelectNonLeafCategories(canSelectNonLeafCategories);
    const auto store = QMCategoryDataManager::sharedQMCategoryDataManager()->categoriesDatabaseForForSiteID(siteID);
    DW_ASSERT(store != nullptr, "Need categoriesDatabase");
    const auto root = store->categoryForCategoryID(0);
    DW_ASSERT(root != nullptr, "Need rootCategory");
    controller.loadWindow(store, root);
    if (selectedCategoryID != 0) {
        if (const auto selected = store->categoryForCategoryID(selectedCategoryID))
            controller.selectCategory(selected);
    }
    QDialog* window = controller.window();
    window->setWindowModality(parentWindow ? Qt::WindowModal : Qt::ApplicationModal);
    const int result = window->exec();
    window->hide();
    // Favourites added or removed count also when the seller cancels.
    controller.saveFavorites();
    return result == QDialog::Accepted ? controller.selectedCategory() : nullptr;
}

QVariantList QMCategoryPanelController::recentCategoriesAfterChoosing(const QVariantList& recent, qint64 categoryID)
{
    QVariantList updated;
    updated.append(categoryID);
    for (const QVariant& entry : recent) {
        if (entry.toLongLong() != categoryID)
            updated.append(entry);
    }
    while (updated.size() > kMaxRecentCategories)
        updated.removeLast();
    return updated;
}

void QMCategoryPanelController::loadWindow(const SQCategoriesDatabasePtr& categoriesDatabase,
                                           const SQCategoryPtr& rootCategory)
{
    m_categoriesDatabase = categoriesDatabase;
    m_rootCategory = rootCategory;
    buildWindow();
    dw::setFrameAutosaveName(m_window, QStringLiteral("QMCategoriesPanel"));
    fillRecentCategoriesPopup();

    const QVariantList favorites = QMFavoriteCategoriesManager::sharedInstance().favoriteCategoriesForSiteID(m_siteID);
    for (const QVariant& favorite : favorites)
        appendFavorite(favorite.toMap());

    noteCategorySelectionDidChange(nullptr);
    const QString savedTab = dw::UserDefaults::standard().stringForKey(QLatin1String(kQMCategoryPanelSelectedTabKey));
    if (!savedTab.isEmpty())
        selectTabWithIdentifier(savedTab);
}

void QMCategoryPanelController::buildWindow()
{
    QDialog* window = m_window;
    window->setObjectName(QStringLiteral("categoryPanel"));
    window->setWindowTitle(dw::localized("Choose a Category"));
    window->setMinimumSize(620, 460);
    window->resize(780, 560);

    m_recentCategoriesPopup = new QComboBox(window);
    m_recentCategoriesPopup->setObjectName(QStringLiteral("recentCategoriesPopup"));
    m_recentCategoriesPopup->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_recentCategoriesPopup->setMinimumContentsLength(28);
    auto* recentRow = new QHBoxLayout;
    recentRow->addWidget(new QLabel(dw::localized("Recently chosen:"), window));
    recentRow->addWidget(m_recentCategoriesPopup, 1);

    m_tabView = new QTabWidget(window);
    m_tabView->setObjectName(QStringLiteral("tabView"));
    m_tabView->setDocumentMode(false);

    // Browser: one column per level below the root.
    QWidget* browserPage = tabPage(m_tabView, kBrowserTab, dw::localized("Browse"));
    m_categoryBrowser = new QMCategoryBrowser(browserPage);
    m_categoryBrowser->setObjectName(QStringLiteral("categoryBrowser"));
    m_categoryBrowser->setRootCategory(m_rootCategory);
    auto* browserLayout = new QVBoxLayout(browserPage);
    browserLayout->addWidget(m_categoryBrowser);

    // Table: the paths of all leaves, narrowed as the seller types.
    QWidget* tablePage = tabPage(m_tabView, kTableTab, dw::localized("Search"));
    m_searchField = new QLineEdit(tablePage);
    m_searchField->setObjectName(QStringLiteral("categoryPathSearchField"));
    m_searchField->setPlaceholderText(dw::localized("Search category paths"));
    m_searchField->setClearButtonEnabled(true);
    m_searchField->installEventFilter(new ReturnKeeper(m_searchField));
    m_categoryPathsController = new QMCategoryPathsModel(this);
    m_categoryTable = new QTreeView(tablePage);
    m_categoryTable->setObjectName(QStringLiteral("categoryTable"));
    m_categoryTable->setModel(m_categoryPathsController);
    m_categoryTable->setRootIsDecorated(false);
    m_categoryTable->setUniformRowHeights(true);
    m_categoryTable->setHeaderHidden(true);
    m_categoryTable->setSelectionMode(QAbstractItemView::SingleSelection);
    m_categoryTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_categoryTable->setAlternatingRowColors(true);
    auto* tableLayout = new QVBoxLayout(tablePage);
    tableLayout->addWidget(m_searchField);
    tableLayout->addWidget(m_categoryTable);

    // Favourites of the site, in the order they were added.
    QWidget* favoritesPage = tabPage(m_tabView, kFavoritesTab, dw::localized("Favorites"));
    m_favoriteCategoriesController = new QStandardItemModel(this);
    m_favoritesTable = new QTreeView(favoritesPage);
    m_favoritesTable->setObjectName(QStringLiteral("favoritesTable"));
    m_favoritesTable->setModel(m_favoriteCategoriesController);
    m_favoritesTable->setRootIsDecorated(false);
    m_favoritesTable->setUniformRowHeights(true);
    m_favoritesTable->setHeaderHidden(true);
    m_favoritesTable->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_favoritesTable->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_favoritesTable->setAlternatingRowColors(true);
    auto* deleteFavorite = new QAction(dw::localized("Remove from Favorites"), m_favoritesTable);
    deleteFavorite->setObjectName(QStringLiteral("deleteFavoriteAction"));
    deleteFavorite->setShortcuts({QKeySequence::Delete, QKeySequence(Qt::Key_Backspace)});
    deleteFavorite->setShortcutContext(Qt::WidgetShortcut);
    m_favoritesTable->addAction(deleteFavorite);
    m_favoritesTable->setContextMenuPolicy(Qt::ActionsContextMenu);
    m_removeFavoriteButton = new QPushButton(dw::localized("Remove"), favoritesPage);
    m_removeFavoriteButton->setObjectName(QStringLiteral("removeFavoriteButton"));
    m_removeFavoriteButton->setFocusPolicy(Qt::NoFocus);
    m_removeFavoriteButton->setEnabled(false);
    auto* favoritesLayout = new QVBoxLayout(favoritesPage);
    favoritesLayout->addWidget(m_favoritesTable);
    auto* favoritesButtons = new QHBoxLayout;
    favoritesButtons->addStretch();
    favoritesButtons->addWidget(m_removeFavoriteButton);
    favoritesLayout->addLayout(favoritesButtons);

    // What the selected category allows.
    const auto field = [window](const char* name) {
        auto* label = new QLabel(window);
        label->setObjectName(QLatin1String(name));
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        return label;
    };
    m_categoryIDField = new QLineEdit(window);
    m_categoryIDField->setObjectName(QStringLiteral("categoryIDField"));
    m_categoryIDField->setMaximumWidth(140);
    m_categoryIDField->installEventFilter(new ReturnKeeper(m_categoryIDField));
    m_bestOfferField = field("bestOfferField");
    m_variationField = field("variationField");
    m_reservePriceField = field("reservePriceField");
    m_customItemSpecificsField = field("customItemSpecificsField");
    auto* left = new QFormLayout;
    left->addRow(dw::localized("Category ID:"), m_categoryIDField);
    left->addRow(dw::localized("Best Offer:"), m_bestOfferField);
    left->addRow(dw::localized("Variations:"), m_variationField);
    auto* right = new QFormLayout;
    right->addRow(dw::localized("Reserve Price:"), m_reservePriceField);
    right->addRow(dw::localized("Custom Item Specifics:"), m_customItemSpecificsField);
    auto* details = new QHBoxLayout;
    details->addLayout(left);
    details->addSpacing(24);
    details->addLayout(right);
    details->addStretch();

    m_addFavoriteButton = new QPushButton(dw::localized("Add to Favorites"), window);
    m_addFavoriteButton->setObjectName(QStringLiteral("addFavoriteButton"));
    auto* cancelButton = new QPushButton(dw::localized("Cancel"), window);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    m_okButton = new QPushButton(dw::localized("OK"), window);
    m_okButton->setObjectName(QStringLiteral("okButton"));
    m_okButton->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_addFavoriteButton);
    buttons->addStretch();
    buttons->addWidget(cancelButton);
    buttons->addWidget(m_okButton);

    auto* layout = new QVBoxLayout(window);
    layout->addLayout(recentRow);
    layout->addWidget(m_tabView, 1);
    layout->addLayout(details);
    layout->addLayout(buttons);

    connect(m_categoryBrowser, &QMCategoryBrowser::selectionChanged, this, [this] {
        if (selectedTabIdentifier() == kBrowserTab)
            noteCategorySelectionDidChange(browserSelection());
    });
    connect(m_categoryBrowser, &QMCategoryBrowser::doubleClicked, this, [this] { doOK(); });
    connect(m_categoryTable->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (selectedTabIdentifier() == kTableTab)
            noteCategorySelectionDidChange(tableSelection());
    });
    connect(m_categoryTable, &QAbstractItemView::doubleClicked, this, [this] { doOK(); });
    connect(m_favoritesTable->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        m_removeFavoriteButton->setEnabled(m_favoritesTable->selectionModel()->hasSelection());
        if (selectedTabIdentifier() == kFavoritesTab)
            noteCategorySelectionDidChange(favoritesSelection());
    });
    connect(m_favoritesTable, &QAbstractItemView::doubleClicked, this, [this] { doOK(); });
    connect(deleteFavorite, &QAction::triggered, this, [this] { deleteAction(); });
    connect(m_removeFavoriteButton, &QPushButton::clicked, this, [this] {
        m_favoritesTable->setFocus();
        deleteAction();
    });
    connect(m_searchField, &QLineEdit::textChanged, this, &QMCategoryPanelController::categoryPathSearchChangedAction);
    connect(m_categoryIDField, &QLineEdit::returnPressed, this, &QMCategoryPanelController::categoryIDFieldAction);
    connect(m_recentCategoriesPopup, &QComboBox::activated, this, [this](int index) {
        const QString action = m_recentCategoriesPopup->itemData(index, kPopupActionRole).toString();
        const qint64 tag = m_recentCategoriesPopup->itemData(index).toLongLong();
        // A pull-down menu: its title item stays in front.
        m_recentCategoriesPopup->setCurrentIndex(0);
        if (action == kClearMenuAction)
            clearRecentCategoriesPopup();
        else if (action == kRecentCategoryAction)
            recentCategoriesPopupAction(tag);
    });
    connect(m_tabView, &QTabWidget::currentChanged, this, [this](int index) {
        tabWillChange(m_currentTab, index);
        m_currentTab = index;
        tabDidChange(index);
    });
    connect(m_addFavoriteButton, &QPushButton::clicked, this, &QMCategoryPanelController::addFavoriteAction);
    connect(cancelButton, &QPushButton::clicked, this, &QMCategoryPanelController::doCancel);
    connect(m_okButton, &QPushButton::clicked, this, &QMCategoryPanelController::doOK);
}

void QMCategoryPanelController::fillRecentCategoriesPopup()
{
    QComboBox* popup = m_recentCategoriesPopup;
    popup->clear();
    popup->addItem(dw::localized("Recent Categories"));
    const QVariantList recent = dw::UserDefaults::standard().arrayForKey(QLatin1String(kQMRecentCategoriesKey));
    const auto cache = SQCategoryCacheManager::sharedSQCategoryCacheManager();
    for (const QVariant& entry : recent) {
        // IDs the site no longer has are skipped, but stay in the list.
        const auto category = m_categoriesDatabase->categoryForCategoryID(entry.toLongLong());
        if (!category)
            continue;
        const QString path = cache ? cache->cachedCategoryPathForSiteID(m_siteID, category) : QString();
        popup->addItem(path.isEmpty() ? category->name() : path, category->categoryID());
        popup->setItemData(popup->count() - 1, kRecentCategoryAction, kPopupActionRole);
    }
    if (!recent.isEmpty()) {
        popup->insertSeparator(popup->count());
        popup->addItem(dw::localized("Clear Menu"));
        popup->setItemData(popup->count() - 1, kClearMenuAction, kPopupActionRole);
    }
    popup->setEnabled(!recent.isEmpty());
    popup->setCurrentIndex(0);
}

void QMCategoryPanelController::buildLeafPaths()
{
    if (m_pathsLoaded)
        return;
    const auto cache = SQCategoryCacheManager::sharedSQCategoryCacheManager();
    if (!cache)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (!cache->allCachedCategoryPathsExistForSiteID(m_siteID))
        cache->createAllCachedCategoryPathsForSiteID(m_siteID);
    m_categoryPathsController->setLeafPaths(cache->cachedLeafCategoryPathsForSiteID(m_siteID));
    QApplication::restoreOverrideCursor();
    m_pathsLoaded = true;
}

QString QMCategoryPanelController::selectedTabIdentifier() const
{
    const QWidget* page = m_tabView ? m_tabView->currentWidget() : nullptr;
    return page ? page->property(kTabIdentifierProperty).toString() : QString();
}

void QMCategoryPanelController::selectTabWithIdentifier(const QString& identifier)
{
    for (int index = 0; index < m_tabView->count(); ++index) {
        if (m_tabView->widget(index)->property(kTabIdentifierProperty).toString() == identifier) {
            m_tabView->setCurrentIndex(index);
            return;
        }
    }
}

SQCategoryPtr QMCategoryPanelController::selectionOfTab(const QString& identifier) const
{
    if (identifier == kBrowserTab)
        return browserSelection();
    if (identifier == kTableTab)
        return tableSelection();
    if (identifier == kFavoritesTab)
        return favoritesSelection();
    return nullptr;
}

SQCategoryPtr QMCategoryPanelController::selectedCategory() const
{
    // OK takes what the fields show: a category selected on every tab (a typed ID, a recent one)
    // is missing from a tab whose list leaves it out, and that tab's selection is then empty.
    if (const auto tabSelection = selectionOfTab(selectedTabIdentifier()))
        return tabSelection;
    return m_shownCategory;
}

SQCategoryPtr QMCategoryPanelController::browserSelection() const
{
    return m_categoryBrowser ? m_categoryBrowser->selectedCategory() : nullptr;
}

SQCategoryPtr QMCategoryPanelController::tableSelection() const
{
    if (!m_categoryTable)
        return nullptr;
    const QModelIndexList rows = m_categoryTable->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return nullptr;
    return m_categoriesDatabase->categoryForCategoryID(m_categoryPathsController->categoryIDAtRow(rows.first().row()));
}

SQCategoryPtr QMCategoryPanelController::favoritesSelection() const
{
    if (!m_favoritesTable)
        return nullptr;
    QModelIndexList rows = m_favoritesTable->selectionModel()->selectedRows();
    if (rows.isEmpty())
        return nullptr;
    std::sort(rows.begin(), rows.end());
    const QVariantMap favorite = rows.first().data(kFavoriteEntryRole).toMap();
    return m_categoriesDatabase->categoryForCategoryID(favorite.value(kCategoryIDKey).toLongLong());
}

void QMCategoryPanelController::selectCategory(const SQCategoryPtr& category)
{
    selectCategoryInBrowser(category);
    selectCategoryInTable(category);
    selectCategoryInFavorites(category);
    noteCategorySelectionDidChange(category);
    m_categoryBrowser->setFocus();
}

void QMCategoryPanelController::selectCategoryInBrowser(const SQCategoryPtr& category)
{
    m_categoryBrowser->selectCategory(category);
}

void QMCategoryPanelController::selectCategoryInTable(const SQCategoryPtr& category)
{
    // The table holds nothing until its paths were built (when it or the favourites are shown).
    if (!m_pathsLoaded)
        return;
    const int row = category ? m_categoryPathsController->rowForCategoryID(category->categoryID()) : -1;
    if (row < 0) {
        m_categoryTable->clearSelection();
        return;
    }
    const QModelIndex index = m_categoryPathsController->index(row);
    m_categoryTable->setCurrentIndex(index);
    m_categoryTable->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void QMCategoryPanelController::selectCategoryInFavorites(const SQCategoryPtr& category)
{
    if (category) {
        for (int row = 0; row < m_favoriteCategoriesController->rowCount(); ++row) {
            const QModelIndex index = m_favoriteCategoriesController->index(row, 0);
            if (index.data(kFavoriteEntryRole).toMap().value(kCategoryIDKey).toLongLong() == category->categoryID()) {
                m_favoritesTable->setCurrentIndex(index);
                m_favoritesTable->scrollTo(index);
                return;
            }
        }
    }
    m_favoritesTable->clearSelection();
}

void QMCategoryPanelController::tabWillChange(int from, int to)
{
    if (from < 0 || to < 0 || from == to)
        return;
    const QString leaving = m_tabView->widget(from)->property(kTabIdentifierProperty).toString();
    const QString entering = m_tabView->widget(to)->property(kTabIdentifierProperty).toString();
    // What the fields show goes along, also when the tab left did not list it.
    SQCategoryPtr carried = selectionOfTab(leaving);
    if (!carried)
        carried = m_shownCategory;
    if (entering == kBrowserTab) {
        selectCategoryInBrowser(carried);
    } else if (entering == kTableTab) {
        buildLeafPaths();
        selectCategoryInTable(carried);
    } else if (entering == kFavoritesTab) {
        buildLeafPaths();
        selectCategoryInFavorites(carried);
    }
}

void QMCategoryPanelController::tabDidChange(int index)
{
    if (index < 0)
        return;
    const QString identifier = m_tabView->widget(index)->property(kTabIdentifierProperty).toString();
    noteCategorySelectionDidChange(selectionOfTab(identifier));
    if (identifier == kTableTab)
        m_searchField->setFocus();
}

void QMCategoryPanelController::noteCategorySelectionDidChange(const SQCategoryPtr& category)
{
    if (!category || (category->subcategoriesCount() > 0 && !m_canSelectNonLeafCategories)) {
        const QString notApplicable = dw::localized("n/a");
        m_categoryIDField->setText(notApplicable);
        for (QLabel* field : {m_bestOfferField, m_variationField, m_reservePriceField, m_customItemSpecificsField})
            field->setText(notApplicable);
        m_canSelectCategory = false;
        m_shownCategory = nullptr;
    } else {
        m_shownCategory = category;
        m_categoryIDField->setText(QString::number(category->categoryID()));
        m_bestOfferField->setText(yesOrNo(category->supportsBestOffer()));
        m_reservePriceField->setText(yesOrNo(category->reservePriceAllowed()));
        m_customItemSpecificsField->setText(yesOrNo(category->supportsCustomSpecifics()));
        m_variationField->setText(yesOrNo(category->supportsVariations()));
        m_canSelectCategory = true;
    }
    m_okButton->setEnabled(m_canSelectCategory);
    m_addFavoriteButton->setEnabled(m_canSelectCategory);
}

void QMCategoryPanelController::doOK()
{
    if (!m_canSelectCategory)
        return;
    auto& defaults = dw::UserDefaults::standard();
    if (const auto category = selectedCategory()) {
        defaults.setObject(recentCategoriesAfterChoosing(defaults.arrayForKey(QLatin1String(kQMRecentCategoriesKey)),
                                                         category->categoryID()),
                           QLatin1String(kQMRecentCategoriesKey));
    }
    defaults.setObject(selectedTabIdentifier(), QLatin1String(kQMCategoryPanelSelectedTabKey));
    m_window->done(QDialog::Accepted);
}

void QMCategoryPanelController::doCancel()
{
    m_window->done(QDialog::Rejected);
}

void QMCategoryPanelController::appendFavorite(const QVariantMap& favorite)
{
    auto* row = new QStandardItem(favorite.value(kLeafPathKey).toString());
    row->setData(favorite, kFavoriteEntryRole);
    row->setToolTip(row->text());
    m_favoriteCategoriesController->appendRow(row);
}

QVariantList QMCategoryPanelController::favorites() const
{
    QVariantList list;
    for (int row = 0; row < m_favoriteCategoriesController->rowCount(); ++row)
        list.append(m_favoriteCategoriesController->index(row, 0).data(kFavoriteEntryRole).toMap());
    return list;
}

void QMCategoryPanelController::addFavoriteAction()
{
    if (!m_canSelectCategory)
        return;
    const auto category = selectedCategory();
    if (!category)
        return;
    if (dw::firstObjectWithValueForKey(favorites(), kCategoryIDKey, category->categoryID()).isValid())
        return;
    const auto cache = SQCategoryCacheManager::sharedSQCategoryCacheManager();
    const QString path = cache ? cache->cachedCategoryPathForSiteID(m_siteID, category) : QString();
    appendFavorite({{kCategoryIDKey, category->categoryID()}, {kLeafPathKey, path.isNull() ? category->name() : path}});
}

void QMCategoryPanelController::deleteAction()
{
    if (QApplication::focusWidget() != m_favoritesTable || !m_favoritesTable->selectionModel()->hasSelection())
        return;
    QList<int> rows;
    for (const QModelIndex& index : m_favoritesTable->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end(), std::greater<>());
    for (const int row : std::as_const(rows))
        m_favoriteCategoriesController->removeRow(row);
}

void QMCategoryPanelController::categoryIDFieldAction()
{
    bool ok = false;
    const qint64 categoryID = m_categoryIDField->text().trimmed().toLongLong(&ok);
    const auto category =
        ok ? QMCategoryDataManager::sharedQMCategoryDataManager()->categoryForCategoryID(categoryID, m_siteID)
           : nullptr;
    if (!category) {
        QApplication::beep();
        return;
    }
    selectCategory(category);
}

void QMCategoryPanelController::recentCategoriesPopupAction(qint64 categoryID)
{
    if (const auto category =
            QMCategoryDataManager::sharedQMCategoryDataManager()->categoryForCategoryID(categoryID, m_siteID))
        selectCategory(category);
}

void QMCategoryPanelController::clearRecentCategoriesPopup()
{
    while (m_recentCategoriesPopup->count() > 1)
        m_recentCategoriesPopup->removeItem(m_recentCategoriesPopup->count() - 1);
    dw::UserDefaults::standard().removeObjectForKey(QLatin1String(kQMRecentCategoriesKey));
    m_recentCategoriesPopup->setEnabled(false);
}

void QMCategoryPanelController::categoryPathSearchChangedAction(const QString& text)
{
    const SQCategoryPtr selected = tableSelection();
    m_categoryPathsController->setSearchString(text);
    // The selection survives the narrowing when its path still matches.
    if (selected)
        selectCategoryInTable(selected);
    else if (selectedTabIdentifier() == kTableTab)
        noteCategorySelectionDidChange(nullptr);
}

void QMCategoryPanelController::saveFavorites()
{
    QMFavoriteCategoriesManager::sharedInstance().setFavoriteCategories(favorites(), m_siteID);
}
