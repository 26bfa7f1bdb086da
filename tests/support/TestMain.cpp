#include "support/ChildMode.h"

#include <gtest/gtest.h>

#ifdef PLOTVANE_TEST_GUI
#include <QApplication>
using TTestApplication = QApplication;
#else
#include <QCoreApplication>
using TTestApplication = QCoreApplication;
#endif

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
#ifdef PLOTVANE_TEST_GUI
    // Test discovery runs this without CTest's environment; widget tests never need a display.
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    TTestApplication app(argc, argv);
    if (const int child = RunChildModeIfAsked(); child >= 0)
        return child;
    return RUN_ALL_TESTS();
}
