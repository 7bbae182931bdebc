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
// trailing backslash; an empty text names no place.
struct RemovalLimits {
    const char* installFolder;
    const char* desktopFolder;
    const char* programsFolder;
    // An installation puts nothing but shortcuts into the shell folders:
    // when set, a file there must end in ".lnk".
    bool onlyShortcutsInShellFolders = false;
};

// Normalises a full path the way Windows reads it: "/" becomes "\", empty
// and "." levels go, ".." takes the level before it away, and trailing dots
// and blanks of a level are dropped. Fails (false) for anything but a plain
// drive path ("X:\...") or network path ("\\server\share\..."): relative
// paths, device and "\\?\" namespaces, streams, wildcards, device names, a
// ".." above the root, or a result that does not fit `size` bytes.
bool normalizeFullPath(const char* path, char* out, std::size_t size);

// True when a log entry of `kind` (file or folder) names a place inside the
// limits: a file strictly inside the install folder or one of the shell
// folders; a folder that is the install folder, lies inside one of the
// three, or is one of the install folder's own parents below its root (the
// folders an installation creates on the way to its folder). Case is
// ignored for the ASCII letters, as Windows does. Other kinds are not
// judged here (true).
bool isWithinRemovalLimits(fmt::u8 kind, const char* path, const RemovalLimits& limits);

enum class DiskLogVerdict {
    ok,
    corrupt,       // checkLog refused it
    outsideLimits, // sound, but a file or folder lies outside the limits
};

// The checks of a log read from disk before anything of it is removed:
// checkLog (LogOrigin::disk), then every file and folder entry within the
// limits. `items` (room for size / kMinLogEntrySize entries) is scratch.
DiskLogVerdict checkDiskLog(const fmt::u8* bytes, std::size_t size, const RemovalLimits& limits,
                            LogItem* items, std::size_t capacity);

}  // namespace setup

#endif
