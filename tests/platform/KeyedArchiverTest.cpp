#include "ArchiveTestClasses.h"

#include "platform/archive/ArchivedImage.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"
#include "platform/core/DWAssert.h"

#include <QCryptographicHash>
#include <QFile>
#include <QPoint>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <plist/plist.h>

namespace {

std::shared_ptr<TestRecord> sampleRecord()
{
    auto media = std::make_shared<TestMedia>();
    media->url = QStringLiteral("http://example.invalid/v.swf");
    media->type = QStringLiteral("application/x-shockwave-flash");

    auto child = std::make_shared<TestRecord>();
    child->title = QStringLiteral("child");
    child->media = media;

    auto record = std::make_shared<TestRecord>();
    record->title = QStringLiteral("Vintage lamp – brass, 1950s");
    record->flag = true;
    record->quantity = -3;
    record->big = qint64(1) << 40;
    record->price = 12.5;
    record->ratio = 0.25f;
    record->timestamp = QDateTime::fromMSecsSinceEpoch(1300000000123, Qt::UTC);
    record->bytes = QByteArray("\x00\x01\xff", 3);
    // A null QString is nil and stays apart from "".
    record->list = {QStringLiteral("a"), 7, 2.5, true, QVariantList{QStringLiteral("nested"), QVariant()}, QString(),
                    QStringLiteral("")};
    record->attributes = {{QStringLiteral("siteID"), 77}, {QStringLiteral("empty"), QStringLiteral("")}};
    record->media = media;
    record->sameMedia = media;
    record->child = child;
    return record;
}

TEST(KeyedArchiver, RecordReadsBackEqualWithSharedObjectsShared)
{
    ScopedTestClasses classes;
    const auto record = sampleRecord();
    const QByteArray data = dw::KeyedArchiver::archivedDataWithRootObject(QVariantList{dw::archiveValue(record)});

    QString error;
    const auto root = dw::KeyedUnarchiver::unarchiveObjectWithData(data, &error);
    ASSERT_TRUE(root) << error.toStdString();
    ASSERT_EQ(root->toList().size(), 1);
    const auto read = dw::archivedObjectCast<TestRecord>(root->toList().first());
    ASSERT_TRUE(read);
    EXPECT_EQ(read->title, record->title);
    EXPECT_EQ(read->flag, true);
    EXPECT_EQ(read->quantity, -3);
    EXPECT_EQ(read->big, record->big);
    EXPECT_EQ(read->price, 12.5);
    EXPECT_EQ(read->ratio, 0.25f);
    EXPECT_EQ(read->timestamp, record->timestamp);
    EXPECT_EQ(read->bytes, record->bytes);
    EXPECT_EQ(read->list,
              (QVariantList{QStringLiteral("a"), qlonglong(7), 2.5, true,
                            QVariantList{QStringLiteral("nested"), QVariant()}, QVariant(), QStringLiteral("")}));
    EXPECT_FALSE(read->list.value(5).isValid());
    EXPECT_FALSE(read->list.value(6).toString().isNull());
    EXPECT_EQ(read->attributes,
              (QVariantMap{{QStringLiteral("siteID"), qlonglong(77)}, {QStringLiteral("empty"), QString()}}));
    ASSERT_TRUE(read->media);
    EXPECT_EQ(read->media->url, record->media->url);
    // One object encoded from three places is one object again after reading.
    EXPECT_EQ(read->media, read->sameMedia);
    ASSERT_TRUE(read->child);
    EXPECT_EQ(read->child->media, read->media);
    EXPECT_EQ(read->child->child, nullptr);
}

TEST(KeyedArchiver, PythonPlistlibSeesTheKeyedArchiveStructure)
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("record.archive"));
    const auto record = sampleRecord();
    ASSERT_TRUE(dw::KeyedArchiver::archiveRootObject(QVariantList{dw::archiveValue(record)}, path));

    // An independent reader of binary property lists walks the archive from its root.
    const char* script = R"(
