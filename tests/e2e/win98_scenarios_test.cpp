// What differs where the system reports Windows 98 (Wine's Windows 98
// mode): a whole installation with the DirectX page, a reinstall that fails
// after its backups and gives everything back (the registry saved through
// the 8-bit functions), and the uninstaller's removal of itself through
// WININIT.INI. Then a drive whose root the run cannot write: the backups go
// below it, and an update succeeds or gives back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <regex>

#include "failure_scenario.h"
#include "harness/read_only_root_drive.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

const char kUninstaller[] = "W98Un.exe";

class Windows98Scenario : public FailureScenario {
protected:
    // A product of `version` below `folder` with a DirectX component of the
    // stand-in library, a registry value, the uninstall entry and, as its
    // last stored file, `large` (incompressible, three chunks).
    ProductDescription product(const std::string& version, const std::string& folder, const std::string& large) {
        ProductDescription p = failingDescription();
        p.version = version;
        p.defaultFolder = folder;
        p.productLines.push_back("uninstaller = " + tomlString(kUninstaller));
        p.flags = {"uninstall-entry"};
        p.setText("uninstallDisplayName", productName());
        source("dx/manifest.txt", "dsetup.dll\r\n");
        fs::copy_file(std::string(E2E_DDRAW_DIR) + "/dsetup_stand_in.dll", hostDir() + "/dx/dsetup.dll",
                      fs::copy_options::overwrite_existing);
        source(version + "/app.txt", "version " + version);
        source(version + "/large.bin", large);
        p.components = {{"DirectX", {}, {"{ folder = \"dx\", to = \"Redist\" }"}},
                        {"Main", {version + "/app.txt", version + "/large.bin"}}};
        p.defaultSelection = {"Main"};
        p.options = {"directx-components = [\"DirectX\"]", "required-directx = 0x00040005"};
        p.extraToml = registryValueAction("HKCU", registryKey(), "Home", "$(ExtrPath)");
        return p;
    }

    // The files below a host folder, the product's values and its uninstall entry.
    std::map<std::string, std::string> footprint(const std::string& hostFolder) {
        std::map<std::string, std::string> found;
        for (const auto& [path, bytes] : treeOf(hostFolder))
            found[path] = bytes + " at " + std::to_string(modifiedAt(hostFolder + "/" + path));
        for (const char* value : {"Version", "InstallDir", "UnInstallLog", "UnInstallLogSHA256"})
            found[value] = wineSession().readRegistryString(machineKey(), value).value_or("<none>");
        found["Home"] = wineSession().readRegistryString(userKey(), "Home").value_or("<none>");
        found["UninstallString"] =
            wineSession().readRegistryString(uninstallEntry(), "UninstallString").value_or("<none>");
        return found;
    }

    void SetUp() override {
        FailureScenario::SetUp();
        deleteKeyAtEnd(userKey());
        deleteKeyAtEnd(uninstallEntry());
    }
};

// The host path of WININIT.INI in the Windows folder, whatever its case.
std::string restartList() {
    const std::string windows = wineSession().driveC() + "/windows";
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(windows, error)) {
        std::string name = entry.path().filename().string();
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (name == "wininit.ini") return entry.path().string();
    }
    return windows + "/WININIT.INI";
}

