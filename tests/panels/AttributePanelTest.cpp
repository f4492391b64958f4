// The item-specifics sheet on the film-camera category of specifics.json (three attribute sets,
// three suggested custom specifics), with eBay's recommendations from the fake Trading API.

#include "DWEBay2/DWEbayConnector.h"
#include "DWKit/QMLogManager.h"
#include "DWKit/widgets/NSView+DWExtensions.h"
#include "Operations/QMOperationManager.h"
#include "model/QMAccountDataSource.h"
#include "model/QMEbayAttributeValue.h"
#include "model/QMEbayItem.h"
#include "panels/QMAttributePanelController.h"
#include "specifics/QMAttributeSetView.h"
#include "specifics/QMCheckboxAttributeViewController.h"
#include "specifics/QMCustomSpecificViewController.h"
#include "specifics/QMCustomSpecificsView.h"
#include "specifics/QMTextFieldAttributeViewController.h"

#include "tests/support/ScriptedAlertPresenter.h"
#include "tests/support/TemporaryXdg.h"
#include "tests/support/ebay/FakeConnectors.h"
#include "tests/support/ebay/FakeTradingApi.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

const QStringList kSetIDs{QStringLiteral("1785"), QStringLiteral("9999"), QStringLiteral("2040"),
                          QStringLiteral("3010")};

class Accounts final : public QMAccountDataSource
{
public:
    explicit Accounts(QString account) : m_account(std::move(account)) {}
    QString defaultAccountID() const override { return m_account; }
    QString tokenForAccountID(const QString&) const override { return QStringLiteral("secret-token"); }
    QString payPalAddressForAccountID(const QString&) const override { return QString(); }

private:
    QString m_account;
};

QStringList tabTitles(const QTabWidget* tabs)
{
    QStringList titles;
    for (int i = 0; i < tabs->count(); ++i)
        titles.append(tabs->tabText(i));
    return titles;
}

QVariant stored(const char* identifier, const char* name)
{
    return dw::archiveValue(
        std::make_shared<QMEbayAttributeValue>(QString::fromUtf8(identifier), QString::fromUtf8(name)));
}

class AttributePanel : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString made = QStringLiteral(DW_SPECIFICS_TEST_STORES);
        QDir().mkpath(SQCategoriesDatabase::categoriesFolderPathNoFolderCreation());
        QDir().mkpath(SQAttributesDatabase::attributesFolderPathNoFolderCreation());
        ASSERT_TRUE(QFile::copy(made + QStringLiteral("/Categories.site0.sqlite"),
                                SQCategoriesDatabase::storePathForSiteID(0)));
        ASSERT_TRUE(QFile::copy(made + QStringLiteral("/Attributes.site0.sqlite"),
                                SQAttributesDatabase::storePathForSiteID(0)));
        categories = std::make_shared<SQCategoriesDatabase>(0);
        attributes = std::make_shared<SQAttributesDatabase>(0);
        ASSERT_TRUE(categories->isOpen() && attributes->isOpen());
        item->setUniqueID(QStringLiteral("listing-1"));
        item->setTitle(QStringLiteral("Canon AE-1 Program"));
        item->setCategory(15230);
    }

    // The sheet as runSheetForWindow() makes it, without running it.
    std::unique_ptr<QMAttributePanelController>
    sheet(const std::optional<QVariantMap>& custom, const QVariantMap& values = {},
          std::optional<QList<SQItemSpecificPtr>> suggestions = std::nullopt)
    {
        auto made = std::make_unique<QMAttributePanelController>();
        made->setCurrentValues(values);
        made->setCharacteristicSetIDs(kSetIDs);
        made->setAttributesDataBase(attributes);
        made->setCategoriesDataBase(categories);
        made->setSuggestedSpecifics(suggestions ? suggestions : categorySuggestions());
        made->setInitialItemSpecifics(custom);
        made->setItems({item});
        made->awakeFromNib();
        return made;
    }
    QList<SQItemSpecificPtr> categorySuggestions()
    {
        return categories->sortedItemSpecificsForFirstCategoryID(15230, 0);
    }
    static QMAttributeSetView* setView(QMAttributePanelController& panel, int tab)
    {
        return dw::firstSubviewOfClass<QMAttributeSetView>(panel.tabView()->widget(tab));
    }
    // OK pressed; the alert it showed (empty when none) and whether the sheet ended.
    QString pressOK(QMAttributePanelController& panel)
    {
        alerts.clear();
        panel.doOK();
        return alerts.alerts().isEmpty()
                   ? QString()
                   : alerts.alerts().first().messageText + u'|' + alerts.alerts().first().informativeText;
    }

    dw::test::TemporaryXdg xdg;
    dw::test::ScriptedAlertPresenter alerts;
    std::shared_ptr<SQCategoriesDatabase> categories;
    std::shared_ptr<SQAttributesDatabase> attributes;
    std::shared_ptr<QMEbayItem> item = std::make_shared<QMEbayItem>();
};

} // namespace

