#include "scenario.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "wine_session.h"

namespace e2e {

std::string sessionError;

namespace {

namespace fs = std::filesystem;

// Wine paints a window shortly after it becomes visible.
constexpr Milliseconds kPaintDelay{250};

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
    hostDir_ = wineSession().driveC() + "/e2e/" + name_;
    shotsDir_ = std::string(E2E_SHOTS_DIR) + "/" + name_;
    std::error_code ignored;
    fs::remove_all(hostDir_, ignored);
    fs::remove_all(shotsDir_, ignored);
    fs::create_directories(hostDir_);
    wineSession().deleteRegistryKey(machineKey());
}

void SetupScenario::TearDown() {
    // Programs still running (a failed scenario) end before their files go.
    for (Process& process : processes_) process.kill();
    processes_.clear();
    if (!sessionError.empty()) return;
    wineSession().deleteRegistryKey(machineKey());
    std::error_code ignored;
    fs::remove_all(hostDir_, ignored);
    const char* keep = std::getenv("E2E_KEEP_SHOTS");
    if (!HasFailure() && !(keep && *keep)) fs::remove_all(shotsDir_, ignored);
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
    return product;
}

bool SetupScenario::packageBuilderMissing() { return !packageBuilderAvailable(); }

Bytes SetupScenario::build(const ProductDescription& product) {
    std::string descriptionPath = hostDir_ + "/product.toml";
    std::string outputPath = hostDir_ + "/built.exe";
    {
        std::ofstream out(descriptionPath);
        out << product.toToml();
    }
    CommandResult result = buildInstaller(descriptionPath, outputPath);
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

Process& SetupScenario::start(const std::string& fileName) {
    processes_.push_back(wineSession().launch({windowsDir() + fileName}));
    EXPECT_TRUE(processes_.back().started()) << "wine did not start " << fileName;
    return processes_.back();
}

void SetupScenario::screenshot(const std::string& label) {
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "%02d-", ++shotCount_);
    std::string path = shotsDir_ + "/" + prefix + fileLabel(label) + ".png";
    EXPECT_TRUE(wineSession().screenshot(path)) << "screenshot " << path;
}

std::optional<Window> SetupScenario::waitWindow(const std::string& fileName,
                                                const std::string& label, Milliseconds timeout) {
    std::optional<Window> window = robot.waitFor(WindowQuery::byExe(fileName), timeout);
    if (!window) {
        screenshot(label + "-missing");
        ADD_FAILURE() << "no window of " << fileName << " within " << timeout.count()
                      << " ms; robot said: " << robot.lastOutput();
        return std::nullopt;
    }
    std::this_thread::sleep_for(kPaintDelay);
    screenshot(label + "-" + window->title.substr(0, 40));
    return window;
}

void SetupScenario::answer(const Window& box, int buttonId) {
    EXPECT_TRUE(robot.click(box.hwnd, buttonId)) << robot.lastOutput();
    EXPECT_TRUE(robot.waitGone(box.hwnd, kWindowTimeout)) << "the box stays after button "
                                                          << buttonId;
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
