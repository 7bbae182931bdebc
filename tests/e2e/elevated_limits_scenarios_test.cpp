// Both programs run elevated, while the install folder and the temporary
// folder are places a standard user may write to. What a user puts there
// (an edited log, a sibling folder named almost like the product's, a
// library) must not steer what the programs delete, write or load.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "format/package_format.h"

#include "harness/host_files.h"
#include "harness/install_log_file.h"
#include "harness/scenario.h"
#include "harness/wine_session.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

class ElevatedLimitsScenario : public SetupScenario {
protected:
    // The product: one file, and its uninstaller.
    void buildProduct(const std::string& fileName) {
        source("core.txt", "core");
        ProductDescription product = description();
        product.flags = {"uninstall-entry"};
        product.components = {{"Core", {"core.txt"}}};
        product.defaultSelection = {"Core"};
        ASSERT_TRUE(buildAs(product, fileName));
    }

    // A previous installation in "old\" as the registry names it, its log
    // naming `extra` behind its own entries; its InstallDir is `installDir`.
    void previousInstallation(const std::string& installDir, const std::vector<LogRecord>& extra) {
        fs::create_directories(hostDir() + "/old");
        std::ofstream(hostDir() + "/old/old.txt") << "old";
        const std::string oldFolder = windowsDir() + "old";
        std::vector<LogRecord> entries{{2, 0, 0, oldFolder}, {1, 0, 0, oldFolder + "\\old.txt"}};
        entries.insert(entries.end(), extra.begin(), extra.end());
        ASSERT_TRUE(writeFile(hostDir() + "/old/InstallLog", makeInstallLog(entries)));
        ASSERT_TRUE(wineSession().setRegistryString(machineKey(), "Version", "1.00"));
        ASSERT_TRUE(wineSession().setRegistryString(machineKey(), "InstallDir", installDir));
        ASSERT_TRUE(wineSession().setRegistryString(machineKey(), "UnInstallLog", oldFolder + "\\InstallLog"));
    }

    // A file a user owns, removed at the end whatever happens.
    void victim(const std::string& hostPath) {
        fs::create_directories(fs::path(hostPath).parent_path());
        std::ofstream(hostPath) << "victim";
        removeAtEnd(hostPath);
    }

    std::string spareDrive() const { return wineSession().spareDriveFolder(); }
};

// A reinstall over a previous installation whose log a user has edited:
// each row names a place no installation of the product makes, and the
// reinstall takes the log for a damaged one, removes nothing of it and
// completes. On the old code each victim went (moved aside, its backup
// deleted at the end).
TEST_F(ElevatedLimitsScenario, AReinstallKeepsWhatAnEditedLogNamesOutsideTheProduct) {
    const std::string oldFolder = windowsDir() + "old";
    const std::string desktopDocument = shellFolder("Desktop") + "\\E2E " + name() + " Thesis.doc";
    const std::string otherMenuFolder = shellFolder("Programs") + "\\E2E Other " + name();
    struct Row {
        const char* label;
        std::string installDir;
        std::string entry;   // what the log names, a file unless `folder`
        std::string hostVictim;
        bool folder = false;
    };
    const Row rows[] = {
        // Windows strips trailing dots and blanks of the last level only.
        {"a sibling with a dot and a blank", oldFolder, oldFolder + ". \\victim.txt",
         hostDir() + "/old. /victim.txt"},
        {"a sibling with three dots", oldFolder, oldFolder + "...\\victim.txt", hostDir() + "/old.../victim.txt"},
        // Only shortcuts in the shell folders.
        {"a document on the Desktop", oldFolder, desktopDocument, hostPathOf(desktopDocument)},
        // An install folder that is a drive's root reaches the whole drive.
        {"the Windows drive's root", "C:\\", "C:\\windows\\e2e-" + name() + "-victim3.txt",
         hostPathOf("C:\\windows\\e2e-" + name() + "-victim3.txt")},
        {"another drive's root", std::string(1, WineSession::kSpareDrive) + ":\\",
         std::string(1, WineSession::kSpareDrive) + ":\\victim.txt", spareDrive() + "/victim.txt"},
        // An empty Start-menu folder of another product: the log names no
        // shortcut in it.
        {"another product's Start-menu folder", oldFolder, otherMenuFolder, hostPathOf(otherMenuFolder), true},
    };
    buildProduct("reinstall.exe");
    ASSERT_FALSE(HasFatalFailure());
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        if (row.folder) {
            fs::create_directories(row.hostVictim);
            removeAtEnd(row.hostVictim);
        } else {
            victim(row.hostVictim);
        }
        previousInstallation(row.installDir, {{row.folder ? 2 : 1, 0, 0, row.entry}});
        EXPECT_EQ(runSilently("reinstall.exe", {"/S"}), kSetupDone);
        if (row.folder)
            EXPECT_TRUE(fs::is_directory(row.hostVictim)) << "the folder went";
        else
            EXPECT_EQ(contentOf(row.hostVictim), "victim") << "the file went";
        EXPECT_EQ(contentOf(hostDir() + "/old/old.txt"), "old") << "the refused log removed something";
        // Installed where the product was, or in the default folder when
        // that reaches a whole drive.
        EXPECT_EQ(contentOf(hostDir() + "/old/core.txt") + contentOf(hostInstallFolder() + "core.txt"), "core");
        std::error_code ignored;
        fs::remove_all(hostInstallFolder(), ignored);
        fs::remove(hostDir() + "/old/core.txt", ignored);
        fs::remove_all(row.hostVictim, ignored);
        wineSession().deleteRegistryKey(machineKey());
    }
}

