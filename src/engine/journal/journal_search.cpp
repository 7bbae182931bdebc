#include "engine/journal/journal_search.h"

#include <cstring>

#include "base/bounded_text.h"
#include "engine/journal/journal_format.h"
#include "engine/journal/journal_trust.h"
#include "engine/log/run_log.h"
#include "engine/paths/path_rules.h"
#include "engine/undo/backup_names.h"

namespace setup {

namespace {

// The user running the program, as the system names it; empty on the 9x family.
std::size_t currentUser(std::uint8_t (&sid)[SECURITY_MAX_SID_SIZE]) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return 0;
    alignas(8) std::uint8_t buffer[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    const bool got = GetTokenInformation(token, TokenUser, buffer, sizeof buffer, &size);
    CloseHandle(token);
    if (!got) return 0;
    const auto* user = reinterpret_cast<const TOKEN_USER*>(buffer);
    const auto* bytes = static_cast<const std::uint8_t*>(user->User.Sid);
    const std::size_t available = sizeof buffer - static_cast<std::size_t>(bytes - buffer);
    const std::size_t length = sidLength(bytes, available < sizeof sid ? available : sizeof sid);
    std::memcpy(sid, bytes, length);
    return length;
}

// Only a folder that nobody else can write vouches for the journal in it.
bool folderTrusted(const char* folder) {
    alignas(8) std::uint8_t descriptor[4096];
    DWORD needed = 0;
    if (!GetFileSecurityA(folder, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION, descriptor,
                          sizeof descriptor, &needed)) {
        // The 9x family keeps no security: every user there is the administrator.
        return GetLastError() == ERROR_CALL_NOT_IMPLEMENTED;
    }
    std::uint8_t user[SECURITY_MAX_SID_SIZE] = {};
    const std::size_t userSize = currentUser(user);
    const FolderTrust trust =
        judgeFolderSecurity(descriptor, needed != 0 && needed < sizeof descriptor ? needed : sizeof descriptor,
                            userSize != 0 ? user : nullptr, userSize);
    if (trust != FolderTrust::trusted) logRunLine("%s is passed over: others can write it", folder);
    return trust == FolderTrust::trusted;
}

// True while the run that wrote the journal still runs. A process id the
// system has given to another process since reads as running: the journal
// then waits for a later start.
bool processRuns(std::uint32_t processId) {
    if (processId == GetCurrentProcessId()) return false;
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, processId);
    if (process == nullptr) return false;
    const bool runs = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
    CloseHandle(process);
    return runs;
}

}  // namespace

HANDLE openJournal(const char* folder, std::uint32_t& size) {
    char path[fmt::kMaxPath];
    if (!formatBounded(path, sizeof path, "%s%s", folder, kJournalFileName)) return INVALID_HANDLE_VALUE;
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) return file;
    BY_HANDLE_FILE_INFORMATION information;
    if (!GetFileInformationByHandle(file, &information) ||
        (information.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
        information.nFileSizeHigh != 0 || information.nFileSizeLow > kMaxJournalSize) {
        CloseHandle(file);
        return INVALID_HANDLE_VALUE;
    }
    size = information.nFileSizeLow;
    return file;
}


namespace {

// Whether the journal in `folder` begins as a run of `productName` writes
// it, and its process has ended.
bool journalOfKilledRun(const char* folder, const char* productName) {
    std::uint32_t size = 0;
    HANDLE file = openJournal(folder, size);
    if (file == INVALID_HANDLE_VALUE) return false;
    alignas(4) std::uint8_t start[sizeof(JournalStartHead) + kMaxJournalProductName];
    JournalRecordHead head;
    DWORD got = 0;
    bool ours = false;
    if (ReadFile(file, &head, sizeof head, &got, nullptr) && got == sizeof head &&
        checkJournalHead(head, size - sizeof head) == JournalHeadCheck::ok && head.size <= sizeof start &&
        ReadFile(file, start, head.size, &got, nullptr) && got == head.size) {
        JournalItem item;
        ours = checkJournalPayload(head, start, item) && item.type == JournalType::start &&
               (productName == nullptr || (std::strlen(productName) == item.nameLength &&
                                           std::memcmp(productName, item.productName, item.nameLength) == 0)) &&
               !processRuns(item.processId);
    }
    CloseHandle(file);
    return ours;
}

}  // namespace

bool journalNamesPlace(const char* folder, const char* place) {
    std::uint32_t left = 0;
    HANDLE file = openJournal(folder, left);
    if (file == INVALID_HANDLE_VALUE) return false;
    char wanted[fmt::kMaxPath];
    copyBounded(wanted, place);
    const std::size_t length = std::strlen(wanted);
    if (length > 0 && wanted[length - 1] == '\\') wanted[length - 1] = '\0';
    bool named = false;
    alignas(4) std::uint8_t payload[kMaxJournalText + 8];
    JournalRecordHead head;
    DWORD got = 0;
    // Only the places are read; every other payload is passed over.
    while (!named && left >= sizeof head && ReadFile(file, &head, sizeof head, &got, nullptr) && got == sizeof head) {
        left -= sizeof head;
        if (checkJournalHead(head, left) != JournalHeadCheck::ok) break;
        left -= head.size;
        if (head.type != static_cast<std::uint8_t>(JournalType::place) || head.size > sizeof payload) {
            if (SetFilePointer(file, static_cast<LONG>(head.size), nullptr, FILE_CURRENT) == INVALID_SET_FILE_POINTER)
                break;
            continue;
        }
        JournalItem item;
        if (!ReadFile(file, payload, head.size, &got, nullptr) || got != head.size ||
            !checkJournalPayload(head, payload, item))
            break;
        char found[fmt::kMaxPath];
        copyBounded(found, item.text);
        const std::size_t foundLength = std::strlen(found);
        if (foundLength > 0 && found[foundLength - 1] == '\\') found[foundLength - 1] = '\0';
        named = samePlace(found, wanted);
    }
    CloseHandle(file);
    return named;
}

std::size_t findInterruptedJournals(const char* productName, char (*folders)[fmt::kMaxPath],
                                    std::size_t capacity) {
    char windows[fmt::kMaxPath] = {};
    GetWindowsDirectoryA(windows, sizeof windows);
    const std::size_t rootLength = pathRootLength(windows);
    char root[fmt::kMaxPath], pattern[fmt::kMaxPath];
    if (rootLength == 0 || rootLength >= sizeof root) return 0;
    std::memcpy(root, windows, rootLength);
    root[rootLength] = '\0';
    if (!formatBounded(pattern, sizeof pattern, "%s%s*", root, kBackupFolderPrefix)) return 0;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    std::size_t count = 0;
    do {
        const DWORD attributes = found.dwFileAttributes;
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
            std::strlen(found.cFileName) != sizeof kBackupFolderPrefix - 1 + 8)
            continue;
        char folder[fmt::kMaxPath];
        if (!formatBounded(folder, sizeof folder, "%s%s", root, found.cFileName)) continue;
        if (!folderTrusted(folder) || !appendBounded(folder, "\\") || !journalOfKilledRun(folder, productName))
            continue;
        copyBounded(folders[count++], folder);
    } while (count < capacity && FindNextFileA(search, &found));
    FindClose(search);
    return count;
}

}  // namespace setup
