#include "panels/QMCategoryTreeModel.h"

struct QMCategoryTreeModel::Node
{
    SQCategoryPtr category;
    Node* parent = nullptr;
    int row = 0;
    bool loaded = false;
    std::vector<std::unique_ptr<Node>> children;
};

QMCategoryTreeModel::QMCategoryTreeModel(SQCategoryPtr rootCategory, QObject* parent)
    : QAbstractItemModel(parent), m_root(std::make_unique<Node>())
{
    m_root->category = std::move(rootCategory);
}

QMCategoryTreeModel::~QMCategoryTreeModel() = default;

SQCategoryPtr QMCategoryTreeModel::rootCategory() const
{
    return m_root->category;
}

QMCategoryTreeModel::Node* QMCategoryTreeModel::nodeForIndex(const QModelIndex& index) const
{
    return index.isValid() ? static_cast<Node*>(index.internalPointer()) : m_root.get();
}

void QMCategoryTreeModel::loadChildren(Node* node) const
{
    if (node->loaded)
        return;
    node->loaded = true;
    if (!node->category)
        return;
    int row = 0;
    for (const auto& child : node->category->sortedSubcategories()) {
        auto made = std::make_unique<Node>();
        made->category = child;
        made->parent = node;
        made->row = row++;
        node->children.push_back(std::move(made));
    }
}

SQCategoryPtr QMCategoryTreeModel::categoryForIndex(const QModelIndex& index) const
{
    return index.isValid() ? nodeForIndex(index)->category : nullptr;
}

QModelIndex QMCategoryTreeModel::indexForCategory(const SQCategoryPtr& category) const
{
    if (!category || !m_root->category)
        return {};
    // The chain from the category up to, not including, the root; damaged data that loops is cut off.
    QList<qint64> chain;
    for (SQCategoryPtr link = category; link && link->categoryID() != m_root->category->categoryID();
         link = link->parentCategory()) {
        if (chain.size() > 64)
            return {};
        chain.prepend(link->categoryID());
    }
    Node* node = m_root.get();
    for (const qint64 id : std::as_const(chain)) {
        loadChildren(node);
        Node* next = nullptr;
        for (const auto& child : node->children) {
            if (child->category->categoryID() == id) {
                next = child.get();
                break;
            }
        }
        if (!next)
            return {};
        node = next;
    }
    return node == m_root.get() ? QModelIndex() : createIndex(node->row, 0, node);
}

QModelIndex QMCategoryTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    Node* node = nodeForIndex(parent);
    loadChildren(node);
    if (column != 0 || row < 0 || row >= int(node->children.size()))
        return {};
    return createIndex(row, 0, node->children.at(size_t(row)).get());
}

QModelIndex QMCategoryTreeModel::parent(const QModelIndex& index) const
{
    if (!index.isValid())
        return {};
    Node* parent = nodeForIndex(index)->parent;
    return !parent || parent == m_root.get() ? QModelIndex() : createIndex(parent->row, 0, parent);
}

int QMCategoryTreeModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return 0;
    Node* node = nodeForIndex(parent);
    loadChildren(node);
    return int(node->children.size());
}

int QMCategoryTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

bool QMCategoryTreeModel::hasChildren(const QModelIndex& parent) const
{
    const Node* node = nodeForIndex(parent);
    if (node->loaded)
        return !node->children.empty();
    return node->category && node->category->subcategoriesCount() > 0;
}

QVariant QMCategoryTreeModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const SQCategoryPtr& category = nodeForIndex(index)->category;
    switch (role) {
    case Qt::DisplayRole:
        return category->name();
    case Qt::ToolTipRole:
        return QStringLiteral("%1 (%2)").arg(category->name()).arg(category->categoryID());
    case Qt::UserRole:
        return category->categoryID();
    default:
        return {};
    }
}
