#include "platform/core/CocoaNumbers.h"
#include "platform/core/DWFormat.h"

#include <QLocale>
#include <clocale>
#include <gtest/gtest.h>

namespace {

// Switches the C and Qt locales to German (decimal comma) for one test.
class GermanLocale
{
public:
    GermanLocale() : m_qt(QLocale()), m_c(std::setlocale(LC_ALL, nullptr))
    {
        std::setlocale(LC_ALL, "de_DE.UTF-8");
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    }
    ~GermanLocale()
    {
        std::setlocale(LC_ALL, m_c.c_str());
        QLocale::setDefault(m_qt);
    }

private:
    QLocale m_qt;
    std::string m_c;
};

struct ReadCase
{
    const char* text;
    int intValue;
    double doubleValue;
    bool boolValue;
};

const ReadCase kReadCases[] = {
    {"", 0, 0.0, false},
    {"12", 12, 12.0, true},
    {"  12abc", 12, 12.0, true},
    {"-7.9", -7, -7.9, true},
    {"+3", 3, 3.0, true},
    {"12.5", 12, 12.5, true},
    {"12,5", 12, 12.0, true},
    {".5", 0, 0.5, false},
    {"1e3", 1, 1000.0, true},
    {"1e", 1, 1.0, true},
    {"abc", 0, 0.0, false},
    {"YES", 0, 0.0, true},
    {"true", 0, 0.0, true},
    {"no", 0, 0.0, false},
    {"007", 7, 7.0, true},
    {"000", 0, 0.0, false},
    {"99999999999", 2147483647, 99999999999.0, true},
    {"-99999999999", -2147483647 - 1, -99999999999.0, true},
    {"1e-400", 1, 0.0, true},
    {"-0.5e-400", 0, -0.0, false},
};

TEST(CocoaNumbers, ReadsLeadingNumbersLikeCocoa)
{
    for (const ReadCase& row : kReadCases) {
        SCOPED_TRACE(row.text);
        const QString text = QString::fromUtf8(row.text);
        EXPECT_EQ(dw::intValue(text), row.intValue);
        EXPECT_DOUBLE_EQ(dw::doubleValue(text), row.doubleValue);
        EXPECT_EQ(dw::boolValue(text), row.boolValue);
    }
}

TEST(CocoaNumbers, WritesWithoutExponentOrLocale)
{
    GermanLocale german;
    const std::pair<double, const char*> numberCases[] = {
        {0.0, "0"},
        {12.0, "12"},
        {12.5, "12.5"},
        {-0.1, "-0.1"},
        {1e-7, "0.0000001"},
        {1e21, "1000000000000000000000"},
        {0.1 + 0.2, "0.30000000000000004"},
    };
    for (const auto& [value, expected] : numberCases)
        EXPECT_EQ(dw::numberText(value), QString::fromLatin1(expected)) << expected;

    const std::tuple<double, int, const char*> decimalCases[] = {
        {12.5, 2, "12.50"},    {2.675, 2, "2.68"}, {0.005, 2, "0.01"}, {-0.001, 2, "0.00"},
        {99.999, 2, "100.00"}, {3.0, 0, "3"},      {-1.5, 1, "-1.5"},
    };
    for (const auto& [value, decimals, expected] : decimalCases)
        EXPECT_EQ(dw::decimalText(value, decimals), QString::fromLatin1(expected)) << expected;
    EXPECT_DOUBLE_EQ(dw::doubleValue(QStringLiteral("12.5")), 12.5);
}

TEST(Format, FillsCocoaSpecifiersInOnePass)
{
    GermanLocale german;
    struct Case
    {
        QString expected;
        QString actual;
    };
    const Case cases[] = {
        {QStringLiteral("Listing Lamp has 3 pictures"),
         dw::format(QStringLiteral("Listing %@ has %ld pictures"), QStringLiteral("Lamp"), 3L)},
        {QStringLiteral("3.14"), dw::format(QStringLiteral("%.2f"), 3.14159)},
        {QStringLiteral("  42|42  |00042"), dw::format(QStringLiteral("%4d|%-4d|%05d"), 42, 42, 42)},
        {QStringLiteral("ff FF 0x1f"), dw::format(QStringLiteral("%x %X %#x"), 255, 255, 31)},
        {QStringLiteral("100%"), dw::format(QStringLiteral("%d%%"), 100)},
        {QStringLiteral("b a"), dw::format(QStringLiteral("%2$@ %1$@"), QStringLiteral("a"), QStringLiteral("b"))},
        // Text brought in by an argument is never read as a specifier.
        {QStringLiteral("Title %2 %@ is too long"),
         dw::format(QStringLiteral("Title %@ is too long"), QStringLiteral("%2 %@"))},
        {QStringLiteral("missing: "), dw::format(QStringLiteral("missing: %@"))},
        {QStringLiteral("(null)"), dw::format(QStringLiteral("%@"), QVariant())},
        {QStringLiteral("1.5e+01"), dw::format(QStringLiteral("%.1e"), 15.0)},
        {QStringLiteral("0.5"), dw::format(QStringLiteral("%g"), 0.5)},
        {QStringLiteral("abc"), dw::format(QStringLiteral("%s"), "abc")},
        {QStringLiteral("odd %y stays"), dw::format(QStringLiteral("odd %y stays"))},
        {QStringLiteral("trailing %"), dw::format(QStringLiteral("trailing %"))},
    };
    for (const Case& row : cases)
        EXPECT_EQ(row.actual, row.expected);
}

} // namespace
