#include "ui/message_box.h"

#include "base/fault_injection.h"
#include "engine/run_log.h"

namespace setup {

int showMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    int answer = 0;
    if (!answerWithoutWindow(text, type, answer)) answer = MessageBoxA(owner, text, caption, type);
    logRunLine("message \"%s\": %s (answered %s)", caption != nullptr ? caption : "", text,
               answer == IDYES ? "Yes" : answer == IDNO ? "No" : answer == IDCANCEL ? "Cancel" : "OK");
    return answer;
}

}  // namespace setup
