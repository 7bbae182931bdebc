// The system's folders that bound a removal by a log read from disk, as
// both programs read them: the Windows and system folders, the Program
// Files folder and the user's shell folders.
#ifndef ENGINE_REMOVAL_REMOVAL_PLACES_H
#define ENGINE_REMOVAL_REMOVAL_PLACES_H

#include "engine/removal/removal_limits.h"
#include "format/package_format.h"

namespace setup {

struct RemovalPlaces {
    char windows[fmt::kMaxPath] = {};
    char system[fmt::kMaxPath] = {};
    char programFiles[fmt::kMaxPath] = {};
    char desktop[fmt::kMaxPath] = {};
    char programs[fmt::kMaxPath] = {};

    // False when the Windows, system, Desktop or Programs folder has no
    // spelling in the code page (engine/paths/system_folders.h): the places
    // then bound nothing, and no folder is usable.
    bool complete = false;

    // Reads them all; a folder the system does not name stays empty.
    RemovalPlaces();

    // True when `installFolder` may be installed into and removed from
    // (isUsableInstallFolder with this system's folders), and the places
    // are complete.
    bool usableInstallFolder(const char* installFolder) const;

    // The limits of a log from disk whose product lies in `installFolder`:
    // only shortcuts in the shell folders, parents bounded by these folders.
    RemovalLimits limitsFor(const char* installFolder) const;
};

}  // namespace setup

#endif
