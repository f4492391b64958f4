#include "model/QMEBayBussinessLogic.h"

#include "model/DWEbayPreferencesManager.h"
#include "model/QMEbayItem.h"
#include "model/QMItemShippingOptions.h"
#include "model/QMSiteDescriptionManager.h"

#include "DWKit/NSString+DWExtensions.h"
#include "DWKit/QMLog.h"

#include "platform/core/DWFormat.h"
#include "platform/core/Localization.h"

#include <algorithm>

namespace {

QString siteText(qint64 siteID)
{
    return dw::format(QStringLiteral("%ld"), qlonglong(siteID));
}

std::optional<QMCategoryInfo> findCategory(qint64 categoryID, qint64 siteID)
{
    const auto source = QMCategoryDataSource::installed();
    return source ? source->categoryForCategoryID(categoryID, siteID) : std::nullopt;
}

QList<QMCategoryCondition> sortedByIndex(QList<QMCategoryCondition> conditions)
{
    std::stable_sort(conditions.begin(), conditions.end(),
                     [](const auto& a, const auto& b) { return a.index < b.index; });
    return conditions;
}

template<class Value>
bool allItemsAgree(const QList<std::shared_ptr<QMEbayItem>>& items, Value (*valueOf)(const QMEbayItem&))
{
    return std::all_of(items.begin(), items.end(),
                       [&](const auto& item) { return valueOf(*item) == valueOf(*items.first()); });
}

} // namespace

std::optional<QMCategoryInfo> QMEBayBussinessLogic::categoryOfItem(const QMEbayItem& item)
{
    if (item.category() == 0)
        return std::nullopt;
    return findCategory(item.category(), item.siteID());
}

bool QMEBayBussinessLogic::itemRequiresConditionFlag(const QMEbayItem& item)
{
    const auto category = categoryOfItem(item);
    return category && category->conditionRequired;
}

bool QMEBayBussinessLogic::itemSupportsConditionFlag(const QMEbayItem& item)
{
    const auto category = categoryOfItem(item);
    return category && category->conditionSet.has_value();
}

std::optional<QList<QMCategoryCondition>> QMEBayBussinessLogic::allowedConditionsForItem(const QMEbayItem& item)
{
    const auto category = categoryOfItem(item);
    if (!category)
        return std::nullopt;
    return sortedConditionsForCategory(*category);
}

QList<QMCategoryCondition> QMEBayBussinessLogic::sortedConditionsForCategory(const QMCategoryInfo& category)
{
    return sortedByIndex(category.conditionSet.value_or(QList<QMCategoryCondition>()));
}

QList<QMCategoryCondition>
QMEBayBussinessLogic::sortedIntersectingConditionsForCategories(const QList<QMCategoryInfo>& categories)
{
    // Whether a category has contributed yet is kept apart from the running set itself: an empty
    // intersection means "no condition fits every category" and must not take the next category's
    // conditions whole, as an empty set that nobody filled yet does.
    std::optional<QList<QMCategoryCondition>> common;
    for (const QMCategoryInfo& category : categories) {
        if (!category.conditionSet || category.conditionSet->isEmpty())
            continue;
        if (!common)
            common = *category.conditionSet;
        else if (!common->isEmpty())
            common = intersectingConditions(*common, *category.conditionSet);
    }
    return sortedByIndex(common.value_or(QList<QMCategoryCondition>()));
}

QList<QMCategoryCondition> QMEBayBussinessLogic::sortedConditionsForCategoriesOfItem(const QMEbayItem& item)
{
    QList<QMCategoryInfo> categories;
    QList<qint64> seen;
    for (const qint64 categoryID : {qint64(item.category()), qint64(item.category2())}) {
        if (categoryID == 0 || seen.contains(categoryID))
            continue;
        seen.append(categoryID);
        if (const auto category = findCategory(categoryID, item.siteID()))
            categories.append(*category);
    }
    return sortedIntersectingConditionsForCategories(categories);
}

