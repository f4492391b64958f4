#pragma once
// Category data for tests: categories, attribute sets and cached paths of any site, installed as
// the model's category data while it lives. Counts the category lookups, so a test can show that
// a rule answered without asking.

#include "model/QMCategoryDataSource.h"

#include <QMap>
#include <QSet>
#include <utility>

class FakeCategoryData final : public QMCategoryDataSource
{
public:
    using Key = std::pair<qint64, qint64>; // site ID, category or set ID

    std::optional<QMCategoryInfo> categoryForCategoryID(qint64 categoryID, qint64 siteID) const override
    {
        ++lookups;
        const auto it = categories.constFind({siteID, categoryID});
        return it == categories.constEnd() ? std::nullopt : std::optional<QMCategoryInfo>(*it);
    }
    bool completeDataAvailableForSiteID(qint64 siteID) const override { return completeSites.contains(siteID); }
    QList<qint64> characteristicSetIDsForCategoryIDs(const QList<qint64>& categoryIDs, qint64 siteID) const override
    {
        QList<qint64> ids;
        for (qint64 categoryID : categoryIDs)
            ids += setIDsOfCategory.value({siteID, categoryID});
        return ids;
    }
    std::optional<QList<QMCategoryAttribute>> sortedAttributesForAttributeSet(qint64 setID,
                                                                              qint64 siteID) const override
    {
        const auto it = attributeSets.constFind({siteID, setID});
        return it == attributeSets.constEnd() ? std::nullopt : std::optional<QList<QMCategoryAttribute>>(*it);
    }
    QString cachedCategoryPathForSiteID(qint64 siteID, qint64 categoryID) const override
    {
        return paths.value({siteID, categoryID});
    }

    void addCategory(qint64 siteID, QMCategoryInfo category)
    {
        categories.insert({siteID, category.categoryID}, category);
    }

    QMap<Key, QMCategoryInfo> categories;
    QSet<qint64> completeSites;
    QMap<Key, QList<qint64>> setIDsOfCategory;
    QMap<Key, QList<QMCategoryAttribute>> attributeSets;
    QMap<Key, QString> paths;
    mutable int lookups = 0;
};

// Installs a FakeCategoryData for one scope.
class ScopedCategoryData
{
public:
    ScopedCategoryData() : m_data(std::make_shared<FakeCategoryData>()) { QMCategoryDataSource::install(m_data); }
    ~ScopedCategoryData() { QMCategoryDataSource::install(nullptr); }
    ScopedCategoryData(const ScopedCategoryData&) = delete;
    ScopedCategoryData& operator=(const ScopedCategoryData&) = delete;

    FakeCategoryData* operator->() const { return m_data.get(); }
    FakeCategoryData& operator*() const { return *m_data; }

private:
    std::shared_ptr<FakeCategoryData> m_data;
};

inline QMCategoryCondition condition(qint64 identifier, const char* name, qint64 index)
{
    return {identifier, QString::fromUtf8(name), index};
}

inline QMCategoryInfo categoryWithConditions(qint64 categoryID, std::optional<QList<QMCategoryCondition>> conditions)
{
    QMCategoryInfo category;
    category.categoryID = categoryID;
    category.conditionSet = std::move(conditions);
    return category;
}
