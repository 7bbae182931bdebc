// A complete installation of the example product, kept as the README's
// pictures: every wizard page, the directory chooser, the replace question
// (a settings file is there from before), the progress window and the
// completion message, each cut out of the screen, in
// build/native/e2e-shots/readme/.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

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

    std::string shellFolder(const std::string& value, const std::string& fallback) {
        return wineSession().readRegistryString(kShellFolders, value).value_or(fallback);
    }

    void keep(const Window& window, const std::string& fileName) {
        const std::string path = std::string(E2E_SHOTS_DIR) + "/readme/" + fileName;
        EXPECT_TRUE(wineSession().screenshot(path, window.rect.left, window.rect.top,
                                             window.rect.right, window.rect.bottom))
            << path;
    }
};

TEST_F(ReadmeScreenshots, ExampleProductInstallsToTheEnd) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    const std::string toml = exampleDescription();
    ASSERT_NE(toml.find("Docs\\\\Pages"), std::string::npos) << "the example's layout changed";
    std::ofstream(hostDir() + "/product.toml") << toml;
    CommandResult built = buildInstaller(hostDir() + "/product.toml", hostDir() + "/setup.exe");
    ASSERT_EQ(built.exitCode, 0) << built.output;

    deleteKeyAtEnd("HKLM\\Software\\Example Writer");
    wineSession().deleteRegistryKey("HKLM\\Software\\Example Writer");
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
}

}  // namespace
}  // namespace e2e
