#include "engine/extract/extraction.h"

#include <commctrl.h>
#include <shlobj.h>

#include <algorithm>
#include <cstring>

#include "base/bounded_text.h"
#include "base/fault_injection.h"
#include "base/field_text.h"
#include "base/process_state.h"
#include "engine/failure/failure.h"
#include "engine/undo/file_backups.h"
#include "engine/log/uninstall_log_entries.h"
#include "engine/paths/path_rules.h"
#include "package/package_file.h"
#include "package/setup_config.h"
#include "resource_ids.h"
#include "ui/progress_window.h"
#include "ui/replace_question.h"

namespace setup {

HANDLE outputFile;
HWND progressWindow;
EntryBuffers currentEntry;

namespace {

ComponentStream componentStream;

// What the progress window shows, so that it is touched only on a change.
char shownGroup[fmt::kFieldTextSize];
char shownFile[fmt::kMaxPath];
int shownPosition = -1;

// The folder path of the last file opened, every level of which exists.
char foldersThere[fmt::kMaxPath];

void forgetShownProgress() {
    shownGroup[0] = '\0';
    shownFile[0] = '\0';
    shownPosition = -1;
}

void raiseIfFailed(StreamResult result) {
    if (result != kStreamOk) raiseInstallError(static_cast<ErrorCode>(result));
}

const fmt::Component* componentAt(std::uint32_t index) {
    return configRecord<const fmt::Component>(config().components[index]);
}

std::uint32_t componentCount() {
    const std::uint32_t count = config().settings.componentCount;
    return count < fmt::kMaxComponents ? count : fmt::kMaxComponents;
}

// Connects the stream decoder to the package file, the output file and the
// progress window.
class ExtractionCallbacks final : public StreamCallbacks {
public:
    explicit ExtractionCallbacks(ExtractionState& state) : state_(state) {}

    void read(void* buffer, std::uint32_t count) override { readPackage(buffer, count); }

    void write(const std::uint8_t* bytes, std::uint32_t count) override {
        if (!state_.skipFile) writeOutput(outputFile, bytes, count);
    }

    void chunkDone(std::uint32_t packedBytes) override {
        state_.donePacked = static_cast<std::int32_t>(
            static_cast<std::uint32_t>(state_.donePacked) + packedBytes);
        // Without a window (an unattended run) there is nothing to show or pump.
        if (progressWindow != nullptr) updateProgress(state_);
        if (cancelAfterChunk()) confirmCancel(progressWindow, true);
    }

