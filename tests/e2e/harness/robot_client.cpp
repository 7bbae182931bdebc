#include "robot_client.h"

#include <sstream>

#include "wine_session.h"

namespace e2e {
namespace {

// The robot's own timeout comes first; this one only catches a stuck Wine.
constexpr Milliseconds kCallMargin{15000};
constexpr Milliseconds kShortCall{30000};

Rect rectOf(const JsonObject& object) {
    Rect r;
    auto it = object.find("rect");
    if (it != object.end() && it->second.numbers.size() == 4) {
        r.left = it->second.numbers[0];
        r.top = it->second.numbers[1];
        r.right = it->second.numbers[2];
        r.bottom = it->second.numbers[3];
    }
    return r;
}

}  // namespace

const Control* Window::child(int id) const {
    for (const Control& c : children)
        if (c.id == id) return &c;
    return nullptr;
}

std::vector<int> Window::buttonIds() const {
    std::vector<int> ids;
    for (const Control& c : children)
        if (c.className == "Button" && c.visible) ids.push_back(c.id);
    return ids;
}

std::vector<Window> parseWindows(const std::string& output) {
    std::vector<Window> windows;
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::optional<JsonObject> object = parseJsonLine(line);
        if (!object) continue;
        std::string kind = textOf(*object, "kind");
        if (kind == "window") {
            Window w;
            w.hwnd = numberOf(*object, "hwnd");
            w.className = textOf(*object, "class");
            w.title = textOf(*object, "text");
            w.exe = textOf(*object, "exe");
            w.path = textOf(*object, "path");
            w.pid = numberOf(*object, "pid");
            w.defaultButton = static_cast<int>(numberOf(*object, "defid", -1));
            w.message = textOf(*object, "message");
            w.visible = flagOf(*object, "visible");
            w.enabled = flagOf(*object, "enabled");
            w.rect = rectOf(*object);
            windows.push_back(std::move(w));
        } else if (kind == "child" && !windows.empty()) {
            Control c;
            c.hwnd = numberOf(*object, "hwnd");
            c.parent = numberOf(*object, "parent");
            c.className = textOf(*object, "class");
            c.text = textOf(*object, "text");
            c.id = static_cast<int>(numberOf(*object, "id"));
            c.style = numberOf(*object, "style");
            c.check = static_cast<int>(numberOf(*object, "check"));
            c.visible = flagOf(*object, "visible");
            c.enabled = flagOf(*object, "enabled");
            c.rect = rectOf(*object);
            c.position = static_cast<long>(numberOf(*object, "position", -1));
            c.high = static_cast<long>(numberOf(*object, "high", -1));
            c.selected = static_cast<long>(numberOf(*object, "selected", -1));
            windows.back().children.push_back(std::move(c));
        } else if (kind == "item" && !windows.empty() && !windows.back().children.empty()) {
            Control& list = windows.back().children.back();
            if (static_cast<unsigned long>(numberOf(*object, "hwnd")) == list.hwnd)
                list.items.push_back(textOf(*object, "text"));
        }
    }
    return windows;
}

CommandResult Robot::call(const std::vector<std::string>& args, Milliseconds timeout) const {
    std::vector<std::string> full{exe_};
    full.insert(full.end(), args.begin(), args.end());
    CommandResult result = wineSession().run(full, timeout);
    lastOutput_ = result.output;
    return result;
}

std::vector<std::string> Robot::filterArgs(const WindowQuery& query) const {
    std::vector<std::string> args;
    if (!query.exe.empty()) args.insert(args.end(), {"--exe", query.exe});
    if (!query.className.empty()) args.insert(args.end(), {"--class", query.className});
    if (!query.title.empty()) args.insert(args.end(), {"--title", query.title});
    if (!query.titleHas.empty()) args.insert(args.end(), {"--title-has", query.titleHas});
    return args;
}

std::optional<Window> Robot::waitFor(const WindowQuery& query, Milliseconds timeout) const {
    return wait(query, timeout, false, "");
}

std::optional<Window> Robot::waitForBusy(const WindowQuery& query, Milliseconds timeout,
                                         const std::string& readyFile) const {
    return wait(query, timeout, true, readyFile);
}

