// A user whose name the code page cannot spell: Wine's prefix of this suite
// is made for "Łukasz" (code page 1252 has no "Ł"), so the profile folder,
// the Desktop, the Programs and the temporary folder all hold a character
// that the 8-bit calls would turn into a best fit ("Lukasz"), a folder that
// does not exist. The programs take each by its short form ("_UKA~INY", as
// Wine forms it): the picture shows, the shortcuts land in the user's real
// folders, and the uninstaller takes everything away again.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "harness/install_log_file.h"
#include "harness/scenario.h"
#include "harness/wine_session.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

const char kExample[] = "setup.exe";
const char kExampleCaption[] = "Example Writer Setup";
const std::string kExampleEntry = kUninstallKeys + "Example Writer";

class ForeignNameScenario : public SetupScenario {
protected:
    void SetUp() override {
        SetupScenario::SetUp();
        deleteKeyAtEnd(kExampleEntry);
        deleteKeyAtEnd("HKLM\\Software\\Example Writer");
        removeAtEnd(desktopLink());
        removeAtEnd(programsFolder());
        removeAtEnd(bestFitProfile());
    }

    // The user's real folders, and the one a best fit of the name gives.
    std::string desktopLink() const { return wineSession().hostUserFolder("Desktop/Example Writer Read Me.lnk"); }
    std::string programsFolder() const {
        return wineSession().hostUserFolder("AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Example Writer");
    }
    std::string bestFitProfile() const { return wineSession().driveC() + "/users/Lukasz"; }

    void buildExample() {
        const std::string toml = exampleToml("writer");
        std::ofstream(hostDir() + "/product.toml") << toml;
        const CommandResult built = buildInstaller(hostDir() + "/product.toml", hostDir() + "/" + kExample);
        ASSERT_EQ(built.exitCode, 0) << built.output;
    }

    // The example's picture in the user's real temporary folder.
    bool pictureInUsersTemp() const {
        const auto size = fs::file_size(std::string(E2E_SOURCE_DIR) + "/examples/writer/pictures/wizard.bmp");
        std::error_code error;
        for (const auto& entry : fs::directory_iterator(wineSession().hostUserFolder("Temp"), error))
            if (entry.is_regular_file(error) && entry.file_size(error) == size) return true;
        return false;
    }

    // The uninstall entry's command with /S, run to its end; its exit code.
    int uninstallSilently() {
        const std::string command = wineSession().readRegistryString(kExampleEntry, "UninstallString").value_or("");
        const std::size_t blank = command.find(' ', installFolder().size());
        if (blank == std::string::npos) {
            ADD_FAILURE() << "no uninstall entry: \"" << command << "\"";
            return -1;
        }
        Process run = robot.runCommandLine(command.substr(0, blank) + " /S" + command.substr(blank), kExitTimeout);
        return exitCodeOf(run);
    }

    // Answers the question, walks the wizard to Finish and answers the
    // completion message; the picture must be in place on the first page.
    void installAttended() {
        Process& setup = start(kExample);
        std::optional<Window> question = waitWindow(kExample, "question");
        ASSERT_TRUE(question);
        answer(*question, kIdYes);
        unsigned long previous = 0;
        for (int page = 0; page < 8; ++page) {
            std::optional<WizardPage> view = waitWizardPage(kExample, "page", previous);
            ASSERT_TRUE(view);
            if (page == 0) {
                EXPECT_TRUE(pictureInUsersTemp()) << "the side picture's file is not in the user's temporary folder";
                screenshotWindow("welcome with its picture", view->sheet);
            }
            if (view->offers(kWizardFinish)) {
                robot.click(view->sheet.hwnd, kWizardFinish);
                break;
            }
            robot.click(view->sheet.hwnd, kWizardNext);
            previous = view->page;
        }
        std::optional<Window> done = waitMessageBox(kExample, kExampleCaption, "completion");
        ASSERT_TRUE(done);
        answer(*done, kIdOk);
        EXPECT_EQ(exitCodeOf(setup), kSetupDone);
    }
};

