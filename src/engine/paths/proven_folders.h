// The folders a run has proven to be what their paths say: every level a
// real folder, no link on the way, and the place the system resolves each
// one to. A removal walks thousands of files in a few dozen folders, so each
// folder is checked once and remembered here. The run forgets everything
// whenever it removes or makes a folder itself. Fixed room, no allocation;
// pure code.
#ifndef ENGINE_PATHS_PROVEN_FOLDERS_H
#define ENGINE_PATHS_PROVEN_FOLDERS_H

#include <cstddef>

#include "format/package_format.h"

namespace setup {

class ProvenFolders {
public:
    static constexpr std::size_t kCapacity = 32;

    // The resolved place of a proven folder (no closing backslash but on a
    // root), or nullptr when `folder` is not remembered. Case of the ASCII
    // letters aside, as Windows compares.
    const char* find(const char* folder) const;

    // Remembers `folder` as resolving to `resolved`; when full, the oldest
    // goes. A path that does not fit is not remembered.
    void remember(const char* folder, const char* resolved);

    void forget() {
        count_ = 0;
        next_ = 0;
    }
    std::size_t size() const { return count_; }

private:
    struct Entry {
        char folder[fmt::kMaxPath];
        char resolved[fmt::kMaxPath];
    };
    Entry entries_[kCapacity];
    std::size_t count_ = 0;
    std::size_t next_ = 0;  // the slot to take when full
};

// True when `resolved`, the place the system names for an item, is the
// place `resolvedParent` (its folder's) with `name` below it, case of the
// ASCII letters aside: no link was followed between the folder and the item.
bool resolvesBelow(const char* resolved, const char* resolvedParent, const char* name);

// Splits `path` at its last backslash into the folder (without the
// backslash, but "X:\" or "\\server\share\" whole for a root) and the name.
// False when there is no folder part above a name, or it does not fit.
bool splitLastLevel(const char* path, char (&folder)[fmt::kMaxPath], const char*& name);

}  // namespace setup

#endif
