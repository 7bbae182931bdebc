// Comparing paths as Windows reads them, for the uninstaller's decisions:
// which log the registry names, which uninstall entry runs this program on
// this log and which entry is the uninstaller's own file. Pure code.
#ifndef UNINSTALLER_REMOVAL_PATH_MATCH_H
#define UNINSTALLER_REMOVAL_PATH_MATCH_H

#include <cstddef>

#include "engine/removal/removal_limits.h"

namespace uninstaller {

// True when both are full paths that name the same place once normalised
// (setup::normalizeFullPath): "/" and "\", "." and "..", trailing dots,
// blanks and backslashes, and the case of ASCII letters do not matter.
bool sameFullPath(const char* a, const char* b);

// True when an uninstall entry's command line runs `program` on `logPath`:
// the program's path, a blank and the log's path, either of them possibly
// quoted; a path may hold blanks itself.
bool matchesUninstallCommand(const char* commandLine, const char* program, const char* logPath);

// How many levels `path` lies below `folder` (1: directly inside it), or 0
// when it does not lie below it. The name of the level just below `folder`
// on the way to `path` goes to `childName` (of `childSize` bytes).
unsigned levelsBelow(const char* path, const char* folder, char* childName, std::size_t childSize);

// The install-folder rule both programs apply (engine/removal/removal_limits.h).
using setup::isUsableInstallFolder;

}  // namespace uninstaller

#endif
