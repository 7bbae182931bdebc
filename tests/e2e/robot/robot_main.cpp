// The test robot. Usage:
//   robot list    [filter]                 visible top-level windows, one line each
//   robot wait    [filter] [--timeout MS] [--ready FILE]
//                                          waits for a window, then prints it with
//                                          children; FILE is made once it looks
//   robot dump    HWND                     prints a window with its children
//   robot gone    HWND [--timeout MS]      waits until the window no longer exists
//   robot click   HWND ID [--bm-click]     presses a button (see pressButton)
//   robot escape  HWND                     presses Esc in the window's thread
//   robot close   HWND                     posts WM_CLOSE
//   robot sysclose HWND                    posts WM_SYSCOMMAND SC_CLOSE
//   robot terminate HWND                   ends the process that owns the window
//   robot settext HWND ID TEXT             sets the text of a child (WM_SETTEXT)
//   robot select  HWND ID INDEX [--double-click]
//                                          selects a row of a list box or combo box
//                                          and posts the notification of a user's choice
//   robot hold    PATH [--timeout MS] [--ready FILE] [--share-none]
//                                          opens a file for reading, sharing only
//                                          reading (or nothing), and keeps it open for
//                                          MS (or until killed); FILE is made once it is open
//   robot lock    NAME [--timeout MS] [--ready FILE]
//                                          holds a named mutex for MS (or until killed)
//   robot run     COMMANDLINE [--timeout MS]
//                                          starts a command line as the system's list
//                                          of programs does and exits with its exit
//                                          code (127: it did not start)
//   robot load    NAME                     loads a library by its bare name, in the
//                                          search order of a program that sets none,
//                                          and prints the file it got
// filter: --exe NAME --class CLASS --title TEXT --title-has TEXT
// --no-send: read texts without sending messages (for a busy window's thread)
// Output is JSON lines. Exit codes: 0 done, 2 usage error, 3 timed out or
// nothing found, 4 the window does not exist, 5 the command could not be sent,
// 6 the button (or list or control) is disabled or missing.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "json_line.h"
#include "window_query.h"

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitNotFound = 3;
constexpr int kExitNoWindow = 4;
constexpr int kExitSendFailed = 5;
constexpr int kExitRefused = 6;
constexpr DWORD kPollMs = 25;

struct Options {
    std::string command;
    std::vector<std::string> positional;
    robot::WindowFilter filter;
    DWORD timeoutMs = 10000;
    bool bmClick = false;
    bool doubleClick = false;
    bool shareNone = false;
    std::string readyFile;
};

int usage(const char* problem) {
    robot::JsonLine().text("error", problem).print();
    return kExitUsage;
}

bool parseOptions(int argc, char** argv, Options& options, std::string& problem) {
    if (argc < 2) {
        problem = "no command";
        return false;
    }
    options.command = argv[1];
    for (int i = 2; i < argc; ++i) {
        std::string arg = argv[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= argc) {
                problem = arg + " needs a value";
                return false;
            }
            out = argv[++i];
            return true;
        };
        std::string number;
        if (arg == "--exe") {
            if (!value(options.filter.exe)) return false;
        } else if (arg == "--class") {
            if (!value(options.filter.className)) return false;
        } else if (arg == "--title") {
            if (!value(options.filter.title)) return false;
        } else if (arg == "--title-has") {
            if (!value(options.filter.titleHas)) return false;
        } else if (arg == "--timeout") {
            if (!value(number)) return false;
            options.timeoutMs = std::strtoul(number.c_str(), nullptr, 10);
        } else if (arg == "--bm-click") {
            options.bmClick = true;
        } else if (arg == "--double-click") {
            options.doubleClick = true;
        } else if (arg == "--share-none") {
            options.shareNone = true;
        } else if (arg == "--no-send") {
            robot::readWithoutMessages(true);
        } else if (arg == "--ready") {
            if (!value(options.readyFile)) return false;
        } else if (arg.rfind("--", 0) == 0) {
            problem = "unknown option " + arg;
            return false;
        } else {
            options.positional.push_back(arg);
        }
    }
    return true;
}

