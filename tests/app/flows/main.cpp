// The flow tests run in a real Qt event loop: offscreen unless a platform is chosen.
#include <gtest/gtest.h>

#include <QApplication>

#include "http/transfer.h"

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    talvex::InitHttpClient();
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
