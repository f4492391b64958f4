#include "DWCoreDataEbayDataClasses/SQAttributesDatabase.h"

#include "SQStoreContext_p.h"

#include "DWKit/NSManagedObject+DWExtension.h"
#include "DWKit/QMLog.h"
#include "platform/core/DWAssert.h"
#include "platform/core/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

namespace {

auto bindValue(qint64 value)
{
    return [value](dw::sq::Statement& statement) { statement.bind(1, value); };
}

template<class T>
void appendOnce(QList<std::shared_ptr<T>>& list, const std::shared_ptr<T>& object)
{
    if (object && !list.contains(object))
        list.append(object);
}

} // namespace

SQAttributesDatabase::SQAttributesDatabase(qint64 siteID)
    : SQAbstractDatabase(modelPath(), storePathForSiteID(siteID)), m_siteID(siteID)
{
    if (!QFileInfo::exists(databasePath()))
        return;
    m_open = managedObjectContext() != nullptr;
    if (!m_open)
        QMLog("Could not open categories file with local mom");
}

QString SQAttributesDatabase::attributesFolderPathNoFolderCreation()
{
    return supportFolderPath(QStringLiteral("Attributes"), false);
}

QString SQAttributesDatabase::attributesFolderPath()
{
    return supportFolderPath(QStringLiteral("Attributes"), true);
}

QString SQAttributesDatabase::storePathForSiteID(qint64 siteID)
{
    return attributesFolderPathNoFolderCreation() + QStringLiteral("/Attributes.site%1.sqlite").arg(siteID);
}

QString SQAttributesDatabase::modelPath()
{
    return modelFilePath(QStringLiteral("Attributes_v2.sql"));
}

QVariantMap SQAttributesDatabase::persistentStoreOptions() const
{
    return readOnlyStoreOptions();
}

SQMappedCategoryPtr SQAttributesDatabase::categoryMappingForCategoryID(qint64 categoryID)
{
    const auto context = managedObjectContext();
    if (!context || categoryID == 0)
        return nullptr;
    return context->fetchFirst<SQMappedCategory>(QStringLiteral("categoryID = ?"), bindValue(categoryID));
}

SQExcludedSiteWideSetPtr SQAttributesDatabase::excludedSiteWideSetsForCategoryID(qint64 categoryID)
{
    const auto context = managedObjectContext();
    if (!context || categoryID == 0)
        return nullptr;
    return context->fetchFirst<SQExcludedSiteWideSet>(QStringLiteral("categoryID = ?"), bindValue(categoryID));
}

QList<SQAttributeSetPtr> SQAttributesDatabase::siteWideAttributeSets()
{
    const auto context = managedObjectContext();
    if (!context)
        return {};
    return dw::sortObjects(context->fetch<SQAttributeSet>(QStringLiteral("siteWideAttributeSet != 0")),
                           QStringLiteral("name"));
}

QList<qint64> SQAttributesDatabase::siteWideAttributeSetIDs()
{
    QList<qint64> ids;
    for (const auto& set : siteWideAttributeSets())
        ids.append(set->identifier());
    return ids;
}

QList<SQAttributeSetPtr> SQAttributesDatabase::attributeSetsForFirstCategoryID(qint64 firstID, qint64 secondID)
{
    if (firstID == 0 || !managedObjectContext())
        return {};
    QList<SQAttributeSetPtr> mapped;
    for (const qint64 categoryID : {firstID, secondID}) {
        if (const auto mapping = categoryMappingForCategoryID(categoryID)) {
            for (const auto& set : mapping->sets())
                appendOnce(mapped, set);
        }
    }
    mapped = dw::sortObjects(mapped, QStringLiteral("name"));

    QList<SQAttributeSetPtr> siteWide = siteWideAttributeSets();
    if (!siteWide.isEmpty()) {
        // Only the sets that every category of the listing excludes go.
        const auto excludedSets = [this](qint64 categoryID) {
            const auto exclusion = excludedSiteWideSetsForCategoryID(categoryID);
            return exclusion ? exclusion->sets() : QList<SQAttributeSetPtr>();
        };
        QList<SQAttributeSetPtr> excluded = excludedSets(firstID);
        if (secondID != 0) {
            const QList<SQAttributeSetPtr> second = excludedSets(secondID);
            excluded.removeIf([&second](const SQAttributeSetPtr& set) { return !second.contains(set); });
        }
        siteWide.removeIf([&excluded](const SQAttributeSetPtr& set) { return excluded.contains(set); });
    }
    return siteWide + mapped;
}

