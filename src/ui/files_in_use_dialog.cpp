#include "ui/files_in_use_dialog.h"

#include <windows.h>

#include <algorithm>
#include <initializer_list>

#include "base/bounded_text.h"
#include "base/fault_injection.h"
#include "base/program_instance.h"
#include "engine/failure/window_boundary.h"
#include "engine/in_use/in_use_list.h"
#include "engine/log/run_log.h"
#include "package/extra_texts.h"
#include "package/setup_config.h"
#include "resource_ids.h"
#include "ui/button_fit.h"

namespace setup {

namespace {

struct Question {
    const char* leadIn;
    const char* list;
};

// An extra text without arguments as it shows: its "%%" become "%".
void unescapePercent(char (&shown)[fmt::kMaxExtraTextLength], const char* text) {
    std::size_t used = 0;
    for (const char* p = text; *p != '\0' && used + 1 < sizeof shown; ++p) {
        shown[used++] = *p;
        if (p[0] == '%' && p[1] == '%') ++p;
    }
    shown[used] = '\0';
}

void setPlainText(HWND dialog, int id, const char* text) {
    char shown[fmt::kMaxExtraTextLength];
    unescapePercent(shown, text);
    SetDlgItemTextA(dialog, id, shown);
}

// Moves a control by `dy` pixels and makes it `grow` pixels taller.
void shiftControl(HWND dialog, int id, int dy, int grow) {
    HWND control = GetDlgItem(dialog, id);
    RECT frame;
    GetWindowRect(control, &frame);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&frame), 2);
    MoveWindow(control, frame.left, frame.top + dy, frame.right - frame.left, frame.bottom - frame.top + grow, FALSE);
}

// The lead-in's control takes as many lines as its text needs and the list
// as many as it holds (from four up to the template's), in the fonts they
// draw with; what lies below moves along and the dialog follows.
void fitToTexts(HWND dialog, const char* text, int listLines) {
    HWND lead = GetDlgItem(dialog, IDC_IN_USE_TEXT);
    HWND list = GetDlgItem(dialog, IDC_IN_USE_LIST);
    RECT leadFrame, listFrame;
    GetClientRect(lead, &leadFrame);
    GetClientRect(list, &listFrame);
    RECT needed = leadFrame;
    HDC dc = GetDC(lead);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(lead, WM_GETFONT, 0, 0)));
    DrawTextA(dc, text, -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(list, WM_GETFONT, 0, 0)));
    RECT line = {0, 0, 100, 0};
    DrawTextA(dc, "Xg", -1, &line, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    SelectObject(dc, previous);
    ReleaseDC(lead, dc);

    const int grow = std::max(0L, (needed.bottom - needed.top) - (leadFrame.bottom - leadFrame.top));
    const int lines = std::max(4, listLines);
    // The edit control keeps a pixel above and below its lines.
    const int shrink = std::max(0L, (listFrame.bottom - listFrame.top) - (lines * (line.bottom - line.top) + 2));
    if (grow == 0 && shrink == 0) return;
    shiftControl(dialog, IDC_IN_USE_TEXT, 0, grow);
    shiftControl(dialog, IDC_IN_USE_LIST, grow, -shrink);
    for (int id : {IDRETRY, IDIGNORE, IDCANCEL}) shiftControl(dialog, id, grow - shrink, 0);
    RECT window;
    GetWindowRect(dialog, &window);
    const int height = window.bottom - window.top + grow - shrink;
    MoveWindow(dialog, window.left, window.top - (grow - shrink) / 2, window.right - window.left, height, TRUE);
}

int lineCount(const char* text) {
    int lines = 1;
    for (const char* p = text; *p != '\0'; ++p) lines += *p == '\n' ? 1 : 0;
    return lines;
}

void initialise(HWND dialog, const Question& question) {
    const fmt::TextSlots& texts = config().texts;
    SetWindowTextA(dialog, configText(texts.titlePrompt));
    char leadIn[fmt::kMaxExtraTextLength];
    unescapePercent(leadIn, question.leadIn);
    SetDlgItemTextA(dialog, IDC_IN_USE_TEXT, leadIn);
    SetDlgItemTextA(dialog, IDC_IN_USE_LIST, question.list);
    setPlainText(dialog, IDRETRY, extraText(fmt::kExtraTextRetryButton));
    setPlainText(dialog, IDIGNORE, extraText(fmt::kExtraTextIgnoreButton));
    SetDlgItemTextA(dialog, IDCANCEL, configText(texts.captionCancel));
    SendDlgItemMessageA(dialog, IDC_IN_USE_ICON, STM_SETICON,
                        reinterpret_cast<WPARAM>(LoadIconA(nullptr, MAKEINTRESOURCEA(32515))), 0);  // IDI_WARNING
    fitToTexts(dialog, leadIn, lineCount(question.list));
    const int buttons[] = {IDRETRY, IDIGNORE, IDCANCEL};
    fitButtonCaptions(dialog, buttons, 3);
}

INT_PTR filesInUseProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        initialise(dialog, *reinterpret_cast<const Question*>(lParam));
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDRETRY:
        case IDIGNORE:
        case IDCANCEL: EndDialog(dialog, LOWORD(wParam)); return TRUE;
        default: return FALSE;
        }
    default: return FALSE;
    }
}

const char* answerName(INT_PTR answer) {
    switch (answer) {
    case IDRETRY: return "Retry";
    case IDIGNORE: return "Ignore";
    default: return "Cancel";
    }
}

}  // namespace

FilesInUseAnswer askAboutFilesInUse(const char* const* names, std::size_t count, bool more, bool programs) {
    static char list[InUseList::kMaxFiles * (fmt::kMaxPath + 2) + 8];
    formatNameLines(names, count, more, list, sizeof list);
    const Question question{extraText(programs ? fmt::kExtraTextProgramsInUse : fmt::kExtraTextFilesInUse), list};
    int answer = 0;
    // The fault-injection build answers with the first button of Abort,
    // Retry and Ignore: Abort, a cancel, so that it never loops.
    if (!answerWithoutWindow(question.leadIn, MB_ABORTRETRYIGNORE, answer))
        answer = static_cast<int>(DialogBoxParamA(programInstance, MAKEINTRESOURCEA(IDD_FILES_IN_USE), nullptr,
                                                  guardedDialogProc<filesInUseProc>,
                                                  reinterpret_cast<LPARAM>(&question)));
    logRunLine("files-in-use question: %s", answerName(answer));
    switch (answer) {
    case IDRETRY: return FilesInUseAnswer::retry;
    case IDIGNORE: return FilesInUseAnswer::ignore;
    default: return FilesInUseAnswer::cancel;
    }
}

}  // namespace setup
