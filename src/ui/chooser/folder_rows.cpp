#include "ui/chooser/folder_rows.h"

#include <cstring>

#include "base/bounded_text.h"

namespace setup {

namespace {

constexpr std::size_t kPathSize = fmt::kMaxPath;

// Collects the sub-folders of one folder as rows of one depth.
class ChildRows final : public SubfolderVisitor {
public:
    ChildRows(FolderListSource& source, const char* folder, std::uint32_t depth)
        : source_(source), folder_(folder), depth_(depth) {}

    void subfolder(const char* name) override {
        char path[kPathSize];
        if (childFolderPath(path, sizeof path, folder_, name))
            source_.addRow(depth_, path, FolderIcon::closed);
    }

private:
    FolderListSource& source_;
    const char* folder_;
    std::uint32_t depth_;
};

}  // namespace

void formatDirListKey(char* dest, std::size_t size, std::uint32_t depth, const char* displayName) {
    char name[kDisplayNameSize];
    copyBounded(name, displayName);
    formatBounded(dest, size, "%08X %s", static_cast<unsigned>(depth), name);
}

void fillFolderRows(const char* typed, const char* root, FolderListSource& source) {
    const std::size_t rootLength = ::strnlen(root, kPathSize);
    if (rootLength == 0 || rootLength >= kPathSize) return;
    source.addRow(0, root, FolderIcon::open);

    // The folder being listed, without its closing backslash ("C:" for "C:\").
    char current[kPathSize];
    std::memcpy(current, root, rootLength - 1);
    current[rootLength - 1] = '\0';
    std::uint32_t depth = 1;

    const std::size_t typedLength = ::strnlen(typed, kPathSize);
    std::size_t start = rootLength < typedLength ? rootLength : typedLength;
    while (start < typedLength) {
        std::size_t end = start;
        while (end < typedLength && typed[end] != '\\') ++end;
        if (end > start) {
            // The prefix ending with this component, and its row's path with
            // the backslash; a longer prefix would not fit either.
            if (end + 2 > kPathSize) break;
            char prefix[kPathSize];
            std::memcpy(prefix, typed, end);
            prefix[end] = '\0';
            if (source.isFolder(prefix)) {
                copyBounded(current, prefix);
                prefix[end] = '\\';
                prefix[end + 1] = '\0';
                source.addRow(depth, prefix, FolderIcon::open);
                ++depth;
            }
        }
        start = end + 1;
    }

    char pattern[kPathSize];
    if (!formatBounded(pattern, sizeof pattern, "%s\\*.*", current)) return;
    ChildRows children(source, current, depth);
    source.forEachSubfolder(pattern, children);
}

bool childFolderPath(char* dest, std::size_t size, const char* folder, const char* name) {
    if (formatBounded(dest, size, "%s\\%s\\", folder, name)) return true;
    if (size > 0) dest[0] = '\0';
    return false;
}

int driveLetterIndex(char letter) {
    if (letter >= 'A' && letter <= 'Z') return letter - 'A';
    if (letter >= 'a' && letter <= 'z') return letter - 'a';
    return -1;
}

int driveIndexOfPath(const char* text) {
    if (text[0] == '\0' || text[1] != ':') return -1;
    return driveLetterIndex(text[0]);
}

}  // namespace setup
