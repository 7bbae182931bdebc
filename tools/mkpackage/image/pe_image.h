// The parts of a PE32 program image that its resources depend on, and the
// image rebuilt with a new resource section. The resource section keeps its
// place; only the base relocations may follow it, and they move behind the
// new section (their table names addresses in other sections, never its own).
// The image's size, the initialised-data size, the two data directory
// entries and the checksum follow; bytes behind the last section stay behind
// it. Pure code, every field checked against the bytes before use.
#ifndef MKPACKAGE_PE_IMAGE_H
#define MKPACKAGE_PE_IMAGE_H

#include <cstdint>
#include <string>
#include <vector>

#include "image/resource_tree.h"

namespace mkpackage {

struct PeSection {
    std::uint32_t header;  // file offset of its section header
    std::uint32_t virtualAddress, virtualSize, rawOffset, rawSize;
};

struct PeImage {
    std::uint32_t optionalHeader = 0;      // file offset
    std::uint32_t fileAlignment = 0, sectionAlignment = 0;
    std::vector<PeSection> sections;       // in the section table's order
    int resourceSection = -1;              // index in sections; -1: the image has none
    std::uint32_t resourceRva = 0, resourceSize = 0;
};

// Reads the headers of `image`; false with `problem` (for "the program
// image ...") when it is no PE32 image, its alignments are not powers of
// two, its sections overlap or run past its end, or its resources do not
// fill a section of their own.
bool readPeImage(const ImageBytes& image, PeImage& pe, std::string& problem);

// The resource section's bytes (empty when there is none).
ImageBytes resourceSectionBytes(const ImageBytes& image, const PeImage& pe);

// The image with `resources` (written for the resource section's address)
// as its resource section. An image without one, or whose resource section
// is followed by a section other than the base relocations, is refused with
// `problem`.
bool replaceResourceSection(const ImageBytes& image, const PeImage& pe, const ImageBytes& resources,
                            ImageBytes& out, std::string& problem);

// The PE checksum of `image`, its own checksum field counted as zero.
std::uint32_t peChecksum(const ImageBytes& image, std::uint32_t checksumOffset);

}  // namespace mkpackage

#endif
