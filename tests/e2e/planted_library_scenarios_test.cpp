// Libraries planted beside the programs: an installer is run from a folder
// where anyone's files lie, and the uninstaller from an install folder that
// users may write to. A library there named like a system library the
// programs load at run time must never be loaded in its stead.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "harness/scenario.h"
#include "harness/wine_session.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

// Libraries that Windows does not always take from its system folder and
// that the programs load at run time: comctl32 and mpr by their own code,
// uxtheme and winmm through the common controls. Each is planted as the
// recording library of the win32 tree. ("version.dll" is left out: Wine's
// own start-up loads it by name before a program runs.)
const std::vector<std::string> kPlantedLibraries{"comctl32", "mpr", "uxtheme", "winmm"};

class PlantedLibraryScenario : public SetupScenario {
protected:
    // Whatever ended the scenario, no planted library may have been loaded
    // since the record was last emptied.
    void TearDown() override {
        if (recordWatched_) {
            EXPECT_EQ(contentOf(record()), "") << "a planted library was loaded";
        }
        SetupScenario::TearDown();
    }

    std::string record() const { return hostDir() + "/planted.txt"; }
    void watchRecord() {
        fs::remove(record());
        recordWatched_ = true;
    }

    // The recording libraries into the host folder.
    void plant(const std::string& hostFolder) {
        for (const std::string& name : kPlantedLibraries) {
            std::error_code error;
            fs::copy_file(std::string(E2E_DDRAW_DIR) + "/planted/" + name + ".dll",
                          hostFolder + "/" + name + ".dll", fs::copy_options::overwrite_existing, error);
            EXPECT_FALSE(error) << name << ": " << error.message();
        }
    }

    // Wine may take every planted name from beside the program, and the
    // libraries record where they are loaded.
    std::vector<std::string> plantedEnvironment() const {
        std::string overrides;
        for (const std::string& name : kPlantedLibraries) overrides += (overrides.empty() ? "" : ",") + name;
        const char* inherited = std::getenv("WINEDLLOVERRIDES");
        std::string setting = "WINEDLLOVERRIDES=";
        if (inherited != nullptr && *inherited != '\0') setting += std::string(inherited) + ";";
        return {setting + overrides + "=n,b",
                "PLANTED_LIBRARY_RECORD=" + windowsDir() + "planted.txt"};
    }

private:
    bool recordWatched_ = false;
};

// First a program that loads each name bare, from the same folder: the
// planted libraries are taken and record it. Then an installation from that
// folder through the wizard, the directory chooser and its network dialog,
// the progress window and the completion message, and an uninstallation
// through its question, progress and errors windows with the libraries
// planted beside the uninstaller: neither loads any of them.
TEST_F(PlantedLibraryScenario, NeitherProgramLoadsALibraryFromItsOwnFolder) {
    plant(hostDir());
    const std::vector<std::string> environment = plantedEnvironment();

    fs::copy_file(E2E_ROBOT_EXE, hostDir() + "/loader.exe");
    for (const std::string& name : kPlantedLibraries) {
        Process loader = wineSession().launch({windowsDir() + "loader.exe", "load", name + ".dll"}, environment);
        EXPECT_EQ(exitCodeOf(loader), 0) << name;
    }
    std::string expected;
    for (const std::string& name : kPlantedLibraries)
        expected += windowsDir() + name + ".dll\t" + windowsDir() + "loader.exe\n";
    ASSERT_EQ(contentOf(record()), expected) << "the planted libraries are not taken where a program asks";
    watchRecord();

    const std::string exe = "download.exe";
    source("core.txt", "core");
    ProductDescription product = description();
    product.flags = {"uninstall-entry"};
    product.components = {{"Core", {"core.txt"}}};
    product.defaultSelection = {"Core"};
    product.pages = {{"{ text = \"Destination\" }", "{ destination-group = true }"}};
    ASSERT_TRUE(buildAs(product, exe));

    Process& setup = start(exe, environment);
    std::optional<WizardPage> page = acceptToWizard(exe, "destination");
    ASSERT_TRUE(page);
    ASSERT_TRUE(robot.click(page->sheet.hwnd, kBrowse));
    std::optional<Window> chooser = waitWindow(WindowQuery::titled(exe, "Choose Directory"), "chooser");
    ASSERT_TRUE(chooser);
    ASSERT_TRUE(robot.click(chooser->hwnd, kNetwork));
    chooser = waitForState(chooser->hwnd, [](const Window& w) { return w.enabled; });
    ASSERT_TRUE(chooser) << "the chooser went with its network dialog";
    answer(*chooser, kIdCancel);
    ASSERT_TRUE(robot.click(page->sheet.hwnd, kWizardFinish));
    EXPECT_FALSE(finishAtCompletion(exe, setup).empty());

    const std::string uninstaller = "installed\\UnInst.exe";
    ASSERT_TRUE(fs::exists(hostInstallFolder() + "UnInst.exe"));
    plant(hostInstallFolder());
    Process& removal = startWith(uninstaller, {installFolder() + "InstallLog"}, environment);
    const WindowQuery uninstallerQuery = WindowQuery::titled("UnInst.exe", "UnInstall " + productName());
    std::optional<Window> ask = waitWindow(uninstallerQuery, "uninstall-question");
    ASSERT_TRUE(ask);
    answer(*ask, kIdYes);
    // The planted files are the user's, not the product's: they stay.
    std::optional<Window> errors = waitWindow(uninstallerQuery, "uninstall-errors");
    ASSERT_TRUE(errors);
    answer(*errors, kIdOk);
    EXPECT_EQ(exitCodeOf(removal), kUninstallLeftOver);
    // The uninstaller's file goes through a copy of it in the temporary
    // folder, which runs with the same settings.
    EXPECT_TRUE(waitUntil([&] { return !fs::exists(hostInstallFolder() + "UnInst.exe"); }, kExitTimeout));
}

}  // namespace
}  // namespace e2e