// Attended and with /S (from the user's Downloads folder, whose name the
// 8-bit calls would give as a best fit too): the shortcuts are in the user's
// own Desktop and Programs folders, nothing in a best-fit profile; the
// uninstaller, run as the entry runs it, removes all of it again.
TEST_F(ForeignNameScenario, ExampleInstallsIntoTheUsersFoldersAndUninstallsCompletely) {
    buildExample();
    const std::string downloaded = wineSession().hostUserFolder("Downloads/") + kExample;
    fs::copy_file(hostDir() + "/" + kExample, downloaded, fs::copy_options::overwrite_existing);
    removeAtEnd(downloaded);
    for (const bool attended : {true, false}) {
        SCOPED_TRACE(attended ? "attended" : "/S");
        if (attended) {
            installAttended();
        } else {
            const std::string program = "C:\\users\\" + wineSession().user() + "\\Downloads\\" + kExample;
            ASSERT_EQ(wineSession().run({program, "/S"}, kExitTimeout).exitCode, kSetupDone);
        }
        EXPECT_TRUE(fs::exists(desktopLink()));
        EXPECT_TRUE(fs::exists(programsFolder() + "/UnInstall Example Writer.lnk"));
        EXPECT_FALSE(fs::exists(bestFitProfile())) << "a best fit of the user's name was made";
        const std::string log = contentOf(hostInstallFolder() + "InstallLog");
        EXPECT_NE(log.find("C:\\users\\_UKA~INY\\Desktop\\Example Writer Read Me.lnk"), std::string::npos)
            << "the log names the shortcut by the Desktop's short form";

        EXPECT_EQ(uninstallSilently(), kUninstallRemoved);
        EXPECT_FALSE(fs::exists(desktopLink()));
        EXPECT_FALSE(fs::exists(programsFolder()));
        EXPECT_TRUE(waitUntil([&] { return !fs::exists(hostInstallFolder()); }, kExitTimeout))
            << "the install folder stays";
        EXPECT_FALSE(wineSession().registryKeyExists(machineKey()));
    }
}

// An installation made before, whose log names the best fit of the user's
// folders and, as such logs do, has no digest: still refused, for those
// folders are nobody's; nothing is removed. The same log with the short
// forms removes everything.
TEST_F(ForeignNameScenario, LogThatNamesBestFitFoldersIsRefused) {
    buildExample();
    ASSERT_EQ(runSilently(kExample, {"/S"}), kSetupDone);
    Bytes bytes;
    ASSERT_TRUE(readFile(hostInstallFolder() + "InstallLog", bytes));
    std::string problem;
    std::optional<InstallLogFile> log = parseInstallLog(bytes, problem);
    ASSERT_TRUE(log) << problem;
    const std::string shortProfile = "\\_UKA~INY\\";
    int bestFits = 0;
    for (LogRecord& entry : log->entries) {
        if (const std::size_t at = entry.text.find(shortProfile); at != std::string::npos) {
            entry.text.replace(at, shortProfile.size(), "\\Lukasz\\");
            ++bestFits;
        }
    }
    ASSERT_GT(bestFits, 0) << "the log names no folder of the profile by its short form";
    const std::vector<LogRecord> spelt = parseInstallLog(bytes, problem)->entries;
    wineSession().deleteRegistryValue(machineKey(), "UnInstallLogSHA256");

    ASSERT_TRUE(writeFile(hostInstallFolder() + "InstallLog", makeInstallLog(log->entries)));
    EXPECT_EQ(uninstallSilently(), kUninstallLogRefused);
    EXPECT_TRUE(fs::exists(desktopLink()));
    EXPECT_TRUE(fs::exists(hostInstallFolder() + "UnInst.exe"));

    // Everything goes but the key the example's action fills: without a
    // digest no key but the product's own is believed.
    ASSERT_TRUE(writeFile(hostInstallFolder() + "InstallLog", makeInstallLog(spelt)));
    EXPECT_EQ(uninstallSilently(), kUninstallLeftOver);
    EXPECT_FALSE(fs::exists(desktopLink()));
    EXPECT_FALSE(fs::exists(programsFolder()));
}

// A destination the code page cannot spell and that does not exist has no
// short name: a bad option, and nothing is made, neither it nor a best fit.
TEST_F(ForeignNameScenario, DestinationTheCodePageCannotSpellIsABadOption) {
    buildExample();
    EXPECT_EQ(runSilently(kExample, {"/S", "/D=C:\\Łódź\\App"}), kSetupBadOption);
    EXPECT_FALSE(fs::exists(wineSession().driveC() + "/Łódź"));
    EXPECT_FALSE(fs::exists(wineSession().driveC() + "/Lodz"));
    EXPECT_FALSE(fs::exists(hostInstallFolder()));
    EXPECT_FALSE(wineSession().registryKeyExists(machineKey()));
    EXPECT_FALSE(fs::exists(desktopLink()));
}

