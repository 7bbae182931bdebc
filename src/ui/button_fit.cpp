#include "ui/button_fit.h"

#include <algorithm>

#include "ui/button_row.h"

namespace setup {

namespace {

RECT childFrame(HWND dialog, HWND child) {
    RECT frame;
    GetWindowRect(child, &frame);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&frame), 2);
    return frame;
}

// The leftmost edge of the dialog's controls: the margin the row keeps.
LONG leftmostChild(HWND dialog) {
    LONG left = 0x7FFF;
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        left = std::min(left, childFrame(dialog, child).left);
    return left;
}

}  // namespace

void fitButtonCaptions(HWND dialog, const int* ids, int count) {
    if (count <= 0 || count > kMaxRowButtons) return;
    int lefts[kMaxRowButtons];
    int width = 0, wanted = 0, top = 0, height = 0;
    HDC dc = GetDC(dialog);
    for (int i = 0; i < count; ++i) {
        HWND button = GetDlgItem(dialog, ids[i]);
        if (button == nullptr) {
            ReleaseDC(dialog, dc);
            return;
        }
        const RECT frame = childFrame(dialog, button);
        lefts[i] = frame.left;
        width = frame.right - frame.left;
        top = frame.top;
        height = frame.bottom - frame.top;
        char caption[256];
        GetWindowTextA(button, caption, sizeof caption);
        HGDIOBJ previous = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(button, WM_GETFONT, 0, 0)));
        RECT needed = {0, 0, 0, 0};
        DrawTextA(dc, caption, -1, &needed, DT_CALCRECT | DT_SINGLELINE);
        SelectObject(dc, previous);
        // A line's height beside the caption keeps it clear of the frame.
        wanted = std::max(wanted, static_cast<int>(needed.right - needed.left + (needed.bottom - needed.top)));
    }
    ReleaseDC(dialog, dc);

    const ButtonRowFit fit = fitButtonRow(lefts, count, width, wanted, std::min<LONG>(leftmostChild(dialog), lefts[0]));
    if (fit.width == width && fit.grow == 0) return;
    for (int i = 0; i < count; ++i) MoveWindow(GetDlgItem(dialog, ids[i]), fit.lefts[i], top, fit.width, height, TRUE);
    if (fit.grow > 0) {
        RECT window;
        GetWindowRect(dialog, &window);
        MoveWindow(dialog, window.left - fit.grow / 2, window.top, window.right - window.left + fit.grow,
                   window.bottom - window.top, TRUE);
    }
}

}  // namespace setup
