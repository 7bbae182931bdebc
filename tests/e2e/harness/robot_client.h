// Drives the Win32 robot under Wine and returns what it saw.
#ifndef E2E_HARNESS_ROBOT_CLIENT_H
#define E2E_HARNESS_ROBOT_CLIENT_H

#include <optional>
#include <string>
#include <vector>

#include "json_lines.h"
#include "process.h"
#include "program_ids.h"

namespace e2e {

struct Rect {
    long left = 0, top = 0, right = 0, bottom = 0;
};

struct Control {
    unsigned long hwnd = 0;
    unsigned long parent = 0;
    std::string className;
    std::string text;
    int id = 0;
    unsigned long style = 0;
    int check = 0;
    bool visible = false;
    bool enabled = false;
    Rect rect;
    // A progress bar's position and upper limit; -1 for other controls.
    long position = -1;
    long high = -1;
    // A list box's or combo box's rows and its selected row (-1: none).
    std::vector<std::string> items;
    long selected = -1;
};

struct Window {
    unsigned long hwnd = 0;
    std::string className;
    std::string title;
    std::string exe;
    std::string path;      // full Windows path of the owning process's image
    unsigned long pid = 0;
    int defaultButton = -1;
    std::string message;   // a message box's text (static id 0xFFFF)
    bool visible = false;
    bool enabled = false;
    Rect rect;
    std::vector<Control> children;

    const Control* child(int id) const;
    bool isMessageBox() const { return className == "#32770" && child(kMessageText) != nullptr; }
    // Ids of the visible buttons, in window order.
    std::vector<int> buttonIds() const;
};

// Which top-level windows to look at; empty fields match anything.
struct WindowQuery {
    std::string exe;
    std::string className;
    std::string title;
    std::string titleHas;

    static WindowQuery byExe(const std::string& exe) {
        WindowQuery query;
        query.exe = exe;
        return query;
    }
    static WindowQuery titled(const std::string& exe, const std::string& title) {
        WindowQuery query = byExe(exe);
        query.title = title;
        return query;
    }
};

class Robot {
public:
    explicit Robot(std::string robotExe) : exe_(std::move(robotExe)) {}

    // The first visible top-level window matching the query, once it exists;
    // nullopt after the timeout.
    std::optional<Window> waitFor(const WindowQuery& query, Milliseconds timeout) const;
    // The same, reading texts without sending messages, for a window whose
    // thread is busy (no default button, check states or bar positions).
    // With a readyFile (Windows path) the robot makes it once it looks, so
    // that a caller in another thread can wait for that.
    std::optional<Window> waitForBusy(const WindowQuery& query, Milliseconds timeout,
                                      const std::string& readyFile = "") const;
    // The matching windows now (without children).
    std::vector<Window> list(const WindowQuery& query) const;
    std::optional<Window> describe(unsigned long hwnd) const;
    bool waitGone(unsigned long hwnd, Milliseconds timeout) const;
    bool click(unsigned long hwnd, int id) const;
    // Presses the button itself (BM_CLICK), as a mouse click does.
    bool clickButton(unsigned long hwnd, int id) const;
    bool pressEscape(unsigned long hwnd) const;
    bool close(unsigned long hwnd) const;
    // The close box of the caption (WM_SYSCOMMAND SC_CLOSE).
    bool closeBox(unsigned long hwnd) const;
    // Ends the process that owns the window.
    bool terminateOwner(unsigned long hwnd) const;
    // Sets the text of the window's control with the id, as typing would.
    bool setText(unsigned long hwnd, int id, const std::string& text) const;
    // Picks row `index` of the window's list box or combo box with the id,
    // as a user's click would (a double click with `doubleClick`).
    bool select(unsigned long hwnd, int id, int index, bool doubleClick = false) const;
    // Opens a file (Windows path) for reading with only reading shared and
    // keeps it open for the time given or until the process is killed;
    // readyFile (Windows path) is made once the file is open. With
    // `shareNothing` no other program can open it at all.
    Process holdFile(const std::string& path, const std::string& readyFile, Milliseconds time,
                     bool shareNothing = false) const;
    // Holds a named mutex, as a running product holds its lock, for the time
    // given or until the process is killed; readyFile is made once it is held.
    Process holdLock(const std::string& name, const std::string& readyFile, Milliseconds time) const;
    // Starts a Windows command line as the system's list of programs starts
    // an uninstall entry, with further environment settings when given; the
    // process's exit code is the program's (127: it did not start).
    Process runCommandLine(const std::string& commandLine, Milliseconds timeout,
                           const std::vector<std::string>& environment = {}) const;

    // The robot's last output, for failure messages.
    const std::string& lastOutput() const { return lastOutput_; }

private:
    CommandResult call(const std::vector<std::string>& args, Milliseconds timeout) const;
    std::vector<std::string> filterArgs(const WindowQuery& query) const;
    std::optional<Window> wait(const WindowQuery& query, Milliseconds timeout, bool busy,
                               const std::string& readyFile) const;

    std::string exe_;
    mutable std::string lastOutput_;
};

// Turns robot output lines into windows; child lines attach to the window
// line before them, item lines to the list control before them.
std::vector<Window> parseWindows(const std::string& output);

}  // namespace e2e

#endif
