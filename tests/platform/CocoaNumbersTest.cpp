#include "platform/CocoaNumbers.h"

#include <gtest/gtest.h>

TEST(CocoaNumbers, Smoke)
{
    EXPECT_EQ(dw::intValue(QStringLiteral(" 12abc")), 12);
}
