// Extraction of an accepted run: the files and their times, the replace
// question for files that exist, and a cancel from that question.
#include <gtest/gtest.h>

#include <pwd.h>
#include <unistd.h>

#include <filesystem>

#include "harness/scenario.h"
#include "harness/wine_session.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

// A minimal 16 x 16 icon: one 32-bit image with its mask.
std::string tinyIcon() {
    std::string icon;
    auto u16 = [&](unsigned v) { icon += char(v & 0xFF); icon += char(v >> 8); };
    auto u32 = [&](unsigned v) { u16(v & 0xFFFF); u16(v >> 16); };
    const unsigned image = 40 + 16 * 16 * 4 + 16 * 4;
    u16(0); u16(1); u16(1);                        // icon directory, one image
    icon += char(16); icon += char(16); icon += char(0); icon += char(0);
    u16(1); u16(32); u32(image); u32(6 + 16);       // planes, bits, size, offset
    u32(40); u32(16); u32(32); u16(1); u16(32);     // BITMAPINFOHEADER, height doubled
    u32(0); u32(16 * 16 * 4); u32(0); u32(0); u32(0); u32(0);
    for (int i = 0; i < 16 * 16; ++i) u32(0xFF2060C0);
    icon += std::string(16 * 4, '\0');              // mask: all opaque
    return icon;
}

class ExtractionScenario : public SetupScenario {
protected:
    // A file that is in the install folder before the run, from 1999-12-31
    // 23:59:58 UTC.
    void existing(const std::string& name, const std::string& content) {
        earlierFile(hostInstallFolder() + name, content);
    }
    std::string installed(const std::string& relative) { return contentOf(hostInstallFolder() + relative); }
    bool isInstalled(const std::string& relative) { return fs::exists(hostInstallFolder() + relative); }

    // Host path of a file in the temporary folder of Wine's user, which
    // carries the Unix user's name.
    std::string tempFolderFile(const std::string& fileName) {
        const passwd* user = getpwuid(getuid());
        return wineSession().driveC() + "/users/" + (user ? user->pw_name : "root") + "/Temp/" +
               fileName;
    }

    // The icon as a picture shown by the given image entry, written to the
    // temporary folder under a name of this scenario.
    void addIcon(ProductDescription& product, const std::string& imageEntry) {
        source("info.ico", tinyIcon());
        product.extraToml = "[images]\n" + imageEntry + " = \"info\"\n\n[[pictures]]\n"
                            "name = \"info\"\nfile = \"info.ico\"\ntemp-name = " +
                            tomlString(name() + ".ico") + "\n";
        fs::remove(tempFolderFile(name() + ".ico"));
    }

    // A product of small files below "Many\". Under Wine each file costs
    // about 5 ms (most of it the shell's change notification).
    ProductDescription manyFiles(int count) {
        for (int i = 0; i < count; ++i) source("many/f" + std::to_string(i) + ".txt", std::to_string(i));
        ProductDescription product = description();
        product.components.push_back({"Program", {}, {"{ folder = \"many\", to = \"Many\" }"}});
        product.defaultSelection = {"Program"};
        return product;
    }

    // Starts the installer and accepts the install question.
    Process& startAndAccept(const std::string& fileName,
                            const std::vector<std::string>& environment = {}) {
        Process& setup = start(fileName, environment);
        std::optional<Window> question = waitWindow(fileName, "install-question");
        EXPECT_TRUE(question);
        if (question) acceptAndPassWizard(*question, fileName);
        return setup;
    }

    // Expects the replace dialog for the file, with the default texts.
    void expectReplaceDialog(const std::optional<Window>& dialog, const std::string& name) {
        ASSERT_TRUE(dialog);
        const Control* exists = dialog->child(kReplaceExistsLine);
        ASSERT_TRUE(exists);
        EXPECT_EQ(exists->text, "This folder already contains a file called '" + name + "'.");
        ASSERT_TRUE(dialog->child(kReplaceQuestionLine));
        EXPECT_EQ(dialog->child(kReplaceQuestionLine)->text,
                  "Would you like to replace the existing file");
        ASSERT_TRUE(dialog->child(kReplaceWithThisLine));
        EXPECT_EQ(dialog->child(kReplaceWithThisLine)->text, "with this one?");
        EXPECT_EQ(dialog->buttonIds(), (std::vector<int>{kIdYes, kReplaceYesToAll, kIdNo, kIdCancel}));
        EXPECT_EQ(dialog->defaultButton, kIdYes);
    }

