// The settings pane's presenter on a bare pane, without a document or a window: the listing's
// changes show in the pane, the seller's edits go into the listing (and only those), and the
// pane's choices are the business rules' for the listing's site and categories.

#include "../model/FakeCategoryData.h"

#include "model/QMApplicationDefaults.h"
#include "model/QMEBayBussinessLogic.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayItem.h"
#include "model/QMItemShippingOptions.h"
#include "model/QMPreferencesManager.h"
#include "model/QMSiteDescriptionManager.h"
#include "platform/core/UserDefaults.h"
#include "shell/QMBSettingsPane.h"
#include "shell/QMBSettingsPaneController.h"
#include "shell/QMPreferencesManager+QMBExtensions.h"
#include "tests/support/TemporaryXdg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QSignalSpy>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTest>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>

namespace {

constexpr int kGoodTilCancelled = 1000;

class SettingsPaneController : public ::testing::Test
{
protected:
    SettingsPaneController()
    {
        EXPECT_TRUE(registerApplicationDefaults(dw::UserDefaults::standard()));
        // Site 0's categories: two with conditions that overlap in "New", one without any.
        m_categories->addCategory(
            0, categoryWithConditions(10, {{condition(1000, "New", 0), condition(3000, "Used", 2)}}));
        m_categories->addCategory(
            0, categoryWithConditions(20, {{condition(1500, "New other", 1), condition(1000, "New", 0)}}));
        m_categories->addCategory(0, categoryWithConditions(30, std::nullopt));
        m_item = newItem();
        m_controller.setItem(m_item);
        m_controller.connectSettingsPane();
        m_controller.updateInterfaceForItem();
        m_item->setWasChanged(false);
    }

    static std::shared_ptr<QMEbayItem> newItem()
    {
        return QMBPreferences::standardEbayItemPlain(QMPreferencesManager::sharedInstance());
    }

    static QList<QVariant> tags(const QComboBox* popup)
    {
        QList<QVariant> all;
        for (int i = 0; i < popup->count(); ++i)
            all << popup->itemData(i);
        return all;
    }
    static QStringList texts(const QComboBox* popup)
    {
        QStringList all;
        for (int i = 0; i < popup->count(); ++i)
            all << popup->itemText(i);
        return all;
    }
    static QStringList optionIDs(const QListWidget* list)
    {
        QStringList ids;
        for (int i = 0; i < list->count(); ++i)
            ids << list->item(i)->data(Qt::UserRole).toString();
        return ids;
    }
    static QStringList optionIDs(const QVariantList& options)
    {
        QStringList ids;
        for (const QVariant& option : options)
            ids << option.toMap().value(QStringLiteral("OptionID")).toString();
        return ids;
    }
    // The seller picks the entry with the tag, as a click in the pop-up does.
    static void choose(QComboBox* popup, const QVariant& tag)
    {
        const int index = popup->findData(tag);
        ASSERT_GE(index, 0) << tag.toString().toStdString();
        popup->setCurrentIndex(index);
        Q_EMIT popup->activated(index);
    }
    QString siteServiceID(qsizetype index) const
    {
        return QMSiteDescriptionManager::sharedInstance()
            .domesticShippingServicesForSiteID(QString::number(m_item->siteID()))
            .value(index)
            .toMap()
            .value(QStringLiteral("ServiceID"))
            .toString();
    }

    dw::test::TemporaryXdg m_xdg;
    ScopedCategoryData m_categories;
    QMBSettingsPane m_pane;
    QMBSettingsPaneController m_controller{&m_pane};
    std::shared_ptr<QMEbayItem> m_item;
};

} // namespace

