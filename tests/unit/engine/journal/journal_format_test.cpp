#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "engine/journal/journal_format.h"
#include "engine/journal/journal_trust.h"
#include "engine/undo/backup_records.h"

using namespace setup;

namespace {

using Bytes = std::vector<std::uint8_t>;

void addRecord(Bytes& out, JournalType type, JournalChannel channel, const std::string& payload) {
    const JournalRecordHead head =
        makeJournalHead(type, channel, payload.data(), static_cast<std::uint32_t>(payload.size()));
    const auto* h = reinterpret_cast<const std::uint8_t*>(&head);
    out.insert(out.end(), h, h + sizeof head);
    out.insert(out.end(), payload.begin(), payload.end());
}

std::string startPayload(std::uint32_t processId, const char* name) {
    std::uint8_t bytes[sizeof(JournalStartHead) + kMaxJournalProductName];
    const std::size_t size = makeJournalStart(processId, name, bytes, sizeof bytes);
    return std::string(reinterpret_cast<char*>(bytes), size);
}

std::string entryPayload(std::uint8_t kind, std::uint32_t value, const std::string& text) {
    const JournalEntryHead head{kind, 0, 0, value};
    return std::string(reinterpret_cast<const char*>(&head), sizeof head) + text + '\0';
}

std::string folderPayload(std::uint16_t volume, const std::string& root, const std::string& folder) {
    const std::uint16_t fields[2] = {volume, 0};
    return std::string(reinterpret_cast<const char*>(fields), sizeof fields) + root + '\0' + folder + '\0';
}

std::string offsetPayload(std::uint32_t offset, const std::string& bytes = "") {
    return std::string(reinterpret_cast<const char*>(&offset), sizeof offset) + bytes;
}

// A journal of every kind of record, as a run writes it.
Bytes sampleJournal() {
    Bytes out;
    addRecord(out, JournalType::start, JournalChannel::none, startPayload(0x1234, "Sample"));
    addRecord(out, JournalType::backupFolder, JournalChannel::none,
              folderPayload(0, "C:\\~SetupBackup.0000abcd\\", "C:\\~SetupBackup.0000abcd\\"));
    addRecord(out, JournalType::place, JournalChannel::none, std::string("C:\\Program Files\\Sample\\") + '\0');
    addRecord(out, JournalType::logEntry, JournalChannel::none, entryPayload(2, 0, "C:\\Program Files\\Sample"));
    addRecord(out, JournalType::backups, JournalChannel::files, offsetPayload(0, std::string(12, 'b')));
    addRecord(out, JournalType::truncate, JournalChannel::registry, offsetPayload(8));
    addRecord(out, JournalType::logReset, JournalChannel::none, "");
    addRecord(out, JournalType::uninstallKey, JournalChannel::none, std::string("Software\\X") + '\0');
    return out;
}

struct Seen {
    std::vector<JournalType> types;
    std::string product;
    std::uint32_t processId = 0;
};

void collect(const JournalItem& item, void* context) {
    auto& seen = *static_cast<Seen*>(context);
    seen.types.push_back(item.type);
    if (item.type == JournalType::start) {
        seen.product.assign(item.productName, item.nameLength);
        seen.processId = item.processId;
    }
}

}  // namespace

// What a run writes reads back record by record; a record cut short by the
// end of the process ends the walk as the end of the journal.
TEST(JournalFormat, RoundTripAndTornTail) {
    const Bytes journal = sampleJournal();
    Seen seen;
    ASSERT_EQ(walkJournal(journal.data(), journal.size(), collect, &seen), 8);
    EXPECT_EQ(seen.product, "Sample");
    EXPECT_EQ(seen.processId, 0x1234u);
    EXPECT_EQ(seen.types.back(), JournalType::uninstallKey);
    for (std::size_t cut = 1; cut < 20; ++cut) {
        SCOPED_TRACE(cut);
        EXPECT_EQ(walkJournal(journal.data(), journal.size() - cut, nullptr, nullptr), 7);
    }
    EXPECT_EQ(walkJournal(journal.data(), 0, nullptr, nullptr), 0);
}

