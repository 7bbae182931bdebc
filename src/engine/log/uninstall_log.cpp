#include "engine/log/uninstall_log.h"

#include <algorithm>
#include <cstring>

#include "engine/paths/path_rules.h"

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
    const u32 savedUsed = h.savedUsedBytes;  // a copy: the packed field is not aligned
    h.usedBytes = std::min<u32>(savedUsed, fmt::kLogAreaSize);
    std::memset(section.data + h.usedBytes, 0, fmt::kLogAreaSize - h.usedBytes);
}

void startEmptyLog(fmt::UninstallSection& section) {
    std::memset(&section, 0, sizeof section);
    fmt::UninstallHeader& h = section.header;
    std::memcpy(h.magic, fmt::kUninstallMagic, sizeof h.magic);
    h.version = fmt::kUninstallVersion;
    h.firstEntryOffset = h.savedFirstEntryOffset = static_cast<u32>(sizeof(fmt::UninstallHeader));
}

namespace {

// The text of the entry whose head lies at `at`, its length, and the offset
// just past its terminator; false when the text runs past the bytes.
bool entryText(const u8* bytes, std::size_t size, std::size_t at, std::size_t& length) {
    const char* text = reinterpret_cast<const char*>(bytes + at + sizeof(fmt::LogEntry));
    const void* end = std::memchr(text, 0, size - (at + sizeof(fmt::LogEntry)));
    if (end == nullptr) return false;
    length = static_cast<std::size_t>(static_cast<const char*>(end) - text);
    return true;
}

bool isRecordedRoot(u32 root) {
    return root == fmt::kRootLocalMachine || root == fmt::kRootCurrentUser;
}

}  // namespace

LogCheck checkLog(const u8* bytes, std::size_t size, LogOrigin origin) {
    if (size < 10) return LogCheck::tooShort;
    if (std::memcmp(bytes, fmt::kUninstallMagic, sizeof fmt::kUninstallMagic) != 0)
        return LogCheck::badMagic;
    fmt::u16 version;
    std::memcpy(&version, bytes + 8, sizeof version);
    if (version != fmt::kUninstallVersion) return LogCheck::badVersion;
    if (size < kHeaderSize) return LogCheck::tooShort;
    if (origin == LogOrigin::disk && size > kMaxLogFileSize) return LogCheck::tooLong;

    const u32 count = headerField(bytes, offsetof(fmt::UninstallHeader, entryCount));
    if (count > size / kMinLogEntrySize) return LogCheck::badCount;
    // 64 bits: a stored offset near 4 GiB plus a head must not wrap.
    std::uint64_t at = headerField(bytes, offsetof(fmt::UninstallHeader, firstEntryOffset));
    for (u32 i = 0; i < count; ++i) {
        if (at + sizeof(fmt::LogEntry) >= size) return LogCheck::outOfBounds;
        std::size_t length;
        if (!entryText(bytes, size, static_cast<std::size_t>(at), length)) return LogCheck::outOfBounds;
        const u8* head = bytes + at;
        if (origin == LogOrigin::disk && head[0] == fmt::kLogRegistryKey) {
            if (!isRecordedRoot(readU32(head + 6))) return LogCheck::unknownRoot;
            if (length >= fmt::kMaxPath) return LogCheck::keyTooLong;
        }
        // Every step moves past the entry's own text, so the walk cannot
        // loop and ends within the bytes whatever the count claims.
        const std::uint64_t next = kHeaderSize + std::uint64_t(readU32(head + 2));
        if (i + 1 < count) {
            if (next < at + sizeof(fmt::LogEntry) + length + 1) return LogCheck::notForward;
            if (next > size) return LogCheck::outOfBounds;
        }
        at = next;
    }
    return LogCheck::ok;
}

std::uint32_t logEntryCount(const u8* bytes) {
    return headerField(bytes, offsetof(fmt::UninstallHeader, entryCount));
}

std::size_t collectLogEntries(const u8* bytes, u8 kind, LogItem* out, std::size_t capacity) {
    // checkLog has bounded every step of this walk.
    const u32 count = logEntryCount(bytes);
    std::size_t at = headerField(bytes, offsetof(fmt::UninstallHeader, firstEntryOffset));
    std::size_t found = 0;
    for (u32 i = 0; i < count && found < capacity; ++i) {
        const u8* head = bytes + at;
        if (head[0] == kind) {
            const char* text = reinterpret_cast<const char*>(head + sizeof(fmt::LogEntry));
            out[found++] = LogItem{head[0], head[1], readU32(head + 6), text, std::strlen(text),
                                   static_cast<u32>(at - kHeaderSize)};
        }
        at = kHeaderSize + readU32(head + 2);
    }
    return found;
}

bool logRecordsPath(const u8* bytes, u8 kind, const char* path) {
    const u32 count = logEntryCount(bytes);
    std::size_t at = headerField(bytes, offsetof(fmt::UninstallHeader, firstEntryOffset));
    for (u32 i = 0; i < count; ++i) {
        const u8* head = bytes + at;
        if (head[0] == kind && samePlace(reinterpret_cast<const char*>(head + sizeof(fmt::LogEntry)), path))
            return true;
        at = kHeaderSize + readU32(head + 2);
    }
    return false;
}

void sortLongestFirst(LogItem* items, std::size_t count) {
    std::stable_sort(items, items + count,
                     [](const LogItem& a, const LogItem& b) { return a.length > b.length; });
}

}  // namespace setup
