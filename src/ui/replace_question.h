// The question asked before an existing file is replaced: the file's name,
// the existing file's size and date beside the new file's, a configured
// picture, and Yes, Yes to All, No and Cancel.
#ifndef UI_REPLACE_QUESTION_H
#define UI_REPLACE_QUESTION_H

#include <windows.h>

#include <cstddef>

#include "engine/interaction.h"
#include "package/component_stream.h"

namespace setup {

// Asks whether the existing file at `path` makes way for `entry` (its name,
// size and time), with template 106 modal and without owner. Cancel asks
// whether to quit (ui/message_box.h): a confirmed quit answers
// kReplaceCancel, a declined one leaves the question open. A dialog that
// cannot be shown counts as Yes. The answer goes to the run's log.
ReplaceAnswer askReplaceExistingFile(const char* path, const EntryBuffers& entry);

// Ends an open replace question with kReplaceCancel: the user confirmed
// quitting in another window. Nothing when none is open.
void cancelOpenReplaceQuestion();

// The dialog procedure of template 106; ends with the answer's button id.
INT_PTR replaceConfirmProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// The calendar date and time of `time` as stored, without any time-zone
// shift: the user's long date, ", ", the locale's standard time, into dest.
// A date longer than the 127 characters it may take falls back to the short
// date; a time that cannot be converted gives an empty text.
void formatFileTime(char* dest, std::size_t size, const FILETIME& time);

}  // namespace setup

#endif