QList<QMCategoryCondition> QMEBayBussinessLogic::intersectingConditions(const QList<QMCategoryCondition>& conditions,
                                                                        const QList<QMCategoryCondition>& others)
{
    if (conditions.isEmpty())
        return others;
    QList<QMCategoryCondition> common;
    for (const QMCategoryCondition& condition : conditions) {
        const bool shared = std::any_of(others.begin(), others.end(),
                                        [&](const auto& other) { return other.identifier == condition.identifier; });
        if (shared)
            common.append(condition);
    }
    return common;
}

std::optional<qint64> QMEBayBussinessLogic::conditionIDFromConditionString(const QString& name, const QMEbayItem& item)
{
    if (name.isEmpty())
        return std::nullopt;
    for (const QMCategoryCondition& condition : allowedConditionsForItem(item).value_or(QList<QMCategoryCondition>()))
        if (dw::isEqualToStringIgnoringCase(condition.name, name))
            return condition.identifier;
    return std::nullopt;
}

bool QMEBayBussinessLogic::reservePriceAllowedForItem(const QMEbayItem& item)
{
    if (item.category() == 0)
        return false;
    if (item.buyItNow() && !item.useStartingBid())
        return false;
    const auto source = QMCategoryDataSource::installed();
    return source && source->categoryIDSupportsReservedPrice(item.category(), item.siteID());
}

bool QMEBayBussinessLogic::bestOfferAllowedForItem(const QMEbayItem& item)
{
    if (item.category() == 0 || item.useStartingBid() || !item.buyItNow())
        return false;
    const auto source = QMCategoryDataSource::installed();
    return source && source->categoryIDSupportsBestOffer(item.category(), item.siteID());
}

QVariantMap QMEBayBussinessLogic::durationsForItem(const QMEbayItem& item)
{
    const auto& sites = QMSiteDescriptionManager::sharedInstance();
    const QString site = siteText(item.siteID());
    return item.listAsClassifiedAd() ? sites.classifiedAdDurationsForSiteID(site) : sites.itemDurationForSiteID(site);
}

QVariantMap QMEBayBussinessLogic::durationsForItems(const QList<std::shared_ptr<QMEbayItem>>& items)
{
    if (items.isEmpty())
        return QVariantMap();
    const QVariantMap first = durationsForItem(*items.first());
    if (items.size() == 1)
        return first;
    QVariantMap common = first;
    for (const auto& item : items) {
        if (item == items.first())
            continue;
        const QVariantMap durations = durationsForItem(*item);
        for (auto it = common.begin(); it != common.end();)
            it = durations.contains(it.key()) ? std::next(it) : common.erase(it);
    }
    return common;
}

QVariantList QMEBayBussinessLogic::allowedPaymentOptionsForItem(const QMEbayItem& item)
{
    return QMSiteDescriptionManager::sharedInstance().allowedPaymentOptionsForSiteID(item.siteID());
}

QVariantList QMEBayBussinessLogic::allowedListingEnhancementsForItem(const QMEbayItem& item)
{
    const QVariantList all =
        QMSiteDescriptionManager::sharedInstance().allowedListingEnhancementsForSiteID(item.siteID());
    if (item.hasGalleryImage())
        return all;
    QVariantList allowed;
    for (const QVariant& enhancement : all)
        if (!enhancement.toMap().value(QStringLiteral("GalleryEnhancement")).toBool())
            allowed.append(enhancement);
    return allowed;
}

bool QMEBayBussinessLogic::customSpecificsAvailableForFirstCategoryID(qint64 firstCategoryID, qint64 secondCategoryID,
                                                                      qint64 siteID)
{
    if (firstCategoryID < 1)
        return false;
    const auto first = findCategory(firstCategoryID, siteID);
    if (!first)
        return false;
    if (first->supportsCustomSpecifics)
        return true;
    if (secondCategoryID < 1)
        return false;
    const auto second = findCategory(secondCategoryID, siteID);
    return second && second->supportsCustomSpecifics;
}

