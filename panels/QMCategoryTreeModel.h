#pragma once
// The category tree of one site for the chooser's column browser: the root's subcategories in the
// first column, each category's subcategories (sorted by name) in the next. Children are read from
// the store when a column first shows them. Main thread.
//
//     QMCategoryTreeModel tree(store->categoryForCategoryID(0));
//     columnView->setModel(&tree);
//     columnView->setCurrentIndex(tree.indexForCategory(category));   // opens its columns

#include "DWCoreDataEbayDataClasses/SQCategory.h"

#include <QAbstractItemModel>
#include <memory>
#include <vector>

class QMCategoryTreeModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    explicit QMCategoryTreeModel(SQCategoryPtr rootCategory, QObject* parent = nullptr);
    ~QMCategoryTreeModel() override;

    SQCategoryPtr rootCategory() const;
    SQCategoryPtr categoryForIndex(const QModelIndex& index) const;
    // The index of a category below the root, found through its chain of parents; invalid for
    // null, the root or a category of another tree.
    QModelIndex indexForCategory(const SQCategoryPtr& category) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    struct Node;
    Node* nodeForIndex(const QModelIndex& index) const;
    void loadChildren(Node* node) const;

    std::unique_ptr<Node> m_root;
};
