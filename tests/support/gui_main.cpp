#include "tests/support/isolated_runtime.h"

#include <QApplication>
#include <gtest/gtest.h>

// Widget tests need a QApplication; they run headless unless a platform is asked for.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const TIsolatedRuntime runtime;
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