bool QMEBayBussinessLogic::itemCanUseCustomSpecifics(const QMEbayItem& item)
{
    return customSpecificsAvailableForFirstCategoryID(item.category(), item.category2(), item.siteID());
}

bool QMEBayBussinessLogic::shippingSurchargeAvailableOnSiteWithID(qint64 siteID, const QString& serviceCode)
{
    if (siteID != 0 && siteID != 100)
        return false;
    return serviceCode.startsWith(QLatin1String("UPS")) || serviceCode.startsWith(QLatin1String("FedEx"));
}

bool QMEBayBussinessLogic::canSelectDomesticShippingServiceForItemShippingOptions(const QMItemShippingOptions& options)
{
    if (options.usesCalculatedShipping() || options.internationalShippingServiceCount() > 0 ||
        options.domesticShippingServiceCount() > 1)
        return false;
    return !options.localPickupOnly();
}

void QMEBayBussinessLogic::removeUnsupportedShippingOptionsFromItem(QMEbayItem& item)
{
    const auto& sites = QMSiteDescriptionManager::sharedInstance();
    const QString site = siteText(item.siteID());
    if (const auto& options = item.shippingOptions()) {
        const QVariantList domestic = sites.domesticShippingServicesForSiteID(site);
        for (qsizetype i = options->domesticShippingServiceCount() - 1; i >= 0; --i) {
            const QString serviceID = options->idOfDomesticShippingServiceAtIndex(i);
            if (!QMSiteDescriptionManager::hasOfShippingServiceWithID(serviceID, domestic)) {
                QMLog("stripping domestic service with id %@", serviceID);
                options->removeDomesticShippingServiceAtIndex(i);
            }
        }
        const QVariantList international = sites.internationalShippingServicesForSiteID(site);
        for (qsizetype i = options->internationalShippingServiceCount() - 1; i >= 0; --i) {
            const QString serviceID = options->idOfInternationalShippingServiceAtIndex(i);
            if (!QMSiteDescriptionManager::hasOfShippingServiceWithID(serviceID, international)) {
                QMLog("stripping international service with id %@", serviceID);
                options->removeInternationalShippingServiceAtIndex(i);
            }
        }
    }
    // The shipping panels observe this key for any change inside the options.
    Q_EMIT item.keyChanged(QStringLiteral("xShippingOptions"));
}

bool QMEBayBussinessLogic::itemsHaveSameSiteID(const QList<std::shared_ptr<QMEbayItem>>& items)
{
    return allItemsAgree<int>(items, [](const QMEbayItem& item) { return item.siteID(); });
}

bool QMEBayBussinessLogic::itemsHaveSameCategories(const QList<std::shared_ptr<QMEbayItem>>& items)
{
    return itemsHaveSameSiteID(items) &&
           allItemsAgree<int>(items, [](const QMEbayItem& item) { return item.category(); }) &&
           allItemsAgree<int>(items, [](const QMEbayItem& item) { return item.category2(); });
}

bool QMEBayBussinessLogic::itemsHaveSameReturnPolicyAcceptedFlag(const QList<std::shared_ptr<QMEbayItem>>& items)
{
    return itemsHaveSameSiteID(items) &&
           allItemsAgree<bool>(items, [](const QMEbayItem& item) { return item.returnPolicyAccepted(); });
}

QString QMEBayBussinessLogic::urlForItem(const QMEbayItem& item)
{
    const bool sandbox = DWEbayPreferencesManager::sharedInstance().isRunningInSandbox();
    return dw::format(QStringLiteral("%@?ViewItem&item=%@"),
                      QMSiteDescriptionManager::sharedInstance().auctionsURLForSiteID(item.siteID(), sandbox),
                      item.itemID());
}

QString QMEBayBussinessLogic::categoryFieldValueForSiteID(qint64 siteID, qint64 categoryID)
{
    if (categoryID == 0)
        return dw::localized("Category not set");
    const auto source = QMCategoryDataSource::installed();
    const QString path = source ? source->cachedCategoryPathForSiteID(siteID, categoryID) : QString();
    return path.isNull() ? dw::localized("Category not found") : path;
}
