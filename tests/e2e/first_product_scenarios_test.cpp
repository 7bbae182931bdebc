// What a first product met: an upgrade that stays where the product is, a
// previous installation's file that cannot be removed and is said to stay,
// a log that records what the run made and nothing else, the uninstaller
// installed whatever the selection, a log even when an option is bad, and an
// uninstall that a program running in the install folder keeps from ending.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>

#include "harness/host_files.h"
#include "harness/scenario.h"
#include "harness/wine_session.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

const char kUninstallKeys[] = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

constexpr int kExitBadOption = 22;
constexpr int kExitPreviousLeftovers = 25;
constexpr int kUninstallLeftOver = 5;

class FirstProductScenario : public SetupScenario {
protected:
    void SetUp() override {
        SetupScenario::SetUp();
        deleteKeyAtEnd(kUninstallKeys + productName());
        programs_ = wineSession()
                        .readRegistryString("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                                            "Programs")
                        .value_or("C:\\Windows\\Start Menu\\Programs");
        removeAtEnd(hostPathOf(programs_ + "\\" + productName()));
    }

    // The uninstaller's shortcut in the Start menu.
    std::string uninstallShortcut() const { return hostPathOf(programs_ + "\\" + productName() + "\\Uninstall.lnk"); }

    std::string programs_;

    void source(const std::string& relative, const std::string& content) {
        std::ofstream(fs::path(hostDir()) / relative, std::ios::binary) << content;
    }

    // Two components and the uninstall entry; `files` of the first.
    void writeProduct(const std::string& fileName, const std::string& version, const std::vector<std::string>& files) {
        source("app.txt", "the program " + version);
        source("old.txt", "only in the first version");
        source("extra.txt", "an extra");
        ProductDescription p = description();
        p.version = version;
        p.flags = {"uninstall-entry", "uninstall-shortcut"};
        p.setText("uninstallShortcutName", productName() + "\\Uninstall");
        p.components.push_back({"Main", files});
        p.components.push_back({"Extra", {"extra.txt"}});
        p.defaultSelection = {"Main", "Extra"};
        p.options = {"preset-1 = [\"Extra\"]"};
        p.setText("uninstallDisplayName", productName());
        Bytes file = build(p);
        ASSERT_FALSE(file.empty());
        writeInstaller(file, fileName);
    }

};

// 1.00 goes to a folder of the user's choice; 1.01, without /D=, goes there
// too. Its removal of 1.00 cannot take old.txt (read-only; one held open
// would stop the run before it began), which 1.01 does not install: the
// run ends with its own code, and its log names the file.
TEST_F(FirstProductScenario, UpgradeStaysInTheInstalledFolderAndSaysWhatStays) {
    writeProduct("setup-1.00.exe", "1.00", {"app.txt", "old.txt"});
    writeProduct("setup-1.01.exe", "1.01", {"app.txt"});
    const std::string custom = windowsDir() + "Custom\\Dir\\";
    ASSERT_EQ(runSilently("setup-1.00.exe", {"/S", "/D=" + custom.substr(0, custom.size() - 1)}), 0);
    ASSERT_TRUE(fs::exists(hostPathOf(custom + "old.txt")));

    fs::permissions(hostPathOf(custom + "old.txt"), fs::perms::owner_write | fs::perms::group_write |
                    fs::perms::others_write, fs::perm_options::remove);
    const std::string log = windowsDir() + "upgrade.log";
    EXPECT_EQ(runSilently("setup-1.01.exe", {"/S", "/LOG=" + log}), kExitPreviousLeftovers);
    EXPECT_FALSE(fs::exists(hostInstallFolder())) << "the upgrade moved the product to the default folder";
    EXPECT_EQ(contentOf(hostPathOf(custom + "app.txt")), "the program 1.01");
    EXPECT_EQ(wineSession().readRegistryString(machineKey(), "InstallDir").value_or(""), custom);
    const std::string text = contentOf(hostPathOf(log));
    EXPECT_NE(text.find("the installed product's folder: " + custom), std::string::npos) << text;
    EXPECT_NE(text.find("left by the previous installation, in no log now: file " + custom + "old.txt"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("exit code 25: installed; files of the previous installation"), std::string::npos)
        << text;
    // The product's key under HKEY_CURRENT_USER is recorded for the
    // uninstaller, never made: the log says so.
    EXPECT_NE(text.find("recorded for removal, not made: key HKEY_CURRENT_USER\\" + registryKey()), std::string::npos)
        << text;
    const auto count = [&text](const std::string& what) {
        std::size_t found = 0;
        for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++found;
        return found;
    };
    const std::string userKey = "key HKEY_CURRENT_USER\\" + registryKey();
    EXPECT_EQ(count(userKey), count("recorded for removal, not made: " + userKey)) << text;

}

// The uninstaller comes with every selection that the uninstall entry
// starts it from; an uninstall that a program in the install folder keeps
// from ending says so; a log is written even when another option is bad.
TEST_F(FirstProductScenario, EverySelectionTakesTheUninstallerAndBadOptionsAreLogged) {
    writeProduct("setup.exe", "1.00", {"app.txt"});
    struct Case {
        std::vector<std::string> arguments;
        std::vector<std::string> files;  // in the install folder, InstallLog apart
    };
    // /NOSHORTCUTS leaves out the product's shortcuts; the uninstaller's
    // belongs to the uninstall registration and is made all the same.
    const Case cases[] = {
        {{"/S", "/COMPONENTS=Extra", "/NOSHORTCUTS"}, {"UnInst.exe", "extra.txt"}},
        {{"/S", "/TYPE=1"}, {"UnInst.exe", "extra.txt"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments[1]);
        EXPECT_EQ(runSilently("setup.exe", c.arguments), 0);
        std::vector<std::string> files;
        for (const auto& entry : fs::directory_iterator(hostInstallFolder()))
            if (entry.path().filename() != "InstallLog") files.push_back(entry.path().filename().string());
        std::sort(files.begin(), files.end());
        EXPECT_EQ(files, c.files);
        // The entry starts a program that is there.
        const std::string uninstall =
            wineSession().readRegistryString(kUninstallKeys + productName(), "UninstallString").value_or("");
        EXPECT_EQ(uninstall, "\"" + installFolder() + "UnInst.exe\" " + installFolder() + "InstallLog");
        EXPECT_TRUE(fs::exists(uninstallShortcut()));
        Process run = robot.runCommandLine(installFolder() + "UnInst.exe /S " + installFolder() + "InstallLog",
                                           Milliseconds(60000));
        EXPECT_EQ(exitCodeOf(run, Milliseconds(60000)), 0);
        // The uninstaller's copy removes its file and the folder after it.
        EXPECT_TRUE(waitUntil([&] { return !fs::exists(hostInstallFolder()); }, kExitTimeout));
    }

    // A program started from a shortcut runs in the install folder, which
    // then cannot go: the uninstaller says so in its exit code.
    ASSERT_EQ(runSilently("setup.exe", {"/S"}), 0);
    Process inFolder = holdFile(installFolder().substr(0, installFolder().size() - 1));
    Process held = robot.runCommandLine(installFolder() + "UnInst.exe /S " + installFolder() + "InstallLog",
                                        Milliseconds(60000));
    EXPECT_EQ(exitCodeOf(held, Milliseconds(60000)), kUninstallLeftOver);
    inFolder.kill();

    const struct {
        std::vector<std::string> arguments;
        const char* logged;
    } bad[] = {
        {{"/S", "/LOG=" + windowsDir() + "b2.txt", "/BOGUS"}, "unknown option \"/BOGUS\""},
        {{"/LOG=" + windowsDir() + "b.txt", "/S", "/S"}, "/S is given twice"},
    };
    for (const auto& b : bad) {
        SCOPED_TRACE(b.logged);
        EXPECT_EQ(runSilently("setup.exe", b.arguments), kExitBadOption);
        const std::string logPath = b.arguments[0] == "/S" ? b.arguments[1] : b.arguments[0];
        const std::string text = contentOf(hostPathOf(logPath.substr(5)));
        EXPECT_NE(text.find(b.logged), std::string::npos) << text;
        EXPECT_NE(text.find("exit code 22"), std::string::npos) << text;
    }
}

}  // namespace
}  // namespace e2e
