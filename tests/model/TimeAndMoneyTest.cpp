#include "model/QMEbayMoneyTransformer.h"
#include "model/QMEbayTimeManager.h"

#include "tests/support/TemporaryXdg.h"

#include <QTimeZone>
#include <ctime>
#include <gtest/gtest.h>

TEST(Money, NormalizesEveryAmountToTwoDecimalsWithAPoint)
{
    struct Row
    {
        QVariant input;
        const char* expected;
    };
    const Row rows[] = {
        {QStringLiteral("1,5"), "1.50"},       {QStringLiteral("12"), "12.00"},   {QStringLiteral("-3.456"), "-3.46"},
        {QStringLiteral("abc"), "0.00"},       {QStringLiteral(""), "0.00"},      {7, "7.00"},
        {QStringLiteral("1.234,56"), "1.23"},  {QStringLiteral("-0"), "0.00"},    {QStringLiteral("-0.001"), "0.00"},
        {QStringLiteral(" 9.99 EUR"), "9.99"}, {QStringLiteral("2.675"), "2.68"}, {12.5, "12.50"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.input.toString().toStdString());
        EXPECT_EQ(QMEbayMoneyTransformer::transform(row.input).toString(), QLatin1String(row.expected));
    }
    EXPECT_FALSE(QMEbayMoneyTransformer::transform(QVariant()).isValid());
    QMEbayMoneyTransformer transformer;
    EXPECT_EQ(transformer.reverseTransformedValue(QStringLiteral("3")), transformer.transformedValue(3));
}

class EbayTimeInBerlin : public ::testing::Test
{
protected:
    void SetUp() override { tzset(); }
    void TearDown() override
    {
        m_tz.reset();
        tzset();
    }

    std::optional<dw::test::ScopedEnv> m_tz{std::in_place, "TZ", QByteArray("Europe/Berlin")};
    QMEbayTimeManager& times = QMEbayTimeManager::sharedInstance();
};

TEST_F(EbayTimeInBerlin, EbayTextsAreGMTAndComeBackInLocalTime)
{
    const QDateTime local = times.localDateFromEbayDateString(QStringLiteral("2010-01-31 23:30:00"));
    ASSERT_TRUE(local.isValid());
    EXPECT_EQ(local.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), QStringLiteral("2010-02-01 00:30:00"));
    EXPECT_EQ(times.ebayTimeStringFromLocalTime(local), QStringLiteral("2010-01-31 23:30:00"));

    // Berlin's clocks skip 02:00 to 03:00 that morning; as a GMT time the hour is an ordinary one.
    const QDateTime inTheGap = times.localDateFromEbayDateString(QStringLiteral("2010-03-28 02:30:00"));
    ASSERT_TRUE(inTheGap.isValid());
    EXPECT_EQ(inTheGap.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), QStringLiteral("2010-03-28 04:30:00"));

    const QDateTime summer = QDateTime(QDate(2010, 5, 1), QTime(19, 30), Qt::LocalTime);
    EXPECT_EQ(times.ebayTimeStringFromLocalTime(summer), QStringLiteral("2010-05-01 17:30:00"));
}

TEST_F(EbayTimeInBerlin, TextsOfAnotherFormAreRejected)
{
    const char* bad[] = {"31.01.2010", "2010-01-31", "2010-01-31 23:30", "2010-13-01 00:00:00", "garbage"};
    for (const char* text : bad) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(times.localDateFromEbayDateString(QString::fromLatin1(text)).isValid());
    }
    EXPECT_FALSE(times.localDateFromEbayDateString(QString()).isValid());
}

TEST_F(EbayTimeInBerlin, SchemaTimesAreWrittenInUTCWhateverZoneTheDateCarries)
{
    const QDateTime tokyo(QDate(2010, 5, 1), QTime(9, 0), QTimeZone(QByteArrayLiteral("Asia/Tokyo")));
    EXPECT_EQ(times.timeStringFromEBaySchemaDate(tokyo), QStringLiteral("2010-05-01 00:00:00 +0000"));
    const QDateTime local(QDate(2010, 1, 15), QTime(12, 0), Qt::LocalTime);
    EXPECT_EQ(times.timeStringFromEBaySchemaDate(local), QStringLiteral("2010-01-15 11:00:00 +0000"));
    // The schema date's local reading is taken as GMT: noon in Berlin becomes 13:00 Berlin time.
    EXPECT_EQ(times.localDateFromEBaySchemaDate(local).toString(QStringLiteral("HH:mm")), QStringLiteral("13:00"));
}

TEST_F(EbayTimeInBerlin, WeekdayOfASundayIsTheLocalesFirstShortName)
{
    const QDateTime sunday(QDate(2010, 5, 2), QTime(12, 0), Qt::LocalTime);
    EXPECT_EQ(times.dayOfTheWeekStringFromDate(sunday), QLocale::system().dayName(7, QLocale::ShortFormat));
    EXPECT_TRUE(
        times.shortLocalizedStringWithWeekDayFromDate(sunday).startsWith(times.dayOfTheWeekStringFromDate(sunday)));
    EXPECT_TRUE(times.localizedStringFromDate(QDateTime()).isNull());
}
