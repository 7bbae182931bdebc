#include "uninstaller/windows/uninstall_progress.h"

#include <commctrl.h>

#include "uninstall_ids.h"

namespace uninstaller {

namespace {

constexpr DWORD kDoneShownMs = 500;

// Nothing to decide in the window: it cannot be closed while it works.
INT_PTR CALLBACK progressDialog(HWND window, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_INITDIALOG) return FALSE;
    const auto* texts = reinterpret_cast<const UninstallTexts*>(lParam);
    SetWindowTextA(window, (*texts)[kTextProgressCaption]);
    SetDlgItemTextA(window, IDC_STATUS_TEXT, (*texts)[kTextStatus]);
    return TRUE;
}

}  // namespace

ProgressWindow::ProgressWindow(HINSTANCE instance, const UninstallTexts& texts) {
    window_ = CreateDialogParamA(instance, MAKEINTRESOURCEA(IDD_UNINSTALL_PROGRESS), nullptr,
                                 progressDialog, reinterpret_cast<LPARAM>(&texts));
    pumpMessages();
}

ProgressWindow::~ProgressWindow() {
    if (window_ != nullptr) DestroyWindow(window_);
}

void ProgressWindow::pumpMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (window_ != nullptr && IsDialogMessageA(window_, &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

void ProgressWindow::phase(const char* title, unsigned steps) {
    if (window_ == nullptr) return;
    SetDlgItemTextA(window_, IDC_PHASE_TEXT, title);
    SendDlgItemMessageA(window_, IDC_REMOVAL_BAR, PBM_SETRANGE32, 0, static_cast<LPARAM>(steps));
    pumpMessages();
}

void ProgressWindow::step() {
    ++done_;
    if (window_ == nullptr) return;
    SendDlgItemMessageA(window_, IDC_REMOVAL_BAR, PBM_SETPOS, done_, 0);
    pumpMessages();
}

void ProgressWindow::finish(const char* doneTitle) {
    if (window_ == nullptr) return;
    SetDlgItemTextA(window_, IDC_PHASE_TEXT, doneTitle);
    const LRESULT range = SendDlgItemMessageA(window_, IDC_REMOVAL_BAR, PBM_GETRANGE, FALSE, 0);
    SendDlgItemMessageA(window_, IDC_REMOVAL_BAR, PBM_SETPOS, static_cast<WPARAM>(range), 0);
    // The last phase is shown for a moment: the final message, which
    // follows, does not stand on top of this window.
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < kDoneShownMs) {
        pumpMessages();
        Sleep(20);
    }
    DestroyWindow(window_);
    window_ = nullptr;
}

}  // namespace uninstaller