QStringList SQAttributesDatabase::attributeSetIDsForFirstCategoryID(qint64 firstID, qint64 secondID)
{
    QStringList ids;
    for (const auto& set : attributeSetsForFirstCategoryID(firstID, secondID))
        ids.append(QString::number(set->identifier()));
    return ids;
}

SQAttributeSetPtr SQAttributesDatabase::attributeSetWithIdentifier(qint64 identifier)
{
    const auto context = managedObjectContext();
    return context ? context->fetchFirst<SQAttributeSet>(QStringLiteral("identifier = ?"), bindValue(identifier))
                   : nullptr;
}

QList<SQAttributePtr> SQAttributesDatabase::attributesForAttributeSet(const SQAttributeSetPtr& set)
{
    const auto context = managedObjectContext();
    if (!context || !set)
        return {};
    return dw::sortObjects(
        context->fetch<SQAttribute>(
            QStringLiteral("(editType IS NULL OR editType != 1) AND \"set\" = ? AND EXISTS (SELECT 1 FROM "
                           "AttributePresentationInstruction p WHERE p.attribute = Attribute.id)"),
            bindValue(set->rowID())),
        QStringLiteral("label"));
}

SQAttributePtr SQAttributesDatabase::attributeWithIdentifier(qint64 identifier, const SQAttributeSetPtr& set)
{
    const auto context = managedObjectContext();
    if (!context || !set)
        return nullptr;
    return context->fetchFirst<SQAttribute>(QStringLiteral("identifier = ? AND \"set\" = ?"),
                                            [&](dw::sq::Statement& s) {
                                                s.bind(1, identifier);
                                                s.bind(2, set->rowID());
                                            });
}

QList<SQAttributePtr> SQAttributesDatabase::sortedAttributesForAttributeSet(const SQAttributeSetPtr& set)
{
    if (!set)
        return {};
    QList<SQAttributePtr> candidates = attributesForAttributeSet(set);
    QList<SQAttributePtr> result;
    const qsizetype passes = candidates.size();
    for (qsizetype pass = 0; pass < passes; ++pass) {
        qsizetype fallback = -1;
        qsizetype taken = -1;
        for (qsizetype i = 0; i < candidates.size(); ++i) {
            const auto& candidate = candidates[i];
            if (candidate->visibility() != 1)
                continue;
            if (fallback < 0)
                fallback = i;
            const auto attributeDefault = candidate->attributeDefault();
            if (attributeDefault && attributeDefault->hasDisplaySequence() &&
                attributeDefault->displaySequence() == pass) {
                taken = i;
                break;
            }
        }
        if (taken < 0)
            taken = fallback;
        if (taken < 0)
            break;
        result.append(candidates.takeAt(taken));
    }

    // Dependent attributes follow the parent that shows them; children placed here are not
    // themselves examined, so a dependency cycle cannot make this loop.
    const QList<SQAttributePtr> parents = result;
    for (const auto& parent : parents) {
        for (const auto& dependency : parent->dependencies()) {
            const auto child = dependency->childAttribute();
            if (child && child->visibility() == 2 && !result.contains(child))
                result.insert(result.indexOf(parent) + 1, child);
        }
    }
    return result;
}

QList<SQAttributeValuePtr> SQAttributesDatabase::attributeValuesForAttribute(const SQAttributePtr& attribute)
{
    return attribute ? dw::sortObjects(attribute->values(), QStringLiteral("index")) : QList<SQAttributeValuePtr>();
}

QList<SQAttributeValuePtr>
SQAttributesDatabase::attributeValuesForAttribute(const SQAttributePtr& attribute,
                                                  const QList<SQAttributeValuePtr>& allowedValues)
{
    QList<SQAttributeValuePtr> values = attributeValuesForAttribute(attribute);
    values.removeIf([&allowedValues](const SQAttributeValuePtr& v) { return !allowedValues.contains(v); });
    return values;
}

SQAttributeDefaultPtr SQAttributesDatabase::attributeDefaultForAttribute(const SQAttributePtr& attribute)
{
    return attribute ? attribute->attributeDefault() : nullptr;
}

SQAttributePresentationInstructionPtr
SQAttributesDatabase::attributePresentationInstructionForAttribute(const SQAttributePtr& attribute)
{
    return attribute ? attribute->presentationInstruction() : nullptr;
}

QList<SQAttributeValidationRulePtr>
SQAttributesDatabase::attributeValidationRulesForAttribute(const SQAttributePtr& attribute)
{
    return attribute ? attribute->validationRules() : QList<SQAttributeValidationRulePtr>();
}

