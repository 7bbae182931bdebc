#include "ui/message_box.h"

#include "base/fault_injection.h"

namespace setup {

int showMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    int answer = 0;
    if (answerWithoutWindow(text, type, answer)) return answer;
    return MessageBoxA(owner, text, caption, type);
}

}  // namespace setup
