// Entry of the GUI test programs: the application object of the tool on Qt's offscreen
// platform, unless the caller chose a platform, so that tests run and are listed without a
// display.
#include "Application.h"

#include <gtest/gtest.h>

#include <QByteArray>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    testing::InitGoogleTest(&argc, argv);
    TGuiApplication host(argc, argv);
    return RUN_ALL_TESTS();
}
