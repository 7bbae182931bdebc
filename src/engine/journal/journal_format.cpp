#include "engine/journal/journal_format.h"

#include <zlib.h>

#include <cstring>

namespace setup {

namespace {

std::uint32_t checksum(const void* bytes, std::uint32_t size, std::uint32_t crc = 0) {
    return size == 0 ? crc : static_cast<std::uint32_t>(crc32(crc, static_cast<const Bytef*>(bytes), size));
}

// The length of a terminated text that starts at `at` and must end, with
// its terminator, inside `size` bytes and hold fewer than kMaxJournalText
// characters; false otherwise.
bool terminatedText(const std::uint8_t* at, std::size_t size, std::size_t& length) {
    const std::size_t limit = size < kMaxJournalText ? size : kMaxJournalText;
    const void* end = std::memchr(at, '\0', limit);
    if (end == nullptr) return false;
    length = static_cast<std::size_t>(static_cast<const std::uint8_t*>(end) - at);
    return length > 0;
}

// A payload that is exactly one terminated text.
bool onlyText(const std::uint8_t* payload, std::uint32_t size, const char*& text) {
    std::size_t length = 0;
    if (!terminatedText(payload, size, length) || length + 1 != size) return false;
    text = reinterpret_cast<const char*>(payload);
    return true;
}

}  // namespace

JournalRecordHead makeJournalHead(JournalType type, JournalChannel channel, const void* first,
                                  std::uint32_t firstSize, const void* second, std::uint32_t secondSize) {
    JournalRecordHead head{};
    head.type = static_cast<std::uint8_t>(type);
    head.channel = static_cast<std::uint8_t>(channel);
    head.size = firstSize + secondSize;
    head.crc = checksum(second, secondSize, checksum(first, firstSize));
    return head;
}

JournalHeadCheck checkJournalHead(const JournalRecordHead& head, std::uint64_t left) {
    if (head.type < static_cast<std::uint8_t>(JournalType::start) ||
        head.type > static_cast<std::uint8_t>(JournalType::uninstallKey) || head.spare != 0 ||
        head.channel >= kJournalChannels)
        return JournalHeadCheck::badType;
    const auto type = static_cast<JournalType>(head.type);
    const bool channelled = type == JournalType::backups || type == JournalType::truncate;
    if (channelled != (head.channel != static_cast<std::uint8_t>(JournalChannel::none)))
        return JournalHeadCheck::badType;
    if (head.size > kMaxJournalPayload) return JournalHeadCheck::tooLarge;
    if (left < head.size) return JournalHeadCheck::torn;
    return JournalHeadCheck::ok;
}

bool checkJournalPayload(const JournalRecordHead& head, const std::uint8_t* payload, JournalItem& item) {
    item = JournalItem{};
    item.type = static_cast<JournalType>(head.type);
    item.channel = static_cast<JournalChannel>(head.channel);
    if (checksum(payload, head.size) != head.crc) return false;
    const std::uint32_t size = head.size;
    switch (item.type) {
    case JournalType::start: {
        JournalStartHead start;
        if (size < sizeof start) return false;
        std::memcpy(&start, payload, sizeof start);
        if (std::memcmp(start.magic, kJournalMagic, sizeof start.magic) != 0 || start.version != kJournalVersion)
            return false;
        // Compared without wrapping: the name is what follows the head, exactly.
        if (start.nameLength == 0 || start.nameLength > kMaxJournalProductName ||
            start.nameLength != size - sizeof start)
            return false;
        const char* name = reinterpret_cast<const char*>(payload + sizeof start);
        if (std::memchr(name, '\0', start.nameLength) != nullptr) return false;
        item.processId = start.processId;
        item.productName = name;
        item.nameLength = start.nameLength;
        return true;
    }
    case JournalType::logEntry:
        if (size <= sizeof item.entry) return false;
        std::memcpy(&item.entry, payload, sizeof item.entry);
        return item.entry.spare == 0 && onlyText(payload + sizeof item.entry, size - sizeof item.entry, item.text);
    case JournalType::place:
    case JournalType::uninstallKey: return onlyText(payload, size, item.text);
    case JournalType::backupFolder: {
        std::uint16_t fields[2];
        if (size <= sizeof fields) return false;
        std::memcpy(fields, payload, sizeof fields);
        std::size_t rootLength = 0, folderLength = 0;
        const std::uint8_t* root = payload + sizeof fields;
        const std::size_t rest = size - sizeof fields;
        if (fields[1] != 0 || !terminatedText(root, rest, rootLength)) return false;
        if (!terminatedText(root + rootLength + 1, rest - rootLength - 1, folderLength) ||
            rootLength + 1 + folderLength + 1 != rest)
            return false;
        item.volume = fields[0];
        item.text = reinterpret_cast<const char*>(root);
        item.folder = reinterpret_cast<const char*>(root + rootLength + 1);
        return true;
    }
    case JournalType::backups:
        if (size < sizeof item.offset) return false;
        std::memcpy(&item.offset, payload, sizeof item.offset);
        item.bytes = payload + sizeof item.offset;
        item.byteCount = size - static_cast<std::uint32_t>(sizeof item.offset);
        return true;
    case JournalType::truncate:
        if (size != sizeof item.offset) return false;
        std::memcpy(&item.offset, payload, sizeof item.offset);
        return true;
    case JournalType::logReset: return size == 0;
    }
    return false;
}

std::size_t makeJournalStart(std::uint32_t processId, const char* productName, std::uint8_t* out,
                             std::size_t capacity) {
    const std::size_t length = std::strlen(productName);
    if (length == 0 || length > kMaxJournalProductName || capacity < sizeof(JournalStartHead) + length) return 0;
    JournalStartHead start{};
    std::memcpy(start.magic, kJournalMagic, sizeof start.magic);
    start.version = kJournalVersion;
    start.processId = processId;
    start.nameLength = static_cast<std::uint32_t>(length);
    std::memcpy(out, &start, sizeof start);
    std::memcpy(out + sizeof start, productName, length);
    return sizeof start + length;
}

long walkJournal(const std::uint8_t* bytes, std::size_t size,
                 void (*visit)(const JournalItem& item, void* context), void* context) {
    if (size > kMaxJournalSize) return -1;
    std::size_t at = 0;
    long count = 0;
    while (size - at >= sizeof(JournalRecordHead)) {
        JournalRecordHead head;
        std::memcpy(&head, bytes + at, sizeof head);
        at += sizeof head;
        const JournalHeadCheck checked = checkJournalHead(head, size - at);
        if (checked == JournalHeadCheck::torn) break;
        if (checked != JournalHeadCheck::ok) return -1;
        JournalItem item;
        if (!checkJournalPayload(head, bytes + at, item)) return -1;
        if ((count == 0) != (item.type == JournalType::start)) return -1;
        if (visit != nullptr) visit(item, context);
        at += head.size;
        ++count;
    }
    return count;
}

}  // namespace setup