// /D= with a folder that reaches a whole drive (any drive's root) or the
// system's files is a bad option: exit code 22, its message in the run's
// log, nothing installed. On the old code each was installed into.
TEST_F(ElevatedLimitsScenario, ADestinationThatReachesADriveOrTheSystemIsABadOption) {
    buildProduct("refused.exe");
    ASSERT_FALSE(HasFatalFailure());
    const std::string spare = std::string(1, WineSession::kSpareDrive) + ":\\";
    for (const std::string& folder : {spare, std::string("C:\\"), std::string("C:\\windows")}) {
        SCOPED_TRACE(folder);
        const std::string runLog = windowsDir() + "run-" + std::to_string(folder.size()) + ".txt";
        EXPECT_EQ(runSilently("refused.exe", {"/S", "/LOG=" + runLog, "/D=" + folder}), kSetupBadOption);
        EXPECT_NE(contentOf(hostPathOf(runLog)).find(" cannot be the destination folder: it is the root of a drive"),
                  std::string::npos)
            << contentOf(hostPathOf(runLog));
        EXPECT_FALSE(wineSession().registryKeyExists(machineKey())) << "installed";
    }
    EXPECT_EQ(filesBelow(spareDrive()), std::vector<std::string>{}) << "something was written to the drive";
    EXPECT_FALSE(fs::exists(hostPathOf("C:\\core.txt")));
    EXPECT_FALSE(fs::exists(hostPathOf("C:\\windows\\core.txt")));
}

// The uninstaller's file goes through a copy of it that must not start in
// the user's temporary folder: a library planted there would run elevated.
// The copy starts from a private folder of its own (which goes at the next
// restart), and the planted library is never loaded. On the old code the
// copy was "%TEMP%\~uninst<pid>-0.exe" and loaded the planted version.dll
// (Wine's start-up loads that name from beside the program).
TEST_F(ElevatedLimitsScenario, TheUninstallersCopyLoadsNothingFromTheTemporaryFolder) {
    buildProduct("selfremove.exe");
    ASSERT_FALSE(HasFatalFailure());
    ASSERT_EQ(runSilently("selfremove.exe", {"/S"}), kSetupDone);
    ASSERT_FALSE(wineSession().temporaryFolder().empty());
    const std::string temp = hostPathOf(wineSession().temporaryFolder());
    for (const std::string& left : temporaryFoldersNamed("~uninst")) fs::remove_all(left);
    const std::string planted = temp + "/version.dll";
    fs::copy_file(std::string(E2E_DDRAW_DIR) + "/planted/version.dll", planted, fs::copy_options::overwrite_existing);
    removeAtEnd(planted);
    const std::string record = hostDir() + "/planted.txt";
    const char* inherited = std::getenv("WINEDLLOVERRIDES");
    const std::string overrides =
        std::string("WINEDLLOVERRIDES=") + (inherited != nullptr && *inherited != '\0' ? std::string(inherited) + ";" : "") +
        "version=n,b";

    Process& removal = startWith("installed\\UnInst.exe", {"/S", installFolder() + "InstallLog"},
                                 {overrides, "PLANTED_LIBRARY_RECORD=" + windowsDir() + "planted.txt"});
    EXPECT_EQ(exitCodeOf(removal), kUninstallRemoved);
    EXPECT_TRUE(waitUntil([&] { return !fs::exists(hostInstallFolder() + "UnInst.exe"); }, kExitTimeout))
        << "the copy did not remove the uninstaller";
    EXPECT_EQ(contentOf(record), "") << "a library planted in the temporary folder was loaded";
    // The copy lay in a folder of its own, which waits for the restart
    // empty; nothing of it lies in the temporary folder itself.
    for (const auto& entry : fs::directory_iterator(temp))
        EXPECT_FALSE(entry.path().filename().string().rfind("~uninst", 0) == 0 && !entry.is_directory())
            << entry.path() << ": the copy lay in the temporary folder itself";
    const std::vector<std::string> copies = temporaryFoldersNamed("~uninst");
    ASSERT_EQ(copies.size(), 1u) << "the copy had no folder of its own";
    EXPECT_TRUE(waitUntil([&] { return fs::is_empty(copies[0]); }, kExitTimeout)) << "the copy's file stays";
    for (const std::string& left : copies) fs::remove_all(left);
}

}  // namespace
}  // namespace e2e
