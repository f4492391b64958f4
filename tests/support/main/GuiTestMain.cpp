// Test main for widget tests: a QApplication (offscreen unless the test runs under Xvfb).
#include "TestEnvironment.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    QApplication app(argc, argv);
    dw::test::ProcessSandbox sandbox;
    return RUN_ALL_TESTS();
}
