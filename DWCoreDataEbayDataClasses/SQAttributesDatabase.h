#pragma once
// The read-only attributes store of one eBay site (eBay's characteristic sets):
// "Attributes/Attributes.site<ID>.sqlite" in the application support folder. It tells which
// attribute sets apply to a category, the attributes of a set in display order with their values,
// defaults, dependencies and validation rules, the site-wide sets and the month names of date
// attributes.
//
// Obtain stores through the category data managers. Construction opens the file; check isOpen().
// Queries may run on any thread.
//
//     SQAttributesDatabase store(0);
//     for (const auto& set : store.attributeSetsForFirstCategoryID(20081, 0))
//         for (const auto& attribute : store.sortedAttributesForAttributeSet(set)) ...

#include "DWCoreDataEbayDataClasses/SQAbstractDatabase.h"
#include "DWCoreDataEbayDataClasses/SQAttribute.h"

#include <QList>
#include <QStringList>

class SQAttributesDatabase : public SQAbstractDatabase
{
public:
    explicit SQAttributesDatabase(qint64 siteID);

    bool isOpen() const { return m_open; }

    static QString attributesFolderPathNoFolderCreation();
    static QString attributesFolderPath(); // creates the folder; an assertion failure when it cannot
    static QString storePathForSiteID(qint64 siteID);
    static QString modelPath();

    std::shared_ptr<SQStoreContext> persistentStoreCoordinator() override { return weakPersistentStoreCoordinator(); }
    QVariantMap persistentStoreOptions() const override;

    qint64 siteID() const { return m_siteID; }

    SQMappedCategoryPtr categoryMappingForCategoryID(qint64 categoryID);
    SQExcludedSiteWideSetPtr excludedSiteWideSetsForCategoryID(qint64 categoryID);
    // Site-wide sets ascending by name.
    QList<SQAttributeSetPtr> siteWideAttributeSets();
    QList<qint64> siteWideAttributeSetIDs();
    // The sets of a listing with one or two categories (the second may be 0): the site-wide sets
    // that not every category excludes, by name, then the categories' own sets, by name. Empty for
    // a first ID of 0.
    QList<SQAttributeSetPtr> attributeSetsForFirstCategoryID(qint64 firstID, qint64 secondID);
    QStringList attributeSetIDsForFirstCategoryID(qint64 firstID, qint64 secondID);
    SQAttributeSetPtr attributeSetWithIdentifier(qint64 identifier);
    // The set's editable attributes with a presentation instruction, by label.
    QList<SQAttributePtr> attributesForAttributeSet(const SQAttributeSetPtr& set);
    SQAttributePtr attributeWithIdentifier(qint64 identifier, const SQAttributeSetPtr& set);
    // The attributes to show, in display order: by default display sequence, else by label, each
    // followed by the dependent attributes it shows.
    QList<SQAttributePtr> sortedAttributesForAttributeSet(const SQAttributeSetPtr& set);
    QList<SQAttributeValuePtr> attributeValuesForAttribute(const SQAttributePtr& attribute);
    QList<SQAttributeValuePtr> attributeValuesForAttribute(const SQAttributePtr& attribute,
                                                           const QList<SQAttributeValuePtr>& allowedValues);
    SQAttributeDefaultPtr attributeDefaultForAttribute(const SQAttributePtr& attribute);
    SQAttributePresentationInstructionPtr attributePresentationInstructionForAttribute(const SQAttributePtr& attribute);
    QList<SQAttributeValidationRulePtr> attributeValidationRulesForAttribute(const SQAttributePtr& attribute);
    QList<SQAttributePtr> dependentParentAttributesForChildAttribute(const SQAttributePtr& attribute);
    qsizetype countDependentParentAttributesForChildAttribute(const SQAttributePtr& attribute);
    QList<SQAttributePtr> dependentChildAttributesForAttribute(const SQAttributePtr& attribute);
    // The child values allowed when the parent has the value; empty without such a dependency.
    QList<SQAttributeValuePtr> validChildValuesForParentAttribute(const SQAttributePtr& parent,
                                                                  qint64 selectedParentValueIdentifier);

    SQManagedObjectPtr versionObject();
    qint64 characterSetsFileFormatVersion();
    qint64 characterSetsVersion();
    qint64 mappingVersion();
    SQGlobalSettingsPtr globalSetting();
    QStringList monthAscendingLong();
    QStringList monthAscendingShort();
    QStringList monthDescendingLong();
    QStringList monthDescendingShort();

protected:
    QList<SQManagedObjectPtr> fetchEntity(const QString& entityName, const QString& where, qint64 rowID,
                                          bool* ok) override;

private:
    qint64 versionValue(const QString& key);

    qint64 m_siteID;
    bool m_open = false;
};
