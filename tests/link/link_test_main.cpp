#include <QCoreApplication>
#include <gtest/gtest.h>

// The link's windows are watched by the event loop's socket notifiers, which need an
// application object; the tests pump its events themselves.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
