// What the setup program's removal by log and the uninstaller share: reading
// a log file from disk, bounded, and removing what one entry records with
// word of whether it is gone. Nothing here allocates or shows a window.
#ifndef ENGINE_REMOVAL_LOG_REMOVAL_H
#define ENGINE_REMOVAL_LOG_REMOVAL_H

#include <cstddef>
#include <cstdint>

#include "engine/log/uninstall_log.h"
#include "engine/removal/registry_limits.h"

namespace setup {

enum class LogFileRead {
    ok,
    notFound,  // the file cannot be opened
    corrupt,   // larger than a whole section, empty, or not read whole
};

// Reads the whole log file at `path` into `buffer` (kMaxLogFileSize bytes)
// and sets `size`. A file larger than a whole section is no log of ours and
// is not read.
LogFileRead readLogFile(const char* path, std::uint8_t* buffer, std::size_t& size);

// Deletes the file and tells the shell. True when no file is left at the
// path: deleted, or not there in the first place.
bool removeLoggedFile(const char* path);

// Removes the folder if it is empty and tells the shell. True when no
// folder is left at the path.
bool removeLoggedFolder(const char* path);

// How far deleteRegistryKeyPath reaches at the key itself. Parents are
// always deleted only once they have no sub-keys left.
enum class KeyScope {
    asSystemAllows,      // one delete call: Windows NT refuses a key with sub-keys, 9x takes them
    withoutSubKeys,      // only a key that has no sub-keys
    withEverythingBelow, // every sub-key first, deepest first
};

// Asked before each key a removal deletes, the key itself or a parent on
// the way up: false keeps it and ends the walk. Told afterwards whether
// the key went.
class KeyDeletionGuard {
public:
    virtual bool mayDelete(std::uint32_t root, const char* keyPath) = 0;
    virtual void deleteEnded(bool deleted) = 0;

protected:
    ~KeyDeletionGuard() = default;
};

struct KeyRemoval {
    KeyScope scope = KeyScope::asSystemAllows;
    // Never delete a key that isSystemRegistryKey names, neither the key
    // itself nor a parent on the way up.
    bool keepSystemKeys = false;
    KeyDeletionGuard* guard = nullptr;
    // When set, the walk up deletes only the parents these keys name: it
    // never goes above the keys the product made.
    const OwnKeys* parentsWithin = nullptr;
};

// Deletes the key (root: the stored handle value) as `how` says, then every
// parent up to the top-level key that is left without sub-keys, whatever
// values it holds, as far as `how` lets it; stops at the first registry call
// that fails. A path of
// 260 characters or more is passed over. True when the key itself is gone
// afterwards (deleted, or not there).
bool deleteRegistryKeyPath(std::uint32_t root, const char* keyPath, KeyRemoval how = {});

// True when the key exists: it opens, or fails to open for another reason
// than being missing.
bool registryKeyExists(std::uint32_t root, const char* keyPath);

// Removes one entry the way the setup program does (a key as `how` says,
// by default as the system allows, with its empty parents). True when it is
// gone.
bool removeLogEntry(const LogItem& item, KeyRemoval how = {});

}  // namespace setup

#endif
