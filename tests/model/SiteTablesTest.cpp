#include "model/QMCountryDescriptionManager.h"
#include "model/QMSiteDescriptionManager.h"

#include "DWKit/QMLog.h"

#include "platform/core/ConsoleOutput.h"
#include "tests/support/TemporaryXdg.h"

#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QMSiteDescriptionManager& sites()
{
    return QMSiteDescriptionManager::sharedInstance();
}

QStringList valuesOf(const QVariantList& entries, const char* key)
{
    QStringList values;
    for (const QVariant& entry : entries)
        values << entry.toMap().value(QString::fromLatin1(key)).toString();
    return values;
}

// Lets error lines through the console log for one test.
struct ScopedErrorLogging
{
    ScopedErrorLogging() { QMSetLogLevel(2); }
    ~ScopedErrorLogging() { QMResetCachedLogLevel(); }
};

} // namespace

TEST(SiteTable, CoversTheTradingAPISitesWithTheirCodesAndCurrencies)
{
    struct Row
    {
        qint64 siteID;
        const char* code;
        const char* globalID;
        const char* currencies;
        const char* country;
    };
    const Row rows[] = {
        {0, "US", "EBAY-US", "USD", "1"},
        {2, "Canada", "EBAY-ENCA", "CAD USD", "2"},
        {3, "UK", "EBAY-GB", "GBP", "3"},
        {15, "Australia", "EBAY-AU", "AUD", "15"},
        {16, "Austria", "EBAY-AT", "EUR", "16"},
        {23, "Belgium_French", "EBAY-FRBE", "EUR", "23"},
        {71, "France", "EBAY-FR", "EUR", "71"},
        {77, "Germany", "EBAY-DE", "EUR", "77"},
        {100, "eBayMotors", "EBAY-MOTOR", "USD", "1"},
        {101, "Italy", "EBAY-IT", "EUR", "101"},
        {123, "Belgium_Dutch", "EBAY-NLBE", "EUR", "23"},
        {146, "Netherlands", "EBAY-NL", "EUR", "146"},
        {186, "Spain", "EBAY-ES", "EUR", "186"},
        {193, "Switzerland", "EBAY-CH", "CHF", "193"},
        {201, "HongKong", "EBAY-HK", "HKD", nullptr},
        {203, "India", "EBAY-IN", "INR", nullptr},
        {205, "Ireland", "EBAY-IE", "EUR", nullptr},
        {207, "Malaysia", "EBAY-MY", "MYR", nullptr},
        {210, "CanadaFrench", "EBAY-FRCA", "CAD USD", "2"},
        {211, "Philippines", "EBAY-PH", "PHP", nullptr},
        {212, "Poland", "EBAY-PL", "PLN", nullptr},
        {216, "Singapore", "EBAY-SG", "SGD", nullptr},
        {196, "Taiwan", "", "TWD", "195"},
        {223, "China", "", "CNY", "45"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.code);
        EXPECT_EQ(sites().schemaSiteCodeForLegacySiteID(row.siteID), QLatin1String(row.code));
        EXPECT_EQ(sites().siteIDForSchemaSiteCode(QLatin1String(row.code)), row.siteID);
        if (*row.globalID) {
            EXPECT_EQ(sites().siteIDForFindingApiGlobalID(QLatin1String(row.globalID)), row.siteID);
        }
        EXPECT_EQ(valuesOf(sites().currenciesForSiteID(row.siteID), "CurrencyCode").join(u' '),
                  QLatin1String(row.currencies));
        if (row.country) {
            EXPECT_EQ(sites().defaultCountryIDAsStringForSiteID(row.siteID), QLatin1String(row.country));
        }
        EXPECT_FALSE(sites().domesticShippingServicesForSiteID(QString::number(row.siteID)).isEmpty());
        EXPECT_FALSE(sites().itemDurationForSiteID(QString::number(row.siteID)).isEmpty());
    }
}

TEST(SiteTable, AnEmptyGlobalIDNamesNoSite)
{
    EXPECT_EQ(sites().siteIDForFindingApiGlobalID(QString()), 0);
}