TEST_F(SettingsPaneController, ListingChangesShowInThePaneWithoutComingBack)
{
    QMBSettingsPane& pane = m_pane;
    m_item->setCategory(10);
    m_controller.updateInterfaceAfterCategoryChange();
    const struct
    {
        const char* name;
        std::function<void(QMEbayItem&)> change;
        std::function<void()> expect;
    } rows[] = {
        {"title", [](QMEbayItem& item) { item.setTitle(QStringLiteral("Brass lamp")); },
         [&] { EXPECT_EQ(pane.titleLineEdit->text(), QStringLiteral("Brass lamp")); }},
        // The spin box cannot show 0; what it shows must not go back into the listing.
        {"no quantity", [](QMEbayItem& item) { item.setQuantity(0); },
         [&] {
             EXPECT_EQ(pane.quantitySpinBox->value(), 1);
             EXPECT_EQ(m_item->quantity(), 0);
         }},
        {"buy it now", [](QMEbayItem& item) { item.setBuyItNow(true); },
         [&] {
             EXPECT_TRUE(pane.buyItNowCheckBox->isChecked());
             EXPECT_TRUE(pane.buyItNowLineEdit->isEnabled());
         }},
        {"product",
         [](QMEbayItem& item) {
             item.setProductID(QStringLiteral("99"));
             item.setPrefilledProductTitle(QStringLiteral("Desk lamp"));
         },
         [&] {
             EXPECT_EQ(pane.productField->text(), QStringLiteral("Desk lamp"));
             EXPECT_TRUE(pane.removeProductButton->isEnabled());
         }},
        {"condition", [](QMEbayItem& item) { item.setConditionID(3000); },
         [&] { EXPECT_EQ(pane.conditionPopup->currentText(), QStringLiteral("Used")); }},
        {"duration", [](QMEbayItem& item) { item.setDuration(kGoodTilCancelled); },
         [&] { EXPECT_EQ(pane.durationPopup->currentData().toInt(), kGoodTilCancelled); }},
        {"counter", [](QMEbayItem& item) { item.setCounterType(2); },
         [&] { EXPECT_EQ(pane.counterTypePopup->currentData().toInt(), 2); }},
        {"shipping",
         [](QMEbayItem& item) {
             auto options = std::make_shared<QMItemShippingOptions>();
             options->setLocalPickupOnly(true);
             item.setShippingOptions(options);
         },
         [&] {
             EXPECT_EQ(pane.shippingOptionsTabView->currentIndex(), 1);
             EXPECT_EQ(pane.shippingSummaryField->text(), m_item->shippingOptions()->summary());
         }},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        row.change(*m_item);
        row.expect();
    }
    EXPECT_EQ(m_item->title(), QStringLiteral("Brass lamp")) << "filling the pane wrote nothing back";
    EXPECT_EQ(m_item->conditionID(), 3000);
    EXPECT_EQ(m_item->duration(), kGoodTilCancelled);
}

TEST_F(SettingsPaneController, ANewListingIsFollowedInPlaceOfTheOld)
{
    const auto old = m_item;
    m_item = newItem();
    m_controller.setItem(m_item);
    m_controller.updateInterfaceForItem();

    old->setTitle(QStringLiteral("Old title"));
    EXPECT_NE(m_pane.titleLineEdit->text(), QStringLiteral("Old title"));
    m_item->setTitle(QStringLiteral("New title"));
    EXPECT_EQ(m_pane.titleLineEdit->text(), QStringLiteral("New title"));

    // The seller's edits go to the listing shown.
    m_pane.titleLineEdit->selectAll();
    QTest::keyClicks(m_pane.titleLineEdit, QStringLiteral("Typed"));
    EXPECT_EQ(m_item->title(), QStringLiteral("Typed"));
    EXPECT_EQ(old->title(), QStringLiteral("Old title"));
}

