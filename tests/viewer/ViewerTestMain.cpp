#include "viewer/ApplicationFonts.h"

#include <QApplication>

#include <gtest/gtest.h>

// Widget tests need the application object; they run on the offscreen platform.
int main(int argc, char** argv)
{
    // Test discovery runs this program outside CTest's environment too.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    kvd::loadApplicationFonts();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
