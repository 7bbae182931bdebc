// reg.exe's listing of a key read back into values and types, without Wine.
#include <gtest/gtest.h>

#include "harness/registry_values.h"

namespace e2e {
namespace {

TEST(RegistryValues, NamesWithBlanksTypesAndEmptyData) {
    const std::string output =
        "\r\nHKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\E2E Name\r\n"
        "    DisplayName    REG_SZ    E2E Name\r\n"
        "    EstimatedSize    REG_DWORD    0x1b\r\n"
        "    Quiet Name    REG_SZ    \"C:\\x y\\UnInst.exe\" /S C:\\x y\\InstallLog\r\n"
        "    Empty    REG_SZ    \r\n"
        "\r\nHKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\E2E Name\\Sub\r\n";
    const std::map<std::string, RegistryData> values = parseRegistryValues(output);
    ASSERT_EQ(values.size(), 4u);
    EXPECT_EQ(values.at("DisplayName"), (RegistryData{"REG_SZ", "E2E Name"}));
    EXPECT_EQ(values.at("EstimatedSize"), (RegistryData{"REG_DWORD", "0x1b"}));
    EXPECT_EQ(values.at("Quiet Name").data, "\"C:\\x y\\UnInst.exe\" /S C:\\x y\\InstallLog");
    EXPECT_EQ(values.at("Empty"), (RegistryData{"REG_SZ", ""}));
}

}  // namespace
}  // namespace e2e
