#include "image/pe_image.h"

#include <algorithm>

namespace mkpackage {
namespace {

constexpr std::uint16_t kOptionalMagicPe32 = 0x10B;
constexpr std::uint32_t kSectionHeaderSize = 40;
constexpr std::uint32_t kResourceDirectory = 2;
constexpr std::uint32_t kSecurityDirectory = 4;
constexpr std::uint32_t kRelocationDirectory = 5;
constexpr std::uint32_t kDebugDirectory = 6;
constexpr std::uint32_t kDebugEntrySize = 28;

// Offsets in the PE32 optional header.
constexpr std::uint32_t kSizeOfInitializedData = 8;
constexpr std::uint32_t kSectionAlignment = 32;
constexpr std::uint32_t kFileAlignment = 36;
constexpr std::uint32_t kSizeOfImage = 56;
constexpr std::uint32_t kCheckSum = 64;
constexpr std::uint32_t kDirectoryCount = 92;
constexpr std::uint32_t kDirectories = 96;

std::uint32_t u16At(const ImageBytes& b, std::uint64_t at) { return b[at] | (b[at + 1] << 8); }
std::uint32_t u32At(const ImageBytes& b, std::uint64_t at) { return u16At(b, at) | (u16At(b, at + 2) << 16); }
void put32(ImageBytes& b, std::uint64_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

bool has(const ImageBytes& b, std::uint64_t offset, std::uint64_t count) {
    return offset <= b.size() && count <= b.size() - offset;
}
bool powerOfTwo(std::uint32_t v) { return v != 0 && (v & (v - 1)) == 0; }
std::uint64_t alignUp(std::uint64_t v, std::uint32_t alignment) { return (v + alignment - 1) / alignment * alignment; }

std::uint32_t directoryCount(const ImageBytes& image, const PeImage& pe) {
    return std::min<std::uint32_t>(u32At(image, pe.optionalHeader + kDirectoryCount), 16);
}
std::uint64_t directoryAt(const PeImage& pe, std::uint32_t index) { return pe.optionalHeader + kDirectories + 8 * index; }

}  // namespace

bool readPeImage(const ImageBytes& image, PeImage& pe, std::string& problem) {
    pe = PeImage{};
    if (!has(image, 0, 0x40) || image[0] != 'M' || image[1] != 'Z') {
        problem = "is not a Windows program (no \"MZ\" header)";
        return false;
    }
    const std::uint64_t header = u32At(image, 0x3C);
    if (!has(image, header, 24) || u32At(image, header) != 0x00004550u) {
        problem = "is not a Windows PE program (no \"PE\" header)";
        return false;
    }
    const std::uint32_t sectionCount = u16At(image, header + 6);
    const std::uint32_t optionalSize = u16At(image, header + 20);
    pe.optionalHeader = static_cast<std::uint32_t>(header + 24);
    if (optionalSize < kDirectories || !has(image, pe.optionalHeader, optionalSize) ||
        u16At(image, pe.optionalHeader) != kOptionalMagicPe32) {
        problem = "has no PE32 optional header";
        return false;
    }
    if (kDirectories + 8 * std::uint64_t(directoryCount(image, pe)) > optionalSize) {
        problem = "has more data directories than its optional header holds";
        return false;
    }
    pe.sectionAlignment = u32At(image, pe.optionalHeader + kSectionAlignment);
    pe.fileAlignment = u32At(image, pe.optionalHeader + kFileAlignment);
    if (!powerOfTwo(pe.sectionAlignment) || !powerOfTwo(pe.fileAlignment)) {
        problem = "has a section or file alignment that is no power of two";
        return false;
    }
    const std::uint64_t table = pe.optionalHeader + std::uint64_t(optionalSize);
    if (!has(image, table, std::uint64_t(sectionCount) * kSectionHeaderSize)) {
        problem = "has a section table beyond its end";
        return false;
    }
    std::uint64_t lastEnd = 0, lastVirtual = 0;
    for (std::uint32_t i = 0; i < sectionCount; ++i) {
        const std::uint64_t at = table + std::uint64_t(i) * kSectionHeaderSize;
        const PeSection s{static_cast<std::uint32_t>(at), u32At(image, at + 12), u32At(image, at + 8),
                          u32At(image, at + 20), u32At(image, at + 16)};
        if (s.rawSize != 0 && (!has(image, s.rawOffset, s.rawSize) || s.rawOffset < lastEnd)) {
            problem = "has sections whose data overlap or run past its end";
            return false;
        }
        if (s.virtualAddress < lastVirtual) {
            problem = "has sections out of address order";
            return false;
        }
        if (s.rawSize != 0) lastEnd = std::uint64_t(s.rawOffset) + s.rawSize;
        lastVirtual = std::uint64_t(s.virtualAddress) + std::max(s.virtualSize, s.rawSize);
        pe.sections.push_back(s);
    }
    if (directoryCount(image, pe) <= kResourceDirectory) return true;
    pe.resourceRva = u32At(image, directoryAt(pe, kResourceDirectory));
    pe.resourceSize = u32At(image, directoryAt(pe, kResourceDirectory) + 4);
    if (pe.resourceRva == 0) return true;
    for (std::size_t i = 0; i < pe.sections.size(); ++i) {
        const PeSection& s = pe.sections[i];
        if (s.virtualAddress == pe.resourceRva && pe.resourceSize <= s.rawSize) {
            pe.resourceSection = static_cast<int>(i);
            return true;
        }
    }
    problem = "has resources that do not begin a section of their own";
    return false;
}

ImageBytes resourceSectionBytes(const ImageBytes& image, const PeImage& pe) {
    if (pe.resourceSection < 0) return {};
    const PeSection& s = pe.sections[static_cast<std::size_t>(pe.resourceSection)];
    return ImageBytes(image.begin() + s.rawOffset, image.begin() + s.rawOffset + s.rawSize);
}

bool replaceResourceSection(const ImageBytes& image, const PeImage& pe, const ImageBytes& resources,
                            ImageBytes& out, std::string& problem) {
    if (pe.resourceSection < 0) {
        problem = "has no resource section";
        return false;
    }
    if (directoryCount(image, pe) > kSecurityDirectory && u32At(image, directoryAt(pe, kSecurityDirectory) + 4) != 0) {
        problem = "is signed";
        return false;
    }
    const std::size_t first = static_cast<std::size_t>(pe.resourceSection);
    const std::uint32_t relocations =
        directoryCount(image, pe) > kRelocationDirectory ? u32At(image, directoryAt(pe, kRelocationDirectory)) : 0;
    for (std::size_t i = first + 1; i < pe.sections.size(); ++i) {
        if (pe.sections[i].virtualAddress != relocations || relocations == 0) {
            problem = "has a section other than the base relocations behind its resources";
            return false;
        }
    }
    // Debugging data is found by its file offset: none of it may lie where
    // the sections move.
    if (directoryCount(image, pe) > kDebugDirectory) {
        const std::uint32_t rva = u32At(image, directoryAt(pe, kDebugDirectory));
        const std::uint32_t size = u32At(image, directoryAt(pe, kDebugDirectory) + 4);
        for (const PeSection& s : pe.sections) {
            if (size == 0 || rva < s.virtualAddress || rva - s.virtualAddress >= s.rawSize) continue;
            const std::uint64_t at = std::uint64_t(s.rawOffset) + (rva - s.virtualAddress);
            for (std::uint64_t e = at; e + kDebugEntrySize <= at + size && has(image, e, kDebugEntrySize); e += kDebugEntrySize) {
                if (u32At(image, e + 24) >= pe.sections[first].rawOffset) {
                    problem = "has debugging data behind its resources";
                    return false;
                }
            }
        }
    }
    std::uint64_t dataEnd = 0;
    for (const PeSection& s : pe.sections)
        if (s.rawSize != 0) dataEnd = std::max<std::uint64_t>(dataEnd, std::uint64_t(s.rawOffset) + s.rawSize);

    if (std::uint64_t(pe.sections[first].virtualAddress) + resources.size() > 0xFFFFFFFFull) {
        problem = "would grow beyond 4 GiB";
        return false;
    }
    std::vector<PeSection> sections = pe.sections;
    PeSection& rsrc = sections[first];
    const std::uint32_t oldRawSize = rsrc.rawSize;
    rsrc.virtualSize = static_cast<std::uint32_t>(resources.size());
    rsrc.rawSize = static_cast<std::uint32_t>(alignUp(resources.size(), pe.fileAlignment));
    std::int64_t shift = 0;
    for (std::size_t i = first + 1; i < sections.size(); ++i) {
        const PeSection& before = sections[i - 1];
        const std::uint64_t address = alignUp(std::uint64_t(before.virtualAddress) + before.virtualSize, pe.sectionAlignment);
        const std::uint64_t raw = std::uint64_t(before.rawOffset) + before.rawSize;
        if (address > 0xFFFFFFFFull || raw > 0xFFFFFFFFull) {
            problem = "would grow beyond 4 GiB";
            return false;
        }
        if (i == first + 1) shift = static_cast<std::int64_t>(address) - sections[i].virtualAddress;
        sections[i].virtualAddress = static_cast<std::uint32_t>(address);
        if (sections[i].rawSize != 0) sections[i].rawOffset = static_cast<std::uint32_t>(raw);
    }

    out.assign(image.begin(), image.begin() + rsrc.rawOffset);
    out.insert(out.end(), resources.begin(), resources.end());
    out.resize(std::uint64_t(rsrc.rawOffset) + rsrc.rawSize, 0);
    for (std::size_t i = first + 1; i < sections.size(); ++i) {
        const PeSection& old = pe.sections[i];
        if (old.rawSize == 0) continue;
        out.insert(out.end(), image.begin() + old.rawOffset, image.begin() + old.rawOffset + old.rawSize);
    }
    out.insert(out.end(), image.begin() + static_cast<std::ptrdiff_t>(dataEnd), image.end());

    for (const PeSection& s : sections) {
        put32(out, s.header + 8, s.virtualSize);
        put32(out, s.header + 12, s.virtualAddress);
        put32(out, s.header + 16, s.rawSize);
        put32(out, s.header + 20, s.rawSize != 0 ? s.rawOffset : 0);
    }
    put32(out, directoryAt(pe, kResourceDirectory) + 4, rsrc.virtualSize);
    if (shift != 0) {
        for (std::uint32_t d = 0; d < directoryCount(image, pe); ++d) {
            const std::uint32_t rva = u32At(image, directoryAt(pe, d));
            if (d != kSecurityDirectory && rva != 0 && rva >= pe.sections[first + 1].virtualAddress)
                put32(out, directoryAt(pe, d), static_cast<std::uint32_t>(rva + shift));
        }
    }
    const PeSection& last = sections.back();
    put32(out, pe.optionalHeader + kSizeOfImage,
          static_cast<std::uint32_t>(alignUp(std::uint64_t(last.virtualAddress) + last.virtualSize, pe.sectionAlignment)));
    const std::uint32_t initialised = u32At(image, pe.optionalHeader + kSizeOfInitializedData);
    put32(out, pe.optionalHeader + kSizeOfInitializedData, initialised - oldRawSize + rsrc.rawSize);
    if (u32At(image, pe.optionalHeader + kCheckSum) != 0)
        put32(out, pe.optionalHeader + kCheckSum, peChecksum(out, pe.optionalHeader + kCheckSum));
    return true;
}

std::uint32_t peChecksum(const ImageBytes& image, std::uint32_t checksumOffset) {
    const auto byteAt = [&](std::size_t i) -> std::uint32_t {
        if (i >= image.size() || (i >= checksumOffset && i < std::uint64_t(checksumOffset) + 4)) return 0;
        return image[i];
    };
    std::uint64_t sum = 0;
    for (std::size_t i = 0; i < image.size(); i += 2) {
        sum += byteAt(i) | (byteAt(i + 1) << 8);
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum + image.size());
}

}  // namespace mkpackage
