#include "FakeCategoryData.h"

#include "model/DWEbayPreferencesManager.h"
#include "model/QMEBayBussinessLogic.h"
#include "model/QMEbayItem.h"
#include "model/QMItemShippingOptions.h"
#include "model/QMSiteDescriptionManager.h"

#include "tests/support/TemporaryXdg.h"

#include <QSignalSpy>
#include <gtest/gtest.h>

namespace {

std::shared_ptr<QMEbayItem> listing(int siteID, int category, int category2 = 0)
{
    auto item = std::make_shared<QMEbayItem>();
    item->setSiteID(siteID);
    item->setCategory(category);
    item->setCategory2(category2);
    return item;
}

QList<qint64> identifiers(const QList<QMCategoryCondition>& conditions)
{
    QList<qint64> ids;
    for (const auto& c : conditions)
        ids << c.identifier;
    return ids;
}

// Site 77: 100 requires a condition and offers New (1000) and Used (3000); 200 has a condition set
// without conditions; 300 has none; 400 allows reserve price, Best Offer and custom specifics.
void addSite77Categories(FakeCategoryData& data)
{
    QMCategoryInfo conditions = categoryWithConditions(100, {{condition(3000, "Used", 2), condition(1000, "New", 1)}});
    conditions.conditionRequired = true;
    data.addCategory(77, conditions);
    data.addCategory(77, categoryWithConditions(200, QList<QMCategoryCondition>()));
    data.addCategory(77, categoryWithConditions(300, std::nullopt));
    QMCategoryInfo prices = categoryWithConditions(400, std::nullopt);
    prices.reservePriceAllowed = true;
    prices.supportsBestOffer = true;
    prices.supportsCustomSpecifics = true;
    data.addCategory(77, prices);
}

} // namespace

