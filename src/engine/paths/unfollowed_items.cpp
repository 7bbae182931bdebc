#include "engine/paths/unfollowed_items.h"

#include <windows.h>

#include <cstddef>
#include <cstring>

#include "base/bounded_text.h"
#include "engine/paths/path_rules.h"
#include "engine/paths/proven_folders.h"
#include "engine/undo/backup_names.h"
#include "format/package_format.h"

namespace setup {

namespace {

// The native calls, laid out as ntdll takes them.
struct IoStatus {
    union {
        LONG status;
        void* pointer;
    };
    ULONG_PTR information;
};
struct RenameInformation {
    BOOLEAN replaceIfExists;
    HANDLE rootDirectory;
    ULONG fileNameLength;
    WCHAR fileName[fmt::kMaxPath];
};
struct BasicInformation {
    LARGE_INTEGER created, accessed, written, changed;
    ULONG attributes;
};
constexpr int kFileBasicInformation = 4;
constexpr int kFileRenameInformation = 10;
constexpr int kFileDispositionInformation = 13;

using FinalPathCall = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);
using SetInformationCall = LONG(NTAPI*)(HANDLE, IoStatus*, void*, ULONG, int);
using QueryInformationCall = LONG(NTAPI*)(HANDLE, IoStatus*, void*, ULONG, int);
using StatusToErrorCall = ULONG(NTAPI*)(LONG);
using LongPathCall = DWORD(WINAPI*)(LPCSTR, LPSTR, DWORD);

// What the system offers, looked up once: Windows 9x has none of it (its
// ntdll, where there is one, exports no file calls), Windows before Vista
// has no resolved places.
struct SystemCalls {
    bool windowsNT = false;
    FinalPathCall finalPath = nullptr;
    SetInformationCall setInformation = nullptr;
    QueryInformationCall queryInformation = nullptr;
    StatusToErrorCall statusToError = nullptr;
    LongPathCall longPath = nullptr;
};

const SystemCalls& systemCalls() {
    static SystemCalls calls;
    static bool looked = false;
    if (looked) return calls;
    looked = true;
    // Told by what the system exports, not by the version it reports: a
    // compatibility mode makes an NT system report Windows 9x.
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (ntdll == nullptr) return calls;
    calls.setInformation = reinterpret_cast<SetInformationCall>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "NtSetInformationFile")));
    calls.queryInformation = reinterpret_cast<QueryInformationCall>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQueryInformationFile")));
    calls.statusToError = reinterpret_cast<StatusToErrorCall>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlNtStatusToDosError")));
    if (kernel != nullptr) {
        calls.finalPath = reinterpret_cast<FinalPathCall>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "GetFinalPathNameByHandleA")));
        calls.longPath = reinterpret_cast<LongPathCall>(
            reinterpret_cast<void*>(GetProcAddress(kernel, "GetLongPathNameA")));
    }
    calls.windowsNT = calls.setInformation != nullptr && calls.queryInformation != nullptr &&
                      calls.statusToError != nullptr;
    return calls;
}

ProvenFolders proven;

class Handle {
public:
    Handle() = default;
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { close(); }
    HANDLE& get() { return handle_; }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    void close() {
        if (valid()) CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
    }

private:
    HANDLE handle_ = INVALID_HANDLE_VALUE;
};

ItemOutcome fromLastError() {
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ItemOutcome::missing
                                                                          : ItemOutcome::failed;
}

ItemOutcome fromStatus(LONG status) {
    if (status == 0) return ItemOutcome::done;
    SetLastError(systemCalls().statusToError(status));
    return ItemOutcome::failed;
}

ItemOutcome refused(DWORD error) {
    SetLastError(error);
    return ItemOutcome::failed;
}

