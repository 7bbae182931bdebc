#include <gtest/gtest.h>
#include <windows.h>

#include "test_support.h"

// The test program doubles as the child that the failure tests start.
int main(int argc, char** argv) {
    // Shortcuts saved by the tests must not become desktop or menu entries
    // of the machine that runs them: the shell's menu builder is switched
    // off in this prefix, for this program and the children it starts.
    HKEY overrides;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\DllOverrides", 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, &overrides, nullptr) == ERROR_SUCCESS) {
        RegSetValueExA(overrides, "winemenubuilder.exe", 0, REG_SZ,
                       reinterpret_cast<const BYTE*>(""), 1);
        RegCloseKey(overrides);
    }
    if (testing_support::runChildModeIfAsked(argc, argv)) return 0;
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
