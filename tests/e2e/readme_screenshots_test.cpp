// A complete installation of the example product and its removal, and the
// example game's DirectX questions, kept as the README's pictures: every
// wizard page, the directory chooser, the replace question (a settings file
// is there from before), the progress window and the completion message of
// the setup program, the question, progress window, errors window, details
// and done message of the uninstaller, and the game's DirectX page and
// DirectX failure question, each cut out of the screen, in
// build/native/e2e-shots/readme/. The example with German texts, run in a
// German locale, walks the same windows and a few more (the cancel question,
// a refused folder) into readme/de/.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>

#include "harness/scenario.h"
#include "harness/wine_session.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

const std::string kWriterEntry = kUninstallKeys + "Example Writer";
// Pages added to the example's documentation: enough that its progress
// windows stay up for a second or two.
constexpr int kExtraPages = 400;

class ReadmeScreenshots : public SetupScenario {
protected:
    // The example product with a few hundred pages more in the
    // documentation, so that the progress windows stay long enough to be
    // seen.
    std::string exampleDescription() {
        std::string toml = exampleToml("writer");
        for (int i = 0; i < kExtraPages; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "pages/page-%03d.txt", i);
            source(name, "Page " + std::to_string(i) + " of the guide.\r\n");
        }
        return std::regex_replace(
            toml, std::regex("\\{ folder = \"files/docs\", to = \"Docs\" \\}"),
            "{ folder = \"files/docs\", to = \"Docs\" }, { folder = \"pages\", to = \"Docs\\\\Pages\" }");
    }

    // The German example, with the same extra pages.
    std::string germanDescription() {
        exampleDescription();
        return std::regex_replace(
            exampleToml("writer", "product-de.toml"), std::regex("\\{ folder = \"files/docs\", to = \"Docs\" \\}"),
            "{ folder = \"files/docs\", to = \"Docs\" }, { folder = \"pages\", to = \"Docs\\\\Pages\" }");
    }

    // The example game with the stand-in DirectX setup library of this build.
    std::string gameDescription() {
        return std::regex_replace(
            exampleToml("game"), std::regex("source = \"[^\"]*dsetup_stand_in\\.dll\""),
            "source = " + tomlString(std::string(E2E_DDRAW_DIR) + "/dsetup_stand_in.dll"));
    }

    // The Browse button's chooser, kept and closed again with Cancel.
    void keepChooser(const WizardPage& page) {
        robot.click(page.sheet.hwnd, kBrowse);
        std::optional<Window> chooser = waitWindow(WindowQuery::titled("setup.exe", "Choose Directory"), "chooser");
        ASSERT_TRUE(chooser);
        keep(*chooser, "chooser.png");
        answer(*chooser, kIdCancel);
    }

    void keep(const Window& window, const std::string& fileName) {
        pictureOf(window, std::string(E2E_SHOTS_DIR) + "/readme/" + fileName);
    }

    // An uninstaller window with this title, painted, kept under fileName.
    std::optional<Window> keepUninstallerWindow(const std::string& title, const std::string& fileName) {
        std::optional<Window> window = waitWindow(WindowQuery::titled("UnInst.exe", title), fileName);
        if (window) keep(*window, fileName);
        return window;
    }

    // Runs the uninstall entry as the system's list of programs does and
    // answers its question.
    Process runUninstallEntry(const std::string& entry = kWriterEntry, const std::string& title = "UnInstall Example Writer",
                              const std::string& picture = "uninstall-question.png",
                              const std::vector<std::string>& environment = {}) {
        const std::string command = wineSession().readRegistryString(entry, "UninstallString").value_or("");
        Process run = robot.runCommandLine(command, kExitTimeout, environment);
        std::optional<Window> question = keepUninstallerWindow(title, picture);
        if (question) answer(*question, kIdYes);
        return run;
    }
};

