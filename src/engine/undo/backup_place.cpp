#include "engine/undo/backup_place.h"

#include <windows.h>

#include <cstring>

#include "base/bounded_text.h"
#include "base/process_state.h"
#include "base/system_library.h"
#include "engine/log/run_log.h"
#include "engine/log/uninstall_log.h"
#include "engine/paths/path_rules.h"
#include "engine/paths/private_folder.h"
#include "engine/undo/backup_names.h"
#include "engine/undo/backup_place_choice.h"
#include "format/package_format.h"
#include "package/setup_config.h"

namespace setup {

namespace {

constexpr std::size_t kMaxVolumes = 32;
// Names already taken are passed over; this many are tried.
constexpr int kNameAttempts = 64;

struct BackupVolume {
    char root[fmt::kMaxPath];    // with its backslash
    char folder[fmt::kMaxPath];  // with its backslash
    // Held open, sharing no deletion, while the run lasts: the folder may
    // lie in a folder users may change (when the root takes none), and
    // nobody can then rename it away and put another in its place.
    HANDLE held;
};

BackupVolume volumes[kMaxVolumes];
std::size_t volumeCount;

// The root of the volume that holds `path`: the mount point the system
// names, else (also where GetVolumePathNameA is missing: the 9x family and
// NT 4.0, which mount volumes on drive letters alone) the drive or share at
// the start of the path.
bool volumeRoot(const char* path, char (&root)[fmt::kMaxPath]) {
    using VolumePathFunction = BOOL(WINAPI*)(LPCSTR, LPSTR, DWORD);
    static const auto volumePath =
        systemFunction<VolumePathFunction>("kernel32.dll", "GetVolumePathNameA");
    if (volumePath != nullptr && volumePath(path, root, sizeof root) && root[0] != '\0') {
        const std::size_t length = std::strlen(root);
        return root[length - 1] == '\\' || appendBounded(root, "\\");
    }
    const std::size_t length = pathRootLength(path);
    if (length == 0 || length >= sizeof root) return false;
    std::memcpy(root, path, length);
    root[length] = '\0';
    return true;
}

// The folder path without its closing backslash, as the folder calls take it.
void withoutBackslash(const char* folder, char (&out)[fmt::kMaxPath]) {
    copyBounded(out, folder);
    const std::size_t length = std::strlen(out);
    if (length > 0 && out[length - 1] == '\\') out[length - 1] = '\0';
}

// Makes a folder of a name nobody has taken in `place`; false, with the
// system's error, when the place cannot take one.
bool makeFolderIn(const char* place, SECURITY_ATTRIBUTES* attributes, BackupVolume& volume) {
    std::uint32_t tag = GetTickCount() ^ (GetCurrentProcessId() << 16);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt, tag = tag * 1664525u + 1013904223u) {
        if (!backupFolderPath(place, tag, volume.folder, sizeof volume.folder)) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return false;
        }
        char folder[fmt::kMaxPath];
        withoutBackslash(volume.folder, folder);
        if (CreateDirectoryA(folder, attributes)) {
            SetFileAttributesA(folder, FILE_ATTRIBUTE_HIDDEN);
            // The 9x family opens no folder: there the handle stays invalid.
            volume.held = CreateFileA(folder, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                      nullptr);
            // What stands there now is the run's folder, not a link put in
            // its place since it was made.
            BY_HANDLE_FILE_INFORMATION held{};
            if (volume.held != INVALID_HANDLE_VALUE &&
                (!GetFileInformationByHandle(volume.held, &held) ||
                 (held.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) !=
                     FILE_ATTRIBUTE_DIRECTORY)) {
                CloseHandle(volume.held);
                volume.held = INVALID_HANDLE_VALUE;
                logRunLine("backup folder %s was replaced as it was made: it is not used", folder);
                SetLastError(ERROR_ACCESS_DENIED);
                return false;
            }
            logRunLine("backup folder %s made", folder);
            return true;
        }
        // A name that exists is never used: whoever made it may own it.
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return false;
    }
    SetLastError(ERROR_ALREADY_EXISTS);
    return false;
}

