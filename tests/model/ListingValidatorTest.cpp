#include "FakeCategoryData.h"

#include "model/QMAccountDataSource.h"
#include "model/QMEbayAttributeValue.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayItem.h"
#include "model/QMEbayItemValidator.h"
#include "model/QMEbayTimeManager.h"
#include "model/QMItemShippingOptions.h"
#include "model/QMPreferencesManager.h"

#include "platform/core/Clock.h"
#include "platform/core/UserDefaults.h"
#include "platform/text/StyledText.h"
#include "tests/support/ScriptedAlertPresenter.h"
#include "tests/support/TemporaryXdg.h"

#include <QFile>
#include <functional>
#include <gtest/gtest.h>

namespace {

class FakeAccounts final : public QMAccountDataSource
{
public:
    QString defaultAccountID() const override { return defaultAccount; }
    QString tokenForAccountID(const QString& accountID) const override { return tokens.value(accountID); }
    QString payPalAddressForAccountID(const QString& accountID) const override { return payPal.value(accountID); }

    QString defaultAccount;
    QMap<QString, QString> tokens;
    QMap<QString, QString> payPal;
};

class RecordingDelegate final : public QMEbayItemValidatorDelegate
{
public:
    int displayFreeShippingWarningForItem(QMEbayItem&) override
    {
        calls << QStringLiteral("freeShipping");
        return freeShippingAnswer;
    }
    void displayTokenPanel() override { calls << QStringLiteral("tokenPanel"); }
    void displayAttributePanelForItem(QMEbayItem&) override { calls << QStringLiteral("attributePanel"); }
    int displayFreightShippingWarningForItem(QMEbayItem&) override
    {
        calls << QStringLiteral("freightShipping");
        return freightShippingAnswer;
    }
    void displayImageServicePreferences() override { calls << QStringLiteral("imageServicePreferences"); }

    QStringList calls;
    int freeShippingAnswer = 1;
    int freightShippingAnswer = 1;
};

// Everything a validator reads besides the listing: category data of sites 0 and 77, accounts,
// preferences, a clock, pictures on disk and the recorded alerts.
class ValidatorTest : public ::testing::Test
{
protected:
    ValidatorTest() : m_clockInUse(m_clock)
    {
        QMCategoryInfo plain = categoryWithConditions(100, std::nullopt);
        plain.reservePriceAllowed = true;
        QMCategoryInfo needsCondition = categoryWithConditions(200, {{condition(1000, "New", 1)}});
        needsCondition.conditionRequired = true;
        for (qint64 site : {0, 77}) {
            m_categories->addCategory(site, plain);
            m_categories->addCategory(site, needsCondition);
        }
        // Category 300 has an attribute set with a required attribute.
        m_categories->addCategory(77, categoryWithConditions(300, std::nullopt));
        m_categories->completeSites << 77;
        m_categories->setIDsOfCategory.insert({77, 300}, {1785});
        QMCategoryAttribute colour;
        colour.identifier = 25;
        colour.label = QStringLiteral("Colour");
        colour.validationRuleTypes = {QMCategoryAttribute::kRequiredRuleType};
        m_categories->attributeSets.insert({77, 1785}, {colour});

        m_accounts->defaultAccount = QStringLiteral("seller");
        m_accounts->tokens.insert(QStringLiteral("seller"), QStringLiteral("token-of-seller"));
        QMAccountDataSource::install(m_accounts);
        preferences().setDefaultImageUploadingSystemTag(kQMImageUploadingSystemEPS);
        m_validator.setDelegate(&m_delegate);
    }
    ~ValidatorTest() override { QMAccountDataSource::install(nullptr); }

    static QMPreferencesManager& preferences() { return QMPreferencesManager::sharedInstance(); }

