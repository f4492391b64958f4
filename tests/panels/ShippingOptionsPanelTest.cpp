#include "panels/QMShippingOptionsPanelController.h"

#include "model/QMApplicationDefaults.h"
#include "model/QMItemShippingOptions.h"
#include "model/QMPreferencesManager.h"
#include "model/QMSiteDescriptionManager.h"
#include "platform/core/UserDefaults.h"
#include "tests/support/ScriptedAlertPresenter.h"
#include "tests/support/TemporaryXdg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

namespace {

const QString kUS = QStringLiteral("0");
const QString kUPSGround = QStringLiteral("1");
const QString kUSPSPriority = QStringLiteral("5");
const QString kUSPSParcelDeprecated = QStringLiteral("6");
const QString kLocalDeliveryDeprecated = QStringLiteral("15");
const QString kFreight = QStringLiteral("80029");
const QString kUPSWorldwide = QStringLiteral("50001");

QVariantList locations(int count)
{
    const QVariantList all = QMSiteDescriptionManager::sharedInstance().allowedShipToLocationsForSiteID(kUS);
    return all.mid(0, count);
}

QVariantMap profile(const char* name, const char* id)
{
    return {{QStringLiteral("displayName"), QString::fromLatin1(name)},
            {QStringLiteral("profileID"), QString::fromLatin1(id)}};
}

class ShippingOptionsPanelTest : public ::testing::Test
{
protected:
    ShippingOptionsPanelTest() { EXPECT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard())); }

    std::unique_ptr<QMShippingOptionsPanelController> makePanel(const std::shared_ptr<QMItemShippingOptions>& options,
                                                                int locationCount = 100, const QString& siteID = kUS)
    {
        const auto& sites = QMSiteDescriptionManager::sharedInstance();
        QMShippingOptionsPanelParameters parameters;
        parameters.shippingOptions = options;
        parameters.domesticServices = sites.domesticShippingServicesForSiteID(siteID);
        parameters.internationalServices = sites.internationalShippingServicesForSiteID(siteID);
        parameters.availableShipToLocations = locations(locationCount);
        parameters.allowsCalculatedFees = sites.calculatedShippingFeesAllowedForSiteWithID(siteID);
        parameters.allowsAdditionalFees = true;
        parameters.siteID = siteID;
        parameters.flatShippingDiscountProfiles = m_flatProfiles;
        parameters.calculatedShippingDiscountProfiles = m_calculatedProfiles;
        return std::make_unique<QMShippingOptionsPanelController>(parameters);
    }

    QVariantMap m_flatProfiles;
    QVariantMap m_calculatedProfiles;
    dw::test::ScriptedAlertPresenter m_alerts;
};

TEST_F(ShippingOptionsPanelTest, InstallsOneServiceAndGathersItIntoACopy)
{
    auto options = std::make_shared<QMItemShippingOptions>();
    options->addDomesticShippingServiceWithID(kUSPSPriority, QStringLiteral("4.90"), true, QStringLiteral("1.50"));
    // A row whose additional fee is missing shows its fee there.
    QVariantList rows = options->domesticShippingServices();
    QVariantMap row = rows.first().toMap();
    row.remove(QString::fromLatin1(kQMShippingOptions_serviceAdditionalFee));
    rows[0] = row;
    options->setDomesticShippingServices(rows);

    auto panel = makePanel(options);
    const QVariantMap first = panel->domesticRow(0);
    EXPECT_TRUE(first.value(QStringLiteral("enabled")).toBool());
    EXPECT_EQ(panel->domesticServices()
                  .at(first.value(QString::fromLatin1(kQMShippingOptions_serviceIndex)).toInt())
                  .toMap()
                  .value(QStringLiteral("ServiceID"))
                  .toString(),
              kUSPSPriority);
    EXPECT_EQ(first.value(QString::fromLatin1(kQMShippingOptions_serviceAdditionalFee)).toString(),
              QStringLiteral("4.90"));
    for (int unused : {1, 2}) {
        EXPECT_FALSE(panel->domesticRow(unused).value(QStringLiteral("enabled")).toBool());
        EXPECT_EQ(panel->domesticRow(unused).value(QString::fromLatin1(kQMShippingOptions_serviceFee)).toString(),
                  QStringLiteral("0"));
    }

    // The second row is switched on and given another service through the panel's controls.
    panel->findChild<QCheckBox*>(QStringLiteral("domesticServiceCheckbox1"))->setChecked(true);
    auto* popup = panel->findChild<QComboBox*>(QStringLiteral("domesticServicePopup1"));
    popup->setCurrentIndex(
        int(QMSiteDescriptionManager::indexOfShippingServiceWithID(kUPSGround, panel->domesticServices())));
    const auto gathered = panel->gatheredCurrentOptions();
    ASSERT_NE(gathered, options);
    ASSERT_EQ(gathered->domesticShippingServiceCount(), 2);
    EXPECT_EQ(gathered->idOfDomesticShippingServiceAtIndex(0), kUSPSPriority);
    EXPECT_EQ(gathered->feeForDomesticShippingServiceAtIndex(0), QStringLiteral("4.90"));
    EXPECT_EQ(gathered->idOfDomesticShippingServiceAtIndex(1), kUPSGround);
    EXPECT_EQ(gathered->feeForDomesticShippingServiceAtIndex(1), QStringLiteral("0"));
    EXPECT_EQ(options->domesticShippingServiceCount(), 1);
}

