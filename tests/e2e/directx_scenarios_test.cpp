// The DirectX runtime setup on a Windows 9x platform, with the stand-in
// DirectX setup library of the win32 tree: it runs before the product when
// the DirectX page says so, is called once with the extracted root folder,
// leaves nothing in the temporary folder or the product's log, and ends the
// installation with the reboot question; a failure asks whether to go on,
// with its reason's configured text.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>

#include "harness/scenario.h"
#include "harness/wine_session.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

// What the DirectX component carries as "Redist\dsetup.dll".
enum class DirectXLibrary { kStandIn, kNone, kWithoutFunction };

std::string text(const std::string& kind, const std::string& value) {
    return "{ " + kind + " = " + tomlString(value) + " }";
}

class DirectXScenario : public SetupScenario {
protected:
    void SetUp() override {
        SetupScenario::SetUp();
        if (HasFatalFailure()) return;
        temp_ = wineSession().temporaryFolder();
        ASSERT_FALSE(temp_.empty()) << "the prefix names no temporary folder";
        // Left by an interrupted run, the folder would not be the run's own.
        std::error_code ignored;
        fs::remove_all(hostPathOf(temp_ + "Redist"), ignored);
    }

    // A product with a "Program" component and a "DirectX" component whose
    // files lie below "Redist\": the library, the stand-in's manifest and
    // the two files it names. Each reason's text is "Reason <k>.".
    ProductDescription directXProduct(DirectXLibrary library) {
        ProductDescription product = description();
        const std::string p = productName();
        product.setText("dxMsgFailed", "DirectX for " + p + " failed: %s Go on?");
        product.setText("dxExtractTitle", p + " DirectX");
        for (int k = 1; k <= 14; ++k) product.directXReasons.push_back("Reason " + std::to_string(k) + ".");
        const std::string folder = "dx" + std::to_string(static_cast<int>(library));
        source("program.txt", "the program");
        source(folder + "/manifest.txt", "dsetup.dll\r\nRuntime\\core.dat\r\nDrivers\\display.dat\r\n");
        source(folder + "/Runtime/core.dat", "core");
        source(folder + "/Drivers/display.dat", "display");
        if (library != DirectXLibrary::kNone) {
            const char* dll = library == DirectXLibrary::kStandIn ? "dsetup_stand_in.dll" : "ddraw_405.dll";
            fs::copy_file(std::string(E2E_DDRAW_DIR) + "/" + dll, hostDir() + "/" + folder + "/dsetup.dll",
                          fs::copy_options::overwrite_existing);
        }
        product.components = {{"Program", {"program.txt"}},
                              {"DirectX", {}, {"{ folder = " + tomlString(folder) + ", to = \"Redist\" }"}}};
        product.defaultSelection = {"Program"};
        product.options = {"directx-components = [\"DirectX\"]", "required-directx = 0x00040005"};
        return product;
    }

    // The environment of a run: a Windows 9x platform with the DirectDraw
    // library given, the stand-in's record file and the result it returns.
    std::vector<std::string> environment(const std::string& exe, const std::string& directDraw,
                                         const std::string& result) {
        std::vector<std::string> settings = asWindows9x(exe, directDraw);
        settings.push_back("DSETUP_STAND_IN_RECORD=" + windowsDir() + "directx-calls.txt");
        settings.push_back("DSETUP_STAND_IN_RESULT=" + result);
        return settings;
    }

    // The lines the stand-in library recorded, one per call; the name of
    // the run's private folder, drawn at random, as "~dx*".
    std::vector<std::string> calls() {
        std::vector<std::string> lines;
        std::ifstream in(hostDir() + "/directx-calls.txt");
        const std::regex privateFolder("~dx[0-9A-F]{16}\\\\");
        for (std::string line; std::getline(in, line);)
            lines.push_back(std::regex_replace(line.substr(0, line.find('\r')), privateFolder, "~dx*\\"));
        return lines;
    }

