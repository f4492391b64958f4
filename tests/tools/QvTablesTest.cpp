#include "tests/support/ProcessRunner.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(QvTables, DefaultsWithoutTheirFileAreAFailure)
{
    const QTemporaryDir emptyResources;
    const QByteArray before = qgetenv("QV_RESOURCES_DIR");
    qputenv("QV_RESOURCES_DIR", emptyResources.path().toLocal8Bit());
    const auto run =
        dw::test::runProgram(dw::test::builtTool(QStringLiteral("qv-tables")), {QStringLiteral("defaults")});
    if (before.isNull())
        qunsetenv("QV_RESOURCES_DIR");
    else
        qputenv("QV_RESOURCES_DIR", before);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(run.errors.contains("couldn't find defaults.plist")) << run.errors.toStdString();
}
