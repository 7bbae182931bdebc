// The run's journal: what a run is about to do, written to a file before it
// does it, so that a later start can undo a run whose process was killed.
// Records are appended one after another; the first names the product and
// the run. Fixed-width little-endian fields; pure code, no system calls.
//
//   file:    | record (start) | record | record | ... |
//   record:  | head (12 bytes) | payload (head.size bytes) |
//   head:    type u8, channel u8, spare u16, size u32, crc32 of payload u32
//
// Payloads by type:
//   start        JournalStartHead, then the product name (no terminator)
//   logEntry     JournalEntryHead, then the text with its terminator
//   place        a folder the run may make or remove things in, terminated
//   backupFolder u16 volume, u16 spare, then root and folder, each terminated
//   backups      u32 offset, then the bytes of a channel's backup records
//                that lie from that offset on
//   truncate     u32 offset: a channel's records end there again
//   logReset     nothing: the uninstall log is back in its shipped state
//   uninstallKey the system uninstall entry's key path, terminated
#ifndef ENGINE_JOURNAL_JOURNAL_FORMAT_H
#define ENGINE_JOURNAL_JOURNAL_FORMAT_H

#include <cstddef>
#include <cstdint>

namespace setup {

inline constexpr char kJournalMagic[8] = {'S', 'K', 'J', 'o', 'u', 'r', 'n', '1'};
inline constexpr std::uint32_t kJournalVersion = 1;
// The journal's name in the run's backup folder.
inline constexpr char kJournalFileName[] = "RunJournal";

// Bounds every reader holds a journal to: no larger file is read, no
// payload is longer than the largest set of backup records a run keeps.
inline constexpr std::uint32_t kMaxJournalSize = 16u * 1024 * 1024;
inline constexpr std::uint32_t kMaxJournalPayload = 2u * 1024 * 1024 + 64;
inline constexpr std::uint32_t kMaxJournalText = 260;
inline constexpr std::uint32_t kMaxJournalProductName = 243;

enum class JournalType : std::uint8_t {
    start = 1,
    logEntry = 2,
    place = 3,
    backupFolder = 4,
    backups = 5,
    truncate = 6,
    logReset = 7,
    uninstallKey = 8,
};

// Whose backup records a `backups` or `truncate` record holds.
enum class JournalChannel : std::uint8_t { none = 0, files = 1, registry = 2 };
inline constexpr std::uint8_t kJournalChannels = 3;

struct JournalRecordHead {
    std::uint8_t type;
    std::uint8_t channel;
    std::uint16_t spare;
    std::uint32_t size;
    std::uint32_t crc;
};
static_assert(sizeof(JournalRecordHead) == 12);

struct JournalStartHead {
    char magic[8];
    std::uint32_t version;
    std::uint32_t processId;
    std::uint32_t nameLength;
};
static_assert(sizeof(JournalStartHead) == 20);

struct JournalEntryHead {
    std::uint8_t kind;
    std::uint8_t flag;
    std::uint16_t spare;
    std::uint32_t value;
};
static_assert(sizeof(JournalEntryHead) == 8);

// The head of a record whose payload is `first` followed by `second`
// (which may be nullptr with size 0). The sizes sum to at most
// kMaxJournalPayload: the caller checks.
JournalRecordHead makeJournalHead(JournalType type, JournalChannel channel, const void* first,
                                  std::uint32_t firstSize, const void* second = nullptr,
                                  std::uint32_t secondSize = 0);

enum class JournalHeadCheck {
    ok,
    torn,       // fewer bytes left than the head or its payload: the run ended while writing it
    badType,    // a type or channel this journal never holds
    tooLarge,   // a payload beyond kMaxJournalPayload
};

// Checks a head read from a journal with `left` bytes behind it (payload
// included); the payload's checksum is checked by checkJournalPayload.
JournalHeadCheck checkJournalHead(const JournalRecordHead& head, std::uint64_t left);

// A record's payload, checked whole: its checksum, and every length, count
// and terminator its type holds lying inside its bytes.
struct JournalItem {
    JournalType type;
    JournalChannel channel;
    // start
    std::uint32_t processId;
    const char* productName;  // not terminated
    std::uint32_t nameLength;
    // logEntry
    JournalEntryHead entry;
    // logEntry, place, uninstallKey: the text; backupFolder: the root
    const char* text;
    // backupFolder
    std::uint16_t volume;
    const char* folder;
    // backups, truncate
    std::uint32_t offset;
    const std::uint8_t* bytes;
    std::uint32_t byteCount;
};

// False when the payload does not hold what its type says (a damaged journal).
bool checkJournalPayload(const JournalRecordHead& head, const std::uint8_t* payload, JournalItem& item);

// Builds the payload of a start record into `out` (capacity bytes); its
// size, or 0 when the name is empty or too long or does not fit.
std::size_t makeJournalStart(std::uint32_t processId, const char* productName, std::uint8_t* out,
                             std::size_t capacity);

// Walks a whole journal in memory as a reader from disk does: the first
// record a start, every record checked. `visit` (may be nullptr) sees each
// one. The number of records walked, or -1 for a damaged journal. A torn
// last record ends the walk without damage.
long walkJournal(const std::uint8_t* bytes, std::size_t size,
                 void (*visit)(const JournalItem& item, void* context), void* context);

}  // namespace setup

#endif