    // A listing that passes every check: an auction on the German site.
    std::shared_ptr<QMEbayItem> goodListing() const
    {
        auto item = std::make_shared<QMEbayItem>();
        item->setUniqueID(QStringLiteral("A"));
        item->setSiteID(77);
        item->setCurrency(7);
        item->setTitle(QStringLiteral("Brass lamp %2$@ 100%d"));
        item->setCategory(100);
        item->setItemDescriptionString(dw::StyledText(QStringLiteral("Solid brass.")));
        item->setUseStartingBid(true);
        item->setMinimumBid(QStringLiteral("1.00"));
        item->setPaymentOptions({QStringLiteral("PayPalAccepted")});
        item->setLocation(QStringLiteral("Berlin"));
        item->setDuration(7);
        item->shippingOptions()->addDomesticShippingServiceWithID(QStringLiteral("7701"), QStringLiteral("4.90"), false,
                                                                  QStringLiteral("0"));
        return item;
    }

    std::shared_ptr<QMEbayImage> filePicture(int number) const
    {
        const QString path = m_xdg.path(QStringLiteral("picture%1.jpg").arg(number));
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("jpeg");
        return std::make_shared<QMEbayImage>(path, QString());
    }

    dw::test::TemporaryXdg m_xdg;
    dw::ManualClock m_clock;
    dw::ScopedClock m_clockInUse;
    ScopedCategoryData m_categories;
    std::shared_ptr<FakeAccounts> m_accounts = std::make_shared<FakeAccounts>();
    RecordingDelegate m_delegate;
    QMEbayItemValidator m_validator;
    dw::test::ScriptedAlertPresenter m_alerts;
};

} // namespace

