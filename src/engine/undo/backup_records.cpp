#include "engine/undo/backup_records.h"

#include <cstring>

namespace setup {

namespace {

constexpr std::size_t kAlignment = 4;

std::size_t padded(std::size_t size) { return (size + kAlignment - 1) & ~(kAlignment - 1); }

BackupRecords* channels[BackupRecords::kChannels];

// True when `bytes` are whole records: every head and padded payload inside.
bool wholeRecords(const std::uint8_t* bytes, std::size_t count) {
    std::size_t at = 0;
    while (at < count) {
        if (count - at < sizeof(BackupRecord)) return false;
        BackupRecord head;
        std::memcpy(&head, bytes + at, sizeof head);
        at += sizeof head;
        if (head.size > count - at || padded(head.size) > count - at) return false;
        at += padded(head.size);
    }
    return true;
}

}  // namespace

BackupRecords::BackupRecords(std::uint8_t* buffer, std::size_t capacity, std::uint8_t channel)
    : buffer_(buffer), capacity_(capacity) {
    if (channel < kChannels) channels[channel] = this;
}

BackupRecords* BackupRecords::ofChannel(std::uint8_t channel) {
    return channel < kChannels ? channels[channel] : nullptr;
}

bool BackupRecords::takeUnjournaled(std::size_t& from, const std::uint8_t*& bytes, std::size_t& count,
                                    bool& truncated) {
    truncated = truncatedBelowJournal_;
    if (!truncated && journaled_ == used_) return false;
    from = journaled_;
    bytes = buffer_ + journaled_;
    count = used_ - journaled_;
    journaled_ = used_;
    truncatedBelowJournal_ = false;
    return true;
}

bool BackupRecords::adopt(std::size_t offset, const std::uint8_t* bytes, std::size_t count) {
    if (offset != used_ || count > capacity_ - used_ || !wholeRecords(bytes, count)) return false;
    std::memcpy(buffer_ + used_, bytes, count);
    used_ += count;
    journaled_ = used_;
    return true;
}

bool BackupRecords::cutAt(std::size_t mark) {
    if (mark > used_) return false;
    std::size_t at = 0;
    while (at < mark) at += sizeof(BackupRecord) + padded(recordAt(at)->size);
    if (at != mark) return false;
    used_ = mark;
    journaled_ = mark;
    return true;
}

BackupRecord* BackupRecords::append(std::uint8_t kind, std::initializer_list<BackupPart> parts) {
    // Every sum is checked against the room left, so none of them can wrap.
    std::size_t room = capacity_ - used_;
    if (room < sizeof(BackupRecord)) return nullptr;
    room -= sizeof(BackupRecord);
    std::size_t size = 0;
    for (const BackupPart& part : parts) {
        if (part.size > room - size) return nullptr;
        size += part.size;
    }
    if (padded(size) > room) return nullptr;

    auto* record = reinterpret_cast<BackupRecord*>(buffer_ + used_);
    record->kind = kind;
    record->state = 0;
    record->spare = 0;
    record->size = static_cast<std::uint32_t>(size);
    std::uint8_t* at = record->payload();
    for (const BackupPart& part : parts) {
        if (part.bytes == nullptr)
            std::memset(at, 0, part.size);
        else if (part.size != 0)
            std::memcpy(at, part.bytes, part.size);
        at += part.size;
    }
    std::memset(at, 0, padded(size) - size);
    used_ += sizeof(BackupRecord) + padded(size);
    return record;
}

BackupRecord* BackupRecords::recordAt(std::size_t offset) {
    return offset < used_ ? reinterpret_cast<BackupRecord*>(buffer_ + offset) : nullptr;
}

BackupRecord* BackupRecords::next(const BackupRecord* record) {
    const std::size_t offset = static_cast<std::size_t>(reinterpret_cast<const std::uint8_t*>(record) - buffer_);
    return recordAt(offset + sizeof(BackupRecord) + padded(record->size));
}

void BackupRecords::truncate(std::size_t mark) {
    if (mark < used_) used_ = mark;
    if (mark < journaled_) {
        journaled_ = mark;
        truncatedBelowJournal_ = true;
    }
}

}  // namespace setup
