#include "engine/system/shell_notice.h"

#include <cstring>
#include <iterator>

#include "engine/log/uninstall_log.h"

namespace setup {

namespace {

bool equalsFolded(const char* a, const char* b, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// True when the run made the folder named by the first `length` bytes of `path`.
bool madeByRun(const LogItem* folders, std::size_t count, const char* path, std::size_t length) {
    for (std::size_t i = 0; i < count; ++i)
        if (folders[i].length == length && equalsFolded(folders[i].text, path, length)) return true;
    return false;
}

LogItem itemsOfRun[kMaxLogFileSize / kMinLogEntrySize];

}  // namespace

std::size_t foldersToNotify(const fmt::UninstallSection& section, char (*folders)[fmt::kMaxPath],
                            std::size_t capacity) {
    const auto* bytes = reinterpret_cast<const fmt::u8*>(&section);
    if (checkLog(bytes, sizeof section, LogOrigin::thisRun) != LogCheck::ok) return 0;
    // Folders first, at the front of the array; the entries to place after them.
    const std::size_t madeFolders =
        collectLogEntries(bytes, fmt::kLogFolder, itemsOfRun, std::size(itemsOfRun));
    std::size_t count = 0;
    for (fmt::u8 kind : {fmt::kLogFolder, fmt::kLogFile}) {
        LogItem* items = itemsOfRun + madeFolders;
        const std::size_t room = std::size(itemsOfRun) - madeFolders;
        const std::size_t found = kind == fmt::kLogFolder
                                      ? madeFolders
                                      : collectLogEntries(bytes, kind, items, room);
        const LogItem* list = kind == fmt::kLogFolder ? itemsOfRun : items;
        for (std::size_t i = 0; i < found; ++i) {
            // Climb while the folder above was made by the run.
            std::size_t length = list[i].length;
            do {
                while (length > 0 && list[i].text[length - 1] != '\\') --length;
                if (length == 0) break;
                --length;  // the folder above, without its backslash
            } while (madeByRun(itemsOfRun, madeFolders, list[i].text, length));
            if (length == 0) continue;
            if (list[i].text[length - 1] == ':') ++length;  // a drive's root keeps its backslash
            if (length >= fmt::kMaxPath) continue;
            bool known = false;
            for (std::size_t k = 0; k < count && !known; ++k)
                known = std::strlen(folders[k]) == length && equalsFolded(folders[k], list[i].text, length);
            if (known || count == capacity) continue;
            std::memcpy(folders[count], list[i].text, length);
            folders[count][length] = '\0';
            ++count;
        }
    }
    return count;
}

}  // namespace setup
