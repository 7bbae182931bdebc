// The setup wizard: a wizard-style property sheet whose pages are built at
// run time from the page descriptions of the configuration. While the user
// walks through it, the choices go to process-wide state: installDir, the
// product's selection mask, SetupConfig.flags bits 0 and 1 and
// installDirectX.
#ifndef UI_WIZARD_SETUP_WIZARD_H
#define UI_WIZARD_SETUP_WIZARD_H

#include <windows.h>

#include <cstdint>

#include "engine/extract/extraction_state.h"
#include "format/package_format.h"

namespace setup {

// Index of the page being shown; the only link between a page window and
// its description.
extern std::int32_t currentPage;

struct WizardState {
    bool firstPageSeen;
    bool built[fmt::kMaxPages];  // the page's controls exist
    HWND sheet;                   // the property sheet frame
    ExtractionState* selection;   // whose selection mask the wizard sets
};
extern WizardState wizardState;

// Decides installDirectX (dropping the DirectX page when it is not needed)
// and runs the sheet modally. True when the user pressed Finish, or when
// the product has no pages at all (nothing to choose: the defaults stand);
// false when the sheet could not be made or ended otherwise. Cancel, Esc
// and the close box ask whether to quit (ui/message_box.h); a confirmed quit
// never returns: the engine ends the run as a cancel, exit code 8
// (engine/failure/cancel.h).
bool runSetupWizard(ExtractionState& product);

// Moves the window, unsized and in its Z order, to the middle of the screen.
void centreOnScreen(HWND window);

// The dialog procedure of every page (registered through the window
// boundary).
INT_PTR wizardPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace setup

#endif
