#pragma once
// The objects of a site's attributes store (eBay's characteristic sets): sets, attributes, their
// values, defaults, presentation instructions, dependencies and validation rules, the category
// mappings, the site-wide exclusions and the month names. Read-only; one object per row (see
// SQManagedObject). Relationships are fetched from the store at each call.
//
//     for (const auto& attribute : store->sortedAttributesForAttributeSet(set))
//         for (const auto& rule : attribute->validationRules())
//             if (!rule->validateValues(chosen)) ...

#include "DWCoreDataEbayDataClasses/SQManagedObject.h"

#include <QList>
#include <QStringList>
#include <memory>

class QMEbayAttributeValue;
class SQAttributeSet;
class SQAttribute;
class SQAttributeValue;
class SQAttributeDependency;
class SQAttributeValidationRule;
class SQAttributeDefault;
class SQAttributePresentationInstruction;
class SQMappedCategory;
class SQExcludedSiteWideSet;
class SQGlobalSettings;
using SQAttributeSetPtr = std::shared_ptr<SQAttributeSet>;
using SQAttributePtr = std::shared_ptr<SQAttribute>;
using SQAttributeValuePtr = std::shared_ptr<SQAttributeValue>;
using SQAttributeDependencyPtr = std::shared_ptr<SQAttributeDependency>;
using SQAttributeValidationRulePtr = std::shared_ptr<SQAttributeValidationRule>;
using SQAttributeDefaultPtr = std::shared_ptr<SQAttributeDefault>;
using SQAttributePresentationInstructionPtr = std::shared_ptr<SQAttributePresentationInstruction>;
using SQMappedCategoryPtr = std::shared_ptr<SQMappedCategory>;
using SQExcludedSiteWideSetPtr = std::shared_ptr<SQExcludedSiteWideSet>;
using SQGlobalSettingsPtr = std::shared_ptr<SQGlobalSettings>;

inline const QString kSQGlobalSettingsSeparator = QStringLiteral(";");

#define SQ_ENTITY_CONSTRUCTOR(Class)                                                                                   \
    Class(std::shared_ptr<SQStoreContext> context, qint64 rowID, std::vector<QVariant> values)                         \
        : SQManagedObject(std::move(context), entityDescription(), rowID, std::move(values))                           \
    {}                                                                                                                 \
    static const SQEntityDescription& entityDescription();

class SQAttributeSet : public SQManagedObject
{
public:
    SQ_ENTITY_CONSTRUCTOR(SQAttributeSet)
    qint64 identifier() const { return integerValue(0); }
    QString name() const { return textValue(1); }
    bool siteWideAttributeSet() const { return integerValue(2) != 0; }
    QList<SQMappedCategoryPtr> mappedCategories() const;
    QList<SQExcludedSiteWideSetPtr> excludedSiteWideSets() const;
    QList<SQAttributePtr> attributes() const;
    QList<SQAttributePresentationInstructionPtr> presentationInstructions() const;
};

class SQAttribute : public SQManagedObject
{
public:
    SQ_ENTITY_CONSTRUCTOR(SQAttribute)
    qint64 identifier() const { return integerValue(0); }
    QString label() const { return textValue(1); }
    qint64 type() const { return integerValue(2); }
    qint64 editType() const { return integerValue(3); }
    qint64 visibility() const { return integerValue(4); }
    qint64 isRequired() const { return integerValue(5); }
    qint64 labelVisible() const { return integerValue(6); }
    // Whether the store gives the flag at all, whatever its value.
    bool hasLabelVisible() const { return value(6).isValid(); }
    qint64 visible() const { return integerValue(7); }
    QString messageTop() const { return textValue(8); }
    QString messageBottom() const { return textValue(9); }
    QString messageLeft() const { return textValue(10); }
    QString messageRight() const { return textValue(11); }
    QString helpText() const { return textValue(12); }
    QString defaultUnitOfMesasureFormatString() const { return textValue(13); }
    QString dateFormat() const { return textValue(14); }

    SQAttributeSetPtr set() const;
    QList<SQAttributeValuePtr> values() const;
    SQAttributeDefaultPtr attributeDefault() const;
    SQAttributePresentationInstructionPtr presentationInstruction() const;
    QList<SQAttributeValidationRulePtr> validationRules() const;
    // Dependencies in which this attribute is the parent, and those in which it is the child.
    QList<SQAttributeDependencyPtr> dependencies() const;
    QList<SQAttributeDependencyPtr> childDependencies() const;

