#include <QApplication>
#include <gtest/gtest.h>

// Every test binary runs with a real QApplication on the offscreen platform, so widgets,
// timers and modal dialogs behave as they do for a user.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
