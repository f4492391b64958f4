#include "fixtures/FixtureAbstractResponseType.h"
#include "fixtures/FixtureAmountType.h"
#include "fixtures/FixtureAwkwardType.h"
#include "fixtures/FixtureEchoRequestType.h"
#include "fixtures/FixtureListType.h"
#include "fixtures/FixtureNodeType.h"
#include "fixtures/FixtureProbeType.h"
#include "fixtures/FixtureQuietResponseType.h"
#include "fixtures/FixtureRecordType.h"
#include "fixtures/FixtureTypes.h"
#include "platform/core/DWAssert.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

using Table = DWGeneratedClass::Table;

QStringList strings(std::initializer_list<const char*> items)
{
    QStringList result;
    for (const char* item : items)
        result.append(QString::fromLatin1(item));
    return result;
}

} // namespace

TEST(GeneratedClass, TablesFollowTheKeyRules)
{
    const DWGeneratedClass& record = FixtureRecordType::staticClass();
    EXPECT_EQ(record.elements().value(QStringLiteral("ItemID")), QStringLiteral("itemID"));
    EXPECT_EQ(record.elementTypes().value(QStringLiteral("Amount")), QStringLiteral("FixtureAmountType"));
    EXPECT_EQ(record.elementTypes().value(QStringLiteral("Ratio")), QStringLiteral("float"));
    EXPECT_EQ(record.multiElements().value(QStringLiteral("ID")), QStringLiteral("iDs"));
    EXPECT_EQ(record.multiElements().value(QStringLiteral("Amounts")), QStringLiteral("amountss"));
    EXPECT_EQ(record.multiElementsTypes().value(QStringLiteral("Stamp")), QStringLiteral("NSDate"));
    EXPECT_EQ(record.attributeKeys().value(QStringLiteral("id")), QStringLiteral("identifier"));
    EXPECT_EQ(record.attributeTypes().value(QStringLiteral("visible")), QStringLiteral("BOOL"));
    EXPECT_FALSE(record.elements().contains(QStringLiteral("Note"))); // repeated elements stand apart
    EXPECT_EQ(record.booleanElements(), strings({"Enabled", "visible"}));

    const DWGeneratedClass& amount = FixtureAmountType::staticClass();
    EXPECT_TRUE(amount.hasSimpleContent());
    EXPECT_FALSE(record.hasSimpleContent());
    EXPECT_EQ(amount.elements(), (Table{{QStringLiteral("contents"), QStringLiteral("contents")}}));
    EXPECT_EQ(amount.attributeKeys(), (Table{{QStringLiteral("currencyID"), QStringLiteral("currencyID")}}));

    // Keys that C++ reserves keep their text in the tables.
    const DWGeneratedClass& awkward = FixtureAwkwardType::staticClass();
    for (const char* key : {"delete", "class", "signals", "default", "virtual", "namespace"})
        EXPECT_TRUE(awkward.elements().values().contains(QString::fromLatin1(key))) << key;
    EXPECT_EQ(awkward.booleanElements(), strings({"Delete", "Virtual"}));
}

TEST(GeneratedClass, SubclassTablesMergeTheirBase)
{
    const DWGeneratedClass& echo = FixtureEchoRequestType::staticClass();
    EXPECT_EQ(echo.elements().keys().size(), 4);
    for (const char* name : {"Version", "RequesterCredentials", "Record", "Urgent"})
        EXPECT_TRUE(echo.elements().contains(QString::fromLatin1(name))) << name;
    EXPECT_EQ(echo.multiElements(), (Table{{QStringLiteral("DetailLevel"), QStringLiteral("detailLevels")},
                                           {QStringLiteral("Tag"), QStringLiteral("tags")}}));
    EXPECT_EQ(echo.elementName(), QStringLiteral("EchoRequest"));
    EXPECT_TRUE(FixtureAbstractResponseType::staticClass().elementName().isNull());
    EXPECT_EQ(FixtureProbeType::staticClass().booleanElements(), strings({"Extra", "marked"}));
    EXPECT_EQ(FixtureProbeType::staticClass().elements().value(QStringLiteral("Name")), QStringLiteral("name"));
}