import plistlib, sys
archive = plistlib.load(open(sys.argv[1], 'rb'))
objects = archive['$objects']
def cls(entry): return objects[entry['$class'].data]['$classname']
root = objects[archive['$top']['root'].data]
first = objects[root['NS.objects'][0].data]
media = [o for o in objects if isinstance(o, dict) and '$class' in o and cls(o) == 'TestMedia']
print(archive['$archiver'], archive['$version'], objects[0], cls(root), cls(first), len(media),
      objects[first['title'].data], first['quantity'], objects[first['media'].data]['url'].__class__.__name__,
      objects[objects[first['media'].data]['url'].data])
)";
    QProcess python;
    python.start(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromUtf8(script), path});
    ASSERT_TRUE(python.waitForFinished(60000));
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromUtf8(python.readAllStandardOutput()).trimmed(),
              QStringLiteral("NSKeyedArchiver 100000 $null NSMutableArray TestRecord 1 "
                             "Vintage lamp – brass, 1950s -3 UID http://example.invalid/v.swf"));
}

// Large data (a document's pictures) reaches the file as its own pieces, neither copied nor hashed
// on the way; the file must be the same property list all the same, for our reader and for an
// independent one, with equal blocks stored once and texts that libplist cannot carry intact.
TEST(KeyedArchiver, LargeDataIsWrittenAsItIsAndReadsBackEverywhere)
{
    QList<QByteArray> blocks;
    for (const qsizetype size :
         {qsizetype(16 * 1024 - 1), qsizetype(16 * 1024), qsizetype(65536), qsizetype(1) << 20}) {
        QByteArray block(size, Qt::Uninitialized);
        for (qsizetype i = 0; i < size; ++i)
            block[i] = char((i * 7 + size) % 251);
        blocks << block;
    }
    const QByteArray sameBytes(blocks.at(2).constData(), blocks.at(2).size()); // equal, not shared
    const QString text = QStringLiteral("nul") + QChar(0) + QStringLiteral("inside");
    const QVariantList root{blocks.at(0), blocks.at(1), blocks.at(2),       text,
                            blocks.at(3), sameBytes,    QByteArray("small")};

    dw::KeyedArchiver archiver;
    archiver.encodeObject(root, QStringLiteral("root"));
    const QList<QByteArray> pieces = archiver.encodedPieces();
    EXPECT_TRUE(std::any_of(pieces.cbegin(), pieces.cend(), [&](const QByteArray& piece) {
        return piece.constData() == blocks.at(3).constData();
    })) << "the megabyte is written from where it is";
    QByteArray joined;
    for (const QByteArray& piece : pieces)
        joined += piece;
    EXPECT_EQ(joined, dw::KeyedArchiver::archivedDataWithRootObject(root));

    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("blocks.archive"));
    ASSERT_TRUE(dw::KeyedArchiver::archiveRootObject(root, path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), joined);

    QString error;
    const auto read = dw::KeyedUnarchiver::unarchiveObjectWithData(joined, &error);
    ASSERT_TRUE(read) << error.toStdString();
    EXPECT_EQ(read->toList(), root);

    const char* script = R"(
import hashlib, plistlib, sys
archive = plistlib.load(open(sys.argv[1], 'rb'))
objects = archive['$objects']
items = objects[archive['$top']['root'].data]['NS.objects']
print(' '.join(hashlib.sha256(objects[i.data]).hexdigest()[:12] if isinstance(objects[i.data], bytes) else
               repr(objects[i.data]) for i in items), items[2].data == items[5].data)
)";
    QStringList expected;
    for (const QVariant& value : root) {
        expected
            << (value.typeId() == QMetaType::QByteArray
                    ? QString::fromLatin1(
                          QCryptographicHash::hash(value.toByteArray(), QCryptographicHash::Sha256).toHex().left(12))
                    : QStringLiteral("'nul\\x00inside'"));
    }
    QProcess python;
    python.start(QStringLiteral("python3"), {QStringLiteral("-c"), QString::fromUtf8(script), path});
    ASSERT_TRUE(python.waitForFinished(60000));
    EXPECT_EQ(python.exitCode(), 0) << python.readAllStandardError().toStdString();
    EXPECT_EQ(QString::fromUtf8(python.readAllStandardOutput()).trimmed(),
              expected.join(u' ') + QStringLiteral(" True"));
}

