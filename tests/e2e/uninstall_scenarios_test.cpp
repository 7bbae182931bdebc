// Removing an installed product with the uninstaller that mkpackage stores
// in its package: from the system's uninstall list and from its shortcut,
// unattended, and refused (nothing removed) while the product runs or when
// its log is damaged or names what no installation made.
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

const char kUninstaller[] = "UnInst.exe";

constexpr Milliseconds kUninstallTimeout{60000};

class UninstallScenario : public SetupScenario {
protected:
    void SetUp() override {
        SetupScenario::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        places_ = shortcutPlacesRemovedAtEnd(productName());
        wineSession().deleteRegistryKey(userKey());
        wineSession().deleteRegistryKey(uninstallEntry());
    }

    std::string logPath() const { return installFolder() + "InstallLog"; }
    std::string hostLog() const { return hostInstallFolder() + "InstallLog"; }
    // The uninstaller's default texts, made from the product name.
    std::string title() const { return "UnInstall " + productName(); }

    // A product with everything an uninstall must take away: files in the
    // install folder and a folder of its own, a desktop and a Programs
    // shortcut, a value below the product's key in HKEY_CURRENT_USER, the
    // product key, the system's uninstall entry and the uninstaller's
    // shortcut.
    void buildProduct(const std::string& fileName, const std::string& version = "1.00",
                      const std::string& program = "the program", const std::vector<std::string>& more = {}) {
        source("app.txt", program);
        source("guide.txt", "the guide");
        ProductDescription product = description();
        product.version = version;
        product.flags = {"desktop-shortcuts", "start-menu-shortcuts", "uninstall-entry",
                         "uninstall-shortcut"};
        product.components.push_back(
            {"Program", {"app.txt"}, {"{ source = \"guide.txt\", to = \"Docs\\\\guide.txt\" }"}});
        for (const std::string& entry : more) product.components.back().rawEntries.push_back(entry);
        product.defaultSelection = {"Program"};
        product.setText("uninstallDisplayName", productName());
        product.setText("uninstallShortcutName", productName() + "\\Uninstall");
        product.extraToml = shortcutAction("desktop-shortcut", "app.txt", productName(), "") +
                            shortcutAction("programs-shortcut", "app.txt", productName() + "\\App", "") +
                            registryValueAction("HKCU", registryKey() + "\\Settings", "Path", "$(ExtrPath)");
        ASSERT_TRUE(buildAs(product, fileName));
    }

    // Runs the installer to its completion message; `question` is the text
    // it must ask first.
    void install(const std::string& fileName, const std::string& question) {
        const CompletedRun run = installToCompletion(fileName);
        ASSERT_TRUE(run.question);
        EXPECT_EQ(run.question->message, question);
        ASSERT_FALSE(run.completion.empty());
        ASSERT_TRUE(fs::exists(hostInstallFolder() + kUninstaller)) << "the package holds no uninstaller";
    }

    // The command line the system's list of programs runs.
    std::string uninstallCommand() const {
        return wineSession().readRegistryString(uninstallEntry(), "UninstallString").value_or("");
    }

    Process& runUninstaller(const std::string& commandLine) {
        runs_.push_back(robot.runCommandLine(commandLine, kUninstallTimeout));
        EXPECT_TRUE(runs_.back().started());
        return runs_.back();
    }

    std::optional<Window> uninstallerWindow(const std::string& title, const std::string& label) {
        return waitWindow(WindowQuery::titled(kUninstaller, title), label);
    }

    // Everything the installation made that a removal could take away
    // (reading the keys costs a Wine program each).
    struct Footprint {
        std::vector<std::string> files;
        bool desktopLink, programsDir, machineKey, userKey, uninstallEntry;
        bool operator==(const Footprint&) const = default;
    };
    Footprint footprint() const {
        return Footprint{filesBelow(hostInstallFolder()),
                         fs::exists(hostPathOf(places_.desktopLink)),
                         fs::exists(hostPathOf(places_.programsFolder)),
                         wineSession().registryKeyExists(machineKey()),
                         wineSession().registryKeyExists(userKey()),
                         wineSession().registryKeyExists(uninstallEntry())};
    }