    // Expects the quit question of a cancel.
    void expectQuitQuestion(const std::optional<Window>& quit) {
        expectBox(quit, productName() + " Wizard", "Quit the setup of " + productName() + "?", {kIdYes, kIdNo});
    }
    std::optional<Window> waitQuitQuestion(const std::string& fileName, const std::string& label) {
        return waitWindow(WindowQuery::titled(fileName, productName() + " Wizard"), label);
    }

    // Confirms the quit question: the run ends with the cancelled message
    // (the rollback popup's icon still in the temporary folder) and exit
    // code 8, and the icon goes with the program.
    void confirmCancel(const std::string& fileName, Process& setup, const std::string& label) {
        std::optional<Window> quit = waitQuitQuestion(fileName, label);
        ASSERT_TRUE(quit);
        answer(*quit, kIdYes);
        std::optional<Window> canceled = waitWindow(WindowQuery::titled(fileName, productName()), "canceled");
        expectBox(canceled, productName(), productName() + " was not installed.", {kIdOk});
        const std::string tempFile = tempFolderFile(name() + ".ico");
        EXPECT_TRUE(fs::exists(tempFile)) << "the rollback popup's icon was not written";
        if (canceled) answer(*canceled, kIdOk);
        EXPECT_EQ(exitCodeOf(setup), kSetupCancelled);
        EXPECT_FALSE(fs::exists(tempFile)) << "the icon's temporary file outlives the cancel";
    }

    // The name the replace dialog asks about, from its first line.
    static std::string askedName(const Window& dialog) {
        const Control* line = dialog.child(kReplaceExistsLine);
        if (!line) return {};
        size_t open = line->text.find('\'');
        size_t close = line->text.rfind('\'');
        return open < close ? line->text.substr(open + 1, close - open - 1) : "";
    }

};

TEST_F(ExtractionScenario, FilesArriveWithTheirContentAndTime) {
    source("readme.txt", "read me\r\n");
    source("data/big.bin", std::string(100000, 'x') + "end");
    ASSERT_TRUE(buildAs(descriptionWith({"readme.txt", "data/big.bin"}), "files.exe"));
    EXPECT_FALSE(installToCompletion("files.exe").completion.empty());

    EXPECT_EQ(installed("readme.txt"), "read me\r\n");
    EXPECT_EQ(installed("big.bin"), std::string(100000, 'x') + "end");
    EXPECT_EQ(modifiedAt(hostInstallFolder() + "big.bin"), kSourceTime) << "the stored time, not the time of the run";
}

TEST_F(ExtractionScenario, PictureTemporaryFileLastsUntilTheEnd) {
    source("readme.txt", "read me");
    ProductDescription product = descriptionWith({"readme.txt"});
    addIcon(product, "updating-system");
    ASSERT_TRUE(buildAs(product, "picture.exe"));
    const std::string tempFile = tempFolderFile(name() + ".ico");

    Process& setup = startAndAccept("picture.exe");
    std::optional<Window> done = waitMessageBox("picture.exe", productName(), "completion");
    ASSERT_TRUE(done);
    EXPECT_EQ(contentOf(tempFile), tinyIcon()) << "the status popup's icon was not written";
    answer(*done, kIdOk);
    EXPECT_EQ(exitCodeOf(setup), kSetupDone);
    EXPECT_FALSE(fs::exists(tempFile)) << "the icon's temporary file outlives the program";
}

// An upgrade removes the installed version by its log before it extracts.
TEST_F(ExtractionScenario, UpgradeRemovesTheInstalledVersionByItsLog) {
    source("v1/common.txt", "common 1");
    source("v1/old.txt", "old only");
    source("v2/common.txt", "common 2");
    source("v2/new.txt", "new only");
    ASSERT_TRUE(buildAs(descriptionWith({"v1/common.txt", "v1/old.txt"}), "v1.exe"));
    EXPECT_FALSE(installToCompletion("v1.exe").completion.empty());
    ASSERT_EQ(installed("old.txt"), "old only");

    ProductDescription second = descriptionWith({"v2/common.txt", "v2/new.txt"});
    second.version = "1.10";
    ASSERT_TRUE(buildAs(second, "v2.exe"));
    const CompletedRun upgrade = installToCompletion("v2.exe");
    expectBox(upgrade.question, productName() + " Setup",
              "An older " + productName() + " is installed. Upgrade it?", {kIdYes, kIdNo});
    EXPECT_FALSE(upgrade.completion.empty());

    EXPECT_FALSE(isInstalled("old.txt")) << "a file of the old version stays";
    EXPECT_EQ(installed("common.txt"), "common 2");
    EXPECT_EQ(installed("new.txt"), "new only");
    EXPECT_EQ(wineSession().readRegistryString(machineKey(), "Version"), "1.10");
    EXPECT_EQ(backupFolders(), std::vector<std::string>{}) << "the old version's backups stay";
}

