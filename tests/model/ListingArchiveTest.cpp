#include "LegacyArchive.h"

#include "model/QMEbayAttributeValue.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayItem.h"
#include "model/QMEbayMoneyTransformer.h"
#include "model/QMItemShippingOptions.h"
#include "model/QMPreferencesManager.h"
#include "model/QMReturnPolicyUpdater.h"

#include "DWKit/QMLog.h"

#include "platform/archive/ArchivedAttributedString.h"
#include "platform/archive/ArchivedDecimalNumber.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/archive/PropertyList.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/ValueTransformer.h"
#include "platform/text/RtfCodec.h"
#include "tests/support/TemporaryXdg.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <functional>
#include <gtest/gtest.h>

namespace {

std::shared_ptr<QMEbayItem> readListing(const QByteArray& data)
{
    QMEbayItem::registerArchiveClasses();
    QString error;
    const auto root = dw::KeyedUnarchiver::unarchiveObjectWithData(data, &error);
    EXPECT_TRUE(root) << error.toStdString();
    return root ? dw::archivedObjectCast<QMEbayItem>(*root) : nullptr;
}

QVariant decimal(const char* text)
{
    return ref(QVariant::fromValue(dw::ArchivedDecimalNumber{QString::fromLatin1(text)}));
}

QVariant attributeValue(const char* identifier, const char* name)
{
    return dw::archiveValue(
        std::make_shared<QMEbayAttributeValue>(QString::fromLatin1(identifier), QString::fromLatin1(name)));
}

// The return-policy set of site 77 as older listings chose it in the attribute editor.
QVariant returnPolicySet()
{
    const QVariantMap values{
        {QStringLiteral("10"), QVariantList{attributeValue("1", "Returns accepted")}},
        {QStringLiteral("11"), QVariantList{attributeValue("-6", "Within two weeks, in the original box")}},
        {QStringLiteral("12"), QVariantList{attributeValue("101", "30 days")}},
        {QStringLiteral("13"), QVariantList{attributeValue("200", "Money back")}},
        {QStringLiteral("14"), QVariantList{attributeValue("300", "Buyer")}},
    };
    return ref(QVariantMap{{QStringLiteral("5004"), QVariantMap{{QStringLiteral("values"), values}}}});
}

// An archived picture of an older form: the picture itself inside, no thumbnail path.
QVariant oldPictureWithImage()
{
    QImage picture(3, 2, QImage::Format_RGB32);
    picture.fill(QColor(10, 200, 30));
    QByteArray tiff;
    QBuffer buffer(&tiff);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "TIFF");
    const auto rep = std::make_shared<dw::OpaqueArchivedObject>(
        QStringList{QStringLiteral("NSBitmapImageRep"), QStringLiteral("NSImageRep"), QStringLiteral("NSObject")},
        QVariantMap{{QStringLiteral("NSTIFFRepresentation"), ref(tiff)}});
    const auto image =
        legacyObject(QStringLiteral("NSImage"),
                     {{QStringLiteral("NSReps"), ref(QVariantList{QVariantList{0, dw::archiveValue(rep)}})},
                      {QStringLiteral("NSImageFlags"), 12582912}});
    return dw::archiveValue(legacyObject(QStringLiteral("QMEbayImage"),
                                         {{QStringLiteral("name"), ref(QStringLiteral("lamp.jpg"))},
                                          {QStringLiteral("imageFilePath"), ref(QStringLiteral("/srv/p/lamp.jpg"))},
                                          {QStringLiteral("isURLBased"), false},
                                          {QStringLiteral("image"), ref(dw::archiveValue(image))}}));
}

class ListingArchive : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto& preferences = QMPreferencesManager::sharedInstance();
        preferences.setDefaultAccountID(QStringLiteral("seller1"));
        preferences.setDefaultCountryID(77);
        QMSetLogLevel(2);
        const auto table = dw::plist::readFile(qEnvironmentVariable("QV_TEST_DATA") +
                                               QStringLiteral("/model/enciphered/ReturnPolicyMigration.plist"));
        ASSERT_TRUE(table);
        QMReturnPolicyUpdater::setSharedInstance(std::make_unique<QMReturnPolicyUpdater>(table->toMap()));
        QMEbayMoneyTransformer::registerTransformer();
    }
    void TearDown() override
    {
        dw::ValueTransformer::setValueTransformer(nullptr, QMEbayMoneyTransformer::transformerName());
        QMReturnPolicyUpdater::setSharedInstance(nullptr);
        QMResetCachedLogLevel();
    }

    dw::test::TemporaryXdg m_xdg;
};

} // namespace