bool parseHandle(const std::string& text, HWND& window) {
    char* end = nullptr;
    unsigned long long value = std::strtoull(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0') return false;
    window = reinterpret_cast<HWND>(static_cast<uintptr_t>(value));
    return true;
}

// Makes the ready file, if one was asked for: the caller waits for it
// rather than for a time.
void markReady(const Options& options) {
    if (options.readyFile.empty()) return;
    HANDLE ready = CreateFileA(options.readyFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (ready != INVALID_HANDLE_VALUE) CloseHandle(ready);
}

int commandList(const Options& options) {
    for (HWND window : robot::findWindows(options.filter))
        if (IsWindowVisible(window)) robot::printWindow(window);
    return 0;
}

int commandWait(const Options& options) {
    DWORD start = GetTickCount();
    markReady(options);
    for (;;) {
        // A window may go between the search and the printing (a popup
        // that closes): only one that is still shown is reported.
        for (HWND window : robot::findWindows(options.filter)) {
            if (!IsWindowVisible(window)) continue;
            robot::printWindowWithChildren(window);
            return 0;
        }
        if (GetTickCount() - start >= options.timeoutMs) {
            robot::JsonLine().text("error", "timeout").print();
            return kExitNotFound;
        }
        Sleep(kPollMs);
    }
}

int commandGone(HWND window, const Options& options) {
    DWORD start = GetTickCount();
    while (IsWindow(window)) {
        if (GetTickCount() - start >= options.timeoutMs) {
            robot::JsonLine().text("error", "timeout").print();
            return kExitNotFound;
        }
        Sleep(kPollMs);
    }
    return 0;
}

// Keeps a handle for the time given (or until the robot is killed), once the
// ready file and the output line say it is held.
int keepHandle(HANDLE handle, const char* held, const Options& options) {
    markReady(options);
    robot::JsonLine().text(held, options.positional[0]).print();
    Sleep(options.timeoutMs);
    CloseHandle(handle);
    return 0;
}

// Holds a file open the way another program might: reading, with only
// reading shared, so that nobody else can open it for writing (or with
// nothing shared, so that nobody can open it at all).
int commandHold(const Options& options) {
    if (options.positional.empty()) return usage("hold needs a file");
    HANDLE file = CreateFileA(options.positional[0].c_str(), GENERIC_READ,
                              options.shareNone ? 0 : FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        robot::JsonLine().text("error", "cannot open the file").number("code", GetLastError()).print();
        return kExitNoWindow;
    }
    return keepHandle(file, "held", options);
}

// Holds a named object the way a running product does while it runs.
int commandLock(const Options& options) {
    if (options.positional.empty()) return usage("lock needs a name");
    HANDLE mutex = CreateMutexA(nullptr, FALSE, options.positional[0].c_str());
    if (mutex == nullptr) {
        robot::JsonLine().text("error", "cannot make the mutex").number("code", GetLastError()).print();
        return kExitNoWindow;
    }
    return keepHandle(mutex, "locked", options);
}

// Starts a command line with no program name given apart, as the system
// starts an uninstall entry's "UninstallString": the line is taken as it is,
// unquoted paths with blanks and all.
int commandRun(const Options& options) {
    constexpr int kNotStarted = 127;
    if (options.positional.empty()) return usage("run needs a command line");
    std::vector<char> line(options.positional[0].begin(), options.positional[0].end());
    line.push_back('\0');
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        robot::JsonLine().text("error", "cannot start").number("code", GetLastError()).print();
        return kNotStarted;
    }
    CloseHandle(process.hThread);
    DWORD code = kNotStarted;
    if (WaitForSingleObject(process.hProcess, options.timeoutMs) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

// Loads a library by its bare name, as a careless program would: a file of
// that name in the program's own folder comes first.
int commandLoad(const Options& options) {
    if (options.positional.empty()) return usage("load needs a library name");
    HMODULE library = LoadLibraryA(options.positional[0].c_str());
    if (library == nullptr) {
        robot::JsonLine().text("error", "cannot load").number("code", GetLastError()).print();
        return kExitNotFound;
    }
    char path[MAX_PATH] = "";
    GetModuleFileNameA(library, path, sizeof path);
    robot::JsonLine().text("kind", "library").text("path", path).print();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    std::string problem;
    if (!parseOptions(argc, argv, options, problem)) return usage(problem.c_str());

    if (options.command == "list") return commandList(options);
    if (options.command == "wait") return commandWait(options);
    if (options.command == "hold") return commandHold(options);
    if (options.command == "lock") return commandLock(options);
    if (options.command == "run") return commandRun(options);
    if (options.command == "load") return commandLoad(options);

    HWND window = nullptr;
    if (options.positional.empty() || !parseHandle(options.positional[0], window))
        return usage("the command needs a window handle");
    if (options.command == "gone") return commandGone(window, options);
    if (!IsWindow(window)) {
        robot::JsonLine().text("error", "no such window").print();
        return kExitNoWindow;
    }
    bool sent = true;
    if (options.command == "dump") {
        robot::printWindowWithChildren(window);
    } else if (options.command == "click") {
        if (options.positional.size() < 2) return usage("click needs a button id");
        int id = std::atoi(options.positional[1].c_str());
        switch (robot::pressButton(window, id, options.bmClick)) {
        case robot::PressResult::Sent: break;
        case robot::PressResult::Disabled:
            robot::JsonLine().text("error", "the button is disabled").print();
            return kExitRefused;
        case robot::PressResult::NoSuchButton:
            robot::JsonLine().text("error", "no such button").print();
            return kExitRefused;
        case robot::PressResult::NotSent: sent = false; break;
        }
    } else if (options.command == "settext") {
        if (options.positional.size() < 3) return usage("settext needs a control id and a text");
        if (!robot::setControlText(window, std::atoi(options.positional[1].c_str()),
                                   options.positional[2])) {
            robot::JsonLine().text("error", "no such control").print();
            return kExitRefused;
        }
    } else if (options.command == "select") {
        if (options.positional.size() < 3) return usage("select needs a control id and a row");
        if (!robot::selectListItem(window, std::atoi(options.positional[1].c_str()),
                                   std::atoi(options.positional[2].c_str()), options.doubleClick)) {
            robot::JsonLine().text("error", "no such list or row, or the list is disabled").print();
            return kExitRefused;
        }
    } else if (options.command == "escape") {
        robot::pressEscape(window);
    } else if (options.command == "close") {
        sent = PostMessageA(window, WM_CLOSE, 0, 0) != 0;
    } else if (options.command == "terminate") {
        sent = robot::terminateOwner(window);
    } else if (options.command == "sysclose") {
        sent = PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0) != 0;
    } else {
        return usage("unknown command");
    }
    if (!sent) {
        robot::JsonLine().text("error", "could not send").print();
        return kExitSendFailed;
    }
    return 0;
}
