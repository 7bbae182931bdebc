// The Wine prefix and X display that every scenario runs in: one prefix for
// the whole run (creating it costs about 15 s, starting a program in it
// about 0.1 s once its wineserver lives), a private Xvfb when no display is
// given, and the registry and screenshot services of the scenarios.
#ifndef E2E_HARNESS_WINE_SESSION_H
#define E2E_HARNESS_WINE_SESSION_H

#include <optional>
#include <string>
#include <vector>

#include "process.h"

namespace e2e {

class WineSession {
public:
    // Prepares the display, the prefix and a persistent wineserver; false
    // (with the reason in error()) when that is impossible. With a `user`,
    // the prefix is made for (and every program runs as) the user of that
    // name, whose profile folder is C:\users\<user>.
    bool start(const std::string& prefix, const std::string& user = "");
    // Ends the private display and, with it, the prefix's wineserver and
    // every program in it. On a display given from outside the wineserver
    // ends by itself a while after the last program.
    void stop();
    const std::string& error() const { return error_; }

    const std::string& prefix() const { return prefix_; }
    // The name of the prefix's user.
    const std::string& user() const { return user_; }
    // Host path of the prefix's drive C.
    std::string driveC() const { return prefix_ + "/drive_c"; }
    // Host path of a folder of the prefix user's profile ("Desktop",
    // "Temp", ...): the real one, whatever the 8-bit calls make of its name.
    std::string hostUserFolder(const std::string& relative) const {
        return driveC() + "/users/" + user_ + "/" + relative;
    }
    // Two drives that Wine learns of when its server starts (a drive mapped
    // later is reachable by its letter but missing from the logical-drive
    // mask): M:, a folder of the prefix that scenarios may fill and must
    // empty again, and N:, mapped to a folder that never exists.
    static constexpr char kSpareDrive = 'M';
    static constexpr char kUnreadableDrive = 'N';
    std::string spareDriveFolder() const { return prefix_ + "/e2e-drive-m"; }

    // Runs a Windows program to its end with the given arguments.
    CommandResult run(const std::vector<std::string>& args, Milliseconds timeout) const;
    // Starts a Windows program in the background, with further environment
    // settings ("NAME=value") when given.
    Process launch(const std::vector<std::string>& args,
                   const std::vector<std::string>& environment = {}) const;

    // Registry through Wine's reg.exe. Keys are full paths such as
    // "HKLM\\Software\\E2E\\Name".
    bool setRegistryString(const std::string& key, const std::string& value,
                           const std::string& data) const;
    // Any type reg.exe knows ("REG_DWORD", "REG_EXPAND_SZ", ...).
    bool setRegistryValue(const std::string& key, const std::string& value,
                          const std::string& type, const std::string& data) const;
    std::optional<std::string> readRegistryString(const std::string& key,
                                                  const std::string& value) const;
    bool registryKeyExists(const std::string& key) const;
    void deleteRegistryKey(const std::string& key) const;
    void deleteRegistryValue(const std::string& key, const std::string& value) const;

    // The prefix user's temporary folder as Windows names it, with its
    // backslash ("C:\\users\\<user>\\Temp\\"); empty when it cannot be had.
    std::string temporaryFolder() const;
    // Screenshots. Each capture is tried twice, a window's then the whole
    // screen's; false when none succeeded (a picture is evidence for the
    // scenario's checks, never a check of its own).
    // The window at the rectangle (screen pixels) as PNG: the pixels of the
    // X window Wine made for it when one lies exactly there, else that part
    // of the screen. (Under Wine 8 on Xvfb a window that opens over another
    // of its program keeps its pixels in its own X window while the screen
    // shows it black.)
    bool screenshot(const std::string& pngPath, long left, long top, long right,
                    long bottom) const;
    // A screenshot captured now and made a PNG only if it is kept (most
    // scenarios pass and drop theirs): the screen, and the window at `box`
    // from its own X window, as xwd files beside the PNG's path, until
    // develop() lays the window over the screen at its place.
    struct Box {
        long left, top, right, bottom;
    };
    struct RawScreenshot {
        std::string pngPath;
        long left = 0, top = 0;  // where the window's pixels go
    };
    bool capture(const RawScreenshot& shot, const std::optional<Box>& window) const;
    // Writes the PNG and removes the xwd files; false when it cannot.
    bool develop(const RawScreenshot& shot) const;

private:
    bool startDisplay();
    bool mapTestDrives();
    std::string prefix_;
    std::string user_;
    std::string error_;
    Process xvfb_;
};

// The session of this test run, set up by the test environment in main.
WineSession& wineSession();

// While it lives, every Windows program started (the installer and the
// robot alike) runs in `locale` ("de_DE.UTF-8"): Wine takes the user's
// language and the ANSI code page from it. The session's C locale comes
// back at its end.
class WineLocale {
public:
    explicit WineLocale(const std::string& locale);
    ~WineLocale();
    WineLocale(const WineLocale&) = delete;
    WineLocale& operator=(const WineLocale&) = delete;

private:
    std::string previousAll_, previousLang_;
    bool hadLang_ = false;
};

}  // namespace e2e

#endif
