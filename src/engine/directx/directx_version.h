// Which DirectX the system has, from the product version of the DirectDraw
// library. Only the platforms other than Windows NT are asked.
#ifndef ENGINE_DIRECTX_DIRECTX_VERSION_H
#define ENGINE_DIRECTX_DIRECTX_VERSION_H

#include <cstdint>

#include "engine/directx/directx_version_rules.h"

namespace setup {

// kDirectXNotApplicable on Windows NT (the library is not touched),
// kDirectXNotFound when "ddraw.dll" does not load, kDirectXUnreadable when
// its version resource has no US-English product version, otherwise
// (major << 16) | DirectX number.
std::int32_t detectDirectXVersion();

}  // namespace setup

#endif
