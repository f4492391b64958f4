#include "model/QMItemShippingOptions.h"
#include "model/QMPreferencesManager.h"

#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/core/AtomicFile.h"
#include "platform/core/DWAssert.h"
#include "platform/core/Paths.h"
#include "platform/core/UserDefaults.h"
#include "tests/support/TemporaryXdg.h"

#include <gtest/gtest.h>

namespace {

std::shared_ptr<QMItemShippingOptions> everyFieldSet()
{
    auto o = std::make_shared<QMItemShippingOptions>();
    o->setUsesCalculatedShipping(true);
    o->setShipToLocations({QStringLiteral("Europe"), QStringLiteral("CA")});
    o->setInsuranceFee(QStringLiteral("1.50"));
    o->setInsuranceOption(2);
    o->setShippingType(4);
    o->setShipFromZipCode(QStringLiteral("95125"));
    o->setPackageDepth(QStringLiteral("10"));
    o->setPackageLength(QStringLiteral("20"));
    o->setPackageWidth(QStringLiteral("30"));
    o->setPackagePounds(QStringLiteral("2"));
    o->setPackageOunces(QStringLiteral("8"));
    o->setPackagingHandlingCosts(QStringLiteral("0.99"));
    o->addDomesticShippingServiceWithID(QStringLiteral("5"), QStringLiteral("7,95"), true, QStringLiteral("2"), true,
                                        QStringLiteral("4"));
    o->addInternationalShippingServiceWithID(QStringLiteral("50011"), QStringLiteral("25"), false, QStringLiteral("0"));
    o->setUsesSpecialShipToLocations(true, 0);
    o->setShipToLocations({QStringLiteral("JP")}, 0);
    o->setLocalPickupOnly(true);
    o->setShippingTermsInDescription(true);
    o->setUsesCalculatedShippingInternational(true);
    o->setInsuranceOptionInternational(1);
    o->setInsuranceFeeInternational(QStringLiteral("3"));
    o->setPackagingHandlingCostsInternational(QStringLiteral("1"));
    o->setOfferDomesticShippingDiscount(true);
    o->setOfferInternationalShippingDiscount(true);
    o->setDomesticShippingDiscountProfileID(QStringLiteral("D1"));
    o->setInternationalShippingDiscountProfileID(QStringLiteral("I1"));
    o->setOfferDomesticPromotionalShippingDiscount(true);
    o->setOfferInternationalPromotionalShippingDiscount(true);
    o->setExcludeLocations({QStringLiteral("APO/FPO")});
    return o;
}

void expectSameOptions(const QMItemShippingOptions& a, const QMItemShippingOptions& b)
{
    EXPECT_EQ(a.usesCalculatedShipping(), b.usesCalculatedShipping());
    EXPECT_EQ(a.shipToLocations(), b.shipToLocations());
    EXPECT_EQ(a.insuranceFee(), b.insuranceFee());
    EXPECT_EQ(a.insuranceOption(), b.insuranceOption());
    EXPECT_EQ(a.shippingType(), b.shippingType());
    EXPECT_EQ(a.shipFromZipCode(), b.shipFromZipCode());
    EXPECT_EQ(a.packageDepth(), b.packageDepth());
    EXPECT_EQ(a.packageLength(), b.packageLength());
    EXPECT_EQ(a.packageWidth(), b.packageWidth());
    EXPECT_EQ(a.packagePounds(), b.packagePounds());
    EXPECT_EQ(a.packageOunces(), b.packageOunces());
    EXPECT_EQ(a.packagingHandlingCosts(), b.packagingHandlingCosts());
    EXPECT_EQ(a.domesticShippingServices(), b.domesticShippingServices());
    EXPECT_EQ(a.internationalShippingServices(), b.internationalShippingServices());
    EXPECT_EQ(a.localPickupOnly(), b.localPickupOnly());
    EXPECT_EQ(a.shippingTermsInDescription(), b.shippingTermsInDescription());
    EXPECT_EQ(a.usesCalculatedShippingInternational(), b.usesCalculatedShippingInternational());
    EXPECT_EQ(a.insuranceOptionInternational(), b.insuranceOptionInternational());
    EXPECT_EQ(a.insuranceFeeInternational(), b.insuranceFeeInternational());
    EXPECT_EQ(a.packagingHandlingCostsInternational(), b.packagingHandlingCostsInternational());
    EXPECT_EQ(a.offerDomesticShippingDiscount(), b.offerDomesticShippingDiscount());
    EXPECT_EQ(a.offerInternationalShippingDiscount(), b.offerInternationalShippingDiscount());
    EXPECT_EQ(a.domesticShippingDiscountProfileID(), b.domesticShippingDiscountProfileID());
    EXPECT_EQ(a.internationalShippingDiscountProfileID(), b.internationalShippingDiscountProfileID());
    EXPECT_EQ(a.offerDomesticPromotionalShippingDiscount(), b.offerDomesticPromotionalShippingDiscount());
    EXPECT_EQ(a.offerInternationalPromotionalShippingDiscount(), b.offerInternationalPromotionalShippingDiscount());
    EXPECT_EQ(a.excludeLocations(), b.excludeLocations());
    EXPECT_EQ(a.hasExcludeLocations(), b.hasExcludeLocations());
}

} // namespace

