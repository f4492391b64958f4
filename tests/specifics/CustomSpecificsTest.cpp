// The custom item specifics list on the film-camera category of specifics.json, whose suggested
// specifics are Brand (Canon, Nikon, Leica), Film Format (35mm, Medium Format) and Country of
// Manufacture (no values).

#include "DWCoreDataEbayDataClasses/SQCategoriesDatabase.h"
#include "platform/core/DWAssert.h"
#include "specifics/QMCustomSpecificViewController.h"
#include "specifics/QMCustomSpecificsView.h"

#include "tests/support/TemporaryXdg.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <gtest/gtest.h>

namespace {

QStringList rows(const QMCustomSpecificsView& list)
{
    QStringList shown;
    for (const auto* row : list.specificControllers())
        shown.append(row->specificName() + (row->canChangeSpecificName() ? QStringLiteral("~") : QString()) + u'=' +
                     row->value());
    return shown;
}

QStringList items(const QComboBox* box)
{
    QStringList titles;
    for (int i = 0; i < box->count(); ++i)
        titles.append(box->itemText(i).isEmpty() ? QStringLiteral("--") : box->itemText(i));
    return titles;
}

class CustomSpecifics : public ::testing::Test
{
protected:
    void SetUp() override
    {
        const QString made = QStringLiteral(DW_SPECIFICS_TEST_STORES);
        QDir().mkpath(SQCategoriesDatabase::categoriesFolderPathNoFolderCreation());
        ASSERT_TRUE(QFile::copy(made + QStringLiteral("/Categories.site0.sqlite"),
                                SQCategoriesDatabase::storePathForSiteID(0)));
        store = std::make_shared<SQCategoriesDatabase>(0);
        ASSERT_TRUE(store->isOpen());
        list.resize(600, 300);
        list.awakeFromNib();
        list.setSuggestedSpecifics(store->sortedItemSpecificsForFirstCategoryID(15230, 0));
        list.setSpecificPopup(&popup);
    }

    dw::test::TemporaryXdg xdg;
    std::shared_ptr<SQCategoriesDatabase> store;
    QComboBox popup;
    QMCustomSpecificsView list;
};

} // namespace

TEST_F(CustomSpecifics, StoredSpecificsAreTheRowsSuggestedNamesFirst)
{
    list.setInitialItemSpecifics({{QStringLiteral("Shutter"), QStringLiteral("Cloth")},
                                  {QStringLiteral("Brand"), QStringLiteral("Nikon")},
                                  {QStringLiteral("Country of Manufacture"), QStringLiteral("Japan")}});
    list.installViewsUsingSuggestions(true);
    // "~": the user may change the name.
    EXPECT_EQ(rows(list), QStringList({"Brand=Nikon", "Country of Manufacture=Japan", "Shutter~=Cloth"}));
    const auto* brand = list.specificViewControllerForSpecific(QStringLiteral("Brand"));
    EXPECT_EQ(brand->suggestedValues(), QStringList({"Canon", "Nikon", "Leica"}));
    EXPECT_EQ(items(brand->valueBox()), QStringList({"Canon", "Nikon", "Leica"}));
    EXPECT_EQ(brand->valueBox()->currentText(), QStringLiteral("Nikon"));
    EXPECT_TRUE(brand->nameField()->isReadOnly());
    EXPECT_FALSE(list.specificViewControllerForSpecific(QStringLiteral("Shutter"))->nameField()->isReadOnly());
    EXPECT_TRUE(brand->activationCheckbox()->isHidden());
    // Only the suggestion without a row is offered.
    EXPECT_EQ(items(&popup), QStringList({"Choose Detail", "Film Format", "--", "Other"}));
    EXPECT_EQ(popup.itemData(popup.count() - 1).toInt(), 1);
}

