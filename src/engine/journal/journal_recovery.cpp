#include "engine/journal/journal_recovery.h"

#include <windows.h>

#include <cstring>

#include "base/bounded_text.h"
#include "base/process_state.h"
#include "engine/failure/exit_codes.h"
#include "engine/failure/failure.h"
#include "engine/interaction.h"
#include "engine/journal/journal_format.h"
#include "engine/journal/journal_search.h"
#include "engine/journal/run_journal.h"
#include "engine/log/run_log.h"
#include "engine/log/uninstall_log.h"
#include "engine/removal/removal_limits.h"
#include "engine/removal/removal_places.h"
#include "engine/removal/remove_by_log.h"
#include "engine/system/product_registration.h"
#include "engine/undo/backup_names.h"
#include "engine/undo/backup_place.h"
#include "engine/undo/backup_records.h"
#include "engine/undo/file_backups.h"
#include "format/extension_table.h"
#include "package/extra_texts.h"
#include "package/setup_config.h"

namespace setup {

namespace {

constexpr std::size_t kMaxPlaces = 8;
constexpr std::size_t kFolderListSize = 1024;

// What a journal read back holds besides what it puts straight into the
// uninstall log and the backup records.
struct ReadJournal {
    char places[kMaxPlaces][fmt::kMaxPath];
    std::size_t placeCount;
    std::uint16_t volumes;
    char folders[kFolderListSize];  // the backup folders, a line each
};

// The largest payload a journal holds: read whole before its checksum is checked.
alignas(8) std::uint8_t payload[kMaxJournalPayload];

bool readExactly(HANDLE file, void* bytes, std::uint32_t size) {
    DWORD got = 0;
    return size == 0 || (ReadFile(file, bytes, size, &got, nullptr) && got == size);
}

enum class NextRecord { item, end, damaged };

NextRecord readRecord(HANDLE file, std::uint32_t& left, JournalItem& item) {
    JournalRecordHead head;
    if (left < sizeof head || !readExactly(file, &head, sizeof head)) return NextRecord::end;
    left -= sizeof head;
    const JournalHeadCheck checked = checkJournalHead(head, left);
    if (checked == JournalHeadCheck::torn) return NextRecord::end;
    if (checked != JournalHeadCheck::ok || !readExactly(file, payload, head.size)) return NextRecord::damaged;
    left -= head.size;
    return checkJournalPayload(head, payload, item) ? NextRecord::item : NextRecord::damaged;
}

void addFolderLine(ReadJournal& read, const char* folder) {
    if (read.folders[0] != '\0') appendBounded(read.folders, "\n");
    appendBounded(read.folders, folder);
}

// One record taken into this run's log, backup records and folders. False
// for a record that a run never writes so.
bool takeRecord(const JournalItem& item, ReadJournal& read) {
    switch (item.type) {
    case JournalType::start: return false;
    case JournalType::logEntry:
        if (item.entry.kind < fmt::kLogFile || item.entry.kind > fmt::kLogRegistryKey) return false;
        return appendLogEntry(config().uninstall, item.entry.kind, item.entry.flag, item.entry.value, item.text);
    case JournalType::place:
        if (read.placeCount == kMaxPlaces) return false;
        copyBounded(read.places[read.placeCount++], item.text);
        return true;
    case JournalType::backupFolder: {
        const std::size_t length = std::strlen(item.folder);
        const char* level = length >= 2 ? std::strrchr(item.folder, '\\') : nullptr;
        // A folder named again (the journal's own, when a file is first moved there).
        if (item.volume < read.volumes) return std::strcmp(backupFolder(item.volume), item.folder) == 0;
        // "<root>~SetupBackup.<tag>\": nothing else is ever a backup folder.
        if (item.volume != read.volumes || level == nullptr || level[1] != '\0') return false;
        const char* name = item.folder + length - 1;
        while (name > item.folder && name[-1] != '\\') --name;
        if (std::strncmp(name, kBackupFolderPrefix, sizeof kBackupFolderPrefix - 1) != 0) return false;
        if (adoptBackupFolder(item.folder) != static_cast<int>(read.volumes)) return false;
        ++read.volumes;
        addFolderLine(read, item.folder);
        return true;
    }
    case JournalType::backups: {
        BackupRecords* records = BackupRecords::ofChannel(static_cast<std::uint8_t>(item.channel));
        return records != nullptr && records->adopt(item.offset, item.bytes, item.byteCount);
    }
    case JournalType::truncate: {
        BackupRecords* records = BackupRecords::ofChannel(static_cast<std::uint8_t>(item.channel));
        return records != nullptr && records->cutAt(item.offset);
    }
    case JournalType::logReset: resetLogToShipped(config().uninstall); return true;
    case JournalType::uninstallKey: adoptWrittenUninstallEntry(item.text); return true;
    }
    return false;
}

// Every file and folder the journal would remove lies where the run could
// have made it: in a place it named that a product may be installed into,
// or a shortcut in the shell folders.
bool withinPlaces(const ReadJournal& read) {
    const RemovalPlaces system;
    static LogItem items[kMaxLogFileSize / kMinLogEntrySize];
    const auto* log = reinterpret_cast<const std::uint8_t*>(&config().uninstall);
    for (std::uint8_t kind : {fmt::kLogFile, fmt::kLogFolder}) {
        const std::size_t count = collectLogEntries(log, kind, items, sizeof items / sizeof items[0]);
        for (std::size_t i = 0; i < count; ++i) {
            bool within = false;
            for (std::size_t p = 0; p < read.placeCount && !within; ++p) {
                char folder[fmt::kMaxPath];
                copyBounded(folder, read.places[p]);
                const std::size_t length = std::strlen(folder);
                if (length == 0 || (folder[length - 1] != '\\' && !appendBounded(folder, "\\"))) continue;
                within = system.usableInstallFolder(folder) &&
                         isWithinRemovalLimits(kind, items[i].text, system.limitsFor(folder));
            }
            if (!within) {
                logRunLine("the journal names %s, which its run could not have made", items[i].text);
                return false;
            }
        }
    }
    return true;
}

// Forgets what a journal that cannot be trusted put into this run, and
// leaves its folders for someone to look at.
void keepDamagedJournal(const char* journalFolder, ReadJournal& read) {
    resetLogToShipped(config().uninstall);
    for (std::uint8_t channel = 1; channel < BackupRecords::kChannels; ++channel)
        if (BackupRecords* records = BackupRecords::ofChannel(channel)) records->clear();
    adoptWrittenUninstallEntry("");
    // Made visible, and forgotten by this run; their backups stay.
    removeBackupFolders();
    char folder[fmt::kMaxPath];
    copyBounded(folder, journalFolder);
    folder[std::strlen(folder) - 1] = '\0';
    SetFileAttributesA(folder, FILE_ATTRIBUTE_NORMAL);
    if (std::strstr(read.folders, journalFolder) == nullptr) addFolderLine(read, journalFolder);
    // Renamed, so that later starts do not meet it again.
    char journal[fmt::kMaxPath], kept[fmt::kMaxPath];
    formatBounded(journal, sizeof journal, "%s%s", journalFolder, kJournalFileName);
    formatBounded(kept, sizeof kept, "%s%s.damaged", journalFolder, kJournalFileName);
    MoveFileExA(journal, kept, 0);
    logRunLine("an interrupted installation cannot be undone: its journal %s cannot be trusted; nothing was "
               "removed, and what it moved aside stays in:\n%s",
               journal, read.folders);
}

}  // namespace

JournalUndo undoInterruptedRun(const char* journalFolder, char* keptFolders, std::size_t keptSize) {
    char path[fmt::kMaxPath];
    if (!formatBounded(path, sizeof path, "%s%s", journalFolder, kJournalFileName)) return JournalUndo::notFound;
    std::uint32_t left = 0;
    HANDLE file = openJournal(journalFolder, left);
    if (file == INVALID_HANDLE_VALUE) return JournalUndo::notFound;
    // Its start, which the search has judged, is passed over.
    JournalItem start;
    if (readRecord(file, left, start) != NextRecord::item || start.type != JournalType::start) {
        CloseHandle(file);
        return JournalUndo::notFound;
    }
    logRunLine("journal %s: a run of this product was interrupted", path);
    static ReadJournal read;
    read = ReadJournal{};
    bool sound = true;
    for (;;) {
        JournalItem item;
        const NextRecord next = readRecord(file, left, item);
        if (next == NextRecord::end) break;
        if (next == NextRecord::damaged || !takeRecord(item, read)) {
            sound = false;
            break;
        }
    }
    CloseHandle(file);
    if (!sound || !withinPlaces(read)) {
        keepDamagedJournal(journalFolder, read);
        copyBounded(keptFolders, keptSize, read.folders);
        return JournalUndo::kept;
    }
    // Undone as the run's own failure would have undone it, ending with
    // the journal and the backup folders.
    adoptRunJournal(path);
    adoptBackupVolumes(read.volumes);
    rollBackInstallation();
    resetLogToShipped(config().uninstall);
    logRunLine("the interrupted installation was undone");
    return JournalUndo::undone;
}

void recoverInterruptedRun() {
    constexpr std::size_t kMaxJournals = 16;
    static char folders[kMaxJournals][fmt::kMaxPath];
    const std::size_t count = findInterruptedJournals(configText(config().texts.productName), folders, kMaxJournals);
    for (std::size_t i = 0; i < count; ++i) {
        char kept[kFolderListSize];
        switch (undoInterruptedRun(folders[i], kept, sizeof kept)) {
        case JournalUndo::notFound: break;
        case JournalUndo::undone:
            if (!unattendedRun)
                questions().message(extraText(fmt::kExtraTextInterruptedUndone),
                                    configText(config().texts.titleMessage), kMessageInformation);
            break;
        case JournalUndo::kept: {
            if (unattendedRun) exitSetup(kExitJournalKept);
            char text[1536];
            formatBounded(text, sizeof text, extraText(fmt::kExtraTextInterruptedKept), kept);
            questions().message(text, configText(config().texts.titleError), kMessageError);
            break;
        }
        }
    }
}

}  // namespace setup
