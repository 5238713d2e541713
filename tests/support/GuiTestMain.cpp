// Entry of the GUI test programs: the application object of the tool on Qt's offscreen
// platform, unless the caller chose a platform, so that tests run and are listed without a
// display.
#include "Application.h"

#include <gtest/gtest.h>

#include <QByteArray>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
#ifdef MIGRATOR_TEST_SCALE_FACTOR
    // A denser screen than 96 dpi, for the programs that test scaling.
    qputenv("QT_SCALE_FACTOR", QByteArrayLiteral(MIGRATOR_TEST_SCALE_FACTOR));
#endif
    testing::InitGoogleTest(&argc, argv);
    TGuiApplication host(argc, argv);
    return RUN_ALL_TESTS();
}