    void pump() override { pumpProgressMessages(); }

private:
    ExtractionState& state_;
};

// A path that will not fit its 260-byte buffer is refused like a file that
// cannot be created, naming as much of it as fits.
[[noreturn]] void raisePathTooLong(ErrorCode code) {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    raiseInstallError(code);
}

// Asks before the file in currentPath is replaced: false when the user
// keeps it; Yes to All sets `replaceAll` for the rest of the run.
bool mayReplaceExistingFile(bool& replaceAll) {
    switch (askReplaceExistingFile()) {
    case kReplaceNo: return false;
    case kReplaceAll: replaceAll = true; return true;
    default: return true;
    }
}

// The existing file at currentPath is about to be replaced: it is moved
// aside first, with its contents, times and attributes, so that a failure
// or a cancel can put it back. When it cannot be, nothing is replaced: the
// run fails here as for a file that cannot be created.
void moveReplacedFileAside() {
    if (!moveFileAside(currentPath, FaultSite::backUpFile)) raiseInstallError(kErrorCreateFile);
}

}  // namespace

void computeSelectionTotals(ExtractionState& state) {
    std::uint32_t packed = 0, unpacked = 0;
    for (std::uint32_t i = 0; i < componentCount(); ++i) {
        if ((state.selectionMask & (1u << i)) == 0) continue;
        packed += static_cast<std::uint32_t>(componentAt(i)->packedSize);
        unpacked += static_cast<std::uint32_t>(componentAt(i)->unpackedSize);
    }
    state.totalPacked = static_cast<std::int32_t>(packed);
    state.donePacked = 0;
    state.totalUnpacked = unpacked;
}

void extractComponents(ExtractionState& state) {
    computeSelectionTotals(state);
    foldersThere[0] = '\0';  // what another run made may be gone
    forgetShownProgress();
    progressWindow = createProgressWindow(state);

    ExtractionCallbacks io(state);
    for (std::uint32_t i = 0; i < componentCount(); ++i) {
        if ((state.selectionMask & (1u << i)) == 0) continue;
        const fmt::Component* component = componentAt(i);
        raiseIfFailed(openComponentStream(componentStream));
        seekPackage(component->firstEntryOffset);
        for (std::uint32_t f = 0; f < component->fileCount; ++f) {
            raiseIfFailed(readFileEntry(currentEntry, io));
            state.skipFile = false;
            openOutputFile(state.destDir, state.replaceAll, state.skipFile);
            // A skipped file's chunks are decoded all the same: the stream runs on.
            raiseIfFailed(inflateFileData(componentStream, currentEntry.header, io));
            closeOutputFile(state.skipFile);
        }
        closeComponentStream(componentStream);
    }

    DestroyWindow(progressWindow);
    progressWindow = nullptr;
}

void openOutputFile(const char* folder, bool& replaceAll, bool& skip) {
    if (!formatBounded(currentPath, sizeof currentPath, "%s%s", folder, currentEntry.name))
        raisePathTooLong(kErrorCreateFile);

    const ExistingItem existing = existingItemAt(currentPath);
    if (existing != ExistingItem::none && !replaceAll && !mayReplaceExistingFile(replaceAll)) {
        skip = true;  // kept: no folder, no file, nothing logged
        return;
    }

    createPathDirectories();
    if (existing == ExistingItem::usersFile) moveReplacedFileAside();

    // Only this run's own file is ever overwritten; anything else found at
    // the path now (a folder, or a file that came meanwhile) fails the
    // creation instead of being replaced without its way back.
    HANDLE file = INVALID_HANDLE_VALUE;
    if (injectFault(FaultSite::createFile)) {
        SetLastError(ERROR_ACCESS_DENIED);
    } else {
        file = CreateFileA(currentPath, GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                           existing == ExistingItem::runsOwnFile ? CREATE_ALWAYS : CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    }
    if (file == INVALID_HANDLE_VALUE) raiseInstallError(kErrorCreateFile);
    outputFile = file;
    if (!unattendedRun) SHChangeNotify(SHCNE_CREATE, SHCNF_PATHA | SHCNF_FLUSH, currentPath, nullptr);
    appendLogEntry(fmt::kLogFile, 0, 0, currentPath);
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

// Stamps the open output file with the current entry's time, closes it and
// forgets it; the result of the close.
static bool stampAndClose() {
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

void updateProgress(const ExtractionState& state) {
    char line[fmt::kMaxPath];
    const std::uint32_t index = currentEntry.header.componentIndex & 0xFF;
    if (index < componentCount()) {
        char name[fmt::kFieldTextSize];
        copyFieldText(name, componentAt(index)->name);
        if (std::strcmp(name, shownGroup) != 0) {
            copyBounded(shownGroup, name);
            formatBounded(line, sizeof line, state.groupFormat, name);
            SetDlgItemTextA(progressWindow, IDC_GROUP_LINE, line);
        }
    }
    if (std::strcmp(currentEntry.name, shownFile) != 0) {
        formatBounded(line, sizeof line, state.fileFormat, currentEntry.name);
        SetDlgItemTextA(progressWindow, IDC_FILE_LINE, line);
        copyBounded(shownFile, currentEntry.name);
    }
    const int position = progressPosition(state.donePacked, state.totalPacked);
    if (position != shownPosition) {
        SendDlgItemMessageA(progressWindow, IDC_PROGRESS_BAR, PBM_SETRANGE, 0, MAKELPARAM(0, 1024));
        SendDlgItemMessageA(progressWindow, IDC_PROGRESS_BAR, PBM_SETPOS, position, 0);
        shownPosition = position;
    }
    pumpProgressMessages();
}

void pumpProgressMessages() {
    MSG message;
    while (progressWindow != nullptr &&
           PeekMessageA(&message, progressWindow, 0, 0, PM_REMOVE)) {
        if (!IsDialogMessageA(progressWindow, &message)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
}

}  // namespace setup
