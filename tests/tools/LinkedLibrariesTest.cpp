#include "tests/support/ProcessRunner.h"

#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

// The document-reading tools load the core platform only: no network, keychain or widget library.
// Qt Gui goes on the list once the archive no longer draws colours and images through it.
namespace {

constexpr bool kCoreIsFreeOfQtGui = false;

QStringList forbiddenLibraries()
{
    QStringList names{QStringLiteral("libcurl"), QStringLiteral("libsecret"), QStringLiteral("libQt6Widgets")};
    if (kCoreIsFreeOfQtGui) {
        names << QStringLiteral("libQt6Gui");
    }
    return names;
}

} // namespace

TEST(LinkedLibraries, DocumentToolsLoadNoNetworkKeychainOrWidgetLibrary)
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