TEST(SiteTable, CurrencyLookups)
{
    EXPECT_EQ(sites().currencyCodeForCurrencyID(3, 3), QStringLiteral("GBP"));
    EXPECT_EQ(sites().currencyCodeForCurrencyID(1, 2), QStringLiteral("USD"));
    // An ID the site does not have: its first currency stands in.
    EXPECT_EQ(sites().currencyCodeForCurrencyID(13, 77), QStringLiteral("EUR"));
    EXPECT_EQ(sites().currencyIDForCurrencyCode(QStringLiteral("CAD"), 2), 2);
    EXPECT_EQ(sites().currencyIDForCurrencyCode(QStringLiteral("GBP"), 0), 0);
    EXPECT_TRUE(sites().currencyNameForCurrencyID(7, 0).isNull());
    EXPECT_EQ(sites().currencyNameForCurrencyCode(QStringLiteral("CHF")), QStringLiteral("Swiss Franc"));
    EXPECT_EQ(sites().firstCurrencyIDForSiteID(100), 1);
}

TEST(SiteTable, DiscontinuedServicesAreMarkedAndFoundOnlyUnderTheMarkedName)
{
    const QVariantList uk = sites().domesticShippingServicesForSiteID(QStringLiteral("3"));
    const QStringList names = valuesOf(uk, "ServiceName");
    EXPECT_TRUE(names.contains(QStringLiteral("Royal Mail Standard Parcels (Discontinued)")));
    EXPECT_TRUE(names.contains(QStringLiteral("Royal Mail 1st Class")));
    EXPECT_EQ(
        sites().serviceIDForShippingServiceName(QStringLiteral("Royal Mail Standard Parcels (Discontinued)"), 3, false),
        306);
    EXPECT_EQ(sites().serviceIDForShippingServiceName(QStringLiteral("Royal Mail Standard Parcels"), 3, false), 0);
    EXPECT_EQ(sites().serviceNameForShippingServiceID(QStringLiteral("50302"), 3, true),
              QStringLiteral("Royal Mail Airmail (Small Packets)"));
    // The table itself keeps the plain name.
    EXPECT_EQ(sites()
                  .shippingServiceWithServiceCode(QStringLiteral("UK_RoyalMailStandardParcel"), QStringLiteral("3"))
                  .value(QStringLiteral("ServiceName")),
              QStringLiteral("Royal Mail Standard Parcels"));
    for (const QVariant& service : sites().internationalShippingServicesForSiteID(QStringLiteral("77")))
        EXPECT_TRUE(service.toMap().value(QStringLiteral("IsInternational")).toBool());
}

TEST(SiteTable, ShippingServiceCodesAndPickup)
{
    EXPECT_EQ(sites().shippingServiceCodeForLegacyShippingID(QStringLiteral("301"), QStringLiteral("3")),
              QStringLiteral("UK_RoyalMailFirstClassStandard"));
    EXPECT_EQ(sites().legacyShippingIDForShippingServiceCode(QStringLiteral("USPSPriority"), QStringLiteral("0")),
              QStringLiteral("5"));
    EXPECT_EQ(sites().shippingServiceCodeForLegacyShippingID(QStringLiteral("80029"), QStringLiteral("0")),
              QStringLiteral("Freight"));
    EXPECT_EQ(sites().shippingServiceNameForCode(QStringLiteral("DE_DHLPaket")), QStringLiteral("DHL Paket"));
    EXPECT_EQ(sites().localPickupShippingServiceIDForSiteID(3), 311);
    EXPECT_TRUE(sites().shippingServiceIdIsLocalPickup(311));
    EXPECT_TRUE(sites().shippingServiceIdIsLocalPickup(sites().localPickupShippingServiceIDForSiteID(77)));
    EXPECT_FALSE(sites().shippingServiceIdIsLocalPickup(301));
    const QVariantList uk = sites().domesticShippingServicesForSiteID(QStringLiteral("3"));
    EXPECT_EQ(QMSiteDescriptionManager::indexOfShippingServiceWithID(QStringLiteral("302"), uk), 1);
    EXPECT_EQ(QMSiteDescriptionManager::indexOfShippingServiceWithID(QStringLiteral("4711"), uk), 0);
    EXPECT_FALSE(QMSiteDescriptionManager::hasOfShippingServiceWithID(QStringLiteral("4711"), uk));
    EXPECT_EQ(sites().shippingPackageForShippingType(1, 0), QStringLiteral("PackageThickEnvelope"));
}