TEST_F(ValidatorTest, EachCheckRefusesWithItsOwnAlertAndAGoodListingPasses)
{
    using Change = std::function<void(QMEbayItem&)>;
    struct Row
    {
        const char* name;
        Change change;
        const char* alert; // nullptr: no alert of the validator's own
        bool passes = false;
    };
    const QString earlier = QMEbayTimeManager::sharedInstance().ebayTimeStringFromLocalTime(m_clock.now().addSecs(-1));
    const Row rows[] = {
        {"good listing", [](QMEbayItem&) {}, nullptr, true},
        {"1 no title", [](QMEbayItem& i) { i.setTitle(QString()); }, "Missing Auction Title"},
        {"2 title too long", [](QMEbayItem& i) { i.setTitle(QString(81, u'x')); }, "Auction Title"},
        {"3 no category", [](QMEbayItem& i) { i.setCategory(0); }, "No Category Specified"},
        {"4 category gone", [](QMEbayItem& i) { i.setCategory(999); }, "Invalid Category"},
        {"5 second category gone", [](QMEbayItem& i) { i.setCategory2(999); }, "Invalid Second Category"},
        {"6 no description", [](QMEbayItem& i) { i.setItemDescriptionString(dw::StyledText()); },
         "Missing Auction Description"},
        {"6 no description but a product",
         [](QMEbayItem& i) {
             i.setItemDescriptionString(dw::StyledText());
             i.setListWithProductID(true);
         },
         nullptr, true},
        {"7a no price", [](QMEbayItem& i) { i.setUseStartingBid(false); }, "Missing Price Information"},
        {"7b starting bid 0", [](QMEbayItem& i) { i.setMinimumBid(QStringLiteral("0")); }, "Starting Bid"},
        {"7b starting bid empty", [](QMEbayItem& i) { i.setMinimumBid(QStringLiteral("")); }, "Starting Bid"},
        {"7c Buy It Now price empty", [](QMEbayItem& i) { i.setBuyItNow(true); }, "Buy It Now Price"},
        {"8 no payment options", [](QMEbayItem& i) { i.setPaymentOptions({}); }, "Missing Payment Options"},
        {"8 classified ad without payment options",
         [](QMEbayItem& i) {
             i.setPaymentOptions({});
             i.setListAsClassifiedAd(true);
         },
         nullptr, true},
        {"9 reserve equal to starting bid",
         [](QMEbayItem& i) {
             i.setUseReservePrice(true);
             i.setReservePrice(QStringLiteral("1.00"));
         },
         "Reserve price too low"},
        {"9 reserve with Buy It Now and no starting bid is not looked at",
         [](QMEbayItem& i) {
             i.setUseStartingBid(false);
             i.setBuyItNow(true);
             i.setBuyItNowPrice(QStringLiteral("20"));
             i.setUseReservePrice(true);
         },
         nullptr, true},
        {"10 no location", [](QMEbayItem& i) { i.setLocation(QString()); }, "Incomplete Location"},
        {"10 ZIP code without city",
         [](QMEbayItem& i) {
             i.setLocation(QString());
             i.setZipPostalCode(QStringLiteral("10115"));
         },
         nullptr, true},
        {"11 start in the past",
         [&](QMEbayItem& i) {
             i.setUseScheduleTime(true);
             i.setEbayScheduleTime(earlier);
         },
         "eBay Start Time"},
        {"12 address gallery picture with pictures to upload",
         [&](QMEbayItem& i) {
             auto gallery = QMEbayImage::imageWithURL(QStringLiteral("https://pictures.example/g.jpg"));
             gallery->setIsGalleryImage(true);
             i.setImages({gallery, filePicture(1)});
         },
         "Image Error"},
        {"13a sales tax without rate",
         [](QMEbayItem& i) {
             i.setSiteID(0);
             i.setCurrency(1);
             i.shippingOptions()->setIDForDomesticShippingService(QStringLiteral("1"), 0);
             i.setTaxStateOrSystem(QStringLiteral("CA"));
         },
         "Sales Tax Error"},
        {"13a tax table needs no rate",
         [](QMEbayItem& i) {
             i.setSiteID(0);
             i.setCurrency(1);
             i.shippingOptions()->setIDForDomesticShippingService(QStringLiteral("1"), 0);
             i.setTaxStateOrSystem(QStringLiteral("__UseTaxTable__"));
         },
         nullptr, true},
        {"13b VAT without rate", [](QMEbayItem& i) { i.setUseVAT(true); }, "Missing VAT"},
        {"14 21 pictures for the free picture service",
         [&](QMEbayItem& i) {
             preferences().setDefaultImageUploadingSystemTag(kQMImageUploadingSystemDunmerrowImageServer);
             QList<std::shared_ptr<QMEbayImage>> pictures;
             for (int n = 0; n < 21; ++n)
                 pictures << filePicture(n);
             i.setImages(pictures);
         },
         "Image Error"},
        {"14 20 pictures for the free picture service",
         [&](QMEbayItem& i) {
             preferences().setDefaultImageUploadingSystemTag(kQMImageUploadingSystemDunmerrowImageServer);
             QList<std::shared_ptr<QMEbayImage>> pictures;
             for (int n = 0; n < 20; ++n)
                 pictures << filePicture(n);
             i.setImages(pictures);
         },
         nullptr, true},
        {"15 MobileMe",
         [](QMEbayItem&) { preferences().setDefaultImageUploadingSystemTag(kQMImageUploadingSystemDotMac); },
         "MobileMe Error"},
        {"16 payment instructions too long", [](QMEbayItem& i) { i.setCheckoutInstructions(QString(501, u'x')); },
         "Payment Instructions too long"},
        {"16 payment instructions at the limit", [](QMEbayItem& i) { i.setCheckoutInstructions(QString(500, u'x')); },
         nullptr, true},
        {"17 required attribute without value", [](QMEbayItem& i) { i.setCategory(300); },
         "Attribute Validation Error"},
        {"18 no domestic service", [](QMEbayItem& i) { i.shippingOptions()->removeAllDomesticServices(); },
         "Required Domestic Shipping Service"},
        {"18 local pickup only",
         [](QMEbayItem& i) {
             i.shippingOptions()->removeAllDomesticServices();
             i.shippingOptions()->setLocalPickupOnly(true);
         },
         nullptr, true},
        {"18 a domestic option whose service the site does not know",
         [](QMEbayItem& i) {
             i.shippingOptions()->addDomesticShippingServiceWithID(QStringLiteral("99999"), QStringLiteral("1"), false,
                                                                   QStringLiteral("0"));
         },
         "Unknown Shipping Service"},
        {"18 an international option whose service the site does not know",
         [](QMEbayItem& i) {
             i.shippingOptions()->setShipToLocations({QStringLiteral("Worldwide")});
             i.shippingOptions()->addInternationalShippingServiceWithID(QStringLiteral("57701"), QStringLiteral("9"),
                                                                        false, QStringLiteral("0"));
             i.shippingOptions()->addInternationalShippingServiceWithID(QStringLiteral("1"), QStringLiteral("9"), false,
                                                                        QStringLiteral("0"));
         },
         "Unknown Shipping Service"},
        {"18 international options are not sent without ship-to locations",
         [](QMEbayItem& i) {
             i.shippingOptions()->addInternationalShippingServiceWithID(QStringLiteral("1"), QStringLiteral("9"), false,
                                                                        QStringLiteral("0"));
         },
         nullptr, true},
        {"18 local pickup sends no service",
         [](QMEbayItem& i) {
             i.shippingOptions()->addDomesticShippingServiceWithID(QStringLiteral("99999"), QStringLiteral("1"), false,
                                                                   QStringLiteral("0"));
             i.shippingOptions()->setLocalPickupOnly(true);
         },
         nullptr, true},
        {"19 free shipping is not asked about when verifying",
         [](QMEbayItem& i) { i.shippingOptions()->setFee(QStringLiteral("0"), 0); }, nullptr, true},
        {"21 30 days with a starting bid", [](QMEbayItem& i) { i.setDuration(30); }, "Listing Duration"},
        {"21 good 'til cancelled with a starting bid", [](QMEbayItem& i) { i.setDuration(1000); }, "Listing Duration"},
        {"21 30 days as a classified ad",
         [](QMEbayItem& i) {
             i.setDuration(30);
             i.setListAsClassifiedAd(true);
         },
         nullptr, true},
        {"22 no condition where one is required", [](QMEbayItem& i) { i.setCategory(200); }, "Missing Condition"},
        {"22 condition chosen",
         [](QMEbayItem& i) {
             i.setCategory(200);
             i.setConditionID(1000);
         },
         nullptr, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        preferences().setDefaultImageUploadingSystemTag(kQMImageUploadingSystemEPS);
        m_alerts.clear();
        m_delegate.calls.clear();
        const auto item = goodListing();
        row.change(*item);
        EXPECT_EQ(m_validator.itemCanBeAdded(*item, false), row.passes);
        EXPECT_EQ(m_alerts.titles(), row.alert ? QStringList{QLatin1String(row.alert)} : QStringList());
        EXPECT_EQ(m_delegate.calls, QStringList());
    }
}

TEST_F(ValidatorTest, TextsAreFilledInOnePass)
{
    const auto item = goodListing();
    item->setDuration(1000);
    EXPECT_FALSE(m_validator.itemCanBeAdded(*item, false));
    ASSERT_EQ(m_alerts.alerts().size(), 1);
    EXPECT_EQ(
        m_alerts.alerts().first().informativeText,
        QStringLiteral("A duration of 30 days or “Good ’Til Canceled” is only supported for fixed price listings. "
                       "Please change the duration or remove the starting bid for auction “Brass lamp %2$@ "
                       "100%d”."));

    m_alerts.clear();
    item->setDuration(7);
    item->setMinimumBid(QStringLiteral("0.005"));
    EXPECT_FALSE(m_validator.itemCanBeAdded(*item, false));
    ASSERT_EQ(m_alerts.alerts().size(), 1);
    EXPECT_TRUE(m_alerts.alerts().first().informativeText.startsWith(
        QStringLiteral("Please enter a starting bid greater than 0.009000 ")));
    EXPECT_TRUE(
        m_alerts.alerts().first().informativeText.endsWith(QStringLiteral(" for auction “Brass lamp %2$@ 100%d”.")));

    m_alerts.clear();
    item->setMinimumBid(QStringLiteral("1"));
    item->setTitle(QString(80, u'é'));
    EXPECT_TRUE(m_validator.itemCanBeAdded(*item, false)) << "80 characters are allowed";
    item->setTitle(QString(81, u'é'));
    EXPECT_FALSE(m_validator.itemCanBeAdded(*item, false));
    ASSERT_EQ(m_alerts.alerts().size(), 1);
    EXPECT_TRUE(m_alerts.alerts().first().informativeText.endsWith(
        QStringLiteral("is too long. Please enter a title shorter than 80 characters.")));
}

TEST_F(ValidatorTest, UnknownShippingServiceNamesTheOption)
{
    const auto item = goodListing();
    item->shippingOptions()->addDomesticShippingServiceWithID(QStringLiteral("99999"), QStringLiteral("1"), false,
                                                              QStringLiteral("0"));
    EXPECT_FALSE(m_validator.itemCanBeAdded(*item, false));
    ASSERT_EQ(m_alerts.alerts().size(), 1);
    EXPECT_EQ(m_alerts.alerts().first().informativeText,
              QStringLiteral("Domestic shipping option 2 of auction “Brass lamp %2$@ 100%d” names a shipping service "
                             "that eBay does not offer on this site. Please choose another service for this option."));
}

TEST_F(ValidatorTest, ScheduledStartMayNotLieInThePast)
{
    auto& times = QMEbayTimeManager::sharedInstance();
    const auto item = goodListing();
    item->setUseScheduleTime(true);
    struct Row
    {
        const char* name;
        QString time;
        bool passes;
        const char* message;
    };
    const Row rows[] = {
        {"now", times.ebayTimeStringFromLocalTime(m_clock.now()), true, nullptr},
        {"in an hour", times.ebayTimeStringFromLocalTime(m_clock.now().addSecs(3600)), true, nullptr},
        {"a second ago", times.ebayTimeStringFromLocalTime(m_clock.now().addSecs(-1)), false,
         "Please enter a start time for the eBay scheduler in the future (auction “Brass lamp %2$@ 100%d”)."},
        {"none", QString(), false,
         "Please enter a start time for the eBay scheduler for auction “Brass lamp %2$@ 100%d”."},
        {"unreadable", QStringLiteral("tomorrow"), false,
         "Please enter a start time for the eBay scheduler for auction “Brass lamp %2$@ 100%d”."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        m_alerts.clear();
        item->setEbayScheduleTime(row.time);
        EXPECT_EQ(m_validator.checkEbaySchedulerTimeForItem(*item), row.passes);
        if (row.message) {
            ASSERT_EQ(m_alerts.alerts().size(), 1);
            EXPECT_EQ(m_alerts.alerts().first().messageText, QStringLiteral("eBay Start Time"));
            EXPECT_EQ(m_alerts.alerts().first().informativeText, QString::fromUtf8(row.message));
        } else {
            EXPECT_TRUE(m_alerts.alerts().isEmpty());
        }
    }
    item->setUseScheduleTime(false);
    item->setEbayScheduleTime(QString());
    EXPECT_TRUE(m_validator.checkEbaySchedulerTimeForItem(*item));
}

TEST_F(ValidatorTest, ShippingWarningsAskTheDelegateOnlyWhenListing)
{
    const auto item = goodListing();
    item->shippingOptions()->setFee(QStringLiteral("0.00"), 0);
    EXPECT_FALSE(m_validator.itemCanBeAdded(*item, true));
    EXPECT_EQ(m_delegate.calls, QStringList{QStringLiteral("freeShipping")});
    EXPECT_TRUE(m_alerts.alerts().isEmpty());

    m_delegate.calls.clear();
    m_delegate.freeShippingAnswer = 0;
    EXPECT_TRUE(m_validator.itemCanBeAdded(*item, true)) << "the user chose to go on";

    m_delegate.calls.clear();
    m_delegate.freeShippingAnswer = 1;
    preferences().defaults().setBool(true, QStringLiteral("HideFreeShippingWarning"));
    EXPECT_TRUE(m_validator.itemCanBeAdded(*item, true));
    EXPECT_EQ(m_delegate.calls, QStringList()) << "switched off for good";

    // Freight shipping asks its own question, and only a delegate that has it.
    item->shippingOptions()->setIDForDomesticShippingService(QString::number(kQMFreightShippingServiceID), 0);
    m_delegate.calls.clear();
    EXPECT_FALSE(m_validator.itemCanBeAdded(*item, true));
    EXPECT_EQ(m_delegate.calls, QStringList{QStringLiteral("freightShipping")});

    struct Plain final : QMEbayItemValidatorDelegate
    {
        int displayFreeShippingWarningForItem(QMEbayItem&) override { return 1; }
        void displayTokenPanel() override {}
        void displayAttributePanelForItem(QMEbayItem&) override {}
    } plain;
    m_validator.setDelegate(&plain);
    EXPECT_TRUE(m_validator.itemCanBeAdded(*item, true));
}

TEST_F(ValidatorTest, SecondButtonsOpenTheDelegatesPanels)
{
    const auto item = goodListing();
    item->setCategory(300);
    m_alerts.answer(1);
    EXPECT_FALSE(m_validator.itemCanBeAdded(*item, false));
    ASSERT_EQ(m_alerts.alerts().size(), 1);
    EXPECT_EQ(m_alerts.alerts().first().buttons, (QStringList{"OK", "Show Attribute Panel"}));
    EXPECT_EQ(m_alerts.alerts().first().informativeText,
              QStringLiteral("You did not enter a required attribute. Please select a value for the attribute "
                             "“Colour”."));
    EXPECT_EQ(m_delegate.calls, QStringList{QStringLiteral("attributePanel")});

    // A value for the attribute satisfies it.
    item->setAttributeSets(
        {{QStringLiteral("1785"),
          QVariantMap{
              {QStringLiteral("values"),
               QVariantMap{{QStringLiteral("25"), QVariantList{dw::archiveValue(std::make_shared<QMEbayAttributeValue>(
                                                      QStringLiteral("2"), QStringLiteral("Red")))}}}}}}});
    EXPECT_TRUE(m_validator.verifyRequiredAttributesForItem(*item));

    m_delegate.calls.clear();
    preferences().setDefaultImageUploadingSystemTag(kQMImageUploadingSystemDotMac);
    m_alerts.answer(1);
    EXPECT_FALSE(m_validator.itemCanBeAdded(*goodListing(), false));
    EXPECT_EQ(m_delegate.calls, QStringList{QStringLiteral("imageServicePreferences")});
}

TEST_F(ValidatorTest, AttributesShownThroughADependencyAreRequiredOnlyWhenSwitchedOn)
{
    QMCategoryAttribute material;
    material.identifier = 30;
    material.label = QStringLiteral("Material");
    material.dependencies = {{41, QStringLiteral("7")}};
    QMCategoryAttribute metal;
    metal.identifier = 41;
    metal.label = QStringLiteral("Metal");
    metal.visibility = QMCategoryAttribute::kDependentVisibility;
    metal.validationRuleTypes = {QMCategoryAttribute::kRequiredRuleType};
    m_categories->attributeSets.insert({77, 1785}, {material, metal});
    const auto item = goodListing();
    item->setCategory(300);
    const auto choose = [&](const char* materialValue) {
        item->setAttributeSets(
            {{QStringLiteral("1785"),
              QVariantMap{
                  {QStringLiteral("values"),
                   QVariantMap{{QStringLiteral("30"), QVariantList{QVariantMap{{QStringLiteral("identifier"),
                                                                                QLatin1String(materialValue)}}}}}}}}});
    };
    choose("8");
    EXPECT_TRUE(m_validator.verifyRequiredAttributesForItem(*item)) << "another material: Metal stays hidden";
    choose("7");
    EXPECT_FALSE(m_validator.verifyRequiredAttributesForItem(*item));
    EXPECT_EQ(m_alerts.titles(), QStringList{QStringLiteral("Attribute Validation Error")});

    // Sites without complete data and categories without sets are not checked.
    m_categories->completeSites.clear();
    EXPECT_TRUE(m_validator.verifyRequiredAttributesForItem(*item));
}

TEST_F(ValidatorTest, AnAccountWithoutTokenFailsTheTokenCheck)
{
    EXPECT_TRUE(m_validator.checkIfTokenExists());
    // The default account is known but has no token (the account manager names the first account
    // it knows as default, whether or not it has one).
    m_accounts->tokens.clear();
    m_alerts.answer(0);
    EXPECT_FALSE(m_validator.checkIfTokenExists());
    ASSERT_EQ(m_alerts.alerts().size(), 1);
    EXPECT_EQ(m_alerts.alerts().first().messageText, QStringLiteral("Missing Token"));
    EXPECT_EQ(m_alerts.alerts().first().buttons, (QStringList{"Authorize Quillmart", "Cancel"}));
    EXPECT_EQ(m_delegate.calls, QStringList{QStringLiteral("tokenPanel")});

    m_alerts.clear();
    EXPECT_FALSE(m_validator.checkIfTokenExistsForAccountID(QStringLiteral("other"), false));
    m_accounts->tokens.insert(QStringLiteral("other"), QStringLiteral("t"));
    EXPECT_TRUE(m_validator.checkIfTokenExistsForAccountID(QStringLiteral("other"), false));
    m_accounts->defaultAccount.clear();
    EXPECT_FALSE(m_validator.checkIfTokenExistsForAccountID(QString(), false));
    EXPECT_TRUE(m_alerts.alerts().isEmpty());

    EXPECT_TRUE(m_validator.checkToken(QStringLiteral("t"), true));
    EXPECT_FALSE(m_validator.checkToken(QString(), true));
    ASSERT_EQ(m_alerts.alerts().size(), 1);
    EXPECT_EQ(m_alerts.alerts().first().messageText, QStringLiteral("Access Error"));
    EXPECT_EQ(m_alerts.alerts().first().style, dw::AlertRequest::Style::Critical);
}

TEST_F(ValidatorTest, PreferencesNeedATokenAndADefaultLocation)
{
    EXPECT_FALSE(m_validator.verifyPreferenceSettings());
    EXPECT_EQ(m_alerts.titles(), QStringList{QStringLiteral("Incomplete Location")});
    preferences().setDefaultZIPCode(QStringLiteral("10115"));
    EXPECT_TRUE(m_validator.verifyPreferenceSettings());

    m_alerts.clear();
    m_accounts->tokens.clear();
    EXPECT_FALSE(m_validator.verifyPreferenceSettings());
    EXPECT_EQ(m_alerts.titles(), QStringList{QStringLiteral("Missing Token")});
}

TEST_F(ValidatorTest, PreparingRecordsTheAccountAndItsPayPalAddress)
{
    const auto item = goodListing();
    EXPECT_FALSE(m_validator.prepareItemForAddItem(*item, QStringLiteral("seller"), false));
    EXPECT_EQ(item->startedAccountID(), QStringLiteral("seller"));
    EXPECT_TRUE(m_alerts.alerts().isEmpty());
    EXPECT_FALSE(m_validator.prepareItemForAddItem(*item, QStringLiteral("seller"), true));
    EXPECT_EQ(m_alerts.titles(), QStringList{QStringLiteral("Missing PayPal Address")});

    m_accounts->payPal.insert(QStringLiteral("seller"), QStringLiteral("pay@seller.example"));
    EXPECT_TRUE(m_validator.prepareItemForAddItem(*item, QStringLiteral("seller"), true));
    EXPECT_EQ(item->payPalAddress(), QStringLiteral("pay@seller.example"));

    item->setPaymentOptions({QStringLiteral("MoneyXferAccepted")});
    EXPECT_TRUE(m_validator.prepareItemForAddItem(*item, QStringLiteral("other"), true));
    EXPECT_EQ(item->startedAccountID(), QStringLiteral("other"));
}