// A log named by the registry that is not there is reported; the
// installation goes on.
TEST_F(ExtractionScenario, MissingLogOfTheInstalledVersionIsReported) {
    source("readme.txt", "read me");
    ProductDescription product = descriptionWith({"readme.txt"});
    product.version = "1.10";
    ASSERT_TRUE(buildAs(product, "nolog.exe"));
    const std::string log = windowsDir() + "gone\\InstallLog";
    ASSERT_TRUE(wineSession().setRegistryString(machineKey(), "Version", "1.00"));
    ASSERT_TRUE(wineSession().setRegistryString(machineKey(), "UnInstallLog", log));

    Process& setup = start("nolog.exe");
    std::optional<Window> missing = acceptToWindow("nolog.exe", productName() + " Error", "log-missing");
    expectBox(missing, productName() + " Error",
              "The log " + log + " of the installed " + productName() + " is missing.", {kIdOk});
    if (missing) answer(*missing, kIdOk);
    EXPECT_FALSE(finishAtCompletion("nolog.exe", setup).empty());
    EXPECT_EQ(installed("readme.txt"), "read me");
}

// Each answer to the replace question, in one run: both files' figures
// (the new size in the existing file's unit, the stored times without a
// time-zone shift although the program runs nine hours east of UTC), Yes,
// No for a file another program holds (no figures can be read; the
// files-in-use question before it is answered Ignore), Yes to All for the
// rest.
TEST_F(ExtractionScenario, ReplaceQuestionShowsBothFilesAndEachAnswerTakesEffect) {
    struct Row {
        const char* name;
        std::size_t existingSize, newSize;
        int answer;       // 0: never asked
        bool locked;
        const char* existingFigures;
        const char* newFigures;
        bool replaced;
    };
    const char* const kNewTime = "modified on Saturday, February 3, 2001, 4:05:06 AM";
    const char* const kOldTime = "modified on Friday, December 31, 1999, 11:59:58 PM";
    const Row rows[] = {
        // The new file in the existing one's unit, unless that reads as zero.
        {"big.bin", 3000000, 2000, kIdYes, false, "2.86 MB", "1.95 KB", true},
        {"held.txt", 10, 20, kIdNo, true, nullptr, "20.00 bytes", false},
        {"a.txt", 1536, 100, kReplaceYesToAll, false, "1.50 KB", "0.10 KB", true},
        {"b.txt", 30, 40, 0, false, nullptr, nullptr, true},
    };
    std::vector<std::string> names;
    for (const Row& row : rows) {
        source(row.name, std::string(row.newSize, 'n'));
        existing(row.name, std::string(row.existingSize, 'o'));
        names.push_back(row.name);
    }
    ProductDescription product = descriptionWith(names);
    addIcon(product, "replace-dialog");
    ASSERT_TRUE(buildAs(product, "replace.exe"));
    Process holder = holdFile(installFolder() + "held.txt", true);
    ASSERT_FALSE(HasFailure());

    Process& setup = startAndAccept("replace.exe", {"TZ=JST-9"});
    std::optional<Window> inUse = waitWindow(WindowQuery::titled("replace.exe", productName() + " Setup"), "in-use");
    ASSERT_TRUE(inUse);
    ASSERT_TRUE(inUse->child(kInUseList));
    EXPECT_EQ(inUse->child(kInUseList)->text, installFolder() + "held.txt");
    answer(*inUse, kIdIgnore);
    for (const Row& row : rows) {
        if (row.answer == 0) continue;
        SCOPED_TRACE(row.name);
        std::optional<Window> dialog =
            waitWindow(WindowQuery::titled("replace.exe", "Confirm File Replace"), std::string("replace-") + row.name);
        ASSERT_TRUE(dialog);
        expectReplaceDialog(dialog, row.name);
        EXPECT_EQ(dialog->child(kReplaceExistingFigures)->text,
                  row.locked ? std::string("(Could not obtain file information)")
                             : std::string(row.existingFigures) + "\n" + kOldTime);
        EXPECT_EQ(dialog->child(kReplaceNewFigures)->text, std::string(row.newFigures) + "\n" + kNewTime);
        // The progress window stays while the question waits.
        EXPECT_EQ(robot.list(WindowQuery::titled("replace.exe", productName() + " Progress")).size(), 1u);
        answer(*dialog, row.answer);
    }
    EXPECT_FALSE(finishAtCompletion("replace.exe", setup).empty());
    holder.kill();
    for (const Row& row : rows) {
        EXPECT_EQ(installed(row.name), std::string(row.replaced ? row.newSize : row.existingSize,
                                                   row.replaced ? 'n' : 'o'))
            << row.name;
    }
    EXPECT_EQ(backupFolders(), std::vector<std::string>{}) << "the replaced files' backups stay";
}

