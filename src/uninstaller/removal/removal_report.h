// What an uninstall could not remove: files, folders and registry entries,
// collected as the removal goes and shown in the details window. Pure code.
#ifndef UNINSTALLER_REMOVAL_REMOVAL_REPORT_H
#define UNINSTALLER_REMOVAL_REMOVAL_REPORT_H

#include <cstddef>
#include <cstdint>

#include "engine/log/uninstall_log.h"
#include "format/package_format.h"

namespace uninstaller {

struct LeftItem {
    fmt::u8 kind;        // fmt::LogKind
    std::uint32_t root;  // registry entries: the stored root value
    const char* text;    // path, or key path (and value) below the root
};

class RemovalReport {
public:
    // Room for every entry of the largest log and the few registry entries
    // that are not in the log (the uninstall entry, the product's values).
    static constexpr std::size_t kCapacity = setup::kMaxLogFileSize / setup::kMinLogEntrySize + 16;

    // Records something that stays. `text` must outlive the report: a log
    // entry's text, or a text kept with keepText.
    void add(fmt::u8 kind, std::uint32_t root, const char* text);
    // A copy of `text` that lives as long as the report, for registry
    // entries that are not in the log; nullptr once the room is used up.
    const char* keepText(const char* text);
    // Drops the entries of `kind` for which `isGone` says they no longer
    // exist (a key that went with a larger one removed after it).
    void dropGone(fmt::u8 kind, bool (*isGone)(const LeftItem&));

    std::size_t count() const { return count_; }
    std::size_t count(fmt::u8 kind) const;
    const LeftItem& operator[](std::size_t index) const { return items_[index]; }

    // The three lists for the details window, each under its heading (only
    // the lists that hold something), one entry a line ("\r\n" between
    // lines), registry entries after their root's name. False when the text
    // was cut to fit `size` bytes.
    bool formatDetails(const char* filesHeading, const char* foldersHeading, const char* keysHeading,
                       char* out, std::size_t size) const;

private:
    static constexpr std::size_t kKeptTexts = 8;
    static constexpr std::size_t kKeptTextSize = 2 * fmt::kMaxPath;

    LeftItem items_[kCapacity] = {};
    std::size_t count_ = 0;
    char kept_[kKeptTexts][kKeptTextSize] = {};
    std::size_t keptCount_ = 0;
};

// "HKEY_LOCAL_MACHINE" or "HKEY_CURRENT_USER" for a stored root value.
const char* rootName(std::uint32_t root);

}  // namespace uninstaller

#endif
