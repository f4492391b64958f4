#include "ArchiveTestClasses.h"
#include "MacArchiveBuilder.h"

#include "platform/archive/ArchivedDecimalNumber.h"
#include "platform/archive/ArchivedImage.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

namespace {

using B = MacArchiveBuilder;

// A listing-like document as the platform writes it: a root array with one container whose
// record shares one media object from two keys and holds a mutable string, a mutable dictionary,
// a date, nested arrays and numbers archived as objects.
QByteArray macDocument(dw::plist::Format format = dw::plist::Format::Binary)
{
    B b;
    const int rootArray = b.reserve();
    const int record = b.reserve();
    const int arrayClass = b.classEntry({QStringLiteral("NSArray"), QStringLiteral("NSObject")});
    b.set(rootArray, B::object(arrayClass, {{QStringLiteral("NS.objects"), QVariantList{B::uid(record)}}}));

    const int title = b.add(QStringLiteral("Brass lamp"));
    const int mutableStringClass =
        b.classEntry({QStringLiteral("NSMutableString"), QStringLiteral("NSString"), QStringLiteral("NSObject")});
    const int subtitle = b.add(B::object(mutableStringClass, {{QStringLiteral("NS.string"), QStringLiteral("Works")}}));
    const int url = b.add(QStringLiteral("http://example.invalid/v"));
    const int mediaClass = b.classEntry({QStringLiteral("TestMedia"), QStringLiteral("NSObject")});
    const int media = b.add(B::object(mediaClass, {{QStringLiteral("url"), B::uid(url)}}));

    const int dateClass = b.classEntry({QStringLiteral("NSDate"), QStringLiteral("NSObject")});
    const int date = b.add(B::object(dateClass, {{QStringLiteral("NS.time"), 300000000.5}}));

    const int mutableDictionaryClass = b.classEntry(
        {QStringLiteral("NSMutableDictionary"), QStringLiteral("NSDictionary"), QStringLiteral("NSObject")});
    const int keySite = b.add(QStringLiteral("siteID"));
    const int keyName = b.add(QStringLiteral("accountName"));
    const int seventySeven = b.add(77);
    const int dictionary =
        b.add(B::object(mutableDictionaryClass,
                        {{QStringLiteral("NS.keys"), QVariantList{B::uid(keySite), B::uid(keyName)}},
                         {QStringLiteral("NS.objects"), QVariantList{B::uid(seventySeven), B::uid(subtitle)}}}));

    const int mutableArrayClass =
        b.classEntry({QStringLiteral("NSMutableArray"), QStringLiteral("NSArray"), QStringLiteral("NSObject")});
    const int half = b.add(0.5);
    const int yes = b.add(true);
    const int inner =
        b.add(B::object(arrayClass, {{QStringLiteral("NS.objects"), QVariantList{B::uid(half), B::uid(0)}}}));
    const int outer = b.add(B::object(
        mutableArrayClass, {{QStringLiteral("NS.objects"), QVariantList{B::uid(yes), B::uid(inner), B::uid(media)}}}));

    const int recordClass = b.classEntry({QStringLiteral("TestRecord"), QStringLiteral("NSObject")});
    b.set(record, B::object(recordClass, {{QStringLiteral("title"), B::uid(title)},
                                          {QStringLiteral("flag"), true},
                                          {QStringLiteral("quantity"), -12},
                                          {QStringLiteral("price"), 3},
                                          {QStringLiteral("timestamp"), B::uid(date)},
                                          {QStringLiteral("attributes"), B::uid(dictionary)},
                                          {QStringLiteral("list"), B::uid(outer)},
                                          {QStringLiteral("media"), B::uid(media)},
                                          {QStringLiteral("sameMedia"), B::uid(media)}}));
    return b.bytes(rootArray, format);
}

TEST(KeyedUnarchiver, ArchiveWrittenTheMacWayReadsBackWithTheRightValues)
{
    ScopedTestClasses classes;
    for (const auto format : {dw::plist::Format::Binary, dw::plist::Format::Xml}) {
        SCOPED_TRACE(format == dw::plist::Format::Binary ? "binary" : "XML");
        QString error;
        const auto root = dw::KeyedUnarchiver::unarchiveObjectWithData(macDocument(format), &error);
        ASSERT_TRUE(root) << error.toStdString();
        const auto record = dw::archivedObjectCast<TestRecord>(root->toList().value(0));
        ASSERT_TRUE(record);
        EXPECT_EQ(record->title, QStringLiteral("Brass lamp"));
        EXPECT_TRUE(record->flag);
        EXPECT_EQ(record->quantity, -12);
        EXPECT_EQ(record->price, 3.0); // an integer read as a double
        EXPECT_EQ(record->timestamp, QDateTime(QDate(2010, 7, 5), QTime(5, 20, 0, 500), Qt::UTC));
        EXPECT_EQ(record->attributes, (QVariantMap{{QStringLiteral("siteID"), qlonglong(77)},
                                                   {QStringLiteral("accountName"), QStringLiteral("Works")}}));
        ASSERT_EQ(record->list.size(), 3);
        EXPECT_EQ(record->list[0], QVariant(true));
        EXPECT_EQ(record->list[1], (QVariantList{0.5, QVariant()}));
        ASSERT_TRUE(record->media);
        EXPECT_EQ(record->media->url, QStringLiteral("http://example.invalid/v"));
        EXPECT_EQ(record->sameMedia, record->media);
        EXPECT_EQ(dw::archivedObjectCast<TestMedia>(record->list[2]), record->media);
    }
}

TEST(KeyedUnarchiver, UnknownClassRoundTripsOpaque)
{
    // A record of a class this build does not know, with fields of every storage form.
    B b;
    const int text = b.add(QStringLiteral("kept"));
    const int futureClass =
        b.classEntry({QStringLiteral("QMFutureRecord"), QStringLiteral("QMRecord"), QStringLiteral("NSObject")});
    const int other = b.reserve();
    const int root = b.add(B::object(futureClass, {{QStringLiteral("count"), 4},
                                                   {QStringLiteral("label"), B::uid(text)},
                                                   {QStringLiteral("size"), QStringLiteral("{10, 20}")},
                                                   {QStringLiteral("refs"), QVariantList{B::uid(other), B::uid(other)}},
                                                   {QStringLiteral("nothing"), B::uid(0)}}));
    b.set(other, B::object(futureClass, {{QStringLiteral("count"), 5}}));

    QString error;
    const auto first = dw::KeyedUnarchiver::unarchiveObjectWithData(b.bytes(root), &error);
    ASSERT_TRUE(first) << error.toStdString();
    const auto opaque = dw::archivedObjectCast<dw::OpaqueArchivedObject>(*first);
    ASSERT_TRUE(opaque);
    EXPECT_EQ(dw::archiveClassName(*first), QStringLiteral("QMFutureRecord"));

    // Written by us and read again: same classes, same fields, the shared object still shared.
    const auto second =
        dw::KeyedUnarchiver::unarchiveObjectWithData(dw::KeyedArchiver::archivedDataWithRootObject(*first), &error);
    ASSERT_TRUE(second) << error.toStdString();
    const auto again = dw::archivedObjectCast<dw::OpaqueArchivedObject>(*second);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->archiveClassChain(), opaque->archiveClassChain());
    EXPECT_EQ(again->fields().value(QStringLiteral("count")), QVariant(qlonglong(4)));
    EXPECT_EQ(again->value(QStringLiteral("label")), QVariant(QStringLiteral("kept")));
    EXPECT_EQ(again->fields().value(QStringLiteral("size")), QVariant(QStringLiteral("{10, 20}")));
    EXPECT_EQ(again->fields().value(QStringLiteral("nothing")).typeId(), qMetaTypeId<dw::ArchiveReference>());
    const QVariantList refs = again->fields().value(QStringLiteral("refs")).toList();
    ASSERT_EQ(refs.size(), 2);
    const auto firstRef =
        dw::archivedObjectCast<dw::OpaqueArchivedObject>(refs[0].value<dw::ArchiveReference>().target);
    ASSERT_TRUE(firstRef);
    EXPECT_EQ(firstRef->fields().value(QStringLiteral("count")), QVariant(qlonglong(5)));
    EXPECT_EQ(refs[0], refs[1]);
}

