// Removing an installation by its log, in the setup program's order: files,
// then folders, then registry keys, each group longest path first, and the
// registration last. Every entry that stays goes into the report.
//
// LogEntry.flag, as this program reads it:
//   files and folders  none: a file is deleted, a folder removed when empty;
//   registry keys      1: the product owns the key (its product key, or one
//                         it fills at run time): the key goes with
//                         everything below it;
//                      0: the product wrote into the key: the key goes,
//                         with its values, only when it has no sub-keys.
// Keys that belong to the system or to every program (engine/removal/system_keys.h)
// are never deleted, whatever the flag; one the log names stays, and is
// reported when it holds anything. Nor is a key outside the run's registry
// limits (engine/removal/registry_limits.h): it stays and is reported.
// After a key, each parent left without sub-keys goes too, as long as the
// log names it and it is within the limits (2: a parent the setup program
// made, removed only when it has no sub-keys), never above.
#ifndef UNINSTALLER_REMOVAL_REMOVAL_H
#define UNINSTALLER_REMOVAL_REMOVAL_H

#include "engine/removal/registry_limits.h"
#include "format/package_format.h"
#include "uninstaller/removal/registration.h"
#include "uninstaller/removal/removal_report.h"
#include "uninstaller/removal/self_removal.h"

namespace uninstaller {

// What the removal tells the window that shows it.
class RemovalProgress {
public:
    virtual ~RemovalProgress() = default;
    // A new phase starts; `steps` is the number of steps of the whole run.
    virtual void phase(const char* title, unsigned steps) = 0;
    // One entry (or the registration) is done.
    virtual void step() = 0;
};

struct RemovalRun {
    const fmt::u8* log;               // a log that passed the disk checks
    const char* logPath;
    const char* program;              // this program's own file
    const InstalledProduct* product;
    const char* const* phaseTitles;   // files, folders, registry
    const setup::RegistryLimits* keyLimits;  // the keys the log may remove
};

// Removes everything the log records and the product's registration; the
// uninstaller's own file and the folders that hold only it are left to
// `self`. Never allocates.
void removeInstallation(const RemovalRun& run, RemovalProgress& progress, SelfRemoval& self,
                        RemovalReport& report);

// The decision for one key entry of the log: true when it is gone
// afterwards (deleted, or never there).
bool removeLoggedKey(std::uint32_t root, const char* keyPath, fmt::u8 flag,
                     const setup::OwnKeys* parentsWithin = nullptr);

}  // namespace uninstaller

#endif
