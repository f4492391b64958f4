#pragma once
// The products of a search as table rows: title, lowest and highest price. Main thread.

#include "model/QMEbayProduct.h"

#include <QAbstractTableModel>
#include <QList>

class QMProductsTableModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { TitleColumn, MinPriceColumn, MaxPriceColumn, ColumnCount };

    explicit QMProductsTableModel(QObject* parent = nullptr);

    const QList<QMEbayProduct>& products() const { return m_products; }
    void setProducts(const QList<QMEbayProduct>& products);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<QMEbayProduct> m_products;
};
