// The end of an accepted run: shortcuts, registry values of the actions, the
// system's uninstall entry and the uninstaller's shortcut.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "harness/scenario.h"
#include "harness/wine_session.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

const char kShellFolders[] =
    "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const char kUninstallKeys[] = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

std::string contentOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class PostInstallScenario : public SetupScenario {
protected:
    // The shell folder the program reads, or its fallback when Wine has no
    // such value.
    std::string shellFolder(const std::string& value, const std::string& fallback) {
        return wineSession().readRegistryString(kShellFolders, value).value_or(fallback);
    }
};

TEST_F(PostInstallScenario, ShortcutsRegistryValuesAndUninstallEntry) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    std::ofstream(hostDir() + "/app.txt") << "the program";
    const std::string settingsKey = "Software\\E2E\\" + name() + "\\Settings";
    const std::string displayName = productName();
    const std::string programsFolder = "E2E\\" + name();

    ProductDescription product = description();
    product.flags = {"desktop-shortcuts", "start-menu-shortcuts", "uninstall-entry",
                     "uninstall-shortcut"};
    product.components.push_back({"Program", {"app.txt"}});
    product.defaultSelection = {"Program"};
    product.setText("uninstallDisplayName", displayName);
    product.setText("uninstallShortcutName", programsFolder + "\\Uninstall");
    product.extraToml =
        "[[components.actions]]\ntype = \"desktop-shortcut\"\nprogram = \"app.txt\"\n"
        "name = " + tomlString(productName()) + "\narguments = \"--desk\"\n\n"
        "[[components.actions]]\ntype = \"programs-shortcut\"\nprogram = \"app.txt\"\n"
        "name = " + tomlString(programsFolder + "\\App") + "\narguments = \"\"\n\n"
        "[[components.actions]]\ntype = \"registry-value\"\nroot = \"HKCU\"\n"
        "key = " + tomlString(settingsKey) + "\nvalue = \"Path\"\ndata = \"$(ExtrPath)\"\n\n"
        "[[components.actions]]\ntype = \"registry-value\"\nroot = \"HKCU\"\n"
        "key = " + tomlString(settingsKey) + "\nvalue = \"Drive\"\ndata = \"$(BootDrive):$$\"\n";
    Bytes file = build(product);
    ASSERT_FALSE(file.empty());
    writeInstaller(file, "full.exe");

    const std::string desktop = shellFolder("Desktop", "C:\\Windows\\Desktop");
    const std::string programs = shellFolder("Programs", "C:\\Windows\\Start Menu\\Programs");
    const std::string desktopLink = hostPathOf(desktop + "\\" + productName() + ".lnk");
    const std::string programsDir = hostPathOf(programs + "\\E2E\\" + name());
    deleteKeyAtEnd("HKCU\\Software\\E2E\\" + name());
    deleteKeyAtEnd(kUninstallKeys + displayName);
    removeAtEnd(desktopLink);
    removeAtEnd(programsDir);

    Process& setup = start("full.exe");
    std::optional<Window> question = waitWindow("full.exe", "install-question");
    ASSERT_TRUE(question);
    acceptAndPassWizard(*question, "full.exe");
    WindowQuery done = WindowQuery::byExe("full.exe");
    done.title = productName();
    std::optional<Window> completion = waitWindow(done, "completion");
    expectBox(completion, productName(),
              productName() + " is installed. Start it from the Start menu.", {kIdOk});
    if (completion) answer(*completion, kIdOk);
    EXPECT_EQ(exitCodeOf(setup), 0);

    // Shortcuts: their files, pointing at the program in the install folder.
    const std::string target = installFolder() + "app.txt";
    EXPECT_NE(contentOf(desktopLink).find(target), std::string::npos) << desktopLink;
    EXPECT_NE(contentOf(programsDir + "/App.lnk").find(target), std::string::npos)
        << programsDir << "/App.lnk";
    const std::string uninstallLink = contentOf(programsDir + "/Uninstall.lnk");
    EXPECT_NE(uninstallLink.find(installFolder() + "UnInst.exe"), std::string::npos);

    // Registry values of the actions, expanded.
    const std::string settings = "HKCU\\" + settingsKey;
    EXPECT_EQ(wineSession().readRegistryString(settings, "Path"), installFolder());
    EXPECT_EQ(wineSession().readRegistryString(settings, "Drive"), "C:$");

    // The system's uninstall entry: the paths without quotation marks.
    const std::string entry = kUninstallKeys + displayName;
    EXPECT_EQ(wineSession().readRegistryString(entry, "DisplayName"), displayName);
    EXPECT_EQ(wineSession().readRegistryString(entry, "UninstallString"),
              installFolder() + "UnInst.exe " + installFolder() + "InstallLog");
}

TEST_F(PostInstallScenario, ShortcutActionsWithTheirFlagsClearMakeNothing) {
    SKIP_WITHOUT_PACKAGE_BUILDER();
    std::ofstream(hostDir() + "/app.txt") << "the program";
    ProductDescription product = description();
    product.flags = {};
    product.components.push_back({"Program", {"app.txt"}});
    product.defaultSelection = {"Program"};
    product.extraToml =
        "[[components.actions]]\ntype = \"desktop-shortcut\"\nprogram = \"app.txt\"\n"
        "name = " + tomlString(productName()) + "\narguments = \"\"\n";
    Bytes file = build(product);
    ASSERT_FALSE(file.empty());
    writeInstaller(file, "noflags.exe");
    const std::string desktopLink = hostPathOf(
        shellFolder("Desktop", "C:\\Windows\\Desktop") + "\\" + productName() + ".lnk");
    removeAtEnd(desktopLink);

    Process& setup = start("noflags.exe");
    std::optional<Window> question = waitWindow("noflags.exe", "install-question");
    ASSERT_TRUE(question);
    acceptAndPassWizard(*question, "noflags.exe");
    WindowQuery done = WindowQuery::byExe("noflags.exe");
    done.title = productName();
    std::optional<Window> completion = waitWindow(done, "completion");
    ASSERT_TRUE(completion);
    answer(*completion, kIdOk);
    EXPECT_EQ(exitCodeOf(setup), 0);
    EXPECT_FALSE(fs::exists(desktopLink)) << "a desktop shortcut with its flag clear";
}

}  // namespace
}  // namespace e2e
