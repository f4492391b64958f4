#include "DWCoreDataEbayDataClasses/SQAttribute.h"

#include "SQStoreContext_p.h"

#include "DWKit/QMLog.h"
#include "model/QMEbayAttributeValue.h"
#include "platform/core/CocoaNumbers.h"

#include <QHash>

namespace {

auto bindRow(qint64 rowID)
{
    return [rowID](dw::sq::Statement& statement) { statement.bind(1, rowID); };
}

QStringList attributeColumns(std::initializer_list<const char*> names)
{
    QStringList list;
    for (const char* name : names)
        list.append(QString::fromLatin1(name));
    return list;
}

} // namespace

// --- entity descriptions ------------------------------------------------------------------------

const SQEntityDescription& SQAttributeSet::entityDescription()
{
    static const SQEntityDescription entity{
        QStringLiteral("AttributeSet"), attributeColumns({"identifier", "name", "siteWideAttributeSet"}), {}};
    return entity;
}

const SQEntityDescription& SQAttribute::entityDescription()
{
    static const SQEntityDescription entity{
        QStringLiteral("Attribute"),
        attributeColumns({"identifier", "label", "type", "editType", "visibility", "isRequired", "labelVisible",
                          "visible", "messageTop", "messageBottom", "messageLeft", "messageRight", "helpText",
                          "defaultUnitOfMesasureFormatString", "dateFormat"}),
        attributeColumns({"set"})};
    return entity;
}

const SQEntityDescription& SQAttributeValue::entityDescription()
{
    static const SQEntityDescription entity{QStringLiteral("AttributeValue"),
                                            attributeColumns({"identifier", "name", "displayName", "index"}),
                                            attributeColumns({"attribute"})};
    return entity;
}

const SQEntityDescription& SQAttributeDependency::entityDescription()
{
    static const SQEntityDescription entity{
        QStringLiteral("AttributeDependency"), {}, attributeColumns({"attribute", "parentValue", "childAttribute"})};
    return entity;
}

const SQEntityDescription& SQAttributeValidationRule::entityDescription()
{
    static const SQEntityDescription entity{QStringLiteral("AttributeValidationRule"),
                                            attributeColumns({"type", "length", "precision", "min", "max", "regEx",
                                                              "mask", "seperator", "peerAttributeID"}),
                                            attributeColumns({"attribute"})};
    return entity;
}

const SQEntityDescription& SQAttributeDefault::entityDescription()
{
    static const SQEntityDescription entity{
        QStringLiteral("AttributeDefault"),
        attributeColumns({"name", "source", "day", "month", "year", "visible", "displaySequence"}),
        attributeColumns({"attribute", "value"})};
    return entity;
}

const SQEntityDescription& SQAttributePresentationInstruction::entityDescription()
{
    static const SQEntityDescription entity{QStringLiteral("AttributePresentationInstruction"),
                                            attributeColumns({"inputType", "motorsVisibilityType"}),
                                            attributeColumns({"set", "attribute"})};
    return entity;
}

const SQEntityDescription& SQMappedCategory::entityDescription()
{
    static const SQEntityDescription entity{QStringLiteral("MappedCategory"), attributeColumns({"categoryID"}), {}};
    return entity;
}

const SQEntityDescription& SQExcludedSiteWideSet::entityDescription()
{
    static const SQEntityDescription entity{
        QStringLiteral("ExcludedSiteWideSet"), attributeColumns({"categoryID"}), {}};
    return entity;
}

const SQEntityDescription& SQGlobalSettings::entityDescription()
{
    static const SQEntityDescription entity{
        QStringLiteral("GlobalSettings"),
        attributeColumns({"monAscShort", "monDescShort", "monAscLong", "monDescLong"}),
        {}};
    return entity;
}

const SQEntityDescription& SQAttributesVersion::entityDescription()
{
    static const SQEntityDescription entity{
        QStringLiteral("Version"),
        attributeColumns({"characterSetsFileFormatVersion", "characterSetsVersion", "mappingFileFormatVersion"}),
        {}};
    return entity;
}

// --- relationships ------------------------------------------------------------------------------

QList<SQMappedCategoryPtr> SQAttributeSet::mappedCategories() const
{
    return context()->fetch<SQMappedCategory>(
        QStringLiteral("id IN (SELECT mappedCategory FROM MappedCategory_sets WHERE attributeSet = ?)"),
        bindRow(rowID()));
}

QList<SQExcludedSiteWideSetPtr> SQAttributeSet::excludedSiteWideSets() const
{
    return context()->fetch<SQExcludedSiteWideSet>(
        QStringLiteral("id IN (SELECT excludedSiteWideSet FROM ExcludedSiteWideSet_sets WHERE attributeSet = ?)"),
        bindRow(rowID()));
}

QList<SQAttributePtr> SQAttributeSet::attributes() const
{
    return context()->fetch<SQAttribute>(QStringLiteral("\"set\" = ?"), bindRow(rowID()));
}

