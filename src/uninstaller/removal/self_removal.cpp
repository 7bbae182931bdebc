#include "uninstaller/removal/self_removal.h"

#include <windows.h>

#include <cstring>

#include "base/bounded_text.h"
#include "base/system_library.h"
#include "engine/paths/private_folder.h"
#include "engine/removal/log_removal.h"
#include "engine/removal/restart_removal.h"
#include "uninstaller/removal/path_match.h"

namespace uninstaller {

namespace {

// The system may hold a program's file for a moment after its process has
// ended: the copy tries for a few seconds.
constexpr int kDeleteAttempts = 50;
constexpr DWORD kDeleteRetryMs = 100;

// True when `folder` holds exactly one entry, named `name`.
bool holdsOnly(const char* folder, const char* name) {
    char pattern[fmt::kMaxPath + 2];
    if (!setup::formatBounded(pattern, sizeof pattern, "%s\\*", folder)) return false;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return false;
    bool onlyThat = true;
    bool sawIt = false;
    do {
        if (std::strcmp(found.cFileName, ".") == 0 || std::strcmp(found.cFileName, "..") == 0) continue;
        if (lstrcmpiA(found.cFileName, name) == 0) sawIt = true;
        else onlyThat = false;
    } while (onlyThat && FindNextFileA(search, &found));
    FindClose(search);
    return onlyThat && sawIt;
}

// A copy of the program's file in a private folder made for it in the
// temporary folder (engine/paths/private_folder.h): started from there, the
// copy finds no library a user put beside it, and nobody else can rename or
// replace it. Its handle shares no deletion, so nothing can rename it
// before it runs, and deletes the file when its last holder, the copy's
// process, ends. The folder goes at the next restart, when it is empty.
struct TemporaryCopy {
    char folder[fmt::kMaxPath] = {};
    char path[fmt::kMaxPath] = {};
    HANDLE deleteOnClose = INVALID_HANDLE_VALUE;

    bool make(const char* image) {
        if (!setup::makePrivateTemporaryFolder("~uninst", folder)) return false;
        if (!setup::formatBounded(path, sizeof path, "%s~uninst.exe", folder) || !CopyFileA(image, path, TRUE)) {
            removeFolder();
            return false;
        }
        // The 9x family deletes no running program's file on close and has
        // no MoveFileExA: there the file goes at the next restart by its list.
        if (setup::reportsWindows9x()) setup::deleteAtNext9xRestart(path);
        if (!setup::runsOnWindowsNT()) return true;
        // Inherited by the copy's process: the file lives exactly as long.
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        deleteOnClose = CreateFileA(path, GENERIC_READ | DELETE, FILE_SHARE_READ, &inherit, OPEN_EXISTING,
                                    FILE_FLAG_DELETE_ON_CLOSE, nullptr);
        if (deleteOnClose == INVALID_HANDLE_VALUE)
            MoveFileExA(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        return true;
    }
    // Closes this process's handle (the file goes unless a started copy
    // holds it too), then removes the folder, or has it go at the next
    // restart while the file is still in it.
    void removeFolder() {
        if (deleteOnClose != INVALID_HANDLE_VALUE) CloseHandle(deleteOnClose);
        deleteOnClose = INVALID_HANDLE_VALUE;
        char name[fmt::kMaxPath];
        setup::copyBounded(name, folder);
        const std::size_t length = std::strlen(name);
        if (length == 0) return;
        name[length - 1] = '\0';
        if (!RemoveDirectoryA(name)) MoveFileExA(name, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    ~TemporaryCopy() { removeFolder(); }
};

bool startCopy(const char* image, unsigned levels) {
    TemporaryCopy copy;
    if (!copy.make(image)) return false;
    HANDLE self = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                         SYNCHRONIZE, TRUE, 0)) {
        if (copy.deleteOnClose == INVALID_HANDLE_VALUE) DeleteFileA(copy.path);
        return false;
    }
    char commandLine[3 * fmt::kMaxPath];
    bool started = false;
    if (setup::formatBounded(commandLine, sizeof commandLine, "\"%s\" /FINISH %lX %X %s", copy.path,
                             static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(self)), levels,
                             image)) {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        // Started in its own folder: nothing of it holds the install folder.
        started = CreateProcessA(copy.path, commandLine, nullptr, nullptr, TRUE, 0, nullptr, copy.folder,
                                 &startup, &process) != 0;
        if (started) {
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
    }
    CloseHandle(self);
    if (!started && copy.deleteOnClose == INVALID_HANDLE_VALUE) DeleteFileA(copy.path);
    return started;
}

}  // namespace

SelfRemoval::SelfRemoval(const char* image) { setup::copyBounded(image_, image); }

bool SelfRemoval::deferIfOwnImage(const char* path) {
    if (image_[0] == '\0' || !sameFullPath(path, image_)) return false;
    // A file the log names twice is still the one file.
    if (deferredImage_ == nullptr) deferredImage_ = path;
    return true;
}

bool SelfRemoval::deferIfOnlyHoldsOwnImage(const char* folder) {
    if (deferredImage_ == nullptr || deferredLevels_ == kMaxDeferredFolders) return false;
    char child[fmt::kMaxPath];
    const unsigned levels = levelsBelow(image_, folder, child, sizeof child);
    // Folders come longest first: the next one must be the next level up.
    if (levels != deferredLevels_ + 1 || !holdsOnly(folder, child)) return false;
    deferredFolders_[deferredLevels_++] = folder;
    return true;
}

void SelfRemoval::start(RemovalReport& report) {
    if (deferredImage_ == nullptr || startCopy(image_, deferredLevels_)) return;
    report.add(fmt::kLogFile, 0, deferredImage_);
    for (unsigned i = 0; i < deferredLevels_; ++i) report.add(fmt::kLogFolder, 0, deferredFolders_[i]);
}

int finishSelfRemoval(const Command& command) {
    const HANDLE original = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(command.processHandle));
    WaitForSingleObject(original, INFINITE);
    CloseHandle(original);

    bool deleted = false;
    for (int attempt = 0; attempt < kDeleteAttempts && !deleted; ++attempt) {
        if (attempt > 0) Sleep(kDeleteRetryMs);
        deleted = setup::removeLoggedFile(command.imagePath);
    }
    char folder[fmt::kMaxPath];
    setup::copyBounded(folder, command.imagePath);
    for (std::uint32_t level = 0; deleted && level < command.folderLevels; ++level) {
        char* last = std::strrchr(folder, '\\');
        if (last == nullptr) break;
        *last = '\0';
        if (!setup::removeLoggedFolder(folder)) break;
    }
    return deleted ? 0 : 1;
}

}  // namespace uninstaller
