#include "DWPayment/NSNumber+DWPExtensions.h"
#include "DWPayment/NSString+DWPExtensions.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace {

// The process runs once in the C locale and once in German (see CMakeLists.txt); amounts follow
// the process locale's decimal separator, while arithmetic must not move by a cent.
QString separator()
{
    return qEnvironmentVariable("LC_ALL").startsWith(QLatin1String("de_")) ? QStringLiteral(",") : QStringLiteral(".");
}

TEST(StoreMoney, AmountTextsFollowTheLocaleSeparator)
{
    if (qEnvironmentVariable("LC_ALL").startsWith(QLatin1String("de_"))) {
        ASSERT_EQ(QLocale::system().decimalPoint(), QStringLiteral(","));
    }
    const struct
    {
        const char* cents;
        const char* integral;
        const char* fraction;
    } rows[] = {{"0", "0", "00"},         {"7", "0", "07"},           {"99", "0", "99"}, {"100", "1", "00"},
                {"123456", "1234", "56"}, {"1000000", "10000", "00"}, {"5", "0", "05"},  {"42", "0", "42"}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.cents);
        EXPECT_EQ(dw::currencyValue(QString::fromLatin1(row.cents)),
                  QString::fromLatin1(row.integral) + separator() + QString::fromLatin1(row.fraction));
    }
}

TEST(StoreMoney, CurrencySymbols)
{
    EXPECT_EQ(dw::currencyCodeToSymbol(QStringLiteral("EUR")), QStringLiteral("€"));
    EXPECT_EQ(dw::currencyCodeToSymbol(QStringLiteral("USD")), QStringLiteral("$"));
    EXPECT_EQ(dw::currencyCodeToSymbol(QStringLiteral("eur")), QStringLiteral("¤"));
    EXPECT_EQ(dw::currencyCodeToSymbol(QStringLiteral("GBP")), QStringLiteral("¤"));
}

TEST(StoreMoney, GrossCentsRoundEachUnitHalfAwayFromZero)
{
    const struct
    {
        qint64 net;
        std::optional<qint64> rate;
        qint64 quantity;
        qint64 gross;
    } rows[] = {
        {1000, 7, 1, 1070},       {999, 19, 1, 1189}, {2, 19, 1, 2}, {2, 19, 3, 6},
        {5, std::nullopt, 3, 15}, {1900, 0, 2, 3800}, {1, 50, 1, 2}, {3, 50, 1, 5},
        {-1, 50, 1, -2},          {84, 19, 1, 100},   {0, 19, 4, 0}, {4999, 19, 10, 59490},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << row.net << " at " << row.rate.value_or(-1) << "% x" << row.quantity);
        EXPECT_EQ(dw::numberByApplyingVatRate(row.net, row.rate, row.quantity), row.gross);
    }
}

} // namespace
