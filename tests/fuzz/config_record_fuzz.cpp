// The configuration record as the setup program loads it: checksum and
// decompression into the reserved area, relocation of the 202 slots, then
// the walk of everything the program reads from it, with the bounds the
// program applies: texts, components with their actions, pictures, and the
// wizard's pages, read and laid out by the program's own page code.
//
// Input: "Z" followed by a packed stream (the loader's own input, checksum
// computed here), or a record in compact form (record_form.h), which is
// packed here first; or "T", a u32 length and that many bytes of an
// extension table, followed by either: the table lies between a package
// header and the configuration block, and the extra texts are read from it
// as the setup program reads them after the record.
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "base/field_text.h"
#include "engine/paths/expand_path.h"
#include "engine/system/post_install_rules.h"
#include "format/package_format.h"
#include "package/config_block.h"
#include "package/extra_texts.h"
#include "record_form.h"
#include "ui/wizard/layout/page_layout.h"
#include "ui/wizard/wizard_rules.h"

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

// A host for the page layout that measures every text in a fixed pitch,
// reading each character it is handed, and takes the controls' texts whole.
class LayoutProbe final : public setup::LayoutHost {
public:
    explicit LayoutProbe(const fmt::ScalarSettings& settings) : settings_(settings) {}

    setup::TextExtent extent(const char* text, int count) override {
        return setup::TextExtent{7 * touch(text, count), 13};
    }
    int fitCount(const char* text, int count, int width) override {
        const int fits = width / 7;
        return touch(text, count < fits ? count : fits);
    }
    void selectItemFont(std::uint32_t) override {}
    void selectBaseFont() override {}
    bool blobSize(std::int32_t index, int& width, int& height) override {
        fmt::Blob copy;
        if (index < 0 || blobRecord(settings_, static_cast<u32>(index), copy) == nullptr) return false;
        width = copy.width;
        height = copy.height;
        return true;
    }
    const char* directXVersionText() override {
        const u8* notFound = slotTarget(slotAt(offsetof(fmt::TextSlots, dxVersionNotFound)));
        const u8* unknown = slotTarget(slotAt(offsetof(fmt::TextSlots, dxVersionUnknown)));
        setup::formatDirectXVersion(0x00040005, reinterpret_cast<const char*>(notFound),
                                    reinterpret_cast<const char*>(unknown), version_, sizeof version_);
        return version_;
    }
    void addControl(const setup::ControlSpec& control) override {
        if (control.text != nullptr) (void)std::strlen(control.text);
        if (control.width < 0 || control.height < 0) std::abort();  // sizes are never negative
    }

private:
    static int touch(const char* text, int count) {
        volatile char sink = 0;
        for (int i = 0; i < count; ++i) sink = sink ^ text[i];
        return count;
    }

    const fmt::ScalarSettings& settings_;
    char version_[32];
};

// The wizard's pages as the setup program builds them: the DirectX page
// dropped, each page's items read up to the area's end and laid out.
void layOutPages(const fmt::ScalarSettings& settings) {
    u32 pages[fmt::kMaxPages];
    std::memcpy(pages, area + offsetof(fmt::SetupConfig, pages), sizeof pages);
    u32 count = settings.pageCount;
    setup::removeWizardPage(pages, count, settings.directXPageIndex);
    if (count > fmt::kMaxPages) count = fmt::kMaxPages;

    setup::PageSettings page{};
    page.clientWidth = 497;
    page.clientHeight = 313;
    page.dpi = 96;
    page.edgeWidth = page.edgeHeight = 2;
    page.controlExStyle = settings.controlExStyle;
    page.textAlignment = settings.textAlignment;
    page.labelSpaceRequired = reinterpret_cast<const char*>(slotTarget(slotAt(offsetof(fmt::TextSlots, labelSpaceRequired))));
    page.labelSpaceFree = reinterpret_cast<const char*>(slotTarget(slotAt(offsetof(fmt::TextSlots, labelSpaceFree))));
    page.captionBrowse = reinterpret_cast<const char*>(slotTarget(slotAt(offsetof(fmt::TextSlots, captionBrowse))));
    LayoutProbe host(settings);
    for (u32 p = 0; p < count; ++p) {
        const u8* description = slotTarget(pages[p]);
        setup::layoutPage(setup::PageItemReader(description, area + kAreaSize), page, host);
    }
}

// The package the extra texts are read from: a header's 28 bytes, the
// table, then the configuration block (only its position matters).
struct TablePackage {
    const u8* table = nullptr;
    u32 tableSize = 0;

    u32 configOffset() const { return static_cast<u32>(sizeof(fmt::PackageHeader)) + tableSize; }
    // The reader never asks for bytes outside the table it checked.
    static bool read(void* context, u32 offset, void* buffer, u32 size) {
        const auto* p = static_cast<const TablePackage*>(context);
        const std::uint64_t from = offset, to = from + size;
        if (from < sizeof(fmt::PackageHeader) || to > p->configOffset()) std::abort();
        std::memcpy(buffer, p->table + (from - sizeof(fmt::PackageHeader)), size);
        return true;
    }
};

// The extra texts the uninstall entry uses, each found whole or not at all.
void readExtraTexts(const fmt::ScalarSettings& settings, const TablePackage& package) {
    static u8 scratch[fmt::kMaxExtraTextsSize];
    static setup::ExtraTexts texts;
    const setup::ExtraTextsRead result = setup::readExtraTexts(settings.extensionTable, package.configOffset(),
                                                               TablePackage::read, const_cast<TablePackage*>(&package),
                                                               scratch, texts);
    for (std::uint16_t id = 0; id < fmt::kExtraTextIdEnd + 2; ++id) {
        const char* text = setup::extraText(texts, id, "");
        if (result != setup::ExtraTextsRead::ok && text[0] != '\0') std::abort();  // a refused table gives nothing
        if (::strnlen(text, fmt::kMaxExtraTextLength) == fmt::kMaxExtraTextLength) std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 4 * fmt::kConfigAreaSize) return 0;
    TablePackage package;
    if (size >= 5 && data[0] == 'T') {
        u32 tableSize;
        std::memcpy(&tableSize, data + 1, 4);
        if (tableSize > size - 5) return 0;
        package.table = data + 5;
        package.tableSize = tableSize;
        data += 5 + tableSize;
        size -= 5 + tableSize;
    }
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
    layOutPages(settings);
    if (package.table != nullptr) readExtraTexts(settings, package);
    return 0;
}
