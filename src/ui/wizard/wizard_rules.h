// The wizard's decisions that need no window: the DirectX version's text,
// dropping the DirectX page, which buttons a page shows, and how the
// choices on a page map to and from the stored state.
#ifndef UI_WIZARD_WIZARD_RULES_H
#define UI_WIZARD_WIZARD_RULES_H

#include <cstddef>
#include <cstdint>

namespace setup {

// The installed DirectX as text for a detectDirectXVersion value:
// `notFound` when the library is missing, `unknown` when its version cannot
// be read or (on Windows NT) is not looked for, else "DirectX <number>".
void formatDirectXVersion(std::int32_t detected, const char* notFound, const char* unknown,
                          char* dest, std::size_t size);

// Drops entry `index` of the first `count` page slots: the later ones move
// down by one and count decreases. An index of -1, or one that names no
// page, changes nothing.
void removeWizardPage(std::uint32_t* pages, std::uint32_t& count, std::int32_t index);

// Wizard buttons, as the sheet's PSWIZB flags.
inline constexpr std::uint32_t kWizardBack = 0x1;
inline constexpr std::uint32_t kWizardNext = 0x2;
inline constexpr std::uint32_t kWizardFinish = 0x4;

// Next only on the first page, Back and Next between, Finish instead of
// Next on the last (so a single page shows Finish only).
std::uint32_t wizardButtons(std::int32_t page, std::uint32_t pageCount);

// SetupConfig.flags with bit `bit` set or cleared.
std::uint32_t withFlag(std::uint32_t flags, std::uint32_t bit, bool set);

// The three selection masks of the setup-type buttons 404, 405 and 406.
struct SelectionPresets {
    std::uint32_t preset1;
    std::uint32_t defaultSelection;
    std::uint32_t preset3;
};

// The mask of setup-type button `id` (404 to 406); `current` for any other.
std::uint32_t presetMask(const SelectionPresets& presets, int id, std::uint32_t current);

// Whether button `id` shows checked for the selection mask: every button
// whose mask equals it does, so none, one or several may.
bool presetChecked(const SelectionPresets& presets, int id, std::uint32_t selection);

}  // namespace setup

#endif
