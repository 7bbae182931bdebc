#include "wine_session.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "host_files.h"

namespace e2e {
namespace {

constexpr Milliseconds kPrefixTimeout{180000};
constexpr Milliseconds kRegistryTimeout{60000};
constexpr Milliseconds kShotTimeout{20000};
constexpr int kServerLingerSeconds = 30;

bool exists(const std::string& path) {
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

// An X geometry, "WxH+X+Y", of a rectangle in screen pixels.
std::string geometry(long left, long top, long right, long bottom) {
    return std::to_string(right - left) + "x" + std::to_string(bottom - top) + "+" +
           std::to_string(left) + "+" + std::to_string(top);
}

// Shell text that sets $id to the top-level X window of exactly that
// geometry (xwininfo prints it between blanks), or leaves it empty.
std::string windowIdCommand(const std::string& geometry) {
    return "id=$(xwininfo -root -children 2>/dev/null | awk -v g='  " + geometry +
           "  ' 'index($0, g) { print $1; exit }'); ";
}

std::string quoteShell(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string screenCommand(const std::string& quotedPng) {
    return "xwd -root -silent | convert xwd:- " + quotedPng;
}

// Runs the capture commands in turn, each twice at the most, until one
// succeeds: a window that goes while xwd walks the screen's windows, or a
// machine too busy for the capture's time-out, fails one attempt.
bool firstCapture(const std::vector<std::string>& commands) {
    for (const std::string& command : commands) {
        for (int attempt = 0; attempt < 2; ++attempt) {
            if (runCommand({"/bin/sh", "-c", command}, kShotTimeout).exitCode == 0) return true;
            std::this_thread::sleep_for(Milliseconds(100));
        }
    }
    return false;
}

// Wine links the user's Desktop, Documents and the like to the Linux home:
// shortcuts a scenario makes would land there. Plain folders keep them in
// the prefix.
bool unlinkUserFolders(const std::string& prefix) {
    namespace fs = std::filesystem;
    std::error_code error;
    for (const auto& user : fs::directory_iterator(prefix + "/drive_c/users", error)) {
        for (const auto& entry : fs::directory_iterator(user.path(), error)) {
            if (!entry.is_symlink()) continue;
            if (!fs::remove(entry.path(), error) || !fs::create_directory(entry.path(), error))
                return false;
        }
    }
    return !error;
}

}  // namespace

WineSession& wineSession() {
    static WineSession session;
    return session;
}

bool WineSession::startDisplay() {
    if (const char* display = std::getenv("DISPLAY"); display && *display) return true;
    // Xvfb takes the first free display itself and writes its number once
    // it accepts connections: two runs started at once never pick the same.
    char numberFile[] = "/tmp/e2e-display-XXXXXX";
    const int fd = mkstemp(numberFile);
    if (fd < 0) {
        error_ = "cannot make a file for Xvfb's display number";
        return false;
    }
    ::close(fd);
    xvfb_ = Process({"/bin/sh", "-c",
                     "exec Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>" +
                         quoteShell(numberFile)});
    std::string number;
    const bool ready = waitUntil(
        [&] {
            number = contentOf(numberFile);
            return (!number.empty() && number.back() == '\n') || xvfb_.poll().has_value();
        },
        kPrefixTimeout);
    std::remove(numberFile);
    if (!ready || number.empty() || number.back() != '\n') {
        error_ = "Xvfb did not start";
        return false;
    }
    number.pop_back();
    setenv("DISPLAY", (":" + number).c_str(), 1);
    return true;
}

bool WineSession::start(const std::string& prefix, const std::string& user) {
    prefix_ = prefix;
    // Wine takes the user's name from USER: set for the prefix's making
    // and for every program after it, or Wine makes another profile.
    if (!user.empty()) setenv("USER", user.c_str(), 1);
    const char* name = std::getenv("USER");
    user_ = name != nullptr ? name : "";
    // The scenarios run 32-bit programs: a 32-bit prefix has no registry
    // redirection between the robot, reg.exe and the setup program.
    setenv("WINEPREFIX", prefix.c_str(), 1);
    setenv("WINEARCH", "win32", 1);
    setenv("WINEDEBUG", "-all", 1);
    // No Mono or Gecko installers; and no menu builder, which would copy
    // every shortcut a scenario makes into the Linux user's menus and desktop.
    setenv("WINEDLLOVERRIDES", "mscoree,mshtml=;winemenubuilder.exe=d", 1);
    // Wine takes the ANSI code page from the locale: the C locale gives
    // Windows-1252, as on an English system, whatever the user's own.
    setenv("LC_ALL", "C.UTF-8", 1);
    if (!startDisplay()) return false;

    // The marker is written last: a prefix without it is new or was left
    // half-made by an interrupted run, and is made again from scratch.
    const std::string marker = prefix + "/e2e-ready-2";
    if (!exists(marker)) {
        Process({"wineserver", "-k"}).wait(kPrefixTimeout);
        std::error_code ignored;
        std::filesystem::remove_all(prefix, ignored);
        Process boot({"wineboot", "-i"});
        std::optional<int> booted = boot.wait(kPrefixTimeout);
        // Without a window manager Wine waits 2 s at every program's end
        // for one to withdraw the windows; windows that Wine manages itself
        // end at once and carry a caption the screenshots show.
        bool configured =
            booted == 0 && setRegistryString("HKCU\\Software\\Wine\\X11 Driver", "Managed", "N");
        // Every scenario's product keys lie below Software\E2E. A run logs
        // the parent keys it makes; with the shared parent there from the
        // start, what a run logs does not depend on which scenario ran first.
        for (const char* root : {"HKLM", "HKCU"})
            configured = configured && setRegistryString(std::string(root) + "\\Software\\E2E", "Scenarios", "1");
        // The registry files are complete once the server has ended.
        Process({"wineserver", "-w"}).wait(kPrefixTimeout);
        if (!configured || !exists(prefix + "/system.reg") || !unlinkUserFolders(prefix)) {
            error_ = "cannot make the Wine prefix " + prefix;
            return false;
        }
        if (!exists(hostUserFolder(""))) {
            error_ = "the Wine prefix " + prefix + " has no profile folder for the user " + user_;
            return false;
        }
        std::ofstream(marker) << "wineboot -i for " << user_
                              << "; X11 Driver: Managed=N; Software\\E2E in both roots; user folders unlinked\n";
    }
    if (!mapTestDrives()) {
        error_ = "cannot map the drives M: and N: in " + prefix;
        return false;
    }
    // The wineserver lingers a while after its last program, so that the
    // next scenario (a separate test process) starts in about 0.1 s. It
    // runs as a daemon, so it gets no pipe of ours: a pipe it inherits
    // would never close.
    Process server({"wineserver", "-p" + std::to_string(kServerLingerSeconds)});
    server.wait(kPrefixTimeout);
    return true;
}

bool WineSession::mapTestDrives() {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::create_directories(spareDriveFolder(), error);
    const std::pair<char, std::string> drives[] = {
        {kSpareDrive, spareDriveFolder()}, {kUnreadableDrive, prefix_ + "/e2e-drive-n-missing"}};
    bool mapped = false;
    for (const auto& [letter, target] : drives) {
        const fs::path link = prefix_ + "/dosdevices/" + static_cast<char>(letter - 'A' + 'a') + ":";
        if (fs::read_symlink(link, error) == target) continue;
        fs::remove(link, error);
        fs::create_directory_symlink(target, link, error);
        if (error) return false;
        mapped = true;
    }
    // The drive list is read when the server's services start: a server
    // that runs already has to start again to see the new drives.
    if (mapped) Process({"wineserver", "-k"}).wait(kPrefixTimeout);
    return true;
}

void WineSession::stop() {
    // With a display of our own, nothing of this prefix may outlive it.
    if (xvfb_.started()) {
        Process({"wineserver", "-k"}).wait(Milliseconds(20000));
        xvfb_.kill();
    }
}

CommandResult WineSession::run(const std::vector<std::string>& args, Milliseconds timeout) const {
    std::vector<std::string> argv{"wine"};
    argv.insert(argv.end(), args.begin(), args.end());
    return runCommand(argv, timeout);
}

Process WineSession::launch(const std::vector<std::string>& args,
                            const std::vector<std::string>& environment) const {
    std::vector<std::string> argv;
    if (!environment.empty()) {
        argv.push_back("env");
        argv.insert(argv.end(), environment.begin(), environment.end());
    }
    argv.push_back("wine");
    argv.insert(argv.end(), args.begin(), args.end());
    return Process(argv);
}

std::string WineSession::temporaryFolder() const {
    CommandResult result = run({"cmd", "/c", "echo", "%TEMP%"}, kRegistryTimeout);
    std::string folder = result.output;
    while (!folder.empty() && (folder.back() == '\n' || folder.back() == '\r')) folder.pop_back();
    if (result.exitCode != 0 || folder.empty() || folder.find('%') != std::string::npos) return "";
    return folder.back() == '\\' ? folder : folder + "\\";
}

bool WineSession::setRegistryString(const std::string& key, const std::string& value,
                                    const std::string& data) const {
    return setRegistryValue(key, value, "REG_SZ", data);
}

bool WineSession::setRegistryValue(const std::string& key, const std::string& value,
                                   const std::string& type, const std::string& data) const {
    return run({"reg", "add", key, "/v", value, "/t", type, "/d", data, "/f"}, kRegistryTimeout)
               .exitCode == 0;
}

std::optional<std::string> WineSession::readRegistryString(const std::string& key,
                                                           const std::string& value) const {
    CommandResult result = run({"reg", "query", key, "/v", value}, kRegistryTimeout);
    if (result.exitCode != 0) return std::nullopt;
    // A value line reads "    <name>    REG_SZ    <data>".
    std::istringstream lines(result.output);
    std::string line;
    const std::string marker = "    REG_SZ    ";
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t at = line.find(marker);
        if (at == std::string::npos) continue;
        size_t nameStart = line.find_first_not_of(' ');
        if (line.substr(nameStart, at - nameStart) != value) continue;
        return line.substr(at + marker.size());
    }
    return std::nullopt;
}

bool WineSession::registryKeyExists(const std::string& key) const {
    return run({"reg", "query", key}, kRegistryTimeout).exitCode == 0;
}

void WineSession::deleteRegistryKey(const std::string& key) const {
    run({"reg", "delete", key, "/f"}, kRegistryTimeout);
}

void WineSession::deleteRegistryValue(const std::string& key, const std::string& value) const {
    run({"reg", "delete", key, "/v", value, "/f"}, kRegistryTimeout);
}

bool WineSession::screenshot(const std::string& pngPath, long left, long top, long right,
                             long bottom) const {
    std::filesystem::create_directories(std::filesystem::path(pngPath).parent_path());
    const std::string crop = geometry(left, top, right, bottom);
    const std::string png = quoteShell("png:" + pngPath);
    const std::string window = windowIdCommand(crop) +
                               "if [ -n \"$id\" ] && xwd -id \"$id\" -silent | convert xwd:- " + png +
                               " 2>/dev/null; then :; else xwd -root -silent | convert xwd:- -crop " +
                               crop + " +repage " + png + "; fi";
    return firstCapture({window, screenCommand(png)});
}

bool WineSession::capture(const RawScreenshot& shot, const std::optional<Box>& window) const {
    std::filesystem::create_directories(std::filesystem::path(shot.pngPath).parent_path());
    const std::string screen = quoteShell(shot.pngPath + ".screen.xwd");
    const std::string own = quoteShell(shot.pngPath + ".window.xwd");
    std::string command = "rm -f " + own + "; xwd -root -silent > " + screen + " || exit 1; ";
    if (window) {
        // The window's own pixels when it still has its X window; a window
        // that closes meanwhile leaves the screen alone.
        command += windowIdCommand(geometry(window->left, window->top, window->right, window->bottom));
        command += "if [ -n \"$id\" ]; then xwd -id \"$id\" -silent > " + own + " 2>/dev/null || rm -f " + own +
                   "; fi; ";
    }
    return firstCapture({command + "exit 0"});
}

bool WineSession::develop(const RawScreenshot& shot) const {
    const std::string png = quoteShell("png:" + shot.pngPath);
    const std::string screen = quoteShell(shot.pngPath + ".screen.xwd");
    const std::string own = quoteShell(shot.pngPath + ".window.xwd");
    // A window image cut off by its window's end does not compose: the
    // screen alone is kept then.
    const std::string command = "if [ -f " + own + " ] && convert " + screen + " " + own + " -geometry +" +
                                std::to_string(shot.left) + "+" + std::to_string(shot.top) + " -composite " +
                                png + " 2>/dev/null; then :; else convert " + screen + " " + png +
                                "; fi; status=$?; rm -f " + screen + " " + own + "; exit $status";
    return runCommand({"/bin/sh", "-c", command}, kShotTimeout).exitCode == 0;
}

WineLocale::WineLocale(const std::string& locale) {
    const char* all = std::getenv("LC_ALL");
    previousAll_ = all != nullptr ? all : "C.UTF-8";
    const char* lang = std::getenv("LANG");
    hadLang_ = lang != nullptr;
    if (hadLang_) previousLang_ = lang;
    setenv("LC_ALL", locale.c_str(), 1);
    setenv("LANG", locale.c_str(), 1);
}

WineLocale::~WineLocale() {
    setenv("LC_ALL", previousAll_.c_str(), 1);
    if (hadLang_) setenv("LANG", previousLang_.c_str(), 1);
    else unsetenv("LANG");
}

}  // namespace e2e
