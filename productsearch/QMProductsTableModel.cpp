#include "productsearch/QMProductsTableModel.h"

#include "platform/core/Localization.h"

QMProductsTableModel::QMProductsTableModel(QObject* parent) : QAbstractTableModel(parent) {}

void QMProductsTableModel::setProducts(const QList<QMEbayProduct>& products)
{
    beginResetModel();
    m_products = products;
    endResetModel();
}

int QMProductsTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_products.size());
}

int QMProductsTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant QMProductsTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_products.size())
        return {};
    const QMEbayProduct& product = m_products.at(index.row());
    if (role == Qt::DisplayRole) {
        switch (index.column()) {
        case TitleColumn:
            return product.title;
        case MinPriceColumn:
            return product.minPrice;
        case MaxPriceColumn:
            return product.maxPrice;
        default:
            return {};
        }
    }
    if (role == Qt::ToolTipRole && index.column() == TitleColumn)
        return product.title;
    if (role == Qt::TextAlignmentRole && index.column() != TitleColumn)
        return int(Qt::AlignRight | Qt::AlignVCenter);
    return {};
}

QVariant QMProductsTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case TitleColumn:
        return dw::localized("Search Result");
    case MinPriceColumn:
        return dw::localized("From");
    case MaxPriceColumn:
        return dw::localized("To");
    default:
        return {};
    }
}
