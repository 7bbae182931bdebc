#include "engine/undo/backup_names.h"

#include <cstring>

#include "base/bounded_text.h"
#include "engine/paths/path_rules.h"

namespace setup {

namespace {

// A backup file's name: eight hex digits.
constexpr std::size_t kBackupFileNameLength = 8;

}  // namespace

bool backupFolderPath(const char* root, std::uint32_t tag, char* out, std::size_t size) {
    const std::size_t length = std::strlen(root);
    if (length == 0 || root[length - 1] != '\\') return false;
    if (!formatBounded(out, size, "%s%s%08X\\", root, kBackupFolderPrefix, static_cast<unsigned>(tag)))
        return false;
    return std::strlen(out) + kBackupFileNameLength < size;
}

bool backupFilePath(const char* folder, std::uint32_t number, char* out, std::size_t size) {
    return formatBounded(out, size, "%s%08X", folder, static_cast<unsigned>(number));
}

std::size_t pathRootLength(const char* path) {
    const bool drive = path[0] != '\0' && path[1] == ':' && path[2] == '\\';
    const bool network = path[0] == '\\' && path[1] == '\\';
    if (!drive && !network) return 0;
    const std::size_t start = folderCreationStart(path);
    return start > 0 && path[start - 1] == '\\' ? start : 0;
}

}  // namespace setup