// Services that the site's lists do not hold, from an older document, come back as they were;
// deprecated services stay offered only while the options use them.
TEST_F(ShippingOptionsPanelTest, UnknownAndDeprecatedServicesSurviveTheRoundTrip)
{
    auto options = std::make_shared<QMItemShippingOptions>();
    options->addDomesticShippingServiceWithID(QStringLiteral("4711"), QStringLiteral("3.00"), false,
                                              QStringLiteral("0"));
    options->addDomesticShippingServiceWithID(kUSPSParcelDeprecated, QStringLiteral("5.00"), false,
                                              QStringLiteral("0"));
    options->addInternationalShippingServiceWithID(QStringLiteral("59999"), QStringLiteral("20.00"), false,
                                                   QStringLiteral("0"));
    options->setShipToLocations({QStringLiteral("Worldwide")});

    auto panel = makePanel(options);
    EXPECT_EQ(panel->findChild<QComboBox*>(QStringLiteral("domesticServicePopup0"))->currentText(),
              QStringLiteral("Unknown service (ID 4711)"));
    EXPECT_TRUE(QMSiteDescriptionManager::hasOfShippingServiceWithID(kUSPSParcelDeprecated, panel->domesticServices()));
    EXPECT_FALSE(
        QMSiteDescriptionManager::hasOfShippingServiceWithID(kLocalDeliveryDeprecated, panel->domesticServices()));

    const auto gathered = panel->gatheredCurrentOptions();
    ASSERT_EQ(gathered->domesticShippingServiceCount(), 2);
    EXPECT_EQ(gathered->idOfDomesticShippingServiceAtIndex(0), QStringLiteral("4711"));
    EXPECT_EQ(gathered->idOfDomesticShippingServiceAtIndex(1), kUSPSParcelDeprecated);
    ASSERT_EQ(gathered->internationalShippingServiceCount(), 1);
    EXPECT_EQ(gathered->idOfInternationalShippingServiceAtIndex(0), QStringLiteral("59999"));
    EXPECT_EQ(gathered->feeForInternationalShippingServiceAtIndex(0), QStringLiteral("20.00"));
}