    void expectTemporaryFilesRemoved() {
        EXPECT_FALSE(fs::exists(hostPathOf(temp_ + "Redist"))) << "the temporary DirectX files stay";
        EXPECT_EQ(temporaryFoldersNamed("~dx"), std::vector<std::string>{}) << "the private folder stays";
    }

    // Ready for the next run of the same installer: no installed product.
    void forgetInstallation() {
        wineSession().deleteRegistryKey(machineKey());
        std::error_code ignored;
        fs::remove_all(hostInstallFolder(), ignored);
    }

    std::string temp_;  // the Windows temporary folder, with its backslash
};

// No DirectDraw at all: the DirectX page shows "(not found)" with Install
// checked. Left so, the stand-in runs once before the product, with its files
// in place in a private folder of the run (a file of that name that was in
// the temporary folder's "Redist" is never touched), and the run ends with
// the reboot question; Skip runs nothing.
TEST_F(DirectXScenario, RunsBeforeTheProductWhenChosenOnItsPage) {
    ProductDescription product = directXProduct(DirectXLibrary::kStandIn);
    product.options.push_back("directx-page = 0");
    product.pages = {{text("directx-version-text", "Installed: %s"),
                      text("directx-install-radio", "&Install"), text("directx-skip-radio", "&Skip")},
                     {text("text", "Ready")}};
    const std::string exe = "dxpage.exe", p = productName();
    ASSERT_TRUE(buildAs(product, exe));
    const std::vector<std::string> settings = environment(exe, kNoDirectDraw, "0");

    const std::string earlier = hostPathOf(temp_ + "Redist\\Runtime\\core.dat");
    for (bool install : {true, false}) {
        SCOPED_TRACE(install ? "Install" : "Skip");
        if (install) {
            fs::create_directories(fs::path(earlier).parent_path());
            std::ofstream(earlier, std::ios::binary) << "someone's core";
        }
        Process& setup = start(exe, settings);
        std::optional<WizardPage> page = acceptToWizard(exe, "directx-page");
        ASSERT_TRUE(page);
        ASSERT_TRUE(page->control(kInstallDirectX) && page->control(kSkipDirectX));
        EXPECT_TRUE(page->withText("Installed: (not found)"));
        EXPECT_EQ(page->control(kInstallDirectX)->check, 1);
        EXPECT_EQ(page->control(kSkipDirectX)->check, 0);
        if (!install) {
            std::optional<WizardPage> skipped = toggle(*page, kSkipDirectX);
            ASSERT_TRUE(skipped && skipped->control(kSkipDirectX));
            EXPECT_EQ(skipped->control(kSkipDirectX)->check, 1);
        }
        ASSERT_TRUE(robot.click(page->sheet.hwnd, kWizardNext));
        std::optional<WizardPage> ready = waitWizardPage(exe, "ready", page->page);
        ASSERT_TRUE(ready);
        ASSERT_TRUE(robot.click(ready->sheet.hwnd, kWizardFinish));

        std::optional<Window> end = waitMessageBox(exe, p, install ? "reboot-question" : "completion");
        if (install)
            expectBox(end, p, p + " is installed. Restart now?", {kIdYes, kIdNo});
        else
            expectBox(end, p, p + " is installed in " + installFolder() + ".", {kIdOk});
        if (end) answer(*end, install ? kIdNo : kIdOk);
        EXPECT_EQ(exitCodeOf(setup), kSetupDone);
        EXPECT_TRUE(fs::exists(hostInstallFolder() + "program.txt"));
        if (install) {
            EXPECT_EQ(contentOf(earlier), "someone's core");
            std::error_code ignored;
            fs::remove(earlier, ignored);
            fs::remove(fs::path(earlier).parent_path(), ignored);
            EXPECT_TRUE(fs::remove(hostPathOf(temp_ + "Redist"), ignored)) << "more than the earlier file stays";
            EXPECT_EQ(backupFolders(), std::vector<std::string>{});
        }
        expectTemporaryFilesRemoved();
        const std::string log = contentOf(hostInstallFolder() + "InstallLog");
        EXPECT_NE(log.find(installFolder() + "program.txt"), std::string::npos);
        EXPECT_EQ(log.find(temp_), std::string::npos) << "a temporary file in the product's log";

        // Once, loaded from the extracted files, with its files in place.
        EXPECT_EQ(calls(), std::vector<std::string>{"library=" + temp_ + "~dx*\\Redist\\dsetup.dll\troot=" +
                                                    temp_ + "~dx*\\Redist\\\tflags=0x00010018\twindow-class="
                                                    "dxInstallHelper\twindow-title=" + p +
                                                    "\twindow-visible=0\tfiles=ok"});
        forgetInstallation();
    }
}