// Every damage a payload or a head can carry is refused: the journal is
// then one that cannot be trusted, never one that is read in part.
TEST(JournalFormat, DamagedJournalsAreRefused) {
    const std::string start = startPayload(1, "Sample");
    struct Row {
        const char* what;
        JournalType type;
        JournalChannel channel;
        std::string payload;
    };
    const Row rows[] = {
        {"an entry without terminator", JournalType::logEntry, JournalChannel::none,
         entryPayload(1, 0, "C:\\x").substr(0, 11)},
        {"an entry with bytes after its text", JournalType::logEntry, JournalChannel::none,
         entryPayload(1, 0, "C:\\x") + "z"},
        {"an empty text", JournalType::place, JournalChannel::none, std::string(1, '\0')},
        {"a text of 260 characters", JournalType::place, JournalChannel::none, std::string(260, 'a') + '\0'},
        {"a folder record missing its folder", JournalType::backupFolder, JournalChannel::none,
         folderPayload(0, "C:\\", "x").substr(0, 8)},
        {"backups on no channel", JournalType::backups, JournalChannel::none, offsetPayload(0)},
        {"a log entry on a channel", JournalType::logEntry, JournalChannel::files, entryPayload(1, 0, "C:\\x")},
        {"a truncate of 3 bytes", JournalType::truncate, JournalChannel::files, "abc"},
        {"a reset with a payload", JournalType::logReset, JournalChannel::none, "x"},
        {"a second start", JournalType::start, JournalChannel::none, start},
        {"an unknown type", static_cast<JournalType>(9), JournalChannel::none, ""},
        {"an unknown channel", JournalType::backups, static_cast<JournalChannel>(3), offsetPayload(0)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Bytes journal;
        addRecord(journal, JournalType::start, JournalChannel::none, start);
        addRecord(journal, row.type, row.channel, row.payload);
        EXPECT_EQ(walkJournal(journal.data(), journal.size(), nullptr, nullptr), -1);
    }

    Bytes journal = sampleJournal();
    journal[sizeof(JournalRecordHead) + 3] ^= 1;  // a flipped bit in the start's magic: its checksum
    EXPECT_EQ(walkJournal(journal.data(), journal.size(), nullptr, nullptr), -1);
    Bytes noStart;
    addRecord(noStart, JournalType::place, JournalChannel::none, std::string("C:\\x\\") + '\0');
    EXPECT_EQ(walkJournal(noStart.data(), noStart.size(), nullptr, nullptr), -1);
    // A size beyond what any payload may have is damage, not a torn tail.
    JournalRecordHead huge = makeJournalHead(JournalType::place, JournalChannel::none, nullptr, 0);
    huge.size = kMaxJournalPayload + 1;
    EXPECT_EQ(checkJournalHead(huge, UINT64_MAX), JournalHeadCheck::tooLarge);
    huge.size = 0xFFFFFFFFu;
    EXPECT_EQ(checkJournalHead(huge, 10), JournalHeadCheck::tooLarge);

    // The product's name: 1 to 243 characters, no terminator inside.
    std::uint8_t bytes[400];
    EXPECT_EQ(makeJournalStart(1, "", bytes, sizeof bytes), 0u);
    EXPECT_EQ(makeJournalStart(1, std::string(244, 'n').c_str(), bytes, sizeof bytes), 0u);
    EXPECT_EQ(makeJournalStart(1, std::string(243, 'n').c_str(), bytes, sizeof bytes), 20u + 243u);
    EXPECT_EQ(makeJournalStart(1, "Sample", bytes, 25), 0u);
}

// The backup records a run keeps reach the journal as the bytes appended
// since the last look, and a cut below them as a truncation; a journal
// read back puts them into an empty list again, whole records only.
TEST(JournalFormat, BackupRecordsGoToTheJournalAndComeBack) {
    alignas(8) std::uint8_t buffer[128], copy[128];
    BackupRecords records(buffer, sizeof buffer);
    BackupRecords adopted(copy, sizeof copy);
    std::size_t from = 0, count = 0;
    const std::uint8_t* bytes = nullptr;
    bool truncated = false;
    EXPECT_FALSE(records.takeUnjournaled(from, bytes, count, truncated));

    records.append(1, {{"abc", 3}});
    const std::size_t mark = records.mark();
    records.append(2, {{"defgh", 5}});
    ASSERT_TRUE(records.takeUnjournaled(from, bytes, count, truncated));
    EXPECT_EQ(from, 0u);
    EXPECT_EQ(count, 28u);
    EXPECT_FALSE(truncated);
    ASSERT_TRUE(adopted.adopt(from, bytes, count));

    records.truncate(mark);  // the second backup was not needed after all
    records.append(3, {{"i", 1}});
    ASSERT_TRUE(records.takeUnjournaled(from, bytes, count, truncated));
    EXPECT_TRUE(truncated);
    EXPECT_EQ(from, mark);
    EXPECT_EQ(count, 12u);
    EXPECT_FALSE(adopted.adopt(from, bytes, count)) << "bytes from the middle of the list";
    EXPECT_FALSE(adopted.cutAt(mark + 1)) << "not a record's boundary";
    ASSERT_TRUE(adopted.cutAt(mark));
    ASSERT_TRUE(adopted.adopt(from, bytes, count));
    EXPECT_EQ(std::memcmp(copy, buffer, records.used()), 0);
    EXPECT_EQ(adopted.used(), records.used());

    // A record whose size leads beyond the bytes given, or room that is not there.
    std::uint8_t bad[12] = {1, 0, 0, 0, 9, 0, 0, 0};
    EXPECT_FALSE(adopted.adopt(adopted.used(), bad, sizeof bad));
    EXPECT_FALSE(adopted.adopt(adopted.used(), buffer, sizeof buffer));
    EXPECT_FALSE(adopted.cutAt(adopted.used() + 4));
}

namespace {

// A self-relative descriptor with `owner` and an access list of the
// (type, flags, mask, sid) entries given.
struct Ace {
    std::uint8_t type, flags;
    std::uint32_t mask;
    Bytes sid;
};

void put16(Bytes& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

Bytes descriptor(const Bytes& owner, const std::vector<Ace>& aces, bool withList = true) {
    Bytes d(20, 0);
    d[0] = 1;
    put16(d, 2, static_cast<std::uint16_t>(0x8000 | (withList ? 0x0004 : 0)));
    put32(d, 4, 20);
    d.insert(d.end(), owner.begin(), owner.end());
    if (!withList) return d;
    const std::size_t aclAt = d.size();
    put32(d, 16, static_cast<std::uint32_t>(aclAt));
    d.resize(aclAt + 8, 0);
    d[aclAt] = 2;
    for (const Ace& ace : aces) {
        const std::size_t at = d.size();
        d.resize(at + 8, 0);
        d[at] = ace.type;
        d[at + 1] = ace.flags;
        put16(d, at + 2, static_cast<std::uint16_t>(8 + ace.sid.size()));
        put32(d, at + 4, ace.mask);
        d.insert(d.end(), ace.sid.begin(), ace.sid.end());
    }
    put16(d, aclAt + 2, static_cast<std::uint16_t>(d.size() - aclAt));
    put16(d, aclAt + 4, static_cast<std::uint16_t>(aces.size()));
    return d;
}

const Bytes kAdmins = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0};
const Bytes kSystemSid = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
const Bytes kUser = {1, 2, 0, 0, 0, 0, 0, 5, 21, 0, 0, 0, 0xe8, 3, 0, 0};
const Bytes kOther = {1, 2, 0, 0, 0, 0, 0, 5, 21, 0, 0, 0, 0xe9, 3, 0, 0};
const Bytes kEveryone = {1, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0};

}  // namespace

// A journal's folder vouches for it only when nobody but the
// administrators, the system and the user running the program can write it.
TEST(JournalTrust, OnlyFoldersNobodyElseWrites) {
    constexpr std::uint32_t kFull = 0x1F01FF, kRead = 0x120089;
    struct Row {
        const char* what;
        Bytes descriptor;
        FolderTrust trust;
    };
    const Row rows[] = {
        {"the private list", descriptor(kAdmins, {{0, 3, kFull, kUser}, {0, 3, kFull, kSystemSid}, {0, 3, kFull, kAdmins}}),
         FolderTrust::trusted},
        {"owned by the user running the program", descriptor(kUser, {{0, 0, kFull, kAdmins}}), FolderTrust::trusted},
        {"others may only read", descriptor(kSystemSid, {{0, 0, kFull, kAdmins}, {0, 0, kRead, kEveryone}}),
         FolderTrust::trusted},
        {"an inherit-only entry for others", descriptor(kAdmins, {{0, 0x0B, kFull, kOther}}), FolderTrust::trusted},
        {"owned by another user", descriptor(kOther, {{0, 0, kFull, kAdmins}}), FolderTrust::foreignOwner},
        {"everyone may add files", descriptor(kAdmins, {{0, 0, 0x2, kEveryone}}), FolderTrust::othersWrite},
        {"another user may change the list", descriptor(kAdmins, {{0, 0, 0x40000, kOther}}), FolderTrust::othersWrite},
        {"no list at all", descriptor(kAdmins, {}, false), FolderTrust::othersWrite},
        {"a denying entry is no grant", descriptor(kAdmins, {{1, 0, kFull, kOther}}), FolderTrust::trusted},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        EXPECT_EQ(judgeFolderSecurity(row.descriptor.data(), row.descriptor.size(), kUser.data(), kUser.size()),
                  row.trust);
    }
    // Every cut of a sound descriptor is damage or, where the cut leaves a
    // shorter sound list, still judged inside its bytes.
    const Bytes sound = rows[0].descriptor;
    for (std::size_t size = 0; size < sound.size(); ++size)
        EXPECT_EQ(judgeFolderSecurity(sound.data(), size, kUser.data(), kUser.size()), FolderTrust::damaged) << size;
    Bytes wrongCount = sound;
    put16(wrongCount, 20 + kAdmins.size() + 4, 9);  // more entries than the list holds
    EXPECT_EQ(judgeFolderSecurity(wrongCount.data(), wrongCount.size(), kUser.data(), kUser.size()),
              FolderTrust::damaged);
    Bytes farOwner = sound;
    put32(farOwner, 4, 0xFFFFFFF0u);
    EXPECT_EQ(judgeFolderSecurity(farOwner.data(), farOwner.size(), nullptr, 0), FolderTrust::damaged);
    EXPECT_EQ(sidLength(kAdmins.data(), kAdmins.size() - 1), 0u);
}
