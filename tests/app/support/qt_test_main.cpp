// The main of every app test binary: a real Qt event loop, headless unless a platform is chosen.
#include <QApplication>

#include <cstdlib>

#include <gtest/gtest.h>

#include "http/transfer.h"

int main(int argc, char* argv[]) {
    // gtest_discover_tests runs this binary at build time too, where no CTest property applies.
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    talvex::InitHttpClient();
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
