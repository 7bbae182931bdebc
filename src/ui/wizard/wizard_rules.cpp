#include "ui/wizard/wizard_rules.h"

#include "base/bounded_text.h"
#include "engine/directx/directx_version_rules.h"
#include "format/package_format.h"
#include "ui/wizard/layout/page_layout.h"

namespace setup {

void formatDirectXVersion(std::int32_t detected, const char* notFound, const char* unknown,
                          char* dest, std::size_t size) {
    switch (detected) {
    case kDirectXNotFound: copyBounded(dest, size, notFound); return;
    case kDirectXUnreadable:
    case kDirectXNotApplicable: copyBounded(dest, size, unknown); return;
    default:
        formatBounded(dest, size, "DirectX %d", static_cast<int>(detected & 0xFFFF));
        return;
    }
}

void removeWizardPage(std::uint32_t* pages, std::uint32_t& count, std::int32_t index) {
    if (count > fmt::kMaxPages) count = fmt::kMaxPages;
    if (index < 0 || static_cast<std::uint32_t>(index) >= count) return;
    for (std::uint32_t i = static_cast<std::uint32_t>(index); i + 1 < count; ++i)
        pages[i] = pages[i + 1];
    --count;
}

std::uint32_t wizardButtons(std::int32_t page, std::uint32_t pageCount) {
    const bool last = page >= 0 && static_cast<std::uint32_t>(page) + 1 >= pageCount;
    const std::uint32_t back = page > 0 ? kWizardBack : 0;
    return back | (last ? kWizardFinish : kWizardNext);
}

std::uint32_t withFlag(std::uint32_t flags, std::uint32_t bit, bool set) {
    return set ? flags | bit : flags & ~bit;
}

std::uint32_t presetMask(const SelectionPresets& presets, int id, std::uint32_t current) {
    switch (id) {
    case kIdPreset1: return presets.preset1;
    case kIdDefaultSelection: return presets.defaultSelection;
    case kIdPreset3: return presets.preset3;
    default: return current;
    }
}

bool presetChecked(const SelectionPresets& presets, int id, std::uint32_t selection) {
    return presetMask(presets, id, ~selection) == selection;
}

}  // namespace setup
