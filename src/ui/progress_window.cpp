#include "ui/progress_window.h"

#include <commctrl.h>

#include "base/process_state.h"
#include "base/program_instance.h"
#include "engine/extract/extraction.h"
#include "engine/failure/failure.h"
#include "engine/removal/remove_by_log.h"
#include "engine/failure/window_boundary.h"
#include "package/setup_config.h"
#include "resource_ids.h"
#include "engine/extract/picture_files.h"
#include "ui/common_controls.h"
#include "ui/message_box.h"

namespace setup {

namespace {

INT_PTR progressDialog(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: {
        const auto* state = reinterpret_cast<const ExtractionState*>(lParam);
        SetWindowTextA(window, state->title);
        SetDlgItemTextA(window, IDCANCEL, configText(config().texts.captionCancel));
        // The clip is written anew for every progress window.
        if (const char* clip = writeBlobTempFile(imageIndex(fmt::kImageProgressAnimation)))
            SendDlgItemMessageA(window, IDC_ANIMATION, ACM_OPENA, 0, reinterpret_cast<LPARAM>(clip));
        return TRUE;
    }
    case WM_COMMAND:
        // Cancel, and Esc and the close box, which the dialog manager turns into it.
        if (LOWORD(wParam) == IDCANCEL) {
            SendDlgItemMessageA(window, IDC_ANIMATION, ACM_STOP, 0, 0);
            confirmCancel(window, true);
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

HWND createProgressWindow(ExtractionState& state) {
    if (unattendedRun) return nullptr;
    // Its bar and animation are common controls, whose classes a run
    // without a wizard has not registered yet.
    loadCommonControls();
    return CreateDialogParamA(programInstance, MAKEINTRESOURCEA(IDD_PROGRESS), nullptr,
                              guardedDialogProc<progressDialog>, reinterpret_cast<LPARAM>(&state));
}

void confirmCancel(HWND window, bool ask) {
    // A failure being handled, or a cancel already confirmed, ends the run
    // with its own code: a click meanwhile changes nothing.
    if (endingRun) return;
    const fmt::TextSlots& texts = config().texts;
    if (ask && showMessageBox(window, configText(texts.msgConfirmQuit), configText(texts.titleWizard),
                           MB_YESNO | MB_ICONQUESTION) != IDYES) {
        return;
    }
    if (endingRun) return;  // a failure came while the question was open
    endingRun = true;
    if (outputFile != nullptr) {
        CloseHandle(outputFile);
        outputFile = nullptr;
    }
    if (window != nullptr) {
        HWND parent = GetParent(window);
        DestroyWindow(parent != nullptr ? parent : window);
        if (window == progressWindow || parent == progressWindow) progressWindow = nullptr;
    }
    rollBackInstallation();
    showMessageBox(nullptr, configText(texts.msgCanceled), configText(texts.titleMessage),
                MB_OK | MB_ICONERROR);
    exitSetup(8);
}

}  // namespace setup