TEST_F(SettingsPaneController, TheSellersEditsGoIntoTheListing)
{
    QMBSettingsPane& pane = m_pane;
    m_item->setCategory(10);
    m_controller.updateInterfaceAfterCategoryChange();
    const QString firstService = siteServiceID(0);
    ASSERT_FALSE(firstService.isEmpty());
    m_item->setShippingOptions(std::make_shared<QMItemShippingOptions>());
    const struct
    {
        const char* name;
        std::function<void()> edit;
        std::function<void()> expect;
        bool marksChanged; // besides what the listing's own observers make of the change
    } rows[] = {
        {"title typed",
         [&] {
             pane.titleLineEdit->clear();
             QTest::keyClicks(pane.titleLineEdit, QStringLiteral("Lamp"));
         },
         [&] { EXPECT_EQ(m_item->title(), QStringLiteral("Lamp")); }, false},
        {"quantity", [&] { pane.quantitySpinBox->setValue(4); },
         [&] {
             EXPECT_EQ(m_item->quantity(), 4);
             EXPECT_TRUE(m_item->useQuantity());
         },
         false},
        {"condition", [&] { choose(pane.conditionPopup, 1000); }, [&] { EXPECT_EQ(m_item->conditionID(), 1000); },
         false},
        {"duration", [&] { choose(pane.durationPopup, kGoodTilCancelled); },
         [&] { EXPECT_EQ(m_item->duration(), kGoodTilCancelled); }, false},
        {"counter", [&] { choose(pane.counterTypePopup, 3); }, [&] { EXPECT_EQ(m_item->counterType(), 3); }, true},
        {"payment option",
         [&] {
             ASSERT_GT(pane.paymentOptionsTableView->count(), 0);
             pane.paymentOptionsTableView->item(0)->setCheckState(Qt::Checked);
         },
         [&] {
             EXPECT_EQ(m_item->paymentOptions(), QStringList{optionIDs(m_controller.allowedPaymentOptions()).first()});
         },
         false},
        {"domestic shipping on", [&] { pane.domesticShippingCheckBox->setChecked(true); },
         [&] {
             const auto options = m_item->shippingOptions();
             ASSERT_EQ(options->domesticShippingServiceCount(), 1);
             EXPECT_EQ(options->idOfDomesticShippingServiceAtIndex(0), firstService);
             EXPECT_TRUE(pane.domesticShippingFeeLineEdit->isEnabled());
         },
         true},
        {"domestic fee",
         [&] {
             pane.domesticShippingFeeLineEdit->setText(QStringLiteral("3.5"));
             Q_EMIT pane.domesticShippingFeeLineEdit->editingFinished();
         },
         [&] {
             const QString fee = QMEbayItem::formatMoneyValue(QStringLiteral("3.5")).toString();
             EXPECT_EQ(m_item->shippingOptions()->feeForDomesticShippingServiceAtIndex(0), fee);
             EXPECT_EQ(pane.domesticShippingFeeLineEdit->text(), fee);
         },
         true},
        {"domestic shipping off", [&] { pane.domesticShippingCheckBox->setChecked(false); },
         [&] {
             EXPECT_EQ(m_item->shippingOptions()->domesticShippingServiceCount(), 0);
             EXPECT_FALSE(pane.domesticShippingFeeLineEdit->isEnabled());
         },
         true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        m_item->setWasChanged(false);
        QSignalSpy marked(&m_controller, &QMBSettingsPaneController::listingMarkedChanged);
        row.edit();
        row.expect();
        EXPECT_EQ(!marked.isEmpty(), row.marksChanged);
        EXPECT_EQ(m_item->wasChanged(), row.marksChanged);
    }
}

TEST_F(SettingsPaneController, ChoicesAreTheBusinessRulesForSiteAndCategories)
{
    auto gallery = std::make_shared<QMEbayImage>();
    gallery->setIsURLBased(true);
    gallery->setImageURL(QStringLiteral("https://pictures.example/lamp.jpg"));
    gallery->setIsGalleryImage(true);
    const struct
    {
        const char* name;
        int site;
        int category;
        int category2;
        bool galleryPicture;
        QStringList conditions; // the pop-up's entries
    } rows[] = {
        {"one category", 0, 10, 0, false, {"Do not use", "", "New", "Used"}},
        {"both categories offer New", 0, 10, 20, true, {"Do not use", "", "New"}},
        {"a category without conditions", 0, 30, 0, false, {"Not available"}},
        {"site 3 with a gallery picture", 3, 0, 0, true, {"Not available"}},
        {"site 77", 77, 0, 0, false, {"Not available"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        m_item->setSiteID(row.site);
        m_item->setCategory(row.category);
        m_item->setCategory2(row.category2);
        m_item->setImages(row.galleryPicture ? QList<std::shared_ptr<QMEbayImage>>{gallery}
                                             : QList<std::shared_ptr<QMEbayImage>>{});
        m_controller.updateInterfaceForItem();

        EXPECT_EQ(texts(m_pane.conditionPopup), row.conditions);
        EXPECT_EQ(m_pane.conditionPopup->isEnabled(), row.conditions.size() > 1);
        const QStringList upgrades = optionIDs(QMEBayBussinessLogic::allowedListingEnhancementsForItem(*m_item));
        EXPECT_EQ(optionIDs(m_pane.listingEnhancementsTableView), upgrades);
        EXPECT_EQ(optionIDs(m_controller.allowedListingEnhancements()), upgrades);
        const QStringList payments = optionIDs(QMEBayBussinessLogic::allowedPaymentOptionsForItem(*m_item));
        EXPECT_FALSE(payments.isEmpty());
        EXPECT_EQ(optionIDs(m_pane.paymentOptionsTableView), payments);

        // The site's durations by day count, "Good 'Til Cancelled" last; the listing's is chosen.
        QList<QVariant> durations;
        bool goodTilCancelled = false;
        for (const QString& key :
             QMSiteDescriptionManager::sharedInstance().itemDurationForSiteID(QString::number(row.site)).keys()) {
            if (key == QLatin1String("GTC"))
                goodTilCancelled = true;
            else
                durations << key.toInt();
        }
        std::sort(durations.begin(), durations.end(),
                  [](const QVariant& a, const QVariant& b) { return a.toInt() < b.toInt(); });
        if (goodTilCancelled)
            durations << kGoodTilCancelled;
        ASSERT_FALSE(durations.isEmpty());
        EXPECT_EQ(tags(m_pane.durationPopup), durations);
        EXPECT_EQ(m_pane.durationPopup->currentData(), QVariant(m_item->duration()));

        EXPECT_EQ(m_pane.currencyField->text(),
                  QMSiteDescriptionManager::sharedInstance().currencyNameForCurrencyID(m_item->currency(), row.site));
    }
}

TEST_F(SettingsPaneController, ADurationTheSiteDoesNotOfferFallsBackAndShows)
{
    // Site 0 offers 1, 3, 5, 7, 10 and 30 days and "Good 'Til Cancelled", not 2 or 4 days.
    const struct
    {
        const char* name;
        int preferred; // the preferences' default duration
        int duration;  // what the listing gets
    } rows[] = {
        {"the default duration", 7, 7},
        {"the first one when the default is not offered either", 2, 1},
    };
    auto& preferences = QMPreferencesManager::sharedInstance();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        preferences.setDefaultAuctionDuration(row.preferred);
        m_item->setDuration(4);
        m_controller.updateDurationPopupForItem(m_item);
        EXPECT_EQ(m_item->duration(), row.duration);
        EXPECT_EQ(m_pane.durationPopup->currentData().toInt(), row.duration) << "the pop-up shows it";
    }
}

TEST_F(SettingsPaneController, OnlySimpleShippingHasThePanesOwnControls)
{
    const QString service = siteServiceID(1);
    ASSERT_FALSE(service.isEmpty());
    const struct
    {
        const char* name;
        std::function<void(QMItemShippingOptions&)> make;
        int tab; // 0: the pane's controls, 1: the summary
        bool domestic;
    } rows[] = {
        {"no service", [](QMItemShippingOptions&) {}, 0, false},
        {"one domestic service",
         [&](QMItemShippingOptions& options) {
             options.addDomesticShippingServiceWithID(service, QStringLiteral("4.90"), false, QStringLiteral("0"));
         },
         0, true},
        {"two domestic services",
         [&](QMItemShippingOptions& options) {
             options.addDomesticShippingServiceWithID(service, QStringLiteral("4.90"), false, QStringLiteral("0"));
             options.addDomesticShippingServiceWithID(siteServiceID(0), QStringLiteral("9"), false,
                                                      QStringLiteral("0"));
         },
         1, false},
        {"calculated", [](QMItemShippingOptions& options) { options.setUsesCalculatedShipping(true); }, 1, false},
        {"local pickup only", [](QMItemShippingOptions& options) { options.setLocalPickupOnly(true); }, 1, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        auto options = std::make_shared<QMItemShippingOptions>();
        row.make(*options);
        m_item->setShippingOptions(options);
        EXPECT_EQ(m_pane.shippingOptionsTabView->currentIndex(), row.tab);
        if (row.tab == 1) {
            EXPECT_EQ(m_controller.currentItemShippingSummary(), options->summary());
            continue;
        }
        EXPECT_EQ(m_pane.domesticShippingCheckBox->isChecked(), row.domestic);
        EXPECT_EQ(m_controller.currentItemDomesticShippingEnabled(), row.domestic);
        EXPECT_EQ(m_pane.domesticServicePopup->isEnabled(), row.domestic);
        if (row.domestic) {
            EXPECT_EQ(m_pane.domesticServicePopup->currentData().toString(), service);
            EXPECT_EQ(m_controller.currentItemDomesticServiceIndex(), 1);
            EXPECT_EQ(m_pane.domesticShippingFeeLineEdit->text(),
                      QMEbayItem::formatMoneyValue(QStringLiteral("4.90")).toString());
        }
    }
}