TEST_F(ReadmeScreenshots, ExampleProductInstallsAndUninstalls) {
    const std::string toml = exampleDescription();
    ASSERT_NE(toml.find("Docs\\\\Pages"), std::string::npos) << "the example's layout changed";
    std::ofstream(hostDir() + "/product.toml") << toml;
    CommandResult built = buildInstaller(hostDir() + "/product.toml", hostDir() + "/setup.exe");
    ASSERT_EQ(built.exitCode, 0) << built.output;

    deleteKeyAtEnd("HKLM\\Software\\Example Writer");
    wineSession().deleteRegistryKey("HKLM\\Software\\Example Writer");
    deleteKeyAtEnd(kWriterEntry);
    const std::string desktopLink = hostPathOf(shellFolder("Desktop") + "\\Example Writer Read Me.lnk");
    const std::string programsDir = hostPathOf(shellFolder("Programs") + "\\Example Writer");
    removeAtEnd(desktopLink);
    removeAtEnd(programsDir);

    // A settings file from before, for the replace question.
    writeFileAt(hostInstallFolder() + "Config/settings.ini", std::string(5000, ';') + "\r\n",
                1741947630);  // 2025-03-14 10:20:30 UTC

    Process& setup = start("setup.exe");
    ASSERT_TRUE(acceptQuestion("setup.exe"));
    const char* const pages[] = {"Welcome", "Before You Install", "Destination Folder", "Shortcuts",
                                 "Setup Type"};
    unsigned long previous = 0;
    for (int i = 0; i < 5; ++i) {
        std::optional<WizardPage> page = waitWizardPage("setup.exe", "wizard", previous);
        ASSERT_TRUE(page);
        EXPECT_TRUE(page->withText(pages[i])) << "page " << i;
        keep(page->sheet, "wizard-" + std::to_string(i + 1) + ".png");
        if (i == 2) keepChooser(*page);
        robot.click(page->sheet.hwnd, i < 4 ? kWizardNext : kWizardFinish);
        previous = page->page;
    }

    std::optional<Window> replace = waitWindow(WindowQuery::titled("setup.exe", "Confirm File Replace"), "replace");
    ASSERT_TRUE(replace);
    keep(*replace, "replace.png");
    answer(*replace, kIdYes);

    // The progress windows are kept the moment they are seen: they go when
    // their work is done.
    std::optional<Window> progress =
        robot.waitFor(WindowQuery::titled("setup.exe", "Installing Example Writer"), kWindowTimeout);
    ASSERT_TRUE(progress) << "no progress window";
    keep(*progress, "progress-window.png");

    const WindowQuery doneQuery = WindowQuery::titled("setup.exe", "Example Writer Setup");
    std::optional<Window> done = waitWindow(doneQuery, "completion");
    expectBox(done, "Example Writer Setup",
              "Example Writer has been installed.\n\nYou will find it in the Start menu.", {kIdOk});
    ASSERT_TRUE(done);
    keep(*done, "completion.png");
    answer(*done, kIdOk);
    EXPECT_EQ(exitCodeOf(setup), kSetupDone);
    EXPECT_TRUE(fs::exists(hostInstallFolder() + "Docs/Pages/page-" + std::to_string(kExtraPages - 1) + ".txt"));
    EXPECT_TRUE(fs::exists(desktopLink));

    // Removed from the uninstall list, with a file of the user's own in a
    // folder the installation made: the errors window and its details. (The
    // install folder itself was there before, for the replace question: it
    // stays, as every folder the run did not make.)
    std::ofstream(hostInstallFolder() + "Docs/My notes.txt") << "the user's own";
    Process uninstall = runUninstallEntry();
    std::optional<Window> removal = robot.waitFor(WindowQuery::titled("UnInst.exe", "UnInstalling"), kWindowTimeout);
    ASSERT_TRUE(removal) << "no progress window";
    keep(*removal, "uninstall-progress.png");
    std::optional<Window> errors = keepUninstallerWindow("UnInstall Example Writer", "uninstall-errors.png");
    ASSERT_TRUE(errors);
    EXPECT_TRUE(robot.click(errors->hwnd, kUninstallDetailsButton));
    std::optional<Window> details =
        keepUninstallerWindow("Errors occurred during UnInstallation", "uninstall-details.png");
    ASSERT_TRUE(details);
    answer(*details, kIdOk);
    answer(*errors, kIdOk);
    EXPECT_EQ(exitCodeOf(uninstall), kUninstallLeftOver);

    // Tidied up by hand and installed again, it goes without a trace.
    EXPECT_TRUE(waitUntil([&] { return !fs::exists(hostInstallFolder() + "UnInst.exe"); }, kExitTimeout));
    EXPECT_TRUE(fs::exists(hostInstallFolder() + "Docs/My notes.txt"));
    EXPECT_FALSE(fs::exists(hostInstallFolder() + "Config/settings.ini"));
    fs::remove_all(hostInstallFolder());
    Process& again = start("setup.exe");
    std::optional<Window> question = waitWindow("setup.exe", "install-question-again");
    ASSERT_TRUE(question);
    acceptAndPassWizard(*question, "setup.exe");
    done = waitWindow(doneQuery, "completion-again");
    ASSERT_TRUE(done);
    answer(*done, kIdOk);
    EXPECT_EQ(exitCodeOf(again), kSetupDone);
    Process second = runUninstallEntry();
    std::optional<Window> removed = keepUninstallerWindow("UnInstall Example Writer", "uninstall-done.png");
    ASSERT_TRUE(removed);
    EXPECT_EQ(removed->message, "Example Writer has been removed from your computer.");
    answer(*removed, kIdOk);
    EXPECT_EQ(exitCodeOf(second), kUninstallRemoved);
    EXPECT_TRUE(waitUntil([&] { return !fs::exists(hostInstallFolder()); }, kExitTimeout))
        << "the install folder stays";
    EXPECT_FALSE(fs::exists(desktopLink));
    EXPECT_FALSE(fs::exists(programsDir));
}

