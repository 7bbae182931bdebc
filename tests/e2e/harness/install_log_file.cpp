#include "install_log_file.h"

#include <cstring>

#include "format/package_format.h"

namespace e2e {
namespace {

constexpr std::size_t kHeader = sizeof(fmt::UninstallHeader);

std::uint32_t field(const Bytes& bytes, std::size_t offset) { return readU32(bytes, offset); }

// A terminated text starting at `at`; false if it runs past the end.
bool textAt(const Bytes& bytes, std::size_t at, std::string& text) {
    for (std::size_t end = at; end < bytes.size(); ++end) {
        if (bytes[end] == 0) {
            text.assign(reinterpret_cast<const char*>(&bytes[at]), end - at);
            return true;
        }
    }
    return false;
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const LogRecord& record) {
    return out << "{kind " << record.kind << ", flag " << record.flag << ", value 0x" << std::hex
               << record.value << std::dec << ", \"" << record.text << "\"}";
}

std::optional<InstallLogFile> parseInstallLog(const Bytes& bytes, std::string& problem) {
    if (bytes.size() < kHeader || std::memcmp(bytes.data(), fmt::kUninstallMagic, 8) != 0) {
        problem = "no log magic";
        return std::nullopt;
    }
    InstallLogFile log;
    log.version = static_cast<std::uint16_t>(bytes[8] | bytes[9] << 8);
    log.firstEntryOffset = field(bytes, offsetof(fmt::UninstallHeader, firstEntryOffset));
    log.savedFirstEntryOffset = field(bytes, offsetof(fmt::UninstallHeader, savedFirstEntryOffset));
    log.entryCount = field(bytes, offsetof(fmt::UninstallHeader, entryCount));
    log.savedEntryCount = field(bytes, offsetof(fmt::UninstallHeader, savedEntryCount));
    log.usedBytes = field(bytes, offsetof(fmt::UninstallHeader, usedBytes));
    log.savedUsedBytes = field(bytes, offsetof(fmt::UninstallHeader, savedUsedBytes));
    if (kHeader + log.usedBytes != bytes.size()) {
        problem = "usedBytes does not match the file's size";
        return std::nullopt;
    }
    for (std::size_t i = 0; i < fmt::kUninstallTextCount; ++i) {
        std::string text;
        std::size_t offset = field(bytes, offsetof(fmt::UninstallHeader, textOffsets) + 4 * i);
        if (offset != 0 && !textAt(bytes, offset, text)) {
            problem = "uninstaller text " + std::to_string(i) + " outside the file";
            return std::nullopt;
        }
        log.texts.push_back(text);
    }
    std::size_t at = log.firstEntryOffset;
    for (std::uint32_t i = 0; i < log.entryCount; ++i) {
        if (at + sizeof(fmt::LogEntry) > bytes.size()) {
            problem = "entry " + std::to_string(i) + " outside the file";
            return std::nullopt;
        }
        LogRecord record;
        record.kind = bytes[at];
        record.flag = bytes[at + 1];
        std::uint32_t next = field(bytes, at + offsetof(fmt::LogEntry, next));
        record.value = field(bytes, at + offsetof(fmt::LogEntry, value));
        if (!textAt(bytes, at + sizeof(fmt::LogEntry), record.text)) {
            problem = "text of entry " + std::to_string(i) + " runs out of the file";
            return std::nullopt;
        }
        std::size_t padded = (record.text.size() + 1 + 3) / 4 * 4;
        if (kHeader + next != at + sizeof(fmt::LogEntry) + padded) {
            problem = "entry " + std::to_string(i) + ": next does not follow its text";
            return std::nullopt;
        }
        log.entries.push_back(record);
        at = kHeader + next;
    }
    if (at != bytes.size()) {
        problem = "bytes after the last entry";
        return std::nullopt;
    }
    return log;
}

namespace {

// Appends one entry whose successor lies behind it; returns its size.
std::uint32_t appendEntry(Bytes& bytes, const LogRecord& record, std::uint32_t usedBefore) {
    std::size_t padded = (record.text.size() + 1 + 3) / 4 * 4;
    const std::uint32_t size = static_cast<std::uint32_t>(sizeof(fmt::LogEntry) + padded);
    bytes.push_back(static_cast<std::uint8_t>(record.kind));
    bytes.push_back(static_cast<std::uint8_t>(record.flag));
    bytes.resize(bytes.size() + 8);
    writeU32(bytes, bytes.size() - 8, usedBefore + size);
    writeU32(bytes, bytes.size() - 4, record.value);
    bytes.insert(bytes.end(), record.text.begin(), record.text.end());
    bytes.resize(bytes.size() + padded - record.text.size(), 0);
    return size;
}

}  // namespace

Bytes withExtraEntries(const Bytes& log, const std::vector<LogRecord>& extra) {
    Bytes bytes = log;
    std::uint32_t used = field(bytes, offsetof(fmt::UninstallHeader, usedBytes));
    std::uint32_t count = field(bytes, offsetof(fmt::UninstallHeader, entryCount));
    bytes.resize(kHeader + used);
    for (const LogRecord& record : extra) {
        used += appendEntry(bytes, record, used);
        ++count;
    }
    writeU32(bytes, offsetof(fmt::UninstallHeader, entryCount), count);
    writeU32(bytes, offsetof(fmt::UninstallHeader, usedBytes), used);
    return bytes;
}

Bytes makeInstallLog(const std::vector<LogRecord>& entries) {
    Bytes bytes(kHeader, 0);
    std::memcpy(bytes.data(), fmt::kUninstallMagic, 8);
    bytes[8] = fmt::kUninstallVersion & 0xFF;
    bytes[9] = fmt::kUninstallVersion >> 8;
    std::uint32_t used = 0;
    for (const LogRecord& record : entries) used += appendEntry(bytes, record, used);
    writeU32(bytes, offsetof(fmt::UninstallHeader, firstEntryOffset), kHeader);
    writeU32(bytes, offsetof(fmt::UninstallHeader, savedFirstEntryOffset), kHeader);
    writeU32(bytes, offsetof(fmt::UninstallHeader, entryCount), static_cast<std::uint32_t>(entries.size()));
    writeU32(bytes, offsetof(fmt::UninstallHeader, usedBytes), used);
    return bytes;
}

}  // namespace e2e
