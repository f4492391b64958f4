#include "DWKit/KZCollectionUtilities.h"
#include "DWKit/NSArray+DWExtensions.h"
#include "DWKit/NSManagedObject+DWExtension.h"
#include "DWKit/NSObject+DWExtensions.h"

#include <gtest/gtest.h>
#include <vector>

namespace {

// A model object with a fixed field table: unknown keys read as nil and cannot be set.
class Record : public dw::KeyValueCoding
{
public:
    explicit Record(QVariantMap values = {}) : m_values(std::move(values)) {}

    QVariant valueForKey(const QString& key) const override { return m_values.value(key); }
    bool setValueForKey(const QVariant& value, const QString& key) override
    {
        if (!kFields.contains(key))
            return false;
        ++sets;
        m_values.insert(key, value);
        return true;
    }

    int sets = 0;

private:
    inline static const QStringList kFields = {"siteID", "name", "index", "site", "tags"};
    QVariantMap m_values;
};

using RecordPtr = std::shared_ptr<Record>;

// The same sites as maps and as objects, so that every query runs over both element kinds.
const QList<QVariantMap> kSites = {
    {{"siteID", 0}, {"name", "US"}},
    {{"siteID", 77}, {"name", "Germany"}},
    {{"name", "unknown"}},
    {{"siteID", 77.0}, {"name", "Germany again"}},
};

std::vector<RecordPtr> siteObjects()
{
    std::vector<RecordPtr> objects;
    for (const QVariantMap& site : kSites)
        objects.push_back(std::make_shared<Record>(site));
    return objects;
}

} // namespace