TEST(SiteTable, DurationsPerListingType)
{
    const QVariantMap us = sites().itemDurationForSiteID(QStringLiteral("0"));
    EXPECT_EQ(us.keys(), (QStringList{"1", "10", "3", "30", "5", "7", "GTC"}));
    EXPECT_EQ(us.value(QStringLiteral("GTC")).toString(), QStringLiteral("Good 'Til Cancelled"));
    EXPECT_EQ(us.value(QStringLiteral("1")).toString(), QStringLiteral("1 Day"));
    EXPECT_EQ(sites().classifiedAdDurationsForSiteID(QStringLiteral("0")).keys(), (QStringList{"30", "90"}));
    EXPECT_TRUE(sites().classifiedAdFormatSupportOnSiteWithID(0));
    EXPECT_FALSE(sites().classifiedAdFormatSupportOnSiteWithID(77));
}

TEST(SiteTable, PaymentOptionsKeepTheSiteOrder)
{
    const QStringList selected{QStringLiteral("PersonalCheck"), QStringLiteral("Escrow"),
                               QStringLiteral("PayPalAccepted")};
    EXPECT_EQ(sites().allowedPaymentOptionsFromSelectedOptions(selected, 0),
              (QStringList{"PayPalAccepted", "PersonalCheck"}));
    EXPECT_EQ(sites().allowedPaymentOptionsFromSelectedOptions(selected, 100),
              (QStringList{"PayPalAccepted", "PersonalCheck", "Escrow"}));
    EXPECT_EQ(sites().paymentOptionNameStringForOptions(selected, 0), QStringLiteral("PayPal, Personal check"));
    EXPECT_EQ(sites().paymentOptionNameStringForOptions({QStringLiteral("Escrow")}, 0), QString(""));
}

TEST(SiteTable, FlagsAndAddresses)
{
    EXPECT_TRUE(sites().calculatedShippingFeesAllowedForSiteWithID(QStringLiteral("0")));
    EXPECT_FALSE(sites().calculatedShippingFeesAllowedForSiteWithID(QStringLiteral("3")));
    EXPECT_TRUE(sites().siteSupportsVATPercent(QStringLiteral("77")));
    EXPECT_TRUE(sites().metricShippingUnitsUsedOnSiteWithID(77));
    EXPECT_FALSE(sites().metricShippingUnitsUsedOnSiteWithID(0));
    EXPECT_TRUE(sites().supportsReturnPolicyRefundDetailsOnSiteID(0));
    EXPECT_FALSE(sites().supportsReturnPolicyRefundDetailsOnSiteID(3));
    EXPECT_EQ(sites().crossBorderTradeStringForSite(3), QStringLiteral("North America"));

    const QString production = sites().auctionsURLForSiteID(77, false);
    EXPECT_EQ(production, QStringLiteral("https://cgi.ebay.de/ws/eBayISAPI.dll"));
    EXPECT_EQ(sites().auctionsURLForSiteID(77, true), QStringLiteral("https://cgi.sandbox.ebay.de/ws/eBayISAPI.dll"));
    EXPECT_TRUE(sites().authorizeURLForSiteID(3, true).endsWith(QStringLiteral("/saw-cgi/eBayISAPI.dll")));
    EXPECT_EQ(sites().authorizeURLForSiteID(3, false), QStringLiteral("https://signin.ebay.co.uk/ws/eBayISAPI.dll"));
    EXPECT_FALSE(sites().dunmerrowEbayStoreURLForSiteWithID(0).isEmpty());
}

// A key the compiled table does not have reads as empty or false without a word, so a misspelt row
// of the accessor table would quietly turn a feature off on every site.
TEST(SiteTable, EveryPlainAccessorReadsAKeyTheTableHas)
{
    const char* const keys[] = {
#define QM_SITE_KEY(Answer, accessor, SiteID, key) key,
#include "model/QMSiteKeys.inc"
#undef QM_SITE_KEY
    };
    QSet<QString> stored;
    for (const QVariant& site : sites().siteDescriptions()) {
        const QStringList siteKeys = site.toMap().keys();
        stored.unite(QSet<QString>(siteKeys.cbegin(), siteKeys.cend()));
    }
    for (const char* key : keys)
        EXPECT_TRUE(stored.contains(QString::fromLatin1(key))) << key;
}

TEST(SiteTable, ExcludeLocationFilterMatchesAnywhereInTheName)
{
    const QStringList names =
        valuesOf(sites().excludeLocationsForSiteID(QStringLiteral("0"), QStringLiteral("ger")), "name");
    EXPECT_TRUE(names.contains(QStringLiteral("Germany")));
    EXPECT_TRUE(names.contains(QStringLiteral("Algeria")));
    EXPECT_FALSE(names.contains(QStringLiteral("France")));
    // A site never lists its own country among the destinations to exclude.
    EXPECT_FALSE(valuesOf(sites().excludeLocationsForSiteID(QStringLiteral("77"), QString()), "code").contains("DE"));
    EXPECT_EQ(sites().excludeLocationsForSiteID(QStringLiteral("0"), QString()).size(),
              sites().excludeLocationsForSiteID(QStringLiteral("0")).size());
}

