// The fixture of every scenario: a folder on the prefix's drive C for the
// description and the installer, a unique product name and registry key, the
// robot, screenshots of every window met, and cleanup of all of it.
#ifndef E2E_HARNESS_SCENARIO_H
#define E2E_HARNESS_SCENARIO_H

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "host_files.h"
#include "package_surgery.h"
#include "process.h"
#include "product_description.h"
#include "program_ids.h"
#include "robot_client.h"
#include "wine_session.h"
#include "wizard_view.h"

namespace e2e {

// Set by main when the Wine session could not start; every scenario fails
// with this reason.
extern std::string sessionError;

// DirectDraw choices of SetupScenario::asWindows9x.
inline const std::string kWineDirectDraw = "";
inline const std::string kNoDirectDraw = "none";

// Registry keys of the system that the programs write to or read.
inline const std::string kShellFoldersKey =
    "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline const std::string kUninstallKeys =
    "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// Time-outs of the waits: each wait ends when its condition holds, these
// only end a wait whose condition never comes (on a loaded machine too).
inline constexpr Milliseconds kWindowTimeout{30000};
inline constexpr Milliseconds kExitTimeout{60000};

// What an attended run to its end showed.
struct CompletedRun {
    std::optional<Window> question;  // the first question (install, reinstall, upgrade)
    std::string completion;          // the completion message's text
};

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
    std::string userKey() const { return "HKCU\\" + registryKey(); }
    // The system's uninstall entry of the product.
    std::string uninstallEntry() const { return kUninstallKeys + productName(); }
    // The scenario's folder as Windows and as host path; the default install
    // folder lies inside it, so cleanup takes everything at once.
    std::string windowsDir() const { return "C:\\e2e\\" + name_ + "\\"; }
    std::string hostDir() const { return hostDir_; }
    std::string installFolder() const { return windowsDir() + "installed\\"; }
    std::string hostInstallFolder() const { return hostDir_ + "/installed/"; }
    // A shell folder the programs read ("Desktop", "Programs"), as Windows
    // names it, without its backslash.
    std::string shellFolder(const std::string& value) const;

    // A description with this scenario's names and a text for every message
    // the start-up and the end of a run show.
    ProductDescription description() const;
    // The same with one component "Program" of the given source files.
    ProductDescription descriptionWith(const std::vector<std::string>& files) const;
    // An example's description (examples/<example>/product.toml, or the
    // description file named), copied with its files into the scenario's
    // folder, with this scenario's registry key and install folder.
    std::string exampleToml(const std::string& example, const std::string& description = "product.toml");
    // Writes a source file below the scenario's folder, with the time
    // kSourceTime.
    void source(const std::string& relative, const std::string& content);
    // Writes a file of the user's at a host path, with the time kEarlierTime.
    void earlierFile(const std::string& hostPath, const std::string& content);
    // The user's file is back as it was: its bytes and its time.
    void expectEarlierFile(const std::string& hostPath, const std::string& content);
    // Builds the installer with mkpackage (and further arguments of its
    // build command); the bytes of the file, or empty (with a test failure)
    // when the build fails.
    Bytes build(const ProductDescription& product, const std::vector<std::string>& moreArguments = {});
    // Writes an installer under the file name and returns its Windows path.
    std::string writeInstaller(const Bytes& file, const std::string& fileName);
    // Builds and writes the installer; false (with a test failure) when
    // either fails.
    bool buildAs(const ProductDescription& product, const std::string& fileName,
                 const std::vector<std::string>& moreArguments = {});