TEST_F(ListingArchive, OlderFormsAreMigrated)
{
    struct Case
    {
        const char* name;
        QVariantMap keys;
        std::function<void(const QMEbayItem&)> check;
        const char* consoleLine = nullptr;
        const char* className = "QMEbayItem";
    };
    const Case cases[] = {
        {"no keys at all: the defaults of each reading step",
         {},
         [](const QMEbayItem& item) {
             EXPECT_EQ(item.counterType(), 1);
             EXPECT_EQ(item.dispatchTimeMax(), 1);
             EXPECT_TRUE(item.useStartingBid());
             EXPECT_TRUE(item.convertDescriptionToHTML());
             EXPECT_EQ(item.taxStateOrSystem(), QStringLiteral("__NoSalesTax__"));
             EXPECT_EQ(item.uniqueID().size(), 36);
             EXPECT_EQ(item.countryID(), QStringLiteral("77"));
             EXPECT_EQ(item.hoursToDeposit(), 48);
             EXPECT_EQ(item.daysToFullPayment(), 7);
             EXPECT_EQ(item.depositAmount(), QStringLiteral("100.00"));
             ASSERT_TRUE(item.shippingOptions());
             EXPECT_EQ(item.shippingOptions()->domesticShippingServiceCount(), 0);
             EXPECT_TRUE(item.state().isNull()) << "the defaults of a new listing do not apply";
             EXPECT_TRUE(item.minimumBid().isNull());
             EXPECT_FALSE(item.wasChanged());
         }},
        {"durations eBay dropped",
         {{QStringLiteral("duration"), 90}},
         [](const QMEbayItem& item) { EXPECT_EQ(item.duration(), 30); }},
        {"durations eBay still offers",
         {{QStringLiteral("duration"), 10}},
         [](const QMEbayItem& item) { EXPECT_EQ(item.duration(), 10); }},
        {"the country by its abbreviation",
         {{QStringLiteral("countryAbb"), ref(QStringLiteral("GB"))},
          {QStringLiteral("countryID"), ref(QStringLiteral("1"))}},
         [](const QMEbayItem& item) { EXPECT_EQ(item.countryID(), QStringLiteral("3")); }},
        {"one shipping service and an insurance flag",
         {{QStringLiteral("shippingService"), ref(QStringLiteral("301"))},
          {QStringLiteral("shippingCost"), ref(QStringLiteral("5,00"))},
          {QStringLiteral("shippingCostIncludesInsurance"), true}},
         [](const QMEbayItem& item) {
             const auto& options = *item.shippingOptions();
             ASSERT_EQ(options.domesticShippingServiceCount(), 1);
             EXPECT_EQ(options.idOfFirstDomesticShippingService(), QStringLiteral("301"));
             EXPECT_EQ(options.feeForFirstDomesticShippingService(), QStringLiteral("5.00"));
             EXPECT_FALSE(options.usesAdditionalFeeForDomesticShippingServiceAtIndex(0));
             EXPECT_EQ(options.additionalFeeForDomesticShippingServiceAtIndex(0), QStringLiteral("0.00"));
             EXPECT_EQ(options.insuranceOption(), 3);
         }},
        {"sale flags kept on the listing",
         {{QStringLiteral("transactions"),
           ref(QVariantList{QVariantMap{{QStringLiteral("nameAndUserID"), QStringLiteral("Ann")}}})},
          {QStringLiteral("paymentInstructionSend"), true},
          {QStringLiteral("paid"), false},
          {QStringLiteral("shipped"), true},
          {QStringLiteral("feedbackGiven"), false}},
         [](const QMEbayItem& item) {
             const QVariantMap record = item.transactions().value(0).toMap();
             EXPECT_TRUE(record.value(QStringLiteral("paymentInstructionSend")).toBool());
             EXPECT_TRUE(record.value(QStringLiteral("shipped")).toBool());
             EXPECT_FALSE(record.contains(QStringLiteral("paid")));
         }},
        {"one item ID",
         {{QStringLiteral("itemID"), ref(QStringLiteral("110042"))}},
         [](const QMEbayItem& item) {
             EXPECT_EQ(item.startedAuctionItemIDs(), QStringList{QStringLiteral("110042")});
         }},
        {"stock photo settings from the product flag",
         {{QStringLiteral("listWithProductID"), true}},
         [](const QMEbayItem& item) {
             EXPECT_TRUE(item.includeStockPhoto());
             EXPECT_TRUE(item.includeAdditionalInformation());
         }},
        {"a flag per enhancement",
         {{QStringLiteral("highlight"), true},
          {QStringLiteral("border"), false},
          {QStringLiteral("featured"), true},
          {QStringLiteral("listingEnhancements"), ref(QStringList{QStringLiteral("Border")})}},
         [](const QMEbayItem& item) {
             EXPECT_EQ(item.listingEnhancements(),
                       (QStringList{QStringLiteral("Highlight"), QStringLiteral("GalleryFeatured")}));
         }},
        {"store category numbers",
         {{QStringLiteral("storeCategoryNumber"), 12},
          {QStringLiteral("storeCategory2Number"), 7},
          {QStringLiteral("storeCategory2Identifier"), ref(QStringLiteral("other#3"))}},
         [](const QMEbayItem& item) {
             EXPECT_EQ(item.storeCategoryIdentifier(), QStringLiteral("seller1#12"));
             EXPECT_EQ(item.storeCategory2Identifier(), QStringLiteral("other#3"));
         }},
        {"the description as RTF under its old key",
         {{QStringLiteral("itemDescription"), ref(dw::rtf::write(dw::StyledText(QStringLiteral("Old RTF"))))}},
         [](const QMEbayItem& item) { EXPECT_EQ(item.itemDescriptionAsString(), QStringLiteral("Old RTF")); }},
        {"the description as plain text",
         {{QStringLiteral("itemDescriptionAsNSString"), ref(QStringLiteral("Plain"))}},
         [](const QMEbayItem& item) { EXPECT_EQ(item.itemDescriptionAsString(), QStringLiteral("Plain")); }},
        {"the description as styled text only",
         {{QStringLiteral("itemDescriptionString"),
           ref(QVariant::fromValue(dw::ArchivedAttributedString{QStringLiteral("Styled"), {}}))}},
         [](const QMEbayItem& item) { EXPECT_EQ(item.itemDescriptionAsString(), QStringLiteral("Styled")); }},
        {"RTF data wins over the styled text of a document",
         {{QStringLiteral("itemDescriptionString"),
           ref(QVariant::fromValue(dw::ArchivedAttributedString{QStringLiteral("Styled"), {}}))},
          {QStringLiteral("itemDescriptionRTFData"), ref(dw::rtf::write(dw::StyledText(QStringLiteral("RTF"))))}},
         [](const QMEbayItem& item) {
             EXPECT_EQ(item.itemDescriptionStringNoConversion(), nullptr) << "made from the RTF on first use";
             EXPECT_EQ(item.itemDescriptionAsString(), QStringLiteral("RTF"));
         }},
        {"prices as decimal numbers",
         {{QStringLiteral("uniqueID"), ref(QStringLiteral("OLD-1"))},
          {QStringLiteral("minimumBid"), decimal("12.5")},
          {QStringLiteral("buyItNowPrice"), decimal("20")}},
         [](const QMEbayItem& item) {
             EXPECT_EQ(item.minimumBid(), QStringLiteral("12.50"));
             EXPECT_EQ(item.buyItNowPrice(), QStringLiteral("20"));
             EXPECT_TRUE(item.wasChanged()) << "so that the next save stores them as text";
         },
         "found NSDecimalNumber for buyItNowPrice for item OLD-1"},
        {"values of the wrong class",
         {{QStringLiteral("title"), ref(5)},
          {QStringLiteral("shippingOptions"), ref(QStringLiteral("flat"))},
          {QStringLiteral("taxStateOrSystem"), ref(3)},
          {QStringLiteral("images"), ref(QStringLiteral("lamp.jpg"))},
          {QStringLiteral("startedAuctionItemIDs"), ref(QVariantMap{})},
          {QStringLiteral("itemID"), ref(QStringLiteral("77"))}},
         [](const QMEbayItem& item) {
             EXPECT_TRUE(item.title().isNull());
             ASSERT_TRUE(item.shippingOptions());
             EXPECT_EQ(item.taxStateOrSystem(), QStringLiteral("__NoSalesTax__"));
             EXPECT_TRUE(item.images().isEmpty());
             EXPECT_EQ(item.startedAuctionItemIDs(), QStringList{QStringLiteral("77")});
         },
         "found NSNumber for title of QMEbayItem - ignored"},
        {"the class name of an earlier edition",
         {{QStringLiteral("title"), ref(QStringLiteral("Lamp"))}},
         [](const QMEbayItem& item) { EXPECT_EQ(item.title(), QStringLiteral("Lamp")); },
         nullptr,
         "QMBJEBayItem"},
        {"the return policy in an attribute set",
         {{QStringLiteral("siteID"), 77},
          {QStringLiteral("attributeSets"), returnPolicySet()},
          {QStringLiteral("cachedAttributeSetNames"), ref(QStringLiteral("Return policy"))}},
         [](const QMEbayItem& item) {
             EXPECT_TRUE(item.returnPolicyAccepted());
             EXPECT_EQ(item.returnPolicyDescription(), QStringLiteral("Within two weeks, in the original box"));
             EXPECT_EQ(item.returnPolicyReturnsWithinOption(), QStringLiteral("Days_30"));
             EXPECT_EQ(item.returnPolicyRefundOption(), QStringLiteral("MoneyBack"));
             EXPECT_EQ(item.returnPolicyShippingCostPaidByOption(), QStringLiteral("Buyer"));
             EXPECT_TRUE(item.cachedAttributeSetNames().isNull());
             EXPECT_EQ(item.attributeCount(), 5) << "the attribute values stay";
         }},
        {"return-policy fields of their own",
         {{QStringLiteral("siteID"), 77},
          {QStringLiteral("attributeSets"), returnPolicySet()},
          {QStringLiteral("returnPolicyAccepted"), false},
          {QStringLiteral("cachedAttributeSetNames"), ref(QStringLiteral("Return policy"))}},
         [](const QMEbayItem& item) {
             EXPECT_FALSE(item.returnPolicyAccepted());
             EXPECT_TRUE(item.returnPolicyRefundOption().isNull());
             EXPECT_EQ(item.cachedAttributeSetNames(), QStringLiteral("Return policy"));
         }},
        {"the design template folder of older forms",
         {{QStringLiteral("designTemplatePath"), ref(QStringLiteral("~/Templates/Classic"))}},
         [](const QMEbayItem& item) { EXPECT_EQ(item.designTemplatePath(), QStringLiteral("~/Templates/Classic")); }},
        {"a picture that held its picture and no thumbnail",
         {{QStringLiteral("images"), ref(QVariantList{oldPictureWithImage()})}},
         [](const QMEbayItem& item) {
             ASSERT_EQ(item.images().size(), 1);
             const auto& picture = *item.images().first();
             EXPECT_EQ(picture.image().size(), QSize(3, 2));
             EXPECT_EQ(picture.thumbFilePath(), QStringLiteral("/srv/p/lamp_thumb.jpg"));
             EXPECT_FALSE(QFileInfo::exists(picture.thumbFilePath())) << "reading writes no thumbnail";
         }},
    };
    for (const Case& row : cases) {
        SCOPED_TRACE(row.name);
        dw::ScopedConsoleCapture console;
        const auto item = readListing(legacyArchive(QString::fromLatin1(row.className), row.keys));
        ASSERT_TRUE(item);
        row.check(*item);
        if (row.consoleLine) {
            EXPECT_TRUE(console.contains(QString::fromLatin1(row.consoleLine)))
                << console.lines().join(u'\n').toStdString();
        }
    }
}

