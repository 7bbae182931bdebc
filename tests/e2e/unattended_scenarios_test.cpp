// Unattended installations (/S): no window at all (the runs have no X
// display, so a window the program tried to make would fail it), the
// outcome in the exit code and the run's log.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "format/package_format.h"
#include "harness/install_log_file.h"
#include "harness/scenario.h"
#include "harness/small_disk.h"
#include "harness/wine_session.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

// What an installation leaves on the system, to compare two runs.
struct Installation {
    std::map<std::string, std::string> files;  // below the install folder; InstallLog apart
    std::vector<LogRecord> logEntries;
    std::map<std::string, std::string> registry;
    bool desktopShortcut = false;
    bool programsShortcut = false;
};

class UnattendedScenario : public SetupScenario {
protected:
    void SetUp() override {
        SetupScenario::SetUp();
        if (HasFatalFailure()) return;
        places_ = shortcutPlacesRemovedAtEnd("E2E " + name());
    }

    std::string desktopLink() const { return hostPathOf(places_.desktopLink); }
    std::string programsLink() const { return hostPathOf(places_.programsFolder + "\\" + productName() + ".lnk"); }

    // Two components, shortcuts of both kinds and a registry value (actions
    // of the second component), the uninstall entry; Main alone is the first
    // setup type.
    ProductDescription product(const std::string& version = "1.00") {
        source("app.txt", "the program");
        source("docs/guide.txt", "the guide");
        source("extra.txt", "an extra");
        ProductDescription p = description();
        p.version = version;
        p.flags = {"desktop-shortcuts", "start-menu-shortcuts", "uninstall-entry"};
        p.components.push_back({"Main", {"app.txt"}, {"{ source = \"docs/guide.txt\", to = \"Docs\\\\guide.txt\" }"}});
        p.components.push_back({"Extra", {"extra.txt"}});
        p.defaultSelection = {"Main", "Extra"};
        p.setText("uninstallDisplayName", productName());
        p.setText("errCrc", productName() + ": a checksum does not match.");
        p.setText("errWriteFile", productName() + " cannot write '%s': %s");
        p.extraToml =
            shortcutAction("desktop-shortcut", "app.txt", productName(), "") +
            shortcutAction("programs-shortcut", "app.txt", "E2E " + name() + "\\" + productName(), "") +
            registryValueAction("HKCU", registryKey(), "Home", "$(ExtrPath)");
        p.options = {"preset-1 = [\"Main\"]"};
        return p;
    }

    void writeProduct(const std::string& fileName, const std::string& version = "1.00") {
        ASSERT_TRUE(buildAs(product(version), fileName));
    }

    Installation installation(const std::string& folder) {
        Installation found;
        found.files = treeOf(hostPathOf(folder));
        found.files.erase("InstallLog");
        Bytes bytes;
        if (readFile(hostPathOf(folder + "InstallLog"), bytes)) {
            std::string problem;
            std::optional<InstallLogFile> log = parseInstallLog(bytes, problem);
            EXPECT_TRUE(log) << problem;
            if (log) found.logEntries = log->entries;
        }
        for (const char* value : {"Version", "InstallDir", "UnInstallLog"})
            found.registry[value] = wineSession().readRegistryString(machineKey(), value).value_or("<none>");
        found.registry["Home"] = wineSession().readRegistryString(userKey(), "Home").value_or("<none>");
        found.registry["UninstallString"] =
            wineSession().readRegistryString(uninstallEntry(), "UninstallString").value_or("<none>");
        found.desktopShortcut = fs::exists(desktopLink());
        found.programsShortcut = fs::exists(programsLink());
        return found;
    }

    // Takes away what an installation made, so that the next run starts afresh.
    void removeInstallation(const std::string& folder) {
        std::error_code ignored;
        fs::remove_all(hostPathOf(folder), ignored);
        fs::remove(desktopLink(), ignored);
        fs::remove_all(hostPathOf(places_.programsFolder), ignored);
        wineSession().deleteRegistryKey(machineKey());
        wineSession().deleteRegistryKey(userKey());
        wineSession().deleteRegistryKey(uninstallEntry());
    }

    void expectNothingInstalled(const std::string& folder, const std::string& what) {
        EXPECT_FALSE(fs::exists(hostPathOf(folder))) << what;
        EXPECT_FALSE(wineSession().registryKeyExists(machineKey())) << what;
        EXPECT_FALSE(fs::exists(desktopLink())) << what;
    }

    ShortcutPlaces places_;
};

