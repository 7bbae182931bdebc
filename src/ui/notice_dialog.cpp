#include "ui/notice_dialog.h"

#include <cstring>

#include "base/program_instance.h"
#include "engine/failure/window_boundary.h"
#include "engine/log/run_log.h"
#include "package/setup_config.h"
#include "resource_ids.h"
#include "ui/base_font.h"

namespace setup {

namespace {

// Read only while the popup is being created, so it may live on the stack.
struct NoticeParameters {
    const char* text;
    HICON icon;
};

INT_PTR noticeDialog(HWND window, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_INITDIALOG) return FALSE;
    const auto* parameters = reinterpret_cast<const NoticeParameters*>(lParam);

    // Measured in the base font and in the font the text control draws with
    // (the dialog's own, which the system may render a little wider): the
    // wider wins, so the line is never wrapped out of its one-line control.
    HDC dc = GetDC(window);
    const int length = static_cast<int>(std::strlen(parameters->text));
    HGDIOBJ previous = SelectObject(dc, baseFont());
    SIZE extent = {};
    GetTextExtentPoint32A(dc, parameters->text, length, &extent);
    const auto controlFont = reinterpret_cast<HFONT>(SendDlgItemMessageA(window, IDC_NOTICE_TEXT, WM_GETFONT, 0, 0));
    if (controlFont != nullptr) {
        SIZE drawn = {};
        SelectObject(dc, controlFont);
        GetTextExtentPoint32A(dc, parameters->text, length, &drawn);
        if (drawn.cx > extent.cx) extent.cx = drawn.cx;
    }

    SetDlgItemTextA(window, IDC_NOTICE_TEXT, parameters->text);
    SendDlgItemMessageA(window, IDC_NOTICE_ICON, STM_SETICON,
                        reinterpret_cast<WPARAM>(parameters->icon), 0);
    SetWindowTextA(window, configText(config().texts.titleMessage));

    // Exactly the text's width wider than the template, centred on the
    // client area of a full-screen window.
    RECT frame;
    GetWindowRect(window, &frame);
    const int width = frame.right - frame.left + extent.cx;
    const int height = frame.bottom - frame.top;
    const int x = (GetSystemMetrics(SM_CXFULLSCREEN) - width) / 2;
    const int y = (GetSystemMetrics(SM_CYFULLSCREEN) - height) / 2;
    MoveWindow(window, x, y, width, height, TRUE);

    HWND text = GetDlgItem(window, IDC_NOTICE_TEXT);
    RECT textFrame;
    GetWindowRect(text, &textFrame);
    SetWindowPos(text, nullptr, 0, 0, textFrame.right - textFrame.left + extent.cx,
                 textFrame.bottom - textFrame.top, SWP_NOMOVE | SWP_NOZORDER);

    SelectObject(dc, previous);
    ReleaseDC(window, dc);
    return TRUE;
}

}  // namespace

HWND showStatusPopup(const char* text, HICON icon) {
    logRunLine("%s", text);
    NoticeParameters parameters{text, icon};
    HWND popup = CreateDialogParamA(programInstance, MAKEINTRESOURCEA(IDD_NOTICE), nullptr,
                                    guardedDialogProc<noticeDialog>,
                                    reinterpret_cast<LPARAM>(&parameters));
    // Nobody pumps the popup's messages while its step runs: paint it now.
    if (popup != nullptr) RedrawWindow(popup, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    return popup;
}

}  // namespace setup
