// The directory chooser behind the destination page's Browse button, in one
// run of an installer: the lists of folders and drives, every check of a
// typed folder, Cancel, the folder remembered per drive, a drive that cannot
// be read, and a new folder four levels deep that the installation then
// lands in.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "harness/scenario.h"
#include "harness/wine_session.h"
#include "ui/text/message_wrap.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

const char kChooserTitle[] = "Choose Directory";
const char kInvalidPath[] = "Invalid Path";

// The rows of a folder list as "<depth> <name>" ("3 tree"), from their keys
// ("00000003 tree").
std::vector<std::string> folderRows(const Control& list) {
    std::vector<std::string> rows;
    for (const std::string& key : list.items)
        rows.push_back(std::to_string(std::stoul(key.substr(0, 8), nullptr, 16)) + " " + key.substr(9));
    return rows;
}

class ChooserScenario : public SetupScenario {
protected:
    const std::string exe = "chooser.exe";

    ProductDescription product() {
        ProductDescription product = description();
        std::ofstream(hostDir() + "/core.txt") << "core";
        product.components = {{"Core", {"core.txt"}}};
        product.defaultSelection = {"Core"};
        product.setText("msgFolderNotAllowed", "Not there: %s");
        product.pages = {{"{ text = \"Destination\" }", "{ destination-group = true }"},
                         {"{ text = \"Ready\" }"}};
        return product;
    }

    std::optional<Window> openChooser(const WizardPage& page, const std::string& label) {
        EXPECT_TRUE(robot.click(page.sheet.hwnd, kBrowse));
        return waitWindow(WindowQuery::titled(exe, kChooserTitle), label);
    }

    // Types `text` into the folder field and presses OK; the box that comes.
    std::optional<Window> typeAndAccept(const Window& chooser, const std::string& text,
                                        const std::string& caption) {
        EXPECT_TRUE(robot.setText(chooser.hwnd, kChooserEdit, text)) << robot.lastOutput();
        EXPECT_TRUE(robot.click(chooser.hwnd, kIdOk));
        return waitWindow(WindowQuery::titled(exe, caption), "box");
    }

    // The row of the drive list for the letter, or -1.
    static int driveRow(const Window& chooser, char letter) {
        const std::vector<std::string>& rows = chooser.child(kDriveList)->items;
        for (std::size_t i = 0; i < rows.size(); ++i)
            if (rows[i][0] == letter) return static_cast<int>(i);
        return -1;
    }
};

