#include "scenario.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <thread>

#include "wine_session.h"

namespace e2e {

std::string sessionError;

namespace {

namespace fs = std::filesystem;

// Wine paints a window shortly after it becomes visible; E2E_PAINT_DELAY_MS
// overrides the wait before a screenshot.
Milliseconds paintDelay() {
    const char* text = std::getenv("E2E_PAINT_DELAY_MS");
    return Milliseconds(text && *text ? std::atoi(text) : 250);
}

std::string fileLabel(const std::string& label) {
    std::string out;
    for (char c : label) out += (std::isalnum(static_cast<unsigned char>(c)) || c == '-') ? c : '_';
    return out;
}

}  // namespace

SetupScenario::SetupScenario() : robot(E2E_ROBOT_EXE) {
    name_ = ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

void SetupScenario::SetUp() {
    if (!sessionError.empty()) GTEST_FAIL() << sessionError;
    endLeftoverInstallers();
    hostDir_ = wineSession().driveC() + "/e2e/" + name_;
    shotsDir_ = std::string(E2E_SHOTS_DIR) + "/" + name_;
    std::error_code ignored;
    fs::remove_all(hostDir_, ignored);
    fs::remove_all(shotsDir_, ignored);
    fs::create_directories(hostDir_);
    wineSession().deleteRegistryKey(machineKey());
    // An installer ended half-way leaves its backups; no later scenario's.
    for (const std::string& folder : backupFolders()) {
        std::cerr << "removing a leftover backup folder: " << folder << "\n";
        fs::remove_all(folder, ignored);
    }
}

std::vector<std::string> SetupScenario::backupFolders(const std::string& hostRoot) const {
    std::vector<std::string> found;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(hostRoot.empty() ? wineSession().driveC() : hostRoot, error))
        if (entry.path().filename().string().rfind("~SetupBackup.", 0) == 0) found.push_back(entry.path().string());
    return found;
}

void SetupScenario::endLeftoverInstallers() {
    // A test run that crashed leaves its installers waiting at a window;
    // they would stand in every later screenshot.
    for (const Window& window : robot.list(WindowQuery())) {
        if (window.path.rfind("C:\\e2e\\", 0) != 0) continue;
        std::cerr << "ending a leftover installer: " << window.path << " (\"" << window.title
                  << "\")\n";
        robot.terminateOwner(window.hwnd);
        robot.waitGone(window.hwnd, kWindowTimeout);
    }
}

void SetupScenario::TearDown() {
    // Programs still running (a failed scenario) end before their files go.
    for (Process& process : processes_) process.kill();
    processes_.clear();
    if (!sessionError.empty()) return;
    wineSession().deleteRegistryKey(machineKey());
    for (const std::string& key : extraKeys_) wineSession().deleteRegistryKey(key);
    std::error_code ignored;
    for (const std::string& path : extraPaths_) fs::remove_all(path, ignored);
    fs::remove_all(hostDir_, ignored);
    const char* keep = std::getenv("E2E_KEEP_SHOTS");
    if (!HasFailure() && !(keep && *keep)) fs::remove_all(shotsDir_, ignored);
}

std::string SetupScenario::hostPathOf(const std::string& windowsPath) const {
    std::string path = windowsPath;
    if (path.size() >= 2 && (path[0] == 'C' || path[0] == 'c') && path[1] == ':')
        path = wineSession().driveC() + path.substr(2);
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

ProductDescription SetupScenario::description() const {
    ProductDescription product;
    product.name = productName();
    product.version = "1.00";
    product.registryKey = registryKey();
    product.defaultFolder = installFolder();
    const std::string p = productName();
    product.setText("titlePrompt", p + " Setup");
    product.setText("titleError", p + " Error");
    product.setText("titleMessage", p);
    product.setText("titleWizard", p + " Wizard");
    product.setText("msgConfirmInstall", "Install " + p + " on this computer?");
    product.setText("msgConfirmReinstall", p + " is installed already. Install it again?");
    product.setText("msgConfirmUpgrade", "An older " + p + " is installed. Upgrade it?");
    product.setText("msgNewerInstalled", "A newer " + p + " is installed. Setup will exit.");
    product.setText("msgDoneStartMenu", p + " is installed. Start it from the Start menu.");
    product.setText("msgDoneDesktop", p + " is installed. Start it from the desktop.");
    product.setText("msgDoneFolder", p + " is installed in %s.");
    product.setText("msgDoneReboot", p + " is installed. Restart now?");
    product.setText("msgConfirmQuit", "Quit the setup of " + p + "?");
    product.setText("msgCanceled", p + " was not installed.");
    product.setText("progressTitle", p + " Progress");
    product.setText("msgLogNotFound", "The log %s of the installed " + p + " is missing.");
    product.setText("msgLogCorrupt", "The log %s of the installed " + p + " is damaged.");
    product.setText("textRemovingPrevious", "Removing the installed " + p + "...");
    return product;
}

bool SetupScenario::packageBuilderMissing() { return !packageBuilderAvailable(); }

Bytes SetupScenario::build(const ProductDescription& product, const std::vector<std::string>& moreArguments) {
    std::string descriptionPath = hostDir_ + "/product.toml";
    std::string outputPath = hostDir_ + "/built.exe";
    {
        std::ofstream out(descriptionPath);
        out << product.toToml();
    }
    CommandResult result = buildInstaller(descriptionPath, outputPath, moreArguments);
    Bytes file;
    if (result.exitCode != 0 || !readFile(outputPath, file)) {
        ADD_FAILURE() << "mkpackage failed (exit " << result.exitCode << "):\n"
                      << result.output << "\ndescription:\n"
                      << product.toToml();
        return {};
    }
    return file;
}

std::string SetupScenario::writeInstaller(const Bytes& file, const std::string& fileName) {
    EXPECT_TRUE(writeFile(hostDir_ + "/" + fileName, file)) << fileName;
    return windowsDir() + fileName;
}

std::vector<std::string> SetupScenario::asWindows9x(const std::string& fileName,
                                                    const std::string& directDraw) {
    const std::string key = "HKCU\\Software\\Wine\\AppDefaults\\" + fileName;
    deleteKeyAtEnd(key);
    EXPECT_TRUE(wineSession().setRegistryString(key, "Version", "win98")) << key;
    if (directDraw == kWineDirectDraw) return {};
    const char* overrides = std::getenv("WINEDLLOVERRIDES");
    std::string environment = "WINEDLLOVERRIDES=";
    if (overrides != nullptr && *overrides != '\0') environment += std::string(overrides) + ";";
    if (directDraw == kNoDirectDraw) return {environment + "ddraw=d"};
    std::error_code error;
    fs::copy_file(std::string(E2E_DDRAW_DIR) + "/" + directDraw, hostDir_ + "/ddraw.dll",
                  fs::copy_options::overwrite_existing, error);
    EXPECT_FALSE(error) << directDraw << ": " << error.message();
    return {environment + "ddraw=n"};
}

Process& SetupScenario::start(const std::string& fileName,
                             const std::vector<std::string>& environment) {
    return startWith(fileName, {}, environment);
}

Process& SetupScenario::startWith(const std::string& fileName, const std::vector<std::string>& arguments,
                                  const std::vector<std::string>& environment) {
    std::vector<std::string> command{windowsDir() + fileName};
    command.insert(command.end(), arguments.begin(), arguments.end());
    processes_.push_back(wineSession().launch(command, environment));
    EXPECT_TRUE(processes_.back().started()) << "wine did not start " << fileName;
    return processes_.back();
}

std::string SetupScenario::nextShotPath(const std::string& label) {
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%02d-", ++shotCount_);
    return shotsDir_ + "/" + prefix + fileLabel(label) + ".png";
}

void SetupScenario::screenshot(const std::string& label) {
    const std::string path = nextShotPath(label);
    EXPECT_TRUE(wineSession().screenshot(path)) << "screenshot " << path;
}

void SetupScenario::screenshotWindow(const std::string& label, const Window& window) {
    const std::string path = nextShotPath(label);
    const Rect& r = window.rect;
    // A window that closes while it is captured can fail the capture: the
    // screen as it is then is taken instead.
    EXPECT_TRUE(wineSession().screenshotWithWindow(path, r.left, r.top, r.right, r.bottom) ||
                wineSession().screenshot(path))
        << "screenshot " << path;
}

std::optional<Window> SetupScenario::waitWindow(const std::string& fileName,
                                                const std::string& label, Milliseconds timeout) {
    return waitWindow(WindowQuery::byExe(fileName), label, timeout);
}

std::optional<Window> SetupScenario::waitWindow(const WindowQuery& query, const std::string& label,
                                                Milliseconds timeout) {
    const std::string& fileName = query.exe;
    std::optional<Window> window = robot.waitFor(query, timeout);
    if (!window) {
        screenshot(label + "-missing");
        ADD_FAILURE() << "no window of " << fileName << " within " << timeout.count()
                      << " ms; robot said: " << robot.lastOutput();
        return std::nullopt;
    }
    std::this_thread::sleep_for(paintDelay());
    screenshotWindow(label + "-" + window->title.substr(0, 40), *window);
    return window;
}

std::optional<Window> SetupScenario::waitMessageBox(const std::string& fileName,
                                                    const std::string& caption,
                                                    const std::string& label) {
    WindowQuery query = WindowQuery::byExe(fileName);
    query.title = caption;
    const auto deadline = std::chrono::steady_clock::now() + kWindowTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        for (const Window& window : robot.list(query)) {
            std::optional<Window> box = robot.describe(window.hwnd);
            if (box && box->isMessageBox()) {
                std::this_thread::sleep_for(paintDelay());
                screenshot(label);
                return box;
            }
        }
        std::this_thread::sleep_for(Milliseconds(100));
    }
    screenshot(label + "-missing");
    ADD_FAILURE() << "no message box \"" << caption << "\" of " << fileName;
    return std::nullopt;
}

void SetupScenario::expectBox(const std::optional<Window>& box, const std::string& caption,
                              const std::string& text, const std::vector<int>& buttons) {
    ASSERT_TRUE(box);
    EXPECT_TRUE(box->isMessageBox()) << "class " << box->className;
    EXPECT_EQ(box->title, caption);
    EXPECT_EQ(box->message, text);
    EXPECT_EQ(box->buttonIds(), buttons);
}

void SetupScenario::answer(const Window& box, int buttonId) {
    EXPECT_TRUE(robot.click(box.hwnd, buttonId)) << robot.lastOutput();
    EXPECT_TRUE(robot.waitGone(box.hwnd, kWindowTimeout)) << "the box stays after button "
                                                          << buttonId;
}

std::optional<WizardPage> SetupScenario::currentWizardPage() {
    if (wizardSheet_ == 0) return std::nullopt;
    std::optional<Window> sheet = robot.describe(wizardSheet_);
    if (!sheet) return std::nullopt;
    return wizardPageOf(*sheet);
}

std::optional<WizardPage> SetupScenario::waitWizardPage(const std::string& fileName,
                                                        const std::string& label,
                                                        unsigned long previousPage) {
    const auto deadline = std::chrono::steady_clock::now() + kWindowTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        std::optional<WizardPage> view = currentWizardPage();
        if (!view) {
            // The sheet is the installer's window that shows a page.
            for (const Window& window : robot.list(WindowQuery::byExe(fileName))) {
                std::optional<Window> full = robot.describe(window.hwnd);
                if (full && (view = wizardPageOf(*full))) {
                    wizardSheet_ = full->hwnd;
                    break;
                }
            }
        }
        if (view && view->page != previousPage) {
            // The page's buttons are posted when it shows: look again once
            // they have arrived.
            std::this_thread::sleep_for(paintDelay());
            std::optional<WizardPage> settled = currentWizardPage();
            if (settled && settled->page == view->page) {
                screenshot(label + "-" + settled->sheet.title.substr(0, 40));
                return settled;
            }
        }
        std::this_thread::sleep_for(Milliseconds(50));
    }
    screenshot(label + "-missing");
    ADD_FAILURE() << "no new wizard page of " << fileName << "; robot said: " << robot.lastOutput();
    return std::nullopt;
}

