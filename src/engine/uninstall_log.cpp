#include "engine/uninstall_log.h"

#include <algorithm>
#include <cstring>

namespace setup {

using fmt::u32;
using fmt::u8;

namespace {

constexpr std::size_t kHeaderSize = sizeof(fmt::UninstallHeader);

u32 readU32(const u8* p) {
    u32 v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// Header fields read straight from bytes: a log file's copy is not aligned.
u32 headerField(const u8* bytes, std::size_t offset) { return readU32(bytes + offset); }

}  // namespace

bool appendLogEntry(fmt::UninstallSection& section, u8 kind, u8 flag, u32 value,
                    const char* text) {
    fmt::UninstallHeader& h = section.header;
    const std::size_t length = std::strlen(text);
    if (length >= fmt::kLogAreaLimit) return false;
    const u32 textSize = fmt::logTextSize(static_cast<u32>(length));
    if (h.usedBytes > fmt::kLogAreaLimit || textSize > fmt::kLogAreaLimit - h.usedBytes)
        return false;

    // The 256 bytes beyond the limit always hold the 10-byte head of the last entry.
    u8* at = section.data + h.usedBytes;
    const u32 newUsed = h.usedBytes + static_cast<u32>(sizeof(fmt::LogEntry)) + textSize;
    const fmt::LogEntry entry{kind, flag, newUsed, value};
    std::memcpy(at, &entry, sizeof entry);
    std::memset(at + sizeof entry, 0, textSize);
    std::memcpy(at + sizeof entry, text, length);

    h.entryCount += 1;
    h.usedBytes = newUsed;
    return true;
}

void resetLogToShipped(fmt::UninstallSection& section) {
    fmt::UninstallHeader& h = section.header;
    h.firstEntryOffset = h.savedFirstEntryOffset;
    h.entryCount = h.savedEntryCount;
    h.usedBytes = std::min<u32>(h.savedUsedBytes, fmt::kLogAreaSize);
    std::memset(section.data + h.usedBytes, 0, fmt::kLogAreaSize - h.usedBytes);
}

LogCheck checkLog(const u8* bytes, std::size_t size) {
    if (size < 10) return LogCheck::tooShort;
    if (std::memcmp(bytes, fmt::kUninstallMagic, sizeof fmt::kUninstallMagic) != 0)
        return LogCheck::badMagic;
    fmt::u16 version;
    std::memcpy(&version, bytes + 8, sizeof version);
    if (version != fmt::kUninstallVersion) return LogCheck::badVersion;
    if (size < kHeaderSize) return LogCheck::tooShort;

    const u32 count = headerField(bytes, offsetof(fmt::UninstallHeader, entryCount));
    std::uint64_t at = headerField(bytes, offsetof(fmt::UninstallHeader, firstEntryOffset));
    for (u32 i = 0; i < count; ++i) {
        if (at + sizeof(fmt::LogEntry) > size) return LogCheck::outOfBounds;
        const u8* head = bytes + at;
        const char* text = reinterpret_cast<const char*>(head + sizeof(fmt::LogEntry));
        const std::size_t room = size - (at + sizeof(fmt::LogEntry));
        const void* end = std::memchr(text, 0, room);
        if (end == nullptr) return LogCheck::outOfBounds;
        const std::size_t length = static_cast<const char*>(end) - text;
        if (head[0] == fmt::kLogRegistryKey && length >= fmt::kMaxPath)
            return LogCheck::keyTooLong;
        const std::uint64_t next = kHeaderSize + std::uint64_t(readU32(head + 2));
        if (next > size) return LogCheck::outOfBounds;
        at = next;
    }
    return LogCheck::ok;
}

std::size_t collectLogEntries(const u8* bytes, std::size_t size, u8 kind, LogItem* out) {
    (void)size;  // checkLog has bounded every step of this walk
    const u32 count = headerField(bytes, offsetof(fmt::UninstallHeader, entryCount));
    std::size_t at = headerField(bytes, offsetof(fmt::UninstallHeader, firstEntryOffset));
    std::size_t found = 0;
    for (u32 i = 0; i < count; ++i) {
        const u8* head = bytes + at;
        if (head[0] == kind) {
            const char* text = reinterpret_cast<const char*>(head + sizeof(fmt::LogEntry));
            out[found++] = LogItem{head[0], readU32(head + 6), text, std::strlen(text)};
        }
        at = kHeaderSize + readU32(head + 2);
    }
    return found;
}

void sortLongestFirst(LogItem* items, std::size_t count) {
    std::stable_sort(items, items + count,
                     [](const LogItem& a, const LogItem& b) { return a.length > b.length; });
}

}  // namespace setup
