// The category and attribute stores read from files made by qm-mkstore from a small site.

#include "DWCoreDataEbayDataClasses/SQCategoryDataManager.h"
#include "DWCoreDataEbayDataClasses/SQLiteConnection_p.h"
#include "model/QMEbayAttributeValue.h"
#include "platform/core/DWAssert.h"
#include "platform/core/NotificationCenter.h"

#include "tests/support/ProcessRunner.h"
#include "tests/support/TemporaryXdg.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Puts the stores of site 77 where the program looks for them.
void installSite77Stores()
{
    const QString scratch = QStringLiteral(DW_CATEGORY_TEST_STORES);
    QDir().mkpath(SQCategoriesDatabase::categoriesFolderPathNoFolderCreation());
    QDir().mkpath(SQAttributesDatabase::attributesFolderPathNoFolderCreation());
    ASSERT_TRUE(QFile::copy(scratch + QStringLiteral("/Categories.site77.sqlite"),
                            SQCategoriesDatabase::storePathForSiteID(77)));
    ASSERT_TRUE(QFile::copy(scratch + QStringLiteral("/Attributes.site77.sqlite"),
                            SQAttributesDatabase::storePathForSiteID(77)));
}

QStringList names(const QList<SQCategoryPtr>& categories)
{
    QStringList list;
    for (const auto& category : categories)
        list.append(category->name());
    return list;
}

class CategoryStores : public ::testing::Test
{
protected:
    void SetUp() override { installSite77Stores(); }

    dw::test::TemporaryXdg xdg;
    SQCategoriesDatabase categories{77};
    SQAttributesDatabase attributes{77};
};

} // namespace

TEST_F(CategoryStores, LooksUpCategoriesTheirChainAndFlags)
{
    SQCategoriesDatabase store(77);
    ASSERT_TRUE(store.isOpen());
    EXPECT_EQ(store.categoryForCategoryID(0)->name(), QStringLiteral("Root"));
    EXPECT_EQ(store.categoryForCategoryID(999), nullptr);
    EXPECT_EQ(store.categoriesCount(), 9u);
    EXPECT_EQ(store.treeVersion(), 12);
    EXPECT_EQ(store.attributeDataVersion(), 8);

    // One object per row: a second lookup gives the very same object.
    const auto b = store.categoryForCategoryID(345);
    EXPECT_EQ(b, store.categoryForCategoryID(345));
    EXPECT_EQ(names(store.parentCategoriesForCategory(b)), QStringList({"Root", "A", "B"}));
    EXPECT_EQ(names(store.parentCategoriesForCategoryWithID(12)), QStringList({"Root", "A"}));
    EXPECT_EQ(names(store.subcategoriesForCategoryID(20)), QStringList({"Fencing_100%", "Masks", "Épée"}));

    // 0x300: best offer and custom specifics, nothing else.
    const auto a = store.categoryForCategoryID(12);
    EXPECT_TRUE(a->supportsBestOffer());
    EXPECT_TRUE(a->supportsCustomSpecifics());
    EXPECT_FALSE(a->B2BVATEnabled() || a->autoPayEnabled() || a->catalogEnabled() || a->isExpired() || a->isVirtual() ||
                 a->lotSizeDisabled() || a->reservePriceAllowed() || a->sellerGuaranteeEligible() ||
                 a->supportsVariations() || a->conditionRequired());
    EXPECT_TRUE(store.categoryForCategoryID(346)->conditionRequired());
    EXPECT_THROW(a->setBoolValue(true, SQCategory::kSupportsBestOffer), dw::InternalInconsistency);
    EXPECT_THROW(SQCategory::keyForBooleanFlag(SQCategory::kSupportsVariations), dw::InternalInconsistency);

    EXPECT_EQ(names(store.categoriesForSearchString(QStringLiteral("b"))), QStringList({"B", "Äpfel & Birnen"}));
    const auto conditions = b->conditionSet()->sortedConditions();
    ASSERT_EQ(conditions.size(), 2);
    EXPECT_EQ(conditions[0]->name(), QStringLiteral("New"));
}