// Cancel declined leaves the question waiting; confirmed, the run is
// undone: the files and folders it made go, the file it replaced comes back
// as it was, and the file it had not reached stays. The same inside one
// LZMA block, whose decoding runs on while the question waits.
TEST_F(ExtractionScenario, CancelFromTheReplaceQuestionUndoesTheRun) {
    for (const char* method : {"zlib", "lzma"}) {
        SCOPED_TRACE(method);
        const std::string exe = std::string("cancel-") + method + ".exe";
        source("first.txt", "new first");
        source("sub/second.txt", "second");
        source("last.txt", "new last");
        existing("first.txt", "old first");
        existing("last.txt", "old last");
        ProductDescription product = descriptionWith({"first.txt"});
        product.components[0].rawEntries = {"{ source = \"sub/second.txt\", to = \"Sub\\\\second.txt\" }",
                                            "\"last.txt\""};
        addIcon(product, "undoing");  // the rollback popup's icon
        product.options.push_back(std::string("compression = \"") + method + "\"");
        ASSERT_TRUE(buildAs(product, exe));

        Process& setup = startAndAccept(exe);
        std::optional<Window> first =
            waitWindow(WindowQuery::titled(exe, "Confirm File Replace"), "replace-first");
        ASSERT_TRUE(first);
        EXPECT_EQ(askedName(*first), "first.txt");
        answer(*first, kIdYes);
        std::optional<Window> dialog =
            waitWindow(WindowQuery::titled(exe, "Confirm File Replace"), "replace-last");
        ASSERT_TRUE(dialog);
        EXPECT_EQ(askedName(*dialog), "last.txt");
        EXPECT_EQ(installed("first.txt"), "new first");

        // Declined: the question is still there.
        robot.click(dialog->hwnd, kIdCancel);
        std::optional<Window> quit = waitQuitQuestion(exe, "quit");
        expectQuitQuestion(quit);
        if (quit) answer(*quit, kIdNo);
        std::optional<Window> again = robot.describe(dialog->hwnd);
        EXPECT_TRUE(again && again->visible) << "the replace question went away";

        // Confirmed: everything of this run goes.
        robot.click(dialog->hwnd, kIdCancel);
        confirmCancel(exe, setup, "quit-again");
        ASSERT_FALSE(HasFatalFailure());

        EXPECT_EQ(installed("first.txt"), "old first") << "the replaced file is not given back";
        EXPECT_EQ(modifiedAt(hostInstallFolder() + "first.txt"), kEarlierTime);
        EXPECT_FALSE(isInstalled("Sub")) << "a folder made by the run stays";
        EXPECT_EQ(installed("last.txt"), "old last");
        EXPECT_EQ(backupFolders(), std::vector<std::string>{});

    }
}

