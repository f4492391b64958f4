#include "model/widgets/QMCommonPrefsController.h"

#include "model/QMCountryDescriptionManager.h"
#include "model/QMPreferencesManager.h"
#include "model/QMSiteDescriptionManager.h"

#include "platform/core/UserDefaults.h"
#include "tests/support/TemporaryXdg.h"

#include <gtest/gtest.h>
#include <memory>
#include <utility>
#include <vector>

namespace {

const QString kNoRegion = QStringLiteral("Don\u2019t list regionally");
const QString kSeparator = QStringLiteral("---");

using Items = std::vector<std::pair<QString, qint64>>;

// The pop-up's items as the user sees them: title and tag, separators as "---".
Items itemsOf(const QComboBox& popUp)
{
    Items items;
    for (int i = 0; i < popUp.count(); ++i) {
        const bool separator = popUp.itemData(i, Qt::AccessibleDescriptionRole).toString() == u"separator";
        items.emplace_back(separator ? kSeparator : popUp.itemText(i), popUp.itemData(i).toLongLong());
    }
    return items;
}

// What the user does: picks the item with that tag.
void choose(QComboBox& popUp, qint64 tag)
{
    const int index = popUp.findData(QVariant(qlonglong(tag)));
    ASSERT_GE(index, 0) << "no item tagged " << tag;
    popUp.setCurrentIndex(index);
    Q_EMIT popUp.activated(index);
}

enum Popups : unsigned { Site = 1, Country = 2, Region = 4, Currency = 8, All = 15 };

// A preferences window: its own settings, the program's site table, a small country table, and the
// pop-ups it hands to the controller.
struct Window
{
    dw::UserDefaults defaults{QString()};
    QMPreferencesManager prefs{&defaults};
    QMSiteDescriptionManager sites;
    QMCountryDescriptionManager countries{
        dw::test::fixturePath(QStringLiteral("model/CountriesWithUnsortedRegions.plist"))};
    QComboBox site, country, region, currency;
    std::unique_ptr<QMCommonPrefsController> controller;

    explicit Window(unsigned connected = All, const QString& sitesTable = QStringLiteral(":/tables/sites.data"))
        : sites(sitesTable)
    {
        controller = std::make_unique<QMCommonPrefsController>(prefs, sites, countries);
        if (connected & Site)
            controller->setSitePopup(&site);
        if (connected & Country)
            controller->setCountryPopup(&country);
        if (connected & Region)
            controller->setRegionPopup(&region);
        if (connected & Currency)
            controller->setCurrencyPopup(&currency);
    }

    void store(qint64 siteID, qint64 currencyID, qint64 countryID, qint64 regionID)
    {
        prefs.setDefaultSiteID(siteID);
        prefs.setDefaultCurrencyID(currencyID);
        prefs.setDefaultCountryID(countryID);
        prefs.setDefaultRegionID(regionID);
    }
};

} // namespace

TEST(QMCommonPrefsController, StartFillsEveryPopupAndShowsTheStoredDefaults)
{
    Window w;
    w.store(77, 7, 5, 2);
    w.controller->awakeFromNib();

    const QVariantList table = w.sites.siteDescriptions();
    ASSERT_EQ(w.site.count(), table.size());
    for (int i = 0; i < w.site.count(); ++i) {
        const QVariantMap site = table.at(i).toMap();
        EXPECT_EQ(w.site.itemText(i), site.value(QStringLiteral("SiteName")).toString());
        EXPECT_EQ(w.site.itemData(i).toLongLong(), site.value(QStringLiteral("SiteID")).toString().toLongLong());
    }
    EXPECT_EQ(w.site.currentText(), QStringLiteral("Germany"));
    EXPECT_GE(w.site.findData(QVariant(qlonglong(100))), 0) << "eBay Motors is offered";

    EXPECT_EQ(itemsOf(w.currency), (Items{{QStringLiteral("Euro"), 7}}));
    EXPECT_EQ(itemsOf(w.country), (Items{{QStringLiteral("Northland"), 5}, {QStringLiteral("Southland"), 7}}));
    EXPECT_EQ(w.country.currentData().toLongLong(), 5);
    EXPECT_EQ(itemsOf(w.region), (Items{{kNoRegion, 0},
                                        {kSeparator, 0},
                                        {QStringLiteral("alpha"), 1},
                                        {QStringLiteral("Bravo"), 2},
                                        {QStringLiteral("charlie"), 3}}))
        << "regions are sorted by name without regard to case";
    EXPECT_EQ(w.region.currentText(), QStringLiteral("Bravo"));

    EXPECT_EQ(w.prefs.defaultSiteID(), 77);
    EXPECT_EQ(w.prefs.defaultCurrencyID(), 7);
    EXPECT_EQ(w.prefs.defaultCountryID(), 5);
    EXPECT_EQ(w.prefs.defaultRegionID(), 2);
}

