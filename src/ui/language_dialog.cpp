#include "ui/language_dialog.h"

#include <windows.h>

#include <algorithm>

#include "base/fault_injection.h"
#include "base/program_instance.h"
#include "engine/failure/window_boundary.h"
#include "engine/log/run_log.h"
#include "resource_ids.h"
#include "ui/language_layout.h"

namespace setup {

namespace {

// The most names the list takes: far more than any package has languages.
constexpr int kMaxNames = 256;

struct Question {
    const char* title;
    const char* prompt;
    const char* const* names;
    int count;
    int initial;
    const char* okCaption;
    const char* cancelCaption;
};

// The width of `text` drawn in the font of the control `id`.
int textWidth(HDC dc, HWND dialog, int id, const char* text) {
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendDlgItemMessageA(dialog, id, WM_GETFONT, 0, 0)));
    RECT needed = {0, 0, 0, 0};
    DrawTextA(dc, text, -1, &needed, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, previous);
    return needed.right - needed.left;
}

RECT childFrame(HWND dialog, int id) {
    RECT frame;
    GetWindowRect(GetDlgItem(dialog, id), &frame);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&frame), 2);
    return frame;
}

void place(HWND dialog, int id, const LayoutRect& r) {
    MoveWindow(GetDlgItem(dialog, id), r.left, r.top, r.right - r.left, r.bottom - r.top, FALSE);
}

// Measures the texts in the fonts the controls draw with and lays the
// dialog out around them; the template gives the margins and least widths.
void fitToTexts(HWND dialog, const Question& q) {
    const RECT prompt = childFrame(dialog, IDC_LANGUAGE_PROMPT);
    const RECT list = childFrame(dialog, IDC_LANGUAGE_LIST);
    const RECT ok = childFrame(dialog, IDOK);
    const RECT cancel = childFrame(dialog, IDCANCEL);
    RECT client;
    GetClientRect(GetDlgItem(dialog, IDC_LANGUAGE_LIST), &client);

    HDC dc = GetDC(dialog);
    LanguageLayoutInput in;
    in.margin = prompt.left;
    in.gap = list.top - prompt.bottom;
    in.minContentWidth = prompt.right - prompt.left;
    in.rowHeight = static_cast<int>(SendDlgItemMessageA(dialog, IDC_LANGUAGE_LIST, LB_GETITEMHEIGHT, 0, 0));
    in.rowCount = q.count;
    in.listFrame = (list.bottom - list.top) - (client.bottom - client.top);
    in.scrollBarWidth = GetSystemMetrics(SM_CXVSCROLL);
    for (int i = 0; i < q.count; ++i) {
        if (q.names[i] != nullptr)
            in.longestName = std::max(in.longestName, textWidth(dc, dialog, IDC_LANGUAGE_LIST, q.names[i]));
    }
    in.buttonHeight = ok.bottom - ok.top;
    in.buttonMinWidth = ok.right - ok.left;
    in.buttonGap = cancel.left - ok.right;
    in.buttonPadding = in.buttonHeight;
    in.okCaption = textWidth(dc, dialog, IDOK, q.okCaption);
    in.cancelCaption = textWidth(dc, dialog, IDCANCEL, q.cancelCaption);
    // The prompt wraps at the widest the content takes, so measure twice:
    // the width first, then the prompt's lines at that width.
    in.promptHeight = 0;
    const int width = layoutLanguageDialog(in).contentWidth;
    RECT needed = {0, 0, width, 0};
    HGDIOBJ previous = SelectObject(
        dc, reinterpret_cast<HFONT>(SendDlgItemMessageA(dialog, IDC_LANGUAGE_PROMPT, WM_GETFONT, 0, 0)));
    DrawTextA(dc, q.prompt, -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, previous);
    ReleaseDC(dialog, dc);
    in.promptHeight = needed.bottom - needed.top;

    const LanguageLayout layout = layoutLanguageDialog(in);
    place(dialog, IDC_LANGUAGE_PROMPT, layout.prompt);
    place(dialog, IDC_LANGUAGE_LIST, layout.list);
    place(dialog, IDOK, layout.ok);
    place(dialog, IDCANCEL, layout.cancel);
    RECT window = {0, 0, layout.clientWidth, layout.clientHeight};
    AdjustWindowRectEx(&window, static_cast<DWORD>(GetWindowLongA(dialog, GWL_STYLE)), FALSE,
                       static_cast<DWORD>(GetWindowLongA(dialog, GWL_EXSTYLE)));
    const int w = window.right - window.left, h = window.bottom - window.top;
    MoveWindow(dialog, (GetSystemMetrics(SM_CXSCREEN) - w) / 2, (GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h, TRUE);
}

void initialise(HWND dialog, const Question& q) {
    SetWindowTextA(dialog, q.title);
    SetDlgItemTextA(dialog, IDC_LANGUAGE_PROMPT, q.prompt);
    SetDlgItemTextA(dialog, IDOK, q.okCaption);
    SetDlgItemTextA(dialog, IDCANCEL, q.cancelCaption);
    for (int i = 0; i < q.count; ++i) {
        const char* name = q.names[i] != nullptr ? q.names[i] : "";
        SendDlgItemMessageA(dialog, IDC_LANGUAGE_LIST, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
    SendDlgItemMessageA(dialog, IDC_LANGUAGE_LIST, LB_SETCURSEL, static_cast<WPARAM>(q.initial), 0);
    fitToTexts(dialog, q);
    SetFocus(GetDlgItem(dialog, IDC_LANGUAGE_LIST));
}

INT_PTR languageProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        initialise(dialog, *reinterpret_cast<const Question*>(lParam));
        // The focus is set: the list takes the arrow keys at once.
        return FALSE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_LANGUAGE_LIST:
            if (HIWORD(wParam) != LBN_DBLCLK) return FALSE;
            [[fallthrough]];
        case IDOK: {
            const LRESULT chosen = SendDlgItemMessageA(dialog, IDC_LANGUAGE_LIST, LB_GETCURSEL, 0, 0);
            EndDialog(dialog, chosen == LB_ERR ? 0 : chosen + 1);
            return TRUE;
        }
        case IDCANCEL: EndDialog(dialog, -1); return TRUE;
        default: return FALSE;
        }
    default: return FALSE;
    }
}

}  // namespace

int askLanguage(const char* title, const char* prompt, const char* const* names, int count, int initial,
                const char* okCaption, const char* cancelCaption) {
    if (names == nullptr || count <= 0) return -1;
    count = std::min(count, kMaxNames);
    initial = std::clamp(initial, 0, count - 1);
    const Question question{title != nullptr ? title : "", prompt != nullptr ? prompt : "", names, count, initial,
                            okCaption != nullptr ? okCaption : "OK", cancelCaption != nullptr ? cancelCaption : "Cancel"};
    // The fault-injection build takes the preselected language without a window.
    int answer = 0;
    if (answerWithoutWindow(question.prompt, MB_OKCANCEL, answer)) return initial;
    // EndDialog's result: 0 for "no selection" (the preselected one), the
    // chosen index + 1, or -1 for a cancel or a dialog that could not be shown.
    const INT_PTR result = DialogBoxParamA(programInstance, MAKEINTRESOURCEA(IDD_LANGUAGE), nullptr,
                                           guardedDialogProc<languageProc>, reinterpret_cast<LPARAM>(&question));
    const int chosen = result < 0 ? -1 : result == 0 ? initial : static_cast<int>(std::min<INT_PTR>(result - 1, count - 1));
    logRunLine("language question: %d", chosen);
    return chosen;
}

}  // namespace setup