TEST_F(AttributePanel, CustomTabFirstThenATabPerKnownSet)
{
    const auto panel = sheet(QVariantMap{{QStringLiteral("Brand"), QStringLiteral("Canon")}});
    EXPECT_TRUE(alerts.alerts().isEmpty());
    // The unknown set 9999 has no tab; "&" in a set's name stays a word.
    EXPECT_EQ(tabTitles(panel->tabView()),
              QStringList({"Custom Details", "Film Cameras", "Film && Accessories", "Item Condition"}));
    EXPECT_EQ(panel->tabView()->widget(1)->findChild<QLabel*>(QStringLiteral("attributeCountLabel"))->text(),
              QStringLiteral("Item specifics in this set: 5, required (marked *): 1"));
    EXPECT_EQ(panel->selectedItemSpecifics(),
              QVariant(QVariantMap{{QStringLiteral("Brand"), QStringLiteral("Canon")}}));

    // A listing that may not use custom specifics has only set tabs, and no custom result.
    auto noCustom = std::make_unique<QMAttributePanelController>();
    noCustom->setCharacteristicSetIDs(kSetIDs);
    noCustom->setAttributesDataBase(attributes);
    noCustom->awakeFromNib();
    EXPECT_EQ(noCustom->tabView()->count(), 3);
    EXPECT_FALSE(noCustom->selectedItemSpecifics().isValid());
    EXPECT_EQ(noCustom->specificsView(), nullptr);
    EXPECT_TRUE(noCustom->recommendationsButton()->isVisibleTo(noCustom.get()))
        << "eBay's suggestions can be asked for without the custom tab";
    EXPECT_TRUE(panel->recommendationsButton()->isVisibleTo(panel.get()));
}

