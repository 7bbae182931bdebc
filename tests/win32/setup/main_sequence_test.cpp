#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

#include "engine/system/registry.h"
#include "format/package_format.h"
#include "test_product.h"
#include "test_support.h"

using namespace testing_support;

namespace {

char windowsDrive() {
    char folder[MAX_PATH];
    GetWindowsDirectoryA(folder, sizeof folder);
    return folder[0];
}

// Every test has its own product name and registry key.
class MainSequence : public ::testing::Test {
protected:
    void SetUp() override {
        product_ = std::string("MainSeq") + ::testing::UnitTest::GetInstance()->current_test_info()->name();
        key_ = "Software\\SetupkitTests\\" + product_;
        folder_ = std::string(1, windowsDrive()) + ":\\SetupkitTests\\" + product_;
        CreateDirectoryA((std::string(1, windowsDrive()) + ":\\SetupkitTests").c_str(), nullptr);
        CreateDirectoryA(folder_.c_str(), nullptr);
        shellFolders_ = std::make_unique<ShellFoldersOverride>(folder_, folder_);
    }
    void TearDown() override {
        removeInstallation();
        shellFolders_.reset();
        deleteTree(folder_);
        for (const std::string& path : written_) DeleteFileA(path.c_str());
    }

    // What a completed run leaves: the product's key, its uninstall entry
    // and the installed folder with its log.
    void removeInstallation() {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, key_.c_str());
        RegDeleteTreeA(HKEY_CURRENT_USER, key_.c_str());
        RegDeleteTreeA(HKEY_LOCAL_MACHINE,
                       ("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + product_).c_str());
        deleteTree(folder_ + "\\Demo");
    }

    TextList texts(const char* version = "1.00h") const {
        return {
            {offsetof(fmt::TextSlots, productName), product_},
            {offsetof(fmt::TextSlots, productVersion), version},
            {offsetof(fmt::TextSlots, registryKey), key_},
            {offsetof(fmt::TextSlots, defaultInstallDir),
             "$(BootDrive):\\SetupkitTests\\$(ExtrPath)" + product_ + "\\Demo\\"},
            {offsetof(fmt::TextSlots, uninstallLogName), "InstallLog"},
            {offsetof(fmt::TextSlots, uninstallerName), "UnInst.exe"},
            {offsetof(fmt::TextSlots, uninstallDisplayName), product_},
            {offsetof(fmt::TextSlots, uninstallShortcutName), "Uninstall"},
            {offsetof(fmt::TextSlots, msgConfirmInstall), "Install?"},
            {offsetof(fmt::TextSlots, msgConfirmUpgrade), "Upgrade?"},
            {offsetof(fmt::TextSlots, msgConfirmReinstall), "Reinstall?"},
            {offsetof(fmt::TextSlots, msgNewerInstalled), "Newer installed."},
            {offsetof(fmt::TextSlots, titlePrompt), "Prompt"},
            {offsetof(fmt::TextSlots, titleError), "Failure"},
            {offsetof(fmt::TextSlots, titleMessage), "Message"},
            {offsetof(fmt::TextSlots, msgDoneStartMenu), "Done: start menu."},
            {offsetof(fmt::TextSlots, msgDoneDesktop), "Done: desktop."},
            {offsetof(fmt::TextSlots, msgDoneFolder), "Done: installed in %s."},
        };
    }

    std::string writeInstaller(const std::vector<std::uint8_t>& record, const char* suffix = "") {
        std::vector<std::uint8_t> image = readWholeFile(SETUP_PROGRAM_PATH);
        std::string path = writeTempFile((product_ + suffix + ".exe").c_str(),
                                         buildInstaller(image, record));
        written_.push_back(path);
        return path;
    }

    void setInstalledVersion(const char* version) {
        setup::writeRegistryString(HKEY_LOCAL_MACHINE, key_.c_str(), "Version", version);
    }

    std::string product_;
    std::string key_;
    std::string folder_;
    std::unique_ptr<ShellFoldersOverride> shellFolders_;
    std::vector<std::string> written_;
};


}  // namespace

TEST_F(MainSequence, ProgramWithoutPackageNamesItselfAndEndsWithOne) {
    std::string path = writeTempFile("setupkit-bare-setup.exe", readWholeFile(SETUP_PROGRAM_PATH));
    written_.push_back(path);
    auto result = runProgram(path, "");
    EXPECT_EQ(result.exitCode, 1u);
    ASSERT_EQ(result.boxes, 1);
    EXPECT_EQ(result.caption, "Error");
    EXPECT_EQ(result.text, "Cannot find installation data in the install file " + path +
                               ".\nInstall failed and will exit.");
}

TEST_F(MainSequence, InstallAnsweredYesEndsWithTheFolderMessage) {
    auto result = runProgram(writeInstaller(buildRecord(texts(), 0x0C)), "", {IDYES});
    EXPECT_EQ(result.exitCode, 0u);
    ASSERT_EQ(result.boxes, 2);
    EXPECT_EQ(result.seen[0].caption, "Prompt");
    EXPECT_EQ(result.seen[0].text, "Install?");
    EXPECT_EQ(result.seen[0].defaultButton, IDYES);
    EXPECT_EQ(result.seen[1].caption, "Message");
    // "$(ExtrPath)" expands to nothing while the folder is still empty.
    EXPECT_EQ(result.seen[1].text, "Done: installed in " + folder_ + "\\Demo\\.");
}

TEST_F(MainSequence, CompletionTextFollowsTheShortcutFlags) {
    auto startMenu = runProgram(writeInstaller(buildRecord(texts(), 0x03), "a"), "", {IDYES});
    ASSERT_EQ(startMenu.boxes, 2);
    EXPECT_EQ(startMenu.seen[1].text, "Done: start menu.");
    removeInstallation();
    auto desktop = runProgram(writeInstaller(buildRecord(texts(), 0x01), "b"), "", {IDYES});
    ASSERT_EQ(desktop.boxes, 2);
    EXPECT_EQ(desktop.seen[1].text, "Done: desktop.");
}

TEST_F(MainSequence, InstallAnsweredNoEndsAtOnce) {
    auto result = runProgram(writeInstaller(buildRecord(texts())), "", {IDNO});
    EXPECT_EQ(result.exitCode, 0u);
    EXPECT_EQ(result.boxes, 1);
}

TEST_F(MainSequence, SameVersionInOtherCaseAsksToReinstallWithNoAsDefault) {
    setInstalledVersion("1.00H");
    auto result = runProgram(writeInstaller(buildRecord(texts("1.00h"))), "", {IDNO});
    EXPECT_EQ(result.exitCode, 0u);
    ASSERT_EQ(result.boxes, 1);
    EXPECT_EQ(result.text, "Reinstall?");
    EXPECT_EQ(result.seen[0].defaultButton, IDNO);
}

TEST_F(MainSequence, OlderPackageIsRefused) {
    setInstalledVersion("1.9");
    auto result = runProgram(writeInstaller(buildRecord(texts("1.10"))), "");
    EXPECT_EQ(result.exitCode, 0u);
    ASSERT_EQ(result.boxes, 1);
    EXPECT_EQ(result.caption, "Failure");
    EXPECT_EQ(result.text, "Newer installed.");
}

TEST_F(MainSequence, NewerPackageAsksToUpgrade) {
    setInstalledVersion("1.5");
    auto result = runProgram(writeInstaller(buildRecord(texts("1.6"))), "", {IDYES});
    EXPECT_EQ(result.exitCode, 0u);
    ASSERT_EQ(result.boxes, 2);
    EXPECT_EQ(result.text, "Upgrade?");
}

// An upgrade goes where the product is, not to the default folder; a
// folder the chooser would refuse leaves the default standing.
TEST_F(MainSequence, UpgradeStartsFromTheInstalledFolder) {
    const std::string installed = folder_ + "\\Elsewhere\\";
    const struct {
        std::string installDir;
        std::string expected;
    } cases[] = {
        {installed, installed},
        {"Q:\\" + product_ + "\\", folder_ + "\\Demo\\"},  // a drive that is not there
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.installDir);
        setInstalledVersion("1.5");
        setup::writeRegistryString(HKEY_LOCAL_MACHINE, key_.c_str(), "InstallDir", c.installDir.c_str());
        auto result = runProgram(writeInstaller(buildRecord(texts("1.6"))), "", {IDYES});
        EXPECT_EQ(result.exitCode, 0u);
        ASSERT_EQ(result.boxes, 2);
        EXPECT_EQ(result.seen[1].text, "Done: installed in " + c.expected + ".");
        removeInstallation();
        deleteTree(installed);
    }
}

