#include "DWKit/QMLog.h"
#include "platform/core/ConsoleOutput.h"
#include "platform/core/UserDefaults.h"
#include "tests/support/TemporaryXdg.h"

#include <gtest/gtest.h>

namespace {

class QMLogTest : public ::testing::Test
{
protected:
    void SetUp() override { QMResetCachedLogLevel(); }
    void TearDown() override
    {
        setIsNSApplication(true);
        QMResetCachedLogLevel();
    }

    // Which of the four level functions print: "1234" when all do.
    QString printedLevels()
    {
        dw::ScopedConsoleCapture console;
        QMLog("level %d", 1);
        QMLogError("level %d", 2);
        QMLogCoreData("level %d", 3);
        QMLogDebug("level %d", 4);
        QString printed;
        for (const QString& line : console.lines())
            printed += line.back();
        return printed;
    }

    dw::test::TemporaryXdg m_xdg;
};

// Counts how often it is turned into text, to show that filtered messages are never formatted.
struct CountingArgument
{
    int* conversions;
    QString toQString() const
    {
        ++*conversions;
        return QStringLiteral("counted");
    }
};

} // namespace

TEST_F(QMLogTest, LevelFiltersMessages)
{
    struct Row
    {
        const char* name;
        QVariant setting;
        const char* printed;
    } rows[] = {
        {"unset: off", QVariant(), ""},
        {"0: off", 0, ""},
        {"2: log and errors", 2, "12"},
        {"4: everything but XML", 4, "1234"},
        {"5: everything", 5, "1234"},
        {"negative: nothing", -3, ""},
        {"text is read as a number", QStringLiteral("3"), "123"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        dw::UserDefaults::standard().setObject(row.setting, QStringLiteral("logLevel"));
        QMResetCachedLogLevel();
        EXPECT_EQ(printedLevels(), QString::fromLatin1(row.printed));
    }
}

TEST_F(QMLogTest, LevelIsReadOnceUntilReset)
{
    dw::UserDefaults::standard().setObject(0, QStringLiteral("logLevel"));
    EXPECT_FALSE(ShouldLog(1));
    dw::UserDefaults::standard().setObject(4, QStringLiteral("logLevel"));
    EXPECT_FALSE(ShouldLog(1));
    QMResetCachedLogLevel();
    EXPECT_TRUE(ShouldLog(4));
    QMSetLogLevel(1);
    EXPECT_TRUE(ShouldLog(1));
    EXPECT_FALSE(ShouldLog(2));
}

TEST_F(QMLogTest, ToolsReadTheLevelFromTheEnvironment)
{
    dw::UserDefaults::standard().setObject(4, QStringLiteral("logLevel"));
    setIsNSApplication(false);
    {
        dw::test::ScopedEnv env("logLevel", QByteArray("2"));
        EXPECT_EQ(printedLevels(), QStringLiteral("12"));
    }
    QMResetCachedLogLevel();
    dw::test::ScopedEnv unset("logLevel", std::nullopt);
    EXPECT_EQ(printedLevels(), QString());
}

TEST_F(QMLogTest, MessagesAreCocoaFormatsAndFilteredOnesAreNotFormatted)
{
    QMSetLogLevel(1);
    int conversions = 0;
    dw::ScopedConsoleCapture console;
    QMLog("%@ items, %@", 3, QStringLiteral("50%d off"));
    QMLogError("%@", CountingArgument{&conversions});
    EXPECT_EQ(conversions, 0);
    QMLog("%@", CountingArgument{&conversions});
    EXPECT_EQ(conversions, 1);
    EXPECT_EQ(console.lines(), (QStringList{QStringLiteral("3 items, 50%d off"), QStringLiteral("counted")}));
}

TEST_F(QMLogTest, MethodTraceMatchesTheExactEntryWhateverTheLevel)
{
    QMSetLogLevel(0);
    dw::UserDefaults::standard().setObject(QStringList{QStringLiteral("[QMBDocument saveDocument:]")},
                                           QStringLiteral("QMLogMethods"));
    dw::ScopedConsoleCapture console;
    QMLogMethodLong(QStringLiteral("QMBDocument"), QStringLiteral("saveDocument:"), "saved %@ (%d%%)", "x", 100);
    QMLogMethodLong(QStringLiteral("QMBDocument"), QStringLiteral("saveDocument"), "missing colon");
    QMLogMethodLong(QStringLiteral("QMBDocumentX"), QStringLiteral("saveDocument:"), "other class");
    EXPECT_EQ(console.lines(), QStringList{QStringLiteral("[QMBDocument saveDocument:] saved x (100%)")});
}
