// The type generator refuses catalogues that would give wrong or clashing classes, so the build fails.
#include "tests/support/ProcessRunner.h"
#include <QFile>

#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

dw::test::ProgramRun generate(const QByteArray& catalogue)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Types.tsv"));
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(catalogue);
    file.close();
    return dw::test::runProgram(QStringLiteral(DW_PYTHON),
                                {QStringLiteral(DW_TYPE_GENERATOR), QStringLiteral("--catalogue"), path,
                                 QStringLiteral("--output"), dir.filePath(QStringLiteral("out")),
                                 QStringLiteral("--header-dir"), QStringLiteral("types"), QStringLiteral("--registry"),
                                 QStringLiteral("Types"), QStringLiteral("--units"), QStringLiteral("2")});
}

const QByteArray kBase = "text\tEBayAckCodeType\n"
                         "class\tEBayAbstractResponseType\tDWGeneratedObject\tmessage\t-\n"
                         "element\tAck\tack\tEBayAckCodeType\n"
                         "repeated\tErrors\terrorss\tNSString\n";

} // namespace

TEST(GenerateTypes, RefusesBrokenCatalogues)
{
    struct Row
    {
        const char* name;
        QByteArray rows;
        const char* message;
    };
    const Row rows[] = {
        {"unknown type", "class\tEBayAType\tDWGeneratedObject\tdata\t-\nelement\tTitle\ttitle\tNSStrin\n",
         "unknown type 'NSStrin'"},
        {"undeclared enumeration",
         "class\tEBayAType\tDWGeneratedObject\tdata\t-\nelement\tSite\tsite\tEBaySiteCodeType\n",
         "unknown type 'EBaySiteCodeType'"},
        {"key not lowered", "class\tEBayAType\tDWGeneratedObject\tdata\t-\nelement\tItemID\tItemID\tNSString\n",
         "breaks the key rules"},
        {"array key without s", "class\tEBayAType\tDWGeneratedObject\tdata\t-\nrepeated\tErrors\terrors\tNSString\n",
         "breaks the key rules"},
        {"identifier for an element",
         "class\tEBayAType\tDWGeneratedObject\tdata\t-\nelement\tid\tidentifier\tNSString\n", "breaks the key rules"},
        {"key of the base again",
         "class\tEBayBResponseType\tEBayAbstractResponseType\tmessage\tBResponse\nelement\tAck\tack\tNSString\n",
         "clashes"},
        {"two rows, one key",
         "class\tEBayAType\tDWGeneratedObject\tdata\t-\nelement\tFoos\tfoos\tNSString\n"
         "repeated\tFoo\tfoos\tNSString\n",
         "clashes"},
        {"accessor hides the base",
         "class\tEBayAType\tDWGeneratedObject\tdata\t-\nelement\tXmlRequest\txmlRequest\tNSString\n", "hides a member"},
        {"repeated scalar", "class\tEBayAType\tDWGeneratedObject\tdata\t-\nrepeated\tCount\tcounts\tint\n",
         "holds no scalars"},
        {"simple content with an element",
         "class\tEBayAType\tDWGeneratedObject\tdata\t-\tsimple\ncontent\tcontents\tcontents\tdouble\n"
         "element\tName\tname\tNSString\n",
         "one content row and no elements"},
        {"record as an attribute",
         "class\tEBayAType\tDWGeneratedObject\tdata\t-\nattribute\tfee\tfee\tEBayAbstractResponseType\n",
         "attribute holds a plain value"},
        {"unknown superclass", "class\tEBayAType\tEBayMissingType\tdata\t-\n", "unknown superclass"},
        {"unused text type", "text\tEBayUnusedCodeType\n", "never used"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const dw::test::ProgramRun result = generate(kBase + row.rows);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_TRUE(result.errors.contains(row.message)) << result.errors.toStdString();
    }
}

TEST(GenerateTypes, GeneratesASoundCatalogue)
{
    const dw::test::ProgramRun result =
        generate(kBase + "class\tEBayBResponseType\tEBayAbstractResponseType\tmessage\tBResponse\n"
                         "element\tDelete\tdelete\tBOOL\n");
    EXPECT_EQ(result.exitCode, 0) << result.errors.toStdString();
}
