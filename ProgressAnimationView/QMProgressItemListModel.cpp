#include "ProgressAnimationView/QMProgressItemListModel.h"

void QMProgressItemListModel::appendItem(const std::shared_ptr<QMProgressAnimationItemProtocol>& item)
{
    if (!item)
        return;
    const auto row = int(m_items.size());
    beginInsertRows(QModelIndex(), row, row);
    m_items.append(item);
    endInsertRows();
    const QMProgressAnimationItemProtocol* raw = item.get();
    connect(raw, &QMProgressAnimationItemProtocol::statusChanged, this,
            [this, raw] { itemChanged(raw, QMProgressAnimationItemProtocol::StatusRole); });
    connect(raw, &QMProgressAnimationItemProtocol::imageChanged, this,
            [this, raw] { itemChanged(raw, QMProgressAnimationItemProtocol::ImageRole); });
}

void QMProgressItemListModel::removeAllItems()
{
    beginResetModel();
    for (const auto& item : std::as_const(m_items))
        disconnect(item.get(), nullptr, this, nullptr);
    m_items.clear();
    endResetModel();
}

int QMProgressItemListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_items.size());
}

QVariant QMProgressItemListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_items.size())
        return {};
    const auto& item = m_items.at(index.row());
    switch (role) {
    case QMProgressAnimationItemProtocol::ImageRole:
        return item->image();
    case QMProgressAnimationItemProtocol::UuidRole:
    case Qt::DisplayRole:
        return item->uuid();
    case QMProgressAnimationItemProtocol::StatusRole:
        return item->status();
    default:
        return {};
    }
}

QHash<int, QByteArray> QMProgressItemListModel::roleNames() const
{
    return {{QMProgressAnimationItemProtocol::ImageRole, "image"},
            {QMProgressAnimationItemProtocol::UuidRole, "uuid"},
            {QMProgressAnimationItemProtocol::StatusRole, "status"}};
}

void QMProgressItemListModel::itemChanged(const QMProgressAnimationItemProtocol* item, int role)
{
    for (int row = 0; row < m_items.size(); ++row) {
        if (m_items.at(row).get() == item) {
            const QModelIndex changed = index(row);
            Q_EMIT dataChanged(changed, changed, {role});
            return;
        }
    }
}