// A folder this run made (its log records it): a rollback removes it, so
// it takes no backup folder.
bool madeByRun(const char* place) {
    char folder[fmt::kMaxPath];
    withoutBackslash(place, folder);
    return logRecordsPath(reinterpret_cast<const std::uint8_t*>(&config().uninstall), fmt::kLogFolder, folder);
}

// Makes the volume's backup folder at its root, or where the root cannot
// take one, in the first place on the way to the install folder or to the
// file that can (engine/undo/backup_place_choice.h). The root's error when
// none can.
bool makeBackupFolder(BackupVolume& volume, const char* path, FaultSite site) {
    if (injectFault(site)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    PrivateFolderSecurity security;
    SECURITY_ATTRIBUTES* attributes = nullptr;
    if (!security.prepare(attributes)) return false;
    char fileFolder[fmt::kMaxPath];
    copyBounded(fileFolder, path);
    fileFolder[folderPartLength(fileFolder)] = '\0';
    DWORD rootError = ERROR_SUCCESS;
    char place[fmt::kMaxPath];
    for (std::size_t i = 0; backupPlaceAt(volume.root, installDir, fileFolder, i, place, sizeof place); ++i) {
        if (i > 0 && madeByRun(place)) continue;
        if (makeFolderIn(place, attributes, volume)) {
            if (i > 0)
                logRunLine("the root %s cannot take the backup folder (error %lu): it is made in %s", volume.root,
                           static_cast<unsigned long>(rootError), place);
            return true;
        }
        if (i == 0) rootError = GetLastError();
    }
    SetLastError(rootError);
    return false;
}

}  // namespace

const char* backupFolderFor(const char* path, FaultSite site, std::uint16_t& volume) {
    char root[fmt::kMaxPath];
    if (!volumeRoot(path, root)) {
        SetLastError(ERROR_BAD_PATHNAME);
        return nullptr;
    }
    for (std::size_t i = 0; i < volumeCount; ++i) {
        if (samePlace(volumes[i].root, root)) {
            volume = static_cast<std::uint16_t>(i);
            return volumes[i].folder;
        }
    }
    if (volumeCount == kMaxVolumes) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    BackupVolume& fresh = volumes[volumeCount];
    copyBounded(fresh.root, root);
    fresh.held = INVALID_HANDLE_VALUE;
    if (!makeBackupFolder(fresh, path, site)) return nullptr;
    volume = static_cast<std::uint16_t>(volumeCount++);
    return fresh.folder;
}

const char* backupFolder(std::uint16_t volume) {
    return volume < volumeCount ? volumes[volume].folder : "";
}

int adoptBackupFolder(const char* folder) {
    if (volumeCount == kMaxVolumes) return -1;
    BackupVolume& adopted = volumes[volumeCount];
    if (!copyBounded(adopted.folder, folder) || !copyBounded(adopted.root, folder)) return -1;
    return static_cast<int>(volumeCount++);
}

void removeBackupFolders() {
    for (std::size_t i = 0; i < volumeCount; ++i) {
        char folder[fmt::kMaxPath];
        withoutBackslash(volumes[i].folder, folder);
        if (volumes[i].held != INVALID_HANDLE_VALUE) CloseHandle(volumes[i].held);
        volumes[i].held = INVALID_HANDLE_VALUE;
        if (RemoveDirectoryA(folder)) {
            logRunLine("backup folder %s removed", folder);
            continue;
        }
        SetFileAttributesA(folder, FILE_ATTRIBUTE_NORMAL);
        MoveFileExA(folder, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        logRunLine("backup folder %s is not empty: it stays, no longer hidden, and goes at the next "
                   "restart if it is empty by then", folder);
    }
    volumeCount = 0;
}

}  // namespace setup
