#include "panels/QMErrorTableModel.h"

#include "panels/QMError+Bindings.h"
#include "platform/core/Localization.h"

#include <QHeaderView>
#include <QIcon>
#include <QPixmap>
#include <QTableView>
#include <algorithm>

void QMErrorTableModel::setErrorEnvelope(const std::shared_ptr<QMErrorEnvelope>& envelope)
{
    QMErrorList sorted = envelope ? QMErrorBindings::sortedForDisplay(envelope->errors()) : QMErrorList();
    if (envelope == m_envelope && sorted == m_errors)
        return;
    beginResetModel();
    m_envelope = envelope;
    m_errors = std::move(sorted);
    endResetModel();
}

std::shared_ptr<QMError> QMErrorTableModel::errorAtRow(int row) const
{
    return row >= 0 && row < m_errors.size() ? m_errors.at(row) : nullptr;
}

void QMErrorTableModel::refreshIgnoreState()
{
    if (!m_errors.isEmpty())
        Q_EMIT dataChanged(index(0, IgnoredColumn), index(int(m_errors.size()) - 1, IgnoredColumn));
}

int QMErrorTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_errors.size());
}

int QMErrorTableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant QMErrorTableModel::data(const QModelIndex& index, int role) const
{
    const auto error = index.isValid() ? errorAtRow(index.row()) : nullptr;
    if (!error)
        return {};
    switch (index.column()) {
    case LevelColumn:
        if (role == Qt::DisplayRole)
            return QMErrorBindings::localizedLevel(*error);
        if (role == Qt::DecorationRole) {
            // As an icon, so that the table draws it at its icon size.
            const QImage image = QMErrorBindings::image(*error);
            return image.isNull() ? QVariant() : QVariant(QIcon(QPixmap::fromImage(image)));
        }
        break;
    case MessageColumn:
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
            return error->message();
        break;
    case IgnoredColumn:
        if (role == Qt::CheckStateRole && error->isWarning())
            return QMErrorBindings::errorIsIgnored(*error) ? Qt::Checked : Qt::Unchecked;
        break;
    default:
        break;
    }
    return {};
}

QVariant QMErrorTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case LevelColumn:
        return dw::localized("Type");
    case MessageColumn:
        return dw::localized("Message");
    case IgnoredColumn:
        return dw::localized("Ignored");
    default:
        return {};
    }
}

QTableView* QMErrorTableModel::makeTableView(QWidget* parent)
{
    auto* view = new QTableView(parent);
    view->setModel(this);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setWordWrap(true);
    view->setShowGrid(false);
    view->setAlternatingRowColors(true);
    view->setIconSize(QSize(16, 16));
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    view->horizontalHeader()->setSectionResizeMode(LevelColumn, QHeaderView::ResizeToContents);
    view->horizontalHeader()->setSectionResizeMode(MessageColumn, QHeaderView::Stretch);
    view->horizontalHeader()->setSectionResizeMode(IgnoredColumn, QHeaderView::ResizeToContents);
    return view;
}

QMErrorList QMErrorTableModel::selectedErrors(const QTableView* view) const
{
    QModelIndexList rows = view->selectionModel() ? view->selectionModel()->selectedRows() : QModelIndexList();
    std::sort(rows.begin(), rows.end());
    QMErrorList selected;
    for (const QModelIndex& row : std::as_const(rows)) {
        if (const auto error = errorAtRow(row.row()))
            selected.append(error);
    }
    return selected;
}
