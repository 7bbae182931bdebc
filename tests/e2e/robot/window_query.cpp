#include "window_query.h"

#include <commctrl.h>

#include <algorithm>
#include <cctype>

#include "json_line.h"

namespace robot {
namespace {

// The id of the static control that holds a message box's text.
constexpr int kMessageBoxTextId = 0xFFFF;
constexpr UINT kAnswerTimeoutMs = 2000;

bool withoutMessages = false;

bool equalNoCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

bool matches(HWND window, const WindowFilter& filter) {
    if (!IsWindowVisible(window)) return false;
    if (!filter.className.empty() && className(window) != filter.className) return false;
    if (!filter.exe.empty() && !equalNoCase(processImageName(window), filter.exe)) return false;
    if (!filter.title.empty() || !filter.titleHas.empty()) {
        std::string title = windowText(window);
        if (!filter.title.empty() && title != filter.title) return false;
        if (!filter.titleHas.empty() && title.find(filter.titleHas) == std::string::npos)
            return false;
    }
    return true;
}

struct FindContext {
    const WindowFilter* filter;
    std::vector<HWND> found;
};

BOOL CALLBACK collectTopLevel(HWND window, LPARAM param) {
    auto* context = reinterpret_cast<FindContext*>(param);
    if (matches(window, *context->filter)) context->found.push_back(window);
    return TRUE;
}

BOOL CALLBACK collectChild(HWND window, LPARAM param) {
    reinterpret_cast<std::vector<HWND>*>(param)->push_back(window);
    return TRUE;
}

std::vector<HWND> descendants(HWND window) {
    std::vector<HWND> children;
    EnumChildWindows(window, collectChild, reinterpret_cast<LPARAM>(&children));
    return children;
}

long long handleNumber(HWND window);

bool isComboBox(HWND window) { return className(window) == "ComboBox"; }

long long listSelection(HWND list) {
    DWORD_PTR selected = 0;
    if (!SendMessageTimeoutA(list, isComboBox(list) ? CB_GETCURSEL : LB_GETCURSEL, 0, 0,
                             SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &selected))
        return -1;
    return static_cast<long long>(static_cast<LRESULT>(selected));
}

// One "item" line per row of a list box or combo box, with its string. The
// rows are asked for as wide texts: Wine hands an 8-bit caller in another
// process the wide text unconverted.
void printListItems(HWND list) {
    const bool combo = isComboBox(list);
    DWORD_PTR count = 0;
    if (!SendMessageTimeoutW(list, combo ? CB_GETCOUNT : LB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG,
                             kAnswerTimeoutMs, &count) ||
        static_cast<LRESULT>(count) <= 0)
        return;
    for (DWORD_PTR index = 0; index < count; ++index) {
        DWORD_PTR length = 0;
        SendMessageTimeoutW(list, combo ? CB_GETLBTEXTLEN : LB_GETTEXTLEN, index, 0,
                            SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &length);
        std::string text;
        constexpr DWORD_PTR kLongest = 4095;
        if (static_cast<LRESULT>(length) > 0 && length <= kLongest) {
            WCHAR wide[kLongest + 1] = {};
            DWORD_PTR copied = 0;
            SendMessageTimeoutW(list, combo ? CB_GETLBTEXT : LB_GETTEXT, index,
                                reinterpret_cast<LPARAM>(wide), SMTO_ABORTIFHUNG,
                                kAnswerTimeoutMs, &copied);
            char buffer[2 * (kLongest + 1)];
            const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, static_cast<int>(std::min(copied, length)),
                                                  buffer, sizeof buffer, nullptr, nullptr);
            text.assign(buffer, bytes > 0 ? bytes : 0);
        }
        JsonLine item;
        item.text("kind", "item")
            .number("hwnd", handleNumber(list))
            .number("index", static_cast<long long>(index))
            .text("text", text)
            .print();
    }
}

long long handleNumber(HWND window) {
    return static_cast<long long>(reinterpret_cast<uintptr_t>(window));
}

void addCommonFields(JsonLine& line, HWND window) {
    RECT r{};
    GetWindowRect(window, &r);
    LONG style = GetWindowLongA(window, GWL_STYLE);
    line.number("hwnd", handleNumber(window))
        .text("class", className(window))
        .text("text", windowText(window))
        .number("style", static_cast<unsigned long>(style))
        .flag("visible", IsWindowVisible(window) != 0)
        .flag("enabled", IsWindowEnabled(window) != 0)
        .rect("rect", r.left, r.top, r.right, r.bottom);
}

}  // namespace

void readWithoutMessages(bool on) { withoutMessages = on; }

std::string windowText(HWND window) {
    char buffer[4096];
    if (withoutMessages) {
        WCHAR wide[4096];
        int length = InternalGetWindowText(window, wide, 4096);
        int bytes = WideCharToMultiByte(CP_ACP, 0, wide, length, buffer, sizeof buffer - 1,
                                        nullptr, nullptr);
        return std::string(buffer, bytes > 0 ? bytes : 0);
    }
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, sizeof buffer, reinterpret_cast<LPARAM>(buffer),
                             SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &copied))
        return {};
    copied = std::min<DWORD_PTR>(copied, sizeof buffer - 1);
    return std::string(buffer, copied);
}

std::string className(HWND window) {
    char buffer[256];
    int length = GetClassNameA(window, buffer, sizeof buffer);
    return std::string(buffer, length > 0 ? length : 0);
}

