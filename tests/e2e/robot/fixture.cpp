// The robot's test fixture: a dialog with a label, an edit control, check
// boxes, radio buttons and a disabled button. Its exit code tells the test
// what the robot changed: 100 + the check boxes' states (1 and 2) + 4 when
// the second radio button is set, after OK; 2 after Cancel or Esc.
#include <windows.h>

#include "fixture_ids.h"

namespace {

INT_PTR CALLBACK fixtureDialog(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemTextA(dialog, FIXTURE_EDIT, "C:\\Target\\");
        CheckDlgButton(dialog, FIXTURE_CHECK_ON, BST_CHECKED);
        CheckRadioButton(dialog, FIXTURE_RADIO_FIRST, FIXTURE_RADIO_SECOND, FIXTURE_RADIO_SECOND);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            int result = 100;
            if (IsDlgButtonChecked(dialog, FIXTURE_CHECK_ON) == BST_CHECKED) result += 1;
            if (IsDlgButtonChecked(dialog, FIXTURE_CHECK_OFF) == BST_CHECKED) result += 2;
            if (IsDlgButtonChecked(dialog, FIXTURE_RADIO_SECOND) == BST_CHECKED) result += 4;
            EndDialog(dialog, result);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    return static_cast<int>(
        DialogBoxParamA(instance, MAKEINTRESOURCEA(FIXTURE_DIALOG), nullptr, fixtureDialog, 0));
}
