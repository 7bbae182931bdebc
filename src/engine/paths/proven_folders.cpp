#include "engine/paths/proven_folders.h"

#include <cstring>

#include "base/bounded_text.h"
#include "engine/paths/path_rules.h"
#include "engine/undo/backup_names.h"

namespace setup {

namespace {

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Case-blind prefix test: the length of `prefix` when `text` starts with it, else 0.
std::size_t startsWith(const char* text, const char* prefix) {
    std::size_t i = 0;
    for (; prefix[i] != '\0'; ++i)
        if (lowerAscii(text[i]) != lowerAscii(prefix[i])) return 0;
    return i;
}

}  // namespace

const char* ProvenFolders::find(const char* folder) const {
    for (std::size_t i = 0; i < count_; ++i)
        if (samePlace(entries_[i].folder, folder)) return entries_[i].resolved;
    return nullptr;
}

void ProvenFolders::remember(const char* folder, const char* resolved) {
    if (std::strlen(folder) >= fmt::kMaxPath || std::strlen(resolved) >= fmt::kMaxPath) return;
    std::size_t slot;
    if (count_ < kCapacity) {
        slot = count_++;
    } else {
        slot = next_;
        next_ = (next_ + 1) % kCapacity;
    }
    copyBounded(entries_[slot].folder, folder);
    copyBounded(entries_[slot].resolved, resolved);
}

bool resolvesBelow(const char* resolved, const char* resolvedParent, const char* name) {
    if (name[0] == '\0' || resolvedParent[0] == '\0') return false;
    const std::size_t parentLength = startsWith(resolved, resolvedParent);
    if (parentLength == 0) return false;
    const char* rest = resolved + parentLength;
    // A root ends with its backslash; any other folder is followed by one.
    if (resolvedParent[parentLength - 1] != '\\') {
        if (*rest != '\\') return false;
        ++rest;
    }
    return std::strlen(rest) == std::strlen(name) && startsWith(rest, name) != 0;
}

bool splitLastLevel(const char* path, char (&folder)[fmt::kMaxPath], const char*& name) {
    const std::size_t root = pathRootLength(path);
    const char* last = std::strrchr(path, '\\');
    if (root == 0 || last == nullptr || last[1] == '\0') return false;
    const std::size_t end = static_cast<std::size_t>(last - path);
    if (end + 1 < root) return false;
    // The folder of an item at the root is the root itself, backslash kept.
    const std::size_t length = end + 1 == root ? root : end;
    if (length >= sizeof folder) return false;
    std::memcpy(folder, path, length);
    folder[length] = '\0';
    name = last + 1;
    return true;
}

}  // namespace setup