    // The uninstaller's own file goes after its process, through a copy in
    // the temporary folder that removes itself: waits for both.
    void waitForSelfRemoval() {
        waitUntil([&] { return !fs::exists(hostInstallFolder() + kUninstaller) && temporaryCopies().empty(); },
                  kUninstallTimeout);
        EXPECT_FALSE(fs::exists(hostInstallFolder() + kUninstaller)) << "the uninstaller's file stays";
        EXPECT_EQ(temporaryCopies(), std::vector<std::string>{}) << "its temporary copy stays";
    }

    // The copies the uninstaller starts, in any user's temporary folder or
    // in the private folders made there for them. Such a folder, once
    // empty, waits for the next restart: it goes here, as it would then.
    std::vector<std::string> temporaryCopies() const {
        std::vector<std::string> found;
        std::error_code error;
        for (const auto& user : fs::directory_iterator(wineSession().driveC() + "/users", error)) {
            std::error_code inner;
            for (const auto& entry : fs::directory_iterator(user.path() / "Temp", inner)) {
                if (entry.path().filename().string().rfind("~uninst", 0) != 0) continue;
                if (!entry.is_directory()) {
                    found.push_back(entry.path());
                    continue;
                }
                for (const auto& file : fs::directory_iterator(entry.path(), inner)) found.push_back(file.path());
                fs::remove(entry.path(), inner);
            }
        }
        return found;
    }

    void expectNothingLeft() {
        waitForSelfRemoval();
        EXPECT_FALSE(fs::exists(hostInstallFolder())) << "the install folder stays";
        const Footprint none{{}, false, false, false, false, false};
        EXPECT_EQ(footprint(), none);
        EXPECT_FALSE(wineSession().registryKeyExists(machineKey()));
    }

    ShortcutPlaces places_;
    std::deque<Process> runs_;
};

// A setup of a new version killed while it extracts leaves the product
// half upgraded: the earlier files, its log and its uninstaller moved into
// the run's backup folder, new files beside the user's. An uninstaller
// started on the product's log (here the build's own, from the scenario's
// folder: the product's is among what the run moved aside) undoes that run
// first and says so; then it reads the log that is back and goes on as it
// would: the earlier version is there again (its file, the user's file the
// killed run had asked to replace, its version value), and removing it
// takes everything but the user's file.
TEST_F(UninstallScenario, KilledUpgradeIsUndoneByTheUninstallerFirst) {
    buildProduct("v1.exe");
    ASSERT_EQ(runSilently("v1.exe", {"/S"}), kSetupDone);
    earlierFile(hostInstallFolder() + "extra.txt", "the user's");
    const Footprint installed = footprint();
    source("extra.txt", "new extra");
    buildProduct("v2.exe", "1.10", "the new program", {"\"extra.txt\""});
    fs::copy_file(E2E_UNINSTALLER, hostDir() + "/uninstall.exe", fs::copy_options::overwrite_existing);

    Process& killed = start("v2.exe");
    std::optional<Window> question = waitWindow("v2.exe", "upgrade-question");
    ASSERT_TRUE(question);
    acceptAndPassWizard(*question, "v2.exe");
    std::optional<Window> replace = waitWindow(WindowQuery::titled("v2.exe", "Confirm File Replace"), "replace");
    ASSERT_TRUE(replace);
    ASSERT_EQ(contentOf(hostInstallFolder() + "app.txt"), "the new program");
    killed.kill();
    ASSERT_EQ(backupFolders().size(), 1u) << "the killed run's backups and journal";
    ASSERT_FALSE(fs::exists(hostLog())) << "the earlier log is among what the run moved aside";

    Process& removal = runUninstaller("\"" + windowsDir() + "uninstall.exe\" " + logPath());
    std::optional<Window> undone = waitWindow(WindowQuery::titled("uninstall.exe", "Uninstall"), "undone");
    ASSERT_TRUE(undone);
    EXPECT_EQ(undone->message, "An installation of the product whose uninstall log is " + logPath() +
                                   " was interrupted before it ended. Everything it had changed has been undone.");
    EXPECT_EQ(contentOf(hostInstallFolder() + "app.txt"), "the program");
    expectEarlierFile(hostInstallFolder() + "extra.txt", "the user's");
    EXPECT_EQ(backupFolders(), std::vector<std::string>{});
    answer(*undone, kIdOk);
    std::optional<Window> ask = waitWindow(WindowQuery::titled("uninstall.exe", title()), "question-after-undo");
    ASSERT_TRUE(ask);
    answer(*ask, kIdNo);
    EXPECT_EQ(exitCodeOf(removal, kUninstallTimeout), kUninstallRemoved);
    EXPECT_EQ(footprint(), installed);
    EXPECT_EQ(wineSession().readRegistryString(machineKey(), "Version").value_or("<none>"), "1.00");

    // The product's own uninstaller, as the uninstall list starts it unattended.
    EXPECT_EQ(runQuietUninstall(uninstallCommand()), kUninstallLeftOver);
    waitForSelfRemoval();
    EXPECT_EQ(filesBelow(hostInstallFolder()), std::vector<std::string>{"extra.txt"});
    EXPECT_FALSE(wineSession().registryKeyExists(uninstallEntry()));
}

