#include "engine/undo/backup_place.h"

#include <windows.h>

#include <cstring>

#include "base/bounded_text.h"
#include "base/process_state.h"
#include "base/system_library.h"
#include "engine/log/run_log.h"
#include "engine/paths/path_rules.h"
#include "engine/paths/private_folder.h"
#include "engine/undo/backup_names.h"
#include "format/package_format.h"

namespace setup {

namespace {

constexpr std::size_t kMaxVolumes = 32;
// Names already taken are passed over; this many are tried.
constexpr int kNameAttempts = 64;

struct BackupVolume {
    char root[fmt::kMaxPath];    // with its backslash
    char folder[fmt::kMaxPath];  // with its backslash
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

// Makes a folder of a name nobody has taken at the volume's root.
bool makeBackupFolder(BackupVolume& volume, FaultSite site) {
    if (injectFault(site)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    PrivateFolderSecurity security;
    SECURITY_ATTRIBUTES* attributes = nullptr;
    if (!security.prepare(attributes)) return false;
    std::uint32_t tag = GetTickCount() ^ (GetCurrentProcessId() << 16);
    for (int attempt = 0; attempt < kNameAttempts; ++attempt, tag = tag * 1664525u + 1013904223u) {
        if (!backupFolderPath(volume.root, tag, volume.folder, sizeof volume.folder)) {
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return false;
        }
        char folder[fmt::kMaxPath];
        withoutBackslash(volume.folder, folder);
        if (CreateDirectoryA(folder, attributes)) {
            SetFileAttributesA(folder, FILE_ATTRIBUTE_HIDDEN);
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
    if (!makeBackupFolder(fresh, site)) return nullptr;
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