// A Desktop whose name the code page cannot spell and that has no short
// name (here: it does not exist, as on a volume without short names) stops
// the run before it changes anything, attended with a message, and with /S.
TEST_F(ForeignNameScenario, SystemFolderWithoutASpellingStopsTheRunBeforeAnything) {
    buildExample();
    // The user's own Desktop comes back however the scenario ends.
    struct PutBack {
        ~PutBack() {
            wineSession().setRegistryString(kShellFoldersKey, "Desktop",
                                            "C:\\users\\" + wineSession().user() + "\\Desktop");
        }
    } putBack;
    ASSERT_TRUE(wineSession().setRegistryString(kShellFoldersKey, "Desktop", "C:\\Łódź-nowhere\\Desktop"));
    for (const bool attended : {true, false}) {
        SCOPED_TRACE(attended ? "attended" : "/S");
        if (attended) {
            Process& setup = start(kExample);
            std::optional<Window> box = waitMessageBox(kExample, "Example Writer Setup Error", "refusal");
            ASSERT_TRUE(box);
            EXPECT_NE(box->message.find("-nowhere\\Desktop has a name that this system's code page cannot spell"),
                      std::string::npos)
                << box->message;
            answer(*box, kIdOk);
            EXPECT_EQ(exitCodeOf(setup), kSetupFolderNameUnusable);
        } else {
            EXPECT_EQ(runSilently(kExample, {"/S"}), kSetupFolderNameUnusable);
        }
        EXPECT_FALSE(fs::exists(hostInstallFolder()));
        EXPECT_FALSE(wineSession().registryKeyExists(machineKey()));
    }
    // The uninstaller, before it reads any log.
    EXPECT_EQ(wineSession().run({E2E_UNINSTALLER, "/S", windowsDir() + "InstallLog"}, kExitTimeout).exitCode,
              kUninstallFolderNameUnusable);
}

// The chooser lists a sub-folder whose name the code page cannot spell by
// its short name, and that row leads into it.
TEST_F(ForeignNameScenario, ChooserRowOfAFolderTheCodePageCannotSpellLeadsIntoIt) {
    fs::create_directories(hostDir() + "/pick/Zażółć/inner");
    ProductDescription product = description();
    std::ofstream(hostDir() + "/core.txt") << "core";
    product.components = {{"Core", {"core.txt"}}};
    product.defaultSelection = {"Core"};
    product.pages = {{"{ destination-group = true }"}};
    ASSERT_TRUE(buildAs(product, "chooser.exe"));
    Process& setup = startWith("chooser.exe", {"/D=" + windowsDir() + "pick"});
    std::optional<WizardPage> page = acceptToWizard("chooser.exe", "destination");
    ASSERT_TRUE(page);
    ASSERT_TRUE(robot.click(page->sheet.hwnd, kBrowse));
    std::optional<Window> chooser = waitWindow(WindowQuery::titled("chooser.exe", "Choose Directory"), "chooser");
    ASSERT_TRUE(chooser && chooser->child(kFolderList));
    const std::vector<std::string>& rows = chooser->child(kFolderList)->items;
    const auto row = std::find(rows.begin(), rows.end(), "00000004 ZA__~3BM");
    ASSERT_NE(row, rows.end()) << "no row shows the short name; rows: " << ::testing::PrintToString(rows);
    ASSERT_TRUE(robot.select(chooser->hwnd, kFolderList, static_cast<int>(row - rows.begin()), true));
    const std::string inside = windowsDir() + "pick\\ZA__~3BM\\";
    chooser = waitForState(chooser->hwnd, [&](const Window& w) {
        const Control* list = w.child(kFolderList);
        return w.child(kChooserEdit)->text == inside && list != nullptr &&
               std::find(list->items.begin(), list->items.end(), "00000005 inner") != list->items.end();
    });
    ASSERT_TRUE(chooser);
    EXPECT_EQ(chooser->child(kChooserEdit)->text, inside);
    screenshotWindow("inside the folder", *chooser);
    setup.kill();
}

}  // namespace
}  // namespace e2e