// From the uninstall list: the question, the progress window, and with a
// file the user added and a read-only file (one held open keeps the whole
// removal back: tests/e2e/files_in_use_scenarios_test.cpp), the errors
// window whose details list that file and the two folders that stay;
// everything else goes.
// The user tidies up, installs again (the first-install question) and
// removes it by the uninstaller's shortcut: the done message, nothing left.
TEST_F(UninstallScenario, UninstallListAndShortcutRemoveTheProduct) {
    buildProduct("product.exe");
    const std::string installQuestion = "Install " + productName() + " on this computer?";
    install("product.exe", installQuestion);
    const std::string command = uninstallCommand();
    EXPECT_EQ(command, "\"" + installFolder() + kUninstaller + "\" " + logPath());
    std::ofstream(hostInstallFolder() + "notes.txt") << "the user's own";
    fs::permissions(hostInstallFolder() + "Docs/guide.txt", fs::perms::owner_write | fs::perms::group_write |
                    fs::perms::others_write, fs::perm_options::remove);

    Process& run = runUninstaller(command);
    std::optional<Window> question = uninstallerWindow(title(), "uninstall-question");
    expectBox(question, title(),
              "Are you sure you want to remove " + productName() + " and all of its components?",
              {kIdYes, kIdNo});
    ASSERT_TRUE(question);
    answer(*question, kIdYes);

    std::optional<Window> progress = uninstallerWindow("UnInstalling", "uninstall-progress");
    ASSERT_TRUE(progress);
    ASSERT_TRUE(progress->child(kUninstallStatusText));
    EXPECT_EQ(progress->child(kUninstallStatusText)->text, "Removing " + productName() + ", please wait...");
    ASSERT_TRUE(progress->child(kUninstallBar));
    EXPECT_EQ(progress->child(kUninstallBar)->className, "msctls_progress32");

    std::optional<Window> errors = uninstallerWindow(title(), "uninstall-errors");
    ASSERT_TRUE(errors);
    EXPECT_EQ(errors->message, "Errors occurred while removing " + productName() +
                                   ". Some parts may have to be removed by hand.");
    EXPECT_EQ(errors->buttonIds(), (std::vector<int>{kIdOk, kUninstallDetailsButton}));
    EXPECT_EQ(errors->child(kUninstallDetailsButton)->text, "&Details...");
    EXPECT_TRUE(robot.click(errors->hwnd, kUninstallDetailsButton));
    std::optional<Window> details =
        uninstallerWindow("Errors occurred during UnInstallation", "uninstall-details");
    ASSERT_TRUE(details);
    ASSERT_TRUE(details->child(kUninstallDetailsText));
    EXPECT_EQ(details->child(kUninstallDetailsText)->text,
              "-- These files could not be removed --\r\n" + installFolder() + "Docs\\guide.txt\r\n\r\n"
              "-- These directories could not be removed --\r\n" + installFolder() + "Docs\r\n" +
                  installFolder().substr(0, installFolder().size() - 1) + "\r\n");
    answer(*details, kIdOk);
    answer(*errors, kIdOk);
    EXPECT_EQ(exitCodeOf(run, kUninstallTimeout), kUninstallLeftOver);
    waitForSelfRemoval();
    EXPECT_EQ(filesBelow(hostInstallFolder()), (std::vector<std::string>{"Docs", "Docs/guide.txt", "notes.txt"}));
    EXPECT_EQ(contentOf(hostInstallFolder() + "notes.txt"), "the user's own");
    const Footprint rest = footprint();
    EXPECT_FALSE(rest.desktopLink || rest.programsDir || rest.machineKey || rest.userKey || rest.uninstallEntry);

    // What the user removes by hand; then the product installs as new.
    fs::remove_all(hostInstallFolder());
    install("product.exe", installQuestion);
    const std::string shortcut = contentOf(hostPathOf(places_.programsFolder + "\\Uninstall.lnk"));
    ASSERT_TRUE(holdsText(shortcut, installFolder() + kUninstaller));
    ASSERT_TRUE(holdsText(shortcut, logPath()));
    // The shell starts a shortcut's target quoted, its arguments behind.
    Process& second = runUninstaller("\"" + installFolder() + kUninstaller + "\" " + logPath());
    question = uninstallerWindow(title(), "uninstall-question");
    ASSERT_TRUE(question);
    answer(*question, kIdYes);
    std::optional<Window> done = uninstallerWindow(title(), "uninstall-done");
    expectBox(done, title(), productName() + " has been removed from your computer.", {kIdOk});
    ASSERT_TRUE(done);
    answer(*done, kIdOk);
    EXPECT_EQ(exitCodeOf(second, kUninstallTimeout), kUninstallRemoved);
    expectNothingLeft();
}

