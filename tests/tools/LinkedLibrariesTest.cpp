#include "tests/support/ProcessRunner.h"

#include <QString>
#include <QStringList>
#include <gtest/gtest.h>

// The command-line tools load what their work needs and nothing more: most of a tool's start-up is
// the dynamic loader's work on the libraries it links.
namespace {

struct ToolLibraries
{
    const char* tool;
    QStringList forbidden;
};

} // namespace

TEST(LinkedLibraries, ToolsLoadNoLibraryTheirWorkDoesNotNeed)
{
    const QStringList networkKeychainGui{QStringLiteral("libcurl"), QStringLiteral("libsecret"),
                                         QStringLiteral("libQt6Widgets"), QStringLiteral("libQt6Gui")};
    // The document tools read and write archives with the core platform only; qv-listing and
    // qv-tables use the model's core, and qv-listing loads its picture decoder and decipherer
    // only when a document needs them.
    const ToolLibraries tools[] = {
        {"qv-archive", networkKeychainGui},
        {"qv-rtf", networkKeychainGui},
        {"qv-listing", networkKeychainGui + QStringList{QStringLiteral("libcrypto"), QStringLiteral("libdbus")}},
        {"qv-tables", networkKeychainGui + QStringList{QStringLiteral("libcrypto"), QStringLiteral("libdbus")}},
    };
    for (const ToolLibraries& entry : tools) {
        const QString tool = QString::fromLatin1(entry.tool);
        SCOPED_TRACE(entry.tool);
        const dw::test::ProgramRun run = dw::test::runProgram(QStringLiteral("ldd"), {dw::test::builtTool(tool)});
        ASSERT_EQ(run.exitCode, 0) << run.errors.toStdString();
        const QString loaded = QString::fromLocal8Bit(run.output);
        ASSERT_TRUE(loaded.contains(QStringLiteral("libplatform"))) << loaded.toStdString();
        for (const QString& library : entry.forbidden) {
            EXPECT_FALSE(loaded.contains(library)) << library.toStdString() << " in\n" << loaded.toStdString();
        }
    }
}