TEST(KeyedUnarchiver, AliasesWrongClassesAndMissingKeys)
{
    ScopedTestClasses classes;
    dw::KeyedUnarchiver::registerClassAlias(QStringLiteral("TestOldMedia"), QStringLiteral("TestMedia"));
    B b;
    const int url = b.add(QStringLiteral("u"));
    const int oldMediaClass = b.classEntry({QStringLiteral("TestOldMedia"), QStringLiteral("NSObject")});
    const int media = b.add(B::object(oldMediaClass, {{QStringLiteral("url"), B::uid(url)}}));
    const int recordClass = b.classEntry({QStringLiteral("TestRecord"), QStringLiteral("NSObject")});
    // "media" holds text and "child" a media object: both of the wrong class.
    const int record = b.add(B::object(recordClass, {{QStringLiteral("media"), B::uid(url)},
                                                     {QStringLiteral("child"), B::uid(media)},
                                                     {QStringLiteral("quantity"), QStringLiteral("12")}}));
    const int arrayClass = b.classEntry({QStringLiteral("NSArray"), QStringLiteral("NSObject")});
    const int root =
        b.add(B::object(arrayClass, {{QStringLiteral("NS.objects"), QVariantList{B::uid(media), B::uid(record)}}}));

    const auto value = dw::KeyedUnarchiver::unarchiveObjectWithData(b.bytes(root));
    dw::KeyedUnarchiver::unregisterClass(QStringLiteral("TestOldMedia"));
    ASSERT_TRUE(value);
    const QVariantList list = value->toList();
    const auto oldMedia = dw::archivedObjectCast<TestMedia>(list.value(0));
    ASSERT_TRUE(oldMedia);
    EXPECT_EQ(oldMedia->url, QStringLiteral("u"));

    const auto read = dw::archivedObjectCast<TestRecord>(list.value(1));
    ASSERT_TRUE(read);
    EXPECT_EQ(read->media, nullptr);
    EXPECT_EQ(read->child, nullptr);
    EXPECT_EQ(read->quantity, 0); // text under an integer key reads as 0
    EXPECT_EQ(read->title, QString());
    EXPECT_FALSE(read->flag);
    EXPECT_EQ(dw::archiveClassName(QVariant(QStringLiteral("u"))), QStringLiteral("NSString"));
}