TEST(QMCommonPrefsController, StoredValuesNotAmongTheItemsGiveWayToWhatIsShown)
{
    Window w;
    w.store(2, 99, 5, 9);
    w.controller->awakeFromNib();

    EXPECT_EQ(w.currency.currentText(), QStringLiteral("Canadian Dollar"));
    EXPECT_EQ(w.prefs.defaultCurrencyID(), 2);
    EXPECT_EQ(w.region.currentText(), kNoRegion);
    EXPECT_EQ(w.prefs.defaultRegionID(), 0);
}

TEST(QMCommonPrefsController, ChoosingASiteStoresItAndACurrencyOfThatSite)
{
    struct Row
    {
        const char* name;
        unsigned connected;
        qint64 shownSite; // US Dollar (1) or Euro (7)
        qint64 chosenSite;
        qint64 expectedCurrency;
    };
    const Row rows[] = {
        {"the shown currency stays when the new site has it", All, 0, 2, 1},
        {"else the new site's first currency is shown and stored", All, 77, 2, 2},
        {"without a currency pop-up the site's first currency is stored", Site, 0, 2, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Window w(row.connected);
        w.store(row.shownSite, 0, 5, 0);
        w.controller->awakeFromNib();
        ASSERT_EQ(w.prefs.defaultCurrencyID(), row.shownSite == 0 ? 1 : 7) << "the start stores the site's currency";
        choose(w.site, row.chosenSite);

        EXPECT_EQ(w.prefs.defaultSiteID(), row.chosenSite);
        EXPECT_EQ(w.prefs.defaultCurrencyID(), row.expectedCurrency);
        if (row.connected & Currency) {
            EXPECT_EQ(itemsOf(w.currency),
                      (Items{{QStringLiteral("Canadian Dollar"), 2}, {QStringLiteral("US Dollar"), 1}}));
            EXPECT_EQ(w.currency.currentData().toLongLong(), row.expectedCurrency);
        }
    }
}

TEST(QMCommonPrefsController, ChoosingACountryRefillsTheRegionsAndStoresTheRegionShown)
{
    Window w;
    w.store(77, 7, 5, 2);
    w.controller->awakeFromNib();

    choose(w.country, 7);
    EXPECT_EQ(w.prefs.defaultCountryID(), 7);
    EXPECT_EQ(itemsOf(w.region), (Items{{kNoRegion, 0}, {kSeparator, 0}})) << "a country without regions";
    EXPECT_EQ(w.prefs.defaultRegionID(), 0);

    choose(w.country, 5);
    EXPECT_EQ(w.region.count(), 5);
    choose(w.region, 3);
    EXPECT_EQ(w.prefs.defaultRegionID(), 3);

    Window withoutRegions(Country);
    withoutRegions.store(77, 7, 7, 3);
    withoutRegions.controller->updateCountryPopup();
    choose(withoutRegions.country, 5);
    EXPECT_EQ(withoutRegions.prefs.defaultRegionID(), 0) << "the region of the country chosen before is dropped";
}

TEST(QMCommonPrefsController, UnknownDefaultCountryOffersOnlyNoRegion)
{
    Window w(Region);
    w.store(77, 7, 999, 4);
    ASSERT_NO_THROW(w.controller->awakeFromNib());
    EXPECT_EQ(itemsOf(w.region), (Items{{kNoRegion, 0}, {kSeparator, 0}}));
    EXPECT_EQ(w.region.currentIndex(), 0);

    choose(w.region, 0);
    EXPECT_EQ(w.prefs.defaultRegionID(), 0);
}

TEST(QMCommonPrefsController, UnreadableSiteTableKeepsTheStoredSiteAndCurrency)
{
    Window w(All, QStringLiteral("/nonexistent/sites.data"));
    w.store(77, 7, 5, 2);
    w.controller->awakeFromNib();
    EXPECT_EQ(w.site.count(), 0);
    EXPECT_EQ(w.prefs.defaultSiteID(), 77);
    EXPECT_EQ(w.prefs.defaultCurrencyID(), 7);
}