QList<SQAttributePtr> SQAttributesDatabase::dependentParentAttributesForChildAttribute(const SQAttributePtr& attribute)
{
    QList<SQAttributePtr> parents;
    if (attribute) {
        for (const auto& dependency : attribute->childDependencies())
            appendOnce(parents, dependency->attribute());
    }
    return parents;
}

qsizetype SQAttributesDatabase::countDependentParentAttributesForChildAttribute(const SQAttributePtr& attribute)
{
    return dependentParentAttributesForChildAttribute(attribute).size();
}

QList<SQAttributePtr> SQAttributesDatabase::dependentChildAttributesForAttribute(const SQAttributePtr& attribute)
{
    QList<SQAttributePtr> children;
    if (attribute) {
        for (const auto& dependency : attribute->dependencies())
            appendOnce(children, dependency->childAttribute());
    }
    return children;
}

QList<SQAttributeValuePtr>
SQAttributesDatabase::validChildValuesForParentAttribute(const SQAttributePtr& parent,
                                                         qint64 selectedParentValueIdentifier)
{
    if (!parent)
        return {};
    for (const auto& dependency : parent->dependencies()) {
        const auto value = dependency->parentValue();
        if (value && value->integerIdentifier() == selectedParentValueIdentifier)
            return dependency->childValues();
    }
    return {};
}

SQManagedObjectPtr SQAttributesDatabase::versionObject()
{
    const auto context = managedObjectContext();
    return context ? context->fetchFirst<SQAttributesVersion>(QString()) : nullptr;
}

qint64 SQAttributesDatabase::versionValue(const QString& key)
{
    const auto version = versionObject();
    return version ? version->valueForKey(key).toLongLong() : 0;
}

qint64 SQAttributesDatabase::characterSetsFileFormatVersion()
{
    return versionValue(QStringLiteral("characterSetsFileFormatVersion"));
}

qint64 SQAttributesDatabase::characterSetsVersion()
{
    return versionValue(QStringLiteral("characterSetsVersion"));
}

qint64 SQAttributesDatabase::mappingVersion()
{
    return versionValue(QStringLiteral("mappingFileFormatVersion"));
}

SQGlobalSettingsPtr SQAttributesDatabase::globalSetting()
{
    const auto context = managedObjectContext();
    return context ? context->fetchFirst<SQGlobalSettings>(QString()) : nullptr;
}

QStringList SQAttributesDatabase::monthAscendingLong()
{
    const auto settings = globalSetting();
    return settings ? settings->monthAscendingLong() : QStringList();
}

QStringList SQAttributesDatabase::monthAscendingShort()
{
    const auto settings = globalSetting();
    return settings ? settings->monthAscendingShort() : QStringList();
}

QStringList SQAttributesDatabase::monthDescendingLong()
{
    const auto settings = globalSetting();
    return settings ? settings->monthDescendingLong() : QStringList();
}

QStringList SQAttributesDatabase::monthDescendingShort()
{
    const auto settings = globalSetting();
    return settings ? settings->monthDescendingShort() : QStringList();
}

QList<SQManagedObjectPtr> SQAttributesDatabase::fetchEntity(const QString& entityName, const QString& where,
                                                            qint64 rowID, bool* ok)
{
    const auto context = managedObjectContext();
    if (!context) {
        if (ok)
            *ok = false;
        return {};
    }
    const auto bind = [rowID, &where](dw::sq::Statement& s) {
        if (!where.isEmpty())
            s.bind(1, rowID);
    };
#define SQ_FETCH(Class)                                                                                                \
    if (entityName == Class::entityDescription().name)                                                                 \
        return asObjects(context->fetch<Class>(where, bind, ok));
    SQ_FETCH(SQAttributeSet)
    SQ_FETCH(SQAttribute)
    SQ_FETCH(SQAttributeValue)
    SQ_FETCH(SQAttributeDependency)
    SQ_FETCH(SQAttributeValidationRule)
    SQ_FETCH(SQAttributeDefault)
    SQ_FETCH(SQAttributePresentationInstruction)
    SQ_FETCH(SQMappedCategory)
    SQ_FETCH(SQExcludedSiteWideSet)
    SQ_FETCH(SQGlobalSettings)
    SQ_FETCH(SQAttributesVersion)
#undef SQ_FETCH
    return SQAbstractDatabase::fetchEntity(entityName, where, rowID, ok);
}
