// The preference-key generator refuses tables whose keys, types or defaults disagree with the
// registered defaults, and leaves generated files alone when their text would not change.
#include "tests/support/ProcessRunner.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QByteArray kRegistered = R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
<key>ImageUploadingSystem</key><integer>300</integer>
<key>markExtraFees</key><true/>
<key>zipCode</key><string></string>
</dict></plist>
)";

const QByteArray kSound = "## Picture upload\n"
                          "defaultImageUploadingSystemTag\tImageUploadingSystem\tinteger\tset\t300\tthe system\n"
                          "defaultZIPCode\tzipCode\ttext\tset\t\"\"\tthe postal code\n"
                          "enableLogFile\tenableLogFile\tflag\t-\t-\tthe log is a file too\n";

class Generator
{
public:
    Generator() { write(QStringLiteral("defaults.plist"), kRegistered); }
    dw::test::ProgramRun run(const QByteArray& table)
    {
        write(QStringLiteral("Keys.tsv"), table);
        return dw::test::runProgram(QStringLiteral(DW_PYTHON),
                                    {QStringLiteral(DW_PREFERENCE_KEYS_GENERATOR), QStringLiteral("--table"),
                                     m_dir.filePath(QStringLiteral("Keys.tsv")), QStringLiteral("--output"), output(),
                                     QStringLiteral("--registered"), m_dir.filePath(QStringLiteral("defaults.plist"))});
    }
    QString output() const { return m_dir.filePath(QStringLiteral("out")); }

private:
    void write(const QString& name, const QByteArray& bytes)
    {
        QFile file(m_dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }
    QTemporaryDir m_dir;
};

qint64 modified(const QString& path)
{
    return QFileInfo(path).lastModified().toSecsSinceEpoch();
}

} // namespace

TEST(GeneratePreferenceKeys, RefusesTablesThatDisagreeWithThemselvesOrTheRegisteredDefaults)
{
    struct Row
    {
        const char* name;
        QByteArray rows;
        const char* message;
    };
    const Row rows[] = {
        {"misspelt key", "markExtraFees\tmarkExtraFee\tflag\tset\tYES\tfees are marked\n",
         "registered default of markExtraFee is -, not YES"},
        {"default that is not the registered one", "markExtraFees\tmarkExtraFees\tflag\tset\tNO\tfees are marked\n",
         "registered default of markExtraFees is YES, not NO"},
        {"registered value of another type", "markExtraFees\tmarkExtraFees\tinteger\tset\tYES\tfees are marked\n",
         "is no integer value"},
        {"key named twice", "postalCode\tzipCode\ttext\t-\t\"\"\tagain\n", "key zipCode named twice"},
        {"accessor named twice", "defaultZIPCode\tenableLog\tflag\t-\t-\tagain\n",
         "accessor defaultZIPCode named twice"},
        {"unknown type", "logFile\tlogFile\tboolean\t-\t-\tthe log\n", "unknown type 'boolean'"},
        {"missing cell", "logFile\tlogFile\tflag\t-\tthe log\n", "not 5"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Generator generator;
        const dw::test::ProgramRun result = generator.run(kSound + row.rows);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_TRUE(result.errors.contains(row.message)) << result.errors.toStdString();
        EXPECT_TRUE(result.errors.contains("Keys.tsv:")) << result.errors.toStdString();
    }
}

TEST(GeneratePreferenceKeys, RewritesOnlyFilesWhoseTextChanges)
{
    Generator generator;
    ASSERT_EQ(generator.run(kSound).exitCode, 0);
    const QString accessors = generator.output() + QStringLiteral("/model/QMPreferenceKeysAccessors.inc");
    const QString definitions = generator.output() + QStringLiteral("/model/QMPreferenceKeys.inc");
    const QDateTime yesterday = QDateTime::currentDateTimeUtc().addDays(-1);
    const qint64 old = yesterday.toSecsSinceEpoch();
    for (const QString& path : {accessors, definitions}) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(yesterday, QFileDevice::FileModificationTime));
    }

    ASSERT_EQ(generator.run(kSound).exitCode, 0);
    EXPECT_EQ(modified(accessors), old);
    EXPECT_EQ(modified(definitions), old);

    // A new meaning changes the declarations' comments only.
    QByteArray changed = kSound;
    changed.replace("the log is a file too", "the console log is also a file");
    ASSERT_EQ(generator.run(changed).exitCode, 0);
    EXPECT_GT(modified(accessors), old);
    EXPECT_EQ(modified(definitions), old);
}