TEST_F(CustomSpecifics, SuggestionsStartWithTheirFirstValueAndThePopupAddsAndRemovesRows)
{
    list.installViewsUsingSuggestions(true);
    EXPECT_EQ(rows(list), QStringList({"Brand=Canon", "Film Format=35mm", "Country of Manufacture="}));
    EXPECT_EQ(items(&popup), QStringList({"Choose Detail", "Other"}));

    // Removing a suggested row brings its name back; adding it again starts afresh.
    auto* format = list.specificViewControllerForSpecific(QStringLiteral("Film Format"));
    format->setValue(QStringLiteral("Medium Format (120/220)"));
    format->removeButton()->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(rows(list), QStringList({"Brand=Canon", "Country of Manufacture="}));
    EXPECT_EQ(items(&popup), QStringList({"Choose Detail", "Film Format", "--", "Other"}));
    popup.setCurrentIndex(1);
    Q_EMIT popup.activated(1);
    EXPECT_EQ(rows(list).last(), QStringLiteral("Film Format=35mm"));
    EXPECT_EQ(popup.currentIndex(), 0);

    // "Other" twice gives two rows named "Other", each with a name of the user's own.
    list.specificPopupAction(QStringLiteral("Other"));
    list.specificPopupAction(QStringLiteral("Other"));
    EXPECT_EQ(rows(list).mid(3), QStringList({"Other~=", "Other~="}));
    // Choosing the pop-up's title adds nothing.
    Q_EMIT popup.activated(0);
    EXPECT_EQ(list.specificControllers().size(), 5);

    // Typed names and values are the result; a later row of the same name wins.
    auto* other = list.specificControllers().at(3);
    other->nameField()->setText(QStringLiteral("Brand"));
    Q_EMIT other->nameField()->textEdited(QStringLiteral("Brand"));
    other->valueBox()->setEditText(QStringLiteral("Zeiss"));
    const QVariantMap result = list.selectedItemSpecifics();
    EXPECT_EQ(result.value(QStringLiteral("Brand")), QVariant(QStringLiteral("Zeiss")));
    EXPECT_EQ(result.value(QStringLiteral("Film Format")), QVariant(QStringLiteral("35mm")));
}

TEST_F(CustomSpecifics, RecommendationsAddRowsAndValues)
{
    list.setInitialItemSpecifics({{QStringLiteral("Brand"), QStringLiteral("Nikon")}});
    list.installViewsUsingSuggestions(false);
    ASSERT_EQ(rows(list), QStringList{"Brand=Nikon"});

    // A name with a row gets the values in its list, its value stays; a new name becomes a row
    // with its first value.
    list.addGetItemRecommendations({{QStringLiteral("Brand"), QStringList{QStringLiteral("Pentax")}},
                                    {QStringLiteral("Size"), QStringList{"S", "M", "L"}}},
                                   store);
    EXPECT_EQ(rows(list), QStringList({"Brand=Nikon", "Size=S"}));
    EXPECT_EQ(items(list.specificViewControllerForSpecific(QStringLiteral("Size"))->valueBox()),
              QStringList({"S", "M", "L"}));
    EXPECT_TRUE(items(list.specificViewControllerForSpecific(QStringLiteral("Brand"))->valueBox())
                    .contains(QStringLiteral("Pentax")));
    QStringList suggested;
    for (const auto& specific : list.suggestedSpecifics())
        suggested.append(specific->name());
    EXPECT_EQ(suggested, QStringList({"Brand", "Film Format", "Country of Manufacture", "Size"}));
    EXPECT_EQ(list.selectedItemSpecifics().value(QStringLiteral("Size")), QVariant(QStringLiteral("S")));

    // A later recommendation replaces the store's; the list keeps "Size" readable with its values.
    list.addGetItemRecommendations({{QStringLiteral("Lens"), QStringList{QStringLiteral("50mm")}}}, store);
    const auto size = list.suggestedSpecifics().at(3);
    EXPECT_EQ(size->name(), QStringLiteral("Size"));
    EXPECT_EQ(size->sortedItemSpecificValues().size(), 3);
    EXPECT_EQ(list.suggestedSpecifics().size(), 5);
    EXPECT_EQ(rows(list).last(), QStringLiteral("Lens=50mm"));

    EXPECT_THROW(list.addGetItemRecommendations({}, nullptr), dw::InternalInconsistency);
}

TEST_F(CustomSpecifics, SeveralListingsSwitchRowsOffWithoutSkippingThem)
{
    list.setRunsForMultipleTemplates(true);
    list.setInitialItemSpecifics(
        {{QStringLiteral("Brand"), QStringLiteral("Canon")}, {QStringLiteral("Shutter"), QStringLiteral("Cloth")}});
    list.installViewsUsingSuggestions(false);
    auto* brand = list.specificViewControllerForSpecific(QStringLiteral("Brand"));
    EXPECT_FALSE(brand->activationCheckbox()->isHidden());
    brand->activationCheckbox()->click();
    EXPECT_FALSE(brand->valueActivated());
    EXPECT_EQ(list.selectedItemSpecifics(), QVariantMap({{QStringLiteral("Shutter"), QStringLiteral("Cloth")}}));
    EXPECT_EQ(list.specificControllers().size(), 2);
}