TEST_F(ShippingOptionsPanelTest, ValidityRulesInTheirOrder)
{
    using Setup = std::function<void(QMItemShippingOptions&)>;
    auto service = [](const QString& id) {
        return [id](QMItemShippingOptions& o) {
            o.addDomesticShippingServiceWithID(id, QStringLiteral("1"), false, QStringLiteral("0"));
        };
    };
    auto abroad = [](QMItemShippingOptions& o) {
        o.addInternationalShippingServiceWithID(kUPSWorldwide, QStringLiteral("9"), false, QStringLiteral("0"));
    };
    auto calculated = [](const char* zip, const char* pounds, const char* ounces) {
        return [=](QMItemShippingOptions& o) {
            o.setUsesCalculatedShipping(true);
            o.setShipFromZipCode(QString::fromLatin1(zip));
            o.setPackagePounds(QString::fromLatin1(pounds));
            o.setPackageOunces(QString::fromLatin1(ounces));
        };
    };
    struct Row
    {
        const char* name;
        std::vector<Setup> setup;
        int answer; // the button the seller presses in an alert
        bool valid;
        QStringList alerts;
    };
    const std::vector<Row> rows{
        {"local pickup needs no destination",
         {service(kUPSGround), abroad, [](QMItemShippingOptions& o) { o.setLocalPickupOnly(true); }},
         0,
         true,
         {}},
        {"international service without destination",
         {service(kUPSGround), abroad},
         0,
         false,
         {QStringLiteral("Missing Shipping Destination")}},
        {"calculated without ZIP",
         {service(kUPSGround), calculated("", "1", "0")},
         0,
         false,
         {QStringLiteral("Missing ZIP Code")}},
        {"calculated weighing 0 lbs 0 oz",
         {service(kUPSGround), calculated("95125", "0", "0")},
         0,
         false,
         {QStringLiteral("Missing Package Weight")}},
        {"calculated without ounces",
         {service(kUPSGround), calculated("95125", "2", "")},
         0,
         false,
         {QStringLiteral("Missing Package Weight")}},
        {"calculated weighing 0 lbs 8 oz", {service(kUPSGround), calculated("95125", "0", "8")}, 0, true, {}},
        {"a service twice",
         {service(kUPSGround), service(kUPSGround)},
         0,
         false,
         {QStringLiteral("Duplicated shipping service")}},
        {"freight alone", {service(kFreight)}, 0, true, {}},
        {"freight with another service, Continue",
         {service(kFreight), service(kUPSGround)},
         0,
         true,
         {QStringLiteral("Freight Shipping Warning")}},
        {"freight with another service, Cancel",
         {service(kFreight), service(kUPSGround)},
         1,
         false,
         {QStringLiteral("Freight Shipping Warning")}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        auto options = std::make_shared<QMItemShippingOptions>();
        for (const Setup& step : row.setup)
            step(*options);
        auto panel = makePanel(options);
        dw::test::ScriptedAlertPresenter alerts;
        alerts.answer(row.answer);
        EXPECT_EQ(panel->currentOptionsAreValid(), row.valid);
        EXPECT_EQ(alerts.titles(), row.alerts);
        if (!alerts.alerts().isEmpty() && row.alerts.first() == QLatin1String("Freight Shipping Warning")) {
            EXPECT_EQ(alerts.alerts().first().buttons,
                      (QStringList{QStringLiteral("Continue"), QStringLiteral("Cancel")}));
        }
        // OK closes the panel only for valid options.
        alerts.answer(row.answer);
        panel->doOK();
        EXPECT_EQ(panel->result() == QDialog::Accepted, row.valid);
    }
}

// A site with fewer locations than the matrix has cells leaves no empty cell to tick, and the
// locations can be chosen only once something ships abroad (or the terms are in the description).
TEST_F(ShippingOptionsPanelTest, EightLocationsDisableTheCellsBeyondThem)
{
    auto panel = makePanel(std::make_shared<QMItemShippingOptions>(), 8);
    auto cell = [&](int i) { return panel->findChild<QCheckBox*>(QStringLiteral("shipToLocationCell%1").arg(i)); };
    ASSERT_TRUE(cell(11));
    EXPECT_FALSE(cell(12));
    EXPECT_FALSE(panel->canSelectShippingDestinations());
    EXPECT_FALSE(cell(0)->isEnabled());

    panel->findChild<QCheckBox*>(QStringLiteral("internationalServiceCheckbox0"))->setChecked(true);
    EXPECT_TRUE(panel->canSelectShippingDestinations());
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(cell(i)->isEnabled(), i < 8) << i;

    // Ticked in any order, the locations are stored in the site's order.
    cell(5)->setChecked(true);
    cell(2)->setChecked(true);
    const QStringList expected{locations(8).at(2).toMap().value(QStringLiteral("LocationID")).toString(),
                               locations(8).at(5).toMap().value(QStringLiteral("LocationID")).toString()};
    EXPECT_EQ(panel->gatheredCurrentOptions()->shipToLocations(), expected);

    // A row's own locations toggle from its menu and make the row use them.
    panel->shipToLocationItemAction(0, QStringLiteral("Asia"));
    panel->shipToLocationItemAction(0, QStringLiteral("Europe"));
    panel->shipToLocationItemAction(0, QStringLiteral("Asia"));
    const auto gathered = panel->gatheredCurrentOptions();
    ASSERT_EQ(gathered->internationalShippingServiceCount(), 1);
    EXPECT_TRUE(gathered->usesSpecialShipToLocationsForInternationalServiceAtIndex(0));
    EXPECT_EQ(gathered->shipToLocationsForInternationalServiceAtIndex(0), QStringList{QStringLiteral("Europe")});
}

// What the seller types in a German locale is stored as the amount it means.
TEST_F(ShippingOptionsPanelTest, FeesTypedInTheSellersLocaleAreStoredLocaleIndependently)
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    auto options = std::make_shared<QMItemShippingOptions>();
    options->addDomesticShippingServiceWithID(kUPSGround, QStringLiteral("12.50"), false, QStringLiteral("0"));
    options->setUsesCalculatedShippingInternational(true);
    auto panel = makePanel(options);

    auto* fee = panel->findChild<QLineEdit*>(QStringLiteral("domesticFeeField0"));
    EXPECT_EQ(fee->text(), QStringLiteral("12,50"));
    fee->clear();
    QTest::keyClicks(fee, QStringLiteral("4,90"));
    panel->findChild<QCheckBox*>(QStringLiteral("domesticAdditionalFeeCheckbox0"))->setChecked(true);
    auto* additional = panel->findChild<QLineEdit*>(QStringLiteral("domesticAdditionalFeeField0"));
    additional->clear();
    QTest::keyClicks(additional, QStringLiteral("1.234,5"));
    auto* handling = panel->findChild<QLineEdit*>(QStringLiteral("packagingHandlingCostsInternationalField"));
    handling->clear();
    QTest::keyClicks(handling, QStringLiteral("2,5"));
    auto* weight = panel->findChild<QLineEdit*>(QStringLiteral("packagePoundsField"));
    weight->clear();
    QTest::keyClicks(weight, QStringLiteral("0,75"));

    const auto gathered = panel->gatheredCurrentOptions();
    EXPECT_EQ(gathered->feeForDomesticShippingServiceAtIndex(0), QStringLiteral("4.90"));
    EXPECT_EQ(gathered->additionalFeeForDomesticShippingServiceAtIndex(0), QStringLiteral("1234.50"));
    EXPECT_EQ(gathered->packagingHandlingCostsInternational(), QStringLiteral("2.50"));
    EXPECT_EQ(gathered->packagePounds(), QStringLiteral("0.75"));
    QLocale::setDefault(saved);
}