Process Robot::holdFile(const std::string& path, const std::string& readyFile, Milliseconds time,
                        bool shareNothing) const {
    std::vector<std::string> args{exe_, "hold", path, "--ready", readyFile,
                                  "--timeout", std::to_string(time.count())};
    if (shareNothing) args.push_back("--share-none");
    return wineSession().launch(args);
}

Process Robot::holdLock(const std::string& name, const std::string& readyFile, Milliseconds time) const {
    return wineSession().launch(
        {exe_, "lock", name, "--ready", readyFile, "--timeout", std::to_string(time.count())});
}

Process Robot::runCommandLine(const std::string& commandLine, Milliseconds timeout,
                              const std::vector<std::string>& environment) const {
    return wineSession().launch({exe_, "run", commandLine, "--timeout", std::to_string(timeout.count())}, environment);
}

std::optional<Window> Robot::wait(const WindowQuery& query, Milliseconds timeout, bool busy,
                                  const std::string& readyFile) const {
    std::vector<std::string> args{"wait"};
    if (busy) args.push_back("--no-send");
    if (!readyFile.empty()) args.insert(args.end(), {"--ready", readyFile});
    std::vector<std::string> filter = filterArgs(query);
    args.insert(args.end(), filter.begin(), filter.end());
    args.insert(args.end(), {"--timeout", std::to_string(timeout.count())});
    CommandResult result = call(args, timeout + kCallMargin);
    if (result.exitCode != 0) return std::nullopt;
    std::vector<Window> windows = parseWindows(result.output);
    if (windows.empty()) return std::nullopt;
    return windows.front();
}

std::vector<Window> Robot::list(const WindowQuery& query) const {
    std::vector<std::string> args{"list"};
    std::vector<std::string> filter = filterArgs(query);
    args.insert(args.end(), filter.begin(), filter.end());
    return parseWindows(call(args, kShortCall).output);
}

std::optional<Window> Robot::describe(unsigned long hwnd) const {
    CommandResult result = call({"dump", std::to_string(hwnd)}, kShortCall);
    std::vector<Window> windows = parseWindows(result.output);
    if (result.exitCode != 0 || windows.empty()) return std::nullopt;
    return windows.front();
}

bool Robot::waitGone(unsigned long hwnd, Milliseconds timeout) const {
    return call({"gone", std::to_string(hwnd), "--timeout", std::to_string(timeout.count())},
                timeout + kCallMargin)
               .exitCode == 0;
}

bool Robot::click(unsigned long hwnd, int id) const {
    return call({"click", std::to_string(hwnd), std::to_string(id)}, kShortCall).exitCode == 0;
}

bool Robot::clickButton(unsigned long hwnd, int id) const {
    return call({"click", std::to_string(hwnd), std::to_string(id), "--bm-click"}, kShortCall)
               .exitCode == 0;
}

bool Robot::pressEscape(unsigned long hwnd) const {
    return call({"escape", std::to_string(hwnd)}, kShortCall).exitCode == 0;
}

bool Robot::terminateOwner(unsigned long hwnd) const {
    return call({"terminate", std::to_string(hwnd)}, kShortCall).exitCode == 0;
}

bool Robot::setText(unsigned long hwnd, int id, const std::string& text) const {
    return call({"settext", std::to_string(hwnd), std::to_string(id), text}, kShortCall).exitCode == 0;
}

bool Robot::select(unsigned long hwnd, int id, int index, bool doubleClick) const {
    std::vector<std::string> args{"select", std::to_string(hwnd), std::to_string(id),
                                  std::to_string(index)};
    if (doubleClick) args.push_back("--double-click");
    return call(args, kShortCall).exitCode == 0;
}

bool Robot::close(unsigned long hwnd) const {
    return call({"close", std::to_string(hwnd)}, kShortCall).exitCode == 0;
}

bool Robot::closeBox(unsigned long hwnd) const {
    return call({"sysclose", std::to_string(hwnd)}, kShortCall).exitCode == 0;
}

}  // namespace e2e
