#include "model/QMAffiliateManager.h"

#include "DWKit/QMLog.h"

#include "platform/archive/PropertyList.h"
#include "platform/core/ConsoleOutput.h"
#include "tests/support/TemporaryXdg.h"

#include <gtest/gtest.h>

namespace {

QMAffiliateManager fixtureTables()
{
    return QMAffiliateManager(
        dw::plist::read(dw::test::fixture(QStringLiteral("model/AffiliateTables.plist")))->toMap());
}

} // namespace

TEST(AffiliateTables, PartnerChoiceForRequestsAndSearchResults)
{
    const QMAffiliateManager tables = fixtureTables();
    struct Row
    {
        const char* name;
        qint64 site;
        bool forSearch;
        const char* trackingID; // nullptr: no partner
    };
    const Row rows[] = {
        {"first partner listing the site", 77, false, "first-id"},
        {"search skips the flagged entry", 77, true, "second-id"},
        {"only flagged entries: the last one", 3, true, "third-id"},
        {"only flagged entries, not for search", 3, false, "second-id"},
        {"unknown site", 101, false, nullptr},
        {"unknown site, for search", 101, true, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto tracking = tables.affiliateTrackingForSiteID(row.site, row.forSearch);
        ASSERT_EQ(tracking.has_value(), row.trackingID != nullptr);
        if (tracking) {
            EXPECT_EQ(tracking->trackingID, QLatin1String(row.trackingID));
            EXPECT_EQ(tracking->applicationDeviceType, QStringLiteral("Desktop"));
        }
    }
    EXPECT_EQ(tables.affiliateTrackingForSiteID(77)->affiliateUserID, QStringLiteral("first-user"));
    EXPECT_EQ(tables.affiliateTrackingForSiteID(77)->trackingPartnerCode, QStringLiteral("9"));
    EXPECT_EQ(tables.affiliateTrackingForSiteID(77, true)->affiliateUserID, QStringLiteral("QuillmartVodar_77"));
}

TEST(AffiliateTables, AddressesOfASite)
{
    const QMAffiliateManager tables = fixtureTables();
    QMSetLogLevel(2);
    dw::ScopedConsoleCapture console;
    EXPECT_EQ(tables.registerNewUserURLForSiteID(77), QStringLiteral("https://signin.example/de/register"));
    EXPECT_TRUE(tables.registerNewUserURLForSiteID(0).isNull()) << "an entry without an address";
    EXPECT_TRUE(tables.registerNewUserURLForSiteID(101).isNull()) << "an unknown site is no programming error";
    EXPECT_TRUE(console.contains(QStringLiteral("site 101 not supported in registerNewUserURL")));

    // The item ID goes in literally; the other "%" of the address stay as they are.
    EXPECT_EQ(tables.viewItemURLForSiteID(77, QStringLiteral("12%d34")),
              QStringLiteral("https://rover.example/77/12%d34?mpre=100%25&c=%d"));
    EXPECT_TRUE(tables.viewItemURLForSiteID(0, QStringLiteral("1")).isNull());
    EXPECT_TRUE(console.contains(QStringLiteral("Affiliate view item URL for site 0 does not contain format string")));
    const int lines = console.lines().size();
    EXPECT_TRUE(tables.viewItemURLForSiteID(101, QStringLiteral("1")).isNull());
    EXPECT_EQ(console.lines().size(), lines) << "an unknown site gives no console line";
    QMResetCachedLogLevel();
}

TEST(AffiliateTables, ShippedTablesDecrypt)
{
    dw::test::TemporaryXdg xdg;
    const QMAffiliateManager shipped;
    EXPECT_TRUE(shipped.affiliatesInfoDictionary().contains(QStringLiteral("trackingPartners")));
}
