// A complete installation of the example product and its removal, and the
// example game's DirectX questions, kept as the README's pictures: every
// wizard page, the directory chooser, the replace question (a settings file
// is there from before), the progress window and the completion message of
// the setup program, the question, progress window, errors window, details
// and done message of the uninstaller, and the game's DirectX page and
// DirectX failure question, each cut out of the screen, in
// build/native/e2e-shots/readme/.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "harness/scenario.h"
#include "harness/wine_session.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

const char kShellFolders[] =
    "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kUninstallEntry[] =
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Example Writer";

class ReadmeScreenshots : public SetupScenario {
protected:
    // The example's description with this scenario's registry key and
    // install folder, and a few hundred pages more in the documentation so
    // that the progress window stays long enough to be seen.
    std::string exampleDescription() {
        const fs::path example = fs::path(E2E_SOURCE_DIR) / "examples" / "writer";
        fs::copy(example, hostDir(), fs::copy_options::recursive);
        fs::create_directories(hostDir() + "/pages");
        for (int i = 0; i < 400; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "/pages/page-%03d.txt", i);
            std::ofstream(hostDir() + name) << "Page " << i << " of the guide.\r\n";
        }
        std::ifstream in(example / "product.toml");
        std::stringstream text;
        text << in.rdbuf();
        std::string toml = text.str();
        toml = std::regex_replace(toml, std::regex("\nregistry-key = [^\n]*"),
                                  "\nregistry-key = " + tomlString(registryKey()));
        toml = std::regex_replace(toml, std::regex("\ndefault-folder = [^\n]*"),
                                  "\ndefault-folder = " + tomlString(installFolder()));
        toml = std::regex_replace(
            toml, std::regex("\\{ folder = \"files/docs\", to = \"Docs\" \\}"),
            "{ folder = \"files/docs\", to = \"Docs\" }, { folder = \"pages\", to = \"Docs\\\\Pages\" }");
        return toml;
    }

    // The Browse button's chooser, kept and closed again with Cancel.
    void keepChooser(const WizardPage& page) {
        robot.click(page.sheet.hwnd, 201);
        WindowQuery query = WindowQuery::byExe("setup.exe");
        query.title = "Choose Directory";
        std::optional<Window> chooser = waitWindow(query, "chooser");
        ASSERT_TRUE(chooser);
        keep(*chooser, "chooser.png");
        answer(*chooser, kIdCancel);
    }

    // The example game's description with this scenario's registry key and
    // install folder, and the stand-in DirectX setup library of this build.
    std::string gameDescription() {
        const fs::path example = fs::path(E2E_SOURCE_DIR) / "examples" / "game";
        fs::copy(example, hostDir(), fs::copy_options::recursive);
        std::ifstream in(example / "product.toml");
        std::stringstream text;
        text << in.rdbuf();
        std::string toml = text.str();
        toml = std::regex_replace(toml, std::regex("\nregistry-key = [^\n]*"),
                                  "\nregistry-key = " + tomlString(registryKey()));
        toml = std::regex_replace(toml, std::regex("\ndefault-folder = [^\n]*"),
                                  "\ndefault-folder = " + tomlString(installFolder()));
        toml = std::regex_replace(
            toml, std::regex("source = \"[^\"]*dsetup_stand_in\\.dll\""),
            "source = " + tomlString(std::string(E2E_DDRAW_DIR) + "/dsetup_stand_in.dll"));
        return toml;
    }

    std::string shellFolder(const std::string& value, const std::string& fallback) {
        return wineSession().readRegistryString(kShellFolders, value).value_or(fallback);
    }

    void keep(const Window& window, const std::string& fileName) {
        const std::string path = std::string(E2E_SHOTS_DIR) + "/readme/" + fileName;
        EXPECT_TRUE(wineSession().screenshot(path, window.rect.left, window.rect.top,
                                             window.rect.right, window.rect.bottom))
            << path;
    }

    // An uninstaller window with this title, painted, kept under fileName.
    std::optional<Window> keepUninstallerWindow(const std::string& title, const std::string& fileName) {
        WindowQuery query = WindowQuery::byExe("UnInst.exe");
        query.title = title;
        std::optional<Window> window = waitWindow(query, fileName);
        if (window) keep(*window, fileName);
        return window;
    }

    // Runs the uninstall entry as the system's list of programs does and
    // answers its question.
    Process runUninstallEntry() {
        const std::string command = wineSession().readRegistryString(kUninstallEntry, "UninstallString").value_or("");
        Process run = robot.runCommandLine(command, Milliseconds(60000));
        std::optional<Window> question = keepUninstallerWindow("UnInstall Example Writer", "uninstall-question.png");
        if (question) answer(*question, kIdYes);
        return run;
    }
};