TEST_F(MainSequence, InstalledVersionTooLongCountsAsNone) {
    setInstalledVersion(std::string(64, '9').c_str());
    auto result = runProgram(writeInstaller(buildRecord(texts())), "", {IDNO});
    EXPECT_EQ(result.text, "Install?");
}

TEST_F(MainSequence, CorruptConfigurationShowsTheResourceTextAndEndsWithEight) {
    std::string path = writeInstaller(buildRecord(texts()));
    std::vector<std::uint8_t> bytes = readWholeFile(path);
    bytes[bytes.size() - 7] ^= 0x04;
    path = writeTempFile((product_ + "-crc.exe").c_str(), bytes);
    written_.push_back(path);
    auto result = runProgram(path, "");
    EXPECT_EQ(result.exitCode, 8u);
    EXPECT_EQ(result.caption, "Error");
    EXPECT_EQ(result.text, "The archive inside INSTALL.EXE is corrupt.\nInstall failed and will exit.");
}

TEST_F(MainSequence, SecondCopyEndsSilentlyWhileTheFirstWaits) {
    std::string path = writeInstaller(buildRecord(texts()));
    PROCESS_INFORMATION first = startProgram(path, "");
    ASSERT_NE(first.hProcess, nullptr);
    HWND prompt = waitForMessageBox(first.dwProcessId);
    ASSERT_NE(prompt, nullptr);

    auto second = runProgram(path, "");
    EXPECT_EQ(second.exitCode, 0u);
    EXPECT_EQ(second.boxes, 0);

    PostMessageA(prompt, WM_COMMAND, MAKEWPARAM(IDNO, BN_CLICKED), 0);
    EXPECT_EQ(WaitForSingleObject(first.hProcess, 30000), WAIT_OBJECT_0);
    CloseHandle(first.hThread);
    CloseHandle(first.hProcess);
}
