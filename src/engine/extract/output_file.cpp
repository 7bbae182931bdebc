#include "engine/extract/output_file.h"

#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include "base/bounded_text.h"
#include "base/fault_injection.h"
#include "base/install_error.h"
#include "base/process_state.h"
#include "engine/failure/cancel.h"
#include "engine/in_use/restart_replacements.h"
#include "engine/interaction.h"
#include "engine/journal/run_journal.h"
#include "engine/log/uninstall_log_entries.h"
#include "engine/paths/path_rules.h"
#include "engine/undo/file_backups.h"
#include "package/setup_config.h"

namespace setup {

HANDLE outputFile;
EntryBuffers currentEntry;

namespace {

// The folder path of the last file opened, every level of which exists.
char foldersThere[fmt::kMaxPath];

// A path that will not fit its 260-byte buffer is refused like a file that
// cannot be created, naming as much of it as fits.
[[noreturn]] void raisePathTooLong(ErrorCode code) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    raiseInstallError(code);
}

// Asks before the file in currentPath is replaced: false when the user
// keeps it; Yes to All sets `replaceAll` for the rest of the run.
bool mayReplaceExistingFile(bool& replaceAll) {
    switch (questions().askReplace(currentPath, currentEntry)) {
    case kReplaceNo: return false;
    case kReplaceAll: replaceAll = true; return true;
    case kReplaceCancel: endCancelledRun();
    default: return true;
    }
}

// The existing file at currentPath is about to be replaced: it is moved
// aside first, with its contents, times and attributes, so that a failure
// or a cancel can put it back. When it cannot be, nothing is replaced: the
// run fails here as for a file that cannot be created, unless the file is
// in use and the user let such files be (engine/in_use/restart_replacements.h):
// then it is kept, or the new file goes beside it (`beside`) to replace it
// at the next restart.
enum class Replacement { inPlace, kept, beside };

Replacement moveReplacedFileAside(char (&beside)[fmt::kMaxPath]) {
    // Before the run's first file of the user's goes aside, what the journal
    // holds is on disk against a power cut.
    static bool flushed = false;
    if (!flushed) flushRunJournal();
    flushed = true;
    if (moveFileAside(currentPath, FaultSite::backUpFile)) return Replacement::inPlace;
    switch (wayForHeldFile(currentPath, beside)) {
    case HeldFileWay::kept: return Replacement::kept;
    case HeldFileWay::atRestart: return Replacement::beside;
    case HeldFileWay::fails: break;
    }
    raiseInstallError(kErrorCreateFile);
}

// Stamps the open output file with the current entry's time, closes it and
// forgets it; the result of the close.
bool stampAndClose() {
    FILETIME time;
    time.dwLowDateTime = currentEntry.header.fileTime.low;
    time.dwHighDateTime = currentEntry.header.fileTime.high;
    SetFileTime(outputFile, &time, &time, &time);  // a file without its time is no failure
    HANDLE file = outputFile;
    outputFile = nullptr;
    const bool closed = CloseHandle(file) != 0;
    if (closed && injectFault(FaultSite::closeFile)) {
        SetLastError(ERROR_WRITE_FAULT);
        return false;
    }
    return closed;
}

}  // namespace