QList<SQAttributePresentationInstructionPtr> SQAttributeSet::presentationInstructions() const
{
    return context()->fetch<SQAttributePresentationInstruction>(QStringLiteral("\"set\" = ?"), bindRow(rowID()));
}

SQAttributeSetPtr SQAttribute::set() const
{
    return context()->objectWithRowID<SQAttributeSet>(relationshipRowID(QStringLiteral("set")));
}

QList<SQAttributeValuePtr> SQAttribute::values() const
{
    return context()->fetch<SQAttributeValue>(QStringLiteral("attribute = ?"), bindRow(rowID()));
}

SQAttributeDefaultPtr SQAttribute::attributeDefault() const
{
    return context()->fetchFirst<SQAttributeDefault>(QStringLiteral("attribute = ?"), bindRow(rowID()));
}

SQAttributePresentationInstructionPtr SQAttribute::presentationInstruction() const
{
    return context()->fetchFirst<SQAttributePresentationInstruction>(QStringLiteral("attribute = ?"), bindRow(rowID()));
}

QList<SQAttributeValidationRulePtr> SQAttribute::validationRules() const
{
    return context()->fetch<SQAttributeValidationRule>(QStringLiteral("attribute = ?"), bindRow(rowID()));
}

QList<SQAttributeDependencyPtr> SQAttribute::dependencies() const
{
    return context()->fetch<SQAttributeDependency>(QStringLiteral("attribute = ?"), bindRow(rowID()));
}

QList<SQAttributeDependencyPtr> SQAttribute::childDependencies() const
{
    return context()->fetch<SQAttributeDependency>(QStringLiteral("childAttribute = ?"), bindRow(rowID()));
}

bool SQAttribute::hasRuleWithType(quint64 ruleType) const
{
    for (const auto& rule : validationRules()) {
        if (quint64(rule->type()) == ruleType)
            return true;
    }
    return false;
}

bool SQAttribute::hasValueWithIdentifier(qint64 valueIdentifier) const
{
    for (const auto& attributeValue : values()) {
        if (attributeValue->integerIdentifier() == valueIdentifier)
            return true;
    }
    return false;
}

SQAttributeDependencyPtr SQAttribute::dependencyWithParentValue(const SQAttributeValuePtr& parentValue,
                                                                const SQAttributePtr& childAttribute,
                                                                const QList<SQAttributeDependencyPtr>& dependencies)
{
    for (const auto& dependency : dependencies) {
        if (dependency->parentValue() == parentValue && dependency->childAttribute() == childAttribute)
            return dependency;
    }
    return nullptr;
}

QList<SQAttributeDependencyPtr> SQAttribute::mergedDependencies() const
{
    QList<SQAttributeDependencyPtr> merged;
    for (const auto& dependency : dependencies()) {
        const auto kept = dependencyWithParentValue(dependency->parentValue(), dependency->childAttribute(), merged);
        if (!kept) {
            merged.append(dependency);
            continue;
        }
        QMLog("-[SQAttribute mergedDependencies] found other dependency:\n%@\n\n(%@)",
              kept->objectIDURIRepresentation(), dependency->objectIDURIRepresentation());
    }
    return merged;
}

SQAttributePtr SQAttributeValue::attribute() const
{
    return context()->objectWithRowID<SQAttribute>(relationshipRowID(QStringLiteral("attribute")));
}

QList<SQAttributeDependencyPtr> SQAttributeValue::childDependencies() const
{
    return context()->fetch<SQAttributeDependency>(
        QStringLiteral("id IN (SELECT dependency FROM AttributeDependency_childValues WHERE value = ?)"),
        bindRow(rowID()));
}

QList<SQAttributeDependencyPtr> SQAttributeValue::parentDependencies() const
{
    return context()->fetch<SQAttributeDependency>(QStringLiteral("parentValue = ?"), bindRow(rowID()));
}

SQAttributeDefaultPtr SQAttributeValue::attributeDefault() const
{
    return context()->fetchFirst<SQAttributeDefault>(QStringLiteral("value = ?"), bindRow(rowID()));
}

QVariant SQAttributeValue::valueForKey(const QString& key) const
{
    if (key == QLatin1String("identifier"))
        return identifier();
    return SQManagedObject::valueForKey(key);
}

SQAttributePtr SQAttributeDependency::attribute() const
{
    return context()->objectWithRowID<SQAttribute>(relationshipRowID(QStringLiteral("attribute")));
}

SQAttributeValuePtr SQAttributeDependency::parentValue() const
{
    return context()->objectWithRowID<SQAttributeValue>(relationshipRowID(QStringLiteral("parentValue")));
}

SQAttributePtr SQAttributeDependency::childAttribute() const
{
    return context()->objectWithRowID<SQAttribute>(relationshipRowID(QStringLiteral("childAttribute")));
}

QList<SQAttributeValuePtr> SQAttributeDependency::childValues() const
{
    return context()->fetch<SQAttributeValue>(
        QStringLiteral("id IN (SELECT value FROM AttributeDependency_childValues WHERE dependency = ?)"),
        bindRow(rowID()));
}

