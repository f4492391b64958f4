#include "../model/FakeCategoryData.h"

#include "DWEBay2/types/EBayAddItemRequestType.h"
#include "DWEBay2/types/EBayItemType.h"
#include "DWEBay2/types/EBayPictureDetailsType.h"
#include "DWEBay2/types/EBayVerifyAddItemRequestType.h"
#include "Operations/QMSimpleAddItemRequestFactory.h"
#include "model/QMDescriptionHTMLConverter.h"
#include "model/QMEbayAttributeValue.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayItem.h"
#include "model/QMItemShippingOptions.h"
#include "model/QMPreferencesManager.h"
#include "platform/archive/ArchivedObject.h"
#include "platform/core/UserDefaults.h"
#include "tests/support/TemporaryXdg.h"

#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <pugixml.hpp>

namespace {

// The description layer's converter stands in for the description generator.
class FixedDescription final : public QMDescriptionHTMLConverter
{
public:
    explicit FixedDescription(QString html) : m_html(std::move(html)) {}
    QString htmlStringForAttributedString(const dw::StyledText&) const override { return m_html; }

private:
    QString m_html;
};

constexpr qint64 kReserveCategory = 100;
constexpr qint64 kPlainCategory = 200;

class AddItemRequestFactoryTest : public ::testing::Test
{
public:
    AddItemRequestFactoryTest()
    {
        QMCategoryInfo reserve;
        reserve.categoryID = kReserveCategory;
        reserve.reservePriceAllowed = true;
        reserve.supportsBestOffer = true;
        reserve.conditionSet = QList<QMCategoryCondition>{{1000, QStringLiteral("New"), 1}};
        QMCategoryInfo plain;
        plain.categoryID = kPlainCategory;
        for (qint64 site : {0, 77, 100}) {
            m_categories->addCategory(site, reserve);
            m_categories->addCategory(site, plain);
        }
        QMDescriptionHTMLConverter::install(std::make_shared<FixedDescription>(QStringLiteral("<p>Solid brass.</p>")));
        preferences().setDefaultImageUploadingSystemTag(kQMImageUploadingSystemEPS);
    }
    ~AddItemRequestFactoryTest() override
    {
        QMDescriptionHTMLConverter::install(nullptr);
        preferences().defaults().removeObjectForKey(QStringLiteral("ImageUploadingSystem"));
    }

    static QMPreferencesManager& preferences() { return QMPreferencesManager::sharedInstance(); }

    // An auction on the US site with one flat domestic service.
    static std::shared_ptr<QMEbayItem> listing()
    {
        auto item = std::make_shared<QMEbayItem>();
        item->setUniqueID(QStringLiteral("A"));
        item->setSiteID(0);
        item->setCurrency(1);
        item->setCountryID(QStringLiteral("1"));
        item->setRegion(12);
        item->setTitle(QStringLiteral("Brass lamp"));
        item->setLocation(QStringLiteral("Boston"));
        item->setCategory(kPlainCategory);
        item->setDuration(7);
        item->setUseStartingBid(true);
        item->setMinimumBid(QStringLiteral("1.00"));
        item->setPaymentOptions({QStringLiteral("PayPalAccepted")});
        item->setPayPalAddress(QStringLiteral("ann@example.com"));
        item->shippingOptions()->addDomesticShippingServiceWithID(QStringLiteral("1"), QStringLiteral("4.90"), false,
                                                                  QStringLiteral("0"));
        return item;
    }

    // A picture file of the listing, uploaded to the given address.
    std::shared_ptr<QMEbayImage> uploadedPicture(const QString& name, const QString& address)
    {
        const QString path = m_pictures.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("picture");
        auto picture = std::make_shared<QMEbayImage>(path, path);
        picture->setImageURL(address);
        return picture;
    }

    static QByteArray requestXml(const QMEbayItem& item)
    {
        return QMSimpleAddItemRequestFactory::addItemRequestForItem(item, QStringLiteral("seller"))->xmlRequestData();
    }

    using Setup = std::function<void(QMEbayItem&, AddItemRequestFactoryTest&)>;
    // An XPath expression, evaluated as text at the request's root, and the text it must give.
    using Expectations = std::vector<std::pair<const char*, const char*>>;
    struct Row
    {
        const char* name;
        Setup setup;
        Expectations expected;
    };

