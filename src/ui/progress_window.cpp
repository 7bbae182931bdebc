#include "ui/progress_window.h"

#include <windows.h>
#include <commctrl.h>

#include <cstring>

#include "base/bounded_text.h"
#include "base/program_instance.h"
#include "engine/extract/picture_files.h"
#include "engine/failure/window_boundary.h"
#include "engine/paths/path_rules.h"
#include "package/setup_config.h"
#include "resource_ids.h"
#include "ui/common_controls.h"
#include "ui/message_box.h"
#include "ui/replace_question.h"

namespace setup {

namespace {

HWND progressWindow;
ProgressTexts shownTexts;
bool cancelAllowed = true;
bool cancelConfirmed;

// What the window shows, so that it is touched only on a change.
char shownGroup[fmt::kFieldTextSize];
char shownFile[fmt::kMaxPath];
int shownPosition = -1;

INT_PTR progressDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        const auto* texts = reinterpret_cast<const ProgressTexts*>(lParam);
        SetWindowTextA(window, texts->title);
        SetDlgItemTextA(window, IDCANCEL, configText(config().texts.captionCancel));
        if (!cancelAllowed) {
            EnableWindow(GetDlgItem(window, IDCANCEL), FALSE);
            EnableMenuItem(GetSystemMenu(window, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
        }
        // The clip is written anew for every progress window.
        if (const char* clip = writeBlobTempFile(imageIndex(fmt::kImageProgressAnimation)))
            SendDlgItemMessageA(window, IDC_ANIMATION, ACM_OPENA, 0, reinterpret_cast<LPARAM>(clip));
        return TRUE;
    }
    case WM_COMMAND:
        // Cancel, and Esc and the close box, which the dialog manager turns into it.
        if (LOWORD(wParam) == IDCANCEL) {
            // Nobody is asked in a passive run: its window only shows.
            if (!cancelAllowed) return TRUE;
            SendDlgItemMessageA(window, IDC_ANIMATION, ACM_STOP, 0, 0);
            if (confirmQuit(window)) {
                // The window goes at once; the engine sees the cancel when
                // the pump returns, or the replace question ends with it.
                cancelConfirmed = true;
                closeProgressWindow();
                cancelOpenReplaceQuestion();
                return TRUE;
            }
            SendDlgItemMessageA(window, IDC_ANIMATION, ACM_PLAY, static_cast<WPARAM>(-1),
                                MAKELPARAM(0, 0xFFFF));
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

void openProgressWindow(const ProgressTexts& texts, bool cancellable) {
    shownTexts = texts;
    cancelAllowed = cancellable;
    shownGroup[0] = '\0';
    shownFile[0] = '\0';
    shownPosition = -1;
    // Its bar and animation are common controls, whose classes a run
    // without a wizard has not registered yet.
    loadCommonControls();
    progressWindow = CreateDialogParamA(programInstance, MAKEINTRESOURCEA(IDD_PROGRESS), nullptr,
                                        guardedDialogProc<progressDialog>,
                                        reinterpret_cast<LPARAM>(&texts));
}

void showProgressWindow(const char* group, const char* file, std::int32_t done, std::int32_t total) {
    if (progressWindow == nullptr) return;
    char line[fmt::kMaxPath];
    if (group != nullptr && std::strcmp(group, shownGroup) != 0) {
        copyBounded(shownGroup, group);
        formatBounded(line, sizeof line, shownTexts.groupFormat, group);
        SetDlgItemTextA(progressWindow, IDC_GROUP_LINE, line);
    }
    if (std::strcmp(file, shownFile) != 0) {
        formatBounded(line, sizeof line, shownTexts.fileFormat, file);
        SetDlgItemTextA(progressWindow, IDC_FILE_LINE, line);
        copyBounded(shownFile, file);
    }
    const int position = progressPosition(done, total);
    if (position != shownPosition) {
        SendDlgItemMessageA(progressWindow, IDC_PROGRESS_BAR, PBM_SETRANGE, 0, MAKELPARAM(0, 1024));
        SendDlgItemMessageA(progressWindow, IDC_PROGRESS_BAR, PBM_SETPOS, position, 0);
        shownPosition = position;
    }
}

void pumpProgressWindow() {
    MSG message;
    while (progressWindow != nullptr &&
           PeekMessageA(&message, progressWindow, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageA(progressWindow, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

bool progressCancelConfirmed() { return cancelConfirmed; }

void closeProgressWindow() {
    if (progressWindow != nullptr) DestroyWindow(progressWindow);
    progressWindow = nullptr;
}

}  // namespace setup
