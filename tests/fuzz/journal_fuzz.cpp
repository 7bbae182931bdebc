// The run's journal as a start after a killed run reads it: every record
// walked and checked, each payload handed out lying inside the input; the
// backup records it carries put into a list as the recovery does; and the
// folder's security descriptor that vouches for it judged.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "engine/journal/journal_format.h"
#include "engine/journal/journal_trust.h"
#include "engine/undo/backup_records.h"

namespace {

struct Walk {
    const std::uint8_t* begin;
    const std::uint8_t* end;
    setup::BackupRecords* records;
};

bool inside(const Walk& walk, const void* at, std::size_t size) {
    const auto* p = static_cast<const std::uint8_t*>(at);
    return p >= walk.begin && p <= walk.end && size <= static_cast<std::size_t>(walk.end - p);
}

void visit(const setup::JournalItem& item, void* context) {
    Walk& walk = *static_cast<Walk*>(context);
    switch (item.type) {
    case setup::JournalType::start:
        if (!inside(walk, item.productName, item.nameLength) || item.nameLength > setup::kMaxJournalProductName)
            std::abort();
        break;
    case setup::JournalType::logEntry:
    case setup::JournalType::place:
    case setup::JournalType::uninstallKey:
        if (!inside(walk, item.text, std::strlen(item.text) + 1) || std::strlen(item.text) >= setup::kMaxJournalText)
            std::abort();
        break;
    case setup::JournalType::backupFolder:
        if (!inside(walk, item.folder, std::strlen(item.folder) + 1)) std::abort();
        break;
    case setup::JournalType::backups:
        if (!inside(walk, item.bytes, item.byteCount)) std::abort();
        if (walk.records->adopt(item.offset, item.bytes, item.byteCount))
            for (setup::BackupRecord* r = walk.records->first(); r != nullptr; r = walk.records->next(r)) {
            }
        break;
    case setup::JournalType::truncate: walk.records->cutAt(item.offset); break;
    case setup::JournalType::logReset: break;
    }
}

alignas(8) std::uint8_t recordBytes[64 * 1024];

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // In a buffer of exactly its size, so that a read past it is caught.
    auto* bytes = static_cast<std::uint8_t*>(std::malloc(size == 0 ? 1 : size));
    if (size != 0) std::memcpy(bytes, data, size);
    setup::BackupRecords records(recordBytes, sizeof recordBytes);
    Walk walk{bytes, bytes + size, &records};
    const long count = setup::walkJournal(bytes, size, visit, &walk);
    if (count > static_cast<long>(size / sizeof(setup::JournalRecordHead)) + 1) std::abort();
    const std::uint8_t user[] = {1, 1, 0, 0, 0, 0, 0, 5, 21, 0, 0, 0};
    setup::judgeFolderSecurity(bytes, size, user, sizeof user);
    std::free(bytes);
    return 0;
}
