// Test main for widget tests: a QApplication (offscreen unless the test runs under Xvfb).
#include "TestEnvironment.h"

#include <QApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Web views share OpenGL contexts with the rest of the program; Qt needs to know before the
    // application object exists.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    dw::test::ProcessSandbox sandbox;
    return RUN_ALL_TESTS();
}