TEST(ShippingOptionsArchive, EveryFieldSurvivesARoundTrip)
{
    QMItemShippingOptions::registerArchiveClass();
    const auto original = everyFieldSet();
    const QByteArray data = dw::KeyedArchiver::archivedDataWithRootObject(dw::archiveValue(original));
    QString error;
    const auto root = dw::KeyedUnarchiver::unarchiveObjectWithData(data, &error);
    ASSERT_TRUE(root) << error.toStdString();
    const auto read = dw::archivedObjectCast<QMItemShippingOptions>(*root);
    ASSERT_TRUE(read);
    expectSameOptions(*original, *read);
    // Nil fields stay nil; new options keep their defaults.
    const auto fresh = dw::archivedObjectCast<QMItemShippingOptions>(*dw::KeyedUnarchiver::unarchiveObjectWithData(
        dw::KeyedArchiver::archivedDataWithRootObject(dw::archiveValue(std::make_shared<QMItemShippingOptions>()))));
    ASSERT_TRUE(fresh);
    expectSameOptions(QMItemShippingOptions(), *fresh);
    EXPECT_TRUE(fresh->domesticShippingDiscountProfileID().isNull());
}

TEST(ItemDefaults, ShippingOptionsAreKeptPerSite)
{
    dw::test::TemporaryXdg xdg;
    QMPreferencesManager prefs;
    EXPECT_EQ(prefs.defaultShippingOptionsForSiteID(QStringLiteral("77"))->domesticShippingServiceCount(), 0);
    ASSERT_TRUE(prefs.setDefaultShippingOptions(everyFieldSet(), QStringLiteral("77")));
    expectSameOptions(*prefs.defaultShippingOptionsForSiteID(QStringLiteral("77")), *everyFieldSet());
    EXPECT_EQ(prefs.defaultShippingOptionsForSiteID(QStringLiteral("3"))->domesticShippingServiceCount(), 0);
    EXPECT_THROW(prefs.setDefaultShippingOptions(nullptr, QStringLiteral("3")), dw::InternalInconsistency);
}

TEST(ItemDefaults, LegacyCountryFilesAndNewerFormats)
{
    dw::test::TemporaryXdg xdg;
    QMPreferencesManager prefs;
    const QString folder = dw::paths::fixedDataFolder();
    auto write = [&](const QString& name, qint64 version) {
        const QVariantMap root{{QStringLiteral("fileFormatVersion"), version},
                               {QStringLiteral("shippingOptions"), dw::archiveValue(everyFieldSet())}};
        ASSERT_TRUE(dw::KeyedArchiver::archiveRootObject(root, folder + name));
    };
    write(QStringLiteral("ShippingOptions.country1.data"), 0);
    EXPECT_EQ(prefs.defaultShippingOptionsForSiteID(QStringLiteral("0"))->shipFromZipCode(), QStringLiteral("95125"));
    EXPECT_EQ(prefs.defaultShippingOptionsForSiteID(QStringLiteral("1"))->shipFromZipCode(), QStringLiteral("95125"));
    EXPECT_EQ(prefs.defaultShippingOptionsForSiteID(QStringLiteral("77"))->shipFromZipCode(), QStringLiteral(""));

    write(QStringLiteral("ShippingOptions.site3.data"), 1);
    EXPECT_EQ(prefs.defaultShippingOptionsForSiteID(QStringLiteral("3"))->domesticShippingServiceCount(), 0);
}

TEST(ItemDefaults, AnUnusableSiteFileNeverBringsBackTheOldCountryFile)
{
    dw::test::TemporaryXdg xdg;
    QMPreferencesManager prefs;
    const QString folder = dw::paths::fixedDataFolder();
    const QVariantMap oldOptions{{QStringLiteral("fileFormatVersion"), 0},
                                 {QStringLiteral("shippingOptions"), dw::archiveValue(everyFieldSet())}};
    ASSERT_TRUE(
        dw::KeyedArchiver::archiveRootObject(oldOptions, folder + QStringLiteral("ShippingOptions.country1.data")));
    ASSERT_TRUE(
        dw::KeyedArchiver::archiveRootObject(oldOptions, folder + QStringLiteral("ShippingOptions.country77.data")));

    struct Row
    {
        const char* name;
        const char* siteID;
        QVariantMap siteFile;
    };
    const Row rows[] = {
        {"a newer format",
         "0",
         {{QStringLiteral("fileFormatVersion"), 1},
          {QStringLiteral("shippingOptions"), dw::archiveValue(everyFieldSet())}}},
        {"a dictionary without options", "77", {{QStringLiteral("fileFormatVersion"), 0}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QString siteID = QString::fromLatin1(row.siteID);
        ASSERT_TRUE(dw::KeyedArchiver::archiveRootObject(
            row.siteFile, QMPreferencesManager::shippingOptionsFilePathForSiteID(siteID)));
        const auto options = prefs.defaultShippingOptionsForSiteID(siteID);
        EXPECT_EQ(options->domesticShippingServiceCount(), 0);
        EXPECT_EQ(options->shipFromZipCode(), QStringLiteral(""));
    }
}

TEST(ItemDefaults, AFailedSaveKeepsTheOldFileAndAFileNameNeverEscapesItsFolder)
{
    dw::test::TemporaryXdg xdg;
    QMPreferencesManager prefs;
    ASSERT_TRUE(prefs.setDefaultShippingOptions(everyFieldSet(), QStringLiteral("3")));
    {
        dw::ScopedWriteFailure fullDisk;
        EXPECT_FALSE(prefs.setDefaultShippingOptions(std::make_shared<QMItemShippingOptions>(), QStringLiteral("3")));
    }
    EXPECT_EQ(prefs.defaultShippingOptionsForSiteID(QStringLiteral("3"))->domesticShippingServiceCount(), 1);
    EXPECT_FALSE(prefs.setDefaultShippingOptions(everyFieldSet(), QStringLiteral("/../../x")));
    EXPECT_TRUE(QMPreferencesManager::shippingOptionsFilePathForSiteID(QStringLiteral("/../x")).isNull());
}