// The German example in a German locale: every window of an installation
// and of a removal shows the German texts, kept in readme/de/ for a look at
// the layout (German texts run a third longer than English ones). Texts are
// compared as the programs hold them, in code page 1252.
TEST_F(ReadmeScreenshots, GermanProductShowsItsWindowsInGerman) {
    const std::vector<std::string> german = localeEnvironment("de_DE");
    ASSERT_FALSE(german.empty());
    const std::string toml = germanDescription();
    ASSERT_NE(toml.find("Docs\\\\Pages"), std::string::npos) << "the example's layout changed";
    std::ofstream(hostDir() + "/product-de.toml") << toml;
    CommandResult built = buildInstaller(hostDir() + "/product-de.toml", hostDir() + "/setup.exe");
    ASSERT_EQ(built.exitCode, 0) << built.output;

    const std::string entry = kUninstallKeys + "Beispiel-Writer";
    deleteKeyAtEnd("HKLM\\Software\\Beispiel-Writer");
    deleteKeyAtEnd(entry);
    removeAtEnd(hostPathOf(shellFolder("Desktop") + "\\Beispiel-Writer Liesmich.lnk"));
    removeAtEnd(hostPathOf(shellFolder("Programs") + "\\Beispiel-Writer"));
    removeAtEnd(hostInstallFolder());
    writeFileAt(hostInstallFolder() + "Config/settings.ini", std::string(5000, ';') + "\r\n", 1741947630);

    const std::string title = "Beispiel-Writer Setup";
    Process& setup = start("setup.exe", german);
    std::optional<Window> question = waitMessageBox("setup.exe", title, "de-question");
    expectBox(question, title,
              "Beispiel-Writer wird jetzt auf Ihrem Computer installiert.\n\nM\xF6" "chten Sie fortfahren?",
              {kIdYes, kIdNo});
    ASSERT_TRUE(question);
    keep(*question, "de/question.png");
    answer(*question, kIdYes);

    const char* const pages[] = {"Willkommen", "Vor der Installation", "Zielordner", "Verkn\xFCpfungen", "Setupart"};
    unsigned long previous = 0;
    for (int i = 0; i < 5; ++i) {
        std::optional<WizardPage> page = waitWizardPage("setup.exe", "de-wizard", previous);
        ASSERT_TRUE(page);
        EXPECT_TRUE(page->withText(pages[i])) << "page " << i;
        keep(page->sheet, "de/wizard-" + std::to_string(i + 1) + ".png");
        if (i == 0) {
            // Esc asks first; No stays on the page.
            EXPECT_TRUE(robot.pressEscape(page->sheet.hwnd));
            std::optional<Window> quit = waitMessageBox("setup.exe", title, "de-cancel");
            expectBox(quit, title, "Setup ist noch nicht abgeschlossen. M\xF6" "chten Sie Setup wirklich beenden?",
                      {kIdYes, kIdNo});
            ASSERT_TRUE(quit);
            keep(*quit, "de/cancel-question.png");
            answer(*quit, kIdNo);
        }
        if (i == 2) {
            robot.click(page->sheet.hwnd, kBrowse);
            std::optional<Window> chooser =
                waitWindow(WindowQuery::titled("setup.exe", "Verzeichnis w\xE4hlen"), "de-chooser");
            ASSERT_TRUE(chooser);
            EXPECT_EQ(chooser->child(kNameLabel)->text, "Verzeichnis&name:");
            keep(*chooser, "de/chooser.png");
            // A drive's root is refused with the German message.
            ASSERT_TRUE(robot.setText(chooser->hwnd, kChooserEdit, "C:\\"));
            robot.click(chooser->hwnd, kIdOk);
            std::optional<Window> refused = waitMessageBox("setup.exe", "Ung\xFCltiger Pfad", "de-refused");
            ASSERT_TRUE(refused);
            EXPECT_NE(refused->message.find("kann nicht der Zielordner sein"), std::string::npos) << refused->message;
            keep(*refused, "de/folder-refused.png");
            answer(*refused, kIdOk);
            answer(*chooser, kIdCancel);
        }
        robot.click(page->sheet.hwnd, i < 4 ? kWizardNext : kWizardFinish);
        previous = page->page;
    }

    std::optional<Window> replace =
        waitWindow(WindowQuery::titled("setup.exe", "Ersetzen der Datei best\xE4tigen"), "de-replace");
    ASSERT_TRUE(replace);
    EXPECT_EQ(replace->child(kReplaceQuestionLine)->text, "M\xF6" "chten Sie die vorhandene Datei");
    keep(*replace, "de/replace.png");
    answer(*replace, kIdYes);
    std::optional<Window> progress =
        robot.waitFor(WindowQuery::titled("setup.exe", "Beispiel-Writer wird installiert"), kWindowTimeout);
    ASSERT_TRUE(progress) << "no progress window";
    keep(*progress, "de/progress-window.png");
    std::optional<Window> done = waitMessageBox("setup.exe", title, "de-completion");
    expectBox(done, title, "Beispiel-Writer wurde installiert.\n\nSie finden es im Startmen\xFC.", {kIdOk});
    ASSERT_TRUE(done);
    keep(*done, "de/completion.png");
    answer(*done, kIdOk);
    EXPECT_EQ(exitCodeOf(setup), kSetupDone);

    // The removal, with a file of the user's own left in a folder it made.
    std::ofstream(hostInstallFolder() + "Docs/Meine Notizen.txt") << "the user's own";
    Process uninstall =
        runUninstallEntry(entry, "Beispiel-Writer deinstallieren", "de/uninstall-question.png", german);
    std::optional<Window> removal = robot.waitFor(WindowQuery::titled("UnInst.exe", "Deinstallation"), kWindowTimeout);
    ASSERT_TRUE(removal) << "no progress window";
    keep(*removal, "de/uninstall-progress.png");
    std::optional<Window> errors = keepUninstallerWindow("Beispiel-Writer deinstallieren", "de/uninstall-errors.png");
    ASSERT_TRUE(errors);
    EXPECT_TRUE(robot.click(errors->hwnd, kUninstallDetailsButton));
    std::optional<Window> details =
        keepUninstallerWindow("Bei der Deinstallation sind Fehler aufgetreten", "de/uninstall-details.png");
    ASSERT_TRUE(details);
    answer(*details, kIdOk);
    answer(*errors, kIdOk);
    EXPECT_EQ(exitCodeOf(uninstall), kUninstallLeftOver);
}

