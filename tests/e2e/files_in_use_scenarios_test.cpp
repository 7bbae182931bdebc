// An upgrade while another program holds a file of the installed product
// open without letting it be moved: the question before anything changes
// and each of its answers, the unattended stop and /REPLACEATRESTART, and
// the uninstaller that removes nothing while a file of the product is held.
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <map>

#include "harness/registry_values.h"
#include "harness/scenario.h"
#include "harness/wine_session.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

const char kPendingRenames[] = "HKLM\\SYSTEM\\CurrentControlSet\\Control\\Session Manager";

class FilesInUseScenario : public SetupScenario {
protected:
    void SetUp() override {
        SetupScenario::SetUp();
        if (HasFatalFailure() || IsSkipped()) return;
        renamesBefore_ = registryValues(kPendingRenames).count("PendingFileRenameOperations") != 0;
        wineSession().deleteRegistryKey(uninstallEntry());
        source("v1/app.txt", "one");
        source("v1/data.txt", "data one");
        source("v1/old.txt", "old");
        source("v2/app.txt", "two");
        source("v2/data.txt", "data two");
        ASSERT_TRUE(buildAs(version("1.00", {"v1/app.txt", "v1/data.txt", "v1/old.txt"}), "v1.exe"));
        ASSERT_TRUE(buildAs(version("1.10", {"v2/app.txt", "v2/data.txt"}), "v2.exe"));
        // The same upgrade, with a last file whose place a folder takes.
        source("v2/blocked.txt", "blocked");
        ASSERT_TRUE(buildAs(version("1.10", {"v2/app.txt", "v2/data.txt", "v2/blocked.txt"}), "v2-fails.exe"));
    }

    void TearDown() override {
        // The prefix never restarts: a rename this scenario asked for goes.
        if (!renamesBefore_) wineSession().deleteRegistryValue(kPendingRenames, "PendingFileRenameOperations");
        wineSession().deleteRegistryKey(uninstallEntry());
        SetupScenario::TearDown();
    }

    ProductDescription version(const std::string& number, const std::vector<std::string>& files) {
        ProductDescription product = descriptionWith(files);
        product.version = number;
        product.flags = {"uninstall-entry"};
        product.setText("uninstallDisplayName", productName());
        return product;
    }

    // Version 1.00 installed afresh, its app.txt held by another program.
    Process installHeldFirstVersion() {
        fs::remove_all(hostInstallFolder());
        wineSession().deleteRegistryKey(machineKey());
        EXPECT_EQ(runSilently("v1.exe", {"/S"}), kSetupDone);
        return holdFile(installFolder() + "app.txt");
    }

    // What the user would miss of the installation: files and version.
    std::map<std::string, std::string> footprint() {
        std::map<std::string, std::string> found;
        for (const std::string& file : filesBelow(hostInstallFolder())) {
            const std::string path = hostInstallFolder() + file;
            found[file] = fs::is_directory(path) || file == "InstallLog" || file == "UnInst.exe" ? "" : contentOf(path);
        }
        found["Version"] = wineSession().readRegistryString(machineKey(), "Version").value_or("<none>");
        return found;
    }

    // The system's list of renames at the next restart, as reg.exe prints it.
    std::string pendingRenames() {
        const auto values = registryValues(kPendingRenames);
        const auto found = values.find("PendingFileRenameOperations");
        return found == values.end() ? "" : found->second.data;
    }

    // Waits for the files-in-use question and checks what it shows.
    std::optional<Window> expectInUseQuestion(const std::string& label) {
        std::optional<Window> dialog = waitWindow(WindowQuery::titled("v2.exe", productName() + " Setup"), label);
        EXPECT_TRUE(dialog);
        if (!dialog) return dialog;
        const Control* text = dialog->child(kInUseText);
        const Control* list = dialog->child(kInUseList);
        EXPECT_TRUE(text && list) << "not the files-in-use question";
        if (!text || !list) return std::nullopt;
        // Wine's restart manager names no programs: the files stand.
        EXPECT_EQ(text->text, "These files, which Setup must replace or remove, are in use by another program. "
                              "Close it and choose Retry, or choose Ignore to go on and have the files "
                              "replaced when the computer restarts.");
        EXPECT_EQ(list->text, installFolder() + "app.txt");
        EXPECT_EQ(dialog->buttonIds(), (std::vector<int>{kIdRetry, kIdIgnore, kIdCancel}));
        EXPECT_EQ(dialog->child(kIdRetry)->text, "&Retry");
        EXPECT_EQ(dialog->child(kIdIgnore)->text, "&Ignore");
        EXPECT_EQ(dialog->defaultButton, kIdRetry);
        return dialog;
    }

