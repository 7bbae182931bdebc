// Runs a suite's scenarios in one Wine prefix on one X display; see
// harness/wine_session.h.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "harness/scenario.h"
#include "harness/wine_session.h"

// The prefix of this suite: the shared one, or one of its own made for
// another user (E2E_SUITE_PREFIX and E2E_SUITE_USER, set by the build).
#ifndef E2E_SUITE_PREFIX
#define E2E_SUITE_PREFIX E2E_WINEPREFIX
#define E2E_SUITE_USER ""
#endif

namespace {

class WineEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        for (const char* program : {E2E_ROBOT_EXE, E2E_SETUP_STUB}) {
            if (!std::filesystem::exists(program)) {
                e2e::sessionError = std::string(program) + " is missing: build the win32 tree";
                return;
            }
        }
        if (!e2e::wineSession().start(E2E_SUITE_PREFIX, E2E_SUITE_USER))
            e2e::sessionError = e2e::wineSession().error();
    }
    void TearDown() override { e2e::wineSession().stop(); }
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (CTest's discovery) needs no Wine.
    if (!GTEST_FLAG_GET(list_tests)) ::testing::AddGlobalTestEnvironment(new WineEnvironment);
    return RUN_ALL_TESTS();
}
