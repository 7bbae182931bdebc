// The language question of a package with several languages: a small modal
// dialog with a prompt, the languages' names in a list, OK and Cancel.
#ifndef UI_LANGUAGE_DIALOG_H
#define UI_LANGUAGE_DIALOG_H

namespace setup {

// Shows the language question: `names` (8-bit texts in the system's code page),
// `initial` preselected. Returns the chosen index, or -1 when the user cancels
// (Cancel, Esc, close box).
int askLanguage(const char* title, const char* prompt, const char* const* names,
                int count, int initial, const char* okCaption, const char* cancelCaption);

}  // namespace setup

#endif
