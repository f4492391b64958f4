#include "tests/support/ProcessRunner.h"

#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

// The document-reading tools load the core platform only: no network, keychain or GUI library.
namespace {

QStringList forbiddenLibraries()
{
    return {QStringLiteral("libcurl"), QStringLiteral("libsecret"), QStringLiteral("libQt6Widgets"),
            QStringLiteral("libQt6Gui")};
}

} // namespace

TEST(LinkedLibraries, DocumentToolsLoadNoNetworkKeychainOrGuiLibrary)
{
    for (const QString& tool : {QStringLiteral("qv-archive"), QStringLiteral("qv-rtf")}) {
        SCOPED_TRACE(tool.toStdString());
        const dw::test::ProgramRun run = dw::test::runProgram(QStringLiteral("ldd"), {dw::test::builtTool(tool)});
        ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
        const QString loaded = QString::fromLocal8Bit(run.output);
        ASSERT_TRUE(loaded.contains(QStringLiteral("libplatform"))) << loaded.toStdString();
        for (const QString& library : forbiddenLibraries()) {
            EXPECT_FALSE(loaded.contains(library)) << library.toStdString() << " in\n" << loaded.toStdString();
        }
    }
}