TEST(GeneratedClass, ClassWithoutOwnRowsAnswersWithTheBaseTablesThemselves)
{
    const DWGeneratedClass& quiet = FixtureQuietResponseType::staticClass();
    const DWGeneratedClass& base = FixtureAbstractResponseType::staticClass();
    EXPECT_EQ(&quiet.elements(), &base.elements());
    EXPECT_EQ(&quiet.elementTypes(), &base.elementTypes());
    EXPECT_EQ(&quiet.multiElements(), &base.multiElements());
    EXPECT_EQ(&quiet.multiElementsTypes(), &base.multiElementsTypes());
    EXPECT_EQ(&quiet.attributeKeys(), &base.attributeKeys());
    EXPECT_EQ(&quiet.attributeTypes(), &base.attributeTypes());
    EXPECT_EQ(&quiet.booleanElements(), &base.booleanElements());

    const DWGeneratedClass& list = FixtureListType::staticClass();
    const DWGeneratedClass& root = DWGeneratedObject::staticClass();
    EXPECT_EQ(&list.elements(), &root.elements());
    EXPECT_TRUE(list.elements().isEmpty());
    EXPECT_EQ(list.multiElements().value(QStringLiteral("Item")), QStringLiteral("items"));
}

TEST(GeneratedClass, TablesAreBuiltOnceAndSharedAcrossThreads)
{
    // Only this test touches the probe's tables, so the threads race for the first build.
    const DWGeneratedClass& probe = FixtureProbeType::staticClass();
    std::vector<const Table*> seen(8, nullptr);
    std::vector<const QStringList*> booleans(8, nullptr);
    std::vector<std::thread> threads;
    for (size_t i = 0; i < seen.size(); ++i) {
        threads.emplace_back([&, i] {
            seen[i] = &probe.elements();
            booleans[i] = &probe.booleanElements();
        });
    }
    for (std::thread& thread : threads)
        thread.join();
    for (size_t i = 0; i < seen.size(); ++i) {
        EXPECT_EQ(seen[i], &probe.elements());
        EXPECT_EQ(booleans[i], &probe.booleanElements());
    }
}

TEST(GeneratedClass, AccessByKeyAndKeyPath)
{
    auto request = FixtureEchoRequestType::echoRequestType();
    EXPECT_FALSE(request->valueForKey(QStringLiteral("record")).isValid());
    EXPECT_FALSE(request->valueForKeyPath(QStringLiteral("record.amount.contents")).isValid());
    EXPECT_FALSE(request->setValueForKeyPath(1.0, QStringLiteral("record.amount.contents")));

    auto record = FixtureRecordType::recordType();
    record->setAmount(FixtureAmountType::amountType());
    ASSERT_TRUE(request->setValueForKey(DWGeneratedObject::variantFromObject(record), QStringLiteral("record")));
    EXPECT_EQ(request->record(), record);
    ASSERT_TRUE(request->setValueForKeyPath(12.5, QStringLiteral("record.amount.contents")));
    EXPECT_EQ(record->amount()->contents(), 12.5);
    EXPECT_EQ(request->valueForKeyPath(QStringLiteral("record.amount.contents")), QVariant(12.5));
    ASSERT_TRUE(request->setValueForKey(QStringLiteral("747"), QStringLiteral("version"))); // a base row
    EXPECT_EQ(request->version(), QStringLiteral("747"));
    ASSERT_TRUE(request->setValueForKey(QVariant(), QStringLiteral("version")));
    EXPECT_TRUE(request->version().isNull());
    EXPECT_EQ(request->valueForKey(QStringLiteral("urgent")), QVariant(false)); // scalars are never unset

    struct Refusal
    {
        const char* name;
        const char* key;
        QVariant value;
    };
    const Refusal refusals[] = {
        {"unknown key", "nothing", QStringLiteral("x")},
        {"number for text", "title", 5},
        {"text for a number", "count", QStringLiteral("5")},
        {"text for a date", "startTime", QStringLiteral("2024-01-01")},
        {"record of another class", "amount", DWGeneratedObject::variantFromObject(FixtureNodeType::nodeType())},
        {"unset array item", "notes", QVariantList{QStringLiteral("a"), QVariant()}},
        {"array item of the wrong kind", "amountss", QVariantList{QStringLiteral("a")}},
        {"single value for an array", "notes", QStringLiteral("a")},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.name);
        auto fresh = FixtureRecordType::recordType();
        EXPECT_FALSE(fresh->setValueForKey(refusal.value, QString::fromLatin1(refusal.key)));
        EXPECT_TRUE(fresh->isEqual(*FixtureRecordType::recordType()));
    }
}

