// The setup wizard as the robot sees it: the property sheet, its one visible
// page and that page's controls, and the sheet's own buttons.
#ifndef E2E_HARNESS_WIZARD_VIEW_H
#define E2E_HARNESS_WIZARD_VIEW_H

#include <optional>
#include <string>
#include <vector>

#include "program_ids.h"
#include "robot_client.h"

namespace e2e {

struct WizardPage {
    Window sheet;
    unsigned long page = 0;  // the visible page window
    Rect pageRect;
    std::vector<Control> controls;  // the page's own controls, in creation order

    const Control* control(int id) const;
    // The first control whose text begins with `text`.
    const Control* withText(const std::string& text) const;
    // A sheet button that is shown; `enabled` too when asked.
    bool shows(int buttonId) const;
    bool offers(int buttonId) const;  // shown and enabled
    // Shown buttons of the sheet among Back, Next and Finish that can be
    // pressed, in that order (Back shown but disabled does not count).
    std::vector<int> navigation() const;
};

// The visible page of a dump of the sheet; nullopt when the window shows no
// page (a message box, say).
std::optional<WizardPage> wizardPageOf(const Window& sheet);

}  // namespace e2e

#endif