void SetupScenario::acceptAndPassWizard(const Window& question, const std::string& fileName) {
    constexpr Milliseconds kNextWindow{5000};
    answer(question, kIdYes);
    // A product without pages has no wizard: the next window is another one.
    std::optional<Window> first = robot.waitFor(WindowQuery::byExe(fileName), kNextWindow);
    if (!first || !wizardPageOf(*first)) return;
    unsigned long previous = 0;
    for (int page = 0; page < 33; ++page) {
        std::optional<WizardPage> view = waitWizardPage(fileName, "wizard", previous);
        if (!view) return;
        if (view->offers(kWizardFinish)) {
            robot.click(view->sheet.hwnd, kWizardFinish);
            robot.waitGone(view->sheet.hwnd, kWindowTimeout);
            wizardSheet_ = 0;
            return;
        }
        robot.click(view->sheet.hwnd, kWizardNext);
        previous = view->page;
    }
    ADD_FAILURE() << "the wizard did not end after 33 pages";
}

int SetupScenario::exitCodeOf(Process& process, Milliseconds timeout) {
    std::optional<int> code = process.wait(timeout);
    if (!code) {
        screenshot("still-running");
        ADD_FAILURE() << "the installer still runs after " << timeout.count() << " ms";
        process.kill();
        return -1;
    }
    return *code;
}

}  // namespace e2e
