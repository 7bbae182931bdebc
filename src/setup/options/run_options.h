// The command-line options of this run (setup/options/command_line.h): read before
// anything else happens, checked once the package's texts are there, and
// applied as the wizard would have stored them.
#ifndef SETUP_OPTIONS_RUN_OPTIONS_H
#define SETUP_OPTIONS_RUN_OPTIONS_H

#include "engine/extract/extraction_state.h"

namespace setup {

// Reads the command line (its wide form where the system has one, spelt in
// the code page: setup/options/wide_arguments.h), sets unattendedRun and chooses the interaction
// (setup/interaction_choice.h); opens the run's log at once, so that it sees
// everything from the start. An option that cannot be used is kept for
// checkOptions.
void readCommandLine(const char* commandLine);

// What the options ask, checked before anything is asked or written: an
// option that cannot be used ends the run with its own code (22) and the
// options' help; /? shows the help and ends with 0.
void checkOptions();

// The options' folder, selection and shortcuts, as the wizard would have
// stored them into installDir, `product` and SetupConfig.flags; the wizard
// of an attended run starts from them.
void applyOptions(ExtractionState& product);

// The code /LANG= gives, as given; "" without the option.
const char* languageOption();

// True when /REPLACEATRESTART asks an unattended run to replace files in
// use at the next restart rather than stop.
bool replaceAtRestartAsked();

}  // namespace setup

#endif
