#include "engine/journal/journal_recovery.h"

#include <windows.h>

#include <cstring>

#include "base/bounded_text.h"
#include "base/process_state.h"
#include "base/system_library.h"
#include "engine/failure/exit_codes.h"
#include "engine/failure/failure.h"
#include "engine/interaction.h"
#include "engine/journal/journal_format.h"
#include "engine/journal/journal_trust.h"
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

// The user running the program, as the system names it; empty on the 9x family.
std::size_t currentUser(std::uint8_t (&sid)[SECURITY_MAX_SID_SIZE]) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return 0;
    alignas(8) std::uint8_t buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    const bool got = GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size);
    CloseHandle(token);
    if (!got) return 0;
    const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer);
    const auto* bytes = static_cast<const std::uint8_t*>(user->User.Sid);
    const std::size_t available = sizeof buffer - static_cast<std::size_t>(bytes - buffer);
    const std::size_t length = sidLength(bytes, available < sizeof sid ? available : sizeof sid);
    std::memcpy(sid, bytes, length);
    return length;
}

// Only a folder that nobody else can write vouches for the journal in it.
bool folderTrusted(const char* folder) {
    alignas(8) std::uint8_t descriptor[4096];
    DWORD needed = 0;
    if (!GetFileSecurityA(folder, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, descriptor,
                          sizeof descriptor, &needed)) {
        // The 9x family keeps no security: every user there is the administrator.
        return GetLastError() == ERROR_CALL_NOT_IMPLEMENTED;
    }
    std::uint8_t user[SECURITY_MAX_SID_SIZE] = {};
    const std::size_t userSize = currentUser(user);
    const FolderTrust trust =
        judgeFolderSecurity(descriptor, needed != 0 && needed < sizeof descriptor ? needed : sizeof descriptor,
                            userSize != 0 ? user : nullptr, userSize);
    if (trust != FolderTrust::trusted) logRunLine("%s is passed over: others can write it", folder);
    return trust == FolderTrust::trusted;
}

// True while the run that wrote the journal still runs. A process id the
// system has given to another process since reads as running: the journal
// then waits for a later start.
bool processRuns(std::uint32_t processId) {
    if (processId == GetCurrentProcessId()) return false;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (process == nullptr) return false;
    const bool runs = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return runs;
}

// Opens the journal without following a link; its size.
HANDLE openJournal(const char* path, std::uint32_t& size) {
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) return file;
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(file, &information) ||
        (information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
        information.nFileSizeHigh != 0 || information.nFileSizeLow > kMaxJournalSize) {
        CloseHandle(file);
        return INVALID_HANDLE_VALUE;
    }
    size = information.nFileSizeLow;
    return file;
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

// The journal's first record: whether it is of this product and of a
// process that has ended.
bool killedRunOfThisProduct(HANDLE file, std::uint32_t& left) {
    JournalItem item;
    if (readRecord(file, left, item) != NextRecord::item || item.type != JournalType::start) return false;
    const char* product = configText(config().texts.productName);
    if (std::strlen(product) != item.nameLength || std::memcmp(product, item.productName, item.nameLength) != 0)
        return false;
    return !processRuns(item.processId);
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
    if (unattendedRun) exitSetup(kExitJournalKept);
    char text[1536];
    formatBounded(text, sizeof text, extraText(fmt::kExtraTextInterruptedKept), read.folders);
    questions().message(text, configText(config().texts.titleError), kMessageError);
}

// Undoes the journal in `journalFolder`; false when it is no killed run of
// this product's.
bool recoverJournal(const char* journalFolder) {
    char path[fmt::kMaxPath];
    if (!formatBounded(path, sizeof path, "%s%s", journalFolder, kJournalFileName)) return false;
    std::uint32_t left = 0;
    HANDLE file = openJournal(path, left);
    if (file == INVALID_HANDLE_VALUE) return false;
    if (!killedRunOfThisProduct(file, left)) {
        CloseHandle(file);
        return false;
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
        return true;
    }
    // Undone as the run's own failure would have undone it, ending with
    // the journal and the backup folders.
    adoptRunJournal(path);
    adoptBackupVolumes(read.volumes);
    rollBackInstallation();
    resetLogToShipped(config().uninstall);
    logRunLine("the interrupted installation was undone");
    if (!unattendedRun)
        questions().message(extraText(fmt::kExtraTextInterruptedUndone), configText(config().texts.titleMessage),
                            kMessageInformation);
    return true;
}

}  // namespace

void recoverInterruptedRun() {
    char windows[fmt::kMaxPath] = {};
    GetWindowsDirectoryA(windows, sizeof windows);
    const std::size_t rootLength = pathRootLength(windows);
    char pattern[fmt::kMaxPath];
    if (rootLength == 0 || rootLength >= sizeof pattern) return;
    std::memcpy(pattern, windows, rootLength);
    pattern[rootLength] = '\0';
    appendBounded(pattern, kBackupFolderPrefix);
    appendBounded(pattern, "*");
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return;
    // Collected first: undoing a journal removes its folder from the listing.
    constexpr std::size_t kMaxCandidates = 16;
    static char candidates[kMaxCandidates][fmt::kMaxPath];
    std::size_t count = 0;
    do {
        const DWORD attributes = found.dwFileAttributes;
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
            continue;
        if (std::strlen(found.cFileName) != sizeof kBackupFolderPrefix - 1 + 8 || count == kMaxCandidates) continue;
        char folder[fmt::kMaxPath];
        std::memcpy(folder, windows, rootLength);
        folder[rootLength] = '\0';
        if (appendBounded(folder, found.cFileName) && appendBounded(folder, "\\"))
            copyBounded(candidates[count++], folder);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    for (std::size_t i = 0; i < count; ++i) {
        char folder[fmt::kMaxPath];
        copyBounded(folder, candidates[i]);
        folder[std::strlen(folder) - 1] = '\0';
        if (folderTrusted(folder)) recoverJournal(candidates[i]);
    }
}

}  // namespace setup
