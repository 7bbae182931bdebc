// The fixture of every scenario: a folder on the prefix's drive C for the
// description and the installer, a unique product name and registry key, the
// robot, screenshots of every window met, and cleanup of all of it.
#ifndef E2E_HARNESS_SCENARIO_H
#define E2E_HARNESS_SCENARIO_H

#include <gtest/gtest.h>

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "package_surgery.h"
#include "process.h"
#include "product_description.h"
#include "robot_client.h"
#include "wizard_view.h"

namespace e2e {

// Set by main when the Wine session could not start; every scenario fails
// with this reason.
extern std::string sessionError;

// The scenarios that need a package wait for mkpackage to build them.
#define SKIP_WITHOUT_PACKAGE_BUILDER() \
    if (packageBuilderMissing()) GTEST_SKIP() << "mkpackage cannot build installers yet"

// DirectDraw choices of SetupScenario::asWindows9x.
inline const std::string kWineDirectDraw = "";
inline const std::string kNoDirectDraw = "none";

inline constexpr Milliseconds kWindowTimeout{20000};
inline constexpr Milliseconds kExitTimeout{20000};

class SetupScenario : public ::testing::Test {
protected:
    SetupScenario();
    void SetUp() override;
    void TearDown() override;

    // Unique per scenario: product name, registry key (below HKLM) and the
    // installer's file name.
    const std::string& name() const { return name_; }
    std::string productName() const { return "E2E " + name_; }
    std::string registryKey() const { return "Software\\E2E\\" + name_; }
    std::string machineKey() const { return "HKLM\\" + registryKey(); }
    // The scenario's folder as Windows and as host path; the default install
    // folder lies inside it, so cleanup takes everything at once.
    std::string windowsDir() const { return "C:\\e2e\\" + name_ + "\\"; }
    std::string hostDir() const { return hostDir_; }
    std::string installFolder() const { return windowsDir() + "installed\\"; }
    std::string hostInstallFolder() const { return hostDir_ + "/installed/"; }

    // A description with this scenario's names and a text for every message
    // the start-up and the end of a run show.
    ProductDescription description() const;
    // Builds the installer with mkpackage (and further arguments of its
    // build command); the bytes of the file, or empty (with a test failure)
    // when the build fails. Skip with requirePackageBuilder() first.
    Bytes build(const ProductDescription& product, const std::vector<std::string>& moreArguments = {});
    // Skips the scenario when mkpackage cannot build installers yet.
    bool packageBuilderMissing();
    // Writes an installer under the file name and returns its Windows path.
    std::string writeInstaller(const Bytes& file, const std::string& fileName);

    // Makes Wine report a Windows 9x platform to the installer `fileName`
    // (its AppDefaults key, removed at the end) and returns the environment
    // for start(). `directDraw` chooses the DirectDraw library the DirectX
    // detection finds: kWineDirectDraw Wine's own (product version 5.3, so
    // DirectX 2 of major 5), kNoDirectDraw none at all, or the file name of
    // a stand-in of the win32 tree (ddraw_404.dll, ...), copied as ddraw.dll
    // into the scenario folder and loaded instead of Wine's own.
    std::vector<std::string> asWindows9x(const std::string& fileName,
                                         const std::string& directDraw);
    // Starts an installer by its file name in the scenario folder, with
    // further environment settings ("WINEDLLOVERRIDES=...") when given.
    Process& start(const std::string& fileName, const std::vector<std::string>& environment = {});
    // The same with command-line arguments for the installer.
    Process& startWith(const std::string& fileName, const std::vector<std::string>& arguments,
                       const std::vector<std::string>& environment = {});
    // Waits for a visible top-level window of the installer, saves a
    // screenshot labelled with `label` and the window's title, and returns the window with its
    // children; nullopt (with a test failure) after the timeout.
    std::optional<Window> waitWindow(const std::string& fileName, const std::string& label,
                                     Milliseconds timeout = kWindowTimeout);
    // The same for a window that matches the query (of the installer in
    // query.exe, with a title, say).
    std::optional<Window> waitWindow(const WindowQuery& query, const std::string& label,
                                     Milliseconds timeout = kWindowTimeout);
    // Waits for a message box of the installer with this caption (a window
    // of the program that is no message box may carry the same caption),
    // saves a screenshot and returns it; nullopt (with a test failure) after
    // the timeout.
    std::optional<Window> waitMessageBox(const std::string& fileName, const std::string& caption,
                                         const std::string& label);
    // Expects a message box with exactly this text, caption and buttons.
    void expectBox(const std::optional<Window>& box, const std::string& caption,
                   const std::string& text, const std::vector<int>& buttons);
    // Answers a message box and waits until it has gone.
    void answer(const Window& box, int buttonId);
    // Answers Yes to an install, reinstall or upgrade question, then passes
    // the wizard if one comes (Finish when it can, else Next). Returns once a
    // window other than the wizard is up (or none comes within a while).
    void acceptAndPassWizard(const Window& question, const std::string& fileName);
    // Waits until the installer's wizard shows a page other than
    // `previousPage` (a page window handle; 0 for any) and its buttons have
    // settled, saves a screenshot and returns the page; nullopt (with a test
    // failure) after the timeout.
    std::optional<WizardPage> waitWizardPage(const std::string& fileName, const std::string& label,
                                             unsigned long previousPage = 0);
    // The wizard as it is now (after a click on the page, say).
    std::optional<WizardPage> currentWizardPage();
    // Exit code of the process, or -1 (with a test failure) after the timeout.
    int exitCodeOf(Process& process, Milliseconds timeout = kExitTimeout);
    // Saves a screenshot of the whole screen.
    void screenshot(const std::string& label);
    // The same with `window` shown as its own X window holds it (one that
    // opens over another window of its program is black on the screen).
    void screenshotWindow(const std::string& label, const Window& window);
    // More for the tear-down to remove: a registry key (full path, e.g.
    // "HKCU\\Software\\E2E\\Name") or a host file or folder.
    void deleteKeyAtEnd(const std::string& key) { extraKeys_.push_back(key); }
    void removeAtEnd(const std::string& hostPath) { extraPaths_.push_back(hostPath); }
    // Host path of a Windows path on drive C ("C:\\x\\y" gives .../drive_c/x/y).
    std::string hostPathOf(const std::string& windowsPath) const;
    // The setup program's backup folders ("~SetupBackup.*") at the root of
    // a drive, given by its host path; drive C when none is given.
    std::vector<std::string> backupFolders(const std::string& hostRoot = "") const;

    Robot robot;

private:
    void endLeftoverInstallers();
    std::string nextShotPath(const std::string& label);

    std::string name_;
    std::string hostDir_;
    std::string shotsDir_;
    int shotCount_ = 0;
    unsigned long wizardSheet_ = 0;
    std::deque<Process> processes_;
    std::vector<std::string> extraKeys_;
    std::vector<std::string> extraPaths_;
};

}  // namespace e2e

#endif