// Many small files keep the progress window up for a few seconds, long enough
// to press its Cancel; in an LZMA product too, whose blocks are decoded on
// the second thread while the window pumps.
TEST_F(ExtractionScenario, CancelInTheProgressWindowDeclinedThenConfirmed) {
    for (const char* method : {"zlib", "lzma"}) {
        SCOPED_TRACE(method);
        const std::string exe = std::string("progress-") + method + ".exe";
        ProductDescription product = manyFiles(2000);
        addIcon(product, "undoing");  // the rollback popup's icon
        product.options.push_back(std::string("compression = \"") + method + "\"");
        ASSERT_TRUE(buildAs(product, exe));

        Process& setup = startAndAccept(exe);
        std::optional<Window> progress =
            robot.waitFor(WindowQuery::titled(exe, productName() + " Progress"), kWindowTimeout);
        ASSERT_TRUE(progress) << "no progress window";
        ASSERT_TRUE(robot.click(progress->hwnd, kIdCancel));
        std::optional<Window> quit = waitQuitQuestion(exe, "quit");
        expectQuitQuestion(quit);
        ASSERT_TRUE(quit);
        std::optional<Window> paused = robot.describe(progress->hwnd);
        ASSERT_TRUE(paused);
        EXPECT_EQ(paused->title, productName() + " Progress");
        EXPECT_FALSE(paused->enabled) << "the progress window takes input under the question";
        const Control* group = paused->child(kProgressGroupLine);
        ASSERT_TRUE(group);
        EXPECT_EQ(group->text, "Group: Program");
        const Control* line = paused->child(kProgressFileLine);
        ASSERT_TRUE(line);
        EXPECT_EQ(line->text.rfind("Extracting: Many\\f", 0), 0u) << line->text;
        ASSERT_TRUE(paused->child(kIdCancel));
        EXPECT_EQ(paused->child(kIdCancel)->text, "Cancel");
        // Part-way: the bar stands below its end.
        const Control* bar = paused->child(kProgressBar);
        ASSERT_TRUE(bar);
        EXPECT_GE(bar->position, 0);
        EXPECT_LT(bar->position, 1024);
        answer(*quit, kIdNo);

        // Declined: the extraction goes on; the second cancel is confirmed.
        ASSERT_TRUE(robot.click(progress->hwnd, kIdCancel)) << "the extraction ended too soon";
        confirmCancel(exe, setup, "quit-again");
        EXPECT_FALSE(fs::exists(hostInstallFolder())) << "the run's folders stay after the cancel";

    }
}

TEST_F(ExtractionScenario, EscapeAndCloseBoxOfTheProgressWindowAskToo) {
    ASSERT_TRUE(buildAs(manyFiles(1000), "keys.exe"));

    Process& setup = startAndAccept("keys.exe");
    std::optional<Window> progress =
        robot.waitFor(WindowQuery::titled("keys.exe", productName() + " Progress"), kWindowTimeout);
    ASSERT_TRUE(progress) << "no progress window";

    ASSERT_TRUE(robot.pressEscape(progress->hwnd));
    std::optional<Window> quit = waitQuitQuestion("keys.exe", "quit-after-esc");
    expectQuitQuestion(quit);
    ASSERT_TRUE(quit);
    answer(*quit, kIdNo);

    ASSERT_TRUE(robot.close(progress->hwnd)) << "the extraction ended too soon";
    quit = waitQuitQuestion("keys.exe", "quit-after-close");
    ASSERT_TRUE(quit);
    answer(*quit, kIdNo);

    // Both declined: the run completes.
    EXPECT_FALSE(finishAtCompletion("keys.exe", setup, kExitTimeout).empty());
    EXPECT_EQ(installed("Many/f999.txt"), "999");
}

// A file that cannot be created (a folder holds its name) is a fatal error:
// the configured message with the path and the system's reason, the run so
// far undone, exit code 2.
TEST_F(ExtractionScenario, FileThatCannotBeCreatedEndsWithRollback) {
    source("first.txt", "first");
    source("blocked.txt", "blocked");
    ASSERT_TRUE(buildAs(descriptionWith({"first.txt", "blocked.txt"}), "blocked.exe"));
    fs::create_directories(hostInstallFolder() + "blocked.txt");

    Process& setup = startAndAccept("blocked.exe");
    std::optional<Window> error;
    for (int step = 0; step < 4 && !error; ++step) {
        std::optional<Window> window = waitWindow(WindowQuery::byExe("blocked.exe"), "after-yes");
        ASSERT_TRUE(window);
        if (window->title == "Confirm File Replace") {
            answer(*window, kIdYes);  // the folder "exists": replace it
        } else if (window->isMessageBox()) {
            error = window;
        } else {
            robot.waitGone(window->hwnd, kWindowTimeout);
        }
    }
    ASSERT_TRUE(error);
    EXPECT_EQ(error->title, productName() + " Error");
    const std::string head =
        "Could not create file '" + installFolder() + "blocked.txt'.\nError: ";
    const std::string tail = "\n\nInstall failed and will exit.";
    EXPECT_EQ(error->message.rfind(head, 0), 0u) << error->message;
    ASSERT_GT(error->message.size(), head.size() + tail.size()) << "no system reason";
    EXPECT_EQ(error->message.substr(error->message.size() - tail.size()), tail);
    answer(*error, kIdOk);
    EXPECT_EQ(exitCodeOf(setup), kSetupCannotCreateFile);

    EXPECT_FALSE(isInstalled("first.txt")) << "the rollback left a file of the run";
    EXPECT_TRUE(fs::is_directory(hostInstallFolder() + "blocked.txt"));
    EXPECT_FALSE(wineSession().registryKeyExists(machineKey()));
}

}  // namespace
}  // namespace e2e
