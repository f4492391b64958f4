#include "panels/QMCategoryPathsModel.h"

#include <algorithm>

void QMCategoryPathsModel::setLeafPaths(SQCachedLeafPaths leaves)
{
    beginResetModel();
    m_leaves = std::move(leaves);
    m_rows.clear();
    for (int index = 0; index < m_leaves.size(); ++index) {
        if (m_foldedSearch.isEmpty() || m_leaves.foldedNamePath(index).contains(m_foldedSearch))
            m_rows.append(index);
    }
    endResetModel();
}

void QMCategoryPathsModel::setSearchString(const QString& text)
{
    if (text == m_searchString)
        return;
    const QString folded = SQCategoryCacheManager::foldedForSearch(text);
    // A path that holds the longer text holds the shorter one it extends: only the rows shown
    // now can still match.
    const bool narrowing = !m_foldedSearch.isEmpty() && folded.contains(m_foldedSearch);
    QList<int> rows;
    if (folded.isEmpty()) {
        rows.reserve(m_leaves.size());
        for (int index = 0; index < m_leaves.size(); ++index)
            rows.append(index);
    } else if (narrowing) {
        for (const int index : std::as_const(m_rows)) {
            if (m_leaves.foldedNamePath(index).contains(folded))
                rows.append(index);
        }
    } else {
        for (int index = 0; index < m_leaves.size(); ++index) {
            if (m_leaves.foldedNamePath(index).contains(folded))
                rows.append(index);
        }
    }
    beginResetModel();
    m_searchString = text;
    m_foldedSearch = folded;
    m_rows = std::move(rows);
    endResetModel();
}

qint64 QMCategoryPathsModel::categoryIDAtRow(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_leaves.categoryID(m_rows.at(row)) : -1;
}

QString QMCategoryPathsModel::namePathAtRow(int row) const
{
    return row >= 0 && row < m_rows.size() ? m_leaves.namePath(m_rows.at(row)).toString() : QString();
}

int QMCategoryPathsModel::rowForCategoryID(qint64 categoryID) const
{
    for (int row = 0; row < m_rows.size(); ++row) {
        if (m_leaves.categoryID(m_rows.at(row)) == categoryID)
            return row;
    }
    return -1;
}

int QMCategoryPathsModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant QMCategoryPathsModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    const int leaf = m_rows.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        return m_leaves.namePath(leaf).toString();
    case kCategoryIDRole:
        return m_leaves.categoryID(leaf);
    default:
        return {};
    }
}
