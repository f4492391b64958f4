#include "platform/archive/ArchivedDecimalNumber.h"
#include "platform/archive/KeyedArchiver.h"
#include "platform/archive/KeyedUnarchiver.h"

#include <gtest/gtest.h>

namespace {

TEST(ArchivedDecimalNumber, WrittenAndReadBackAsItsText)
{
    struct Row
    {
        const char* written;
        const char* read;
    };
    const Row rows[] = {
        {"12.50", "12.5"},
        {"-0.001", "-0.001"},
        {"0", "0"},
        {"000.000", "0"},
        {"100", "100"},
        {"+7", "7"},
        {"65536.25", "65536.25"},
        {"12345678901234567890123456789012345678", "12345678901234567890123456789012345678"},
        // past 38 digits the rest is cut off, as the platform's decimal holds no more
        {"1234567890123456789012345678901234567891.5", "1234567890123456789012345678901234567800"},
        {"NaN", "NaN"},
        {"12,50", "NaN"},
        {"", "NaN"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.written);
        const auto data = dw::KeyedArchiver::archivedDataWithRootObject(
            QVariant::fromValue(dw::ArchivedDecimalNumber{QString::fromUtf8(row.written)}));
        QString error;
        const auto value = dw::KeyedUnarchiver::unarchiveObjectWithData(data, &error);
        ASSERT_TRUE(value) << error.toStdString();
        EXPECT_EQ(value->toString(), QString::fromUtf8(row.read));
    }
}

TEST(ArchivedDecimalNumber, BigEndianMantissaWords)
{
    QByteArray mantissa(16, '\0');
    mantissa[0] = 0x01; // word 0 = 0x0102 when the words are big-endian
    mantissa[1] = 0x02;
    const auto number = dw::ArchivedDecimalNumber::fromArchivedFields(0, 1, true, mantissa, 0);
    ASSERT_TRUE(number);
    EXPECT_EQ(number->text, QStringLiteral("-258"));
    EXPECT_FALSE(dw::ArchivedDecimalNumber::fromArchivedFields(0, 1, false, QByteArray(8, '\0'), 1));
}

} // namespace