    bool hasRuleWithType(quint64 type) const;
    bool hasValueWithIdentifier(qint64 identifier) const;
    // The first dependency of the list with exactly that parent value and child attribute.
    static SQAttributeDependencyPtr dependencyWithParentValue(const SQAttributeValuePtr& parentValue,
                                                              const SQAttributePtr& childAttribute,
                                                              const QList<SQAttributeDependencyPtr>& dependencies);
    // dependencies() without repeated (parent value, child attribute) pairs; a skipped one is logged.
    QList<SQAttributeDependencyPtr> mergedDependencies() const;
};

class SQAttributeValue : public SQManagedObject
{
public:
    SQ_ENTITY_CONSTRUCTOR(SQAttributeValue)
    // Stored as an integer, read as its decimal text.
    QString identifier() const { return QString::number(integerValue(0)); }
    qint64 integerIdentifier() const { return integerValue(0); }
    QString name() const { return textValue(1); }
    QString displayName() const { return textValue(2); }
    qint64 index() const { return integerValue(3); }
    SQAttributePtr attribute() const;
    // Dependencies that list this value among their child values, and those it is the parent value of.
    QList<SQAttributeDependencyPtr> childDependencies() const;
    QList<SQAttributeDependencyPtr> parentDependencies() const;
    SQAttributeDefaultPtr attributeDefault() const;

    QVariant valueForKey(const QString& key) const override;
};

class SQAttributeDependency : public SQManagedObject
{
public:
    SQ_ENTITY_CONSTRUCTOR(SQAttributeDependency)
    SQAttributePtr attribute() const; // the parent attribute
    SQAttributeValuePtr parentValue() const;
    SQAttributePtr childAttribute() const;
    QList<SQAttributeValuePtr> childValues() const;
};

class SQAttributeValidationRule : public SQManagedObject
{
public:
    SQ_ENTITY_CONSTRUCTOR(SQAttributeValidationRule)
    qint64 type() const { return integerValue(0); }
    QString length() const { return textValue(1); }
    QString precision() const { return textValue(2); }
    QString min() const { return textValue(3); }
    QString max() const { return textValue(4); }
    QString regEx() const { return textValue(5); }
    QString mask() const { return textValue(6); }
    QString seperator() const { return textValue(7); }
    QString peerAttributeID() const { return textValue(8); }
    SQAttributePtr attribute() const;

    // Whether the chosen values satisfy the rule (types 1 to 12; any other type passes with a log
    // line).
    bool validateValues(const QList<QMEbayAttributeValue>& values) const;
    // The same check for a rule type and bounds given directly.
    static bool validateValues(qint64 type, const QString& length, const QString& min, const QString& max,
                               const QList<QMEbayAttributeValue>& values);
};

class SQAttributeDefault : public SQManagedObject
{
public:
    SQ_ENTITY_CONSTRUCTOR(SQAttributeDefault)
    using SQManagedObject::value;
    QString name() const { return textValue(0); }
    QString source() const { return textValue(1); }
    QString day() const { return textValue(2); }
    QString month() const { return textValue(3); }
    QString year() const { return textValue(4); }
    qint64 visible() const { return integerValue(5); }
    qint64 displaySequence() const { return integerValue(6); }
    bool hasDisplaySequence() const { return SQManagedObject::value(6).isValid(); }
    SQAttributePtr attribute() const;
    SQAttributeValuePtr value() const;
};

class SQAttributePresentationInstruction : public SQManagedObject
{
public:
    SQ_ENTITY_CONSTRUCTOR(SQAttributePresentationInstruction)
    qint64 inputType() const { return integerValue(0); }
    qint64 motorsVisibilityType() const { return integerValue(1); }
    SQAttributeSetPtr set() const;
    SQAttributePtr attribute() const;
};

class SQMappedCategory : public SQManagedObject
{
public:
    SQ_ENTITY_CONSTRUCTOR(SQMappedCategory)
    qint64 categoryID() const { return integerValue(0); }
    QList<SQAttributeSetPtr> sets() const;
};

class SQExcludedSiteWideSet : public SQManagedObject
{
public:
    SQ_ENTITY_CONSTRUCTOR(SQExcludedSiteWideSet)
    qint64 categoryID() const { return integerValue(0); }
    QList<SQAttributeSetPtr> sets() const;
};

class SQGlobalSettings : public SQManagedObject
{
public:
    SQ_ENTITY_CONSTRUCTOR(SQGlobalSettings)
    QString monAscShort() const { return textValue(0); }
    QString monDescShort() const { return textValue(1); }
    QString monAscLong() const { return textValue(2); }
    QString monDescLong() const { return textValue(3); }
    QStringList monthAscendingLong() const;
    QStringList monthAscendingShort() const;
    QStringList monthDescendingLong() const;
    QStringList monthDescendingShort() const;
};

class SQAttributesVersion : public SQManagedObject
{
public:
    SQ_ENTITY_CONSTRUCTOR(SQAttributesVersion)
};

#undef SQ_ENTITY_CONSTRUCTOR
