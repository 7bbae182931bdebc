// The configuration record as the setup program loads it: checksum and
// decompression into the reserved area, relocation of the 202 slots, then
// the walk of everything the program reads from it, with the bounds the
// program applies: texts, components with their actions, pictures, and the
// wizard's page items.
//
// Input: "Z" followed by a packed stream (the loader's own input, checksum
// computed here), or a record in compact form (record_form.h), which is
// packed here first.
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "base/field_text.h"
#include "engine/expand_path.h"
#include "engine/post_install_rules.h"
#include "format/package_format.h"
#include "package/config_block.h"
#include "record_form.h"

namespace {

using fmt::u32;
using fmt::u8;

constexpr u32 kAreaSize = fmt::kConfigAreaSize;

// The reserved area and its zero guard, as in the setup program.
alignas(16) u8 area[fmt::kConfigAreaSize + setup::kConfigGuardSize];

// Relocated with base 0, a slot is the offset it designates, bound to the area.
const u8* slotTarget(u32 slot) {
    if (slot > kAreaSize) std::abort();  // relocation binds every slot
    return area + slot;
}

u32 slotAt(std::size_t offset) {
    u32 slot;
    std::memcpy(&slot, area + offset, 4);
    return slot;
}

// Every text a slot designates ends inside the area or its guard.
void walkTexts(setup::ExpandRing& ring) {
    for (u32 i = 0; i < fmt::kTextSlotCount; ++i) {
        const char* text = reinterpret_cast<const char*>(slotTarget(slotAt(4 * i)));
        const std::size_t room = sizeof area - static_cast<std::size_t>(reinterpret_cast<const u8*>(text) - area);
        if (::strnlen(text, room) == room) std::abort();
    }
    const char* folder = reinterpret_cast<const char*>(slotTarget(slotAt(offsetof(fmt::TextSlots, defaultInstallDir))));
    setup::expandPathInto(ring, folder, "C:\\Program Files\\Product\\", 'C');
}

// Components as the extraction and the post-install actions reach them.
void walkComponents(const fmt::ScalarSettings& settings, setup::ExpandRing& ring) {
    const u32 count = settings.componentCount < fmt::kMaxComponents ? settings.componentCount : fmt::kMaxComponents;
    for (u32 i = 0; i < count; ++i) {
        const u8* start = slotTarget(slotAt(offsetof(fmt::SetupConfig, components) + 4 * i));
        fmt::Component component;
        std::memcpy(&component, start, sizeof component);  // inside area + guard: slot <= area size
        char name[fmt::kFieldTextSize];
        setup::copyFieldText(name, component.name);
        const std::size_t actionsOffset = static_cast<std::size_t>(start - area) + sizeof(fmt::Component);
        const u32 actions =
            setup::actionsWithinLimit(actionsOffset, component.actionCount, sizeof(fmt::InstallAction), sizeof area);
        // The first actions and the last one within the bound: walking a few
        // thousand alike actions would only slow the run down.
        for (u32 a = 0; a < actions; a = (a == 15 && actions > 17) ? actions - 1 : a + 1) {
            fmt::InstallAction action;
            std::memcpy(&action, area + actionsOffset + std::size_t(a) * sizeof action, sizeof action);
            char arg1[fmt::kFieldTextSize], arg2[fmt::kFieldTextSize], arg3[fmt::kFieldTextSize];
            setup::copyFieldText(arg1, action.arg1);
            setup::copyFieldText(arg2, action.arg2);
            setup::copyFieldText(arg3, action.arg3);
            if (setup::planAction(action.type, settings.flags).effect == setup::ActionEffect::kRegistryValue) {
                setup::expandPathInto(ring, arg1, "C:\\Product\\", 'C');
                setup::expandPathInto(ring, arg2, "C:\\Product\\", 'C');
                setup::expandPathInto(ring, arg3, "C:\\Product\\", 'C');
            }
        }
    }
}

// The picture bounds of the setup program (blobRecord): a record and its data
// lie inside the loaded area, or the picture is not there.
const fmt::Blob* blobRecord(const fmt::ScalarSettings& settings, u32 index, fmt::Blob& copy) {
    if (index >= settings.blobCount || index >= fmt::kMaxBlobs) return nullptr;
    const u8* start = slotTarget(slotAt(offsetof(fmt::SetupConfig, blobs) + 4 * index));
    const u8* end = area + kAreaSize;
    if (start + sizeof(fmt::Blob) > end) return nullptr;
    std::memcpy(&copy, start, sizeof copy);
    if (copy.size > static_cast<u32>(end - start) - sizeof(fmt::Blob)) return nullptr;
    return reinterpret_cast<const fmt::Blob*>(start);
}

void walkPictures(const fmt::ScalarSettings& settings) {
    for (u32 entry = 0; entry < fmt::kImageIndexCount; ++entry) {
        fmt::Blob copy;
        const fmt::Blob* blob = blobRecord(settings, settings.imageIndexTable[entry], copy);
        if (blob == nullptr) continue;
        char fileName[fmt::kMaxPath];
        setup::copyFieldText(fileName, copy.fileName);
        // The bytes written to the temporary file.
        const u8* data = reinterpret_cast<const u8*>(blob) + sizeof(fmt::Blob);
        volatile uLong crc = crc32(0, data, copy.size);
        (void)crc;
    }
    // The exit path reads the temporary path of every counted picture.
    const u32 count = settings.blobCount < fmt::kMaxBlobs ? settings.blobCount : fmt::kMaxBlobs;
    for (u32 i = 0; i < count; ++i) {
        const u8* start = slotTarget(slotAt(offsetof(fmt::SetupConfig, blobs) + 4 * i));
        char tempPath[fmt::kMaxPath];
        std::memcpy(tempPath, start + offsetof(fmt::Blob, tempPath), sizeof tempPath);
    }
}

// The wizard's page items: a 12-byte head and its data, up to an end item.
// The setup program has no page layout yet; this is the walk it needs: every
// head and its data inside the loaded area, a text terminated inside its data.
void walkPages(const fmt::ScalarSettings& settings) {
    const u32 count = settings.pageCount < fmt::kMaxPages ? settings.pageCount : fmt::kMaxPages;
    for (u32 p = 0; p < count; ++p) {
        std::size_t offset = static_cast<std::size_t>(slotTarget(slotAt(offsetof(fmt::SetupConfig, pages) + 4 * p)) - area);
        for (;;) {
            if (sizeof(fmt::PageItem) > kAreaSize - offset) break;
            fmt::PageItem item;
            std::memcpy(&item, area + offset, sizeof item);
            offset += sizeof item;
            if (item.type == fmt::kItemEnd || item.dataSize > kAreaSize - offset) break;
            if (item.dataSize >= 1) {
                const char* text = reinterpret_cast<const char*>(area + offset);
                (void)::strnlen(text, item.dataSize);
            }
            offset += item.dataSize;
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4 * fmt::kConfigAreaSize) return 0;
    std::memset(area, 0, sizeof area);
    setup::ConfigDecodeResult result;
    if (size >= 1 && data[0] == 'Z') {
        const u8* packed = data + 1;
        const auto packedSize = static_cast<u32>(size - 1);
        const u32 crc = static_cast<u32>(crc32(0, packed, packedSize));
        if (setup::decodeConfigRecord(packed, packedSize, crc ^ 1, area, kAreaSize) !=
            setup::ConfigDecodeResult::kChecksumMismatch) {
            std::abort();
        }
        result = setup::decodeConfigRecord(packed, packedSize, crc, area, kAreaSize);
    } else {
        static fuzzing::Bytes record, block;
        fuzzing::expandRecord(data, size, record);
        fuzzing::configBlock(record, 0, block);
        fmt::ConfigBlockHeader header;
        std::memcpy(&header, block.data(), sizeof header);
        result = setup::decodeConfigRecord(block.data() + sizeof header, header.packedSize, header.crc, area, kAreaSize);
        // A record that fits the area loads as it is.
        if ((result == setup::ConfigDecodeResult::kOk) != (record.size() <= kAreaSize)) std::abort();
    }
    // Nothing is ever written into the guard.
    for (u32 i = 0; i < setup::kConfigGuardSize; ++i)
        if (area[kAreaSize + i] != 0) std::abort();
    if (result != setup::ConfigDecodeResult::kOk) return 0;

    setup::relocateSlots(reinterpret_cast<std::uint32_t*>(area), 0, kAreaSize);
    fmt::ScalarSettings settings;
    std::memcpy(&settings, area + offsetof(fmt::SetupConfig, settings), sizeof settings);
    static setup::ExpandRing ring;
    walkTexts(ring);
    walkComponents(settings, ring);
    walkPictures(settings);
    walkPages(settings);
    return 0;
}
