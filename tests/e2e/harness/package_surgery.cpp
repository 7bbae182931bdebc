#include "package_surgery.h"

#include <zlib.h>

#include <cstring>
#include <fstream>
#include <iterator>

#include "format/extension_table.h"
#include "format/package_format.h"
#include "format/stream_methods.h"

namespace e2e {

bool readFile(const std::string& path, Bytes& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return true;
}

bool writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out.flush());
}

std::uint32_t readU32(const Bytes& file, std::size_t offset) {
    return std::uint32_t(file[offset]) | std::uint32_t(file[offset + 1]) << 8 |
           std::uint32_t(file[offset + 2]) << 16 | std::uint32_t(file[offset + 3]) << 24;
}

void writeU32(Bytes& file, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) file[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::optional<std::size_t> findPackage(const Bytes& file) {
    for (std::size_t at = 0; at + 8 <= file.size(); at += 4) {
        if (std::memcmp(&file[at], fmt::kPackageMagic, 4) == 0 &&
            readU32(file, at + 4) == fmt::kPackageSignature)
            return at;
    }
    return std::nullopt;
}

std::optional<std::size_t> findConfigBlock(const Bytes& file) {
    std::optional<std::size_t> start = findPackage(file);
    if (!start || *start + sizeof(fmt::PackageHeader) > file.size()) return std::nullopt;
    std::size_t block = *start + readU32(file, *start + offsetof(fmt::PackageHeader, configOffset));
    if (block + kConfigHeaderSize > file.size()) return std::nullopt;
    return block;
}

void insertBytes(Bytes& file, std::size_t offset, const Bytes& inserted) {
    file.insert(file.begin() + static_cast<std::ptrdiff_t>(offset), inserted.begin(), inserted.end());
}

bool straddleScanStep(Bytes& file) {
    std::optional<std::size_t> start = findPackage(file);
    if (!start) return false;
    std::size_t step = fmt::kScanStep;
    std::size_t target = (*start + 4 + step - 1) / step * step - 4;
    insertBytes(file, *start, Bytes(target - *start, 0));
    return true;
}

bool flipConfigBit(Bytes& file, std::size_t byteIndex, int bit) {
    std::optional<std::size_t> block = findConfigBlock(file);
    if (!block) return false;
    std::size_t packed = readU32(file, *block + kConfigPackedSizeField);
    std::size_t at = *block + kConfigHeaderSize + byteIndex;
    if (byteIndex >= packed || at >= file.size()) return false;
    file[at] ^= static_cast<std::uint8_t>(1u << bit);
    return true;
}

std::optional<Bytes> unpackConfigRecord(const Bytes& file) {
    std::optional<std::size_t> block = findConfigBlock(file);
    if (!block) return std::nullopt;
    std::size_t packed = readU32(file, *block + kConfigPackedSizeField);
    std::size_t data = *block + kConfigHeaderSize;
    if (data + packed > file.size()) return std::nullopt;
    Bytes record(4u << 20);
    uLongf size = record.size();
    if (uncompress(record.data(), &size, &file[data], packed) != Z_OK) return std::nullopt;
    record.resize(size);
    return record;
}

bool replaceConfigRecord(Bytes& file, const Bytes& record) {
    std::optional<std::size_t> block = findConfigBlock(file);
    if (!block) return false;
    Bytes packed(compressBound(record.size()));
    uLongf packedSize = packed.size();
    if (compress2(packed.data(), &packedSize, record.data(), record.size(), Z_BEST_COMPRESSION) != Z_OK)
        return false;
    packed.resize(packedSize);
    file.resize(*block + kConfigHeaderSize);
    writeU32(file, *block + kConfigUnpackedSizeField, static_cast<std::uint32_t>(record.size()));
    writeU32(file, *block + kConfigPackedSizeField, static_cast<std::uint32_t>(packed.size()));
    writeU32(file, *block + kConfigCrcField,
             static_cast<std::uint32_t>(crc32(0, packed.data(), static_cast<uInt>(packed.size()))));
    file.insert(file.end(), packed.begin(), packed.end());
    return true;
}

std::vector<StoredEntry> storedEntries(const Bytes& file) {
    std::optional<std::size_t> start = findPackage(file);
    std::optional<std::size_t> block = findConfigBlock(file);
    if (!start || !block) return {};
    std::vector<StoredEntry> entries;
    std::size_t at = *start + sizeof(fmt::PackageHeader);
    while (at + sizeof(fmt::FileEntry) <= *block) {
        // The extension table, where a package has one, follows the last entry.
        if (std::memcmp(&file[at], fmt::kExtensionMagic, 4) == 0) break;
        if (std::memcmp(&file[at], fmt::kFileEntryMagic, 4) != 0) return {};
        StoredEntry entry;
        entry.offset = at;
        entry.unpackedSize = readU32(file, at + offsetof(fmt::FileEntry, unpackedSize));
        std::size_t index = at + offsetof(fmt::FileEntry, componentIndex);
        entry.componentIndex = static_cast<std::uint16_t>(file[index] | file[index + 1] << 8);
        std::size_t length = at + offsetof(fmt::FileEntry, nameLength);
        std::size_t nameLength = file[length] | file[length + 1] << 8;
        at += sizeof(fmt::FileEntry);
        if (at + nameLength > *block) return {};
        entry.name.assign(reinterpret_cast<const char*>(&file[at]), nameLength);
        at += nameLength;
        std::size_t chunks = (entry.unpackedSize + fmt::kChunkSize - 1) / fmt::kChunkSize;
        if (at + 2 * chunks > *block) return {};
        for (std::size_t i = 0; i < chunks; ++i)
            entry.chunkLengths.push_back(static_cast<std::uint16_t>(file[at + 2 * i] | file[at + 2 * i + 1] << 8));
        at += 2 * chunks;
        for (std::uint16_t chunkLength : entry.chunkLengths) {
            entry.chunkOffsets.push_back(at);
            at += chunkLength;
        }
        if (at > *block) return {};
        entries.push_back(std::move(entry));
    }
    return entries;
}

bool setComponentFirstEntry(Bytes& file, std::uint32_t index, std::uint32_t packageOffset) {
    std::optional<Bytes> record = unpackConfigRecord(file);
    if (!record || index >= fmt::kMaxComponents) return false;
    std::size_t slot = offsetof(fmt::SetupConfig, components) + 4 * index;
    std::size_t component = readU32(*record, slot);
    std::size_t field = component + offsetof(fmt::Component, firstEntryOffset);
    if (component == 0 || field + 4 > record->size()) return false;
    writeU32(*record, field, packageOffset);
    return replaceConfigRecord(file, *record);
}

bool cutBeforeConfigBlock(Bytes& file, std::size_t cutAt) {
    std::optional<std::size_t> start = findPackage(file);
    std::optional<std::size_t> block = findConfigBlock(file);
    if (!start || !block || cutAt < *start + sizeof(fmt::PackageHeader) || cutAt > *block)
        return false;
    file.erase(file.begin() + static_cast<std::ptrdiff_t>(cutAt),
               file.begin() + static_cast<std::ptrdiff_t>(*block));
    writeU32(file, *start + offsetof(fmt::PackageHeader, configOffset),
             static_cast<std::uint32_t>(cutAt - *start));
    return true;
}

std::optional<std::size_t> lzmaBlockData(const Bytes& file, std::uint32_t component, std::uint32_t block) {
    const std::optional<std::size_t> start = findPackage(file);
    const std::optional<Bytes> record = unpackConfigRecord(file);
    if (!start || !record || record->size() < sizeof(fmt::SetupConfig)) return std::nullopt;
    fmt::ScalarSettings settings;
    std::memcpy(&settings, record->data() + offsetof(fmt::SetupConfig, settings), sizeof settings);
    struct Source {
        const Bytes& bytes;
        std::size_t start;
        static bool read(void* context, std::uint32_t offset, void* buffer, std::uint32_t size) {
            const auto* s = static_cast<const Source*>(context);
            if (s->start + offset + std::uint64_t(size) > s->bytes.size()) return false;
            std::memcpy(buffer, s->bytes.data() + s->start + offset, size);
            return true;
        }
    } source{file, *start};
    fmt::ExtensionDirectory directory;
    const std::uint32_t configOffset = readU32(file, *start + offsetof(fmt::PackageHeader, configOffset));
    if (settings.extensionTable == 0 ||
        fmt::readExtensionDirectory(settings.extensionTable, sizeof(fmt::PackageHeader), configOffset, Source::read,
                                    &source, directory) != fmt::ExtensionProblem::none)
        return std::nullopt;
    const fmt::ExtensionEntry* entry = fmt::findExtension(directory, fmt::kExtensionStreamMethods);
    fmt::u8 data[fmt::kMaxComponents * sizeof(fmt::StreamMethodEntry)];
    fmt::StreamMethods methods;
    if (entry == nullptr ||
        fmt::readExtensionData(*entry, Source::read, &source, data, sizeof data) != fmt::ExtensionRead::ok ||
        fmt::readStreamMethods(data, entry->size, settings.componentCount, methods) != fmt::StreamMethodsProblem::none)
        return std::nullopt;
    const fmt::StreamMethodEntry& method = methods.entries[component < fmt::kMaxComponents ? component : 0];
    if (component >= methods.count || method.method != fmt::kStreamMethodLzma || block >= method.blockCount)
        return std::nullopt;
    std::size_t at = *start + method.blocksOffset;
    for (std::uint32_t b = 0;; ++b) {
        if (at + sizeof(fmt::LzmaBlockHeader) > file.size()) return std::nullopt;
        if (b == block) return at + sizeof(fmt::LzmaBlockHeader);
        at += sizeof(fmt::LzmaBlockHeader) + readU32(file, at + offsetof(fmt::LzmaBlockHeader, packedSize));
    }
}

}  // namespace e2e
