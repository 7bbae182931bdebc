#include "format/extension_writer.h"

#include <zlib.h>

#include <cstring>
#include <stdexcept>

namespace fmt {
namespace {

void appendBytes(std::vector<u8>& out, const void* bytes, std::size_t size) {
    if (size == 0) return;
    const std::size_t used = out.size();
    out.resize(used + size);
    std::memcpy(out.data() + used, bytes, size);
}

}  // namespace

std::vector<u8> writeExtensionTable(const std::vector<ExtensionRecordData>& records) {
    if (records.size() > kMaxExtensionRecords) throw std::length_error("more than 64 extension records");
    std::uint64_t tableSize = sizeof(ExtensionTableHeader);
    for (const ExtensionRecordData& record : records) {
        if (record.data.size() > kMaxExtensionSize) throw std::length_error("an extension record over 16 MiB");
        tableSize += extensionRecordSpan(static_cast<u32>(record.data.size()));
    }
    if (tableSize > 0xFFFFFFFFull) throw std::length_error("an extension table over 4 GiB");

    std::vector<u8> out;
    out.reserve(static_cast<std::size_t>(tableSize));
    ExtensionTableHeader header{};
    std::memcpy(header.magic, kExtensionMagic, sizeof kExtensionMagic);
    header.recordCount = static_cast<u32>(records.size());
    header.tableSize = static_cast<u32>(tableSize);
    appendBytes(out, &header, sizeof header);
    for (const ExtensionRecordData& record : records) {
        ExtensionRecord head{};
        head.tag = record.tag;
        head.size = static_cast<u32>(record.data.size());
        head.crc = static_cast<u32>(crc32(0, record.data.data(), static_cast<uInt>(record.data.size())));
        appendBytes(out, &head, sizeof head);
        appendBytes(out, record.data.data(), record.data.size());
        out.resize((out.size() + 3) & ~std::size_t(3), 0);
    }
    return out;
}

std::vector<u8> writeExtraTexts(const std::vector<std::pair<u16, std::string>>& texts) {
    std::vector<u8> out;
    u32 previous = 0;
    for (const auto& [id, text] : texts) {
        if (id <= previous) throw std::invalid_argument("extra text ids must ascend");
        if (text.size() >= kMaxExtraTextLength) throw std::invalid_argument("an extra text of 512 bytes or more");
        if (text.find('\0') != std::string::npos) throw std::invalid_argument("an extra text holds a zero byte");
        const ExtraTextHeader header{id, static_cast<u16>(text.size())};
        appendBytes(out, &header, sizeof header);
        appendBytes(out, text.data(), text.size());
        previous = id;
    }
    if (out.size() > kMaxExtraTextsSize) throw std::invalid_argument("extra texts of more than 64 KiB");
    return out;
}

}  // namespace fmt
