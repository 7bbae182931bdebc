// The scenario's life: its folder, names, installers and programs, and the
// cleanup of what it made. The windows it meets: scenario_windows.cpp.
#include "scenario.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <regex>

#include "wine_session.h"

namespace e2e {

std::string sessionError;

namespace {

namespace fs = std::filesystem;

constexpr Milliseconds kHoldTimeout{120000};

}  // namespace

SetupScenario::SetupScenario() : robot(E2E_ROBOT_EXE) {
    name_ = ::testing::UnitTest::GetInstance()->current_test_info()->name();
}

void SetupScenario::SetUp() {
    if (!sessionError.empty()) GTEST_FAIL() << sessionError;
    ASSERT_TRUE(packageBuilderAvailable()) << E2E_MKPACKAGE << " does not answer build --help";
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
    for (const auto& [path, bytes] : replacedSystemFiles_) writeFile(path, bytes);
    replacedSystemFiles_.clear();
    fs::remove_all(hostDir_, ignored);
    // Only the screenshots that are kept are made PNGs.
    const char* keep = std::getenv("E2E_KEEP_SHOTS");
    if (!HasFailure() && !(keep && *keep)) {
        fs::remove_all(shotsDir_, ignored);
        return;
    }
    for (const WineSession::RawScreenshot& shot : shots_)
        if (!wineSession().develop(shot)) warnNoPicture(shot.pngPath);
}

std::string SetupScenario::hostPathOf(const std::string& windowsPath) const {
    std::string path = windowsPath;
    if (path.size() >= 2 && (path[0] == 'C' || path[0] == 'c') && path[1] == ':')
        path = wineSession().driveC() + path.substr(2);
    for (char& c : path)
        if (c == '\\') c = '/';
    return path;
}

std::string SetupScenario::shellFolder(const std::string& value) const {
    // Where Wine has no such value the programs fall back to these.
    const std::string fallback =
        value == "Desktop" ? "C:\\Windows\\Desktop" : "C:\\Windows\\Start Menu\\" + value;
    return wineSession().readRegistryString(kShellFoldersKey, value).value_or(fallback);
}

SetupScenario::ShortcutPlaces SetupScenario::shortcutPlacesRemovedAtEnd(const std::string& programsFolder) {
    ShortcutPlaces places{shellFolder("Desktop") + "\\" + productName() + ".lnk",
                          shellFolder("Programs") + "\\" + programsFolder};
    removeAtEnd(hostPathOf(places.desktopLink));
    removeAtEnd(hostPathOf(places.programsFolder));
    deleteKeyAtEnd(userKey());
    deleteKeyAtEnd(uninstallEntry());
    return places;
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

ProductDescription SetupScenario::descriptionWith(const std::vector<std::string>& files) const {
    ProductDescription product = description();
    product.components.push_back({"Program", files});
    product.defaultSelection = {"Program"};
    return product;
}

void SetupScenario::source(const std::string& relative, const std::string& content) {
    EXPECT_TRUE(writeFileAt(hostDir_ + "/" + relative, content, kSourceTime)) << relative;
}

void SetupScenario::earlierFile(const std::string& hostPath, const std::string& content) {
    EXPECT_TRUE(writeFileAt(hostPath, content, kEarlierTime)) << hostPath;
}

void SetupScenario::expectEarlierFile(const std::string& hostPath, const std::string& content) {
    EXPECT_EQ(contentOf(hostPath), content) << hostPath;
    EXPECT_EQ(modifiedAt(hostPath), kEarlierTime) << hostPath;
}

std::vector<std::string> SetupScenario::localeEnvironment(const std::string& locale) {
    const std::string name = locale + ".UTF-8";
    std::vector<std::string> environment{"LANG=" + name, "LC_ALL=" + name};
    const CommandResult system = runCommand({"locale", "-a"}, Milliseconds(10000));
    if (system.output.find(locale + ".utf8") != std::string::npos) return environment;
    // glibc reads a locale of its own from LOCPATH: nothing of the system's changes.
    const std::string folder = std::string(E2E_SHOTS_DIR) + "/../locales";
    if (!fs::exists(folder + "/" + name + "/LC_CTYPE")) {
        fs::create_directories(folder);
        const CommandResult made =
            runCommand({"localedef", "-i", locale, "-f", "UTF-8", folder + "/" + name}, Milliseconds(60000), true);
        if (!fs::exists(folder + "/" + name + "/LC_CTYPE")) {
            ADD_FAILURE() << "no locale " << name << ": " << made.output;
            return {};
        }
    }
    environment.push_back("LOCPATH=" + folder);
    return environment;
}

std::string SetupScenario::exampleToml(const std::string& example, const std::string& description) {
    const fs::path folder = fs::path(E2E_SOURCE_DIR) / "examples" / example;
    fs::copy(folder, hostDir(), fs::copy_options::recursive | fs::copy_options::skip_existing);
    std::string toml = contentOf((folder / description).string());
    toml = std::regex_replace(toml, std::regex("\nregistry-key = [^\n]*"),
                              "\nregistry-key = " + tomlString(registryKey()));
    return std::regex_replace(toml, std::regex("\ndefault-folder = [^\n]*"),
                              "\ndefault-folder = " + tomlString(installFolder()));
}

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

bool SetupScenario::buildAs(const ProductDescription& product, const std::string& fileName,
                            const std::vector<std::string>& moreArguments) {
    const Bytes file = build(product, moreArguments);
    if (file.empty()) return false;
    writeInstaller(file, fileName);
    return fs::exists(hostDir_ + "/" + fileName);
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
    // The programs load DirectDraw from the system folder by its full path.
    replaceSystemFile("ddraw.dll", std::string(E2E_DDRAW_DIR) + "/" + directDraw);
    return {environment + "ddraw=n"};
}

std::vector<std::string> SetupScenario::temporaryFoldersNamed(const std::string& prefix) const {
    std::vector<std::string> found;
    const std::string temp = wineSession().temporaryFolder();
    if (temp.empty()) return found;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(hostPathOf(temp), error))
        if (entry.is_directory() && entry.path().filename().string().rfind(prefix, 0) == 0)
            found.push_back(entry.path().string());
    return found;
}

std::string SetupScenario::hostSystemFolder() const {
    const std::string wow = wineSession().driveC() + "/windows/syswow64";
    return fs::is_directory(wow) ? wow : wineSession().driveC() + "/windows/system32";
}

void SetupScenario::replaceSystemFile(const std::string& name, const std::string& hostFile) {
    const std::string path = hostSystemFolder() + "/" + name;
    bool saved = false;
    for (const auto& replaced : replacedSystemFiles_) saved |= replaced.first == path;
    Bytes original;
    if (!saved && readFile(path, original)) replacedSystemFiles_.emplace_back(path, original);
    std::error_code error;
    fs::copy_file(hostFile, path, fs::copy_options::overwrite_existing, error);
    EXPECT_FALSE(error) << hostFile << ": " << error.message();
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

int SetupScenario::runSilently(const std::string& fileName, const std::vector<std::string>& arguments) {
    return exitCodeOf(startWith(fileName, arguments, {"DISPLAY="}));
}

int SetupScenario::exitCodeOf(Process& process, Milliseconds timeout) {
    std::optional<int> code = process.wait(timeout);
    if (!code) {
        screenshot("still-running");
        ADD_FAILURE() << "the program still runs after " << timeout.count() << " ms";
        process.kill();
        return -1;
    }
    return *code;
}

int SetupScenario::runQuietUninstall(const std::string& uninstallString) {
    std::string command = uninstallString;
    const std::size_t programEnd = command.find("\" ");
    if (programEnd == std::string::npos) {
        ADD_FAILURE() << "no quoted program in " << command;
        return -1;
    }
    command.insert(programEnd + 2, "/S ");
    Process uninstaller = robot.runCommandLine(command, kExitTimeout);
    return exitCodeOf(uninstaller);
}

Process SetupScenario::holdFile(const std::string& path, bool shareNothing) {
    const std::string ready = hostDir_ + "/held.ready";
    fs::remove(ready);
    Process holder = robot.holdFile(path, windowsDir() + "held.ready", kHoldTimeout, shareNothing);
    EXPECT_TRUE(waitUntil([&] { return fs::exists(ready); }, kWindowTimeout))
        << "the robot did not open " << path;
    return holder;
}

Process SetupScenario::holdLock(const std::string& name) {
    const std::string ready = hostDir_ + "/locked.ready";
    fs::remove(ready);
    Process holder = robot.holdLock(name, windowsDir() + "locked.ready", kHoldTimeout);
    EXPECT_TRUE(waitUntil([&] { return fs::exists(ready); }, kWindowTimeout))
        << "the robot holds no lock " << name;
    return holder;
}

}  // namespace e2e