TEST(KeyedUnarchiver, FailureInsideOnePartLeavesTheOthersReadable)
{
    // A container whose "item" refers to itself; its "encodingFormat" is still readable.
    B b;
    const int containerClass = b.classEntry({QStringLiteral("Container"), QStringLiteral("NSObject")});
    const int arrayClass = b.classEntry({QStringLiteral("NSArray"), QStringLiteral("NSObject")});
    const int loop = b.reserve();
    b.set(loop, B::object(arrayClass, {{QStringLiteral("NS.objects"), QVariantList{B::uid(loop)}}}));
    const int format = b.add(QStringLiteral("2"));
    const int container = b.add(B::object(
        containerClass, {{QStringLiteral("item"), B::uid(loop)}, {QStringLiteral("encodingFormat"), B::uid(format)}}));

    QString itemError;
    QString formatText;
    dw::KeyedUnarchiver::registerClass(QStringLiteral("Container"), [&](dw::KeyedUnarchiver& coder) {
        EXPECT_FALSE(coder.tryDecodeObjectForKey(QStringLiteral("item"), &itemError));
        formatText = coder.decodeObjectForKey(QStringLiteral("encodingFormat")).toString();
        return dw::ArchivedObjectPtr(std::make_shared<TestMedia>());
    });
    QString error;
    const auto root = dw::KeyedUnarchiver::unarchiveObjectWithData(b.bytes(container), &error);
    dw::KeyedUnarchiver::unregisterClass(QStringLiteral("Container"));
    EXPECT_TRUE(root) << error.toStdString();
    EXPECT_TRUE(itemError.contains(QStringLiteral("refers to itself"))) << itemError.toStdString();
    EXPECT_EQ(formatText, QStringLiteral("2"));
}

