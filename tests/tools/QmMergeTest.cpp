#include "tests/support/ProcessRunner.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

dw::test::ProgramRun runMerge(const QStringList& arguments)
{
    return dw::test::runProgram(dw::test::builtTool(QStringLiteral("qm-merge")), arguments);
}

} // namespace

TEST(QmMerge, MergesEveryTextInOneProcessAgainstTheJsonObject)
{
    QTemporaryDir dir;
    const QString json = dir.filePath(QStringLiteral("object.json"));
    QFile file(json);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(R"({"title": "Lamp", "sold": false, "pictures": ["a", "b"]})");
    file.close();

    const dw::test::ProgramRun run =
        runMerge({QStringLiteral("-j"), json, QStringLiteral("-e"), QStringLiteral("[[set kept = title]][[sold]]"),
                  QStringLiteral("-e"), QStringLiteral("[[kept]] [[foreach p pictures]][[p]][[endforeach]]"),
                  QStringLiteral("-e"), QStringLiteral("[[endif]][[if x === y]]X[[endif]]")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output, "0\nLamp ab\nX\n");
    EXPECT_EQ(run.errors, "Line 0: Mismatched endif command\n"
                          "_MiscMergeIfCommand:  Unrecognized conditional:  \"===\".\n");

    const dw::test::ProgramRun bare = runMerge({QStringLiteral("-e"), QStringLiteral("[[title]]")});
    EXPECT_EQ(bare.exitCode, 0);
    EXPECT_EQ(bare.output, "title\n");
    EXPECT_EQ(runMerge({}).exitCode, 2);
    EXPECT_EQ(runMerge({QStringLiteral("-j"), dir.filePath(QStringLiteral("missing.json")), QStringLiteral("-e"),
                        QStringLiteral("x")})
                  .exitCode,
              1);
}

TEST(QmMerge, DumpsAnIfChainClosedByOneEndif)
{
    const dw::test::ProgramRun run =
        runMerge({QStringLiteral("--dump-tree"), QStringLiteral("-e"),
                  QStringLiteral("[[if a]]A[[elseif b]]B[[elseif c]]C[[else]]D[[endif]]E")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output, "if a\n"
                          "  then\n"
                          "    copy A\n"
                          "  else\n"
                          "    elseif b\n"
                          "      then\n"
                          "        copy B\n"
                          "      else\n"
                          "        elseif c\n"
                          "          then\n"
                          "            copy C\n"
                          "            else\n"
                          "          else\n"
                          "            copy D\n"
                          "            endif\n"
                          "copy E\n");
    EXPECT_EQ(run.errors, "");
}
