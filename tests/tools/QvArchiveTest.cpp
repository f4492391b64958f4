#include "platform/ArchivedAttributedString.h"
#include "platform/KeyedArchiver.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct ToolRun
{
    int exitCode = -1;
    QByteArray out;
    QString err;
};

ToolRun qvArchive(const QStringList& arguments)
{
    QProcess process;
    process.start(qEnvironmentVariable("QV_BUILD_DIR") + QStringLiteral("/tools/qv-archive/qv-archive"), arguments);
    ToolRun run;
    if (!process.waitForFinished(60000))
        return run;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
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

    const ToolRun run = qvArchive({path});
    ASSERT_EQ(run.exitCode, 0) << run.err.toStdString();
    const QJsonObject printed = QJsonDocument::fromJson(run.out).object();
    const QJsonObject root = printed[QStringLiteral("root")][0].toObject();
    EXPECT_EQ(root[QStringLiteral("$class")].toString(), QStringLiteral("QMEbayItemContainer"));
    const QJsonObject listing = root[QStringLiteral("item")].toObject();
    EXPECT_EQ(listing[QStringLiteral("$class")].toString(), QStringLiteral("QMEbayItem"));
    EXPECT_EQ(listing[QStringLiteral("title")].toString(), QStringLiteral("Lamp"));
    EXPECT_EQ(listing[QStringLiteral("quantity")].toInt(), 2);
    EXPECT_EQ(listing[QStringLiteral("itemDescriptionString")][QStringLiteral("string")].toString(),
              QStringLiteral("Hi"));
    EXPECT_EQ(root[QStringLiteral("imageFileDatas")][0][QStringLiteral("base64")].toString(), QStringLiteral("/9g="));
    EXPECT_TRUE(run.out.contains("\n    ")) << "indented";
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
        const ToolRun run = qvArchive(row.arguments);
        EXPECT_EQ(run.exitCode, row.exitCode);
        EXPECT_TRUE(run.err.contains(QLatin1String(row.message))) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty());
    }
}

} // namespace
