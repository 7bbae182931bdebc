// The end of an accepted run: shortcuts, registry values of the actions, the
// system's uninstall entry and the uninstaller's shortcut.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "format/package_format.h"

#include "harness/install_log_file.h"
#include "harness/scenario.h"
#include "harness/wine_session.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

const char kShellFolders[] =
    "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kUninstallKeys[] = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::string contentOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The text as 8-bit bytes or as UTF-16 (shortcut files hold either).
bool holdsText(const std::string& bytes, const std::string& text) {
    std::string wide;
    for (char c : text) {
        wide += c;
        wide += '\0';
    }
    return bytes.find(text) != std::string::npos || bytes.find(wide) != std::string::npos;
}

class PostInstallScenario : public SetupScenario {
protected:
    // The shell folder the program reads, or its fallback when Wine has no
    // such value.
    std::string shellFolder(const std::string& value, const std::string& fallback) {
        return wineSession().readRegistryString(kShellFolders, value).value_or(fallback);
    }

    // Folder entries a run must record for a file it makes at this Windows
    // path: every level below the drive that does not exist yet, outermost
    // first.
    std::vector<LogRecord> missingFolders(const std::string& windowsFile) {
        std::vector<LogRecord> records;
        for (size_t at = windowsFile.find('\\', 3); at != std::string::npos;
             at = windowsFile.find('\\', at + 1)) {
            const std::string folder = windowsFile.substr(0, at);
            if (!fs::exists(hostPathOf(folder))) records.push_back({fmt::kLogFolder, 0, 0, folder});
        }
        return records;
    }

    // Runs the installer through the install question and the completion
    // message; returns the completion text.
    std::string installToTheEnd(const std::string& fileName) {
        Process& setup = start(fileName);
        std::optional<Window> question = waitWindow(fileName, "install-question");
        if (!question) return {};
        acceptAndPassWizard(*question, fileName);
        WindowQuery done = WindowQuery::byExe(fileName);
        done.title = productName();
        std::optional<Window> completion = waitWindow(done, "completion");
        if (!completion) return {};
        answer(*completion, kIdOk);
        EXPECT_EQ(exitCodeOf(setup), 0);
        return completion->message;
    }

    // The run's InstallLog, parsed; fails the scenario when it is unsound.
    InstallLogFile installLog() {
        Bytes bytes;
        EXPECT_TRUE(readFile(hostInstallFolder() + "InstallLog", bytes)) << "no InstallLog";
        std::string problem;
        std::optional<InstallLogFile> log = parseInstallLog(bytes, problem);
        EXPECT_TRUE(log) << problem;
        return log.value_or(InstallLogFile());
    }

    void expectEntries(const InstallLogFile& log, const std::vector<LogRecord>& expected) {
        EXPECT_EQ(log.entryCount, expected.size());
        for (size_t i = 0; i < std::max(log.entries.size(), expected.size()); ++i) {
            if (i >= log.entries.size()) {
                ADD_FAILURE() << "missing entry " << i << ": " << expected[i];
            } else if (i >= expected.size()) {
                ADD_FAILURE() << "unexpected entry " << i << ": " << log.entries[i];
            } else {
                EXPECT_EQ(log.entries[i], expected[i]) << "entry " << i;
            }
        }
    }
};

