#include "tests/support/ProcessRunner.h"
#include "tests/support/TemporaryXdg.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

dw::test::ProgramRun runTool(const QStringList& arguments, const QByteArray& input = {})
{
    return dw::test::runProgram(dw::test::builtTool(QStringLiteral("qv-rtf")), arguments, input);
}

} // namespace

TEST(QvRtf, DumpsRunsAsJsonAndWritesThemBackAsRtf)
{
    const dw::test::ProgramRun dumped =
        runTool({QStringLiteral("dump"), dw::test::fixturePath(QStringLiteral("rtf/CocoaStyled.rtf"))});
    ASSERT_EQ(dumped.exitCode, 0) << dumped.errors.toStdString();
    const QJsonObject json = QJsonDocument::fromJson(dumped.output).object();
    EXPECT_TRUE(json.value(QStringLiteral("text")).toString().startsWith(QStringLiteral(u"Vintage camera, café")));

    const QJsonObject boldRed = json.value(QStringLiteral("runs")).toArray().at(1).toObject();
    EXPECT_EQ(boldRed.value(QStringLiteral("start")).toInt(), 43);
    EXPECT_EQ(boldRed.value(QStringLiteral("length")).toInt(), 8);
    EXPECT_EQ(boldRed.value(QStringLiteral("font")).toObject(),
              (QJsonObject{{QStringLiteral("family"), QStringLiteral("Helvetica")},
                           {QStringLiteral("size"), 12},
                           {QStringLiteral("bold"), true},
                           {QStringLiteral("italic"), false}}));
    EXPECT_EQ(boldRed.value(QStringLiteral("color")).toObject().value(QStringLiteral("red")).toDouble(), 0.98431);
    EXPECT_EQ(boldRed.value(QStringLiteral("alignment")).toString(), QStringLiteral("natural"));

    const dw::test::ProgramRun written = runTool({QStringLiteral("write"), QStringLiteral("-")}, dumped.output);
    ASSERT_EQ(written.exitCode, 0) << written.errors.toStdString();
    EXPECT_TRUE(written.output.startsWith("{\\rtf1\\ansi\\ansicpg1252"));

    QTemporaryDir dir;
    const QString rtfPath = dir.filePath(QStringLiteral("again.rtf"));
    QFile file(rtfPath);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(written.output);
    file.close();
    const dw::test::ProgramRun again = runTool({QStringLiteral("dump"), rtfPath});
    ASSERT_EQ(again.exitCode, 0) << again.errors.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(again.output), QJsonDocument::fromJson(dumped.output));
}

TEST(QvRtf, ReportsBadInputWithoutOutput)
{
    QTemporaryDir dir;
    const QString notRtf = dir.filePath(QStringLiteral("notes.txt"));
    QFile file(notRtf);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("just text");
    file.close();

    struct Row
    {
        const char* name;
        QStringList arguments;
        QByteArray input;
        int exitCode;
        const char* message;
    };
    const Row rows[] = {
        {"not RTF", {QStringLiteral("dump"), notRtf}, {}, 1, "not RTF"},
        {"missing file", {QStringLiteral("dump"), dir.filePath(QStringLiteral("none.rtf"))}, {}, 1, "none.rtf"},
        {"not JSON", {QStringLiteral("write"), QStringLiteral("-")}, "{\"text\": ", 1, "qv-rtf: -:"},
        {"runs with a gap",
         {QStringLiteral("write"), QStringLiteral("-")},
         R"({"text": "abc", "runs": [{"start": 0, "length": 1}, {"start": 2, "length": 1}]})",
         1,
         "the run at 2"},
        {"run beyond the text",
         {QStringLiteral("write"), QStringLiteral("-")},
         R"({"text": "abc", "runs": [{"start": 0, "length": 4}]})",
         1,
         "the run at 0"},
        {"unknown alignment",
         {QStringLiteral("write"), QStringLiteral("-")},
         R"({"text": "a", "runs": [{"start": 0, "length": 1, "alignment": "middle"}]})",
         1,
         "middle"},
        {"no command", {}, {}, 2, "usage"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const dw::test::ProgramRun result = runTool(row.arguments, row.input);
        EXPECT_EQ(result.exitCode, row.exitCode);
        EXPECT_TRUE(result.output.isEmpty());
        EXPECT_TRUE(result.errors.contains(row.message)) << result.errors.toStdString();
    }
}