// An old DirectDraw (DirectX 3), no pages: the DirectX setup runs at once.
// A failure result, a component without the library and a library without
// the function each ask with their reason's text, No being the default; No
// ends as a cancel with nothing installed, Yes installs the product without
// the reboot question. Result -10 passes silently. Unattended (/S), a
// failure ends with 24 and nothing installed, a success with 3010.
TEST_F(DirectXScenario, FailuresAskWhetherToGoOn) {
    struct Case {
        const char* exe;
        DirectXLibrary library;
        const char* result;  // what the stand-in returns
        bool unattended;
        int reason;          // of the question; 0: none
        int answer;
        int exitCode;
    };
    const Case cases[] = {
        {"dxfail.exe", DirectXLibrary::kStandIn, "-12", false, 14, kIdNo, kSetupCancelled},
        {"dxfail.exe", DirectXLibrary::kStandIn, "-3", false, 3, kIdYes, kSetupDone},
        {"dxfail.exe", DirectXLibrary::kStandIn, "-10", false, 0, 0, kSetupDone},
        {"dxfail.exe", DirectXLibrary::kStandIn, "-5", true, 9, 0, kSetupDirectXFailed},
        {"dxfail.exe", DirectXLibrary::kStandIn, "1", true, 0, 0, kSetupRestartRequired},
        {"dxnolib.exe", DirectXLibrary::kNone, "0", false, 1, kIdYes, kSetupDone},
        {"dxnofunc.exe", DirectXLibrary::kWithoutFunction, "0", false, 2, kIdNo, kSetupCancelled},
    };
    const std::string p = productName();
    std::size_t expectedCalls = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.exe) + " " + c.result + (c.unattended ? " /S" : ""));
        if (!fs::exists(hostDir() + "/" + c.exe)) {
            ASSERT_TRUE(buildAs(directXProduct(c.library), c.exe));
        }
        const std::vector<std::string> settings = environment(c.exe, "ddraw_404.dll", c.result);
        const bool installs = c.exitCode == kSetupDone || c.exitCode == kSetupRestartRequired;
        const std::string failureText =
            "DirectX for " + p + " failed: Reason " + std::to_string(c.reason) + ". Go on?";
        if (c.unattended) {
            // Wine gives Linux the exit code's low byte; the run's log has it whole.
            const std::string log = windowsDir() + "run.log";
            EXPECT_EQ(exitCodeOf(startWith(c.exe, {"/S", "/LOG=" + log}, settings)), c.exitCode & 0xFF);
            const std::string text = contentOf(hostPathOf(log));
            EXPECT_NE(text.find("exit code " + std::to_string(c.exitCode) + ":"), std::string::npos) << text;
            EXPECT_EQ(text.find(failureText) != std::string::npos, c.reason != 0) << text;
        } else {
            Process& setup = start(c.exe, settings);
            ASSERT_TRUE(acceptQuestion(c.exe));
            if (c.reason != 0) {
                std::optional<Window> failed = waitMessageBox(c.exe, p + " Error", "directx-failed");
                expectBox(failed, p + " Error", failureText, {kIdYes, kIdNo});
                ASSERT_TRUE(failed);
                EXPECT_EQ(failed->defaultButton, kIdNo);
                expectTemporaryFilesRemoved();
                answer(*failed, c.answer);
            }
            std::optional<Window> end = waitMessageBox(c.exe, p, installs ? "completion" : "cancelled");
            expectBox(end, p, installs ? p + " is installed in " + installFolder() + "." : p + " was not installed.",
                      {kIdOk});
            if (end) answer(*end, kIdOk);
            EXPECT_EQ(exitCodeOf(setup), c.exitCode);
        }
        EXPECT_EQ(fs::exists(hostInstallFolder()), installs);
        EXPECT_EQ(wineSession().registryKeyExists(machineKey()), installs);
        expectTemporaryFilesRemoved();
        if (c.library == DirectXLibrary::kStandIn) ++expectedCalls;
        EXPECT_EQ(calls().size(), expectedCalls);
        forgetInstallation();
    }
}