TEST_F(PostInstallScenario, ShortcutsRegistryValuesAndUninstallEntry) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    std::ofstream(hostDir() + "/app.txt") << "the program";
    const std::string settingsKey = "Software\\E2E\\" + name() + "\\Settings";
    const std::string displayName = productName();
    const std::string programsFolder = "E2E\\" + name();

    ProductDescription product = description();
    product.flags = {"desktop-shortcuts", "start-menu-shortcuts", "uninstall-entry",
                     "uninstall-shortcut"};
    product.components.push_back({"Program", {"app.txt"}});
    product.defaultSelection = {"Program"};
    product.setText("uninstallDisplayName", displayName);
    product.setText("uninstallShortcutName", programsFolder + "\\Uninstall");
    product.extraToml =
        shortcutAction("desktop-shortcut", "app.txt", productName(), "--desk") +
        shortcutAction("programs-shortcut", "app.txt", programsFolder + "\\App", "") +
        registryValueAction("HKCU", settingsKey, "Path", "$(ExtrPath)") +
        registryValueAction("HKCU", settingsKey, "Drive", "$(BootDrive):$$");
    Bytes file = build(product);
    ASSERT_FALSE(file.empty());
    writeInstaller(file, "full.exe");

    const std::string desktop = shellFolder("Desktop", "C:\\Windows\\Desktop");
    const std::string programs = shellFolder("Programs", "C:\\Windows\\Start Menu\\Programs");
    const std::string desktopLink = hostPathOf(desktop + "\\" + productName() + ".lnk");
    const std::string programsDir = hostPathOf(programs + "\\E2E\\" + name());
    deleteKeyAtEnd("HKCU\\Software\\E2E\\" + name());
    deleteKeyAtEnd(kUninstallKeys + displayName);
    removeAtEnd(desktopLink);
    removeAtEnd(programsDir);

    Process& setup = start("full.exe");
    std::optional<Window> question = waitWindow("full.exe", "install-question");
    ASSERT_TRUE(question);
    acceptAndPassWizard(*question, "full.exe");
    WindowQuery done = WindowQuery::byExe("full.exe");
    done.title = productName();
    std::optional<Window> completion = waitWindow(done, "completion");
    expectBox(completion, productName(),
              productName() + " is installed. Start it from the Start menu.", {kIdOk});
    if (completion) answer(*completion, kIdOk);
    EXPECT_EQ(exitCodeOf(setup), 0);

    // Shortcuts: their files, pointing at the program in the install folder.
    const std::string target = installFolder() + "app.txt";
    EXPECT_NE(contentOf(desktopLink).find(target), std::string::npos) << desktopLink;
    EXPECT_NE(contentOf(programsDir + "/App.lnk").find(target), std::string::npos)
        << programsDir << "/App.lnk";
    const std::string uninstallLink = contentOf(programsDir + "/Uninstall.lnk");
    EXPECT_NE(uninstallLink.find(installFolder() + "UnInst.exe"), std::string::npos);

    // Registry values of the actions, expanded.
    const std::string settings = "HKCU\\" + settingsKey;
    EXPECT_EQ(wineSession().readRegistryString(settings, "Path"), installFolder());
    EXPECT_EQ(wineSession().readRegistryString(settings, "Drive"), "C:$");

    // The system's uninstall entry: the program's path quoted, the log's
    // path, its argument, as it is.
    const std::string entry = kUninstallKeys + displayName;
    EXPECT_EQ(wineSession().readRegistryString(entry, "DisplayName"), displayName);
    EXPECT_EQ(wineSession().readRegistryString(entry, "UninstallString"),
              "\"" + installFolder() + "UnInst.exe\" " + installFolder() + "InstallLog");
}

TEST_F(PostInstallScenario, ShortcutActionsWithTheirFlagsClearMakeNothing) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    std::ofstream(hostDir() + "/app.txt") << "the program";
    ProductDescription product = description();
    product.flags = {};
    product.components.push_back({"Program", {"app.txt"}});
    product.defaultSelection = {"Program"};
    product.extraToml = shortcutAction("desktop-shortcut", "app.txt", productName(), "");
    Bytes file = build(product);
    ASSERT_FALSE(file.empty());
    writeInstaller(file, "noflags.exe");
    const std::string desktopLink = hostPathOf(
        shellFolder("Desktop", "C:\\Windows\\Desktop") + "\\" + productName() + ".lnk");
    removeAtEnd(desktopLink);

    Process& setup = start("noflags.exe");
    std::optional<Window> question = waitWindow("noflags.exe", "install-question");
    ASSERT_TRUE(question);
    acceptAndPassWizard(*question, "noflags.exe");
    WindowQuery done = WindowQuery::byExe("noflags.exe");
    done.title = productName();
    std::optional<Window> completion = waitWindow(done, "completion");
    ASSERT_TRUE(completion);
    answer(*completion, kIdOk);
    EXPECT_EQ(exitCodeOf(setup), 0);
    EXPECT_FALSE(fs::exists(desktopLink)) << "a desktop shortcut with its flag clear";
}

