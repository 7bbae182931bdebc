#include <gtest/gtest.h>

#include "test_support.h"

// The test program doubles as the child that the failure tests start.
int main(int argc, char** argv) {
    if (testing_support::runChildModeIfAsked(argc, argv)) return 0;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
