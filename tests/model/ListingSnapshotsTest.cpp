#include "FakeCategoryData.h"

#include "model/QMDescriptionHTMLConverter.h"
#include "model/QMEbayImage.h"
#include "model/QMEbayItem.h"

#include "platform/core/Paths.h"
#include "platform/text/StyledText.h"
#include "tests/support/TemporaryXdg.h"

#include <gtest/gtest.h>

TEST(ListingSnapshots, ListingSnapshotHoldsOnlyTheValuesThatExist)
{
    QMEbayItem item;
    item.setUniqueID(QStringLiteral("6F9619FF-8B86-D011-B42D-00CF4FC964FF"));
    item.setSiteID(77);
    EXPECT_EQ(item.infoDictionaryForOperations(),
              (QVariantMap{{QStringLiteral("uniqueID"), QStringLiteral("6F9619FF-8B86-D011-B42D-00CF4FC964FF")},
                           {QStringLiteral("siteID"), 77}}));
    item.setTitle(QStringLiteral("Lamp"));
    item.setItemID(QStringLiteral("110"));
    item.setPhotoDisplayType(3);
    const QVariantMap info = item.valueForKey(QStringLiteral("infoDictionaryForOperations")).toMap();
    EXPECT_EQ(info.keys(), (QStringList{"itemID", "photoDisplayType", "siteID", "title", "uniqueID"}));
    EXPECT_EQ(info.value(QStringLiteral("photoDisplayType")), 3);
}

TEST(ListingSnapshots, PictureSnapshotNamesTheFileOnlyForFilePictures)
{
    dw::test::TemporaryXdg xdg;
    const auto web = QMEbayImage::imageWithURL(QStringLiteral("https://pictures.example/lamp.jpg"));
    web->setName(QStringLiteral("lamp"));
    EXPECT_EQ(web->infoDictionaryForOperations().keys(), QStringList{QStringLiteral("name")});

    QMEbayImage file(dw::paths::homeFolder() + QStringLiteral("/Pictures/./lamp.jpg"), QString());
    file.setName(QStringLiteral("lamp"));
    EXPECT_EQ(file.storedImageFilePath(), QStringLiteral("~/Pictures/./lamp.jpg"));
    const QString expanded = dw::paths::homeFolder() + QStringLiteral("/Pictures/lamp.jpg");
    const QVariantMap info = file.infoDictionaryForOperations();
    EXPECT_EQ(info.value(QStringLiteral("standardizedImageFilePath")), expanded);
    EXPECT_EQ(info.value(QStringLiteral("imageFilePath")), expanded);
    EXPECT_EQ(file.valueForKey(QStringLiteral("editingPreview")), false);
    EXPECT_TRUE(file.setValueForKey(true, QStringLiteral("editingPreview")));
    EXPECT_FALSE(file.editingPreview());
}

TEST(ListingSnapshots, PicturesAndFixedAnswers)
{
    QMEbayItem item;
    const auto picture = QMEbayImage::imageWithURL(QStringLiteral("https://pictures.example/1.jpg"));
    item.setImages({picture, picture});
    EXPECT_EQ(item.imageAtIndex(1), picture);
    EXPECT_EQ(item.imageAtIndex(2), nullptr);
    EXPECT_EQ(item.imageAtIndex(-1), nullptr);
    EXPECT_EQ(item.imageRefs().size(), 1);

    for (int type : {0, 1, 4}) {
        item.setPhotoDisplayType(type);
        EXPECT_FALSE(item.usesSupersize()) << type;
    }
    item.setPhotoDisplayType(2);
    EXPECT_TRUE(item.valueForKey(QStringLiteral("usesSupersize")).toBool());
    item.setDispatchTimeMax(3);
    EXPECT_EQ(item.valueForKey(QStringLiteral("handlingTime")), 3);
    EXPECT_EQ(item.valueForKey(QStringLiteral("hasVariations")), false);
    for (const char* key : {"variations", "inventoryProduct", "designProps", "userProps", "storeName", "urlToStore"})
        EXPECT_FALSE(item.valueForKey(QLatin1String(key)).isValid()) << key;
}

TEST(ListingSnapshots, DescriptionAsHTMLGoesThroughTheInstalledConverter)
{
    QMEbayItem item;
    item.setItemDescriptionString(dw::StyledText(QStringLiteral("<b>Solid</b> & old\nbrass")));
    EXPECT_EQ(item.itemDescriptionAsHTMLString(), QStringLiteral("&lt;b&gt;Solid&lt;/b&gt; &amp; old<br>brass"));

    struct Upper : QMDescriptionHTMLConverter
    {
        QString htmlStringForAttributedString(const dw::StyledText& text) const override
        {
            return QStringLiteral("<p>") + text.text().toUpper() + QStringLiteral("</p>");
        }
    };
    QMDescriptionHTMLConverter::install(std::make_shared<Upper>());
    EXPECT_EQ(item.valueForKey(QStringLiteral("itemDescriptionAsHTMLString")),
              QStringLiteral("<p><B>SOLID</B> & OLD\nBRASS</p>"));
    QMDescriptionHTMLConverter::install(nullptr);
}

TEST(ListingSnapshots, ConditionNameAmongTheConditionsOfBothCategories)
{
    ScopedCategoryData data;
    data->addCategory(77, categoryWithConditions(1, {{condition(1000, "New", 1), condition(3000, "Used", 2)}}));
    data->addCategory(77, categoryWithConditions(2, {{condition(3000, "Gebraucht", 1)}}));
    data->addCategory(77, categoryWithConditions(3, QList<QMCategoryCondition>()));
    data->addCategory(77, categoryWithConditions(4, {{condition(7000, "For parts", 1)}}));
    struct Row
    {
        const char* name;
        int category, category2, conditionID;
        const char* expected; // nullptr: null
    };
    const Row rows[] = {
        {"no category", 0, 2, 3000, nullptr},
        {"one category", 1, 0, 1000, "New"},
        {"both categories keep the first's condition", 1, 2, 3000, "Used"},
        {"chosen condition not common to both", 1, 2, 1000, "Not set"},
        {"empty first set takes the second's", 3, 2, 3000, "Gebraucht"},
        {"a second category without conditions is left out", 1, 3, 1000, "New"},
        {"no overlap", 1, 4, 1000, "Not supported"},
        {"category not found", 9, 0, 1000, "Not supported"},
        {"nothing chosen", 1, 0, 0, "Not set"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QMEbayItem item;
        item.setSiteID(77);
        item.setCategory(row.category);
        item.setCategory2(row.category2);
        item.setConditionID(row.conditionID);
        if (row.expected) {
            EXPECT_EQ(item.conditionName(), QString::fromUtf8(row.expected));
        } else {
            EXPECT_TRUE(item.conditionName().isNull());
        }
    }
}
