#include "DWCoreDataEbayDataClasses/SQCategory.h"

#include "SQStoreContext_p.h"

#include "DWKit/NSManagedObject+DWExtension.h"
#include "platform/core/DWAssert.h"

namespace {

auto bindRow(qint64 rowID)
{
    return [rowID](dw::sq::Statement& statement) { statement.bind(1, rowID); };
}

} // namespace

const SQEntityDescription& SQCategory::entityDescription()
{
    static const SQEntityDescription entity{QStringLiteral("Category"),
                                            {QStringLiteral("categoryID"), QStringLiteral("name"),
                                             QStringLiteral("level"), QStringLiteral("subcategoriesCount"),
                                             QStringLiteral("booleanFlags")},
                                            {QStringLiteral("parentCategory"), QStringLiteral("conditionSet")}};
    return entity;
}

SQCategoryPtr SQCategory::parentCategory() const
{
    return context()->objectWithRowID<SQCategory>(relationshipRowID(QStringLiteral("parentCategory")));
}

QList<SQCategoryPtr> SQCategory::subcategories() const
{
    return context()->fetch<SQCategory>(QStringLiteral("parentCategory = ?"), bindRow(rowID()));
}

QList<SQItemSpecificPtr> SQCategory::itemSpecifics() const
{
    return context()->fetch<SQItemSpecific>(QStringLiteral("category = ?"), bindRow(rowID()));
}

SQConditionSetPtr SQCategory::conditionSet() const
{
    return context()->objectWithRowID<SQConditionSet>(relationshipRowID(QStringLiteral("conditionSet")));
}

QString SQCategory::keyForBooleanFlag(quint64 flag)
{
    switch (flag) {
    case kB2BVATEnabled:
        return QStringLiteral("B2BVATEnabled");
    case kAutoPayEnabled:
        return QStringLiteral("autoPayEnabled");
    case kCatalogEnabled:
        return QStringLiteral("catalogEnabled");
    case kIsExpired:
        return QStringLiteral("isExpired");
    case kIsVirtual:
        return QStringLiteral("isVirtual");
    case kLotSizeDisabled:
        return QStringLiteral("lotSizeDisabled");
    case kReservePriceAllowed:
        return QStringLiteral("reservePriceAllowed");
    case kSellerGuaranteeEligible:
        return QStringLiteral("sellerGuaranteeEligible");
    case kSupportsBestOffer:
        return QStringLiteral("supportsBestOffer");
    case kSupportsCustomSpecifics:
        return QStringLiteral("supportsCustomSpecifics");
    default:
        dw::raiseInternalInconsistency(QStringLiteral("Unsupported inFlag"), __FILE__, __LINE__);
    }
}

bool SQCategory::boolForBooleanFlag(quint64 flag) const
{
    // Every store of our model carries booleanFlags; the per-flag columns of older models do not
    // exist here.
    return (booleanBitmaskInteger() & flag) != 0;
}

void SQCategory::setBoolValue(bool, quint64 flag)
{
    const QString key = keyForBooleanFlag(flag);
    dw::raiseInternalInconsistency(QStringLiteral("Property %1 is read only").arg(key), __FILE__, __LINE__);
}

QList<SQCategoryPtr> SQCategory::sortedSubcategories() const
{
    return dw::sortObjects(subcategories(), QStringLiteral("name"));
}

bool SQCategory::supportsCustomSpecificsLookup() const
{
    return subcategoriesCount() == 0 &&
           context()->integerResult(QStringLiteral("SELECT count(*) FROM ItemSpecific WHERE category = ?"), 0, nullptr,
                                    bindRow(rowID())) > 0;
}