SQAttributePtr SQAttributeValidationRule::attribute() const
{
    return context()->objectWithRowID<SQAttribute>(relationshipRowID(QStringLiteral("attribute")));
}

SQAttributePtr SQAttributeDefault::attribute() const
{
    return context()->objectWithRowID<SQAttribute>(relationshipRowID(QStringLiteral("attribute")));
}

SQAttributeValuePtr SQAttributeDefault::value() const
{
    return context()->objectWithRowID<SQAttributeValue>(relationshipRowID(QStringLiteral("value")));
}

SQAttributeSetPtr SQAttributePresentationInstruction::set() const
{
    return context()->objectWithRowID<SQAttributeSet>(relationshipRowID(QStringLiteral("set")));
}

SQAttributePtr SQAttributePresentationInstruction::attribute() const
{
    return context()->objectWithRowID<SQAttribute>(relationshipRowID(QStringLiteral("attribute")));
}

QList<SQAttributeSetPtr> SQMappedCategory::sets() const
{
    return context()->fetch<SQAttributeSet>(
        QStringLiteral("id IN (SELECT attributeSet FROM MappedCategory_sets WHERE mappedCategory = ?)"),
        bindRow(rowID()));
}

QList<SQAttributeSetPtr> SQExcludedSiteWideSet::sets() const
{
    return context()->fetch<SQAttributeSet>(
        QStringLiteral("id IN (SELECT attributeSet FROM ExcludedSiteWideSet_sets WHERE excludedSiteWideSet = ?)"),
        bindRow(rowID()));
}

QStringList SQGlobalSettings::monthAscendingLong() const
{
    return monAscLong().split(kSQGlobalSettingsSeparator);
}

QStringList SQGlobalSettings::monthAscendingShort() const
{
    return monAscShort().split(kSQGlobalSettingsSeparator);
}

QStringList SQGlobalSettings::monthDescendingLong() const
{
    return monDescLong().split(kSQGlobalSettingsSeparator);
}

QStringList SQGlobalSettings::monthDescendingShort() const
{
    return monDescShort().split(kSQGlobalSettingsSeparator);
}

// --- validation ---------------------------------------------------------------------------------

bool SQAttributeValidationRule::validateValues(const QList<QMEbayAttributeValue>& values) const
{
    return validateValues(type(), length(), min(), max(), values);
}

bool SQAttributeValidationRule::validateValues(qint64 ruleType, const QString& length, const QString& min,
                                               const QString& max, const QList<QMEbayAttributeValue>& values)
{
    const auto isOther = [](const QMEbayAttributeValue& v) {
        return dw::integerValue(v.identifier()) == kQMAttributeValueIdentifier_other;
    };
    const auto isIgnore = [](const QMEbayAttributeValue& v) {
        return dw::integerValue(v.identifier()) == kQMAttributeValueIdentifier_ignore;
    };
    const qint64 count = values.size();
    switch (ruleType) {
    case 1: // maximum text length of free values
        for (const auto& v : values) {
            if (isOther(v) && v.name().size() > dw::integerValue(length))
                return false;
        }
        return true;
    case 2: // integer range
        for (const auto& v : values) {
            if (isIgnore(v))
                continue;
            const qint64 number = dw::integerValue(v.name());
            if (number < dw::integerValue(min) || number > dw::integerValue(max))
                return false;
        }
        return true;
    case 3: // required
        return !(values.isEmpty() || (values.size() == 1 && isIgnore(values.first())));
    case 4: // real range
        for (const auto& v : values) {
            const double number = dw::doubleValue(v.name());
            if (dw::doubleValue(min) > number || number > dw::doubleValue(max))
                return false;
        }
        return true;
    case 5: // real maximum
        for (const auto& v : values) {
            if (dw::doubleValue(v.name()) > dw::doubleValue(max))
                return false;
        }
        return true;
    case 6: // integer maximum
        for (const auto& v : values) {
            if (dw::integerValue(v.name()) > dw::integerValue(max))
                return false;
        }
        return true;
    case 7: // real minimum
        for (const auto& v : values) {
            if (dw::doubleValue(min) > dw::doubleValue(v.name()))
                return false;
        }
        return true;
    case 8: // integer minimum; "leave out" is excused
        for (const auto& v : values) {
            if (dw::integerValue(v.name()) < dw::integerValue(min) && !isIgnore(v))
                return false;
        }
        return true;
    case 9:
        return count <= dw::integerValue(max);
    case 10:
        return count >= dw::integerValue(min);
    case 11:
        return count <= dw::integerValue(max) && count >= dw::integerValue(min);
    case 12: { // date digits: YYYYMMDD, YYYYMM, YYYY or a two-digit part
        if (values.isEmpty())
            return true;
        const QString text = values.first().name();
        const auto digits = text.size();
        if (digits != 8 && digits != 6 && digits != 4 && digits != 2)
            return false;
        for (const QChar c : text) {
            if (!c.isDigit())
                return false;
        }
        return true;
    }
    default:
        QMLog("No code for validing rule with type %d", int(ruleType));
        return true;
    }
}
