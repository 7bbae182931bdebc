#include "ui/message_box.h"

#include "base/fault_injection.h"
#include "base/process_state.h"
#include "engine/log/run_log.h"

namespace setup {

int showMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    int answer = 0;
    if (unattendedRun) {
        // Every question an unattended run meets is decided by its caller
        // before it would be asked; what still reaches here is a message to
        // read, or a question whose safe answer is No.
        const UINT buttons = type & MB_TYPEMASK;
        answer = buttons == MB_YESNO || buttons == MB_YESNOCANCEL ? IDNO : IDOK;
    } else if (!answerWithoutWindow(text, type, answer)) {
        answer = MessageBoxA(owner, text, caption, type);
    }
    logRunLine("message \"%s\": %s (answered %s)", caption != nullptr ? caption : "", text,
               answer == IDYES ? "Yes" : answer == IDNO ? "No" : answer == IDCANCEL ? "Cancel" : "OK");
    return answer;
}

}  // namespace setup
