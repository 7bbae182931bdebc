// The end of an accepted run: shortcuts, registry values of the actions, the
// system's uninstall entry and the uninstaller's shortcut.
#include <gtest/gtest.h>

#include <filesystem>

#include "format/package_format.h"

#include "harness/install_log_file.h"
#include "harness/scenario.h"
#include "harness/wine_session.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

class PostInstallScenario : public SetupScenario {
protected:
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

    // The entries a run records for a key it writes: first each parent
    // missing now (flag 2: made by the run), innermost first, up to one that
    // exists or "Software"; then the key itself.
    std::vector<LogRecord> keyWithMissingParents(std::uint32_t root, const std::string& key, std::uint8_t flag) {
        const std::string rootName = root == fmt::kRootLocalMachine ? "HKLM\\" : "HKCU\\";
        std::vector<LogRecord> records;
        for (std::string parent = key.substr(0, key.rfind('\\')); parent != "Software";
             parent = parent.substr(0, parent.rfind('\\'))) {
            if (wineSession().registryKeyExists(rootName + parent)) break;
            records.push_back({fmt::kLogRegistryKey, 2, root, parent});
        }
        records.push_back({fmt::kLogRegistryKey, flag, root, key});
        return records;
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
    source("app.txt", "the program");
    const std::string settingsKey = registryKey() + "\\Settings";
    const std::string displayName = productName();
    const std::string programsFolder = "E2E\\" + name();

    ProductDescription product = descriptionWith({"app.txt"});
    product.flags = {"desktop-shortcuts", "start-menu-shortcuts", "uninstall-entry",
                     "uninstall-shortcut"};
    product.setText("uninstallDisplayName", displayName);
    product.setText("uninstallShortcutName", programsFolder + "\\Uninstall");
    product.extraToml =
        shortcutAction("desktop-shortcut", "app.txt", productName(), "--desk") +
        shortcutAction("programs-shortcut", "app.txt", programsFolder + "\\App", "") +
        registryValueAction("HKCU", settingsKey, "Path", "$(ExtrPath)") +
        registryValueAction("HKCU", settingsKey, "Drive", "$(BootDrive):$$");
    ASSERT_TRUE(buildAs(product, "full.exe"));

    const ShortcutPlaces places = shortcutPlacesRemovedAtEnd(programsFolder);
    const std::string desktopLink = hostPathOf(places.desktopLink);
    const std::string programsDir = hostPathOf(places.programsFolder);

    EXPECT_EQ(installToCompletion("full.exe").completion,
              productName() + " is installed. Start it from the Start menu.");

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
    EXPECT_EQ(wineSession().readRegistryString(uninstallEntry(), "DisplayName"), displayName);
    EXPECT_EQ(wineSession().readRegistryString(uninstallEntry(), "UninstallString"),
              "\"" + installFolder() + "UnInst.exe\" " + installFolder() + "InstallLog");
}

// Everything an accepted run makes, with the flags given, checked against
// the files, the registry and the InstallLog, entry by entry.
class FullInstall : public PostInstallScenario {
protected:
    void run(bool desktopFlag) {
        source("app.txt", "the program");
        source("guide.txt", "the guide");
        const std::string menuFolder = "E2E " + name();
        const std::string settingsKey = registryKey() + "\\Settings";
        const std::string runtimeKey = registryKey() + "\\Runtime\\$(BootDrive)";
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
        ASSERT_TRUE(buildAs(product, "full.exe"));

        const ShortcutPlaces places = shortcutPlacesRemovedAtEnd(menuFolder);
        const std::string& desktopLink = places.desktopLink;
        const std::string appLink = places.programsFolder + "\\Tools\\App.lnk";
        const std::string uninstallLink = places.programsFolder + "\\Uninstall.lnk";
        ASSERT_FALSE(fs::exists(hostPathOf(places.programsFolder)));

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
        for (const LogRecord& key : keyWithMissingParents(fmt::kRootCurrentUser, settingsKey, 0))
            expected.push_back(key);
        expected.push_back({fmt::kLogFile, 0, 0, dir + "app.ini"});
        expected.push_back({fmt::kLogFile, 1, 0, dir + "Data\\cache.bin"});
        expected.push_back({fmt::kLogRegistryKey, 0, fmt::kRootCurrentUser, runtimeKey});
        expected.push_back({fmt::kLogRegistryKey, 1, fmt::kRootLocalMachine, cacheKey});
        for (const LogRecord& key : keyWithMissingParents(fmt::kRootLocalMachine, registryKey(), 1))
            expected.push_back(key);
        expected.push_back({fmt::kLogRegistryKey, 1, fmt::kRootCurrentUser, registryKey()});
        expected.push_back({fmt::kLogFile, 0, 0, uninstallLink});
        expected.push_back({fmt::kLogFile, 0, 0, dir + "InstallLog"});

        EXPECT_EQ(installToCompletion("full.exe").completion,
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
        EXPECT_EQ(wineSession().readRegistryString(uninstallEntry(), "DisplayName"), productName());
        EXPECT_EQ(wineSession().readRegistryString(uninstallEntry(), "UninstallString"),
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
    struct RootValueCleanup {
        RootValueCleanup() { wineSession().deleteRegistryValue("HKLM", "UnInstallLog"); }
        ~RootValueCleanup() { wineSession().deleteRegistryValue("HKLM", "UnInstallLog"); }
    } cleanup;
    source("app.txt", "the program");
    ProductDescription product = descriptionWith({"app.txt"});
    product.registryKey = "";
    ASSERT_TRUE(buildAs(product, "nokey.exe"));
    ASSERT_FALSE(wineSession().readRegistryString("HKLM", "InstallDir"));

    installToCompletion("nokey.exe");
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
