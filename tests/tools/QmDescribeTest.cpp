#include "tests/support/ProcessRunner.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

dw::test::ProgramRun runDescribe(const QStringList& arguments)
{
    return dw::test::runProgram(dw::test::builtTool(QStringLiteral("qm-describe")), arguments);
}

} // namespace

TEST(QmDescribe, ListsTheDesignsAndPrintsTheDescription)
{
    const dw::test::ProgramRun designs = runDescribe({QStringLiteral("--list-designs")});
    EXPECT_EQ(designs.exitCode, 0);
    EXPECT_EQ(designs.output.count('\n'), 6);
    EXPECT_TRUE(designs.output.contains("com.quillmart.design.harbour-blue\tHarbour Blue\tTwo Columns,Wide\n"));

    QTemporaryDir dir;
    const QString json = dir.filePath(QStringLiteral("listing.json"));
    QFile file(json);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"title": "Lamp", "itemDescriptionString": "Red [[item.title]] {{item.title}}"})");
    file.close();

    const dw::test::ProgramRun plain = runDescribe({json});
    EXPECT_EQ(plain.exitCode, 0);
    EXPECT_TRUE(plain.output.startsWith("Red Lamp {{item.title}}<div style=")) << plain.output.constData();
    const dw::test::ProgramRun designed =
        runDescribe({QStringLiteral("--design"), QStringLiteral("com.quillmart.design.harbour-blue"),
                     QStringLiteral("--layout"), QStringLiteral("Wide"), QStringLiteral("--resolve-secondary"), json});
    EXPECT_EQ(designed.exitCode, 0);
    EXPECT_TRUE(designed.output.contains("<h1>Lamp</h1>"));
    EXPECT_TRUE(designed.output.contains("qvhb-card qvhb-wide"));
    EXPECT_TRUE(designed.output.contains("Red Lamp Lamp"));
    EXPECT_EQ(designed.errors, "");

    EXPECT_EQ(runDescribe({}).exitCode, 2);
    EXPECT_EQ(runDescribe({dir.filePath(QStringLiteral("missing.json"))}).exitCode, 1);
}
