#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>

#include "engine/failure/failure.h"
#include "engine/system/registry.h"
#include "engine/undo/registry_backups.h"

using setup::readRegistryString;
using setup::writeRegistryString;

namespace {

constexpr char kKey[] = "Software\\SetupkitTests\\Registry";

class Registry : public ::testing::Test {
protected:
    void TearDown() override {
        RegDeleteKeyA(HKEY_CURRENT_USER, kKey);
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\SetupkitTests");
    }
    void setRaw(const char* name, DWORD type, const void* data, DWORD size) {
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
        RegCloseKey(key);
    }
    std::string read(const char* name, std::uint32_t size = 64) {
        char buffer[300];
        std::memset(buffer, 'Z', sizeof buffer);
        readRegistryString(buffer, size, HKEY_CURRENT_USER, kKey, name, "default");
        EXPECT_EQ(buffer[size], 'Z') << "written beyond the buffer";
        return buffer;
    }
};

}  // namespace

TEST_F(Registry, WrittenStringReadsBack) {
    writeRegistryString(HKEY_CURRENT_USER, kKey, "Version", "1.00h");
    EXPECT_EQ(read("Version"), "1.00h");
    writeRegistryString(HKEY_CURRENT_USER, kKey, "Version", "");
    EXPECT_EQ(read("Version"), "");
}

TEST_F(Registry, MissingKeyOrValueGivesTheDefault) {
    EXPECT_EQ(read("Version"), "default");
    writeRegistryString(HKEY_CURRENT_USER, kKey, "Other", "x");
    EXPECT_EQ(read("Version"), "default");
}

TEST_F(Registry, ValueThatDoesNotFitGivesTheDefault) {
    writeRegistryString(HKEY_CURRENT_USER, kKey, "Long", std::string(64, 'v').c_str());
    EXPECT_EQ(read("Long"), "default");
    writeRegistryString(HKEY_CURRENT_USER, kKey, "Fits", std::string(63, 'v').c_str());
    EXPECT_EQ(read("Fits"), std::string(63, 'v'));
}

TEST_F(Registry, OnlyStringTypesAreTaken) {
    DWORD number = 5;
    setRaw("Number", REG_DWORD, &number, sizeof number);
    EXPECT_EQ(read("Number"), "default");
    setRaw("Expand", REG_EXPAND_SZ, "%TEMP%\\x", 9);
    EXPECT_EQ(read("Expand"), "%TEMP%\\x");  // not expanded
}

TEST_F(Registry, UnterminatedStringIsTerminatedOrRefused) {
    setRaw("Short", REG_SZ, "abc", 3);
    EXPECT_EQ(read("Short"), "abc");
    std::string full(64, 'f');
    setRaw("Full", REG_SZ, full.data(), 64);
    EXPECT_EQ(read("Full"), "default");
}

TEST_F(Registry, WriteFailureRaisesRegistryError) {
    try {
        writeRegistryString(reinterpret_cast<HKEY>(0x1234), "Software\\X", "V", "t");
        FAIL() << "no failure raised";
    } catch (setup::xInstall* error) {
        EXPECT_EQ(error->code, 10u);
        EXPECT_NE(error->systemError, 0u);
    }
}

TEST(RegistryRoot, StoredValuesNameThePredefinedRoots) {
    EXPECT_EQ(setup::registryRoot(0x80000002u), HKEY_LOCAL_MACHINE);
    EXPECT_EQ(setup::registryRoot(0x80000001u), HKEY_CURRENT_USER);
}

// The registry returns its error instead of setting the thread's; the raised
// error carries the registry's own reason.
TEST_F(Registry, WriteFailureCarriesTheRegistrysReason) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, REG_OPTION_VOLATILE,
                              KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    SetLastError(0);
    try {
        writeRegistryString(HKEY_CURRENT_USER, (std::string(kKey) + "\\Lasting").c_str(), "V", "t");
        FAIL() << "no failure raised";
    } catch (setup::xInstall* error) {
        EXPECT_EQ(error->code, 10u);
        EXPECT_EQ(error->systemError, static_cast<std::uint32_t>(ERROR_CHILD_MUST_BE_VOLATILE));
    }
}

// Numbers are written as REG_DWORD with the strings' care: in a key the run
// did not make, each value's earlier type and data come back on a rollback,
// and a value that was not there goes again.
TEST_F(Registry, NumbersAndTextsInAKeyOfBeforeComeBackOnARollback) {
    setup::discardRegistryBackups();  // the keys earlier tests' writes made are theirs
    setRaw("Size", REG_SZ, "big", 4);
    DWORD earlier = 7;
    setRaw("NoModify", REG_DWORD, &earlier, sizeof earlier);
    const setup::RegistryValue values[] = {
        {"Size", nullptr, 1234},
        {"NoModify", nullptr, 1},
        {"NoRepair", nullptr, 1},
        {"Name", "text"},
    };
    setup::writeRegistryValues(HKEY_CURRENT_USER, kKey, values, 4);
    const auto number = [&](const char* name, DWORD& type) {
        DWORD data = 0, size = sizeof data;
        HKEY key;
        RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key);
        const LONG found = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
        RegCloseKey(key);
        return found == ERROR_SUCCESS ? data : 0xFFFFFFFFu;
    };
    DWORD type = 0;
    EXPECT_EQ(number("Size", type), 1234u);
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(number("NoRepair", type), 1u);
    EXPECT_EQ(read("Name"), "text");

    setup::restoreRegistryBackups();
    EXPECT_EQ(read("Size"), "big");
    EXPECT_EQ(number("NoModify", type), 7u);
    EXPECT_EQ(number("NoRepair", type), 0xFFFFFFFFu);
    EXPECT_EQ(read("Name"), "default");
}
