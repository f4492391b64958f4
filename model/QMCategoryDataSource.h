#pragma once
// What the listing model reads of eBay's per-site category and attribute stores: categories with
// their flags and item conditions, the attribute sets of categories with their attributes, and the
// cached category paths. The stores live in a layer above the model and install themselves here
// at start; the model asks through this interface only.
//
// Until a source is installed (tools, tests without one) no category is known: every category is
// "not found", no site has complete data. Main thread, like the listings that ask.
//
//     class SQCategoryDataManager : public QMCategoryDataSource { ... };
//     QMCategoryDataSource::install(manager);
//     if (const auto source = QMCategoryDataSource::installed())
//         source->categoryExistsForSiteID(item.category(), item.siteID());

#include <QList>
#include <QString>
#include <memory>
#include <optional>

// One item condition a category offers ("New", "Used", ...); `index` is its display order.
struct QMCategoryCondition
{
    qint64 identifier = 0;
    QString name;
    qint64 index = 0;

    bool operator==(const QMCategoryCondition&) const = default;
};

// One category of a site's store with the flags the eBay rules read.
struct QMCategoryInfo
{
    qint64 categoryID = 0;
    bool conditionRequired = false;
    bool supportsCustomSpecifics = false;
    bool reservePriceAllowed = false;
    bool supportsBestOffer = false;
    // Nullopt: the category has no condition set; an empty list: a set without conditions.
    std::optional<QList<QMCategoryCondition>> conditionSet;
};

// An attribute that is shown only when another attribute has a certain value: the dependent
// (child) attribute and the value of the attribute that owns the dependency.
struct QMAttributeDependency
{
    qint64 childAttributeIdentifier = 0;
    QString parentValueIdentifier;
};

// One attribute of an attribute set.
struct QMCategoryAttribute
{
    // Validation rule type of a required attribute.
    static constexpr qint64 kRequiredRuleType = 3;
    // Visibility of an attribute shown only through a dependency.
    static constexpr qint64 kDependentVisibility = 2;
    // Edit type of an attribute that a listing never sends.
    static constexpr qint64 kNotSentEditType = 1;

    qint64 identifier = 0;
    QString label;
    // Whether pages show the label beside the chosen values.
    bool labelVisible = true;
    qint64 visibility = 0;
    qint64 editType = 0;
    QList<qint64> validationRuleTypes;
    QList<QMAttributeDependency> dependencies;
};

class QMCategoryDataSource
{
public:
    virtual ~QMCategoryDataSource() = default;

    // The category in the site's store; nullopt when the site has no store or the ID is not in it.
    virtual std::optional<QMCategoryInfo> categoryForCategoryID(qint64 categoryID, qint64 siteID) const = 0;
    // Both the category store and the attribute store of the site can be opened.
    virtual bool completeDataAvailableForSiteID(qint64 siteID) const = 0;
    // The attribute-set IDs of the first and (when given) second category; empty for none.
    virtual QList<qint64> characteristicSetIDsForCategoryIDs(const QList<qint64>& categoryIDs, qint64 siteID) const = 0;
    // The set's attributes in display order; nullopt when the site's attribute store or the set is
    // not there.
    virtual std::optional<QList<QMCategoryAttribute>> sortedAttributesForAttributeSet(qint64 setID,
                                                                                      qint64 siteID) const = 0;
    // The cached path text of the category; null when the cache has none.
    virtual QString cachedCategoryPathForSiteID(qint64 siteID, qint64 categoryID) const = 0;
    // The name of an attribute set; null when the site's attribute store or the set is not there.
    virtual QString characteristicSetNameForSetID(qint64 /*setID*/, qint64 /*siteID*/) const { return QString(); }

    bool categoryExistsForSiteID(qint64 categoryID, qint64 siteID) const
    {
        return categoryForCategoryID(categoryID, siteID).has_value();
    }
    // False for category 0 and for a category that is not found.
    bool categoryIDSupportsReservedPrice(qint64 categoryID, qint64 siteID) const;
    bool categoryIDSupportsBestOffer(qint64 categoryID, qint64 siteID) const;

    // The installed source, or null.
    static std::shared_ptr<QMCategoryDataSource> installed();
    // Null removes the source.
    static void install(std::shared_ptr<QMCategoryDataSource> source);
};