// Large data reaches the file past libplist, which writes the rest with placeholders in its place;
// the file must still be byte for byte what libplist writes for the same tree, so that documents
// stay what they always were. The widths of the offset table follow the file's real size, also
// where the real bytes push it past 64 KiB or 4 GiB... as far as a test can go: past 64 KiB.
TEST(KeyedArchiver, FilesWithLargeDataAreWhatLibplistWritesForTheSameTree)
{
    const auto block = [](qsizetype size, int seed) {
        QByteArray bytes(size, Qt::Uninitialized);
        for (qsizetype i = 0; i < size; ++i)
            bytes[i] = char((i * 13 + seed) % 251);
        return bytes;
    };
    struct Row
    {
        const char* name;
        QVariantList root;
    };
    const Row rows[] = {
        {"one block, the file under 64 KiB", {block(16 * 1024, 1), QStringLiteral("Lampe – Messing")}},
        {"one block, the file just past 64 KiB", {QStringLiteral("first"), block(65536 - 200, 2)}},
        {"blocks that push the file past 64 KiB", {block(40000, 3), block(40000, 4), QByteArray("small")}},
        {"equal blocks and a megabyte", {block(1 << 20, 5), block(20000, 6), block(20000, 6), 42}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QByteArray ours = dw::KeyedArchiver::archivedDataWithRootObject(row.root);
        plist_t tree = nullptr;
        plist_from_bin(ours.constData(), uint32_t(ours.size()), &tree);
        ASSERT_TRUE(tree);
        char* bytes = nullptr;
        uint32_t length = 0;
        plist_to_bin(tree, &bytes, &length);
        const QByteArray theirs(bytes, qsizetype(length));
        plist_to_bin_free(bytes);
        plist_free(tree);
        ASSERT_EQ(ours.size(), theirs.size());
        EXPECT_TRUE(ours == theirs) << "first difference at byte "
                                    << std::mismatch(ours.cbegin(), ours.cend(), theirs.cbegin()).first - ours.cbegin();
    }
}

TEST(KeyedArchiver, ArchivesThatCouldNotBeReadBackAreRefused)
{
    struct Row
    {
        const char* name;
        std::function<QVariant()> root;
    };
    const Row rows[] = {
        {"object that contains itself",
         [] {
             auto record = std::make_shared<TestRecord>();
             record->child = record;
             return dw::archiveValue(record);
         }},
        {"value without an archive form", [] { return QVariant(QPoint(1, 2)); }},
        {"picture that no archive supplied (images are read, not made)",
         [] { return QVariant::fromValue(dw::ArchivedImage({QByteArray("II*")})); }},
        {"lists nested past the read cap",
         [] {
             QVariant value = QStringLiteral("leaf");
             for (int i = 0; i < dw::KeyedUnarchiver::kMaxDepth + 5; ++i)
                 value = QVariantList{value};
             return value;
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QVariant root = row.root();
        EXPECT_THROW(dw::KeyedArchiver::archivedDataWithRootObject(root), dw::InternalInconsistency);
        if (auto record = dw::archivedObjectCast<TestRecord>(root))
            record->child.reset(); // break the cycle the row made
    }
}

TEST(KeyedArchiver, TopLevelKeysAndNilRoot)
{
    dw::KeyedArchiver archiver;
    archiver.encodeObject(QStringLiteral("2"), QStringLiteral("encodingFormat"));
    archiver.encodeInt(5, QStringLiteral("count"));
    archiver.encodeObject(QVariant(), QStringLiteral("root"));
    dw::KeyedUnarchiver unarchiver(archiver.encodedData(dw::plist::Format::Xml));
    ASSERT_TRUE(unarchiver.isValid()) << unarchiver.error().toStdString();
    EXPECT_EQ(unarchiver.decodeObjectForKey(QStringLiteral("encodingFormat")).toString(), QStringLiteral("2"));
    EXPECT_EQ(unarchiver.decodeIntForKey(QStringLiteral("count")), 5);
    EXPECT_TRUE(unarchiver.containsValueForKey(QStringLiteral("root")));
    EXPECT_FALSE(unarchiver.decodeObjectForKey(QStringLiteral("root")).isValid());
    EXPECT_FALSE(unarchiver.containsValueForKey(QStringLiteral("missing")));
}

} // namespace
