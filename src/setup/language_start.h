// The run's language, chosen and put in place before the first text is
// shown (setup/language_choice.h for the rules).
#ifndef SETUP_LANGUAGE_START_H
#define SETUP_LANGUAGE_START_H

namespace setup {

// Chooses among the package's languages (none to choose from without a
// languages record), asks the user when the package wants that and the run
// is attended without /LANG=, and puts the chosen language's texts in
// place. A /LANG= code that names no language of the package is kept for
// checkOptions; the language question's Cancel ends the run with nothing
// changed.
void chooseRunLanguage(const char* languageOption);

// True when /LANG= named no language of the package.
bool languageOptionUnknown();

}  // namespace setup

#endif
