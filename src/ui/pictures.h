// The configuration's pictures as the windows show them: loaded once from
// their temporary files (engine/extract/picture_files.h) and kept for the
// process.
#ifndef UI_PICTURES_H
#define UI_PICTURES_H

#include <windows.h>

#include <cstdint>

namespace setup {

// The blob's image as `type` (IMAGE_BITMAP or IMAGE_ICON); nullptr when it
// cannot be written or loaded. Writing it may raise error code 5.
HANDLE loadBlobImage(std::uint32_t index, UINT type);

}  // namespace setup

#endif