// Everything an accepted run makes, with the flags given, checked against
// the files, the registry and the InstallLog, entry by entry.
class FullInstall : public PostInstallScenario {
protected:
    void run(bool desktopFlag) {
        SKIP_WITHOUT_PACKAGE_BUILDER();
        std::ofstream(hostDir() + "/app.txt") << "the program";
        std::ofstream(hostDir() + "/guide.txt") << "the guide";
        const std::string menuFolder = "E2E " + name();
        const std::string settingsKey = "Software\\E2E\\" + name() + "\\Settings";
        const std::string runtimeKey = "Software\\E2E\\" + name() + "\\Runtime\\$(BootDrive)";
        const std::string cacheKey = registryKey() + "\\Cache";

        ProductDescription product = description();
        product.flags = {"start-menu-shortcuts", "uninstall-entry", "uninstall-shortcut"};
        if (desktopFlag) product.flags.insert(product.flags.begin(), "desktop-shortcuts");
        product.components.push_back(
            {"Program", {"app.txt"}, {"{ source = \"guide.txt\", to = \"Docs\\\\guide.txt\" }"}});
        product.defaultSelection = {"Program"};
        product.setText("uninstallDisplayName", productName());
        product.setText("uninstallShortcutName", menuFolder + "\\Uninstall");
        product.extraToml =
            shortcutAction("desktop-shortcut", "app.txt", productName(), "--desk") +
            shortcutAction("programs-shortcut", "app.txt", menuFolder + "\\Tools\\App", "--menu") +
            registryValueAction("HKCU", settingsKey, "Path", "$(ExtrPath)") +
            removeFileAction("remove-file", "app.ini") +
            removeFileAction("remove-file-flagged", "Data\\cache.bin") +
            removeKeyAction("remove-key", "HKCU", runtimeKey) +
            removeKeyAction("remove-key-flagged", "HKLM", cacheKey);
        Bytes file = build(product);
        ASSERT_FALSE(file.empty());
        writeInstaller(file, "full.exe");

        const std::string desktopLink =
            shellFolder("Desktop", "C:\\Windows\\Desktop") + "\\" + productName() + ".lnk";
        const std::string programs = shellFolder("Programs", "C:\\Windows\\Start Menu\\Programs");
        const std::string appLink = programs + "\\" + menuFolder + "\\Tools\\App.lnk";
        const std::string uninstallLink = programs + "\\" + menuFolder + "\\Uninstall.lnk";
        deleteKeyAtEnd("HKCU\\Software\\E2E\\" + name());
        deleteKeyAtEnd(std::string(kUninstallKeys) + productName());
        removeAtEnd(hostPathOf(desktopLink));
        removeAtEnd(hostPathOf(programs + "\\" + menuFolder));
        ASSERT_FALSE(fs::exists(hostPathOf(programs + "\\" + menuFolder)));

        // What the run must record, in order: the extraction, the actions,
        // the registration, the uninstaller's shortcut, the log itself.
        const std::string dir = installFolder();
        std::vector<LogRecord> expected = missingFolders(dir + "app.txt");
        expected.push_back({fmt::kLogFile, 0, 0, dir + "app.txt"});
        expected.push_back({fmt::kLogFolder, 0, 0, dir + "Docs"});
        expected.push_back({fmt::kLogFile, 0, 0, dir + "Docs\\guide.txt"});
        // The uninstaller that mkpackage adds for the uninstall entry.
        expected.push_back({fmt::kLogFile, 0, 0, dir + "UnInst.exe"});
        if (desktopFlag) {
            for (const LogRecord& folder : missingFolders(desktopLink)) expected.push_back(folder);
            expected.push_back({fmt::kLogFile, 0, 0, desktopLink});
        }
        for (const LogRecord& folder : missingFolders(appLink)) expected.push_back(folder);
        expected.push_back({fmt::kLogFile, 0, 0, appLink});
        expected.push_back({fmt::kLogRegistryKey, 0, fmt::kRootCurrentUser, settingsKey});
        expected.push_back({fmt::kLogFile, 0, 0, dir + "app.ini"});
        expected.push_back({fmt::kLogFile, 1, 0, dir + "Data\\cache.bin"});
        expected.push_back({fmt::kLogRegistryKey, 0, fmt::kRootCurrentUser, runtimeKey});
        expected.push_back({fmt::kLogRegistryKey, 1, fmt::kRootLocalMachine, cacheKey});
        expected.push_back({fmt::kLogRegistryKey, 1, fmt::kRootLocalMachine, registryKey()});
        expected.push_back({fmt::kLogRegistryKey, 1, fmt::kRootCurrentUser, registryKey()});
        expected.push_back({fmt::kLogFile, 0, 0, uninstallLink});
        expected.push_back({fmt::kLogFile, 0, 0, dir + "InstallLog"});

        EXPECT_EQ(installToTheEnd("full.exe"),
                  productName() + " is installed. Start it from the Start menu.");

        // Shortcut files: target, working folder and arguments.
        EXPECT_EQ(fs::exists(hostPathOf(desktopLink)), desktopFlag) << desktopLink;
        if (desktopFlag) {
            const std::string link = contentOf(hostPathOf(desktopLink));
            EXPECT_TRUE(holdsText(link, dir + "app.txt"));
            EXPECT_TRUE(holdsText(link, "--desk"));
        }
        const std::string app = contentOf(hostPathOf(appLink));
        EXPECT_TRUE(holdsText(app, dir + "app.txt")) << appLink;
        EXPECT_TRUE(holdsText(app, "--menu"));
        const std::string uninstall = contentOf(hostPathOf(uninstallLink));
        EXPECT_TRUE(holdsText(uninstall, dir + "UnInst.exe")) << uninstallLink;
        EXPECT_TRUE(holdsText(uninstall, dir + "InstallLog")) << "the log is the argument";

        // Registry values exactly as written, all plain strings.
        EXPECT_EQ(wineSession().readRegistryString("HKCU\\" + settingsKey, "Path"), dir);
        EXPECT_EQ(wineSession().readRegistryString(machineKey(), "InstallDir"), dir);
        EXPECT_EQ(wineSession().readRegistryString(machineKey(), "Version"), "1.00");
        EXPECT_EQ(wineSession().readRegistryString(machineKey(), "UnInstallLog"), dir + "InstallLog");
        const std::string entry = kUninstallKeys + productName();
        EXPECT_EQ(wineSession().readRegistryString(entry, "DisplayName"), productName());
        EXPECT_EQ(wineSession().readRegistryString(entry, "UninstallString"),
                  "\"" + dir + "UnInst.exe\" " + dir + "InstallLog");
        // The record-only actions make nothing.
        EXPECT_FALSE(wineSession().registryKeyExists("HKCU\\" + runtimeKey.substr(0, runtimeKey.rfind('\\'))));
        EXPECT_FALSE(wineSession().registryKeyExists("HKLM\\" + cacheKey));
        EXPECT_FALSE(fs::exists(hostInstallFolder() + "app.ini"));

        // The log: the shipped header fields, the uninstaller's texts, every entry.
        InstallLogFile log = installLog();
        EXPECT_EQ(log.version, fmt::kUninstallVersion);
        EXPECT_EQ(log.savedEntryCount, 0u);
        EXPECT_EQ(log.firstEntryOffset, log.savedFirstEntryOffset);
        EXPECT_EQ(log.firstEntryOffset, sizeof(fmt::UninstallHeader) + log.savedUsedBytes);
        ASSERT_EQ(log.texts.size(), fmt::kUninstallTextCount);
        EXPECT_EQ(log.texts[0], "UnInstall " + productName());
        EXPECT_EQ(log.texts[1], "Lock_" + productName());
        expectEntries(log, expected);
    }
};

