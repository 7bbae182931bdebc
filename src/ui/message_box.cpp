#include "ui/message_box.h"

#include "base/fault_injection.h"
#include "base/process_state.h"
#include "engine/log/run_log.h"
#include "package/setup_config.h"
#include "ui/text/message_wrap.h"

namespace setup {

int showMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    int answer = 0;
    if (!answerWithoutWindow(text, type, answer)) {
        // A long path would widen the box past the screen; the log keeps the text as it was.
        static char shown[4096];
        wrapLongRuns(text, shown, sizeof shown);
        answer = MessageBoxA(owner, shown, caption, type);
    }
    logRunMessage(caption, text, answer);
    return answer;
}

bool confirmQuit(HWND owner) {
    if (endingRun) return false;
    const fmt::TextSlots& texts = config().texts;
    if (showMessageBox(owner, configText(texts.msgConfirmQuit), configText(texts.titleWizard),
                       MB_YESNO | MB_ICONQUESTION) != IDYES)
        return false;
    return !endingRun;
}

}  // namespace setup