// Attended, with the DirectX page: the stand-in runs once, and the run ends
// with the restart question. A reinstall (/S) that fails after its backups
// has removed the previous installation, keys saved through the 8-bit
// functions, and gives it all back; one that meets a held file stops
// before it changes anything. The uninstaller, in Windows 98 mode too, removes everything and lists its
// copy in WININIT.INI.
TEST_F(Windows98Scenario, InstallFailedReinstallAndUninstall) {
    const std::string p = productName(), exe = "w98.exe";
    const std::string data = noise(40000, 3);
    ProductDescription description = product("1.00", installFolder(), data);
    description.options.push_back("directx-page = 0");
    description.pages = {{"{ directx-version-text = \"Installed: %s\" }", "{ directx-install-radio = \"&Install\" }",
                          "{ directx-skip-radio = \"&Skip\" }"},
                         {"{ text = \"Ready\" }"}};
    ASSERT_TRUE(buildAs(description, exe));
    writeWithFlippedBit(description, 5, "large.bin", data, "w98-flipped.exe");
    ASSERT_FALSE(HasFatalFailure());
    std::vector<std::string> settings = asWindows9x(exe, kNoDirectDraw);
    asWindows9x("w98-flipped.exe", kNoDirectDraw);
    asWindows9x(kUninstaller, kWineDirectDraw);
    settings.push_back("DSETUP_STAND_IN_RECORD=" + windowsDir() + "directx-calls.txt");
    settings.push_back("DSETUP_STAND_IN_RESULT=0");

    Process& setup = start(exe, settings);
    std::optional<WizardPage> page = acceptToWizard(exe, "directx-page");
    ASSERT_TRUE(page && page->control(kInstallDirectX));
    EXPECT_TRUE(page->withText("Installed: (not found)"));
    EXPECT_EQ(page->control(kInstallDirectX)->check, 1);
    ASSERT_TRUE(robot.click(page->sheet.hwnd, kWizardNext));
    std::optional<WizardPage> ready = waitWizardPage(exe, "ready", page->page);
    ASSERT_TRUE(ready);
    ASSERT_TRUE(robot.click(ready->sheet.hwnd, kWizardFinish));
    std::optional<Window> end = waitMessageBox(exe, p, "reboot-question");
    expectBox(end, p, p + " is installed. Restart now?", {kIdYes, kIdNo});
    if (end) answer(*end, kIdNo);
    ASSERT_EQ(exitCodeOf(setup), kSetupDone);
    EXPECT_NE(contentOf(hostDir() + "/directx-calls.txt").find("files=ok"), std::string::npos)
        << "the stand-in did not run";
    const std::map<std::string, std::string> installed = footprint(hostInstallFolder());
    EXPECT_EQ(installed.at("app.txt"), "version 1.00 at " + std::to_string(modifiedAt(hostDir() + "/1.00/app.txt")));
    EXPECT_EQ(installed.at("Home"), installFolder());

    // A reinstall that fails after its backups (a flipped bit in its last
    // file) has removed the previous installation, keys saved through the
    // 8-bit functions, and gives it all back. One that finds its log held
    // open by another program stops before it changes anything: the check
    // for files in use opens files sharing nothing on the 9x family.
    struct Row {
        std::string exe;
        bool holdLog;
        int exitCode;
        std::vector<std::string> lines;  // lines of the run's log
    };
    const Row rows[] = {
        {"w98-flipped.exe", false, kSetupChecksumError,
         {"registry backups are kept through the 8-bit registry functions (Windows 9x)",
          "saved the key HKEY_LOCAL_MACHINE\\" + registryKey(),
          "made the key HKEY_LOCAL_MACHINE\\" + registryKey() + " again", "restored " + installFolder() + "large.bin"}},
        {exe, true, kSetupFilesInUse, {"in use: " + installFolder() + "InstallLog"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.exe);
        std::optional<Process> holder;
        if (row.holdLog) holder.emplace(holdFile(installFolder() + "InstallLog"));
        const std::string log = windowsDir() + row.exe + ".log";
        EXPECT_EQ(exitCodeOf(startWith(row.exe, {"/S", "/LOG=" + log}, settings)), row.exitCode);
        if (holder) holder->kill();
        const std::string text = contentOf(hostPathOf(log));
        for (const std::string& line : row.lines) EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
        EXPECT_EQ(footprint(hostInstallFolder()), installed);
        EXPECT_EQ(backupFolders(), std::vector<std::string>{});
    }

    // WININIT.INI is the prefix's: it is given back as it was.
    const std::string list = restartList();
    const bool listed = fs::exists(list);
    const std::string before = listed ? contentOf(list) : "";
    EXPECT_EQ(runQuietUninstall(installed.at("UninstallString")), kUninstallRemoved);
    EXPECT_TRUE(waitUntil([&] { return !fs::exists(hostInstallFolder()); }, kExitTimeout))
        << "the install folder stays";
    EXPECT_FALSE(wineSession().registryKeyExists(machineKey()));
    EXPECT_FALSE(wineSession().registryKeyExists(userKey()));
    EXPECT_FALSE(wineSession().registryKeyExists(uninstallEntry()));
    const std::string after = contentOf(restartList());
    std::string temp = wineSession().temporaryFolder();
    const std::regex line("(^|\\n)NUL=" + std::regex_replace(temp, std::regex("[\\\\.]"), "\\$&") +
                              "[^\\\\\\r\\n]+\\\\~UNINST\\.EXE\\r?(\\n|$)",
                          std::regex::icase);
    EXPECT_TRUE(std::regex_search(after, line)) << "no restart-time removal of the copy:\n" << after;
    std::error_code ignored;
    if (listed)
        std::ofstream(list, std::ios::binary) << before;
    else
        fs::remove(restartList(), ignored);
    // The copy's emptied folder waits for the restart: it goes here, as it would then.
    waitUntil([&] {
        for (const std::string& folder : temporaryFoldersNamed("~uninst")) fs::remove(folder, ignored);
        return temporaryFoldersNamed("~uninst").empty();
    }, kExitTimeout);
}

// The drive's root cannot take the backup folder: the install folder's own
// folder does, with the same give-back. A failed update (a flipped bit in
// its last file) leaves version 1 as it was; a sound one replaces it. No
// backup folder stays, at the root or below it.
TEST_F(Windows98Scenario, ReadOnlyDriveRootKeepsBackupsBelowIt) {
    ReadOnlyRootDrive drive(wineSession().prefix(), "Product");
    if (!drive.problem().empty()) GTEST_SKIP() << drive.problem();
    const std::string folder = std::string(1, drive.letter()) + ":\\Product\\";
    const std::string hostFolder = drive.hostPath() + "/Product";
    const std::string one = noise(40000, 4), two = noise(40000, 5);
    ASSERT_TRUE(buildAs(product("1.00", folder, one), "v1.exe"));
    ASSERT_TRUE(buildAs(product("1.10", folder, two), "v2.exe"));
    writeWithFlippedBit(product("1.10", folder, two), 5, "large.bin", two, "v2-flipped.exe");
    ASSERT_FALSE(HasFatalFailure());
    std::ofstream(drive.hostPath() + "/probe");
    ASSERT_FALSE(fs::exists(drive.hostPath() + "/probe")) << "the drive's root can be written";
    ASSERT_EQ(runSilently("v1.exe", {"/S"}), kSetupDone);
    const std::map<std::string, std::string> installed = footprint(hostFolder);
    ASSERT_EQ(installed.count("large.bin"), 1u);

    struct Row {
        const char* exe;
        int exitCode;
        std::string app;
    };
    const Row rows[] = {{"v2-flipped.exe", kSetupChecksumError, "version 1.00"},
                        {"v2.exe", kSetupDone, "version 1.10"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.exe);
        const std::string log = windowsDir() + row.exe + ".log";
        EXPECT_EQ(exitCodeOf(startWith(row.exe, {"/S", "/LOG=" + log}, {"DISPLAY="})), row.exitCode);
        const std::string text = contentOf(hostPathOf(log));
        EXPECT_NE(text.find("the root " + std::string(1, drive.letter()) + ":\\ cannot take the backup folder"),
                  std::string::npos)
            << text;
        EXPECT_EQ(contentOf(hostFolder + "/app.txt"), row.app);
        if (row.exitCode != kSetupDone) EXPECT_EQ(footprint(hostFolder), installed);
        EXPECT_EQ(backupFolders(hostFolder), std::vector<std::string>{});
        EXPECT_EQ(backupFolders(drive.hostPath()), std::vector<std::string>{});
    }
    EXPECT_EQ(contentOf(hostFolder + "/large.bin"), two);
    wineSession().deleteRegistryKey(machineKey());
}

}  // namespace
}  // namespace e2e