TEST_F(AttributePanel, AsksBeforeAddingSuggestionsToAListingWithoutCustomSpecifics)
{
    struct Row
    {
        const char* name;
        std::optional<QVariantMap> custom;
        int answer;
        int rows;
        int questions;
    };
    const Row rows[] = {
        {"none stored, suggestions accepted", std::nullopt, 0, 3, 1},
        {"emptied earlier, suggestions declined", QVariantMap(), 1, 0, 1},
        {"stored specifics: no question", QVariantMap{{QStringLiteral("Shutter"), QStringLiteral("Cloth")}}, 0, 1, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        alerts.clear();
        alerts.answer(row.answer);
        const auto panel = sheet(row.custom);
        ASSERT_EQ(alerts.alerts().size(), row.questions);
        if (row.questions) {
            EXPECT_EQ(alerts.alerts().first().messageText, QStringLiteral("Add Suggested Specifics"));
            EXPECT_EQ(alerts.alerts().first().informativeText,
                      QStringLiteral("There are no custom specifics added to your item. Do you want to add the 3 "
                                     "specifics suggested by eBay for this category?"));
            EXPECT_EQ(alerts.alerts().first().buttons, QStringList({"Add Suggestions", "Don\u2019t Add"}));
        }
        EXPECT_EQ(panel->specificsView()->specificControllers().size(), row.rows);
    }
    // An empty list of suggestions still gives the tab, and no question.
    alerts.clear();
    const auto empty = sheet(std::nullopt, {}, QList<SQItemSpecificPtr>());
    EXPECT_TRUE(alerts.alerts().isEmpty());
    EXPECT_EQ(tabTitles(empty->tabView()).first(), QStringLiteral("Custom Details"));
}

TEST_F(AttributePanel, OkReportsTheFirstProblemAndSelectsItsTab)
{
    const auto panel = sheet(QVariantMap{{QStringLiteral("Country of Manufacture"), QString()},
                                         {QStringLiteral("country of manufacture"), QStringLiteral("Japan")}});
    auto* custom = panel->specificsView();

    // Custom rows come first, whatever tab is shown; names differing in case are two names.
    panel->tabView()->setCurrentIndex(2);
    EXPECT_EQ(pressOK(*panel),
              QStringLiteral("Item Detail Error|Please enter a value for the detail Country of Manufacture."));
    EXPECT_EQ(panel->tabView()->currentIndex(), 0);
    EXPECT_NE(panel->result(), QDialog::Accepted);
    custom->specificViewControllerForSpecific(QStringLiteral("Country of Manufacture"))->setValue(QStringLiteral("JP"));

    custom->specificPopupAction(QStringLiteral("Other"));
    custom->specificPopupAction(QStringLiteral("Other"));
    custom->specificControllers().at(2)->setValue(QStringLiteral("a"));
    custom->specificControllers().at(3)->setValue(QStringLiteral("b"));
    EXPECT_EQ(pressOK(*panel), QStringLiteral("Item Detail Error|Item detail Other is used more than once. Please "
                                              "remove all but one instance."));
    custom->specificControllers().at(3)->setSpecificName(QString());
    EXPECT_EQ(pressOK(*panel), QStringLiteral("Item Detail Error|Please enter a name for your custom item detail."));
    custom->specificControllers().at(3)->setSpecificName(QStringLiteral("Strap"));

    // Errors on three set tabs: the first in tab order is reported, one at a time.
    auto* features =
        qobject_cast<QMCheckboxAttributeViewController*>(setView(*panel, 1)->controllerForAttributeWithID(13));
    for (int row = 0; row < 3; ++row)
        features->buttonForRow(row)->click();
    qobject_cast<QMTextFieldAttributeViewController*>(setView(*panel, 2)->controllerForAttributeWithID(21))
        ->textField()
        ->setText(QStringLiteral("12"));
    panel->tabView()->setCurrentIndex(3);
    EXPECT_EQ(pressOK(*panel), QStringLiteral("Attribute Validation Error|For the attribute \u201cFeatures\u201d, "
                                              "please don\u2019t select more than 2 values."));
    EXPECT_EQ(panel->tabView()->currentIndex(), 1);
    features->buttonForRow(0)->click();
    EXPECT_EQ(pressOK(*panel),
              QStringLiteral("Attribute Validation Error|For the attribute \u201cFilm Speed (ISO)\u201d, "
                             "please select a value between 25 and 3200."));
    EXPECT_EQ(panel->tabView()->currentIndex(), 2);
    qobject_cast<QMTextFieldAttributeViewController*>(setView(*panel, 2)->controllerForAttributeWithID(21))
        ->textField()
        ->setText(QStringLiteral("400"));
    EXPECT_EQ(
        pressOK(*panel),
        QStringLiteral("Attribute Validation Error|Please select a value for the attribute \u201cCondition\u201d."));
    EXPECT_EQ(panel->tabView()->currentIndex(), 3);

    qobject_cast<QMCheckboxAttributeViewController*>(setView(*panel, 3)->controllerForAttributeWithID(30))
        ->buttonForRow(1)
        ->click();
    EXPECT_EQ(pressOK(*panel), QString());
    EXPECT_EQ(panel->result(), QDialog::Accepted);
}

TEST_F(AttributePanel, ValidationMessagesByRuleType)
{
    const auto panel = sheet(QVariantMap());
    const auto rule = [this](qint64 setID, qint64 attributeID) {
        const auto attribute =
            attributes->attributeWithIdentifier(attributeID, attributes->attributeSetWithIdentifier(setID));
        return std::pair{attribute, attribute->validationRules().first()};
    };
    struct Row
    {
        qint64 setID;
        qint64 attributeID;
        const char* message;
    };
    const Row rows[] = {
        {3010, 31,
         "For the attribute \u201cCondition Notes\u201d, please enter a value with not more than 80 characters."},
        {2040, 21, "For the attribute \u201cFilm Speed (ISO)\u201d, please select a value between 25 and 3200."},
        {1785, 13, "For the attribute \u201cFeatures\u201d, please don\u2019t select more than 2 values."},
        {5005, 55, "Error while validating attribute \u201cText field\u201d (12)."},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message);
        const auto [attribute, failed] = rule(row.setID, row.attributeID);
        panel->diplayValidationErrorPanelForAttribute(attribute, failed);
        EXPECT_EQ(alerts.alerts().last().messageText, QStringLiteral("Attribute Validation Error"));
        EXPECT_EQ(alerts.alerts().last().informativeText, QString::fromUtf8(row.message));
        EXPECT_EQ(alerts.alerts().last().buttons, QStringList{"OK"});
    }
}

