// The previous installation an upgrade meets: its log damaged, or naming
// what no installation made or a key others share, and an upgrade that
// fails half-way and must give it back whole.
#include <gtest/gtest.h>

#include <cstddef>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "format/package_format.h"

#include "failure_scenario.h"
#include "harness/install_log_file.h"
#include "harness/small_disk.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

class PreviousInstallationScenario : public FailureScenario {
protected:
    // A previous installation below "old\" with its log, as the registry
    // names it; the log's bytes pass through `damage` first, and `extra`
    // entries follow the sound ones.
    std::string previousInstallation(const std::function<void(Bytes&)>& damage, std::vector<LogRecord> extra = {}) {
        std::ofstream(hostDir() + "/old/old.txt") << "old";
        const std::string oldFolder = windowsDir() + "old";
        std::vector<LogRecord> entries{{2, 0, 0, oldFolder}, {1, 0, 0, oldFolder + "\\old.txt"}};
        entries.insert(entries.end(), extra.begin(), extra.end());
        Bytes log = makeInstallLog(entries);
        damage(log);
        EXPECT_TRUE(writeFile(hostDir() + "/old/InstallLog", log));
        const std::string logPath = oldFolder + "\\InstallLog";
        EXPECT_TRUE(wineSession().setRegistryString(machineKey(), "Version", "1.00"));
        EXPECT_TRUE(wineSession().setRegistryString(machineKey(), "UnInstallLog", logPath));
        return logPath;
    }

    // The upgrade over it: version 1.10 with a file of its own.
    void writeUpgrade(const std::string& fileName) {
        source("new.txt", "new");
        ProductDescription product = failingDescription();
        product.version = "1.10";
        addComponents(product, {{"new.txt"}});
        ASSERT_TRUE(buildAs(product, fileName));
    }
};

// Each row damages the previous installation's log or makes it name a file
// that no installation of the product made (outside its folder and the
// shell folders): the upgrade reports the damaged log, removes nothing of
// the old installation and completes.
TEST_F(PreviousInstallationScenario, DamagedLogIsReportedAndKeptAndTheUpgradeCompletes) {
    struct Row {
        const char* label;
        std::function<void(Bytes&)> damage;
        std::vector<LogRecord> extra;
    };
    fs::create_directories(hostDir() + "/old");
    std::ofstream(hostDir() + "/victim.txt") << "victim";
    const Row rows[] = {
        {"wrong magic byte", [](Bytes& bytes) { bytes[7] = 'x'; }, {}},
        // The count promises a third entry that the file does not hold: the
        // walk would leave the file, so nothing at all is removed.
        {"count leading out of the file",
         [](Bytes& bytes) { writeU32(bytes, offsetof(fmt::UninstallHeader, entryCount), 3); }, {}},
        // The first entry's successor is the entry itself, and the count
        // claims millions: the walk must neither loop nor size an array by
        // the count.
        {"self-looping entry",
         [](Bytes& bytes) {
             writeU32(bytes, offsetof(fmt::UninstallHeader, entryCount), 0x10000001u);
             writeU32(bytes, sizeof(fmt::UninstallHeader) + offsetof(fmt::LogEntry, next), 0);
         },
         {}},
        {"a file outside the installation", [](Bytes&) {},
         {{1, 0, 0, windowsDir() + "old\\..\\victim.txt"}, {1, 0, 0, windowsDir() + "victim.txt"}}},
    };
    writeUpgrade("upgrade.exe");
    ASSERT_FALSE(HasFatalFailure());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        const std::string log = previousInstallation(row.damage, row.extra);
        Process& setup = start("upgrade.exe");
        std::optional<Window> box = acceptToWindow("upgrade.exe", productName() + " Error", "log-damaged");
        expectErrorBox(box, "The log " + log + " of the installed " + productName() + " is damaged.");
        ASSERT_TRUE(box);
        answer(*box, kIdOk);
        EXPECT_FALSE(finishAtCompletion("upgrade.exe", setup).empty());

        EXPECT_EQ(contentOf(hostDir() + "/old/old.txt"), "old") << "a file of the damaged log went";
        EXPECT_TRUE(fs::exists(hostDir() + "/old/InstallLog"));
        EXPECT_EQ(contentOf(hostInstallFolder() + "new.txt"), "new");
        EXPECT_EQ(contentOf(hostDir() + "/victim.txt"), "victim");
        // The next row upgrades afresh, without a replace question.
        fs::remove_all(hostInstallFolder());
        wineSession().deleteRegistryKey(machineKey());
    }
}

// A sound log naming a key the system and other programs share: the
// previous installation's files go, the shared key stays.
TEST_F(PreviousInstallationScenario, LogNamingASharedKeyLeavesIt) {
    const std::string run = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const std::string valueName = "E2E " + name();
    ASSERT_TRUE(wineSession().setRegistryString(run, valueName, "keep me"));
    fs::create_directories(hostDir() + "/old");
    previousInstallation([](Bytes&) {},
                         {{3, 0, fmt::kRootCurrentUser, "Software\\Microsoft\\Windows\\CurrentVersion\\Run"}});
    writeUpgrade("shared.exe");
    EXPECT_FALSE(installToCompletion("shared.exe").completion.empty());
    EXPECT_FALSE(fs::exists(hostDir() + "/old/old.txt")) << "the previous installation stays";
    EXPECT_EQ(wineSession().readRegistryString(run, valueName).value_or("<gone>"), "keep me");
    wineSession().deleteRegistryValue(run, valueName);
}

