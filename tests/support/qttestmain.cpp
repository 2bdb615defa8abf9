#include <QApplication>

#include <gtest/gtest.h>

// One QApplication for the whole program, on the offscreen platform unless
// the environment names another. It is never destroyed: Qt Test's pointing
// device outlives every static object, and an application torn down before
// it crashes the program at exit.
int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    ::testing::InitGoogleTest(&argc, argv);
    new QApplication(argc, argv);
    return RUN_ALL_TESTS();
}