TEST_F(ReadmeScreenshots, ExampleProductInstallsAndUninstalls) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    const std::string toml = exampleDescription();
    ASSERT_NE(toml.find("Docs\\\\Pages"), std::string::npos) << "the example's layout changed";
    std::ofstream(hostDir() + "/product.toml") << toml;
    CommandResult built = buildInstaller(hostDir() + "/product.toml", hostDir() + "/setup.exe");
    ASSERT_EQ(built.exitCode, 0) << built.output;

    deleteKeyAtEnd("HKLM\\Software\\Example Writer");
    wineSession().deleteRegistryKey("HKLM\\Software\\Example Writer");
    deleteKeyAtEnd(kUninstallEntry);
    const std::string desktopLink = hostPathOf(
        shellFolder("Desktop", "C:\\Windows\\Desktop") + "\\Example Writer Read Me.lnk");
    const std::string programsDir = hostPathOf(
        shellFolder("Programs", "C:\\Windows\\Start Menu\\Programs") + "\\Example Writer");
    removeAtEnd(desktopLink);
    removeAtEnd(programsDir);

    // A settings file from before, for the replace question.
    fs::create_directories(hostInstallFolder() + "Config");
    const std::string settings = hostInstallFolder() + "Config/settings.ini";
    std::ofstream(settings) << std::string(5000, ';') << "\r\n";
    timespec lastYear[2] = {{1741947630, 0}, {1741947630, 0}};  // 2025-03-14 10:20:30 UTC
    utimensat(AT_FDCWD, settings.c_str(), lastYear, 0);

    Process& setup = start("setup.exe");
    std::optional<Window> question = waitWindow("setup.exe", "install-question");
    ASSERT_TRUE(question);
    answer(*question, kIdYes);
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

    WindowQuery replaceQuery = WindowQuery::byExe("setup.exe");
    replaceQuery.title = "Confirm File Replace";
    std::optional<Window> replace = waitWindow(replaceQuery, "replace");
    ASSERT_TRUE(replace);
    keep(*replace, "replace.png");
    answer(*replace, kIdYes);

    WindowQuery progressQuery = WindowQuery::byExe("setup.exe");
    progressQuery.title = "Installing Example Writer";
    std::optional<Window> progress = robot.waitFor(progressQuery, kWindowTimeout);
    ASSERT_TRUE(progress) << "no progress window";
    std::this_thread::sleep_for(Milliseconds(400));  // painted, the clip playing
    keep(*progress, "progress-window.png");
    screenshot("progress");

    WindowQuery doneQuery = WindowQuery::byExe("setup.exe");
    doneQuery.title = "Example Writer Setup";
    std::optional<Window> done = waitWindow(doneQuery, "completion");
    expectBox(done, "Example Writer Setup",
              "Example Writer has been installed.\n\nYou will find it in the Start menu.", {kIdOk});
    ASSERT_TRUE(done);
    keep(*done, "completion.png");
    answer(*done, kIdOk);
    EXPECT_EQ(exitCodeOf(setup), 0);
    EXPECT_TRUE(fs::exists(hostInstallFolder() + "Docs/Pages/page-399.txt"));
    EXPECT_TRUE(fs::exists(desktopLink));

    // Removed from the uninstall list, with a file of the user's own in a
    // folder the installation made: the errors window and its details. (The
    // install folder itself was there before, for the replace question: it
    // stays, as every folder the run did not make.)
    std::ofstream(hostInstallFolder() + "Docs/My notes.txt") << "the user's own";
    Process uninstall = runUninstallEntry();
    WindowQuery removing = WindowQuery::byExe("UnInst.exe");
    removing.title = "UnInstalling";
    std::optional<Window> removal = robot.waitFor(removing, kWindowTimeout);
    ASSERT_TRUE(removal) << "no progress window";
    std::this_thread::sleep_for(Milliseconds(200));
    keep(*removal, "uninstall-progress.png");
    std::optional<Window> errors = keepUninstallerWindow("UnInstall Example Writer", "uninstall-errors.png");
    ASSERT_TRUE(errors);
    EXPECT_TRUE(robot.click(errors->hwnd, 1011));
    std::optional<Window> details =
        keepUninstallerWindow("Errors occurred during UnInstallation", "uninstall-details.png");
    ASSERT_TRUE(details);
    answer(*details, kIdOk);
    answer(*errors, kIdOk);
    EXPECT_EQ(exitCodeOf(uninstall, Milliseconds(60000)), 5);

    // Tidied up by hand and installed again, it goes without a trace.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (fs::exists(hostInstallFolder() + "UnInst.exe") && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(Milliseconds(100));
    EXPECT_TRUE(fs::exists(hostInstallFolder() + "Docs/My notes.txt"));
    EXPECT_FALSE(fs::exists(hostInstallFolder() + "Config/settings.ini"));
    fs::remove_all(hostInstallFolder());
    Process& again = start("setup.exe");
    question = waitWindow("setup.exe", "install-question-again");
    ASSERT_TRUE(question);
    acceptAndPassWizard(*question, "setup.exe");
    done = waitWindow(doneQuery, "completion-again");
    ASSERT_TRUE(done);
    answer(*done, kIdOk);
    EXPECT_EQ(exitCodeOf(again), 0);
    Process second = runUninstallEntry();
    std::optional<Window> removed = keepUninstallerWindow("UnInstall Example Writer", "uninstall-done.png");
    ASSERT_TRUE(removed);
    EXPECT_EQ(removed->message, "Example Writer has been removed from your computer.");
    answer(*removed, kIdOk);
    EXPECT_EQ(exitCodeOf(second, Milliseconds(60000)), 0);
    while (fs::exists(hostInstallFolder()) && std::chrono::steady_clock::now() < deadline + std::chrono::seconds(15))
        std::this_thread::sleep_for(Milliseconds(100));
    EXPECT_FALSE(fs::exists(hostInstallFolder()));
    EXPECT_FALSE(fs::exists(desktopLink));
    EXPECT_FALSE(fs::exists(programsDir));
}