// Every file below a host folder with its size, a hash of its bytes and its
// time, every folder by its name: what a user would miss.
std::map<std::string, std::string> footprintOf(const std::string& folder) {
    std::map<std::string, std::string> found;
    for (const auto& [relative, bytes] : treeOf(folder)) {
        const std::string path = folder + "/" + relative;
        if (fs::is_directory(path)) {
            found[relative] = "<folder>";
            continue;
        }
        std::uint32_t hash = 2166136261u;
        for (unsigned char c : bytes) hash = (hash ^ c) * 16777619u;
        found[relative] = std::to_string(bytes.size()) + " bytes #" + std::to_string(hash) + " at " +
                          std::to_string(modifiedAt(path));
    }
    return found;
}

// An upgrade that fails half-way, the disk full: the previous installation
// comes back whole (its files with their times, its folders, its shortcuts,
// its registry values and its uninstall entry), no backup stays, and its
// own uninstaller still removes it cleanly afterwards. The first version is
// installed unattended: such a run keeps what it replaces the same way.
TEST_F(PreviousInstallationScenario, UpgradeFailingOnAFullDiskGivesBackThePreviousInstallation) {
    SmallDisk disk(wineSession().prefix(), "1m");
    if (!disk.problem().empty()) GTEST_SKIP() << disk.problem();
    const std::string folder = std::string(1, disk.letter()) + ":\\Product\\";
    const std::string hostFolder = disk.hostPath() + "/Product";
    const ShortcutPlaces places = shortcutPlacesRemovedAtEnd("E2E " + name());
    const std::string desktopLink = hostPathOf(places.desktopLink);
    const std::string programsFolder = hostPathOf(places.programsFolder);

    auto product = [&](const std::string& version, const std::vector<std::string>& files) {
        ProductDescription p = failingDescription();
        p.version = version;
        p.defaultFolder = folder;
        p.flags = {"desktop-shortcuts", "start-menu-shortcuts", "uninstall-entry"};
        p.setText("uninstallDisplayName", productName());
        p.components.push_back({"Main", files, {"{ source = \"guide.txt\", to = \"Docs\\\\guide.txt\" }"}});
        p.defaultSelection = {"Main"};
        p.extraToml = shortcutAction("desktop-shortcut", "app.txt", productName(), "") +
                      shortcutAction("programs-shortcut", "app.txt", "E2E " + name() + "\\App", "") +
                      registryValueAction("HKCU", registryKey(), "Home", "$(ExtrPath)");
        return p;
    };
    source("guide.txt", "the guide");
    source("v1/app.txt", "version one");
    source("v2/app.txt", "version two");
    source("v2/large.bin", noise(1200000, 8));
    ASSERT_TRUE(buildAs(product("1.00", {"v1/app.txt"}), "v1.exe"));
    ASSERT_TRUE(buildAs(product("1.10", {"v2/app.txt", "v2/large.bin"}), "v2.exe"));
    ASSERT_EQ(runSilently("v1.exe", {"/S"}), kSetupDone);

    // What the previous installation is: files, shortcuts, registry.
    auto footprint = [&] {
        std::map<std::string, std::string> found = footprintOf(hostFolder);
        for (const auto& [path, what] : footprintOf(programsFolder)) found["Programs/" + path] = what;
        found["Desktop link"] = fs::exists(desktopLink) ? contentOf(desktopLink) : "<none>";
        for (const char* value : {"Version", "InstallDir", "UnInstallLog"})
            found[value] = wineSession().readRegistryString(machineKey(), value).value_or("<none>");
        found["Home"] = wineSession().readRegistryString(userKey(), "Home").value_or("<none>");
        for (const char* value : {"DisplayName", "UninstallString"})
            found[value] = wineSession().readRegistryString(uninstallEntry(), value).value_or("<none>");
        return found;
    };
    const std::map<std::string, std::string> installed = footprint();
    ASSERT_EQ(installed.count("app.txt"), 1u);
    ASSERT_EQ(installed.at("Version"), "1.00");

    EXPECT_EQ(failureQuotingPath("v2.exe", productName() + " cannot write '", folder + "large.bin"),
              kSetupCannotWrite);
    EXPECT_EQ(footprint(), installed);
    EXPECT_EQ(backupFolders(disk.hostPath()), std::vector<std::string>{});
    EXPECT_EQ(backupFolders(), std::vector<std::string>{});

    // The old uninstaller, as the uninstall list starts it unattended.
    EXPECT_EQ(runQuietUninstall(installed.at("UninstallString")), kUninstallRemoved);
    // Its own file goes once it has ended, through a copy of itself.
    EXPECT_TRUE(waitUntil([&] { return !fs::exists(hostFolder); }, kExitTimeout))
        << "the old installation's folder stays";
    EXPECT_FALSE(fs::exists(desktopLink));
    EXPECT_FALSE(fs::exists(programsFolder));
    EXPECT_FALSE(wineSession().registryKeyExists(machineKey()));
    EXPECT_FALSE(wineSession().registryKeyExists(userKey()));
    EXPECT_FALSE(wineSession().registryKeyExists(uninstallEntry()));
}

}  // namespace
}  // namespace e2e
