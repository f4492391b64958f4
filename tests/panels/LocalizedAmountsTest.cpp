#include "panels/QMLocalizedAmounts.h"

#include <QLocale>
#include <gtest/gtest.h>

// An amount is read as the seller meant it, in the seller's locale or in the other convention,
// and stored with "." whatever the locale.
TEST(LocalizedAmounts, TypedAmountsBecomeLocaleIndependentText)
{
    struct Row
    {
        QLocale::Language language;
        QLocale::Territory territory;
        const char* typed;
        const char* stored;
    };
    const Row rows[] = {
        {QLocale::German, QLocale::Germany, "4,90", "4.90"},
        {QLocale::German, QLocale::Germany, "1.234,5", "1234.50"},
        {QLocale::German, QLocale::Germany, "4.90", "4.90"},
        {QLocale::English, QLocale::UnitedStates, "4,90", "4.90"},
        {QLocale::English, QLocale::UnitedStates, "1,234.50", "1234.50"},
        {QLocale::English, QLocale::UnitedStates, " 7 ", "7.00"},
        {QLocale::French, QLocale::France, "12,5", "12.50"},
        {QLocale::English, QLocale::UnitedStates, "", nullptr},
        {QLocale::English, QLocale::UnitedStates, "1.2.3", nullptr},
    };
    const QLocale saved;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed);
        QLocale::setDefault(QLocale(row.language, row.territory));
        const QString stored = qm::storedAmountFromTypedText(QString::fromUtf8(row.typed));
        if (row.stored)
            EXPECT_EQ(stored, QString::fromLatin1(row.stored));
        else
            EXPECT_TRUE(stored.isNull()) << stored.toStdString();
    }
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    EXPECT_EQ(qm::typedTextFromStoredAmount(QStringLiteral("4.9")), QStringLiteral("4,90"));
    EXPECT_EQ(qm::typedTextFromStoredMeasure(QStringLiteral("0.75")), QStringLiteral("0,75"));
    EXPECT_EQ(qm::storedMeasureFromTypedText(QStringLiteral("0,75")), QStringLiteral("0.75"));
    QLocale::setDefault(saved);
}