// The defaults of an unattended run are those of an attended run that takes
// them: the same files, log, registry values and shortcuts.
TEST_F(UnattendedScenario, SilentInstallMatchesAnAttendedRunThatTakesTheDefaults) {
    writeProduct("setup.exe");

    ASSERT_FALSE(installToCompletion("setup.exe").completion.empty());
    ASSERT_FALSE(HasFailure()) << "the attended run failed";
    const Installation byHand = installation(installFolder());
    EXPECT_TRUE(byHand.desktopShortcut);
    EXPECT_EQ(byHand.files.count("Docs/guide.txt"), 1u);
    removeInstallation(installFolder());

    const std::string log = windowsDir() + "run.log";
    EXPECT_EQ(runSilently("setup.exe", {"/S", "/LOG=" + log}), kSetupDone);
    const Installation silent = installation(installFolder());
    EXPECT_EQ(silent.files, byHand.files);
    EXPECT_EQ(silent.logEntries, byHand.logEntries);
    EXPECT_EQ(silent.registry, byHand.registry);
    EXPECT_EQ(silent.desktopShortcut, byHand.desktopShortcut);
    EXPECT_EQ(silent.programsShortcut, byHand.programsShortcut);
    const std::string text = contentOf(hostPathOf(log));
    EXPECT_NE(text.find("file " + installFolder() + "app.txt"), std::string::npos) << text;
    EXPECT_NE(text.find("exit code 0: done"), std::string::npos) << text;
}

// An LZMA product of several blocks installs alike attended and unattended:
// the same files with their stored times, the same log and registry values.
TEST_F(UnattendedScenario, LzmaProductInstallsAlikeAttendedAndUnattended) {
    ProductDescription p = product();
    std::string big;
    for (int i = 0; big.size() < 2500000; ++i) big += "line " + std::to_string(i * 7919 % 100003) + " of the data\n";
    source("data/big.txt", big);
    p.components[0].rawEntries.push_back("{ source = \"data/big.txt\", to = \"Data\\\\big.txt\" }");
    p.options.push_back("compression = \"lzma\"");
    p.options.push_back("dictionary-mib = 1");
    ASSERT_TRUE(buildAs(p, "lzma.exe"));

    ASSERT_FALSE(installToCompletion("lzma.exe").completion.empty());
    ASSERT_FALSE(HasFailure()) << "the attended run failed";
    const Installation byHand = installation(installFolder());
    EXPECT_EQ(byHand.files.at("Data/big.txt"), big);
    const std::time_t storedTime = modifiedAt(hostPathOf(installFolder() + "Data\\big.txt"));
    removeInstallation(installFolder());

    EXPECT_EQ(runSilently("lzma.exe", {"/S"}), kSetupDone);
    const Installation silent = installation(installFolder());
    EXPECT_EQ(silent.files, byHand.files);
    EXPECT_EQ(silent.logEntries, byHand.logEntries);
    EXPECT_EQ(silent.registry, byHand.registry);
    EXPECT_EQ(modifiedAt(hostPathOf(installFolder() + "Data\\big.txt")), storedTime);
    EXPECT_EQ(storedTime, kSourceTime) << "the file does not keep its stored time";
}

// The options choose folder, components and shortcuts; a bad one touches nothing.
TEST_F(UnattendedScenario, OptionsChooseFolderComponentsAndShortcuts) {
    writeProduct("setup.exe");
    const std::string other = windowsDir() + "Other Place\\Sub\\";
    struct Case {
        std::vector<std::string> arguments;
        int code;
        std::string folder;               // where the files go
        std::vector<std::string> files;   // top-level files expected there
        bool shortcuts;
    };
    const std::vector<Case> cases = {
        {{"/S", "/D=" + other.substr(0, other.size() - 1)}, 0, other, {"Docs", "UnInst.exe", "app.txt", "extra.txt"}, true},
        {{"/s", "/type=1"}, 0, installFolder(), {"Docs", "UnInst.exe", "app.txt"}, false},  // the actions are Extra's
        // The uninstaller that the uninstall entry starts comes with every selection.
        {{"/S", "/COMPONENTS=extra"}, 0, installFolder(), {"UnInst.exe", "extra.txt"}, true},
        {{"/S", "/NOSHORTCUTS"}, 0, installFolder(), {"Docs", "UnInst.exe", "app.txt", "extra.txt"}, false},
        {{"/S", "/COMPONENTS=Main,Nope"}, kSetupBadOption, installFolder(), {}, false},
        {{"/S", "/D=Relative\\Place"}, kSetupBadOption, installFolder(), {}, false},
        {{"/S", "/D=Q:\\No Such Drive"}, kSetupBadOption, installFolder(), {}, false},
        {{"/S", "/D=C:\\a|b"}, kSetupBadOption, installFolder(), {}, false},
        {{"/S", "/SILENT"}, kSetupBadOption, installFolder(), {}, false},
    };
    for (const Case& c : cases) {
        std::string what;
        for (const std::string& argument : c.arguments) what += argument + " ";
        EXPECT_EQ(runSilently("setup.exe", c.arguments), c.code) << what;
        std::vector<std::string> top;
        for (const auto& [path, content] : treeOf(hostPathOf(c.folder)))
            if (path.find('/') == std::string::npos && path != "InstallLog") top.push_back(path);
        EXPECT_EQ(top, c.files) << what;
        EXPECT_EQ(fs::exists(desktopLink()), c.shortcuts) << what;
        EXPECT_EQ(fs::exists(programsLink()), c.shortcuts) << what;
        if (c.code != 0) {
            EXPECT_FALSE(wineSession().registryKeyExists(machineKey())) << what;
        }
        removeInstallation(c.folder);
    }
}

