#pragma once
// The list of progress items that feeds the animated progress view (its "items" binding): one
// row per item in the order added, with the item's uuid, status and picture under the roles of
// QMProgressAnimationItemProtocol. A change of an item's status or picture becomes dataChanged()
// of its row with that role. The model shares ownership of its items. Main thread.
//
//     QMProgressItemListModel items;
//     view->bindItems(&items);
//     items.appendItem(item);            // the view makes the item's card
//     item->setStatus(2);                // the card moves to the upload column

#include "ProgressAnimationView/QMProgressAnimationItemProtocol.h"

#include <QAbstractListModel>
#include <QList>
#include <memory>

class QMProgressItemListModel : public QAbstractListModel
{
    Q_OBJECT

public:
    using QAbstractListModel::QAbstractListModel;

    void appendItem(const std::shared_ptr<QMProgressAnimationItemProtocol>& item);
    void removeAllItems();
    const QList<std::shared_ptr<QMProgressAnimationItemProtocol>>& items() const { return m_items; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QHash<int, QByteArray> roleNames() const override;

private:
    void itemChanged(const QMProgressAnimationItemProtocol* item, int role);

    QList<std::shared_ptr<QMProgressAnimationItemProtocol>> m_items;
};