    bool renamesBefore_ = false;
};

// Each answer, on a fresh first version each time: Cancel changes nothing
// (the cancel message, exit 8); Retry after the holder ended installs the
// upgrade whole; Ignore installs the rest, writes the held file's new
// version beside it, registers it for the restart and ends with the
// restart question.
TEST_F(FilesInUseScenario, UpgradeAsksAboutAHeldFileAndEachAnswerTakesEffect) {
    enum class Way { cancel, retry, ignore };
    const struct Row {
        const char* label;
        Way way;
    } rows[] = {{"cancel", Way::cancel}, {"retry", Way::retry}, {"ignore", Way::ignore}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.label);
        Process holder = installHeldFirstVersion();
        const std::map<std::string, std::string> before = footprint();
        ASSERT_EQ(before.at("app.txt"), "one");

        Process& setup = start("v2.exe");
        std::optional<Window> question = waitWindow("v2.exe", std::string("upgrade-question-") + row.label);
        ASSERT_TRUE(question);
        EXPECT_EQ(question->message, "An older " + productName() + " is installed. Upgrade it?");
        answer(*question, kIdYes);
        std::optional<Window> dialog = expectInUseQuestion(std::string("in-use-") + row.label);
        ASSERT_TRUE(dialog);
        switch (row.way) {
        case Way::cancel: {
            answer(*dialog, kIdCancel);
            std::optional<Window> cancelled = waitMessageBox("v2.exe", productName(), "cancelled");
            expectBox(cancelled, productName(), productName() + " was not installed.", {kIdOk});
            ASSERT_TRUE(cancelled);
            answer(*cancelled, kIdOk);
            EXPECT_EQ(exitCodeOf(setup), kSetupCancelled);
            holder.kill();
            EXPECT_EQ(footprint(), before);
            break;
        }
        case Way::retry:
            holder.kill();
            answer(*dialog, kIdRetry);
            EXPECT_FALSE(finishAtCompletion("v2.exe", setup).empty());
            EXPECT_EQ(contentOf(hostInstallFolder() + "app.txt"), "two");
            EXPECT_EQ(contentOf(hostInstallFolder() + "data.txt"), "data two");
            EXPECT_FALSE(fs::exists(hostInstallFolder() + "old.txt"));
            break;
        case Way::ignore: {
            answer(*dialog, kIdIgnore);
            // The held file is still there: the replace question asks for it.
            std::optional<Window> replace =
                waitWindow(WindowQuery::titled("v2.exe", "Confirm File Replace"), "replace-held");
            ASSERT_TRUE(replace);
            answer(*replace, kIdYes);
            std::optional<Window> restart = waitMessageBox("v2.exe", productName(), "restart-question");
            expectBox(restart, productName(), productName() + " is installed. Restart now?", {kIdYes, kIdNo});
            ASSERT_TRUE(restart);
            answer(*restart, kIdNo);
            EXPECT_EQ(exitCodeOf(setup), kSetupDone);
            holder.kill();
            EXPECT_EQ(contentOf(hostInstallFolder() + "app.txt"), "one") << "the held file was replaced at once";
            EXPECT_EQ(contentOf(hostInstallFolder() + "app.txt.~1"), "two");
            EXPECT_EQ(contentOf(hostInstallFolder() + "data.txt"), "data two");
            EXPECT_FALSE(fs::exists(hostInstallFolder() + "old.txt"));
            const std::string renames = pendingRenames();
            EXPECT_NE(renames.find(installFolder() + "app.txt.~1"), std::string::npos) << renames;
            EXPECT_NE(renames.find("!\\??\\" + installFolder() + "app.txt"), std::string::npos) << renames;
            break;
        }
        }
        if (row.way != Way::cancel) {
            EXPECT_EQ(wineSession().readRegistryString(machineKey(), "Version").value_or(""), "1.10");
        }
        EXPECT_EQ(backupFolders(), std::vector<std::string>{});
    }
}

