// Which registry keys a log may remove. A log names keys, and the removal
// deletes a flag-1 key with everything below it and walks up the parents
// it leaves empty: an edited log, or a walk up from a key of the product,
// could take another program's keys. The product itself says which keys
// are its own: the keys of its description (the product key, the keys of
// its registry-value and remove-key actions, its uninstall entry), and the
// parents of those that the setup program found missing and made, which
// it logs with flag 2. Pure code.
#ifndef ENGINE_REMOVAL_REGISTRY_LIMITS_H
#define ENGINE_REMOVAL_REGISTRY_LIMITS_H

#include <cstddef>
#include <cstdint>

#include "engine/log/uninstall_log.h"

namespace setup {

// A key as a log stores it: the root's handle value and the path below it.
struct ProductKey {
    std::uint32_t root;
    const char* path;
};

struct RegistryLimits {
    const ProductKey* keys;  // the keys the product names
    std::size_t count;
    // A log whose digest matched: its flag-2 entries (parents the setup
    // program made) are believed when they lie above a key of the product.
    bool trustMadeParents;
};

enum class KeyVerdict {
    named,       // the key of the product or a key below it
    madeParent,  // a flag-2 parent of one, in a trusted log
    outside,     // anything else: not removed
};

// Judges a key entry of a log. Levels compare by their ASCII letters
// without case, as the registry does; a path with an empty, "." or ".."
// level, or a root other than the two the program records, is outside.
KeyVerdict judgeLoggedKey(std::uint32_t root, const char* path, std::uint8_t flag,
                          const RegistryLimits& limits);

// Keeps, in order, the key entries of `items` that judgeLoggedKey lets in;
// returns how many are left. `refused` is told of each one that goes.
class RefusedKeyNotice {
public:
    virtual void refused(const LogItem& item) = 0;

protected:
    ~RefusedKeyNotice() = default;
};
std::size_t keepKeysWithinLimits(LogItem* items, std::size_t count, const RegistryLimits& limits,
                                 RefusedKeyNotice* refused = nullptr);

// The keys a removal may take on its walk up the emptied parents: only
// those the log records itself and that were let in. The walk never goes
// above them.
struct OwnKeys {
    const LogItem* items;
    std::size_t count;
};
bool isOwnKey(std::uint32_t root, const char* path, const OwnKeys& own);

}  // namespace setup

#endif
