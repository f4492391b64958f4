#include "platform/core/KeyValueCoding.h"
#include "platform/text/CharacterSet.h"

#include <QDateTime>
#include <QTimeZone>
#include <gtest/gtest.h>
#include <limits>

namespace {

class Node : public dw::KeyValueCoding
{
public:
    QVariant valueForKey(const QString& key) const override { return m_values.value(key); }
    bool setValueForKey(const QVariant& value, const QString& key) override
    {
        m_values.insert(key, value);
        return true;
    }

private:
    QVariantMap m_values;
};

} // namespace

TEST(KeyValueCoding, EqualityComparesNumbersNumericallyAndNilToNothing)
{
    const auto node = std::make_shared<Node>();
    const QDateTime utc(QDate(2026, 1, 1), QTime(12, 0), Qt::UTC);
    struct Row
    {
        const char* name;
        QVariant a;
        QVariant b;
        bool equal;
    } rows[] = {
        {"int and double", 5, 5.0, true},
        {"bool and int", true, 1, true},
        {"number and its text", 5, QStringLiteral("5"), false},
        {"text", QStringLiteral("a"), QStringLiteral("a"), true},
        {"text differing in case", QStringLiteral("a"), QStringLiteral("A"), false},
        {"nil and nil", QVariant(), QVariant(), false},
        {"nil and a value", QVariant(), 0, false},
        {"large unsigned and -1", QVariant(std::numeric_limits<qulonglong>::max()), -1, false},
        {"integers beyond a double's precision", qlonglong(9007199254740993LL), qlonglong(9007199254740992LL), false},
        {"same instant in two zones", utc, utc.toOffsetFromUtc(3600), true},
        {"lists element by element", QVariantList{1, QStringLiteral("a")}, QVariantList{1.0, QStringLiteral("a")},
         true},
        {"lists of different length", QVariantList{1}, QVariantList{1, 1}, false},
        {"maps entry by entry", QVariantMap{{"a", 1}}, QVariantMap{{"a", 1.0}}, true},
        {"maps with an extra key", QVariantMap{{"a", 1}}, QVariantMap{{"a", 1}, {"b", 2}}, false},
        {"the same object", dw::objectValue(node), dw::objectValue(node), true},
        {"another object", dw::objectValue(node), dw::objectValue(std::make_shared<Node>()), false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(dw::isEqualValue(row.a, row.b), row.equal);
        EXPECT_EQ(dw::isEqualValue(row.b, row.a), row.equal);
    }
}

TEST(KeyValueCoding, CompareValuesSortsNilFirstThenNumbersThenText)
{
    QVariantList values{QStringLiteral("b"), 2, QVariant(), QStringLiteral("a"), 1.5, qulonglong(1) << 63};
    std::sort(values.begin(), values.end(),
              [](const QVariant& a, const QVariant& b) { return dw::compareValues(a, b) < 0; });
    ASSERT_EQ(values.size(), 6);
    EXPECT_FALSE(values[0].isValid());
    EXPECT_EQ(values[1], 1.5);
    EXPECT_EQ(values[2], 2);
    EXPECT_EQ(values[3], qulonglong(1) << 63);
    EXPECT_EQ(values[4], QStringLiteral("a"));
    EXPECT_EQ(values[5], QStringLiteral("b"));
}

TEST(KeyValueCoding, KeyPathsWalkThroughObjectsAndMaps)
{
    auto site = std::make_shared<Node>();
    site->setValueForKey(77, QStringLiteral("siteID"));
    auto item = std::make_shared<Node>();
    item->setValueForKey(QVariantMap{{"site", dw::objectValue(site)}}, QStringLiteral("location"));

    EXPECT_EQ(item->valueForKeyPath(QStringLiteral("location.site.siteID")), 77);
    EXPECT_EQ(dw::valueForKeyPath(dw::objectValue(item), QStringLiteral("location.site.siteID")), 77);
    EXPECT_FALSE(item->valueForKeyPath(QStringLiteral("location.missing.siteID")).isValid());
    EXPECT_FALSE(dw::valueForKey(QVariant(QStringLiteral("text")), QStringLiteral("length")).isValid());

    QVariantMap map{{"a", 1}, {"b", 2}};
    dw::setValuesForKeysWithDictionary(map, {{"a", QVariant()}, {"c", 3}});
    EXPECT_EQ(map, (QVariantMap{{"b", 2}, {"c", 3}}));
}

TEST(CharacterSet, MembershipIsPerCodePoint)
{
    const auto set = dw::CharacterSet::characters(QStringLiteral("a\U0001F600"));
    EXPECT_TRUE(set.contains(U'a'));
    EXPECT_TRUE(set.contains(U'\U0001F600'));
    EXPECT_FALSE(set.contains(0xD83D)); // half of the emoji is not a member
    EXPECT_TRUE(set.inverted().contains(U'b'));
    EXPECT_TRUE(set.unitedWith(dw::CharacterSet::range(U'0', U'9')).contains(U'5'));
    EXPECT_TRUE(dw::CharacterSet::controlCharacters().contains(0x200D)); // zero-width joiner, Cf
}