// The example game on a Windows 9x platform without DirectDraw: its DirectX
// page, and the question after a failed DirectX setup (the stand-in library
// answers "an internal error"), kept as directx-page.png and
// directx-failed.png; Yes installs the game.
TEST_F(ReadmeScreenshots, ExampleGameAsksAfterAFailedDirectXSetup) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    const std::string toml = gameDescription();
    ASSERT_NE(toml.find(E2E_DDRAW_DIR), std::string::npos) << "the example's layout changed";
    std::ofstream(hostDir() + "/product.toml") << toml;
    CommandResult built = buildInstaller(hostDir() + "/product.toml", hostDir() + "/game.exe");
    ASSERT_EQ(built.exitCode, 0) << built.output;
    removeAtEnd(hostPathOf(shellFolder("Programs", "C:\\Windows\\Start Menu\\Programs") +
                           "\\Example Game"));
    deleteKeyAtEnd("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Example Game");
    std::vector<std::string> environment = asWindows9x("game.exe", kNoDirectDraw);
    environment.push_back("DSETUP_STAND_IN_RESULT=-9");

    Process& setup = start("game.exe", environment);
    std::optional<Window> question = waitWindow("game.exe", "install-question");
    ASSERT_TRUE(question);
    answer(*question, kIdYes);
    unsigned long previous = 0;
    for (int i = 0; i < 4; ++i) {
        std::optional<WizardPage> page = waitWizardPage("game.exe", "wizard", previous);
        ASSERT_TRUE(page);
        if (i == 1) {
            ASSERT_TRUE(page->control(402)) << "no DirectX page";
            EXPECT_EQ(page->control(402)->check, 1);
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
    EXPECT_EQ(exitCodeOf(setup), 0);
    EXPECT_TRUE(fs::exists(hostInstallFolder() + "Levels/level3.txt"));
}

}  // namespace
}  // namespace e2e