TEST_F(ListingArchive, WithoutAUniqueIDEveryReadIsANewListing)
{
    const QByteArray data =
        legacyArchive(QStringLiteral("QMEbayItem"), {{QStringLiteral("title"), ref(QStringLiteral("Lamp"))}});
    EXPECT_NE(readListing(data)->uniqueID(), readListing(data)->uniqueID());

    // A nil stored by a writer stays nil: the key is present.
    auto item = std::make_shared<QMEbayItem>();
    const auto copy = item->copy();
    EXPECT_TRUE(copy->uniqueID().isNull());
}

TEST_F(ListingArchive, OnlyADocumentWritesTheStyledDescription)
{
    auto item = std::make_shared<QMEbayItem>();
    item->setItemDescriptionString(dw::StyledText(QStringLiteral("Lamp")));
    // The keys of the root object as the file stores them.
    const auto keysOf = [](const QByteArray& data) {
        const QVariantMap top = dw::plist::read(data).value_or(QVariant()).toMap();
        const qlonglong root = top.value(QStringLiteral("$top"))
                                   .toMap()
                                   .value(QStringLiteral("root"))
                                   .toMap()
                                   .value(QStringLiteral("CF$UID"))
                                   .toLongLong();
        return top.value(QStringLiteral("$objects")).toList().value(root).toMap();
    };
    const QVariantMap plain = keysOf(dw::KeyedArchiver::archivedDataWithRootObject(dw::archiveValue(item)));
    gEncodeItemDescriptionString = true;
    const QVariantMap document = keysOf(dw::KeyedArchiver::archivedDataWithRootObject(dw::archiveValue(item)));
    gEncodeItemDescriptionString = false;

    EXPECT_TRUE(plain.contains(QStringLiteral("itemDescriptionRTFData")));
    EXPECT_FALSE(plain.contains(QStringLiteral("itemDescriptionString")));
    EXPECT_TRUE(document.contains(QStringLiteral("itemDescriptionString")));
    EXPECT_EQ(plain.value(QStringLiteral("counter")).toInt(), 0);
    EXPECT_FALSE(plain.contains(QStringLiteral("wasChanged")));
    EXPECT_FALSE(plain.contains(QStringLiteral("designTemplatePath")));
    EXPECT_FALSE(plain.contains(QStringLiteral("counterType")));
}