// Unattended: the run stops before it changes anything and its log names
// the file; /REPLACEATRESTART takes the Ignore way and ends with 3010; the
// same upgrade failing after the held file's new version was written gives
// everything back: the new version goes, no rename waits for the restart.
TEST_F(FilesInUseScenario, UnattendedStopsOrReplacesAtRestart) {
    const struct Row {
        const char* label;
        const char* installer;
        std::vector<std::string> options;
        int exitCode;
        const char* logged;
    } rows[] = {
        {"stops", "v2.exe", {"/S"}, kSetupFilesInUse, "in use: "},
        // Before the row whose rename stays registered.
        {"failing", "v2-fails.exe", {"/S", "/REPLACEATRESTART"}, kSetupCannotCreateFile, "is written as "},
        {"at restart", "v2.exe", {"/S", "/REPLACEATRESTART"}, kSetupRestartRequired, "replaces "},
    };
    // The host sees the low byte of an exit code; the run's log the whole one.
    const char* const ends[] = {
        "exit code 26: files that the setup must replace or remove are in use; nothing was changed",
        "exit code 2: a file could not be created",
        "exit code 3010: installed; the system must restart",
    };
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const Row& row = rows[i];
        SCOPED_TRACE(row.label);
        Process holder = installHeldFirstVersion();
        const bool fails = row.exitCode == kSetupCannotCreateFile;
        if (fails) fs::create_directories(hostInstallFolder() + "blocked.txt");
        const std::map<std::string, std::string> before = footprint();
        const std::string log = windowsDir() + row.label + ".log";
        std::vector<std::string> arguments = row.options;
        arguments.push_back("/LOG=" + log);
        EXPECT_EQ(runSilently(row.installer, arguments), row.exitCode & 0xFF);
        holder.kill();
        const std::string text = contentOf(hostPathOf(log));
        EXPECT_NE(text.find("in use: " + installFolder() + "app.txt"), std::string::npos) << text;
        EXPECT_NE(text.find(row.logged), std::string::npos) << text;
        EXPECT_NE(text.find(ends[i]), std::string::npos) << text;
        if (row.exitCode != kSetupRestartRequired) {
            EXPECT_EQ(footprint(), before);
            EXPECT_EQ(pendingRenames().find(installFolder() + "app.txt"), std::string::npos) << pendingRenames();
        } else {
            EXPECT_EQ(contentOf(hostInstallFolder() + "app.txt.~1"), "two");
            EXPECT_NE(pendingRenames().find(installFolder() + "app.txt.~1"), std::string::npos);
            EXPECT_EQ(wineSession().readRegistryString(machineKey(), "Version").value_or(""), "1.10");
        }
        EXPECT_EQ(backupFolders(), std::vector<std::string>{});
    }
}

// The uninstaller with a held file of the product: attended, the list with
// Retry and Cancel, and Cancel removes nothing; /S removes nothing, exit 6;
// once the holder ends, /S removes the product.
TEST_F(FilesInUseScenario, UninstallerRemovesNothingWhileAFileIsHeld) {
    Process holder = installHeldFirstVersion();
    const std::map<std::string, std::string> before = footprint();
    const std::string command = "\"" + installFolder() + "UnInst.exe\" " + installFolder() + "InstallLog";

    Process attended = robot.runCommandLine(command, kExitTimeout);
    std::optional<Window> list = waitWindow(WindowQuery::titled("UnInst.exe", "UnInstall " + productName()),
                                            "uninstall-in-use");
    expectBox(list, "UnInstall " + productName(),
              "These files, which the uninstaller must remove, are in use by another program:\n\n" +
                  installFolder() + "app.txt\n\nClose it and choose Retry, or choose Cancel to remove nothing.",
              {kIdRetry, kIdCancel});
    ASSERT_TRUE(list);
    answer(*list, kIdCancel);
    EXPECT_EQ(exitCodeOf(attended), kUninstallFilesInUse);
    EXPECT_EQ(footprint(), before);

    Process silent = robot.runCommandLine("\"" + installFolder() + "UnInst.exe\" /S " + installFolder() + "InstallLog",
                                          kExitTimeout);
    EXPECT_EQ(exitCodeOf(silent), kUninstallFilesInUse);
    EXPECT_EQ(footprint(), before);

    holder.kill();
    Process removal = robot.runCommandLine("\"" + installFolder() + "UnInst.exe\" /S " + installFolder() + "InstallLog",
                                           kExitTimeout);
    EXPECT_EQ(exitCodeOf(removal), kUninstallRemoved);
    EXPECT_TRUE(waitUntil([&] { return !fs::exists(hostInstallFolder()); }, kExitTimeout));
}

}  // namespace
}  // namespace e2e
