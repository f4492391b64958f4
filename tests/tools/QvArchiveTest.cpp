#include "platform/archive/ArchivedAttributedString.h"
#include "platform/archive/KeyedArchiver.h"
#include "tests/support/ProcessRunner.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

dw::test::ProgramRun qvArchive(const QStringList& arguments)
{
    return dw::test::runProgram(dw::test::builtTool(QStringLiteral("qv-archive")), arguments);
}

dw::ArchivedObjectPtr object(const QString& className, const QVariantMap& fields)
{
    return std::make_shared<dw::OpaqueArchivedObject>(QStringList{className, QStringLiteral("NSObject")}, fields);
}

TEST(QvArchive, PrintsTheArchiveAsJsonWithClassNames)
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("listing.archive"));
    dw::ArchivedAttributedString description{QStringLiteral("Hi"), {}};
    const auto item =
        object(QStringLiteral("QMEbayItem"),
               {{QStringLiteral("title"), QVariant::fromValue(dw::ArchiveReference{QStringLiteral("Lamp")})},
                {QStringLiteral("quantity"), 2},
                {QStringLiteral("itemDescriptionString"),
                 QVariant::fromValue(dw::ArchiveReference{QVariant::fromValue(description)})}});
    const auto container =
        object(QStringLiteral("QMEbayItemContainer"),
               {{QStringLiteral("item"), QVariant::fromValue(dw::ArchiveReference{dw::archiveValue(item)})},
                {QStringLiteral("imageFileDatas"),
                 QVariant::fromValue(dw::ArchiveReference{QVariantList{QByteArray("\xff\xd8")}})}});
    ASSERT_TRUE(dw::KeyedArchiver::archiveRootObject(QVariantList{dw::archiveValue(container)}, path));

    const dw::test::ProgramRun run = qvArchive({path});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    const QJsonObject printed = QJsonDocument::fromJson(run.output).object();
    const QJsonObject root = printed[QStringLiteral("root")][0].toObject();
    EXPECT_EQ(root[QStringLiteral("$class")].toString(), QStringLiteral("QMEbayItemContainer"));
    const QJsonObject listing = root[QStringLiteral("item")].toObject();
    EXPECT_EQ(listing[QStringLiteral("$class")].toString(), QStringLiteral("QMEbayItem"));
    EXPECT_EQ(listing[QStringLiteral("title")].toString(), QStringLiteral("Lamp"));
    EXPECT_EQ(listing[QStringLiteral("quantity")].toInt(), 2);
    EXPECT_EQ(listing[QStringLiteral("itemDescriptionString")][QStringLiteral("string")].toString(),
              QStringLiteral("Hi"));
    EXPECT_EQ(root[QStringLiteral("imageFileDatas")][0][QStringLiteral("base64")].toString(), QStringLiteral("/9g="));
    EXPECT_TRUE(run.output.contains("\n    ")) << "indented";
}

TEST(QvArchive, SharedValuesArePrintedOnce)
{
    // 18 levels of objects, each referring to the one below twice: 2^18 paths to the bottom.
    const QString longText(100, u'w');
    dw::ArchivedObjectPtr node =
        object(QStringLiteral("Node"), {{QStringLiteral("text"), QVariant::fromValue(dw::ArchiveReference{longText})}});
    for (int level = 0; level < 18; ++level) {
        const auto below = QVariant::fromValue(dw::ArchiveReference{dw::archiveValue(node)});
        node = object(QStringLiteral("Node"), {{QStringLiteral("left"), below}, {QStringLiteral("right"), below}});
    }
    const QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("shared.archive"));
    ASSERT_TRUE(dw::KeyedArchiver::archiveRootObject(dw::archiveValue(node), path));

    const dw::test::ProgramRun run = qvArchive({path});
    ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
    EXPECT_LT(run.output.size(), 20000);
    const QJsonObject root = QJsonDocument::fromJson(run.output).object()[QStringLiteral("root")].toObject();
    const QJsonObject below = root[QStringLiteral("left")].toObject();
    EXPECT_EQ(below[QStringLiteral("$class")].toString(), QStringLiteral("Node"));
    EXPECT_EQ(root[QStringLiteral("right")].toObject(),
              (QJsonObject{{QStringLiteral("$ref"), below[QStringLiteral("$id")]}}));
    EXPECT_EQ(run.output.count(longText.toLatin1()), 1);
}

TEST(QvArchive, CorruptOrMissingFileExitsWithAMessage)
{
    const QTemporaryDir dir;
    const QString truncated = dir.filePath(QStringLiteral("truncated.archive"));
    QFile file(truncated);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(dw::KeyedArchiver::archivedDataWithRootObject(QStringLiteral("some text")).chopped(10));
    file.close();

    struct Row
    {
        const char* name;
        QStringList arguments;
        int exitCode;
        const char* message;
    };
    const Row rows[] = {
        {"truncated archive", {truncated}, 1, "truncated.archive"},
        {"missing file", {dir.filePath(QStringLiteral("none"))}, 1, "cannot open"},
        {"no file named", {}, 2, "usage"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const dw::test::ProgramRun run = qvArchive(row.arguments);
        EXPECT_EQ(run.exitCode, row.exitCode);
        EXPECT_TRUE(run.errors.contains(row.message)) << run.errors.toStdString();
        EXPECT_TRUE(run.output.isEmpty());
    }
}

} // namespace