// What a user may plant for the elevated run: a link at the temporary
// folder's "Redist" to a folder of theirs, and a library named ddraw.dll
// beside the installer (the platform reported as Windows 9x, as a
// compatibility mode of an NT system reports it). The component goes into
// the run's private folder, never through the link, and DirectDraw comes
// from the system folder only. On the old code the stand-in was loaded from
// "%TEMP%\Redist\" through the link, and the planted ddraw.dll was loaded.
TEST_F(DirectXScenario, NothingPlantedInTheTemporaryFolderOrBesideTheInstallerIsUsed) {
    const std::string exe = "dxplanted.exe";
    ProductDescription product = directXProduct(DirectXLibrary::kStandIn);
    // Above Wine's own DirectDraw (DirectX 2 of major 5): the runtime setup runs.
    product.options = {"directx-components = [\"DirectX\"]", "required-directx = 0x00050003"};
    ASSERT_TRUE(buildAs(product, exe));
    const std::string theirs = hostDir() + "/theirs";
    fs::create_directories(theirs);
    std::ofstream(theirs + "/note.txt") << "theirs";
    fs::create_directory_symlink(theirs, hostPathOf(temp_ + "Redist"));
    removeAtEnd(hostPathOf(temp_ + "Redist"));
    fs::copy_file(std::string(E2E_DDRAW_DIR) + "/planted/ddraw.dll", hostDir() + "/ddraw.dll");

    std::vector<std::string> settings = environment(exe, kWineDirectDraw, "0");
    const char* inherited = std::getenv("WINEDLLOVERRIDES");
    settings.push_back(std::string("WINEDLLOVERRIDES=") +
                       (inherited != nullptr && *inherited != '\0' ? std::string(inherited) + ";" : "") + "ddraw=n,b");
    settings.push_back("PLANTED_LIBRARY_RECORD=" + windowsDir() + "planted.txt");
    EXPECT_EQ(exitCodeOf(startWith(exe, {"/S"}, settings)), kSetupRestartRequired & 0xFF);
    EXPECT_EQ(contentOf(hostDir() + "/planted.txt"), "") << "the ddraw.dll beside the installer was loaded";
    const std::vector<std::string> made = calls();
    ASSERT_EQ(made.size(), 1u);
    EXPECT_EQ(made[0].rfind("library=" + temp_ + "~dx*\\Redist\\dsetup.dll\troot=" + temp_ + "~dx*\\Redist\\\t", 0),
              0u)
        << made[0];
    EXPECT_EQ(filesBelow(theirs), std::vector<std::string>{"note.txt"}) << "written through the link";
    EXPECT_TRUE(fs::is_symlink(hostPathOf(temp_ + "Redist")));
    EXPECT_EQ(temporaryFoldersNamed("~dx"), std::vector<std::string>{}) << "the private folder stays";
    fs::remove(hostPathOf(temp_ + "Redist"));
}

}  // namespace
}  // namespace e2e
