#include "platform/core/TypeName.h"

#include <gtest/gtest.h>

namespace typenametest {

struct Operation
{
    virtual ~Operation() = default;
};

struct UploadOperation : Operation
{};

} // namespace typenametest

namespace {

// Log lines name an operation by the class it really is, reached through its base.
TEST(TypeName, NamesTheDynamicClassAsTheSourceSpellsIt)
{
    const typenametest::UploadOperation upload;
    const typenametest::Operation& operation = upload;
    EXPECT_EQ(dw::typeName(typeid(operation)), QStringLiteral("typenametest::UploadOperation"));
    EXPECT_EQ(dw::typeName(typeid(int)), QStringLiteral("int"));
}

} // namespace