    void check(const std::vector<Row>& rows)
    {
        for (const auto& row : rows) {
            SCOPED_TRACE(row.name);
            auto item = listing();
            row.setup(*item, *this);
            const QByteArray xml = requestXml(*item);
            pugi::xml_document doc;
            ASSERT_TRUE(doc.load_buffer(xml.constData(), size_t(xml.size())));
            for (const auto& [expression, text] : row.expected) {
                SCOPED_TRACE(expression);
                const pugi::xpath_query query(expression);
                EXPECT_EQ(query.evaluate_string(doc.document_element()), text) << xml.toStdString();
            }
            preferences().setDefaultImageUploadingSystemTag(kQMImageUploadingSystemEPS);
        }
    }

    ScopedCategoryData m_categories;
    QTemporaryDir m_pictures;
};

TEST_F(AddItemRequestFactoryTest, DurationListingTypePricesAndQuantity)
{
    check({
        {"an auction of one",
         [](QMEbayItem&, auto&) {},
         {{"Item/ListingDuration", "Days_7"},
          {"Item/ListingType", "Chinese"},
          {"Item/StartPrice", "1"},
          {"Item/Quantity", "1"},
          {"count(Item/BuyItNowPrice)", "0"},
          {"Item/ReservePrice", "0"},
          {"Item/BestOfferDetails/BestOfferEnabled", "false"},
          {"Item/Site", "US"},
          {"Item/Currency", "USD"},
          {"Item/Country", "US"},
          {"Item/RegionID", "12"},
          {"Item/PrimaryCategory/CategoryID", "200"},
          {"count(Item/SecondaryCategory)", "0"},
          {"DetailLevel", "ReturnAll"},
          {"count(WarningLevel)", "0"}}},
        {"until cancelled",
         [](QMEbayItem& item, auto&) { item.setDuration(kQMGoodTillCancelledDuration); },
         {{"Item/ListingDuration", "GTC"}}},
        {"an auction of three is sent with its quantity",
         [](QMEbayItem& item, auto&) {
             item.setUseQuantity(true);
             item.setQuantity(3);
         },
         {{"Item/ListingType", "Dutch"}, {"Item/Quantity", "3"}}},
        {"a quantity not in use is one",
         [](QMEbayItem& item, auto&) { item.setQuantity(3); },
         {{"Item/ListingType", "Chinese"}, {"Item/Quantity", "1"}}},
        {"an auction with buy-it-now and a reserve the category allows",
         [](QMEbayItem& item, auto&) {
             item.setCategory(kReserveCategory);
             item.setCategory2(300);
             item.setBuyItNow(true);
             item.setBuyItNowPrice(QStringLiteral("20.00"));
             item.setUseReservePrice(true);
             item.setReservePrice(QStringLiteral("12.50"));
             item.setUseBestOffer(true);
         },
         {{"Item/ListingType", "Chinese"},
          {"Item/BuyItNowPrice", "20"},
          {"Item/ReservePrice", "12.5"},
          {"Item/SecondaryCategory/CategoryID", "300"},
          {"Item/BestOfferDetails/BestOfferEnabled", "false"}}},
        {"a reserve the category does not allow",
         [](QMEbayItem& item, auto&) {
             item.setUseReservePrice(true);
             item.setReservePrice(QStringLiteral("12.50"));
         },
         {{"Item/ReservePrice", "0"}}},
        {"buy-it-now only: fixed price, no reserve, best offer where allowed",
         [](QMEbayItem& item, auto&) {
             item.setCategory(kReserveCategory);
             item.setUseStartingBid(false);
             item.setBuyItNow(true);
             item.setBuyItNowPrice(QStringLiteral("20.00"));
             item.setUseReservePrice(true);
             item.setReservePrice(QStringLiteral("12.50"));
             item.setUseBestOffer(true);
         },
         {{"Item/ListingType", "FixedPriceItem"},
          {"Item/StartPrice", "20"},
          {"count(Item/BuyItNowPrice)", "0"},
          {"Item/ReservePrice", "0"},
          {"Item/BestOfferDetails/BestOfferEnabled", "true"}}},
        {"best offer where the category does not allow it",
         [](QMEbayItem& item, auto&) {
             item.setUseStartingBid(false);
             item.setBuyItNow(true);
             item.setUseBestOffer(true);
         },
         {{"Item/BestOfferDetails/BestOfferEnabled", "false"}}},
        {"a store listing gets no type and no price",
         [](QMEbayItem& item, auto&) { item.setUseStoreListing(true); },
         {{"count(Item/ListingType)", "0"}, {"count(Item/StartPrice)", "0"}}},
        {"a location abroad has no region; the warning level follows the preferences",
         [](QMEbayItem& item, auto&) {
             item.setCountryID(QStringLiteral("77"));
             preferences().defaults().setBool(true, QStringLiteral("eBayAPIWarningLevelHigh"));
         },
         {{"Item/RegionID", "0"}, {"WarningLevel", "High"}}},
    });
    preferences().defaults().removeObjectForKey(QStringLiteral("eBayAPIWarningLevelHigh"));
}

TEST_F(AddItemRequestFactoryTest, Pictures)
{
    const auto twoUploaded = [](QMEbayItem& item, AddItemRequestFactoryTest& test) {
        auto first = test.uploadedPicture(QStringLiteral("a.jpg"), QStringLiteral("https://i.example/a.jpg"));
        auto second = test.uploadedPicture(QStringLiteral("b.jpg"), QStringLiteral("https://i.example/b.jpg"));
        item.setImages({first, second});
    };
    check({
        {"no picture addresses: no picture details, even with a gallery picture",
         [&](QMEbayItem& item, auto& test) {
             auto picture = test.uploadedPicture(QStringLiteral("a.jpg"), QString());
             picture->setIsGalleryImage(true);
             item.setImages({picture});
         },
         {{"count(Item/PictureDetails)", "0"}}},
        {"every picture on eBay's service, super size",
         [&](QMEbayItem& item, auto& test) {
             twoUploaded(item, test);
             item.setPhotoDisplayType(2);
         },
         {{"count(Item/PictureDetails/PictureURL)", "2"},
          {"Item/PictureDetails/PictureURL[2]", "https://i.example/b.jpg"},
          {"Item/PictureDetails/PhotoDisplay", "SuperSize"},
          {"count(Item/PictureDetails/GalleryType)", "0"}}},
        {"own server: the first picture only, no display type",
         [&](QMEbayItem& item, auto& test) {
             preferences().setDefaultImageUploadingSystemTag(kQMImageUploadingSystemOwnFTPServer);
             twoUploaded(item, test);
             item.setPhotoDisplayType(3);
         },
         {{"count(Item/PictureDetails/PictureURL)", "1"},
          {"Item/PictureDetails/PictureURL", "https://i.example/a.jpg"},
          {"count(Item/PictureDetails/PhotoDisplay)", "0"}}},
        {"a gallery picture with the featured gallery",
         [&](QMEbayItem& item, auto& test) {
             twoUploaded(item, test);
             item.images().at(1)->setIsGalleryImage(true);
             item.setListingEnhancements({QStringLiteral("GalleryFeatured")});
         },
         {{"Item/PictureDetails/GalleryType", "Featured"},
          {"Item/PictureDetails/GalleryURL", "https://i.example/b.jpg"},
          {"count(Item/ListingEnhancement)", "0"}}},
        {"the stock photo as gallery without own pictures",
         [](QMEbayItem& item, auto&) {
             item.setProductID(QStringLiteral("53039031"));
             item.setListWithProductID(true);
             item.setIncludeStockPhoto(true);
             item.setGalleryStockPhoto(true);
         },
         {{"Item/PictureDetails/GalleryType", "Gallery"},
          {"count(Item/PictureDetails/*)", "1"},
          {"Item/ProductListingDetails/ProductID", "53039031"},
          {"Item/ProductListingDetails/UseStockPhotoURLAsGallery", "true"}}},
    });
}

TEST_F(AddItemRequestFactoryTest, Shipping)
{
    const auto international = [](QMEbayItem& item) {
        item.shippingOptions()->addInternationalShippingServiceWithID(QStringLiteral("50001"), QStringLiteral("19.00"),
                                                                      false, QStringLiteral("0"));
    };
    check({
        {"local pickup only",
         [](QMEbayItem& item, auto&) { item.shippingOptions()->setLocalPickupOnly(true); },
         {{"Item/ShipToLocations", "None"}, {"count(Item/ShippingDetails)", "0"}}},
        {"shipping terms in the description",
         [](QMEbayItem& item, auto&) {
             item.shippingOptions()->setShippingTermsInDescription(true);
             item.shippingOptions()->setShipToLocations({QStringLiteral("Europe"), QStringLiteral("Asia")});
         },
         {{"Item/ShippingTermsInDescription", "true"},
          {"count(Item/ShipToLocations)", "2"},
          {"count(Item/ShippingDetails)", "0"}}},
        {"freight",
         [](QMEbayItem& item, auto&) {
             item.shippingOptions()->setIDForDomesticShippingService(QString::number(kQMFreightShippingServiceID), 0);
         },
         {{"Item/ShippingDetails/ShippingType", "FreightFlat"},
          {"count(Item/ShippingDetails/ShippingServiceOptions)", "1"},
          {"count(Item/ShippingDetails/ShippingServiceOptions/*)", "0"}}},
        {"flat with additional cost and surcharge for several items",
         [](QMEbayItem& item, auto&) {
             item.setUseQuantity(true);
             item.setQuantity(2);
             // A row of an older document, stored without an additional fee.
             item.shippingOptions()->setDomesticShippingServices(
                 {QVariantMap{{kQMShippingOptions_serviceID, QStringLiteral("1")},
                              {kQMShippingOptions_serviceFee, QStringLiteral("4.90")},
                              {kQMShippingOptions_useServiceAdditionalFee, true},
                              {kQMShippingOptions_useSurchargeFee, true},
                              {kQMShippingOptions_surchargeFee, QStringLiteral("2.00")}}});
             item.shippingOptions()->addDomesticShippingServiceWithID(QStringLiteral("5"), QStringLiteral("6.00"), true,
                                                                      QStringLiteral("1.50"), true,
                                                                      QStringLiteral("2.00"));
             item.setCheckoutInstructions(QStringLiteral("Pay within a week."));
         },
         {{"Item/ShippingDetails/ShippingType", "Flat"},
          {"count(Item/ShippingDetails/CalculatedShippingRate)", "0"},
          {"Item/ShippingDetails/ShippingServiceOptions[1]/ShippingService", "UPSGround"},
          {"Item/ShippingDetails/ShippingServiceOptions[1]/ShippingServiceAdditionalCost", "4.9"},
          {"Item/ShippingDetails/ShippingServiceOptions[1]/ShippingSurcharge", "2"},
          {"Item/ShippingDetails/ShippingServiceOptions[2]/ShippingServicePriority", "2"},
          {"Item/ShippingDetails/ShippingServiceOptions[2]/ShippingServiceCost", "6"},
          {"Item/ShippingDetails/ShippingServiceOptions[2]/ShippingServiceAdditionalCost", "1.5"},
          {"count(Item/ShippingDetails/ShippingServiceOptions[2]/ShippingSurcharge)", "0"},
          {"Item/ShippingDetails/PaymentInstructions", "Pay within a week."}}},
        {"international services without ship-to locations are not sent",
         [&](QMEbayItem& item, auto&) { international(item); },
         {{"Item/ShippingDetails/ShippingType", "Flat"},
          {"count(Item/ShippingDetails/InternationalShippingServiceOption)", "0"},
          {"count(Item/ShipToLocations)", "0"}}},
        {"calculated at home, flat abroad, with ship-to and excluded locations",
         [&](QMEbayItem& item, auto&) {
             international(item);
             auto& options = *item.shippingOptions();
             options.setUsesCalculatedShipping(true);
             options.setShipToLocations({QStringLiteral("Europe")});
             options.setExcludeLocations({QStringLiteral("Alaska/Hawaii")});
             options.setShipFromZipCode(QStringLiteral("02134"));
             options.setPackagePounds(QStringLiteral("2"));
             options.setPackageOunces(QStringLiteral("4"));
             options.setPackageLength(QStringLiteral("10"));
             options.setPackagingHandlingCosts(QStringLiteral("1.00"));
         },
         {{"Item/ShippingDetails/ShippingType", "CalculatedDomesticFlatInternational"},
          {"Item/ShippingDetails/CalculatedShippingRate/ShippingPackage", "PackageThickEnvelope"},
          {"Item/ShippingDetails/CalculatedShippingRate/OriginatingPostalCode", "02134"},
          {"Item/ShippingDetails/CalculatedShippingRate/MeasurementUnit", "English"},
          {"Item/ShippingDetails/CalculatedShippingRate/WeightMajor", "2"},
          {"Item/ShippingDetails/CalculatedShippingRate/WeightMajor/@unit", "lbs"},
          {"Item/ShippingDetails/CalculatedShippingRate/WeightMinor/@unit", "oz"},
          {"Item/ShippingDetails/CalculatedShippingRate/PackageLength/@unit", "inches"},
          {"count(Item/ShippingDetails/CalculatedShippingRate/PackageDepth)", "0"},
          {"Item/ShippingDetails/CalculatedShippingRate/PackagingHandlingCosts", "1"},
          {"count(Item/ShippingDetails/CalculatedShippingRate/InternationalPackagingHandlingCosts)", "0"},
          {"count(Item/ShippingDetails/ShippingServiceOptions/ShippingServiceCost)", "0"},
          {"Item/ShipToLocations", "Europe"},
          {"Item/ShippingDetails/InternationalShippingServiceOption/ShippingService", "UPSWorldWideExpressPlus"},
          {"Item/ShippingDetails/InternationalShippingServiceOption/ShippingServiceCost", "19"},
          {"Item/ShippingDetails/InternationalShippingServiceOption/ShipToLocation", "Europe"},
          {"Item/ShippingDetails/ExcludeShipToLocation", "Alaska/Hawaii"}}},
        {"flat at home, calculated abroad to the row's own locations",
         [&](QMEbayItem& item, auto&) {
             international(item);
             auto& options = *item.shippingOptions();
             options.setUsesCalculatedShippingInternational(true);
             options.setShipToLocations({QStringLiteral("Worldwide")});
             options.setUsesSpecialShipToLocations(true, 0);
             options.setShipToLocations({QStringLiteral("CA"), QStringLiteral("MX")}, 0);
             options.setPackagingHandlingCostsInternational(QStringLiteral("3.00"));
         },
         {{"Item/ShippingDetails/ShippingType", "FlatDomesticCalculatedInternational"},
          {"count(Item/ShippingDetails/CalculatedShippingRate/PackagingHandlingCosts)", "0"},
          {"Item/ShippingDetails/CalculatedShippingRate/InternationalPackagingHandlingCosts", "3"},
          {"count(Item/ShippingDetails/InternationalShippingServiceOption/ShippingServiceCost)", "0"},
          {"count(Item/ShippingDetails/InternationalShippingServiceOption/ShipToLocation)", "2"},
          {"Item/ShippingDetails/InternationalShippingServiceOption/ShipToLocation[2]", "MX"}}},
        {"calculated on a metric site",
         [](QMEbayItem& item, auto&) {
             item.setSiteID(77);
             item.shippingOptions()->setIDForDomesticShippingService(QStringLiteral("7701"), 0);
             item.shippingOptions()->setUsesCalculatedShipping(true);
             item.shippingOptions()->setPackageWidth(QStringLiteral("20"));
         },
         {{"Item/ShippingDetails/ShippingType", "Calculated"},
          {"Item/ShippingDetails/CalculatedShippingRate/MeasurementUnit", "Metric"},
          {"Item/ShippingDetails/CalculatedShippingRate/WeightMajor/@unit", "kg"},
          {"Item/ShippingDetails/CalculatedShippingRate/WeightMinor/@unit", "gm"},
          {"Item/ShippingDetails/CalculatedShippingRate/PackageWidth/@unit", "cm"},
          {"Item/ShippingDetails/CalculatedShippingRate/PackageWidth/@measurementSystem", "Metric"}}},
    });
}

TEST_F(AddItemRequestFactoryTest, PaymentReturnsSpecificsAndProducts)
{
    check({
        {"payment codes in the site's order, auto pay for buy-it-now with PayPal",
         [](QMEbayItem& item, auto&) {
             item.setPaymentOptions({QStringLiteral("MOCashiers"), QStringLiteral("PayPalAccepted"),
                                     QStringLiteral("VisaMaster"), QStringLiteral("CashOnPickupAccepted"),
                                     QStringLiteral("NotOnThisSite")});
             item.setAutoPay(true);
             item.setBuyItNow(true);
         },
         {{"count(Item/PaymentMethods)", "4"},
          {"Item/PaymentMethods[1]", "PayPal"},
          {"Item/PaymentMethods[2]", "VisaMC"},
          {"Item/PaymentMethods[3]", "MOCC"},
          {"Item/PaymentMethods[4]", "CashOnPickup"},
          {"Item/PayPalEmailAddress", "ann@example.com"},
          {"Item/AutoPay", "true"}}},
        {"no PayPal: no address, no auto pay",
         [](QMEbayItem& item, auto&) {
             item.setPaymentOptions({QStringLiteral("PersonalCheck")});
             item.setAutoPay(true);
             item.setBuyItNow(true);
         },
         {{"Item/PaymentMethods", "PersonalCheck"},
          {"count(Item/PayPalEmailAddress)", "0"},
          {"count(Item/AutoPay)", "0"}}},
        {"returns accepted",
         [](QMEbayItem& item, auto&) {
             item.setReturnPolicyAccepted(true);
             item.setReturnPolicyDescription(QStringLiteral("Unused only."));
             item.setReturnPolicyReturnsWithinOption(QStringLiteral("Days_14"));
             item.setReturnPolicyRefundOption(QStringLiteral("MoneyBack"));
             item.setReturnPolicyShippingCostPaidByOption(QStringLiteral("Buyer"));
         },
         {{"Item/ReturnPolicy/ReturnsAcceptedOption", "ReturnsAccepted"},
          {"Item/ReturnPolicy/Description", "Unused only."},
          {"Item/ReturnPolicy/ReturnsWithinOption", "Days_14"},
          {"Item/ReturnPolicy/RefundOption", "MoneyBack"},
          {"Item/ReturnPolicy/ShippingCostPaidByOption", "Buyer"}}},
        {"returns not accepted where a policy is required",
         [](QMEbayItem&, auto&) {},
         {{"Item/ReturnPolicy/ReturnsAcceptedOption", "ReturnsNotAccepted"}}},
        {"no policy required on eBay Motors: an empty one",
         [](QMEbayItem& item, auto&) { item.setSiteID(100); },
         {{"count(Item/ReturnPolicy)", "1"}, {"count(Item/ReturnPolicy/*)", "0"}}},
        {"custom specifics; VIN is an ordinary specific on the US site",
         [](QMEbayItem& item, auto&) {
             item.setCustomItemSpecifics({{QStringLiteral("Material"), QStringLiteral("Brass")},
                                          {QStringLiteral("VIN"), QStringLiteral("1HG")}});
         },
         {{"count(Item/ItemSpecifics/NameValueList)", "2"},
          {"Item/ItemSpecifics/NameValueList[Name='Material']/Value", "Brass"},
          {"Item/ItemSpecifics/NameValueList[Name='VIN']/Value", "1HG"},
          {"count(Item/VIN)", "0"}}},
        {"the VIN of a vehicle on eBay Motors, with the seller's title",
         [](QMEbayItem& item, auto&) {
             item.setSiteID(100);
             item.setCustomItemSpecifics({{QStringLiteral("vin"), QStringLiteral("1HGCM82633A004352")}});
         },
         {{"Item/VIN", "1HGCM82633A004352"},
          {"count(Item/ItemSpecifics/*)", "0"},
          {"Item/SellerProvidedTitle", "Brass lamp"}}},
        {"attribute sets the categories allow, with the deposit on eBay Motors",
         [](QMEbayItem& item, AddItemRequestFactoryTest& test) {
             item.setSiteID(100);
             item.setUseDeposit(true);
             item.setDepositAmount(QStringLiteral("500"));
             test.m_categories->setIDsOfCategory.insert({100, kPlainCategory}, {kQMPassengerCSSetID});
             QMCategoryAttribute colour;
             colour.identifier = 25;
             QMCategoryAttribute filled;
             filled.identifier = 26;
             filled.editType = QMCategoryAttribute::kNotSentEditType;
             test.m_categories->attributeSets.insert({100, kQMPassengerCSSetID}, {colour, filled});
             const auto value = [](qint64 id, const char* name) {
                 return dw::archiveValue(std::make_shared<QMEbayAttributeValue>(id, QString::fromUtf8(name)));
             };
             QVariantMap values{{QStringLiteral("25"), QVariantList{value(3, "Red"), value(0, "Rusty")}},
                                {QStringLiteral("26"), QVariantList{value(4, "Yes")}}};
             item.setAttributeSets(
                 {{QString::number(kQMPassengerCSSetID), QVariantMap{{QStringLiteral("values"), values}}},
                  {QStringLiteral("999"), QVariantMap{{QStringLiteral("values"), values}}}});
         },
         {{"count(Item/AttributeSetArray/AttributeSet)", "1"},
          {"Item/AttributeSetArray/AttributeSet/@attributeSetID", "1137"},
          {"Item/AttributeSetArray/AttributeSet/Attribute[@attributeID='10733']/Value/ValueLiteral", "500"},
          {"Item/AttributeSetArray/AttributeSet/Attribute[@attributeID='10734']/Value/ValueLiteral", "1"},
          {"Item/AttributeSetArray/AttributeSet/Attribute[@attributeID='25']/Value[1]/ValueID", "3"},
          {"Item/AttributeSetArray/AttributeSet/Attribute[@attributeID='25']/Value[2]/ValueLiteral", "Rusty"},
          {"count(Item/AttributeSetArray/AttributeSet/Attribute[@attributeID='25']/Value[2]/ValueID)", "0"},
          {"count(Item/AttributeSetArray/AttributeSet/Attribute[@attributeID='26'])", "0"},
          {"Item/PaymentDetails/HoursToDeposit", "48"},
          {"Item/PaymentDetails/DaysToFullPayment", "7"}}},
        {"condition where the category has conditions, postal code, handling time, hit counter, subtitle",
         [](QMEbayItem& item, auto&) {
             item.setCategory(kReserveCategory);
             item.setConditionID(1000);
             item.setUseZipPostalCode(true);
             item.setZipPostalCode(QStringLiteral("02134"));
             item.setUseDispatchTimeMax(true);
             item.setDispatchTimeMax(3);
             item.setCounterType(3);
             item.setSubTitle(QStringLiteral(""));
         },
         {{"Item/ConditionID", "1000"},
          {"Item/PostalCode", "02134"},
          {"Item/DispatchTimeMax", "3"},
          {"Item/HitCounter", "HiddenStyle"},
          {"count(Item/SubTitle)", "1"},
          {"Item/SubTitle", ""}}},
        {"no condition where the category has none, no subtitle object",
         [](QMEbayItem& item, auto&) { item.setConditionID(1000); },
         {{"count(Item/ConditionID)", "0"}, {"count(Item/SubTitle)", "0"}}},
        {"listing enhancements in the site's order, gallery ones left to the pictures",
         [](QMEbayItem& item, auto&) {
             item.setListingEnhancements({QStringLiteral("Highlight"), QStringLiteral("BoldTitle"),
                                          QStringLiteral("GalleryPlus"), QStringLiteral("CrossBorderTrade")});
         },
         {{"count(Item/ListingEnhancement)", "2"},
          {"Item/ListingEnhancement[1]", "BoldTitle"},
          {"Item/ListingEnhancement[2]", "Highlight"},
          {"Item/CrossBorderTrade", "UK"}}},
        {"a 13-digit code with the ISBN prefix",
         [](QMEbayItem& item, auto&) { item.setProductBarCode(QStringLiteral("9783161484100")); },
         {{"Item/ProductListingDetails/ISBN", "9783161484100"},
          {"Item/ProductListingDetails/ListIfNoProduct", "true"},
          {"Item/ProductListingDetails/UseFirstProduct", "true"}}},
        {"another 13-digit code",
         [](QMEbayItem& item, auto&) { item.setProductBarCode(QStringLiteral("4006381333931")); },
         {{"Item/ProductListingDetails/EAN", "4006381333931"}, {"count(Item/ProductListingDetails/ISBN)", "0"}}},
        {"a code of no known length is sent as UPC",
         [](QMEbayItem& item, auto&) { item.setProductBarCode(QStringLiteral("123456789")); },
         {{"Item/ProductListingDetails/UPC", "123456789"}}},
        {"no product: no product details", [](QMEbayItem&, auto&) {}, {{"count(Item/ProductListingDetails)", "0"}}},
    });
}

TEST_F(AddItemRequestFactoryTest, EveryCounterTypeSendsACounterEBayKnows)
{
    const auto counter = [](int type) { return [type](QMEbayItem& item, auto&) { item.setCounterType(type); }; };
    check({
        {"no counter", counter(0), {{"Item/HitCounter", "NoHitCounter"}}},
        {"the basic counter, every new listing's", counter(1), {{"Item/HitCounter", "BasicStyle"}}},
        {"retro", counter(2), {{"Item/HitCounter", "RetroStyle"}}},
        {"hidden", counter(3), {{"Item/HitCounter", "HiddenStyle"}}},
        {"an unknown type sends none", counter(4), {{"count(Item/HitCounter)", "0"}}},
    });
}

TEST(AddItemRequestFactory, ProductCodeTypesByLength)
{
    const std::vector<std::pair<const char*, const char*>> rows{
        {"0306406152", "ISBN"},  {"9780306406157", "ISBN"}, {"9790306406150", "ISBN"}, {"4006381333931", "EAN"},
        {"036000291452", "UPC"}, {"73513537", "EAN"},       {"123456789", ""},         {"", ""},
    };
    for (const auto& [code, type] : rows) {
        SCOPED_TRACE(code);
        EXPECT_EQ(QMSimpleAddItemRequestFactory::productCodeTypeForCode(QString::fromLatin1(code)),
                  QString::fromLatin1(type));
    }
}

TEST_F(AddItemRequestFactoryTest, FreeTextReachesEBayAsWrittenWithoutControlCharacters)
{
    const QString description = QStringLiteral("<p>Ends here: ]]> and <b>goes on</b> & on\x01</p>");
    QMDescriptionHTMLConverter::install(std::make_shared<FixedDescription>(description));
    auto item = listing();
    item->setSiteID(100);
    item->setTitle(QStringLiteral("Lamp ]]><x/> \x07tall"));
    item->setSubTitle(QStringLiteral("]]>"));
    item->setLocation(QStringLiteral("<![CDATA[Boston]]>"));
    item->setUseZipPostalCode(true);
    item->setZipPostalCode(QStringLiteral("02134]]>\x1b"));
    item->setCustomItemSpecifics({{QStringLiteral("VIN"), QStringLiteral("1HG<]]>")}});

    const auto request = QMSimpleAddItemRequestFactory::addItemRequestForItem(*item, QStringLiteral("seller"));
    const QByteArray xml = request->xmlRequestData();
    const auto read = EBayAddItemRequestType::requestWithXMLData(xml);
    ASSERT_TRUE(read) << xml.toStdString();
    const auto& sent = *read->item();
    EXPECT_EQ(sent.description(), QStringLiteral("<p>Ends here: ]]> and <b>goes on</b> & on</p>"));
    EXPECT_EQ(sent.title(), QStringLiteral("Lamp ]]><x/> tall"));
    EXPECT_EQ(sent.sellerProvidedTitle(), QStringLiteral("Lamp ]]><x/> tall"));
    EXPECT_EQ(sent.subTitle(), QStringLiteral("]]>"));
    EXPECT_EQ(sent.location(), QStringLiteral("<![CDATA[Boston]]>"));
    EXPECT_EQ(sent.postalCode(), QStringLiteral("02134]]>"));
    EXPECT_EQ(sent.vIN(), QStringLiteral("1HG<]]>"));
}

TEST_F(AddItemRequestFactoryTest, ACrossBorderEnhancementWithoutItsSiteValueIsLeftOut)
{
    EBayItemType item;
    QMSimpleAddItemRequestFactory::addCrossBorderTradeToItem(item, QString(), 0);
    EXPECT_FALSE(item.crossBorderTrades());
    QMSimpleAddItemRequestFactory::addCrossBorderTradeToItem(item, QStringLiteral("UK"), 0);
    ASSERT_TRUE(item.crossBorderTrades());
    EXPECT_EQ(*item.crossBorderTrades(), QStringList{QStringLiteral("UK")});
}

TEST_F(AddItemRequestFactoryTest, UploadedAddressesServeOnlyTheBuild)
{
    auto item = listing();
    auto picture = uploadedPicture(QStringLiteral("a.jpg"), QString());
    item->setImages({picture});
    const auto built = QMSimpleAddItemRequestFactory::ebayItemForQMItem(
        *item, QStringLiteral("seller"), {{picture, QStringLiteral("https://i.ebay.example/a.jpg")}});
    ASSERT_TRUE(built->pictureDetails() && built->pictureDetails()->pictureURLs());
    EXPECT_EQ(built->pictureDetails()->pictureURLs()->value(0), "<![CDATA[https://i.ebay.example/a.jpg]]>");
    EXPECT_TRUE(picture->imageURL().isNull());
}

TEST_F(AddItemRequestFactoryTest, TheVerifyRequestCarriesTheSameItem)
{
    auto item = listing();
    const auto verify = QMSimpleAddItemRequestFactory::verifyAddItemRequestForItem(*item, QStringLiteral("seller"));
    const auto add = QMSimpleAddItemRequestFactory::addItemRequestForItem(*item, QStringLiteral("seller"));
    ASSERT_TRUE(verify->item() && add->item());
    EXPECT_TRUE(verify->item()->isEqual(*add->item()));
    EXPECT_EQ(verify->elementName(), "VerifyAddItemRequest");
}

TEST_F(AddItemRequestFactoryTest, AFullListingGivesTheRecordedAddItemRequest)
{
    auto item = listing();
    item->setCategory(kReserveCategory);
    item->setSubTitle(QStringLiteral("Made in 1920"));
    item->setBuyItNow(true);
    item->setBuyItNowPrice(QStringLiteral("45.00"));
    item->setUseReservePrice(true);
    item->setReservePrice(QStringLiteral("30.00"));
    item->setConditionID(1000);
    item->setCounterType(1);
    item->setListingEnhancements({QStringLiteral("BoldTitle")});
    item->setReturnPolicyAccepted(true);
    item->setReturnPolicyReturnsWithinOption(QStringLiteral("Days_14"));
    item->setCustomItemSpecifics({{QStringLiteral("Material"), QStringLiteral("Brass")}});
    item->setUseDispatchTimeMax(true);
    item->setDispatchTimeMax(2);
    auto picture = uploadedPicture(QStringLiteral("a.jpg"), QStringLiteral("https://i.example/a.jpg"));
    picture->setIsGalleryImage(true);
    item->setImages({picture});
    item->shippingOptions()->setShipToLocations({QStringLiteral("Worldwide")});
    item->shippingOptions()->addInternationalShippingServiceWithID(QStringLiteral("50001"), QStringLiteral("19.00"),
                                                                   false, QStringLiteral("0"));

    EXPECT_EQ(requestXml(*item), dw::test::fixture(QStringLiteral("Operations/AddItemRequest.xml")));
}

} // namespace
