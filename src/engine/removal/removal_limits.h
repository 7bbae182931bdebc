// Where a log read from disk may remove files and folders. The log file
// lies in the product's folder, which users may be able to write, while the
// removal runs with the installer's rights: an edited log must not make it
// delete what no installation of the product could have made. Pure code.
#ifndef ENGINE_REMOVAL_REMOVAL_LIMITS_H
#define ENGINE_REMOVAL_REMOVAL_LIMITS_H

#include <cstddef>

#include "engine/log/uninstall_log.h"
#include "format/package_format.h"

namespace setup {

// The places an installation writes to: its own folder and the two shell
// folders its shortcuts go into. Each is a full path, with or without a
// trailing backslash; an empty text (or nullptr) names no place.
struct RemovalLimits {
    const char* installFolder;
    const char* desktopFolder;
    const char* programsFolder;
    // An installation puts nothing but shortcuts into the shell folders:
    // when set, a file there must end in ".lnk".
    bool onlyShortcutsInShellFolders = false;
    // Bound the install folder's own parents a log may remove: only those
    // strictly below the Program Files folder when the install folder lies
    // in it, and never the Windows folder or one that holds it or a shell
    // folder (a user's profile).
    const char* programFilesFolder = nullptr;
    const char* windowsFolder = nullptr;
};

// Normalises a full path the way Windows reads it: "/" becomes "\", empty
// and "." levels go, ".." takes the level before it away, the last level
// loses its trailing dots and blanks and a level a separator follows one
// closing dot ("a.\b" is "a\b", "a. \b" and "a..\b" are not). A level of
// dots and blanks other than "." and ".." is refused. Fails (false) for anything but a plain
// drive path ("X:\...") or network path ("\\server\share\..."): relative
// paths, device and "\\?\" namespaces, streams, wildcards, device names, a
// ".." above the root, or a result that does not fit `size` bytes.
bool normalizeFullPath(const char* path, char* out, std::size_t size);

// True when a log entry of `kind` (file or folder) names a place inside the
// limits: a file strictly inside the install folder or one of the shell
// folders; a folder that is the install folder, lies inside one of the
// three, or is one of the install folder's own parents below its root (the
// folders an installation creates on the way to its folder, within the
// bounds RemovalLimits names). Case is ignored for the ASCII letters, as
// Windows does. Other kinds are not judged here (true).
bool isWithinRemovalLimits(fmt::u8 kind, const char* path, const RemovalLimits& limits);

enum class DiskLogVerdict {
    ok,
    corrupt,       // checkLog refused it
    outsideLimits, // sound, but a file or folder lies outside the limits
};

// The checks of a log read from disk before anything of it is removed:
// checkLog (LogOrigin::disk), then every file and folder entry within the
// limits, and every folder inside a shell folder on the way to a file the
// log names there (an installation makes a Start-menu folder only for its
// shortcuts: an empty folder of another product's is not its own).
// `items` (room for size / kMinLogEntrySize entries) is scratch.
DiskLogVerdict checkDiskLog(const fmt::u8* bytes, std::size_t size, const RemovalLimits& limits,
                            LogItem* items, std::size_t capacity);

// True when a removal may be anchored on `folder`: a full path that is
// neither a drive root (any drive) nor a network share's root nor the
// Windows or system folder nor a folder that holds either of them. Files
// inside such a folder would reach the whole drive or the system's own
// files. Both programs refuse such an install folder.
bool isUsableInstallFolder(const char* folder, const char* windowsFolder, const char* systemFolder);

}  // namespace setup

#endif
