// The DirectX version value: what the product version of the DirectDraw
// library says about the installed DirectX, as (major << 16) | DirectX number.
#ifndef ENGINE_DIRECTX_DIRECTX_VERSION_RULES_H
#define ENGINE_DIRECTX_DIRECTX_VERSION_RULES_H

#include <cstdint>

namespace setup {

// Values of detectDirectXVersion that are not versions.
inline constexpr std::int32_t kDirectXNotApplicable = -3;  // Windows NT: not looked for
inline constexpr std::int32_t kDirectXUnreadable = -2;     // no readable product version
inline constexpr std::int32_t kDirectXNotFound = -1;       // the library does not load

// The DirectX number of a DirectDraw minor version: lowered by one up to 4,
// then at least 1 (0, 1, 2 give 1; 3 gives 2; 4 gives 3; 5 and above stay).
std::uint32_t directXNumber(std::uint32_t minor);

// The version value of a product version text such as "4.05.01.1998":
// two unsigned decimal numbers separated by a point at the start of the
// text; a part that cannot be read counts 0.
std::int32_t directXVersionFromProductVersion(const char* text);

}  // namespace setup

#endif