TEST_F(CategoryStores, LeafSearchIgnoresCaseAndAccentsAndTakesWildcardsLiterally)
{
    const struct
    {
        const char* text;
        QStringList found;
    } rows[] = {
        {"e", {"Épée", "Fencing_100%", "Junior epee masks", "Äpfel & Birnen"}},
        {"EPEE", {"Épée", "Junior epee masks"}},
        {"épée", {"Épée", "Junior epee masks"}},
        {"apfel", {"Äpfel & Birnen"}},
        {"%", {"Fencing_100%"}},
        {"_", {"Fencing_100%"}},
        {"Sport", {}}, // not a leaf
        {"Masks", {"Junior epee masks"}},
    };
    SQCategoriesDatabase store(77);
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        QStringList found = names(store.categoriesForSearchString(QString::fromUtf8(row.text)));
        found.sort();
        QStringList expected = row.found;
        expected.sort();
        EXPECT_EQ(found, expected);
    }
}

TEST_F(CategoryStores, ListsItemSpecificsOnceFirstCategoryFirst)
{
    SQCategoriesDatabase store(77);
    const auto specificNames = [](const QList<SQItemSpecificPtr>& list) {
        QStringList result;
        for (const auto& specific : list)
            result.append(specific->name());
        return result;
    };
    EXPECT_EQ(specificNames(store.itemSpecificsForFirstCategoryID(345, 345)), QStringList({"Brand", "Colour"}));
    EXPECT_EQ(specificNames(store.sortedItemSpecificsForFirstCategoryID(346, 345)),
              QStringList({"Sorte", "Brand", "Colour"}));
    EXPECT_TRUE(store.itemSpecificsForFirstCategoryID(0, 345).isEmpty());
    EXPECT_TRUE(store.categoryForCategoryID(345)->supportsCustomSpecificsLookup());
    EXPECT_FALSE(store.categoryForCategoryID(12)->supportsCustomSpecificsLookup());
}

TEST_F(CategoryStores, MissingAndDamagedFiles)
{
    {
        dw::test::TemporaryXdg empty;
        SQCategoriesDatabase missing(3);
        EXPECT_FALSE(missing.isOpen());
        EXPECT_FALSE(QFileInfo::exists(SQCategoriesDatabase::categoriesFolderPathNoFolderCreation()));
    }
    const QString path = SQCategoriesDatabase::storePathForSiteID(5);
    QFile damaged(path);
    ASSERT_TRUE(damaged.open(QIODevice::WriteOnly));
    damaged.write("this is no store at all");
    damaged.close();
    SQCategoriesDatabase store(5);
    EXPECT_FALSE(store.isOpen());
    EXPECT_FALSE(QFileInfo::exists(path)) << "a damaged store is deleted so that the next download replaces it";

    // An attributes store where a categories store belongs does not fit the model either.
    ASSERT_TRUE(QFile::copy(SQAttributesDatabase::storePathForSiteID(77), SQCategoriesDatabase::storePathForSiteID(6)));
    EXPECT_FALSE(SQCategoriesDatabase(6).isOpen());
}

TEST_F(CategoryStores, AStoreIsKeptWhenTheFaultIsOurs)
{
    const QString good = SQCategoriesDatabase::storePathForSiteID(77);
    {
        // An installation without its model files: nothing can be judged, so nothing is deleted.
        QTemporaryDir noResources;
        const QByteArray resources = qgetenv("QV_RESOURCES_DIR");
        qputenv("QV_RESOURCES_DIR", noResources.path().toUtf8());
        const bool openedWithoutModel = SQCategoriesDatabase(77).isOpen();
        const bool openedAttributesWithoutModel = SQAttributesDatabase(77).isOpen();
        resources.isNull() ? qunsetenv("QV_RESOURCES_DIR") : qputenv("QV_RESOURCES_DIR", resources);
        EXPECT_FALSE(openedWithoutModel);
        EXPECT_FALSE(openedAttributesWithoutModel);
    }
    EXPECT_TRUE(QFileInfo::exists(good));
    EXPECT_TRUE(QFileInfo::exists(SQAttributesDatabase::storePathForSiteID(77)));
    EXPECT_TRUE(SQCategoriesDatabase(77).isOpen()) << "the installation mended, the store is there again";
}

