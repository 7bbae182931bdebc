#include "format/extension_table.h"

#include <zlib.h>

#include <cstring>

namespace fmt {

ExtensionProblem readExtensionDirectory(u32 tableOffset, u32 entriesEnd, u32 configOffset, PackageReadAt read,
                                        void* context, ExtensionDirectory& out) {
    out.count = 0;
    if (tableOffset < entriesEnd || tableOffset < sizeof(PackageHeader) ||
        std::uint64_t(tableOffset) + sizeof(ExtensionTableHeader) > configOffset) {
        return ExtensionProblem::misplaced;
    }
    ExtensionTableHeader header;
    if (!read(context, tableOffset, &header, sizeof header)) return ExtensionProblem::readFailed;
    if (std::memcmp(header.magic, kExtensionMagic, sizeof kExtensionMagic) != 0) return ExtensionProblem::badMagic;
    if (header.recordCount > kMaxExtensionRecords) return ExtensionProblem::tooManyRecords;
    if (std::uint64_t(tableOffset) + header.tableSize != configOffset) return ExtensionProblem::badSize;

    std::uint64_t position = std::uint64_t(tableOffset) + sizeof header;
    for (u32 i = 0; i < header.recordCount; ++i) {
        if (position + sizeof(ExtensionRecord) > configOffset) return ExtensionProblem::badSize;
        ExtensionRecord record;
        if (!read(context, static_cast<u32>(position), &record, sizeof record)) return ExtensionProblem::readFailed;
        if (record.size > kMaxExtensionSize || position + extensionRecordSpan(record.size) > configOffset) {
            return ExtensionProblem::recordTooLarge;
        }
        ExtensionEntry& entry = out.entries[out.count++];
        entry.tag = record.tag;
        entry.dataOffset = static_cast<u32>(position + sizeof record);
        entry.size = record.size;
        entry.crc = record.crc;
        position += extensionRecordSpan(record.size);
    }
    // The records fill the table exactly: nothing hides behind the last one.
    if (position != configOffset) return ExtensionProblem::badSize;
    return ExtensionProblem::none;
}

const char* extensionProblemText(ExtensionProblem problem) {
    switch (problem) {
    case ExtensionProblem::none: return "sound";
    case ExtensionProblem::misplaced: return "does not lie between the stored files and the configuration block";
    case ExtensionProblem::readFailed: return "cannot be read";
    case ExtensionProblem::badMagic: return "does not begin with \"XTNS\"";
    case ExtensionProblem::tooManyRecords: return "holds more than 64 records";
    case ExtensionProblem::badSize: return "has a size that disagrees with its records";
    case ExtensionProblem::recordTooLarge: return "holds a record larger than the table or 16 MiB";
    }
    return "is damaged";
}

const ExtensionEntry* findExtension(const ExtensionDirectory& directory, u32 tag, u32 index) {
    for (u32 i = 0; i < directory.count && i < kMaxExtensionRecords; ++i) {
        if (directory.entries[i].tag != tag) continue;
        if (index == 0) return &directory.entries[i];
        --index;
    }
    return nullptr;
}

ExtensionRead readExtensionData(const ExtensionEntry& entry, PackageReadAt read, void* context, void* buffer,
                                std::size_t capacity) {
    if (entry.size > capacity) return ExtensionRead::tooLarge;
    if (entry.size != 0 && !read(context, entry.dataOffset, buffer, entry.size)) return ExtensionRead::readFailed;
    const u32 crc = static_cast<u32>(crc32(0, static_cast<const Bytef*>(buffer), entry.size));
    return crc == entry.crc ? ExtensionRead::ok : ExtensionRead::checksum;
}

bool checkExtraTexts(const u8* data, std::size_t size) {
    if (size > kMaxExtraTextsSize) return false;
    std::size_t position = 0;
    u32 previous = 0;
    while (position < size) {
        if (size - position < sizeof(ExtraTextHeader)) return false;
        ExtraTextHeader header;
        std::memcpy(&header, data + position, sizeof header);
        position += sizeof header;
        if (header.id <= previous || header.length >= kMaxExtraTextLength) return false;
        if (header.length > size - position) return false;
        if (std::memchr(data + position, 0, header.length) != nullptr) return false;
        previous = header.id;
        position += header.length;
    }
    return true;
}

bool findExtraText(const u8* data, std::size_t size, u16 id, const char*& text, std::size_t& length) {
    std::size_t position = 0;
    while (size - position >= sizeof(ExtraTextHeader)) {
        ExtraTextHeader header;
        std::memcpy(&header, data + position, sizeof header);
        position += sizeof header;
        if (header.length > size - position) return false;
        if (header.id == id) {
            text = reinterpret_cast<const char*>(data + position);
            length = header.length;
            return true;
        }
        position += header.length;
    }
    return false;
}

const ExtraTextInfo* findExtraTextInfo(u16 id) {
    for (const ExtraTextInfo& info : kExtraTexts)
        if (info.id == id) return &info;
    return nullptr;
}

}  // namespace fmt