TEST_F(FullInstall, AllFourFlagsRecordEverythingTheRunMade) { run(true); }

TEST_F(FullInstall, WithoutTheDesktopFlagNoDesktopShortcut) { run(false); }

// Without a product key nothing is registered, but the log's path is still
// stored: under the root key itself.
TEST_F(PostInstallScenario, EmptyRegistryKeyStillStoresTheLogPath) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    struct RootValueCleanup {
        RootValueCleanup() { wineSession().deleteRegistryValue("HKLM", "UnInstallLog"); }
        ~RootValueCleanup() { wineSession().deleteRegistryValue("HKLM", "UnInstallLog"); }
    } cleanup;
    std::ofstream(hostDir() + "/app.txt") << "the program";
    ProductDescription product = description();
    product.registryKey = "";
    product.components.push_back({"Program", {"app.txt"}});
    product.defaultSelection = {"Program"};
    Bytes file = build(product);
    ASSERT_FALSE(file.empty());
    writeInstaller(file, "nokey.exe");
    ASSERT_FALSE(wineSession().readRegistryString("HKLM", "InstallDir"));

    installToTheEnd("nokey.exe");
    EXPECT_EQ(wineSession().readRegistryString("HKLM", "UnInstallLog"),
              installFolder() + "InstallLog");
    EXPECT_FALSE(wineSession().readRegistryString("HKLM", "InstallDir"));
    EXPECT_FALSE(wineSession().readRegistryString("HKLM", "Version"));
    InstallLogFile log = installLog();
    for (const LogRecord& record : log.entries)
        EXPECT_NE(record.kind, fmt::kLogRegistryKey) << record;
    ASSERT_FALSE(log.entries.empty());
    EXPECT_EQ(log.entries.back(), (LogRecord{fmt::kLogFile, 0, 0, installFolder() + "InstallLog"}));
}

}  // namespace
}  // namespace e2e
