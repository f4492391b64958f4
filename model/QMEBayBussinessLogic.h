#pragma once
// eBay's rules that depend on a listing's site, categories and prices: which item conditions a
// category offers and whether it demands one, which durations and payment options a site offers,
// when a reserve price or a Best Offer is allowed, when item specifics replace attributes, which
// shipping services a site accepts, and the page address of a listed item.
//
// No state: every answer is worked out on demand from the listing, the site table and the
// installed category data (QMCategoryDataSource; without one, no category is found). Main thread,
// like the listings.
//
//     if (QMEBayBussinessLogic::reservePriceAllowedForItem(*item)) ...
//     const auto conditions = QMEBayBussinessLogic::allowedConditionsForItem(*item);   // nullopt: none

#include "model/QMCategoryDataSource.h"

#include <QList>
#include <QString>
#include <QVariantList>
#include <QVariantMap>
#include <memory>
#include <optional>

class QMEbayItem;
class QMItemShippingOptions;

class QMEBayBussinessLogic
{
public:
    QMEBayBussinessLogic() = delete;

    // Conditions. A listing without a category, or whose category is not found on its site,
    // neither requires nor supports a condition.
    static bool itemRequiresConditionFlag(const QMEbayItem& item);
    static bool itemSupportsConditionFlag(const QMEbayItem& item);
    // Nullopt without a category or when it is not found; else the category's sorted conditions.
    static std::optional<QList<QMCategoryCondition>> allowedConditionsForItem(const QMEbayItem& item);
    // Ascending by index; empty when the category has no condition set or the set no condition.
    static QList<QMCategoryCondition> sortedConditionsForCategory(const QMCategoryInfo& category);
    // The conditions that every category with conditions offers, by index. Categories without a
    // condition set (or with an empty one) are skipped; categories whose conditions do not overlap
    // give no condition at all, whatever categories follow.
    static QList<QMCategoryCondition>
    sortedIntersectingConditionsForCategories(const QList<QMCategoryInfo>& categories);
    // The conditions the listing's categories offer together: its primary and second category on
    // its site (IDs of 0, unknown categories and a second category equal to the first left out)
    // through sortedIntersectingConditionsForCategories(). The one rule of the condition pop-up and
    // of the condition's name.
    static QList<QMCategoryCondition> sortedConditionsForCategoriesOfItem(const QMEbayItem& item);
    // The members of `conditions` whose identifier some member of `others` has (the members of
    // `conditions` are kept); when `conditions` is empty, all of `others`: a first set not chosen yet.
    static QList<QMCategoryCondition> intersectingConditions(const QList<QMCategoryCondition>& conditions,
                                                             const QList<QMCategoryCondition>& others);
    // The identifier of the allowed condition named so (ignoring case); nullopt for an empty text
    // or when no name matches.
    static std::optional<qint64> conditionIDFromConditionString(const QString& name, const QMEbayItem& item);

    // Prices
    static bool reservePriceAllowedForItem(const QMEbayItem& item);
    static bool bestOfferAllowedForItem(const QMEbayItem& item);

    // Durations and payment: day count (or "GTC") to label key, from the site table.
    static QVariantMap durationsForItem(const QMEbayItem& item);
    // The durations all listings offer, with the first listing's values; empty for no listings.
    static QVariantMap durationsForItems(const QList<std::shared_ptr<QMEbayItem>>& items);
    static QVariantList allowedPaymentOptionsForItem(const QMEbayItem& item);
    // The site's enhancements; without a gallery picture, only those that are no gallery enhancement.
    static QVariantList allowedListingEnhancementsForItem(const QMEbayItem& item);

    // Item specifics
    static bool customSpecificsAvailableForFirstCategoryID(qint64 firstCategoryID, qint64 secondCategoryID,
                                                           qint64 siteID);
    static bool itemCanUseCustomSpecifics(const QMEbayItem& item);

    // Shipping
    // Only on sites 0 and 100, and only for services whose code begins with "UPS" or "FedEx".
    static bool shippingSurchargeAvailableOnSiteWithID(qint64 siteID, const QString& serviceCode);
    static bool canSelectDomesticShippingServiceForItemShippingOptions(const QMItemShippingOptions& options);
    // Removes the services the listing's site does not offer, announcing "xShippingOptions".
    static void removeUnsupportedShippingOptionsFromItem(QMEbayItem& item);

    // Listing sets: whether all listings agree (an empty list does).
    static bool itemsHaveSameSiteID(const QList<std::shared_ptr<QMEbayItem>>& items);
    static bool itemsHaveSameCategories(const QList<std::shared_ptr<QMEbayItem>>& items);
    static bool itemsHaveSameReturnPolicyAcceptedFlag(const QList<std::shared_ptr<QMEbayItem>>& items);

    // The page of the listed item on its site ("<site address>?ViewItem&item=<item ID>").
    static QString urlForItem(const QMEbayItem& item);
    // The cached path of the category; "Category not set" for 0, "Category not found" when the
    // cache has none (both localized).
    static QString categoryFieldValueForSiteID(qint64 siteID, qint64 categoryID);

private:
    static std::optional<QMCategoryInfo> categoryOfItem(const QMEbayItem& item);
};
