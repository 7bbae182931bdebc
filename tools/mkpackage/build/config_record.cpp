#include "build/config_record.h"

#include <zlib.h>

#include <cstring>
#include <stdexcept>

#include "common/input_error.h"

namespace mkpackage {
namespace {

using fmt::u32;
using fmt::u8;

class RecordBuilder {
public:
    RecordBuilder() : bytes_(fmt::kDataAreaOffset, 0) {}

    u32 size() const { return static_cast<u32>(bytes_.size()); }
    void append(const void* data, std::size_t count) {
        const u8* p = static_cast<const u8*>(data);
        bytes_.insert(bytes_.end(), p, p + count);
    }
    void appendText(const std::string& text) { append(text.c_str(), text.size() + 1); }
    void put(std::size_t offset, const void* data, std::size_t count) { std::memcpy(bytes_.data() + offset, data, count); }
    void putU32(std::size_t offset, u32 value) { put(offset, &value, 4); }
    std::vector<u8> take() { return std::move(bytes_); }

private:
    std::vector<u8> bytes_;
};

void writeUninstallSection(RecordBuilder& record, const Description& description) {
    fmt::UninstallHeader header{};
    std::memcpy(header.magic, fmt::kUninstallMagic, sizeof header.magic);
    header.version = fmt::kUninstallVersion;
    std::vector<u8> texts;
    for (u32 i = 0; i < fmt::kUninstallTextCount; ++i) {
        header.textOffsets[i] = static_cast<u32>(sizeof(fmt::UninstallHeader) + texts.size());
        const std::string& text = description.uninstallTexts[i];
        texts.insert(texts.end(), text.begin(), text.end());
        texts.push_back(0);
    }
    // Checked when the description was read; the area must still hold the log.
    if (texts.size() > fmt::kLogAreaLimit) throw std::logic_error("uninstaller texts exceed the log area");
    header.usedBytes = static_cast<u32>(texts.size());
    header.firstEntryOffset = static_cast<u32>(sizeof(fmt::UninstallHeader)) + header.usedBytes;
    header.entryCount = 0;
    header.savedFirstEntryOffset = header.firstEntryOffset;
    header.savedEntryCount = header.entryCount;
    header.savedUsedBytes = header.usedBytes;
    record.put(fmt::kUninstallSectionOffset, &header, sizeof header);
    record.put(fmt::kUninstallSectionOffset + sizeof header, texts.data(), texts.size());
}

}  // namespace

ConfigRecord buildConfigRecord(const Description& description) {
    RecordBuilder record;
    ConfigRecord result;

    for (u32 i = 0; i < fmt::kTextSlotCount; ++i) {
        record.putU32(4 * i, record.size());
        record.appendText(description.texts[i]);
    }

    const std::size_t pagesSlot = offsetof(fmt::SetupConfig, pages);
    for (std::size_t p = 0; p < description.pages.size(); ++p) {
        record.putU32(pagesSlot + 4 * p, record.size());
        for (const PageItemSpec& item : description.pages[p]) {
            const fmt::PageItem head{item.type, item.flags, static_cast<u32>(item.data.size())};
            record.append(&head, sizeof head);
            record.append(item.data.data(), item.data.size());
        }
        const fmt::PageItem end{};
        record.append(&end, sizeof end);
    }
    // Unused slots of a table hold the end of that table's data.
    for (std::size_t p = description.pages.size(); p < fmt::kMaxPages; ++p) record.putU32(pagesSlot + 4 * p, record.size());

    const std::size_t componentsSlot = offsetof(fmt::SetupConfig, components);
    for (std::size_t c = 0; c < description.components.size(); ++c) {
        const ComponentSpec& described = description.components[c];
        record.putU32(componentsSlot + 4 * c, record.size());
        result.componentOffsets.push_back(record.size());
        fmt::Component component{};
        std::memcpy(component.name, described.name.data(), std::min<std::size_t>(described.name.size(), fmt::kFieldTextSize - 1));
        component.fileCount = static_cast<u32>(described.files.size());
        component.actionCount = static_cast<u32>(described.actions.size());
        record.append(&component, sizeof component);
        for (const fmt::InstallAction& action : described.actions) record.append(&action, sizeof action);
    }
    for (std::size_t c = description.components.size(); c < fmt::kMaxComponents; ++c) {
        record.putU32(componentsSlot + 4 * c, record.size());
    }

    const std::size_t blobsSlot = offsetof(fmt::SetupConfig, blobs);
    for (std::size_t b = 0; b < description.pictures.size(); ++b) {
        const PictureSpec& picture = description.pictures[b];
        record.putU32(blobsSlot + 4 * b, record.size());
        fmt::Blob blob{};
        blob.kind = picture.kind;
        std::memcpy(blob.fileName, picture.tempName.data(), std::min<std::size_t>(picture.tempName.size(), fmt::kMaxPath - 1));
        blob.size = static_cast<u32>(picture.data.size());
        blob.width = picture.width;
        blob.height = picture.height;
        record.append(&blob, sizeof blob);
        record.append(picture.data.data(), picture.data.size());
        // Stop early: pictures can be large, and the record must stay bounded.
        if (record.size() > fmt::kConfigAreaSize) break;
    }
    for (std::size_t b = description.pictures.size(); b < fmt::kMaxBlobs; ++b) record.putU32(blobsSlot + 4 * b, record.size());

    if (record.size() > fmt::kConfigAreaSize) {
        throw errorAt(description.file, description.lastLine, "record",
                      "the configuration record needs " + std::to_string(record.size()) +
                          " bytes or more, more than the " + std::to_string(fmt::kConfigAreaSize) +
                          " bytes the setup program reserves (pictures too large?)");
    }

    writeUninstallSection(record, description);

    fmt::ScalarSettings settings = description.settings;
    settings.pageCount = static_cast<u32>(description.pages.size());
    settings.componentCount = static_cast<u32>(description.components.size());
    settings.blobCount = static_cast<u32>(description.pictures.size());
    record.put(offsetof(fmt::SetupConfig, settings), &settings, sizeof settings);

    result.bytes = record.take();
    return result;
}

void setComponentTotals(ConfigRecord& record, std::size_t index, fmt::u32 firstEntryOffset, fmt::u32 unpackedSize,
                        fmt::u32 packedSize, fmt::u32 fileCount) {
    u8* base = record.bytes.data() + record.componentOffsets.at(index);
    std::memcpy(base + offsetof(fmt::Component, firstEntryOffset), &firstEntryOffset, 4);
    std::memcpy(base + offsetof(fmt::Component, unpackedSize), &unpackedSize, 4);
    std::memcpy(base + offsetof(fmt::Component, packedSize), &packedSize, 4);
    std::memcpy(base + offsetof(fmt::Component, fileCount), &fileCount, 4);
}

void setExtensionTable(ConfigRecord& record, fmt::u32 offset) {
    std::memcpy(record.bytes.data() + offsetof(fmt::SetupConfig, settings) + offsetof(fmt::ScalarSettings, extensionTable),
                &offset, sizeof offset);
}

std::vector<u8> compressRecord(const std::vector<u8>& record) {
    uLongf size = compressBound(static_cast<uLong>(record.size()));
    std::vector<u8> packed(size);
    if (compress2(packed.data(), &size, record.data(), static_cast<uLong>(record.size()), Z_BEST_COMPRESSION) != Z_OK) {
        throw std::runtime_error("zlib cannot compress the configuration record");
    }
    packed.resize(size);
    return packed;
}

}  // namespace mkpackage