// Damaged archives, each built to show one fault. Every one must fail with an error, never crash.
TEST(KeyedUnarchiver, DamagedArchivesFailWithAnError)
{
    struct Row
    {
        const char* name;
        std::function<QByteArray()> bytes;
        const char* error;
    };
    const auto arrayOf = [](int classIndex, QVariantList refs) {
        return B::object(classIndex, {{QStringLiteral("NS.objects"), refs}});
    };
    const Row rows[] = {
        {"empty", [] { return QByteArray(); }, "empty"},
        {"not a property list", [] { return QByteArray("hello, world"); }, "property list"},
        {"plain property list",
         [] {
             return dw::plist::write(QVariantList{1, 2});
         },
         "not a keyed archive"},
        {"no root",
         [] {
             QVariantMap top = B().topLevel(0);
             top.insert(QStringLiteral("$top"), QVariantMap());
             return dw::plist::write(top, dw::plist::Format::Binary);
         },
         "no root"},
        {"reference past the objects", [] { return B().bytes(9); }, "refers to object 9"},
        {"object without class",
         [] {
             B b;
             return b.bytes(b.add(QVariantMap{{QStringLiteral("x"), 1}}));
         },
         "has no class"},
        {"array that contains itself",
         [&] {
             B b;
             const int cls = b.classEntry({QStringLiteral("NSMutableArray"), QStringLiteral("NSArray")});
             const int a = b.reserve();
             const int c = b.add(arrayOf(cls, {B::uid(a)}));
             b.set(a, arrayOf(cls, {B::uid(c)}));
             return b.bytes(a);
         },
         "refers to itself"},
        {"arrays nested past the depth cap",
         [&] {
             B b;
             const int cls = b.classEntry({QStringLiteral("NSArray")});
             int inner = b.add(QStringLiteral("leaf"));
             for (int i = 0; i < dw::KeyedUnarchiver::kMaxDepth + 10; ++i)
                 inner = b.add(arrayOf(cls, {B::uid(inner)}));
             return b.bytes(inner);
         },
         "nested more than"},
        {"shared arrays that expand beyond the cap",
         [&] {
             // 40 levels, each array holding the next one twice: 2^40 values from 80 entries.
             B b;
             const int cls = b.classEntry({QStringLiteral("NSArray")});
             int inner = b.add(1);
             for (int i = 0; i < 40; ++i)
                 inner = b.add(arrayOf(cls, {B::uid(inner), B::uid(inner)}));
             return b.bytes(inner);
         },
         "expands to more than"},
        {"dictionary with more keys than values",
         [] {
             B b;
             const int cls = b.classEntry({QStringLiteral("NSDictionary")});
             const int key = b.add(QStringLiteral("k"));
             return b.bytes(b.add(B::object(cls, {{QStringLiteral("NS.keys"), QVariantList{B::uid(key)}}})));
         },
         "1 keys for 0 values"},
        {"decimal number with too long a mantissa",
         [] {
             B b;
             const int cls = b.classEntry({QStringLiteral("NSDecimalNumber")});
             return b.bytes(b.add(B::object(
                 cls, {{QStringLiteral("NS.length"), 9}, {QStringLiteral("NS.mantissa"), QByteArray(16, '\1')}})));
         },
         "decimal number"},
        {"date far outside any calendar",
         [] {
             B b;
             const int cls = b.classEntry({QStringLiteral("NSDate")});
             return b.bytes(b.add(B::object(cls, {{QStringLiteral("NS.time"), 1e300}})));
         },
         "date"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        QString error;
        EXPECT_FALSE(dw::KeyedUnarchiver::unarchiveObjectWithData(row.bytes(), &error));
        EXPECT_TRUE(error.contains(QLatin1String(row.error))) << error.toStdString();
    }
}

TEST(KeyedUnarchiver, TruncatedAndScrambledArchivesNeverCrash)
{
    ScopedTestClasses classes;
    const QByteArray good = macDocument();
    ASSERT_TRUE(dw::KeyedUnarchiver::unarchiveObjectWithData(good));
    for (qsizetype length = 0; length < good.size(); ++length)
        EXPECT_FALSE(dw::KeyedUnarchiver::unarchiveObjectWithData(good.left(length))) << "length " << length;

    // Scrambled copies may or may not read; they must come back either way (run under
    // AddressSanitizer to see that no read strays).
    QRandomGenerator random(20240611);
    for (int round = 0; round < 3000; ++round) {
        QByteArray bytes = good;
        const int flips = 1 + random.bounded(4);
        for (int i = 0; i < flips; ++i)
            bytes[random.bounded(int(bytes.size()))] = char(random.bounded(256));
        (void)dw::KeyedUnarchiver::unarchiveObjectWithData(bytes);
    }
}

TEST(KeyedUnarchiver, PlainPropertyListsReadWhereAllowed)
{
    const QByteArray plain = dw::plist::write(QVariantMap{{QStringLiteral("fileFormatVersion"), 0}});
    const auto value = dw::KeyedUnarchiver::unarchiveObjectOrPropertyList(plain);
    ASSERT_TRUE(value);
    EXPECT_EQ(value->toMap().value(QStringLiteral("fileFormatVersion")), QVariant(qlonglong(0)));
    EXPECT_FALSE(dw::KeyedUnarchiver::unarchiveObjectWithData(plain));
    const auto keyed = dw::KeyedUnarchiver::unarchiveObjectOrPropertyList(
        dw::KeyedArchiver::archivedDataWithRootObject(QStringLiteral("keyed")));
    ASSERT_TRUE(keyed);
    EXPECT_EQ(keyed->toString(), QStringLiteral("keyed"));
}

// An NSImage whose "NSReps" is built by reps(b, repClass, arrayClass) and returns its entry.
QByteArray imageArchive(const std::function<int(B&, int, int)>& reps)
{
    B b;
    const int repClass =
        b.classEntry({QStringLiteral("NSBitmapImageRep"), QStringLiteral("NSImageRep"), QStringLiteral("NSObject")});
    const int arrayClass = b.classEntry({QStringLiteral("NSMutableArray"), QStringLiteral("NSArray")});
    const int repList = reps(b, repClass, arrayClass);
    const int imageClass = b.classEntry({QStringLiteral("NSImage"), QStringLiteral("NSObject")});
    return b.bytes(b.add(B::object(
        imageClass, {{QStringLiteral("NSReps"), B::uid(repList)}, {QStringLiteral("NSImageFlags"), 12582912}})));
}

int representation(B& b, int repClass, const QByteArray& bytes)
{
    return b.add(B::object(repClass, {{QStringLiteral("NSTIFFRepresentation"), B::uid(b.add(bytes))}}));
}

TEST(KeyedUnarchiver, ImageKeepsItsRepresentationsUndecoded)
{
    // Older archives pair each representation with a kind number.
    const QByteArray archive = imageArchive([](B& b, int repClass, int arrayClass) {
        const int zero = b.add(0);
        const int rep = representation(b, repClass, "II*\0 picture bytes");
        const int pair =
            b.add(B::object(arrayClass, {{QStringLiteral("NS.objects"), QVariantList{B::uid(zero), B::uid(rep)}}}));
        return b.add(B::object(arrayClass, {{QStringLiteral("NS.objects"), QVariantList{B::uid(pair)}}}));
    });
    QString error;
    const auto image = dw::KeyedUnarchiver::unarchiveObjectWithData(archive, &error);
    ASSERT_TRUE(image) << error.toStdString();
    ASSERT_EQ(image->typeId(), qMetaTypeId<dw::ArchivedImage>());
    EXPECT_EQ(image->value<dw::ArchivedImage>().representations(), QList<QByteArray>{"II*\0 picture bytes"});
    EXPECT_EQ(dw::archiveClassName(*image), QStringLiteral("NSImage"));

    // Written back as it came.
    const auto again =
        dw::KeyedUnarchiver::unarchiveObjectWithData(dw::KeyedArchiver::archivedDataWithRootObject(*image), &error);
    ASSERT_TRUE(again) << error.toStdString();
    EXPECT_EQ(again->value<dw::ArchivedImage>().representations(), QList<QByteArray>{"II*\0 picture bytes"});
    EXPECT_EQ(again->value<dw::ArchivedImage>().archivedObject()->fields().value(QStringLiteral("NSImageFlags")),
              QVariant(qlonglong(12582912)));

    // Without any bytes it stays the object it was.
    const auto empty = dw::KeyedUnarchiver::unarchiveObjectWithData(imageArchive([](B& b, int, int arrayClass) {
        return b.add(B::object(arrayClass, {{QStringLiteral("NS.objects"), QVariantList{}}}));
    }));
    ASSERT_TRUE(empty);
    EXPECT_TRUE(dw::archivedObjectCast<dw::OpaqueArchivedObject>(*empty));
}

TEST(KeyedUnarchiver, ImageWithSharedRepresentationListsLooksAtEachOnce)
{
    // 19 levels of lists, each holding the next twice and a representation of its own: 2^18 paths
    // to the innermost one from some 80 entries.
    const QByteArray archive = imageArchive([](B& b, int repClass, int arrayClass) {
        int inner = representation(b, repClass, "level 0");
        for (int level = 1; level <= 18; ++level) {
            const int own = representation(b, repClass, "level " + QByteArray::number(level));
            inner = b.add(B::object(
                arrayClass, {{QStringLiteral("NS.objects"), QVariantList{B::uid(own), B::uid(inner), B::uid(inner)}}}));
        }
        return inner;
    });
    QString error;
    const auto image = dw::KeyedUnarchiver::unarchiveObjectWithData(archive, &error);
    ASSERT_TRUE(image) << error.toStdString();
    const QList<QByteArray> representations = image->value<dw::ArchivedImage>().representations();
    ASSERT_EQ(representations.size(), dw::ArchivedImage::kMaxRepresentations);
    EXPECT_EQ(representations.first(), QByteArray("level 18"));
    EXPECT_EQ(representations.last(), QByteArray("level 3"));
}

TEST(KeyedUnarchiver, DecimalNumbersReadAsTheirText)
{
    // 1250 x 10^-2 in the platform's layout: little-endian 16-bit mantissa words.
    B b;
    const int cls = b.classEntry({QStringLiteral("NSDecimalNumberPlaceholder"), QStringLiteral("NSDecimalNumber"),
                                  QStringLiteral("NSNumber"), QStringLiteral("NSValue"), QStringLiteral("NSObject")});
    QByteArray mantissa(16, '\0');
    mantissa[0] = char(1250 & 0xFF);
    mantissa[1] = char(1250 >> 8);
    const int number = b.add(B::object(cls, {{QStringLiteral("NS.exponent"), -2},
                                             {QStringLiteral("NS.length"), 1},
                                             {QStringLiteral("NS.negative"), false},
                                             {QStringLiteral("NS.compact"), true},
                                             {QStringLiteral("NS.mantissa.bo"), 1},
                                             {QStringLiteral("NS.mantissa"), mantissa}}));
    const auto value = dw::KeyedUnarchiver::unarchiveObjectWithData(b.bytes(number));
    ASSERT_TRUE(value);
    EXPECT_EQ(value->typeId(), qMetaTypeId<dw::ArchivedDecimalNumber>());
    EXPECT_EQ(value->toString(), QStringLiteral("12.5"));
    EXPECT_EQ(dw::archiveClassName(*value), QStringLiteral("NSDecimalNumber"));
}

} // namespace
