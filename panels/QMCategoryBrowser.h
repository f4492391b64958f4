#pragma once
// The category chooser's column browser: the root's subcategories in the first column, the
// subcategories of the category selected in a column in the next one, each sorted by name;
// categories with subcategories carry an arrow. The columns scroll sideways so that the deepest
// one stays in view. Main thread.
//
//     auto* browser = new QMCategoryBrowser(page);
//     browser->setRootCategory(store->categoryForCategoryID(0));
//     browser->selectCategory(category);            // opens the columns down to it
//     connect(browser, &QMCategoryBrowser::selectionChanged, ...);

#include "DWCoreDataEbayDataClasses/SQCategory.h"

#include <QList>
#include <QScrollArea>

class QHBoxLayout;
class QListWidget;
class QListWidgetItem;

class QMCategoryBrowser : public QScrollArea
{
    Q_OBJECT

public:
    static constexpr int kColumnWidth = 220;

    explicit QMCategoryBrowser(QWidget* parent = nullptr);

    void setRootCategory(const SQCategoryPtr& rootCategory);
    // The category selected in the last column that has a selection; null when none.
    SQCategoryPtr selectedCategory() const;
    // Opens the columns along the category's chain of parents and selects it; null does nothing.
    void selectCategory(const SQCategoryPtr& category);

    int columnCount() const { return int(m_columns.size()); }
    QListWidget* column(int index) const { return m_columns.value(index); }

Q_SIGNALS:
    void selectionChanged();
    void doubleClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QListWidget* addColumn(const SQCategoryPtr& parent);
    void removeColumnsAfter(int index);
    void columnSelectionChanged(QListWidget* column);
    void scrollToDeepestColumn();

    SQCategoryPtr m_rootCategory;
    QWidget* m_strip = nullptr;
    QHBoxLayout* m_layout = nullptr;
    QList<QListWidget*> m_columns;
    QList<QList<SQCategoryPtr>> m_columnCategories;
    bool m_selecting = false;
};