TEST_F(ShippingOptionsPanelTest, DiscountGroupsHeadTheirIndentedProfiles)
{
    m_flatProfiles = {{QStringLiteral("Flat discounts"),
                       QVariantList{profile("Save 2 on each extra item", "17"), profile("Free from 3 items", "18")}},
                      {QStringLiteral("Promotions"), QVariantList{profile("Summer", "30")}}};
    auto options = std::make_shared<QMItemShippingOptions>();
    options->setDomesticShippingDiscountProfileID(QStringLiteral("18"));
    auto panel = makePanel(options);
    EXPECT_TRUE(panel->canSelectDomesticShippingDiscount());
    EXPECT_TRUE(panel->canSelectInternationalShippingDiscount());

    auto* popup = panel->findChild<QComboBox*>(QStringLiteral("domesticShippingDiscountPopup"));
    auto* model = qobject_cast<QStandardItemModel*>(popup->model());
    ASSERT_TRUE(model);
    QStringList titles;
    QList<bool> enabled;
    for (int i = 0; i < popup->count(); ++i) {
        titles << popup->itemText(i);
        enabled << model->item(i)->isEnabled();
    }
    EXPECT_EQ(titles, (QStringList{QStringLiteral("Flat discounts"), QStringLiteral("  Save 2 on each extra item"),
                                   QStringLiteral("  Free from 3 items"), QStringLiteral("Promotions"),
                                   QStringLiteral("  Summer")}));
    EXPECT_EQ(enabled, (QList<bool>{false, true, true, false, true}));
    EXPECT_EQ(popup->currentText(), QStringLiteral("  Free from 3 items"));

    Q_EMIT popup->activated(4);
    EXPECT_EQ(panel->currentShippingOptions()->domesticShippingDiscountProfileID(), QStringLiteral("30"));
    // Calculated shipping has no profiles here, so the pop-up is of no use then.
    panel->findChild<QAbstractButton*>(QStringLiteral("domesticCalculatedRadio"))->click();
    EXPECT_FALSE(panel->canSelectDomesticShippingDiscount());
    EXPECT_FALSE(popup->isEnabled());
}