TEST(SiteTable, AGalleryEnhancementReplacesTheOtherGalleryEnhancement)
{
    QStringList enhancements{QStringLiteral("BoldTitle")};
    sites().addGalleryListingEnhancement(QStringLiteral("GalleryPlus"), enhancements, 0);
    sites().addGalleryListingEnhancement(QStringLiteral("GalleryFeatured"), enhancements, 0);
    sites().addGalleryListingEnhancement(QStringLiteral("Highlight"), enhancements, 0);
    sites().addGalleryListingEnhancement(QStringLiteral("Highlight"), enhancements, 0);
    EXPECT_EQ(enhancements, (QStringList{"BoldTitle", "GalleryFeatured", "Highlight"}));
}

TEST(SiteTable, AnUnknownSiteAnswersNothingAndLogs)
{
    ScopedErrorLogging logging;
    dw::ScopedConsoleCapture console;
    EXPECT_TRUE(sites().siteDescriptionWithID(999).isEmpty());
    EXPECT_TRUE(console.contains(QStringLiteral("couldn't get site description with id 999")));
    EXPECT_TRUE(sites().sitenameForSiteID(999).isNull());
    EXPECT_TRUE(sites().currencyCodeForCurrencyID(1, 999).isNull());
    EXPECT_EQ(sites().firstCurrencyIDForSiteID(999), 0);
    EXPECT_TRUE(sites().domesticShippingServicesForSiteID(QStringLiteral("999")).isEmpty());
    EXPECT_FALSE(sites().requiresReturnPolicyOnSiteID(999));
    EXPECT_TRUE(sites().schemaSiteCodeForLegacySiteID(999).isNull());
}

TEST(SiteTable, ADamagedTableLoadsAsEmptyAndIsTriedAgain)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sites.data"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("bplist00\x01\x02 truncated");
    file.close();
    dw::ScopedConsoleCapture console;
    QMSiteDescriptionManager damaged(path);
    EXPECT_TRUE(damaged.siteDescriptions().isEmpty());
    EXPECT_TRUE(damaged.sitenameForSiteID(0).isNull());

    ASSERT_TRUE(QFile::remove(path));
    ASSERT_TRUE(QFile::copy(QStringLiteral(":/tables/sites.data"), path));
    EXPECT_EQ(damaged.sitenameForSiteID(0), QStringLiteral("USA"));
}

TEST(SiteTable, IsSortedByName)
{
    const QStringList names = valuesOf(sites().siteDescriptions(), "SiteName");
    QStringList sorted = names;
    std::sort(sorted.begin(), sorted.end(),
              [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
    EXPECT_EQ(names, sorted);
    EXPECT_EQ(sites().allSiteIDs().size(), names.size());
}

TEST(CountryTable, LookupsAreExact)
{
    auto& countries = QMCountryDescriptionManager::sharedInstance();
    EXPECT_EQ(countries.countryAbbForCountryID(QStringLiteral("77")), QStringLiteral("DE"));
    EXPECT_EQ(countries.countryIDForCountryAbb(QStringLiteral("GB")), QStringLiteral("3"));
    EXPECT_EQ(countries.countryNameForCountryAbb(QStringLiteral("CH")), QStringLiteral("Switzerland"));
    EXPECT_EQ(countries.countryDescriptionForCountryIDAsInt(1).value(QStringLiteral("CountryAbb")),
              QStringLiteral("US"));

    dw::ScopedConsoleCapture console;
    EXPECT_TRUE(countries.countryAbbForCountryID(QStringLiteral("077")).isNull());
    EXPECT_TRUE(countries.countryDescriptionForCountryIDAsInt(0).isEmpty());
    EXPECT_TRUE(countries.countryIDForCountryAbb(QStringLiteral("de")).isNull());

    const QVariantList regions =
        countries.countryDescriptionForCountryAbb(QStringLiteral("DE")).value(QStringLiteral("Regions")).toList();
    EXPECT_EQ(regions.size(), 16);
    const QVariantList all = countries.countryDescriptions();
    for (qsizetype i = 1; i < all.size(); ++i)
        EXPECT_LE(QMCountryDescriptionManager::caseInsensitiveCompareByCountryName(all[i - 1].toMap(), all[i].toMap()),
                  0);
}
