// The question asked before an existing file is replaced: the file's name,
// the existing file's size and date beside the new file's, a configured
// picture, and Yes, Yes to All, No and Cancel.
#ifndef UI_REPLACE_QUESTION_H
#define UI_REPLACE_QUESTION_H

#include <windows.h>

#include <cstddef>

namespace setup {

enum ReplaceAnswer : int {
    kReplaceYes = 6,    // replace this file
    kReplaceNo = 7,     // keep the existing file and skip the entry
    kReplaceAll = 231,  // replace this and every later file of the run
};

// Asks about the file in currentPath and the current entry (its name, size
// and time), with template 106 modal and without owner. A cancel is handed
// to the cancel confirmation and never comes back as an answer; a dialog
// that cannot be shown counts as Yes.
ReplaceAnswer askReplaceExistingFile();

// The dialog procedure of template 106; ends with the answer's button id.
INT_PTR replaceConfirmProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The calendar date and time of `time` as stored, without any time-zone
// shift: the user's long date, ", ", the locale's standard time, into dest.
// A date longer than the 127 characters it may take falls back to the short
// date; a time that cannot be converted gives an empty text.
void formatFileTime(char* dest, std::size_t size, const FILETIME& time);

}  // namespace setup

#endif