// The two service tabs are one builder with the list as a parameter: a control of one tab must set
// the values of its own list and leave the other list's alone.
TEST_F(ShippingOptionsPanelTest, EachServicesTabEditsOnlyItsOwnList)
{
    m_flatProfiles = {{QStringLiteral("Flat discounts"), QVariantList{profile("Save 2", "17")}}};
    m_calculatedProfiles = {{QStringLiteral("Calculated discounts"), QVariantList{profile("Heavy items", "40")}}};
    const struct
    {
        QMShippingScope scope;
        const char* prefix;
        const char* handlingField;
    } tabs[] = {{QMShippingScope::Domestic, "domestic", "packagingHandlingCostsField"},
                {QMShippingScope::International, "international", "packagingHandlingCostsInternationalField"}};
    for (const auto& tab : tabs) {
        SCOPED_TRACE(tab.prefix);
        const QMShippingScope other =
            tab.scope == QMShippingScope::Domestic ? QMShippingScope::International : QMShippingScope::Domestic;
        auto panel = makePanel(std::make_shared<QMItemShippingOptions>());
        const auto name = [&](const char* control) -> QString {
            return QLatin1String(tab.prefix) + QLatin1String(control);
        };
        panel->findChild<QAbstractButton*>(name("CalculatedRadio"))->click();
        auto* popup = panel->findChild<QComboBox*>(name("ShippingDiscountPopup"));
        ASSERT_TRUE(popup);
        EXPECT_EQ(popup->itemText(1), QStringLiteral("  Heavy items")) << "the calculated profiles are offered";
        Q_EMIT popup->activated(1);
        auto* handling = panel->findChild<QLineEdit*>(QLatin1String(tab.handlingField));
        handling->clear();
        QTest::keyClicks(handling, QStringLiteral("3"));

        const QMItemShippingOptions& o = *panel->currentShippingOptions();
        EXPECT_TRUE(o.usesCalculatedShipping(tab.scope));
        EXPECT_FALSE(o.usesCalculatedShipping(other));
        EXPECT_EQ(o.shippingDiscountProfileID(tab.scope), QStringLiteral("40"));
        EXPECT_TRUE(o.shippingDiscountProfileID(other).isEmpty());
        EXPECT_EQ(o.packagingHandlingCosts(tab.scope), QStringLiteral("3.00"));
        EXPECT_EQ(o.packagingHandlingCosts(other), QStringLiteral("0"));
        EXPECT_TRUE(panel->canSelectShippingDiscount(tab.scope));
        EXPECT_TRUE(panel->canSelectShippingDiscount(other)) << "flat profiles serve the other tab";
    }
}

