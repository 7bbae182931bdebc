// The 90 text slots of SetupConfig by field name, with the offset of each
// slot and the text a package gets when its description leaves the slot out.
#ifndef FORMAT_TEXT_SLOTS_H
#define FORMAT_TEXT_SLOTS_H

#include <string_view>

#include "format/package_format.h"

namespace fmt {

struct TextSlotInfo {
    const char* name;          // field name; "dxReasons1" .. "dxReasons14" for the reasons
    u32 offset;                // of the slot in SetupConfig
    const char* defaultText;   // nullptr: product-specific, empty unless given
};

// All 90 slots in record order (index i has offset 4 * i).
extern const TextSlotInfo kTextSlots[kTextSlotCount];

// The slot whose field name is `name`, or nullptr.
const TextSlotInfo* findTextSlot(std::string_view name);

// Index of the first DirectX failure reason in kTextSlots.
inline constexpr u32 kFirstDirectXReasonSlot = offsetof(TextSlots, dxReasons) / 4;
// Index of the slot no program reads (kept empty).
inline constexpr u32 kUnusedTextSlot = offsetof(TextSlots, unused128) / 4;

// The two DirectX fallback texts are copied into a 32-byte buffer.
inline constexpr u32 kDirectXFallbackTextLimit = 31;
// "InstallSync_" + product name must fit a 256-byte buffer.
inline constexpr u32 kMaxProductNameLength = 243;
// A formatted DirectX version line may hold at most this many characters.
inline constexpr u32 kMaxDirectXLineLength = 247;

}  // namespace fmt

#endif