std::string processImagePath(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    if (!process) return {};
    char path[MAX_PATH];
    DWORD size = sizeof path;
    std::string result;
    if (QueryFullProcessImageNameA(process, 0, path, &size)) result.assign(path, size);
    CloseHandle(process);
    return result;
}

std::string processImageName(HWND window) {
    std::string name = processImagePath(window);
    size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    return name;
}

bool terminateOwner(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, pid);
    if (!process) return false;
    bool ended = TerminateProcess(process, 99) != 0;
    CloseHandle(process);
    return ended;
}

int defaultButtonId(HWND dialog) {
    // Message boxes mark their default button only by its style (Wine answers
    // DM_GETDEFID with IDOK for them), so the style decides first.
    std::vector<HWND> children = descendants(dialog);
    for (HWND child : children) {
        if (className(child) != "Button" || !IsWindowVisible(child)) continue;
        if ((GetWindowLongA(child, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
            return GetDlgCtrlID(child);
    }
    if (withoutMessages) return -1;
    DWORD_PTR answer = 0;
    if (SendMessageTimeoutA(dialog, DM_GETDEFID, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs,
                            &answer) &&
        HIWORD(answer) == DC_HASDEFID) {
        for (HWND child : children)
            if (GetDlgCtrlID(child) == LOWORD(answer)) return LOWORD(answer);
    }
    return -1;
}

std::vector<HWND> findWindows(const WindowFilter& filter) {
    FindContext context{&filter, {}};
    EnumWindows(collectTopLevel, reinterpret_cast<LPARAM>(&context));
    return context.found;
}

void printWindow(HWND window) {
    JsonLine line;
    line.text("kind", "window");
    addCommonFields(line, window);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    line.number("pid", pid).text("exe", processImageName(window)).text("path", processImagePath(window));
    line.number("defid", defaultButtonId(window));
    if (HWND message = GetDlgItem(window, kMessageBoxTextId)) line.text("message", windowText(message));
    line.print();
}

void printWindowWithChildren(HWND window) {
    printWindow(window);
    for (HWND child : descendants(window)) {
        JsonLine line;
        line.text("kind", "child");
        addCommonFields(line, child);
        line.number("parent", handleNumber(GetParent(child))).number("id", GetDlgCtrlID(child));
        const std::string childClass = className(child);
        if (childClass == PROGRESS_CLASSA && !withoutMessages) {
            // The bar's position and upper limit, as the program set them.
            DWORD_PTR position = 0, high = 0;
            SendMessageTimeoutA(child, PBM_GETPOS, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs,
                                &position);
            SendMessageTimeoutA(child, PBM_GETRANGE, FALSE, 0, SMTO_ABORTIFHUNG,
                                kAnswerTimeoutMs, &high);
            line.number("position", static_cast<long long>(position))
                .number("high", static_cast<long long>(high));
        }
        const bool list = childClass == "ListBox" || childClass == "ComboBox";
        if (list && !withoutMessages) line.number("selected", listSelection(child));
        if (childClass == "Button" && !withoutMessages) {
            DWORD_PTR check = 0;
            SendMessageTimeoutA(child, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kAnswerTimeoutMs,
                                &check);
            line.number("check", static_cast<long long>(check));
        }
        line.print();
        if (list && !withoutMessages) printListItems(child);
    }
}

PressResult pressButton(HWND window, int id, bool useBmClick) {
    HWND button = nullptr;
    for (HWND child : descendants(window)) {
        if (GetDlgCtrlID(child) == id && IsWindowVisible(child)) {
            button = child;
            break;
        }
    }
    auto sent = [](BOOL ok) { return ok ? PressResult::Sent : PressResult::NotSent; };
    if (button && !IsWindowEnabled(button)) return PressResult::Disabled;
    if (button && useBmClick) return sent(PostMessageA(button, BM_CLICK, 0, 0));
    if (button)
        return sent(PostMessageA(GetParent(button), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                                 reinterpret_cast<LPARAM>(button)));
    if (useBmClick) return PressResult::NoSuchButton;
    return sent(PostMessageA(window, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0));
}

namespace {

HWND childWithId(HWND window, int id) {
    for (HWND child : descendants(window))
        if (GetDlgCtrlID(child) == id) return child;
    return nullptr;
}

}  // namespace

bool setControlText(HWND window, int id, const std::string& text) {
    HWND control = childWithId(window, id);
    if (control == nullptr) return false;
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                               SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &result) != 0;
}

bool selectListItem(HWND window, int id, int index, bool doubleClick) {
    HWND list = childWithId(window, id);
    if (list == nullptr || !IsWindowEnabled(list) || !IsWindowVisible(list)) return false;
    const bool combo = isComboBox(list);
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(list, combo ? CB_SETCURSEL : LB_SETCURSEL, index, 0,
                             SMTO_ABORTIFHUNG, kAnswerTimeoutMs, &result) ||
        static_cast<LRESULT>(result) != index)
        return false;
    const WORD notification = combo ? CBN_SELCHANGE : doubleClick ? LBN_DBLCLK : LBN_SELCHANGE;
    return PostMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(id, notification),
                        reinterpret_cast<LPARAM>(list)) != 0;
}

void pressEscape(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    HWND target = window;
    DWORD thread = GetWindowThreadProcessId(window, nullptr);
    if (GetGUIThreadInfo(thread, &info) && info.hwndFocus) target = info.hwndFocus;
    PostMessageA(target, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
    PostMessageA(target, WM_KEYUP, VK_ESCAPE, 0xC0010001);
}

}  // namespace robot