TEST_F(ShippingOptionsPanelTest, InsuranceOptionsTakeAFeeOnlyWhenOptionalOrRequired)
{
    auto options = std::make_shared<QMItemShippingOptions>();
    options->setInsuranceOptionInternational(2);
    options->setInsuranceFeeInternational(QStringLiteral("3.50"));
    auto panel = makePanel(options);
    const struct
    {
        const char* popup;
        const char* fee;
    } sides[] = {{"insuranceOptionPopup", "insuranceFeeField"},
                 {"internationalInsuranceOptionPopup", "insuranceFeeInternationalField"}};
    auto* domestic = panel->findChild<QComboBox*>(QLatin1String(sides[0].popup));
    auto* international = panel->findChild<QComboBox*>(QLatin1String(sides[1].popup));
    ASSERT_TRUE(domestic && international);
    EXPECT_EQ(domestic->currentData().toInt(), 0);
    EXPECT_EQ(international->currentData().toInt(), 2) << "the options' own choice is shown";
    EXPECT_EQ(panel->findChild<QLineEdit*>(QLatin1String(sides[1].fee))->text(), QStringLiteral("3.50"));

    for (const auto& side : sides) {
        SCOPED_TRACE(side.popup);
        auto* popup = panel->findChild<QComboBox*>(QLatin1String(side.popup));
        auto* fee = panel->findChild<QLineEdit*>(QLatin1String(side.fee));
        for (const int option : {0, 1, 2, 3}) {
            SCOPED_TRACE(option);
            Q_EMIT popup->activated(popup->findData(option));
            EXPECT_EQ(fee->isEnabled(), option == 1 || option == 2);
        }
        Q_EMIT popup->activated(popup->findData(1));
        fee->setText(QStringLiteral("2.25"));
        Q_EMIT fee->textEdited(fee->text());
    }
    const auto gathered = panel->gatheredCurrentOptions();
    EXPECT_EQ(gathered->insuranceOption(), 1);
    EXPECT_EQ(gathered->insuranceFee(), QStringLiteral("2.25"));
    EXPECT_EQ(gathered->insuranceOptionInternational(), 1);
    EXPECT_EQ(gathered->insuranceFeeInternational(), QStringLiteral("2.25"));
    EXPECT_EQ(options->insuranceOptionInternational(), 2) << "the caller's options stay as they were";
}

TEST_F(ShippingOptionsPanelTest, EachTabSizesTheWindowToItsOwnControls)
{
    auto panel = makePanel(std::make_shared<QMItemShippingOptions>());
    auto* tabs = panel->findChild<QTabWidget*>(QStringLiteral("mainTabView"));
    ASSERT_TRUE(tabs);
    panel->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel.get()));
    QList<QSize> sizes;
    for (int index = 0; index < tabs->count(); ++index) {
        SCOPED_TRACE(index);
        const QRect before = panel->geometry();
        tabs->setCurrentIndex(index);
        const QRect frame = panel->windowFrameForTab(index);
        EXPECT_GE(frame.width(), 500);
        EXPECT_EQ(frame.top(), before.top()) << "the top edge stays";
        EXPECT_LE(std::abs(frame.center().x() - before.center().x()), 1) << "so does the horizontal centre";
        EXPECT_TRUE(QTest::qWaitFor([&] { return panel->geometry() == frame; }, 5000)) << "the window gets there";
        sizes << frame.size();
    }
    EXPECT_NE(sizes.first(), sizes.last()) << "the domestic services need more room than the exclusions";
}

TEST_F(ShippingOptionsPanelTest, ExcludedDestinationsAreCountedAndFiltered)
{
    auto options = std::make_shared<QMItemShippingOptions>();
    options->setExcludeLocations({QStringLiteral("Africa"), QStringLiteral("Asia")});
    auto panel = makePanel(options);
    auto* count = panel->findChild<QLabel*>(QStringLiteral("locationCountField"));
    EXPECT_EQ(count->text(), QMShippingOptionsPanelController::excludedLocationsCountText(2));

    panel->findChild<QLineEdit*>(QStringLiteral("locationFilterField"))->setText(QStringLiteral("euro"));
    auto* table = panel->findChild<QListWidget*>(QStringLiteral("excludeLocationsTableView"));
    ASSERT_GE(table->count(), 1);
    for (int i = 0; i < table->count(); ++i)
        EXPECT_TRUE(table->item(i)->text().contains(QStringLiteral("euro"), Qt::CaseInsensitive));
    table->item(0)->setCheckState(Qt::Checked);
    EXPECT_EQ(panel->excludeLocations().size(), 3);
    EXPECT_EQ(count->text(), QMShippingOptionsPanelController::excludedLocationsCountText(3));
    EXPECT_EQ(panel->gatheredCurrentOptions()->excludeLocations().size(), 3);

    EXPECT_EQ(QMShippingOptionsPanelController::excludedLocationsCountText(0),
              QStringLiteral("No shipping destinations excluded."));
    EXPECT_EQ(QMShippingOptionsPanelController::excludedLocationsCountText(1),
              QStringLiteral("One shipping destination excluded."));
    EXPECT_TRUE(QMShippingOptionsPanelController::excludedLocationsCountText(3).startsWith(QStringLiteral("3 ")));
}