TEST_F(CategoryStores, ALoopInTheTreeIsAnErrorNotAHang)
{
    const QString path = SQCategoriesDatabase::storePathForSiteID(8);
    ASSERT_TRUE(QFile::copy(SQCategoriesDatabase::storePathForSiteID(77), path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    {
        // A and B made each other's parent.
        auto connection = dw::sq::Connection::open(path, dw::sq::Connection::Mode::ReadWrite, nullptr);
        ASSERT_TRUE(connection);
        ASSERT_TRUE(connection->execute(QStringLiteral("UPDATE Category SET parentCategory = (SELECT id FROM Category "
                                                       "WHERE categoryID = 345) WHERE categoryID = 12")));
    }
    int errors = 0;
    const auto token = dw::NotificationCenter::defaultCenter().addObserver(
        kSQDatabaseErrorOccuredNotification, nullptr, [&errors](const dw::Notification&) { ++errors; });
    SQCategoriesDatabase store(8);
    EXPECT_TRUE(store.parentCategoriesForCategoryWithID(345).isEmpty());
    dw::NotificationCenter::defaultCenter().removeObserver(token);
    EXPECT_EQ(errors, 1);
}

TEST_F(CategoryStores, AttributeSetsForOneAndTwoCategories)
{
    const auto ids = [this](qint64 first, qint64 second) {
        return attributes.attributeSetIDsForFirstCategoryID(first, second);
    };
    // Site-wide sets first by name, less those the category excludes, then its own sets.
    EXPECT_EQ(ids(345, 0), QStringList({"901", "100"}));
    EXPECT_EQ(ids(21, 0), QStringList({"900", "100", "200"}));
    // Each category excludes another set: only a set excluded by both would go.
    EXPECT_EQ(ids(345, 21), QStringList({"901", "900", "100", "200"}));
    EXPECT_EQ(ids(22, 0), QStringList({"901", "900", "200"}));
    EXPECT_TRUE(ids(0, 21).isEmpty());
    EXPECT_EQ(attributes.siteWideAttributeSetIDs(), QList<qint64>({901, 900}));
    EXPECT_EQ(attributes.characterSetsVersion(), 8);
    EXPECT_EQ(attributes.mappingVersion(), 3);
    EXPECT_EQ(attributes.monthAscendingLong(), QStringList({"January", "February"}));
}

TEST_F(CategoryStores, AttributesInDisplayOrderWithDependentsAfterTheirParent)
{
    const auto books = attributes.attributeSetWithIdentifier(100);
    ASSERT_TRUE(books);
    QStringList order;
    for (const auto& attribute : attributes.sortedAttributesForAttributeSet(books))
        order.append(attribute->label());
    // "Year" has display sequence 0; "Cover" shows after "Binding", which it depends on; "Hidden"
    // (edit type 1), "Internal" (no presentation) and "Orphan" (no parent) are not listed.
    EXPECT_EQ(order, QStringList({"Year", "Author", "Binding", "Cover"}));

    const auto binding = attributes.attributeWithIdentifier(2, books);
    EXPECT_EQ(binding->mergedDependencies().size(), 1);
    QStringList values;
    for (const auto& value : attributes.attributeValuesForAttribute(binding))
        values.append(value->identifier());
    EXPECT_EQ(values, QStringList({"11", "10"}));
    EXPECT_EQ(attributes.validChildValuesForParentAttribute(binding, 10).size(), 1);
    EXPECT_TRUE(attributes.validChildValuesForParentAttribute(binding, 11).isEmpty());
    const auto cover = attributes.attributeWithIdentifier(4, books);
    EXPECT_EQ(attributes.dependentParentAttributesForChildAttribute(cover), QList<SQAttributePtr>({binding}));
    EXPECT_EQ(attributes.dependentChildAttributesForAttribute(binding), QList<SQAttributePtr>({cover}));
}

TEST(AttributeValidationRules, EveryRuleType)
{
    const auto value = [](qint64 id, const char* name) { return QMEbayAttributeValue(id, QString::fromUtf8(name)); };
    const QMEbayAttributeValue other = value(-6, "abcdef");
    const QMEbayAttributeValue ignore = value(-10, "0");
    const struct
    {
        const char* name;
        qint64 type;
        const char* length;
        const char* min;
        const char* max;
        QList<QMEbayAttributeValue> values;
        bool valid;
    } rows[] = {
        {"1 long free text", 1, "5", "", "", {other}, false},
        {"1 long chosen value", 1, "5", "", "", {value(3, "abcdef")}, true},
        {"2 in range", 2, "", "1", "10", {value(1, "10")}, true},
        {"2 below, ignored", 2, "", "5", "10", {value(-10, "1")}, true},
        {"2 above", 2, "", "1", "10", {value(1, "11")}, false},
        {"3 empty", 3, "", "", "", {}, false},
        {"3 only ignore", 3, "", "", "", {ignore}, false},
        {"3 ignore and another", 3, "", "", "", {ignore, value(1, "x")}, true},
        {"4 in range", 4, "", "1.5", "2.5", {value(1, "2.5")}, true},
        {"4 below", 4, "", "1.5", "2.5", {value(1, "1.4")}, false},
        {"5 above", 5, "", "", "2.5", {value(1, "2.51")}, false},
        {"6 applies to ignore too", 6, "", "", "5", {value(-10, "6")}, false},
        {"7 below", 7, "", "3", "", {value(1, "2.9")}, false},
        {"8 below but ignored", 8, "", "5", "", {value(-10, "1")}, true},
        {"8 below", 8, "", "5", "", {value(1, "1")}, false},
        {"9 too many", 9, "", "", "1", {value(1, "a"), value(2, "b")}, false},
        {"10 too few", 10, "", "2", "", {value(1, "a")}, false},
        {"11 in range", 11, "", "1", "2", {value(1, "a"), value(2, "b")}, true},
        {"11 empty", 11, "", "1", "2", {}, false},
        {"12 six digits", 12, "", "", "", {value(0, "200912")}, true},
        {"12 with hyphen", 12, "", "", "", {value(0, "2009-12")}, false},
        {"12 three digits", 12, "", "", "", {value(0, "200")}, false},
        {"12 empty list", 12, "", "", "", {}, true},
        {"13 unknown type passes", 13, "", "", "", {}, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(SQAttributeValidationRule::validateValues(row.type, QString::fromUtf8(row.length),
                                                            QString::fromUtf8(row.min), QString::fromUtf8(row.max),
                                                            row.values),
                  row.valid);
    }
}

TEST(QmMkstore, WritesSyntheticStoresAndRefusesABadDescription)
{
    dw::test::TemporaryXdg xdg;
    const QString output = xdg.path(QStringLiteral("made"));
    auto run = dw::test::runProgram(dw::test::builtTool(QStringLiteral("qm-mkstore")),
                                    {QStringLiteral("--synthetic"), QStringLiteral("200"), QStringLiteral("--site"),
                                     QStringLiteral("3"), QStringLiteral("--output"), output});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    QDir().mkpath(SQCategoriesDatabase::categoriesFolderPathNoFolderCreation());
    ASSERT_TRUE(
        QFile::copy(output + QStringLiteral("/Categories.site3.sqlite"), SQCategoriesDatabase::storePathForSiteID(3)));
    SQCategoriesDatabase store(3);
    ASSERT_TRUE(store.isOpen());
    EXPECT_EQ(store.categoriesCount(), 201u);

    const QString bad = xdg.path(QStringLiteral("bad.json"));
    QFile file(bad);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"categories": {"tree": [{"id": 1}, {"id": 1}]}})");
    file.close();
    run = dw::test::runProgram(dw::test::builtTool(QStringLiteral("qm-mkstore")),
                               {QStringLiteral("--description"), bad, QStringLiteral("--output"), output});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.errors.contains("category 1 is given twice")) << run.errors.toStdString();
}