TEST(BusinessRules, ConditionsOfTheListingsCategory)
{
    ScopedCategoryData data;
    addSite77Categories(*data);
    struct Row
    {
        const char* name;
        int site;
        int category;
        bool required, supports;
        std::optional<QList<qint64>> allowed;
        std::optional<qint64> usedID;
    };
    const Row rows[] = {
        {"no category", 77, 0, false, false, std::nullopt, std::nullopt},
        {"conditions sorted by index", 77, 100, true, true, QList<qint64>{1000, 3000}, 3000},
        {"empty condition set", 77, 200, false, true, QList<qint64>{}, std::nullopt},
        {"no condition set", 77, 300, false, false, QList<qint64>{}, std::nullopt},
        {"category not found", 77, 999, false, false, std::nullopt, std::nullopt},
        {"category of another site", 3, 100, false, false, std::nullopt, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto item = listing(row.site, row.category);
        EXPECT_EQ(QMEBayBussinessLogic::itemRequiresConditionFlag(*item), row.required);
        EXPECT_EQ(QMEBayBussinessLogic::itemSupportsConditionFlag(*item), row.supports);
        const auto allowed = QMEBayBussinessLogic::allowedConditionsForItem(*item);
        ASSERT_EQ(allowed.has_value(), row.allowed.has_value());
        if (allowed) {
            EXPECT_EQ(identifiers(*allowed), *row.allowed);
        }
        EXPECT_EQ(QMEBayBussinessLogic::conditionIDFromConditionString(QStringLiteral("used"), *item), row.usedID);
    }
    EXPECT_EQ(QMEBayBussinessLogic::conditionIDFromConditionString(QString(), *listing(77, 100)), std::nullopt);
}

TEST(BusinessRules, ConditionsCommonToSeveralCategories)
{
    const auto conditions = [](std::initializer_list<qint64> ids) {
        QList<QMCategoryCondition> list;
        for (qint64 id : ids)
            list << condition(id, "c", 10 - id); // index order opposite to identifier order
        return categoryWithConditions(0, list);
    };
    struct Row
    {
        const char* name;
        QList<QMCategoryInfo> categories;
        QList<qint64> common; // in index order
    };
    const Row rows[] = {
        {"one category", {conditions({1, 2})}, {2, 1}},
        {"overlap", {conditions({1, 2, 3}), conditions({2, 3, 4})}, {3, 2}},
        {"categories without conditions are skipped",
         {categoryWithConditions(0, std::nullopt), conditions({1, 2}), categoryWithConditions(0, {{}}),
          conditions({2, 5})},
         {2}},
        {"no overlap stays empty", {conditions({1, 2}), conditions({3})}, {}},
        {"no overlap stays empty when more follow", {conditions({1, 2}), conditions({3}), conditions({3, 4})}, {}},
        {"no categories", {}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(identifiers(QMEBayBussinessLogic::sortedIntersectingConditionsForCategories(row.categories)),
                  row.common);
    }
    // The pairwise step takes the second set whole while the first is still unfilled, and keeps the
    // first set's own members otherwise.
    const QList<QMCategoryCondition> first = {condition(1, "ours", 1), condition(2, "ours", 2)};
    EXPECT_EQ(QMEBayBussinessLogic::intersectingConditions({}, first), first);
    EXPECT_EQ(QMEBayBussinessLogic::intersectingConditions(first, {condition(2, "theirs", 9)}),
              QList<QMCategoryCondition>{condition(2, "ours", 2)});
}

TEST(BusinessRules, ReservePriceAndBestOffer)
{
    ScopedCategoryData data;
    addSite77Categories(*data);
    struct Row
    {
        const char* name;
        int category;
        bool buyItNow, startingBid;
        bool reserve, bestOffer;
        bool reserveAsksCategory;
    };
    const Row rows[] = {
        {"auction", 400, false, true, true, false, true},
        {"auction with Buy It Now", 400, true, true, true, false, true},
        {"fixed price", 400, true, false, false, true, false},
        {"neither price", 400, false, false, true, false, true},
        {"category that allows neither", 100, true, false, false, false, false},
        {"category not found", 999, false, true, false, false, true},
        {"no category", 0, true, false, false, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto item = listing(77, row.category);
        item->setBuyItNow(row.buyItNow);
        item->setUseStartingBid(row.startingBid);
        data->lookups = 0;
        EXPECT_EQ(QMEBayBussinessLogic::reservePriceAllowedForItem(*item), row.reserve);
        EXPECT_EQ(data->lookups > 0, row.reserveAsksCategory);
        EXPECT_EQ(QMEBayBussinessLogic::bestOfferAllowedForItem(*item), row.bestOffer);
    }
}

TEST(BusinessRules, DurationsPaymentOptionsAndEnhancementsOfTheSite)
{
    const auto auction = listing(0, 0);
    const auto ad = listing(0, 0);
    ad->setListAsClassifiedAd(true);
    const auto german = listing(77, 0);

    const QVariantMap auctionDurations = QMEBayBussinessLogic::durationsForItem(*auction);
    EXPECT_TRUE(auctionDurations.contains(QStringLiteral("7")));
    EXPECT_TRUE(auctionDurations.contains(QStringLiteral("GTC")));
    EXPECT_EQ(QMEBayBussinessLogic::durationsForItem(*ad).keys(), (QStringList{"30", "90"}));
    EXPECT_TRUE(QMEBayBussinessLogic::durationsForItem(*listing(77, 0)).contains(QStringLiteral("GTC")));

    EXPECT_TRUE(QMEBayBussinessLogic::durationsForItems({}).isEmpty());
    EXPECT_EQ(QMEBayBussinessLogic::durationsForItems({german}), QMEBayBussinessLogic::durationsForItem(*german));
    const QVariantMap common = QMEBayBussinessLogic::durationsForItems({ad, german, auction});
    EXPECT_EQ(common.keys(), QStringList{QStringLiteral("30")});
    EXPECT_EQ(common.value(QStringLiteral("30")), QMEBayBussinessLogic::durationsForItem(*ad).value("30"));

    const auto optionIDs = [](const QVariantList& options) {
        QStringList ids;
        for (const QVariant& option : options)
            ids << option.toMap().value(QStringLiteral("OptionID")).toString();
        return ids;
    };
    EXPECT_TRUE(optionIDs(QMEBayBussinessLogic::allowedPaymentOptionsForItem(*german)).contains("MoneyXferAccepted"));
    EXPECT_FALSE(optionIDs(QMEBayBussinessLogic::allowedPaymentOptionsForItem(*auction)).contains("MoneyXferAccepted"));
    EXPECT_TRUE(optionIDs(QMEBayBussinessLogic::allowedPaymentOptionsForItem(*listing(100, 0))).contains("Escrow"));

    // Without a gallery picture the gallery enhancements are not offered; the order stays.
    const QVariantList all = QMSiteDescriptionManager::sharedInstance().allowedListingEnhancementsForSiteID(2);
    const QStringList withoutGallery =
        optionIDs(QMEBayBussinessLogic::allowedListingEnhancementsForItem(*listing(2, 0)));
    EXPECT_EQ(withoutGallery, (QStringList{"BoldTitle", "Highlight", "Featured", "HomePageFeatured"}));
    EXPECT_LT(withoutGallery.size(), all.size());
}

TEST(BusinessRules, ShippingRules)
{
    struct Surcharge
    {
        qint64 site;
        const char* code;
        bool available;
    };
    const Surcharge surcharges[] = {
        {0, "UPSGround", true},  {100, "UPS2ndDay", true},   {0, "FedExHomeDelivery", true}, {3, "UPSGround", false},
        {0, "upsGround", false}, {0, "USPSPriority", false}, {77, "FedExGround", false},
    };
    for (const Surcharge& row : surcharges) {
        SCOPED_TRACE(row.code + std::string(" on site ") + std::to_string(row.site));
        EXPECT_EQ(QMEBayBussinessLogic::shippingSurchargeAvailableOnSiteWithID(row.site, QLatin1String(row.code)),
                  row.available);
    }

    QMItemShippingOptions options;
    EXPECT_TRUE(QMEBayBussinessLogic::canSelectDomesticShippingServiceForItemShippingOptions(options));
    options.addDomesticShippingServiceWithID(QStringLiteral("1"), QStringLiteral("5"), false, QStringLiteral("0"));
    EXPECT_TRUE(QMEBayBussinessLogic::canSelectDomesticShippingServiceForItemShippingOptions(options));
    options.setLocalPickupOnly(true);
    EXPECT_FALSE(QMEBayBussinessLogic::canSelectDomesticShippingServiceForItemShippingOptions(options));
    options.setLocalPickupOnly(false);
    options.addDomesticShippingServiceWithID(QStringLiteral("5"), QStringLiteral("5"), false, QStringLiteral("0"));
    EXPECT_FALSE(QMEBayBussinessLogic::canSelectDomesticShippingServiceForItemShippingOptions(options));
}

TEST(BusinessRules, ServicesTheSiteDoesNotOfferAreRemoved)
{
    const auto item = listing(77, 0);
    auto& options = *item->shippingOptions();
    options.addDomesticShippingServiceWithID(QStringLiteral("1"), QStringLiteral("5"), false, QStringLiteral("0"));
    options.addDomesticShippingServiceWithID(QStringLiteral("7701"), QStringLiteral("5"), false, QStringLiteral("0"));
    options.addDomesticShippingServiceWithID(QStringLiteral("5"), QStringLiteral("5"), false, QStringLiteral("0"));
    options.addInternationalShippingServiceWithID(QStringLiteral("57701"), QStringLiteral("9"), false,
                                                  QStringLiteral("0"));
    options.addInternationalShippingServiceWithID(QStringLiteral("7701"), QStringLiteral("9"), false,
                                                  QStringLiteral("0"));
    QSignalSpy changes(item.get(), &QMEbayItem::keyChanged);

    QMEBayBussinessLogic::removeUnsupportedShippingOptionsFromItem(*item);
    ASSERT_EQ(options.domesticShippingServiceCount(), 1);
    EXPECT_EQ(options.idOfDomesticShippingServiceAtIndex(0), QStringLiteral("7701"));
    ASSERT_EQ(options.internationalShippingServiceCount(), 1);
    EXPECT_EQ(options.idOfInternationalShippingServiceAtIndex(0), QStringLiteral("57701"));

    QMEBayBussinessLogic::removeUnsupportedShippingOptionsFromItem(*item);
    EXPECT_EQ(options.domesticShippingServiceCount(), 1);
    ASSERT_EQ(changes.size(), 2) << "announced also when nothing was removed";
    EXPECT_EQ(changes.at(1).at(0).toString(), QStringLiteral("xShippingOptions"));
}

TEST(BusinessRules, CustomSpecificsSetsAndAddresses)
{
    ScopedCategoryData data;
    addSite77Categories(*data);
    EXPECT_TRUE(QMEBayBussinessLogic::customSpecificsAvailableForFirstCategoryID(400, 0, 77));
    EXPECT_TRUE(QMEBayBussinessLogic::customSpecificsAvailableForFirstCategoryID(100, 400, 77));
    EXPECT_FALSE(QMEBayBussinessLogic::customSpecificsAvailableForFirstCategoryID(999, 400, 77));
    EXPECT_FALSE(QMEBayBussinessLogic::customSpecificsAvailableForFirstCategoryID(100, 0, 77));
    EXPECT_FALSE(QMEBayBussinessLogic::itemCanUseCustomSpecifics(*listing(3, 400)));

    const auto a = listing(77, 100, 200);
    const auto b = listing(77, 100, 200);
    EXPECT_TRUE(QMEBayBussinessLogic::itemsHaveSameCategories({a, b}));
    b->setCategory2(0);
    EXPECT_FALSE(QMEBayBussinessLogic::itemsHaveSameCategories({a, b}));
    EXPECT_TRUE(QMEBayBussinessLogic::itemsHaveSameSiteID({a, b}));
    b->setReturnPolicyAccepted(true);
    EXPECT_FALSE(QMEBayBussinessLogic::itemsHaveSameReturnPolicyAcceptedFlag({a, b}));
    EXPECT_TRUE(QMEBayBussinessLogic::itemsHaveSameSiteID({}));

    dw::test::TemporaryXdg xdg;
    a->setItemID(QStringLiteral("110012345678"));
    EXPECT_EQ(QMEBayBussinessLogic::urlForItem(*a),
              QStringLiteral("https://cgi.ebay.de/ws/eBayISAPI.dll?ViewItem&item=110012345678"));
    DWEbayPreferencesManager::sharedInstance().setIsRunningInSandbox(true);
    EXPECT_EQ(QMEBayBussinessLogic::urlForItem(*a),
              QStringLiteral("https://cgi.sandbox.ebay.de/ws/eBayISAPI.dll?ViewItem&item=110012345678"));

    data->paths.insert({77, 100}, QStringLiteral("Sammeln & Seltenes > Comics"));
    EXPECT_EQ(QMEBayBussinessLogic::categoryFieldValueForSiteID(77, 100),
              QStringLiteral("Sammeln & Seltenes > Comics"));
    EXPECT_EQ(QMEBayBussinessLogic::categoryFieldValueForSiteID(77, 0), QStringLiteral("Category not set"));
    EXPECT_EQ(QMEBayBussinessLogic::categoryFieldValueForSiteID(77, 200), QStringLiteral("Category not found"));
}