TEST_F(AttributePanel, ResultHoldsTheSetsWithValuesAndTheStoreVersion)
{
    const QVariantMap values{
        {QStringLiteral("1785"),
         QVariantMap{
             {QStringLiteral("version"), QStringLiteral("7")},
             {QStringLiteral("values"), QVariantMap{{QStringLiteral("10"), QVariantList{stored("102", "Rangefinder")}},
                                                    {QStringLiteral("14"), QVariantList{stored("0", "3958221")}}}}}}};
    const auto panel = sheet(QVariantMap{{QStringLiteral("Brand"), QStringLiteral("Canon")}}, values);
    const QVariantMap result = panel->selectedAttributeValues();
    // Attributes that report empty lists (the dates of "Film & Accessories", the unticked radio
    // buttons of "Item Condition") still put their set into the result.
    EXPECT_EQ(result.keys(), QStringList({"1785", "2040", "3010"}));
    for (const QVariant& set : result)
        EXPECT_EQ(set.toMap().value(QStringLiteral("version")), QVariant(QStringLiteral("42")));
    const QVariantMap cameras = result.value(QStringLiteral("1785")).toMap().value(QStringLiteral("values")).toMap();
    EXPECT_EQ(cameras.keys(), QStringList({"10", "11", "13", "14"}));
    const auto type =
        dw::archivedObjectCast<QMEbayAttributeValue>(cameras.value(QStringLiteral("10")).toList().first());
    EXPECT_EQ(type->identifier(), QStringLiteral("102"));
    const auto mount =
        dw::archivedObjectCast<QMEbayAttributeValue>(cameras.value(QStringLiteral("11")).toList().first());
    EXPECT_EQ(mount->name(), QStringLiteral("Leica M"));
}

TEST_F(AttributePanel, CancelLeavesTheListingUntouched)
{
    QWidget window;
    window.show();
    // A valid listing: its one required attribute has a value.
    const QVariantMap values{{QStringLiteral("3010"),
                              QVariantMap{{QStringLiteral("values"),
                                           QVariantMap{{QStringLiteral("30"), QVariantList{stored("302", "Used")}}}}}}};
    const auto run = [&](const char* button, QVariant* custom) {
        // Runs once the sheet's own event loop turns.
        QTimer::singleShot(0, &window, [this, &window, button] {
            auto* open = window.findChild<QMAttributePanelController*>();
            ASSERT_TRUE(open && open->isVisible());
            open->findChild<QPushButton*>(QLatin1String(button))->click();
            if (open->isVisible()) {
                ADD_FAILURE() << "the sheet stays open: " << alerts.titles().join(u',').toStdString();
                open->reject();
            }
        });
        return QMAttributePanelController::runSheetForWindow(
            &window, values, kSetIDs, attributes, categories, 0, categorySuggestions(),
            QVariantMap{{QStringLiteral("Brand"), QStringLiteral("Canon")}}, custom, {item});
    };
    QVariant custom(QStringLiteral("untouched"));
    EXPECT_FALSE(run("cancelButton", &custom).has_value());
    EXPECT_EQ(custom, QVariant(QStringLiteral("untouched")));

    // OK with nothing changed gives the stored selection rebuilt from the controls.
    const auto result = run("okButton", &custom);
    ASSERT_TRUE(result.has_value());
    const QVariantMap condition = result->value(QStringLiteral("3010")).toMap().value(QStringLiteral("values")).toMap();
    EXPECT_EQ(condition.keys(), QStringList({"30", "31"}));
    EXPECT_EQ(
        dw::archivedObjectCast<QMEbayAttributeValue>(condition.value(QStringLiteral("30")).toList().first())->name(),
        QStringLiteral("Used"));
    EXPECT_EQ(custom, QVariant(QVariantMap{{QStringLiteral("Brand"), QStringLiteral("Canon")}}));
}

