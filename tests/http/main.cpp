// The HTTP suite's entry point: the HTTP client is set up before any test starts a thread.
#include <gtest/gtest.h>

#include "http/transfer.h"

int main(int argc, char** argv) {
    talvex::InitHttpClient();
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