TEST(GeneratedClass, AddOperationsCreateAndShareTheArray)
{
    auto record = FixtureRecordType::recordType();
    EXPECT_FALSE(record->notes());
    record->addNote(QStringLiteral("a"));
    const DWArray<QString> first = record->notes();
    record->addNote(QStringLiteral("b"));
    EXPECT_EQ(record->notes(), first);
    EXPECT_EQ(*first, (QList<QString>{QStringLiteral("a"), QStringLiteral("b")}));

    record->setNotes(nullptr);
    record->addNote(QStringLiteral("c"));
    EXPECT_NE(record->notes(), first);
    EXPECT_EQ(record->notes()->size(), 1);

    // The setter keeps the caller's array itself: later adds land in it.
    auto mine = std::make_shared<QList<QString>>(QList<QString>{QStringLiteral("x")});
    record->setIDs(mine);
    record->addID(QStringLiteral("y"));
    EXPECT_EQ(*mine, (QList<QString>{QStringLiteral("x"), QStringLiteral("y")}));

    EXPECT_THROW(record->addNote(QString()), dw::InternalInconsistency);
    EXPECT_THROW(record->addAmounts(nullptr), dw::InternalInconsistency);
}

TEST(GeneratedClass, ReservedWordsAndDescriptionHaveWorkingAccessors)
{
    auto awkward = FixtureAwkwardType::awkwardType();
    awkward->setDelete(true);
    awkward->setClass(QStringLiteral("c"));
    awkward->setSignals(QStringLiteral("s"));
    awkward->setNamespace(QStringLiteral("n"));
    awkward->setDefault(3);
    EXPECT_TRUE(awkward->delete_());
    EXPECT_EQ(awkward->valueForKey(QStringLiteral("delete")), QVariant(true));
    EXPECT_EQ(awkward->valueForKey(QStringLiteral("class")), QVariant(QStringLiteral("c")));
    EXPECT_EQ(awkward->signals_(), QStringLiteral("s"));
    EXPECT_EQ(awkward->namespace_(), QStringLiteral("n"));
    EXPECT_EQ(awkward->default_(), 3);

    auto record = FixtureRecordType::recordType();
    EXPECT_TRUE(record->description().isNull());
    record->setDescription(QStringLiteral("Boxed"));
    const DWGeneratedObject& base = *record;
    EXPECT_EQ(base.description(), QStringLiteral("Boxed"));
    EXPECT_TRUE(FixtureNodeType::nodeType()->description().startsWith(QStringLiteral("<FixtureNodeType: 0x")));
}

TEST(GeneratedClass, RegistryFindsClassesByNameElementAndCall)
{
    const DWGeneratedClassRegistry& registry = FixtureTypes::registry();
    EXPECT_EQ(registry.allClasses().size(), 14);
    EXPECT_EQ(registry.classNamed(QStringLiteral("FixtureNodeType")), &FixtureNodeType::staticClass());
    EXPECT_EQ(registry.classForElementName(QStringLiteral("EchoRequest")), &FixtureEchoRequestType::staticClass());
    EXPECT_EQ(registry.requestClassForCall(QStringLiteral("Echo")), &FixtureEchoRequestType::staticClass());
    EXPECT_EQ(registry.responseClassForCall(QStringLiteral("Quiet")), &FixtureQuietResponseType::staticClass());
    EXPECT_EQ(registry.requestClassForCall(QStringLiteral("Quiet")), nullptr);
    EXPECT_EQ(registry.classNamed(QStringLiteral("FixtureMissingType")), nullptr);

    auto created = registry.classNamed(QStringLiteral("FixtureListType"))->create();
    EXPECT_TRUE(std::dynamic_pointer_cast<FixtureListType>(created));
}