// Opens one level of a path without following a reparse point there, and
// refuses it when it is one or not of the kind asked for.
ItemOutcome openLevel(const char* path, bool folder, DWORD access, HANDLE& out) {
    out = CreateFileA(path, access | FILE_READ_ATTRIBUTES | SYNCHRONIZE,
                      FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                      FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (out == INVALID_HANDLE_VALUE) return fromLastError();
    // Only the attributes: GetFileInformationByHandle asks for the volume
    // too, which costs Wine a third of a millisecond a file.
    BasicInformation info{};
    IoStatus io{};
    const ItemOutcome queried =
        fromStatus(systemCalls().queryInformation(out, &io, &info, sizeof info, kFileBasicInformation));
    if (queried != ItemOutcome::done) return queried;
    if (info.attributes & FILE_ATTRIBUTE_REPARSE_POINT) return ItemOutcome::link;
    const bool isFolder = (info.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    // A file where a folder of the path should be: the path leads nowhere.
    if (isFolder != folder) return refused(folder ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED);
    return ItemOutcome::done;
}

bool resolvedPlace(HANDLE handle, char (&place)[fmt::kMaxPath]) {
    const DWORD length = systemCalls().finalPath(handle, place, sizeof place, 0);
    return length != 0 && length < sizeof place;
}

// Checks that the item open at `path` lies where its folder's place and its
// name say, and gives its place. Without resolved places (Windows before
// Vista) the text stands, the reparse checks of every level having passed.
ItemOutcome checkPlace(HANDLE handle, const char* path, const char* parentPlace, const char* name,
                       char (&place)[fmt::kMaxPath]) {
    if (systemCalls().finalPath == nullptr) {
        const std::size_t length = std::strlen(parentPlace);
        const bool atRoot = length > 0 && parentPlace[length - 1] == '\\';
        return formatBounded(place, sizeof place, "%s%s%s", parentPlace, atRoot ? "" : "\\", name)
                   ? ItemOutcome::done
                   : refused(ERROR_FILENAME_EXCED_RANGE);
    }
    if (!resolvedPlace(handle, place)) return ItemOutcome::failed;
    if (resolvesBelow(place, parentPlace, name)) return ItemOutcome::done;
    // A short name ("PROGRA~1") resolves to its long one.
    if (std::strchr(name, '~') != nullptr && systemCalls().longPath != nullptr) {
        char longPath[fmt::kMaxPath];
        char longFolder[fmt::kMaxPath];
        const char* longName = nullptr;
        const DWORD length = systemCalls().longPath(path, longPath, sizeof longPath);
        if (length != 0 && length < sizeof longPath && splitLastLevel(longPath, longFolder, longName) &&
            resolvesBelow(place, parentPlace, longName))
            return ItemOutcome::done;
    }
    return ItemOutcome::link;
}

// Proves every level of `folder`, outermost first, the ones remembered
// aside, and gives the folder's place.
ItemOutcome proveFolder(const char* folder, char (&place)[fmt::kMaxPath]) {
    if (const char* known = proven.find(folder)) {
        copyBounded(place, known);
        return ItemOutcome::done;
    }
    char parent[fmt::kMaxPath];
    const char* name = nullptr;
    Handle level;
    if (!splitLastLevel(folder, parent, name)) {
        // A root: nothing above it to compare with.
        const std::size_t root = pathRootLength(folder);
        if (root == 0 || folder[root] != '\0') return refused(ERROR_BAD_PATHNAME);
        level.get() = CreateFileA(folder, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (!level.valid()) return fromLastError();
        if (systemCalls().finalPath == nullptr) {
            copyBounded(place, folder);
        } else if (!resolvedPlace(level.get(), place)) {
            return ItemOutcome::failed;
        }
        proven.remember(folder, place);
        return ItemOutcome::done;
    }
    char parentPlace[fmt::kMaxPath];
    // One level of recursion per level of the path: at most half its 260 bytes.
    ItemOutcome outcome = proveFolder(parent, parentPlace);
    if (outcome != ItemOutcome::done) return outcome;
    outcome = openLevel(folder, true, 0, level.get());
    if (outcome == ItemOutcome::done) outcome = checkPlace(level.get(), folder, parentPlace, name, place);
    if (outcome == ItemOutcome::done) proven.remember(folder, place);
    return outcome;
}

// Opens the item at `path` with `access` once its folders are proven and it
// lies where its path says.
ItemOutcome openItem(const char* path, bool folder, DWORD access, Handle& item) {
    char parent[fmt::kMaxPath];
    const char* name = nullptr;
    if (!splitLastLevel(path, parent, name)) return refused(ERROR_BAD_PATHNAME);
    char parentPlace[fmt::kMaxPath];
    ItemOutcome outcome = proveFolder(parent, parentPlace);
    if (outcome != ItemOutcome::done) return outcome;
    outcome = openLevel(path, folder, access, item.get());
    char place[fmt::kMaxPath];
    return outcome == ItemOutcome::done ? checkPlace(item.get(), path, parentPlace, name, place) : outcome;
}

ItemOutcome deleteThrough(HANDLE item) {
    BOOLEAN deleteFile = TRUE;
    IoStatus io{};
    return fromStatus(systemCalls().setInformation(item, &io, &deleteFile, sizeof deleteFile,
                                                   kFileDispositionInformation));
}

// Renames the open item to `name` in the open folder.
ItemOutcome renameInto(HANDLE item, HANDLE folder, const char* name, bool replace) {
    RenameInformation rename{};
    rename.replaceIfExists = replace ? TRUE : FALSE;
    rename.rootDirectory = folder;
    const int wide = MultiByteToWideChar(CP_ACP, 0, name, -1, rename.fileName, fmt::kMaxPath);
    if (wide <= 1) return refused(ERROR_FILENAME_EXCED_RANGE);
    rename.fileNameLength = static_cast<ULONG>(wide - 1) * sizeof(WCHAR);
    IoStatus io{};
    return fromStatus(systemCalls().setInformation(item, &io, &rename, sizeof rename, kFileRenameInformation));
}

ItemOutcome byPath(BOOL succeeded) { return succeeded ? ItemOutcome::done : fromLastError(); }

// The folders above a file, made by path where there are no links.
void makeFoldersByPath(const char* path) {
    char folder[fmt::kMaxPath];
    if (!copyBounded(folder, path)) return;
    for (std::size_t p = pathRootLength(folder); folder[p] != '\0'; ++p) {
        if (folder[p] != '\\') continue;
        folder[p] = '\0';
        CreateDirectoryA(folder, nullptr);
        folder[p] = '\\';
    }
}

constexpr DWORD kFolderAccessForRename = FILE_TRAVERSE | FILE_ADD_FILE | FILE_LIST_DIRECTORY;

}  // namespace

ItemOutcome removeFileUnfollowed(const char* path) {
    if (!systemCalls().windowsNT) return byPath(DeleteFileA(path));
    Handle item;
    const ItemOutcome outcome = openItem(path, false, DELETE, item);
    return outcome == ItemOutcome::done ? deleteThrough(item.get()) : outcome;
}

ItemOutcome removeFolderUnfollowed(const char* path) {
    if (!systemCalls().windowsNT) return byPath(RemoveDirectoryA(path));
    Handle item;
    ItemOutcome outcome = openItem(path, true, DELETE, item);
    if (outcome == ItemOutcome::done) outcome = deleteThrough(item.get());
    item.close();
    if (outcome == ItemOutcome::done) forgetProvenFolders();
    return outcome;
}

ItemOutcome moveFileUnfollowed(const char* path, const char* target) {
    // The 9x family's MoveFileExA is a stub that fails: MoveFileA renames there.
    if (!systemCalls().windowsNT) return byPath(MoveFileA(path, target));
    char targetFolder[fmt::kMaxPath];
    const char* targetName = nullptr;
    if (!splitLastLevel(target, targetFolder, targetName)) return refused(ERROR_BAD_PATHNAME);
    Handle item;
    const ItemOutcome outcome = openItem(path, false, DELETE, item);
    if (outcome != ItemOutcome::done) return outcome;
    // The run's own private folder: opened as it is.
    Handle folder;
    folder.get() = CreateFileA(targetFolder, kFolderAccessForRename | SYNCHRONIZE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (!folder.valid()) return ItemOutcome::failed;
    return renameInto(item.get(), folder.get(), targetName, false);
}

// Opens the file with `access` as the probes do, and closes it: nothing changes.
static ItemOutcome probeOpen(const char* path, DWORD access) {
    if (!systemCalls().windowsNT) {
        HANDLE file = CreateFileA(path, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) return fromLastError();
        CloseHandle(file);
        return ItemOutcome::done;
    }
    Handle item;
    return openItem(path, false, access, item);
}

ItemOutcome probeMoveAside(const char* path) { return probeOpen(path, DELETE); }

ItemOutcome probeRemoval(const char* path) { return probeOpen(path, DELETE | FILE_WRITE_DATA); }

ItemOutcome makeFolderUnfollowed(const char* path) {
    if (!systemCalls().windowsNT) {
        char inside[fmt::kMaxPath];
        if (formatBounded(inside, sizeof inside, "%s\\x", path)) makeFoldersByPath(inside);
        return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES ? ItemOutcome::done : fromLastError();
    }
    char place[fmt::kMaxPath];
    ItemOutcome outcome = proveFolder(path, place);
    if (outcome != ItemOutcome::missing) return outcome;
    char parent[fmt::kMaxPath];
    const char* name = nullptr;
    if (!splitLastLevel(path, parent, name)) return outcome;
    // Outermost first: each level is proven before anything is made in it.
    outcome = makeFolderUnfollowed(parent);
    if (outcome != ItemOutcome::done) return outcome;
    if (!CreateDirectoryA(path, nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) return ItemOutcome::failed;
    forgetProvenFolders();
    // Whatever stands there now, made by the run or swapped in since, is checked.
    return proveFolder(path, place);
}

ItemOutcome putBackUnfollowed(const char* source, const char* path) {
    if (!systemCalls().windowsNT) {
        // MoveFileA replaces nothing: what the run left there goes first.
        SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(path);
        BOOL moved = MoveFileA(source, path);
        if (!moved && GetLastError() == ERROR_PATH_NOT_FOUND) {
            makeFoldersByPath(path);
            moved = MoveFileA(source, path);
        }
        return byPath(moved);
    }
    char folderPath[fmt::kMaxPath];
    const char* name = nullptr;
    if (!splitLastLevel(path, folderPath, name)) return refused(ERROR_BAD_PATHNAME);
    ItemOutcome outcome = makeFolderUnfollowed(folderPath);
    if (outcome != ItemOutcome::done) return outcome;
    char place[fmt::kMaxPath];
    outcome = proveFolder(folderPath, place);
    if (outcome != ItemOutcome::done) return outcome;
    // The folder itself, opened now and checked against its proven place:
    // the rename goes into this very folder, wherever it may be moved later.
    Handle folder;
    if (pathRootLength(folderPath) == std::strlen(folderPath)) {
        folder.get() = CreateFileA(folderPath, kFolderAccessForRename | SYNCHRONIZE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (!folder.valid()) return fromLastError();
    } else {
        outcome = openLevel(folderPath, true, kFolderAccessForRename, folder.get());
        if (outcome != ItemOutcome::done) return outcome;
    }
    char now[fmt::kMaxPath];
    if (systemCalls().finalPath != nullptr && (!resolvedPlace(folder.get(), now) || !samePlace(now, place)))
        return ItemOutcome::link;
    Handle item;
    item.get() = CreateFileA(source, DELETE | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                             nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (!item.valid()) return fromLastError();
    return renameInto(item.get(), folder.get(), name, true);
}

void forgetProvenFolders() { proven.forget(); }

const char* outcomeText(ItemOutcome outcome) {
    switch (outcome) {
    case ItemOutcome::done: return "done";
    case ItemOutcome::missing: return "not there";
    case ItemOutcome::link: return "a link on its way: refused";
    case ItemOutcome::failed: return "refused by the system";
    }
    return "";
}

}  // namespace setup
