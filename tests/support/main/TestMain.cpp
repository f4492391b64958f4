// Test main for code that needs Qt's core event loop (QCoreApplication on the main thread).
#include "TestEnvironment.h"

#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    QCoreApplication app(argc, argv);
    dw::test::ProcessSandbox sandbox;
    return RUN_ALL_TESTS();
}