// The example game on a Windows 9x platform without DirectDraw: its DirectX
// page, and the question after a failed DirectX setup (the stand-in library
// answers "an internal error"), kept as directx-page.png and
// directx-failed.png; Yes installs the game.
TEST_F(ReadmeScreenshots, ExampleGameAsksAfterAFailedDirectXSetup) {
    const std::string toml = gameDescription();
    ASSERT_NE(toml.find(E2E_DDRAW_DIR), std::string::npos) << "the example's layout changed";
    std::ofstream(hostDir() + "/product.toml") << toml;
    CommandResult built = buildInstaller(hostDir() + "/product.toml", hostDir() + "/game.exe");
    ASSERT_EQ(built.exitCode, 0) << built.output;
    removeAtEnd(hostPathOf(shellFolder("Programs") + "\\Example Game"));
    deleteKeyAtEnd(kUninstallKeys + "Example Game");
    std::vector<std::string> environment = asWindows9x("game.exe", kNoDirectDraw);
    environment.push_back("DSETUP_STAND_IN_RESULT=-9");

    Process& setup = start("game.exe", environment);
    ASSERT_TRUE(acceptQuestion("game.exe"));
    unsigned long previous = 0;
    for (int i = 0; i < 4; ++i) {
        std::optional<WizardPage> page = waitWizardPage("game.exe", "wizard", previous);
        ASSERT_TRUE(page);
        if (i == 1) {
            ASSERT_TRUE(page->control(kInstallDirectX)) << "no DirectX page";
            EXPECT_EQ(page->control(kInstallDirectX)->check, 1);
            EXPECT_TRUE(page->withText(
                "\nInstalled DirectX version: (not found)\nRequired DirectX version: DirectX 5"));
            keep(page->sheet, "directx-page.png");
        }
        robot.click(page->sheet.hwnd, i < 3 ? kWizardNext : kWizardFinish);
        previous = page->page;
    }

    std::optional<Window> failed = waitMessageBox("game.exe", "Example Game Setup Error", "directx-failed");
    expectBox(failed, "Example Game Setup Error",
              "DirectX could not be installed:\nAn internal error occurred.\n\nExample Game may not "
              "run without it; it is best to quit now.\n\nDo you want to continue installing "
              "Example Game anyway?",
              {kIdYes, kIdNo});
    ASSERT_TRUE(failed);
    keep(*failed, "directx-failed.png");
    answer(*failed, kIdYes);
    std::optional<Window> done = waitMessageBox("game.exe", "Example Game Setup", "completion");
    expectBox(done, "Example Game Setup",
              "Example Game has been installed.\n\nYou will find it in the Start menu.", {kIdOk});
    if (done) answer(*done, kIdOk);
    EXPECT_EQ(exitCodeOf(setup), kSetupDone);
    EXPECT_TRUE(fs::exists(hostInstallFolder() + "Levels/level3.txt"));
}

}  // namespace
}  // namespace e2e
