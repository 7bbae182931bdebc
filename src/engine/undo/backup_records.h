// What a run keeps so that a failure or a cancel can give back what it
// replaced or removed: an append-only list of variable-length records in a
// fixed buffer the caller owns. Nothing is allocated; a record that does not
// fit is refused and the list stays as it was. Pure code.
//
//   buffer: | head | payload (padded to 4) | head | payload | ... | unused |
//   head:   kind u8, state u8, 2 spare bytes, payload size u32
#ifndef ENGINE_UNDO_BACKUP_RECORDS_H
#define ENGINE_UNDO_BACKUP_RECORDS_H

#include <cstddef>
#include <cstdint>
#include <initializer_list>

namespace setup {

struct BackupRecord {
    std::uint8_t kind;
    std::uint8_t state;  // the owner's: pending, done, ...
    std::uint16_t spare;
    std::uint32_t size;  // payload bytes, before padding

    std::uint8_t* payload() { return reinterpret_cast<std::uint8_t*>(this + 1); }
    const std::uint8_t* payload() const { return reinterpret_cast<const std::uint8_t*>(this + 1); }
};
static_assert(sizeof(BackupRecord) == 8);

// One piece of a record's payload; the pieces are stored one after another.
// A piece without bytes is room of that size, zero-filled, for the caller
// to fill through the record's payload.
struct BackupPart {
    const void* bytes;
    std::size_t size;
};

class BackupRecords {
public:
    // `buffer` (4-aligned, `capacity` bytes) stays the caller's.
    BackupRecords(std::uint8_t* buffer, std::size_t capacity) : buffer_(buffer), capacity_(capacity) {}
    // The same, copied into the run's journal through `channel` (1 or 2;
    // ofChannel finds it again).
    BackupRecords(std::uint8_t* buffer, std::size_t capacity, std::uint8_t channel);
    static BackupRecords* ofChannel(std::uint8_t channel);
    static constexpr std::uint8_t kChannels = 3;

    // Appends a record whose payload is the parts in order; nullptr, with
    // nothing added, when it does not fit the buffer. The payload starts
    // 4-aligned.
    BackupRecord* append(std::uint8_t kind, std::initializer_list<BackupPart> parts);

    // The walk in order of appending: first() and next() give nullptr at the end.
    BackupRecord* first() { return recordAt(0); }
    BackupRecord* next(const BackupRecord* record);

    // A place in the list, and going back to it: what was appended after
    // it is dropped.
    std::size_t mark() const { return used_; }
    void truncate(std::size_t mark);
    void clear() {
        // Emptied in the middle of a run (after the DirectX setup's
        // temporary files): the journal sees it as a cut to the start.
        if (journaled_ != 0) truncatedBelowJournal_ = true;
        used_ = 0;
        journaled_ = 0;
    }
    bool empty() const { return used_ == 0; }
    std::size_t used() const { return used_; }

    // What the journal has not seen yet: true, with the offset and bytes of
    // the records appended since the last call, and `truncated` when the
    // list was cut below what it had seen (it then restarts at `from`).
    // The bytes count as journaled from now on. A record's payload that its
    // owner fills after append is journaled at the next call.
    bool takeUnjournaled(std::size_t& from, const std::uint8_t*& bytes, std::size_t& count, bool& truncated);

    // A journal read back: records as the killed run held them. adopt takes
    // `count` bytes of whole records that lie from `offset` on (where the list
    // must end now); cutAt ends the list at a record boundary `mark`. False,
    // with nothing changed, for bytes that are not whole records or do not fit.
    bool adopt(std::size_t offset, const std::uint8_t* bytes, std::size_t count);
    bool cutAt(std::size_t mark);

private:
    BackupRecord* recordAt(std::size_t offset);

    std::uint8_t* buffer_;
    std::size_t capacity_;
    std::size_t used_ = 0;
    std::size_t journaled_ = 0;
    bool truncatedBelowJournal_ = false;
};

}  // namespace setup

#endif