void openOutputFile(const char* folder, bool& replaceAll, bool& skip) {
    if (!formatBounded(currentPath, sizeof currentPath, "%s%s", folder, currentEntry.name))
        raisePathTooLong(kErrorCreateFile);

    const ExistingItem existing = existingItemAt(currentPath);
    if (existing != ExistingItem::none && !replaceAll && !mayReplaceExistingFile(replaceAll)) {
        skip = true;  // kept: no folder, no file, nothing logged
        return;
    }

    createPathDirectories();
    char beside[fmt::kMaxPath];
    const Replacement replaced =
        existing == ExistingItem::usersFile ? moveReplacedFileAside(beside) : Replacement::inPlace;
    if (replaced == Replacement::kept) {
        skip = true;
        return;
    }
    const char* made = replaced == Replacement::beside ? beside : currentPath;
    if (made != currentPath) {
        // The uninstaller removes the file at its place, which a rollback
        // leaves as it is; the new one beside it goes with the rollback.
        // The mark reaches the journal before the entry, and both before the
        // new file is made, so that the undoing of a killed run keeps the
        // held file whatever the moment it died.
        keepAtRollback(config().uninstall.header.usedBytes);
        journalBackups();
        appendLogEntry(fmt::kLogFile, 0, 0, currentPath);
    }

    // Only this run's own file is ever overwritten; anything else found at
    // the path now (a folder, or a file that came meanwhile) fails the
    // creation instead of being replaced without its way back.
    HANDLE file = INVALID_HANDLE_VALUE;
    if (existing != ExistingItem::runsOwnFile) announceMadeItem(fmt::kLogFile, made);
    if (injectFault(FaultSite::createFile)) {
        SetLastError(ERROR_ACCESS_DENIED);
    } else {
        file = CreateFileA(made, GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                           existing == ExistingItem::runsOwnFile ? CREATE_ALWAYS : CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    }
    if (file == INVALID_HANDLE_VALUE) raiseInstallError(kErrorCreateFile);
    outputFile = file;
    if (!unattendedRun) SHChangeNotify(SHCNE_CREATE, SHCNF_PATHA | SHCNF_FLUSH, made, nullptr);
    appendLogEntry(fmt::kLogFile, 0, 0, made);
}

void createPathDirectories() {
    const std::size_t folderLength = folderPartLength(currentPath);
    std::memcpy(currentDir, currentPath, folderLength);
    currentDir[folderLength] = '\0';

    // The folders the previous file needed are there: this run found or
    // made them a moment ago. Most files share them, and each look costs a
    // system call per level.
    std::size_t start = folderCreationStart(currentDir);
    start = std::max(start, sharedFolderLength(currentDir, foldersThere));
    for (std::size_t p = start; currentDir[p] != '\0'; ++p) {
        if (currentDir[p] != '\\') continue;
        currentDir[p] = '\0';
        const DWORD attributes = GetFileAttributesA(currentDir);
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            announceMadeItem(fmt::kLogFolder, currentDir);
            if (injectFault(FaultSite::createFolder)) {
                SetLastError(ERROR_ACCESS_DENIED);
                raiseInstallError(kErrorCreatePath);
            }
            if (!CreateDirectoryA(currentDir, nullptr)) raiseInstallError(kErrorCreatePath);
            appendLogEntry(fmt::kLogFolder, 0, 0, currentDir);
            if (!unattendedRun)
                SHChangeNotify(SHCNE_MKDIR, SHCNF_PATHA | SHCNF_FLUSH, currentDir, nullptr);
        }
        currentDir[p] = '\\';
    }
    std::memcpy(foldersThere, currentDir, folderLength + 1);
}

void forgetFoldersMade() { foldersThere[0] = '\0'; }

void closeOutputFile(bool skip) {
    if (skip) {
        outputFile = nullptr;
        return;
    }
    if (outputFile != nullptr && !stampAndClose()) raiseInstallError(kErrorCloseFile);
}

void closeOutputFile() {
    // The failure handler's call: whatever closing gives, it never raises.
    if (outputFile != nullptr) stampAndClose();
}

void abandonOutputFile() {
    if (outputFile == nullptr) return;
    CloseHandle(outputFile);
    outputFile = nullptr;
}

bool writeAll(HANDLE file, const void* bytes, std::uint32_t count) {
    if (injectFault(FaultSite::writeFile)) {
        SetLastError(ERROR_DISK_FULL);
        return false;
    }
    DWORD written = 0;
    const BOOL ok = WriteFile(file, bytes, count, &written, nullptr);
    if (ok && written == count) return true;
    if (ok) SetLastError(ERROR_DISK_FULL);  // a short write means the disk is full
    return false;
}

void writeOutput(HANDLE file, const void* bytes, std::uint32_t count) {
    if (!writeAll(file, bytes, count)) raiseInstallError(kErrorWriteFile);
}

}  // namespace setup
