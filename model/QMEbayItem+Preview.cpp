// The listing as the page preview and the operations see it: snapshots, the description as HTML,
// eBay's rules as questions, and the fixed answers for what this edition does not have (item
// variations, inventory products, store details).

#include "model/QMEbayItem.h"

#include "model/QMArchiveValues_p.h"
#include "model/QMDescriptionHTMLConverter.h"
#include "model/QMEBayBussinessLogic.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayItemFieldValues_p.h"
#include "model/QMItemShippingOptions.h"

#include "platform/core/Localization.h"

#include <QHash>
#include <functional>

namespace {

QVariant conditionsValue(const std::optional<QList<QMCategoryCondition>>& conditions)
{
    if (!conditions)
        return QVariant();
    QVariantList list;
    for (const QMCategoryCondition& condition : *conditions)
        list << QVariantMap{{QStringLiteral("identifier"), condition.identifier},
                            {QStringLiteral("name"), condition.name},
                            {QStringLiteral("index"), condition.index}};
    return list;
}

using PreviewQuery = std::function<QVariant(const QMEbayItem&)>;

const QHash<QString, PreviewQuery>& previewQueries()
{
    static const QHash<QString, PreviewQuery> table = {
        {QStringLiteral("infoDictionaryForOperations"),
         [](const QMEbayItem& item) { return QVariant(item.infoDictionaryForOperations()); }},
        {QStringLiteral("itemDescriptionAsHTMLString"),
         [](const QMEbayItem& item) { return QVariant(item.itemDescriptionAsHTMLString()); }},
        {QStringLiteral("hasFreeShippingService"),
         [](const QMEbayItem& item) { return QVariant(item.hasFreeShippingService()); }},
        {QStringLiteral("bestOfferAllowed"), [](const QMEbayItem& item) { return QVariant(item.bestOfferAllowed()); }},
        {QStringLiteral("reservePriceAllowed"),
         [](const QMEbayItem& item) { return QVariant(item.reservePriceAllowed()); }},
        {QStringLiteral("conditionsSupported"),
         [](const QMEbayItem& item) { return QVariant(item.conditionsSupported()); }},
        {QStringLiteral("allowedConditions"),
         [](const QMEbayItem& item) { return conditionsValue(item.allowedConditions()); }},
        {QStringLiteral("handlingTime"), [](const QMEbayItem& item) { return QVariant(item.handlingTime()); }},
        {QStringLiteral("usesSupersize"), [](const QMEbayItem& item) { return QVariant(item.usesSupersize()); }},
        {QStringLiteral("imagesToBeUploadedIncludeVariationImages"),
         [](const QMEbayItem& item) {
             return qm::fields::objectsValue(item.imagesToBeUploadedIncludeVariationImages());
         }},
        {QStringLiteral("allVariationProductImages"),
         [](const QMEbayItem& item) { return qm::fields::objectsValue(item.allVariationProductImages()); }},
        {QStringLiteral("imageRefs"),
         [](const QMEbayItem& item) { return qm::fields::objectsValue(item.imageRefs()); }},
        {QStringLiteral("conditionName"),
         [](const QMEbayItem& item) { return qm::archive::textValue(item.conditionName()); }},
        {QStringLiteral("hasVariations"), [](const QMEbayItem&) { return QVariant(false); }},
        {QStringLiteral("variations"), [](const QMEbayItem&) { return QVariant(); }},
        {QStringLiteral("inventoryProduct"), [](const QMEbayItem&) { return QVariant(); }},
        {QStringLiteral("designProps"), [](const QMEbayItem&) { return QVariant(); }},
        {QStringLiteral("userProps"), [](const QMEbayItem&) { return QVariant(); }},
        {QStringLiteral("storeDetailsForSelectedStoreCategories"), [](const QMEbayItem&) { return QVariant(); }},
        {QStringLiteral("storeCategories"), [](const QMEbayItem&) { return QVariant(); }},
        {QStringLiteral("storeName"), [](const QMEbayItem&) { return QVariant(); }},
        {QStringLiteral("urlToStore"), [](const QMEbayItem&) { return QVariant(); }},
    };
    return table;
}

} // namespace

std::optional<QVariant> QMEbayItem::previewValueForKey(const QMEbayItem& item, const QString& key)
{
    const auto it = previewQueries().constFind(key);
    if (it == previewQueries().constEnd())
        return std::nullopt;
    return (*it)(item);
}

QVariantMap QMEbayItem::infoDictionaryForOperations() const
{
    QVariantMap info;
    if (!uniqueID().isNull())
        info.insert(QStringLiteral("uniqueID"), uniqueID());
    info.insert(QStringLiteral("siteID"), siteID());
    if (photoDisplayType() != 0)
        info.insert(QStringLiteral("photoDisplayType"), photoDisplayType());
    if (!title().isNull())
        info.insert(QStringLiteral("title"), title());
    if (!itemID().isNull())
        info.insert(QStringLiteral("itemID"), itemID());
    return info;
}

QString QMEbayItem::itemDescriptionAsHTMLString() const
{
    return QMDescriptionHTMLConverter::installed()->htmlStringForAttributedString(itemDescriptionString());
}

bool QMEbayItem::hasFreeShippingService() const
{
    return shippingOptions() && shippingOptions()->hasFreeShippingService();
}

bool QMEbayItem::bestOfferAllowed() const
{
    return QMEBayBussinessLogic::bestOfferAllowedForItem(*this);
}

bool QMEbayItem::reservePriceAllowed() const
{
    return QMEBayBussinessLogic::reservePriceAllowedForItem(*this);
}

bool QMEbayItem::conditionsSupported() const
{
    return QMEBayBussinessLogic::itemSupportsConditionFlag(*this);
}

std::optional<QList<QMCategoryCondition>> QMEbayItem::allowedConditions() const
{
    return QMEBayBussinessLogic::allowedConditionsForItem(*this);
}

std::shared_ptr<QMEbayImage> QMEbayItem::imageAtIndex(qsizetype index) const
{
    return index >= 0 && index < images().size() ? images().at(index) : nullptr;
}

QList<std::shared_ptr<QMEbayImage>> QMEbayItem::imageRefs() const
{
    QList<std::shared_ptr<QMEbayImage>> pictures;
    for (const auto& picture : images())
        if (picture && !pictures.contains(picture))
            pictures.append(picture);
    return pictures;
}

QString QMEbayItem::conditionName() const
{
    if (category() == 0)
        return QString();
    const QList<QMCategoryCondition> candidates = QMEBayBussinessLogic::sortedConditionsForCategoriesOfItem(*this);
    if (candidates.isEmpty())
        return dw::localized("Not supported");
    if (conditionID() != 0) {
        for (const QMCategoryCondition& condition : candidates)
            if (condition.identifier == conditionID())
                return condition.name;
    }
    return dw::localized("Not set");
}
