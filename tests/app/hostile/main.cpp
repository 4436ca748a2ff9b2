// The hostile-site tests drive the real window in a real Qt event loop: offscreen unless a
// platform is chosen.
#include <gtest/gtest.h>

#include <QApplication>

#include "http/transfer.h"

int main(int argc, char** argv) {
    // gtest_discover_tests runs this binary at build time too, where no CTest property applies.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    talvex::InitHttpClient();
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