TEST(ArrayExtensions, SearchesByValueForKey)
{
    const std::vector<RecordPtr> objects = siteObjects();
    struct Row
    {
        const char* name;
        QString key;
        QVariant value;
        QList<qsizetype> matches;
    } rows[] = {
        {"integer matches integer and real", "siteID", 77, {1, 3}},    {"zero is a value", "siteID", 0, {0}},
        {"text is not a number", "siteID", QStringLiteral("77"), {}},  {"nil finds nothing", "siteID", QVariant(), {}},
        {"key no element has", "currency", QStringLiteral("USD"), {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const qsizetype first = row.matches.isEmpty() ? dw::kNotFound : row.matches.first();
        EXPECT_EQ(dw::indexOfFirstObjectWithValueForKey(kSites, row.key, row.value), first);
        EXPECT_EQ(dw::indexOfFirstObjectWithValueForKey(objects, row.key, row.value), first);

        const auto maps = dw::objectsWithValueForKey(kSites, row.key, row.value);
        const auto found = dw::objectsWithValueForKey(objects, row.key, row.value);
        ASSERT_EQ(maps.size(), row.matches.size());
        ASSERT_EQ(qsizetype(found.size()), row.matches.size());
        for (qsizetype i = 0; i < row.matches.size(); ++i) {
            EXPECT_EQ(maps[i], kSites[row.matches[i]]);
            EXPECT_EQ(found[size_t(i)], objects[size_t(row.matches[i])]);
        }

        const RecordPtr firstObject = dw::firstObjectWithValueForKey(objects, row.key, row.value);
        const RecordPtr lastObject = dw::lastObjectWithValueForKey(objects, row.key, row.value);
        EXPECT_EQ(firstObject, row.matches.isEmpty() ? nullptr : objects[size_t(row.matches.first())]);
        EXPECT_EQ(lastObject, row.matches.isEmpty() ? nullptr : objects[size_t(row.matches.last())]);
        EXPECT_EQ(dw::lastObjectWithValueForKey(kSites, row.key, row.value),
                  row.matches.isEmpty() ? QVariantMap() : kSites[row.matches.last()]);
    }
    EXPECT_EQ(dw::indexOfFirstObjectWithValueForKey(QList<QVariantMap>(), "siteID", 0), dw::kNotFound);
}

TEST(ArrayExtensions, KeyPathsMergingAndContainment)
{
    auto us = std::make_shared<Record>(QVariantMap{{"siteID", 0}});
    auto de = std::make_shared<Record>(QVariantMap{{"siteID", 77}});
    const QVariantList items = {
        QVariantMap{{"site", dw::objectValue(us)}, {"tags", QVariantList{"a", "b"}}},
        QVariantMap{{"site", dw::objectValue(de)}},
        QStringLiteral("not an object"),
    };
    EXPECT_EQ(dw::firstObjectWithValueForKeyPath(items, QStringLiteral("site.siteID"), 77), items[1]);
    EXPECT_FALSE(dw::firstObjectWithValueForKeyPath(items, QStringLiteral("site.siteID"), 3).isValid());

    // nil values are skipped, a list value stays one element.
    EXPECT_EQ(dw::arrayByMergingObjectValuesForKey(items, QStringLiteral("tags")),
              QVariantList{QVariant(QVariantList{"a", "b"})});

    const std::vector<RecordPtr> objects{us, de};
    EXPECT_TRUE(dw::containsAllObjectsFromArray(objects, std::vector<RecordPtr>{de}));
    EXPECT_TRUE(dw::containsAllObjectsFromArray(objects, std::vector<RecordPtr>{}));
    // Objects are the same only by identity, even with equal values.
    EXPECT_FALSE(dw::containsAllObjectsFromArray(
        objects, std::vector<RecordPtr>{std::make_shared<Record>(QVariantMap{{"siteID", 77}})}));
    EXPECT_TRUE(dw::containsAllObjectsFromArray(QVariantList{1, QStringLiteral("a")}, QVariantList{1.0}));
}

TEST(ArrayExtensions, SettingValuesOnEveryElement)
{
    std::vector<RecordPtr> objects = siteObjects();
    dw::setObjectValuesForKeysWithDictionary(objects, {{"name", "renamed"}, {"unknownKey", 1}});
    for (const RecordPtr& object : objects)
        EXPECT_EQ(object->valueForKey(QStringLiteral("name")), QStringLiteral("renamed"));

    QList<QVariantMap> maps = kSites;
    dw::setObjectValuesForKeysWithDictionary(maps, {{"name", QVariant()}, {"currency", "EUR"}});
    for (const QVariantMap& map : maps) {
        EXPECT_FALSE(map.contains(QStringLiteral("name")));
        EXPECT_EQ(map.value(QStringLiteral("currency")), QStringLiteral("EUR"));
    }
}

TEST(ArrayExtensions, AllObjectsHaveEqualValues)
{
    auto site = [](QVariant id) { return std::make_shared<Record>(QVariantMap{{"siteID", id}, {"name", "x"}}); };
    struct Row
    {
        const char* name;
        std::vector<RecordPtr> objects;
        QStringList keyPaths;
        bool equal;
    } rows[] = {
        {"no elements", {}, {"siteID"}, true},
        {"one element", {site(3)}, {"siteID"}, true},
        {"equal numbers of different types", {site(3), site(3.0)}, {"siteID", "name"}, true},
        {"all nil", {site(QVariant()), site(QVariant())}, {"siteID"}, true},
        {"nil and a value", {site(QVariant()), site(3)}, {"siteID"}, false},
        {"a value and nil", {site(3), site(QVariant())}, {"siteID"}, false},
        {"second key differs",
         {site(3), std::make_shared<Record>(QVariantMap{{"siteID", 3}})},
         {"siteID", "name"},
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(dw::allObjectsHaveEqualValuesForKeys(row.objects, row.keyPaths), row.equal);
    }
}

TEST(ArrayExtensions, SortingAndJoiningTexts)
{
    EXPECT_EQ(dw::sortedArrayByIntValue(QStringList{"10", "9", "100", "x", "09"}),
              (QStringList{"x", "9", "09", "10", "100"}));
    EXPECT_EQ(dw::sortedArrayByIntValue(QVariantList{"10", 9, 100.7}), (QVariantList{9, "10", 100.7}));
    EXPECT_EQ(dw::sortedArrayByLocalizedStringValue(QStringList{"b", "A", "c"}), (QStringList{"A", "b", "c"}));
    EXPECT_EQ(dw::localizedComponentsJoinedByString(QStringList{"Auction", "Fixed price"}, QStringLiteral(", ")),
              QStringLiteral("Auction, Fixed price"));
}

TEST(ObjectExtensions, ChangeValueOnlyWhenItDiffers)
{
    struct Row
    {
        const char* name;
        QVariant current;
        QVariant value;
        bool changes;
    } rows[] = {
        {"equal text", "abc", QStringLiteral("abc"), false},
        {"equal numbers of different types", 5, 5.0, false},
        {"nil over nil", QVariant(), QVariant(), false},
        {"nil over a value", "x", QVariant(), true},
        {"a value over nil", QVariant(), "x", true},
        {"text over an equal number", 5, "5", true},
        {"different text", "a", "b", true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Record record(QVariantMap{{"name", row.current}});
        bool changed = false;
        dw::changeValue(record, row.value, QStringLiteral("name"), &changed);
        EXPECT_EQ(changed, row.changes);
        EXPECT_EQ(record.sets, row.changes ? 1 : 0);
        if (row.changes) {
            EXPECT_TRUE(dw::isEqualValue(record.valueForKey(QStringLiteral("name")), row.value) ||
                        !row.value.isValid());
        }

        QVariantMap map{{"name", row.current}};
        bool mapChanged = false;
        dw::changeValue(map, row.value, QStringLiteral("name"), &mapChanged);
        EXPECT_EQ(mapChanged, row.changes);
    }

    // The flag collects changes: it is never cleared.
    Record record(QVariantMap{{"name", "same"}});
    bool changed = true;
    dw::changeValue(record, "same", QStringLiteral("name"), &changed);
    EXPECT_TRUE(changed);
}

TEST(ObjectExtensions, ValuesForKeysWithMarker)
{
    const Record record(QVariantMap{{"siteID", 77}, {"name", "DE"}});
    const QVariant marker = QStringLiteral("<undefined>");
    const QVariantList expected{"DE", marker, 77};
    EXPECT_EQ(dw::valuesForKeysInArray(record, {"name", "missing", "siteID"}, marker), expected);
    EXPECT_EQ(dw::valuesForKeyPathsInArray(QVariantMap{{"siteID", 77}, {"name", "DE"}}, {"name", "missing", "siteID"},
                                           marker),
              expected);
    // Entries are plain keys: a dotted entry is looked up as one key.
    EXPECT_EQ(dw::valuesForKeyPathsInArray(QVariantMap{{"a.b", 1}, {"a", QVariantMap{{"b", 2}}}}, {"a.b"}, marker),
              QVariantList{1});
}

TEST(CollectionUtilities, MapSelectMatchReduce)
{
    const QList<int> numbers{1, 2, 3, 4};
    EXPECT_EQ(dw::kz_map(numbers, [](int n) { return QString::number(n * n); }), (QStringList{"1", "4", "9", "16"}));
    EXPECT_EQ(dw::kz_select(numbers, [](int n) { return n % 2 == 0; }), (QList<int>{2, 4}));
    EXPECT_EQ(dw::kz_map(QSet<int>{1, -1, 2}, [](int n) { return n * n; }), (QSet<int>{1, 4}));
    EXPECT_EQ(dw::kz_select(QSet<int>{1, 2, 3}, [](int n) { return n > 1; }), (QSet<int>{2, 3}));
    EXPECT_EQ(dw::kz_select(std::vector<int>{1, 2, 3}, [](int n) { return n != 2; }), (std::vector<int>{1, 3}));

    int calls = 0;
    EXPECT_EQ(dw::kz_match(numbers,
                           [&](int n) {
                               ++calls;
                               return n > 1;
                           }),
              std::optional<int>(2));
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(dw::kz_match(QList<int>(), [](int) { return true; }), std::nullopt);

    EXPECT_EQ(dw::kz_reduce(numbers, 10, [](int sum, int n) { return sum + n; }), 20);
    EXPECT_EQ(dw::kz_reduce(QList<int>(), QStringLiteral("initial"), [](QString s, int) { return s + u'!'; }),
              QStringLiteral("initial"));
}

TEST(ManagedObjectExtension, SortObjectsByKey)
{
    auto record = [](QVariant index) { return std::make_shared<Record>(QVariantMap{{"index", index}}); };
    const RecordPtr third = record(10), first = record(QVariant()), second = record(2.5), fourth = record(10);
    const QSet<RecordPtr> set{third, first, second};
    EXPECT_EQ(dw::sortObjects(set, QStringLiteral("index")), (QList<RecordPtr>{first, second, third}));
    EXPECT_EQ(dw::sortObjects(std::vector<RecordPtr>{fourth, third}, QStringLiteral("index")),
              (QList<RecordPtr>{fourth, third}));
    EXPECT_TRUE(dw::sortObjects(QSet<RecordPtr>(), QStringLiteral("index")).isEmpty());
    EXPECT_EQ(dw::sortObjects(QList<QVariantMap>{{{"index", "b"}}, {{"index", "a"}}}, QStringLiteral("index")),
              (QList<QVariantMap>{{{"index", "a"}}, {{"index", "b"}}}));
}