TEST_F(ChooserScenario, BrowseChecksTypedFoldersAndInstallsWhereChosen) {
    for (const char* folder : {"tree/Beta", "tree/alpha", "tree/Gamma/inner"})
        fs::create_directories(hostDir() + "/" + folder);
    std::ofstream(hostDir() + "/tree/file.txt") << "a file";
    // The spare drive holds one folder while the scenario runs; the other
    // drive's folder does not exist.
    const char spare = WineSession::kSpareDrive, unreadable = WineSession::kUnreadableDrive;
    const std::string spareSub = wineSession().spareDriveFolder() + "/Sub";
    fs::create_directories(spareSub);
    removeAtEnd(spareSub);

    ASSERT_TRUE(buildAs(product(), exe));
    Process& setup = start(exe);
    std::optional<WizardPage> page = acceptToWizard(exe, "destination");
    ASSERT_TRUE(page && page->control(kFolder));
    EXPECT_EQ(page->control(kFolder)->text, installFolder());

    // ---- opening: texts, drives, the folders of the typed path ----------
    std::optional<Window> chooser = openChooser(*page, "chooser");
    ASSERT_TRUE(chooser);
    struct Text { int id; const char* text; };
    for (const Text& t : {Text{kIdOk, "OK"}, Text{kIdCancel, "Cancel"}, Text{kNetwork, "&Network..."},
                          Text{kNameLabel, "Directory &name:"}, Text{kDrivesLabel, "Dri&ves:"}}) {
        ASSERT_TRUE(chooser->child(t.id)) << t.id;
        EXPECT_EQ(chooser->child(t.id)->text, t.text);
    }
    EXPECT_EQ(chooser->child(kChooserEdit)->text, installFolder());
    EXPECT_FALSE(chooser->child(kNotReady)->visible);
    ASSERT_TRUE(chooser->child(kDriveList));
    EXPECT_EQ(chooser->child(kDriveList)->selected, driveRow(*chooser, 'C'));
    EXPECT_GE(driveRow(*chooser, spare), 0);
    EXPECT_GE(driveRow(*chooser, unreadable), 0);
    // "installed" does not exist yet: no row of its own.
    std::vector<std::string> rows = folderRows(*chooser->child(kFolderList));
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0], "0  (C:)") << "Wine names drive C \" (C:)\"";
    EXPECT_EQ(std::vector<std::string>(rows.begin() + 1, rows.end()),
              (std::vector<std::string>{"1 e2e", "2 " + name(), "3 tree"}));

    // A double click moves down: the sub-folders, sorted by name.
    ASSERT_TRUE(robot.select(chooser->hwnd, kFolderList, 3, true));
    const std::string tree = windowsDir() + "tree\\";
    chooser = waitForState(chooser->hwnd, [&](const Window& w) { return w.child(kChooserEdit)->text == tree; });
    ASSERT_TRUE(chooser);
    rows = folderRows(*chooser->child(kFolderList));
    EXPECT_EQ(std::vector<std::string>(rows.begin() + 1, rows.end()),
              (std::vector<std::string>{"1 e2e", "2 " + name(), "3 tree", "4 alpha", "4 Beta", "4 Gamma"}));
    screenshotWindow("folders", *chooser);

    // ---- every check of a typed folder, in the order of the checks -------
    const std::string longest = windowsDir() + "tree\\Beta\\one\\two\\three\\";
    const std::string folder150 = longest + std::string(150 - longest.size(), 'f');
    struct Refusal {
        std::string typed, caption, text;
        int button;  // the answer
    };
    const std::string p = productName();
    const Refusal refusals[] = {
        {"", kInvalidPath, "You must enter a valid path to install to", kIdOk},
        {folder150 + "g", kInvalidPath,
         "The path you specified is longer than 150 characters. You must enter a shorter path name.", kIdOk},
        {"C:\\a*b\\c:", kInvalidPath,
         "A path cannot contain any of the following characters:\n\t\t* ? \" < > |", kIdOk},
        {"C:\\a:b\\c*", kInvalidPath,
         "The drive letter you specified is invalid, please enter a valid path.", kIdOk},
        {"Games\\Demo", kInvalidPath,
         "The drive letter you specified is invalid, please enter a valid path.", kIdOk},
        // A whole drive, any drive, or the system's own files: the package's text.
        {"C:\\", kInvalidPath, "Not there: C:\\", kIdOk},
        {std::string(1, spare) + ":", kInvalidPath, std::string("Not there: ") + spare + ":\\", kIdOk},
        {"c:/windows", kInvalidPath, "Not there: c:\\windows\\", kIdOk},
        {"C:/e2e/" + name() + "/new", p,
         "The directory:\n\n'" + windowsDir() + "new\\'\n\ndoes not exist. Do you want the directory to be created?",
         kIdNo},
        // Passes the checks and is copied before its existence is looked at.
        {tree + "file.txt", p + " Error",
         "The path you specified:\n\n'" + tree + "file.txt\\'\n\nis a file, not a directory. You cannot install to this path.",
         kIdOk},
    };
    for (const Refusal& r : refusals) {
        SCOPED_TRACE(r.typed);
        std::optional<Window> box = typeAndAccept(*chooser, r.typed, r.caption);
        ASSERT_TRUE(box);
        EXPECT_TRUE(box->isMessageBox());
        EXPECT_EQ(box->message, r.text);
        answer(*box, r.button);
        std::optional<Window> still = robot.describe(chooser->hwnd);
        ASSERT_TRUE(still && still->visible) << "the chooser closed";
    }

    // Cancel puts back the folder the chooser opened with.
    answer(*chooser, kIdCancel);
    page = currentWizardPage();
    ASSERT_TRUE(page);
    EXPECT_EQ(page->control(kFolder)->text, installFolder());

    // ---- drives: the folder typed for each, a drive that cannot be read ---
    chooser = openChooser(*page, "chooser-again");
    ASSERT_TRUE(chooser);
    ASSERT_TRUE(robot.setText(chooser->hwnd, kChooserEdit, tree + "Beta"));
    struct DriveStep {
        char letter;
        std::string folder;   // in the edit field; empty and disabled when not ready
        std::string lastRow;  // of the folder list; empty: hidden, "Device Not Ready" shown
    };
    const DriveStep steps[] = {{spare, std::string(1, spare) + ":\\", "1 Sub"},
                               {'C', tree + "Beta", "4 Beta"},
                               {unreadable, "", ""},
                               {'C', tree + "Beta", "4 Beta"}};
    for (const DriveStep& step : steps) {
        SCOPED_TRACE(step.letter);
        const bool ready = !step.lastRow.empty();
        ASSERT_TRUE(robot.select(chooser->hwnd, kDriveList, driveRow(*chooser, step.letter)));
        chooser = waitForState(chooser->hwnd, [&](const Window& w) {
            return w.child(kChooserEdit)->text == step.folder && w.child(kNotReady)->visible != ready;
        });
        ASSERT_TRUE(chooser);
        screenshotWindow(std::string("drive-") + step.letter, *chooser);
        EXPECT_EQ(chooser->child(kChooserEdit)->text, step.folder);
        EXPECT_EQ(chooser->child(kChooserEdit)->enabled, ready);
        EXPECT_EQ(chooser->child(kFolderList)->visible, ready);
        EXPECT_EQ(chooser->child(kNotReady)->visible, !ready);
        if (ready) {
            EXPECT_EQ(folderRows(*chooser->child(kFolderList)).back(), step.lastRow);
            continue;
        }
        EXPECT_EQ(chooser->child(kNotReady)->text, "\n\n\n\n\nDevice Not Ready");
        std::optional<Window> empty = typeAndAccept(*chooser, "", kInvalidPath);
        ASSERT_TRUE(empty);
        EXPECT_EQ(empty->message, "You must enter a valid path to install to");
        answer(*empty, kIdOk);
    }

    // The network dialog, whatever it does here, leaves the lists filled.
    ASSERT_TRUE(robot.click(chooser->hwnd, kNetwork));
    chooser = waitForState(chooser->hwnd, [](const Window& w) { return w.enabled; });
    ASSERT_TRUE(chooser);
    EXPECT_FALSE(chooser->child(kDriveList)->items.empty());

    // ---- a new folder four levels deep, 150 characters, created -----------
    std::optional<Window> create = typeAndAccept(*chooser, folder150, p);
    ASSERT_TRUE(create);
    // The box breaks the long path onto lines, as every message box does.
    char shown[1024];
    setup::wrapLongRuns(("The directory:\n\n'" + folder150 +
                         "\\'\n\ndoes not exist. Do you want the directory to be created?").c_str(),
                        shown, sizeof shown);
    EXPECT_EQ(create->message, shown);
    answer(*create, kIdYes);
    EXPECT_TRUE(robot.waitGone(chooser->hwnd, kWindowTimeout));
    page = currentWizardPage();
    ASSERT_TRUE(page);
    EXPECT_EQ(page->control(kFolder)->text, folder150 + "\\");
    const std::regex figure("[0-9][0-9,]*\\.[0-9]+ (bytes|KB|MB|GB|TB)");
    EXPECT_TRUE(std::regex_match(page->control(kFree)->text, figure)) << page->control(kFree)->text;
    EXPECT_TRUE(std::regex_match(page->control(kRequired)->text, figure));
    screenshot("chosen");

    ASSERT_TRUE(robot.click(page->sheet.hwnd, kWizardNext));
    std::optional<WizardPage> ready = waitWizardPage(exe, "ready", page->page);
    ASSERT_TRUE(ready);
    ASSERT_TRUE(robot.click(ready->sheet.hwnd, kWizardFinish));
    EXPECT_FALSE(finishAtCompletion(exe, setup).empty());
    EXPECT_TRUE(fs::exists(hostPathOf(folder150 + "\\core.txt")));
    EXPECT_FALSE(fs::exists(hostInstallFolder()));
}

}  // namespace
}  // namespace e2e
