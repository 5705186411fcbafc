#include <QCoreApplication>
#include <gtest/gtest.h>

// No QApplication: the engine must run as a command-line program or a service would run it.
int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
