// The root of the drive a folder lies on, as the disk-space functions and
// the shell want it: "C:\" for a path with a drive letter, "\\server\share\"
// for a network path.
#ifndef ENGINE_PATHS_DRIVE_ROOT_H
#define ENGINE_PATHS_DRIVE_ROOT_H

#include <cstddef>

namespace setup {

inline constexpr std::size_t kDriveRootSize = 256;

// The root of installDir, filled by getDriveRoot.
extern char driveRoot[kDriveRootSize];

// The root of `path` into dest:
// - a drive letter and a colon: the letter upper-cased, ":\";
// - two leading backslashes: the path up to and including its fourth
//   backslash, or the whole path with a backslash added when it has fewer;
// - anything else (a relative path, or one rooted without a drive): empty,
//   which the disk-space check takes as the current folder's drive.
// A root longer than the destination is cut; dest is always terminated.
void driveRootOf(const char* path, char* dest, std::size_t size);

// driveRoot from installDir.
void getDriveRoot();

}  // namespace setup

#endif
