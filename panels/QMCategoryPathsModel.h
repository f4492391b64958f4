#pragma once
// The searchable list of a site's leaf category paths that the category chooser's table shows:
// every leaf's display path, sorted as a seller reads them ("Books 2" before "Books 10", accents
// beside their letters), narrowed to those whose path contains the search text, ignoring case and
// diacritics; "%" and "_" are ordinary characters.
//
// The paths are read once, sorted and folded by the path cache
// (SQCategoryCacheManager::cachedLeafCategoryPathsForSiteID()); each search is a substring test
// over the folded paths in memory, and a text that extends the previous one only narrows the
// previous result, so typing stays quick on sites with tens of thousands of leaves. Main thread.
//
//     QMCategoryPathsModel paths;
//     paths.setLeafPaths(cache->cachedLeafCategoryPathsForSiteID(77));
//     paths.setSearchString(QStringLiteral("epee"));        // finds "Sport › Épée"
//     const qint64 id = paths.categoryIDAtRow(0);

#include "DWCoreDataEbayDataClasses/SQCategoryCacheManager.h"

#include <QAbstractListModel>
#include <QList>

class QMCategoryPathsModel : public QAbstractListModel
{
    Q_OBJECT

public:
    static constexpr int kCategoryIDRole = Qt::UserRole + 1;

    using QAbstractListModel::QAbstractListModel;

    // Replaces the paths, shown in the order given; the current search applies to them.
    void setLeafPaths(SQCachedLeafPaths leaves);
    qsizetype leafPathCount() const { return m_leaves.size(); }

    // Empty: every path.
    void setSearchString(const QString& text);
    const QString& searchString() const { return m_searchString; }

    // -1 / 0 when out of range or not shown.
    qint64 categoryIDAtRow(int row) const;
    int rowForCategoryID(qint64 categoryID) const;
    QString namePathAtRow(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    SQCachedLeafPaths m_leaves;
    QList<int> m_rows;
    QString m_searchString;
    QString m_foldedSearch;
};
