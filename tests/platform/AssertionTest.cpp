#include "platform/core/DWAssert.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

QString messageOf(const std::function<void()>& body)
{
    try {
        body();
    } catch (const dw::InternalInconsistency& e) {
        return e.message();
    }
    return QStringLiteral("(nothing thrown)");
}

// The message reaches the handler as written: alone it is never read as a format, with arguments
// it is filled in; UTF-8 text survives the trip through the exception.
TEST(Assertion, CarriesItsMessageAsWritten)
{
    const QString name = QStringLiteral("Größe %1 %@");
    const struct
    {
        const char* label;
        std::function<void()> body;
        QString expected;
    } cases[] = {
        {"plain", [] { DW_ASSERT(false, "Need itemType"); }, QStringLiteral("Need itemType")},
        {"lone message with specifiers", [] { DW_ASSERT(false, "100% of %@ done"); },
         QStringLiteral("100% of %@ done")},
        {"format with arguments", [&] { DW_ASSERT(false, "index %@ out of bounds for %@", 7, name); },
         QStringLiteral("index 7 out of bounds for Größe %1 %@")},
        {"UTF-8 message", [] { DW_ASSERT(false, "Maße fehlen"); }, QStringLiteral("Maße fehlen")},
        {"parameter", [] { DW_PARAMETER_ASSERT(1 + 1 == 3); },
         QStringLiteral("Invalid parameter not satisfying: 1 + 1 == 3")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(messageOf(c.body), c.expected) << c.label;
}

// The arguments cost nothing while the condition holds.
TEST(Assertion, EvaluatesItsArgumentsOnlyWhenItFails)
{
    int evaluated = 0;
    const auto expensive = [&] {
        ++evaluated;
        return QStringLiteral("x");
    };
    DW_ASSERT(true, "never %@", expensive());
    EXPECT_EQ(evaluated, 0);
    EXPECT_EQ(messageOf([&] { DW_ASSERT(false, "now %@", expensive()); }), QStringLiteral("now x"));
    EXPECT_EQ(evaluated, 1);
}

} // namespace