    // Makes Wine report a Windows 9x platform to the installer `fileName`
    // (its AppDefaults key, removed at the end) and returns the environment
    // for start(). `directDraw` chooses the DirectDraw library the DirectX
    // detection finds: kWineDirectDraw Wine's own (product version 5.3, so
    // DirectX 2 of major 5), kNoDirectDraw none at all, or the file name of
    // a stand-in of the win32 tree (ddraw_404.dll, ...), put in the place of
    // the system folder's ddraw.dll (given back at the end) and loaded
    // instead of Wine's own.
    std::vector<std::string> asWindows9x(const std::string& fileName,
                                         const std::string& directDraw);
    // The environment that runs a Wine program in a Unix locale such as
    // "de_DE" (UTF-8): made once under the build folder when the system has
    // none of that name; empty (with a test failure) when it cannot be made.
    static std::vector<std::string> localeEnvironment(const std::string& locale);
    // Starts an installer by its file name in the scenario folder, with
    // further environment settings ("WINEDLLOVERRIDES=...") when given.
    Process& start(const std::string& fileName, const std::vector<std::string>& environment = {});
    // The same with command-line arguments for the installer.
    Process& startWith(const std::string& fileName, const std::vector<std::string>& arguments,
                       const std::vector<std::string>& environment = {});
    // Runs the installer with /S and without a display; its exit code.
    int runSilently(const std::string& fileName, const std::vector<std::string>& arguments);
    // Exit code of the process, or -1 (with a test failure) after the timeout.
    int exitCodeOf(Process& process, Milliseconds timeout = kExitTimeout);
    // Runs an uninstall entry's command line ("<program>" <log>) with /S
    // after the program, as a deployment tool starts its quiet removal; the
    // exit code (-1 with a test failure when the line names no program).
    int runQuietUninstall(const std::string& uninstallString);
    // Another program holds a file (Windows path) open, sharing only reading
    // (or nothing), or holds the product's lock; returns once it does (with
    // a test failure when it never does). It lets go when killed.
    Process holdFile(const std::string& path, bool shareNothing = false);
    Process holdLock(const std::string& name);

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
                                         const std::string& label, Milliseconds timeout = kWindowTimeout);
    // Describes the window again until `done` holds for it (the robot's
    // presses are posted and taken in the window's own time); the last
    // description (nullopt once the window has gone) when it never does.
    std::optional<Window> waitForState(unsigned long hwnd, const std::function<bool(const Window&)>& done);
    // Expects a message box with exactly this text, caption and buttons.
    void expectBox(const std::optional<Window>& box, const std::string& caption,
                   const std::string& text, const std::vector<int>& buttons);
    // Answers a message box and waits until it has gone.
    void answer(const Window& box, int buttonId);

    // Waits for the installer's first question and answers Yes; false (with
    // a test failure) when none comes.
    bool acceptQuestion(const std::string& fileName);
    // The same, then the wizard's first page, as waitWizardPage gives it.
    std::optional<WizardPage> acceptToWizard(const std::string& fileName, const std::string& label);
    // Answers Yes to an install, reinstall or upgrade question, then passes
    // the wizard if one comes (Finish when it can, else Next). Returns once a
    // window other than the wizard is up (or none comes within a while).
    void acceptAndPassWizard(const Window& question, const std::string& fileName);
    // Accepts the installer's first question, passes the wizard and waits
    // for the window of the caption (a box the run shows on its way, say).
    std::optional<Window> acceptToWindow(const std::string& fileName, const std::string& caption,
                                         const std::string& label);
    // Waits for the completion message (a message box captioned with the
    // product's name), expects OK alone on it, answers it and expects exit
    // code 0; its text ("" when it never came, with a test failure).
    std::string finishAtCompletion(const std::string& fileName, Process& setup,
                                   Milliseconds timeout = kWindowTimeout);
    // Starts the installer, accepts its first question, passes the wizard
    // and finishes at the completion message, as above.
    CompletedRun installToCompletion(const std::string& fileName,
                                     const std::vector<std::string>& environment = {});
    // Waits until the installer's wizard shows a page other than
    // `previousPage` (a page window handle; 0 for any) and its buttons have
    // settled, saves a screenshot and returns the page; nullopt (with a test
    // failure) after the timeout.
    std::optional<WizardPage> waitWizardPage(const std::string& fileName, const std::string& label,
                                             unsigned long previousPage = 0);
    // The wizard as it is now (after a click on the page, say).
    std::optional<WizardPage> currentWizardPage();
    // Clicks a check box or radio button of the page as a mouse would and
    // returns the page once the control's check state has changed.
    std::optional<WizardPage> toggle(const WizardPage& page, int id);

    // Takes a screenshot of the whole screen; it is kept as a PNG if the
    // scenario fails (or E2E_KEEP_SHOTS is set).
    void screenshot(const std::string& label);
    // The same with `window` shown as its own X window holds it (one that
    // opens over another window of its program is black on the screen).
    void screenshotWindow(const std::string& label, const Window& window);
    // Saves the window alone, cut out of the screen, at the host path.
    void pictureOf(const Window& window, const std::string& pngPath);

    // Where a product's shortcuts go, as Windows names them: the desktop
    // shortcut named like the product and a folder below Programs. The
    // tear-down removes both, and the product's key below HKCU and its
    // uninstall entry.
    struct ShortcutPlaces {
        std::string desktopLink, programsFolder;
    };
    ShortcutPlaces shortcutPlacesRemovedAtEnd(const std::string& programsFolder);
    // More for the tear-down to remove: a registry key (full path, e.g.
    // "HKCU\\Software\\E2E\\Name") or a host file or folder.
    void deleteKeyAtEnd(const std::string& key) { extraKeys_.push_back(key); }
    void removeAtEnd(const std::string& hostPath) { extraPaths_.push_back(hostPath); }
    // Host paths of the folders of the Windows temporary folder whose names
    // begin with `prefix` (the programs' private folders: "~dx", "~uninst").
    std::vector<std::string> temporaryFoldersNamed(const std::string& prefix) const;
    // Host path of the system folder that 32-bit programs see.
    std::string hostSystemFolder() const;
    // Puts `hostFile` in the place of the system folder's `name`; the file
    // that was there comes back at the end.
    void replaceSystemFile(const std::string& name, const std::string& hostFile);
    // Host path of a Windows path on drive C ("C:\\x\\y" gives .../drive_c/x/y).
    std::string hostPathOf(const std::string& windowsPath) const;
    // The setup program's backup folders ("~SetupBackup.*") at the root of
    // a drive, given by its host path; drive C when none is given.
    std::vector<std::string> backupFolders(const std::string& hostRoot = "") const;

    Robot robot;

private:
    void endLeftoverInstallers();
    std::string nextShotPath(const std::string& label);
    void capture(const std::string& label, const std::optional<WineSession::Box>& window);
    // A picture that could not be taken: a warning in the test's output
    // and its properties, not a failure.
    void warnNoPicture(const std::string& path);

    std::string name_;
    std::string hostDir_;
    std::string shotsDir_;
    int shotCount_ = 0;
    int missingPictures_ = 0;
    std::vector<WineSession::RawScreenshot> shots_;
    unsigned long wizardSheet_ = 0;
    std::deque<Process> processes_;
    std::vector<std::string> extraKeys_;
    std::vector<std::string> extraPaths_;
    std::vector<std::pair<std::string, Bytes>> replacedSystemFiles_;
};

}  // namespace e2e

#endif
