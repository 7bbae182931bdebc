#include "wizard_view.h"

namespace e2e {

const Control* WizardPage::control(int id) const {
    for (const Control& c : controls)
        if (c.id == id) return &c;
    return nullptr;
}

const Control* WizardPage::withText(const std::string& text) const {
    for (const Control& c : controls)
        if (c.text.rfind(text, 0) == 0) return &c;
    return nullptr;
}

bool WizardPage::shows(int buttonId) const {
    for (const Control& c : sheet.children)
        if (c.id == buttonId && c.parent == sheet.hwnd && c.className == "Button") return c.visible;
    return false;
}

bool WizardPage::offers(int buttonId) const {
    for (const Control& c : sheet.children)
        if (c.id == buttonId && c.parent == sheet.hwnd && c.className == "Button")
            return c.visible && c.enabled;
    return false;
}

std::vector<int> WizardPage::navigation() const {
    std::vector<int> ids;
    for (int id : {kWizardBack, kWizardNext, kWizardFinish})
        if (offers(id)) ids.push_back(id);
    return ids;
}

std::optional<WizardPage> wizardPageOf(const Window& sheet) {
    WizardPage view;
    for (const Control& c : sheet.children) {
        if (c.parent == sheet.hwnd && c.className == "#32770" && c.visible) {
            view.page = c.hwnd;
            view.pageRect = c.rect;
            break;
        }
    }
    if (view.page == 0) return std::nullopt;
    view.sheet = sheet;
    for (const Control& c : sheet.children)
        if (c.parent == view.page) view.controls.push_back(c);
    return view;
}

}  // namespace e2e