// Every way the uninstaller refuses, each on the same installation, which
// stays as it was: the question answered No, the product running, a damaged
// log, logs edited to name a file outside the installation (their digest no
// longer matches, so their texts are not shown), a file in the
// Windows folder, the Windows folder, the drive root and a document on the
// desktop; and the command line without a log or with a missing one.
// Then "/S" with the sound log: no question and no window,
// exit code 0, nothing left; and a second "/S" finds no log: a code of its
// own, nothing touched.
TEST_F(UninstallScenario, RefusalsRemoveNothingThenSilentRemovalRemovesAll) {
    buildProduct("refused.exe");
    install("refused.exe", "Install " + productName() + " on this computer?");
    Bytes log;
    ASSERT_TRUE(readFile(hostLog(), log));
    const Footprint installed = footprint();
    const std::string windowsVictim = "C:\\windows\\e2e-" + name() + ".txt";
    const std::string desktopVictim = shellFolder("Desktop") + "\\e2e-" + name() + ".txt";
    const std::vector<std::string> victims{hostDir() + "/victim.txt", hostPathOf(windowsVictim),
                                           hostPathOf(desktopVictim)};
    for (const std::string& victim : victims) {
        std::ofstream(victim) << "victim";
        removeAtEnd(victim);
    }
    const std::string corrupt = "The uninstall log " + logPath() +
                                " is damaged, or names places that no installation of this product could "
                                "have made.\n\nNothing was removed.";
    const std::string running =
        productName() + " is still running. Please close it before removing it.";
    Bytes wrongMagic = log;
    wrongMagic[3] ^= 0x20;

    struct Refusal {
        const char* label;
        Bytes log;
        std::string caption, message;
        int answer;
        int exitCode;
        bool locked = false;
        std::string commandLine = {};  // the uninstall entry's unless given
    };
    const std::vector<Refusal> refusals{
        {"declined", log, title(), "Are you sure you want to remove " + productName() + " and all of its components?",
         kIdNo, kUninstallRemoved},
        {"running", log, title(), running, kIdOk, kUninstallRunning, true},
        {"damaged", wrongMagic, "Uninstall", corrupt, kIdOk, kUninstallLogRefused},
        {"outside", withExtraEntries(log, {{fmt::kLogFile, 0, 0, windowsDir() + "victim.txt"}}), "Uninstall", corrupt,
         kIdOk, kUninstallLogRefused},
        {"system-file", withExtraEntries(log, {{fmt::kLogFile, 0, 0, windowsVictim}}), "Uninstall", corrupt, kIdOk,
         kUninstallLogRefused},
        {"windows-folder", withExtraEntries(log, {{fmt::kLogFolder, 0, 0, "C:\\windows"}}), "Uninstall", corrupt, kIdOk,
         kUninstallLogRefused},
        {"drive-root", withExtraEntries(log, {{fmt::kLogFolder, 0, 0, "C:\\"}}), "Uninstall", corrupt, kIdOk,
         kUninstallLogRefused},
        {"desktop-document", withExtraEntries(log, {{fmt::kLogFile, 0, 0, desktopVictim}}), "Uninstall", corrupt, kIdOk,
         kUninstallLogRefused},
        {"no-log-path", log, "Uninstall",
         "The uninstaller needs the path of the product's uninstall log:\n\nUnInst.exe [/S] <uninstall log>\n\n"
         "/S removes the product without a question or a window; the exit code tells the result.",
         kIdOk, kUninstallUsage, false, installFolder() + kUninstaller},
        {"missing-log", log, "Uninstall",
         "The uninstall log " + installFolder() + "Gone cannot be opened.\n\nNothing was removed.", kIdOk,
         kUninstallLogNotFound, false, installFolder() + kUninstaller + " " + installFolder() + "Gone"},
    };
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.label);
        ASSERT_TRUE(writeFile(hostLog(), refusal.log));
        Process lock;
        if (refusal.locked) {
            lock = holdLock("Lock_" + productName());
            ASSERT_FALSE(HasFailure());
        }
        Process& run = runUninstaller(refusal.commandLine.empty() ? uninstallCommand() : refusal.commandLine);
        std::optional<Window> box = uninstallerWindow(refusal.caption, std::string("refused-") + refusal.label);
        ASSERT_TRUE(box);
        EXPECT_EQ(box->message, refusal.message);
        answer(*box, refusal.answer);
        EXPECT_EQ(exitCodeOf(run, kUninstallTimeout), refusal.exitCode);
        lock.kill();
        // Files here, keys (slow to read) once after all of them: a
        // deleted key does not come back.
        EXPECT_EQ(filesBelow(hostInstallFolder()), installed.files) << "a file was removed";
        for (const std::string& victim : victims) EXPECT_EQ(contentOf(victim), "victim") << victim;
    }
    EXPECT_EQ(footprint(), installed) << "something was removed";

    ASSERT_TRUE(writeFile(hostLog(), log));
    Process& run = runUninstaller(installFolder() + kUninstaller + " /S " + logPath());
    EXPECT_EQ(exitCodeOf(run, kUninstallTimeout), kUninstallRemoved);
    EXPECT_EQ(robot.list(WindowQuery::byExe(kUninstaller)).size(), 0u);
    expectNothingLeft();

    // Again, with a copy of the uninstaller, as a script run twice would.
    fs::copy_file(E2E_UNINSTALLER, hostDir() + "/again.exe");
    const auto before = filesBelow(hostDir());
    Process& again = runUninstaller(windowsDir() + "again.exe /S " + logPath());
    EXPECT_EQ(exitCodeOf(again, kUninstallTimeout), kUninstallLogNotFound);
    EXPECT_EQ(filesBelow(hostDir()), before);
}

}  // namespace
}  // namespace e2e
