#include "engine/journal/run_journal.h"

#include <windows.h>

#include <cstring>

#include "base/bounded_text.h"
#include "base/install_error.h"
#include "base/process_state.h"
#include "engine/journal/journal_format.h"
#include "engine/log/run_log.h"
#include "engine/undo/backup_records.h"
#include "format/package_format.h"

namespace setup {

namespace {

HANDLE journalFile = INVALID_HANDLE_VALUE;
char journalPath[fmt::kMaxPath];
std::uint32_t journalSize;
// The item announced last, whose log entry follows.
std::uint8_t announcedKind;
char announcedText[fmt::kMaxPath];

// A journal that cannot take a record fails the run before the change the
// record announces: a change the journal does not know could not be undone
// after a kill.
[[noreturn]] void raiseJournalFailure() {
    const DWORD error = GetLastError();
    copyBounded(currentPath, journalPath);
    SetLastError(error != 0 ? error : ERROR_WRITE_FAULT);
    raiseInstallError(kErrorWriteFile);
}

bool writeBytes(const void* bytes, std::uint32_t size) {
    DWORD written = 0;
    return size == 0 || (WriteFile(journalFile, bytes, size, &written, nullptr) && written == size);
}

// One record; small ones go in a single write.
void writeRecord(JournalType type, JournalChannel channel, const void* first, std::uint32_t firstSize,
                 const void* second = nullptr, std::uint32_t secondSize = 0) {
    if (journalFile == INVALID_HANDLE_VALUE) return;
    const std::uint32_t size = firstSize + secondSize;
    if (size > kMaxJournalPayload || kMaxJournalSize - journalSize < sizeof(JournalRecordHead) + size) {
        SetLastError(ERROR_DISK_FULL);
        raiseJournalFailure();
    }
    static std::uint8_t record[sizeof(JournalRecordHead) + 2 * fmt::kMaxPath + 16];
    const bool small = size <= sizeof record - sizeof(JournalRecordHead);
    std::uint8_t* payload = record + sizeof(JournalRecordHead);
    if (small) {
        if (firstSize != 0) std::memcpy(payload, first, firstSize);
        if (secondSize != 0) std::memcpy(payload + firstSize, second, secondSize);
    }
    const JournalRecordHead head = makeJournalHead(type, channel, first, firstSize, second, secondSize);
    std::memcpy(record, &head, sizeof head);
    const bool written = small ? writeBytes(record, sizeof head + size)
                               : writeBytes(record, sizeof head) && writeBytes(first, firstSize) &&
                                     writeBytes(second, secondSize);
    if (!written) raiseJournalFailure();
    journalSize += static_cast<std::uint32_t>(sizeof head) + size;
}

void writeText(JournalType type, const char* text) {
    writeRecord(type, JournalChannel::none, text, static_cast<std::uint32_t>(std::strlen(text) + 1));
}

}  // namespace

bool openRunJournal(const char* folder, std::uint16_t volume, const char* productName,
                    const char* installFolder) {
    if (!formatBounded(journalPath, sizeof journalPath, "%s%s", folder, kJournalFileName)) {
        journalPath[0] = '\0';
        return false;
    }
    // Made new in a folder that was made new: nothing of anyone else's is there.
    journalFile = CreateFileA(journalPath, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (journalFile == INVALID_HANDLE_VALUE) {
        journalPath[0] = '\0';
        return false;
    }
    journalSize = 0;
    std::uint8_t start[sizeof(JournalStartHead) + kMaxJournalProductName];
    const std::size_t size = makeJournalStart(GetCurrentProcessId(), productName, start, sizeof start);
    writeRecord(JournalType::start, JournalChannel::none, start, static_cast<std::uint32_t>(size));
    journalBackupFolder(volume, folder);
    journalPlace(installFolder);
    flushRunJournal();
    logRunLine("journal %s", journalPath);
    return true;
}

void journalPlace(const char* folder) { writeText(JournalType::place, folder); }

void announceMadeItem(std::uint8_t kind, const char* text) {
    if (journalFile == INVALID_HANDLE_VALUE) return;
    journalLogEntry(kind, 0, 0, text);
    announcedKind = kind;
    copyBounded(announcedText, text);
}

void journalLogEntry(std::uint8_t kind, std::uint8_t flag, std::uint32_t value, const char* text) {
    if (journalFile == INVALID_HANDLE_VALUE) return;
    if (kind == announcedKind && flag == 0 && value == 0 && std::strcmp(text, announcedText) == 0) {
        announcedKind = 0;
        return;
    }
    const JournalEntryHead head{kind, flag, 0, value};
    writeRecord(JournalType::logEntry, JournalChannel::none, &head, sizeof head, text,
                static_cast<std::uint32_t>(std::strlen(text) + 1));
}

void journalLogReset() { writeRecord(JournalType::logReset, JournalChannel::none, nullptr, 0); }

void journalBackupFolder(std::uint16_t volume, const char* folder) {
    const std::uint16_t fields[2] = {volume, 0};
    char texts[2 * fmt::kMaxPath];
    // The folder stands for its root as well: a journal read back only ever
    // gives back into it.
    const std::size_t length = std::strlen(folder) + 1;
    if (2 * length > sizeof texts) return;
    std::memcpy(texts, folder, length);
    std::memcpy(texts + length, folder, length);
    writeRecord(JournalType::backupFolder, JournalChannel::none, fields, sizeof fields, texts,
                static_cast<std::uint32_t>(2 * length));
}

void journalBackups() {
    if (journalFile == INVALID_HANDLE_VALUE) return;
    for (std::uint8_t channel = 1; channel < kJournalChannels; ++channel) {
        BackupRecords* records = BackupRecords::ofChannel(channel);
        std::size_t from = 0, count = 0;
        const std::uint8_t* bytes = nullptr;
        bool truncated = false;
        if (records == nullptr || !records->takeUnjournaled(from, bytes, count, truncated)) continue;
        const auto offset = static_cast<std::uint32_t>(from);
        const auto which = static_cast<JournalChannel>(channel);
        if (truncated) writeRecord(JournalType::truncate, which, &offset, sizeof offset);
        if (count != 0)
            writeRecord(JournalType::backups, which, &offset, sizeof offset, bytes,
                        static_cast<std::uint32_t>(count));
    }
}

void journalUninstallKey(const char* key) { writeText(JournalType::uninstallKey, key); }

void flushRunJournal() {
    if (journalFile != INVALID_HANDLE_VALUE) FlushFileBuffers(journalFile);
}

void deleteRunJournal() {
    if (journalFile != INVALID_HANDLE_VALUE) {
        CloseHandle(journalFile);
        journalFile = INVALID_HANDLE_VALUE;
    }
    if (journalPath[0] == '\0') return;
    if (DeleteFileA(journalPath))
        logRunLine("journal %s deleted", journalPath);
    else
        logRunLine("journal %s cannot be deleted (error %lu)", journalPath, GetLastError());
    journalPath[0] = '\0';
}

void adoptRunJournal(const char* path) { copyBounded(journalPath, path); }

}  // namespace setup
