#include "platform/core/Localization.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

void write(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

} // namespace

// A table is its own file and the files of its folder together; a key without an entry, a table
// without files and a damaged file all give the key back.
TEST(Localization, ReadsATableFromItsFileAndItsFolder)
{
    QTemporaryDir resources;
    const QByteArray saved = qgetenv("QV_RESOURCES_DIR");
    qputenv("QV_RESOURCES_DIR", resources.path().toUtf8());
    write(resources.filePath(QStringLiteral("strings/LocalizationTestTable.json")), R"({"Days_7": "7 days"})");
    write(resources.filePath(QStringLiteral("strings/LocalizationTestTable/fees.json")),
          R"({"InsertionFee": "Insertion fee", "Number": 3})");
    write(resources.filePath(QStringLiteral("strings/LocalizationTestBroken.json")), "{not json");

    EXPECT_EQ(dw::localized("Days_7", "LocalizationTestTable"), QStringLiteral("7 days"));
    EXPECT_EQ(dw::localized(QStringLiteral("InsertionFee"), "LocalizationTestTable"), QStringLiteral("Insertion fee"));
    EXPECT_EQ(dw::localized("Number", "LocalizationTestTable"), QStringLiteral("Number"));
    EXPECT_EQ(dw::localized("Missing", "LocalizationTestTable"), QStringLiteral("Missing"));
    EXPECT_EQ(dw::localized("Days_7", "LocalizationTestBroken"), QStringLiteral("Days_7"));
    EXPECT_EQ(dw::localized("Days_7", "LocalizationTestNone"), QStringLiteral("Days_7"));
    EXPECT_TRUE(dw::localized(QString(), "LocalizationTestTable").isNull());
    // Asked for the entry itself, a key without one gives nothing.
    EXPECT_EQ(dw::localizedEntry(QStringLiteral("Days_7"), "LocalizationTestTable"), QStringLiteral("7 days"));
    EXPECT_TRUE(dw::localizedEntry(QStringLiteral("Missing"), "LocalizationTestTable").isNull());

    qputenv("QV_RESOURCES_DIR", saved);
}