QVariant SQCategory::valueForKey(const QString& key) const
{
    static const QHash<QString, quint64> flags = {
        {QStringLiteral("B2BVATEnabled"), kB2BVATEnabled},
        {QStringLiteral("autoPayEnabled"), kAutoPayEnabled},
        {QStringLiteral("catalogEnabled"), kCatalogEnabled},
        {QStringLiteral("isExpired"), kIsExpired},
        {QStringLiteral("isVirtual"), kIsVirtual},
        {QStringLiteral("lotSizeDisabled"), kLotSizeDisabled},
        {QStringLiteral("reservePriceAllowed"), kReservePriceAllowed},
        {QStringLiteral("sellerGuaranteeEligible"), kSellerGuaranteeEligible},
        {QStringLiteral("supportsBestOffer"), kSupportsBestOffer},
        {QStringLiteral("supportsCustomSpecifics"), kSupportsCustomSpecifics},
        {QStringLiteral("supportsVariations"), kSupportsVariations},
        {QStringLiteral("conditionRequired"), kConditionRequired},
    };
    if (const auto flag = flags.constFind(key); flag != flags.constEnd())
        return boolForBooleanFlag(*flag);
    return SQManagedObject::valueForKey(key);
}

const SQEntityDescription& SQConditionSet::entityDescription()
{
    static const SQEntityDescription entity{QStringLiteral("ConditionSet"), {}, {}};
    return entity;
}

QList<SQCategoryPtr> SQConditionSet::categories() const
{
    return context()->fetch<SQCategory>(QStringLiteral("conditionSet = ?"), bindRow(rowID()));
}

QList<SQConditionPtr> SQConditionSet::conditions() const
{
    return context()->fetch<SQCondition>(QStringLiteral("\"set\" = ?"), bindRow(rowID()));
}

QList<SQConditionPtr> SQConditionSet::sortedConditions() const
{
    return dw::sortObjects(conditions(), QStringLiteral("index"));
}

const SQEntityDescription& SQCondition::entityDescription()
{
    static const SQEntityDescription entity{
        QStringLiteral("Condition"),
        {QStringLiteral("identifier"), QStringLiteral("index"), QStringLiteral("name"), QStringLiteral("helpURL")},
        {QStringLiteral("set")}};
    return entity;
}

SQConditionSetPtr SQCondition::set() const
{
    return context()->objectWithRowID<SQConditionSet>(relationshipRowID(QStringLiteral("set")));
}

const SQEntityDescription& SQItemSpecific::entityDescription()
{
    static const SQEntityDescription entity{QStringLiteral("ItemSpecific"),
                                            {QStringLiteral("name"), QStringLiteral("index"),
                                             QStringLiteral("selectionMode"), QStringLiteral("valueType"),
                                             QStringLiteral("variationPicture"), QStringLiteral("variationSpecific"),
                                             QStringLiteral("maxValues"), QStringLiteral("minValues")},
                                            {QStringLiteral("category")}};
    return entity;
}

SQCategoryPtr SQItemSpecific::category() const
{
    return context()->objectWithRowID<SQCategory>(relationshipRowID(QStringLiteral("category")));
}

QList<SQItemSpecificValuePtr> SQItemSpecific::itemSpecificValues() const
{
    return context()->fetch<SQItemSpecificValue>(QStringLiteral("itemSpecific = ?"), bindRow(rowID()));
}

QList<SQItemSpecificValuePtr> SQItemSpecific::sortedItemSpecificValues() const
{
    return dw::sortObjects(itemSpecificValues(), QStringLiteral("index"));
}

const SQEntityDescription& SQItemSpecificValue::entityDescription()
{
    static const SQEntityDescription entity{
        QStringLiteral("ItemSpecificValue"),
        {QStringLiteral("value"), QStringLiteral("index"), QStringLiteral("confidence")},
        {QStringLiteral("itemSpecific")}};
    return entity;
}

SQItemSpecificPtr SQItemSpecificValue::itemSpecific() const
{
    return context()->objectWithRowID<SQItemSpecific>(relationshipRowID(QStringLiteral("itemSpecific")));
}

QList<SQItemSpecificValuePtr> SQItemSpecificValue::relationships() const
{
    return context()->fetch<SQItemSpecificValue>(
        QStringLiteral("id IN (SELECT target FROM ItemSpecificValue_relationships WHERE source = ?)"),
        bindRow(rowID()));
}
