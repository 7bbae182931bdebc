#include "engine/removal/registry_limits.h"

#include <cstring>

#include "format/package_format.h"

namespace setup {

namespace {

char foldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameKeyText(const char* a, const char* b, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i)
        if (foldAscii(a[i]) != foldAscii(b[i])) return false;
    return true;
}

// No empty level, and none the registry would take for another key.
bool isPlainKeyPath(const char* path) {
    const char* level = path;
    for (;;) {
        const char* end = std::strchr(level, '\\');
        const std::size_t length = end != nullptr ? static_cast<std::size_t>(end - level) : std::strlen(level);
        if (length == 0) return false;
        if (level[0] == '.' && (length == 1 || (length == 2 && level[1] == '.'))) return false;
        if (end == nullptr) return true;
        level = end + 1;
    }
}

// True when `path` is `key` or lies below it (at a level boundary).
bool isAtOrBelow(const char* path, const char* key) {
    const std::size_t keyLength = std::strlen(key);
    const std::size_t length = std::strlen(path);
    if (length < keyLength || !sameKeyText(path, key, keyLength)) return false;
    return length == keyLength || path[keyLength] == '\\';
}

bool isRecordedRoot(std::uint32_t root) {
    return root == fmt::kRootLocalMachine || root == fmt::kRootCurrentUser;
}

}  // namespace

KeyVerdict judgeLoggedKey(std::uint32_t root, const char* path, std::uint8_t flag,
                          const RegistryLimits& limits) {
    if (!isRecordedRoot(root) || !isPlainKeyPath(path)) return KeyVerdict::outside;
    bool above = false;
    for (std::size_t i = 0; i < limits.count; ++i) {
        const ProductKey& key = limits.keys[i];
        if (key.root != root || key.path[0] == '\0' || !isPlainKeyPath(key.path)) continue;
        if (isAtOrBelow(path, key.path)) return KeyVerdict::named;
        if (isAtOrBelow(key.path, path)) above = true;
    }
    if (above && flag == kLogFlagMadeParent && limits.trustMadeParents) return KeyVerdict::madeParent;
    return KeyVerdict::outside;
}

std::size_t keepKeysWithinLimits(LogItem* items, std::size_t count, const RegistryLimits& limits,
                                 RefusedKeyNotice* refused) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const LogItem& item = items[i];
        if (item.kind == fmt::kLogRegistryKey &&
            judgeLoggedKey(item.value, item.text, item.flag, limits) != KeyVerdict::outside) {
            items[kept++] = item;
        } else if (refused != nullptr) {
            refused->refused(item);
        }
    }
    return kept;
}

bool isOwnKey(std::uint32_t root, const char* path, const OwnKeys& own) {
    const std::size_t length = std::strlen(path);
    for (std::size_t i = 0; i < own.count; ++i) {
        const LogItem& item = own.items[i];
        if (item.kind == fmt::kLogRegistryKey && item.value == root && item.length == length &&
            sameKeyText(item.text, path, length))
            return true;
    }
    return false;
}

}  // namespace setup
