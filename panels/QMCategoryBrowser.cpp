#include "panels/QMCategoryBrowser.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTimer>

namespace {

constexpr int kHasSubcategoriesRole = Qt::UserRole + 1;

// Draws the arrow of a category that opens another column.
class ArrowDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QStyleOptionViewItem text = option;
        if (index.data(kHasSubcategoriesRole).toBool())
            text.rect.setRight(text.rect.right() - 14);
        QStyledItemDelegate::paint(painter, text, index);
        if (!index.data(kHasSubcategoriesRole).toBool())
            return;
        QStyleOption arrow = option;
        arrow.rect = QRect(option.rect.right() - 12, option.rect.top(), 10, option.rect.height());
        const QStyle* style = option.widget ? option.widget->style() : nullptr;
        if (style)
            style->drawPrimitive(QStyle::PE_IndicatorArrowRight, &arrow, painter, option.widget);
    }
};

} // namespace

QMCategoryBrowser::QMCategoryBrowser(QWidget* parent) : QScrollArea(parent)
{
    m_strip = new QWidget;
    m_layout = new QHBoxLayout(m_strip);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(1);
    m_layout->addStretch(1);
    setWidget(m_strip);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    viewport()->installEventFilter(this);
}

void QMCategoryBrowser::setRootCategory(const SQCategoryPtr& rootCategory)
{
    m_rootCategory = rootCategory;
    removeColumnsAfter(-1);
    if (m_rootCategory)
        addColumn(m_rootCategory);
}

QListWidget* QMCategoryBrowser::addColumn(const SQCategoryPtr& parent)
{
    auto* column = new QListWidget(m_strip);
    column->setObjectName(QStringLiteral("browserColumn%1").arg(m_columns.size()));
    column->setFixedWidth(kColumnWidth);
    column->setSelectionMode(QAbstractItemView::SingleSelection);
    column->setUniformItemSizes(true);
    column->setItemDelegate(new ArrowDelegate(column));
    const QList<SQCategoryPtr> children = parent->sortedSubcategories();
    for (const auto& child : children) {
        auto* item = new QListWidgetItem(child->name(), column);
        item->setData(Qt::UserRole, child->categoryID());
        item->setData(kHasSubcategoriesRole, child->subcategoriesCount() > 0);
        item->setToolTip(QStringLiteral("%1 (%2)").arg(child->name()).arg(child->categoryID()));
    }
    m_layout->insertWidget(int(m_columns.size()), column);
    m_columns.append(column);
    m_columnCategories.append(children);
    connect(column, &QListWidget::itemSelectionChanged, this, [this, column] { columnSelectionChanged(column); });
    connect(column, &QListWidget::itemDoubleClicked, this, [this] { Q_EMIT doubleClicked(); });
    scrollToDeepestColumn();
    return column;
}

void QMCategoryBrowser::removeColumnsAfter(int index)
{
    while (m_columns.size() > index + 1) {
        QListWidget* column = m_columns.takeLast();
        m_columnCategories.removeLast();
        column->hide();
        column->deleteLater();
    }
}

void QMCategoryBrowser::columnSelectionChanged(QListWidget* column)
{
    if (m_selecting)
        return;
    const int index = int(m_columns.indexOf(column));
    if (index < 0)
        return;
    removeColumnsAfter(index);
    const int row = column->currentRow();
    if (column->selectedItems().isEmpty() || row < 0) {
        Q_EMIT selectionChanged();
        return;
    }
    const SQCategoryPtr chosen = m_columnCategories.at(index).value(row);
    if (chosen && chosen->subcategoriesCount() > 0)
        addColumn(chosen);
    Q_EMIT selectionChanged();
}

SQCategoryPtr QMCategoryBrowser::selectedCategory() const
{
    for (int index = int(m_columns.size()) - 1; index >= 0; --index) {
        const QList<QListWidgetItem*> selected = m_columns.at(index)->selectedItems();
        if (!selected.isEmpty())
            return m_columnCategories.at(index).value(m_columns.at(index)->row(selected.first()));
    }
    return nullptr;
}

void QMCategoryBrowser::selectCategory(const SQCategoryPtr& category)
{
    if (!m_rootCategory || !category)
        return;
    // The chain from just below the root down to the category; damaged data that loops is cut off.
    QList<qint64> chain;
    for (SQCategoryPtr link = category; link && link->categoryID() != m_rootCategory->categoryID();
         link = link->parentCategory()) {
        if (chain.size() > 64) {
            chain.clear();
            break;
        }
        chain.prepend(link->categoryID());
    }
    m_selecting = true;
    removeColumnsAfter(0);
    m_columns.first()->clearSelection();
    for (int level = 0; level < chain.size(); ++level) {
        const QList<SQCategoryPtr>& categories = m_columnCategories.at(level);
        int row = -1;
        for (int candidate = 0; candidate < categories.size(); ++candidate) {
            if (categories.at(candidate)->categoryID() == chain.at(level)) {
                row = candidate;
                break;
            }
        }
        if (row < 0)
            break;
        QListWidget* column = m_columns.at(level);
        column->setCurrentRow(row);
        column->scrollToItem(column->item(row), QAbstractItemView::PositionAtCenter);
        if (categories.at(row)->subcategoriesCount() > 0)
            addColumn(categories.at(row));
    }
    m_selecting = false;
    Q_EMIT selectionChanged();
}

void QMCategoryBrowser::scrollToDeepestColumn()
{
    // The strip gets its new width once the layout has run: scroll after that.
    QTimer::singleShot(0, this, [this] { horizontalScrollBar()->setValue(horizontalScrollBar()->maximum()); });
}

bool QMCategoryBrowser::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == viewport() && (event->type() == QEvent::Show || event->type() == QEvent::Resize))
        scrollToDeepestColumn();
    return QScrollArea::eventFilter(watched, event);
}