// Reinstall and upgrade proceed; a newer installed version, or another setup
// of the product running, ends with its own code and changes nothing.
TEST_F(UnattendedScenario, QuestionsGetTheirUnattendedAnswers) {
    writeProduct("v100.exe", "1.00");
    writeProduct("v110.exe", "1.10");
    writeProduct("v090.exe", "0.90");
    EXPECT_EQ(runSilently("v100.exe", {"/S"}), kSetupDone);
    EXPECT_EQ(runSilently("v100.exe", {"/S"}), kSetupDone) << "reinstall";
    EXPECT_EQ(runSilently("v110.exe", {"/S"}), kSetupDone) << "upgrade";
    EXPECT_EQ(wineSession().readRegistryString(machineKey(), "Version").value_or(""), "1.10");
    const std::string log = windowsDir() + "newer.log";
    EXPECT_EQ(runSilently("v090.exe", {"/S", "/LOG=" + log}), kSetupNewerInstalled);
    EXPECT_EQ(wineSession().readRegistryString(machineKey(), "Version").value_or(""), "1.10");
    EXPECT_NE(contentOf(hostPathOf(log)).find("A newer " + productName() + " is installed."), std::string::npos);

    // An attended setup waits at its question: a second one may not run.
    Process& first = start("v110.exe");
    ASSERT_TRUE(waitWindow("v110.exe", "reinstall-question"));
    EXPECT_EQ(runSilently("v110.exe", {"/S"}), kSetupAlreadyRunning);
    std::optional<Window> waiting = robot.waitFor(WindowQuery::byExe("v110.exe"), kWindowTimeout);
    ASSERT_TRUE(waiting);
    robot.terminateOwner(waiting->hwnd);
    exitCodeOf(first);
    removeInstallation(installFolder());
}

// A damaged package, a full disk and a small one: the configured code (or
// the space code before anything is written), the message in the log, and
// nothing left.
TEST_F(UnattendedScenario, FailuresEndWithTheirCodesAndTheirMessagesInTheLog) {
    source("noise.bin", noise(300000, 7));
    ProductDescription p = product();
    p.components[1].files.push_back("noise.bin");
    Bytes file = build(p);
    ASSERT_FALSE(file.empty());
    writeInstaller(file, "sound.exe");
    std::vector<StoredEntry> entries = storedEntries(file);
    // The uninstaller's own component comes after the product's.
    auto noiseEntry = std::find_if(entries.begin(), entries.end(), [](const StoredEntry& e) { return e.name == "noise.bin"; });
    ASSERT_NE(noiseEntry, entries.end());
    const StoredEntry& last = *noiseEntry;
    file[last.chunkOffsets[1] + 100] ^= 0x10;
    writeInstaller(file, "damaged.exe");

    const std::string damagedLog = windowsDir() + "damaged.log";
    EXPECT_EQ(runSilently("damaged.exe", {"/S", "/LOG=" + damagedLog}), kSetupChecksumError);
    EXPECT_NE(contentOf(hostPathOf(damagedLog)).find(productName() + ": a checksum does not match."),
              std::string::npos);
    expectNothingInstalled(installFolder(), "damaged package");

    SmallDisk disk(wineSession().prefix(), "256k");
    if (!disk.problem().empty()) GTEST_SKIP() << disk.problem();
    const std::string drive(1, disk.letter());
    // The selection does not fit: refused before anything is written.
    EXPECT_EQ(runSilently("sound.exe", {"/S", "/D=" + drive + ":\\Product"}), kSetupNotEnoughSpace);
    EXPECT_TRUE(treeOf(disk.hostPath()).empty());
    // Many one-byte files pass the check, but each takes a page of the
    // disk: it fills up half-way, error 5.
    for (int i = 0; i < 90; ++i) source("many/f" + std::to_string(i) + ".txt", "x");
    ProductDescription many = product();
    many.components[1].rawEntries = {"{ folder = \"many\", to = \"Many\" }"};
    many.extraToml += "[uninstaller]\nbundle = false\n";  // small enough to pass the check
    ASSERT_TRUE(buildAs(many, "many.exe"));
    const std::string fullLog = windowsDir() + "full.log";
    EXPECT_EQ(runSilently("many.exe", {"/S", "/LOG=" + fullLog, "/D=" + drive + ":\\Product"}), kSetupCannotWrite);
    EXPECT_NE(contentOf(hostPathOf(fullLog)).find(productName() + " cannot write '"), std::string::npos)
        << contentOf(hostPathOf(fullLog));
    EXPECT_TRUE(treeOf(disk.hostPath()).empty());
    expectNothingInstalled(drive + ":\\Product\\", "full disk");
}

}  // namespace
}  // namespace e2e