TEST_F(ShippingOptionsPanelTest, SurchargeOnlyForUPSAndFedExOfFlatUSShipping)
{
    auto options = std::make_shared<QMItemShippingOptions>();
    options->addDomesticShippingServiceWithID(kUPSGround, QStringLiteral("5"), false, QStringLiteral("0"));
    options->addDomesticShippingServiceWithID(kUSPSPriority, QStringLiteral("5"), false, QStringLiteral("0"));
    auto panel = makePanel(options);
    EXPECT_TRUE(panel->shippingSurchargeVisible());
    EXPECT_TRUE(panel->surchargeForDomesticServiceAvailable(0));
    EXPECT_FALSE(panel->surchargeForDomesticServiceAvailable(1));
    EXPECT_FALSE(panel->surchargeForDomesticServiceAvailable(2));
    panel->findChild<QCheckBox*>(QStringLiteral("localPickupCheckbox"))->setChecked(true);
    EXPECT_FALSE(panel->surchargeForDomesticServiceAvailable(0));

    auto german = makePanel(std::make_shared<QMItemShippingOptions>(), 100, QStringLiteral("77"));
    EXPECT_FALSE(german->shippingSurchargeVisible());
    EXPECT_EQ(german->weightMayorUnit(), QStringLiteral("kg"));
}

// The sheet as the document and the preferences run it: OK hands back new options, Cancel none,
// and "Save as Default" keeps the options as the site's defaults.
TEST_F(ShippingOptionsPanelTest, RunsModallyAndSavesSiteDefaults)
{
    dw::test::TemporaryXdg xdg;
    auto options = std::make_shared<QMItemShippingOptions>();
    options->addDomesticShippingServiceWithID(kUPSGround, QStringLiteral("7.00"), false, QStringLiteral("0"));
    const auto& sites = QMSiteDescriptionManager::sharedInstance();
    auto run = [&](const char* button) {
        QTimer::singleShot(0, [button] {
            auto* panel = QApplication::activeModalWidget();
            ASSERT_TRUE(panel);
            if (QByteArray(button) == "okButton")
                panel->findChild<QPushButton*>(QStringLiteral("makeDefaultsButton"))->click();
            panel->findChild<QPushButton*>(QString::fromLatin1(button))->click();
        });
        return QMShippingOptionsPanelController::runSheetForWindow(
            nullptr, options, sites.domesticShippingServicesForSiteID(QStringLiteral("3")),
            sites.internationalShippingServicesForSiteID(QStringLiteral("3")), locations(5), false, false,
            QStringLiteral("3"), false, {}, {});
    };
    EXPECT_EQ(run("cancelButton"), nullptr);
    const auto edited = run("okButton");
    ASSERT_TRUE(edited);
    EXPECT_NE(edited, options);
    EXPECT_EQ(edited->idOfDomesticShippingServiceAtIndex(0), kUPSGround);
    const auto defaults = QMPreferencesManager::sharedInstance().defaultShippingOptionsForSiteID(QStringLiteral("3"));
    ASSERT_EQ(defaults->domesticShippingServiceCount(), 1);
    EXPECT_EQ(defaults->feeForDomesticShippingServiceAtIndex(0), QStringLiteral("7.00"));
}

} // namespace
