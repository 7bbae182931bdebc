#include "uninstaller/windows/result_windows.h"

#include <cstring>

#include "uninstall_ids.h"
#include "ui/button_fit.h"

namespace uninstaller {

namespace {

// The lists are at most one line per log entry; a longer text is cut.
char detailsText[512 * 1024];

struct ResultWindows {
    HINSTANCE instance;
    const UninstallTexts* texts;
    const RemovalReport* report;
};

// Grows a static (and its dialog, whose controls below it move down) until
// its text fits its width.
void fitTextHeight(HWND dialog, int staticId) {
    HWND text = GetDlgItem(dialog, staticId);
    char content[2048];
    GetWindowTextA(text, content, sizeof content);
    RECT frame;
    GetWindowRect(text, &frame);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&frame), 2);
    RECT needed{0, 0, frame.right - frame.left, 0};
    HDC dc = GetDC(text);
    HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(text, WM_GETFONT, 0, 0)));
    DrawTextA(dc, content, -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, previous);
    ReleaseDC(text, dc);
    const int grow = needed.bottom - (frame.bottom - frame.top);
    if (grow <= 0) return;
    SetWindowPos(text, nullptr, 0, 0, frame.right - frame.left, needed.bottom, SWP_NOMOVE | SWP_NOZORDER);
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT place;
        GetWindowRect(child, &place);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&place), 2);
        if (place.top >= frame.bottom)
            SetWindowPos(child, nullptr, place.left, place.top + grow, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    }
    RECT window;
    GetWindowRect(dialog, &window);
    SetWindowPos(dialog, nullptr, window.left, window.top - grow / 2, window.right - window.left,
                 window.bottom - window.top + grow, SWP_NOZORDER);
}

INT_PTR CALLBACK detailsDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        const auto* result = reinterpret_cast<const ResultWindows*>(lParam);
        const UninstallTexts& texts = *result->texts;
        SetWindowTextA(window, texts[kTextDetailsCaption]);
        SetDlgItemTextA(window, IDOK, texts[kTextOk]);
        result->report->formatDetails(texts[kTextFilesHeading], texts[kTextFoldersHeading],
                                      texts[kTextKeysHeading], detailsText, sizeof detailsText);
        SetDlgItemTextA(window, IDC_DETAILS_TEXT, detailsText);
        const int buttons[] = {IDOK};
        setup::fitButtonCaptions(window, buttons, 1);
        SetFocus(GetDlgItem(window, IDOK));
        return FALSE;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) EndDialog(window, IDOK);
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK errorsDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        const UninstallTexts& texts = *reinterpret_cast<const ResultWindows*>(lParam)->texts;
        SetWindowTextA(window, texts[kTextTitle]);
        SetDlgItemTextA(window, IDC_ERRORS_MESSAGE, texts[kTextErrors]);
        SetDlgItemTextA(window, IDOK, texts[kTextOk]);
        SetDlgItemTextA(window, IDC_DETAILS, texts[kTextDetails]);
        SendDlgItemMessageA(window, IDC_ERRORS_ICON, STM_SETICON,
                            reinterpret_cast<WPARAM>(LoadIconA(nullptr, IDI_EXCLAMATION)), 0);
        fitTextHeight(window, IDC_ERRORS_MESSAGE);
        const int buttons[] = {IDOK, IDC_DETAILS};
        setup::fitButtonCaptions(window, buttons, 2);
        return TRUE;
    }
    case WM_COMMAND: {
        const auto* result = reinterpret_cast<const ResultWindows*>(GetWindowLongPtrA(window, DWLP_USER));
        switch (LOWORD(wParam)) {
        case IDOK:
        case IDCANCEL:
            EndDialog(window, IDOK);
            return TRUE;
        case IDC_DETAILS:
            DialogBoxParamA(result->instance, MAKEINTRESOURCEA(IDD_UNINSTALL_DETAILS), window,
                            detailsDialog, reinterpret_cast<LPARAM>(result));
            return TRUE;
        default:
            return FALSE;
        }
    }
    default:
        return FALSE;
    }
}

}  // namespace

void showErrorsWindow(HINSTANCE instance, const UninstallTexts& texts, const RemovalReport& report) {
    ResultWindows result{instance, &texts, &report};
    DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_UNINSTALL_ERRORS), nullptr, errorsDialog,
                    reinterpret_cast<LPARAM>(&result));
}

}  // namespace uninstaller
