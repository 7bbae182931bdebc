// Placeholder pictures generated in code for starter products and tests:
// a 24-bit bitmap, a 32 x 32 icon and a small uncompressed AVI clip.
#ifndef MKPACKAGE_PLACEHOLDER_MEDIA_H
#define MKPACKAGE_PLACEHOLDER_MEDIA_H

#include <cstdint>
#include <vector>

namespace mkpackage {

// A bottom-up 24-bit bitmap file with a vertical colour gradient from `top`
// to `bottom` (0xRRGGBB).
std::vector<std::uint8_t> makeBitmapFile(int width, int height, std::uint32_t top, std::uint32_t bottom);

// An icon file with one 32 x 32 24-bit image: a filled disc of `colour` on
// a transparent background.
std::vector<std::uint8_t> makeIconFile(std::uint32_t colour);

// An uncompressed 24-bit AVI clip of `frames` frames, `size` x `size`
// pixels, at ten frames per second: a bar that sweeps across.
std::vector<std::uint8_t> makeAnimationFile(int size, int frames);

}  // namespace mkpackage

#endif