TEST_F(AttributePanel, RecommendationsFromEbayBecomeRows)
{
    dw::test::FakeTradingApi ebay;
    ebay.setReply(QStringLiteral("GetItemRecommendations"),
                  R"(<?xml version="1.0" encoding="UTF-8"?><GetItemRecommendationsResponse )"
                  R"(xmlns="urn:ebay:apis:eBLBaseComponents"><Ack>Success</Ack><GetRecommendationsResponseContainer>)"
                  "<Recommendations><CategoryID>15230</CategoryID><NameRecommendation><Name>Size</Name>"
                  "<ValueRecommendation><Value>S</Value></ValueRecommendation>"
                  "<ValueRecommendation><Value>M</Value></ValueRecommendation></NameRecommendation>"
                  "<NameRecommendation><Name>Brand</Name><ValueRecommendation><Value>Pentax</Value>"
                  "</ValueRecommendation></NameRecommendation></Recommendations>"
                  "</GetRecommendationsResponseContainer></GetItemRecommendationsResponse>");
    QMLogManager::resetSharedInstance();
    auto connectors = std::make_shared<dw::test::FakeConnectors>(ebay.url());
    QMOperationManager::sharedQMOperationManager()->setDelegate(connectors);

    const auto panel = sheet(QVariantMap{{QStringLiteral("Brand"), QStringLiteral("Canon")}});
    // Without an account nothing is asked.
    panel->getCurrentSpecifics();
    EXPECT_EQ(alerts.titles(), QStringList{"Authorization required"});

    QMAccountDataSource::install(std::make_shared<Accounts>(QStringLiteral("seller")));
    QList<bool> running;
    QObject::connect(panel.get(), &QMAttributePanelController::recommendationsOperationRunningChanged,
                     [&running](bool on) { running.append(on); });
    panel->recommendationsButton()->click();
    const bool arrived = QTest::qWaitFor(
        [&] { return panel->specificsView()->specificViewControllerForSpecific(QStringLiteral("Size")); }, 10000);
    QMAccountDataSource::install(nullptr);
    ASSERT_TRUE(arrived);

    const auto sent = ebay.requests(QStringLiteral("GetItemRecommendations"));
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_TRUE(sent.at(0).xml.contains("<CategoryID>15230</CategoryID>"));
    EXPECT_EQ(running, QList<bool>({true, false}));
    EXPECT_FALSE(panel->recommendationsOperationRunning());
    EXPECT_EQ(panel->selectedItemSpecifics(), QVariant(QVariantMap{{QStringLiteral("Brand"), QStringLiteral("Canon")},
                                                                   {QStringLiteral("Size"), QStringLiteral("S")}}));

    // A failed request says so; the rows stay as they were.
    ebay.setReply(QStringLiteral("GetItemRecommendations"),
                  R"(<?xml version="1.0" encoding="UTF-8"?><GetItemRecommendationsResponse )"
                  R"(xmlns="urn:ebay:apis:eBLBaseComponents"><Ack>Failure</Ack><Errors><ShortMessage>No title.)"
                  "</ShortMessage><LongMessage>The listing has no title.</LongMessage><ErrorCode>37</ErrorCode>"
                  "<SeverityCode>Error</SeverityCode></Errors></GetItemRecommendationsResponse>");
    alerts.clear();
    QMAccountDataSource::install(std::make_shared<Accounts>(QStringLiteral("seller")));
    panel->getCurrentSpecifics();
    const bool reported = QTest::qWaitFor([&] { return !alerts.alerts().isEmpty(); }, 10000);
    QMAccountDataSource::install(nullptr);
    ASSERT_TRUE(reported);
    EXPECT_EQ(alerts.titles(), QStringList{"eBay could not suggest item details"});
    EXPECT_TRUE(alerts.alerts().first().informativeText.contains(QStringLiteral("no title")));
    EXPECT_EQ(panel->specificsView()->specificControllers().size(), 2);
    EXPECT_FALSE(panel->recommendationsOperationRunning());

    QMOperationManager::sharedQMOperationManager()->singleThreadedOperationQueue().waitUntilAllOperationsAreFinished();
    QMLogManager::resetSharedInstance();
}
