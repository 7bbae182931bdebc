#include "engine/paths/system_folders.h"

#include <cstring>
#include <initializer_list>

#include "base/bounded_text.h"
#include "engine/system/registry.h"
#include "engine/system/shell_folders.h"

namespace setup {

static_assert(sizeof(WCHAR) == sizeof(WideChar));

namespace {

const WCHAR* asWin32(const WideChar* text) { return reinterpret_cast<const WCHAR*>(text); }
WCHAR* asWin32(WideChar* text) { return reinterpret_cast<WCHAR*>(text); }

// The wide answer of a call that fills a buffer and returns the length (0
// on failure, the size needed when it does not fit); false when there is
// none, so that the 8-bit call answers instead.
template <typename Call>
bool wideAnswer(Call call, WideChar (&wide)[kWidePathSize]) {
    const DWORD length = call(kWidePathSize, asWin32(wide));
    if (length == 0 || length >= kWidePathSize) return false;
    wide[length] = 0;
    return true;
}

using PathFunction = DWORD(WINAPI*)(DWORD, LPWSTR);
using DirectoryFunction = UINT(WINAPI*)(LPWSTR, UINT);

// The wide form of the folder; false where the system gives none.
bool wideSystemFolder(SystemFolder which, WideChar (&wide)[kWidePathSize]) {
    switch (which) {
    case SystemFolder::temporary: {
        static const auto call = wideKernelFunction<PathFunction>("GetTempPathW");
        return call != nullptr && wideAnswer([](DWORD n, LPWSTR out) { return call(n, out); }, wide);
    }
    case SystemFolder::windows: {
        static const auto call = wideKernelFunction<DirectoryFunction>("GetWindowsDirectoryW");
        return call != nullptr &&
               wideAnswer([](DWORD n, LPWSTR out) -> DWORD { return call(out, n); }, wide);
    }
    case SystemFolder::system: {
        static const auto call = wideKernelFunction<DirectoryFunction>("GetSystemDirectoryW");
        return call != nullptr &&
               wideAnswer([](DWORD n, LPWSTR out) -> DWORD { return call(out, n); }, wide);
    }
    }
    return false;
}

// The 8-bit form, exact on a system without wide calls.
bool narrowSystemFolder(SystemFolder which, char (&folder)[fmt::kMaxPath]) {
    DWORD length = 0;
    switch (which) {
    case SystemFolder::temporary: length = GetTempPathA(sizeof folder, folder); break;
    case SystemFolder::windows: length = GetWindowsDirectoryA(folder, sizeof folder); break;
    case SystemFolder::system: length = GetSystemDirectoryA(folder, sizeof folder); break;
    }
    if (length == 0 || length >= sizeof folder) {
        folder[0] = '\0';
        return false;
    }
    return true;
}

bool spelt(const WideChar* wide, char* dest, std::size_t size) {
    SystemCodePage codePage;
    SystemShortNames shortNames;
    return spellSystemName(wide, codePage, shortNames, dest, size) != Spelling::none;
}

// A registry string in its wide form; false when the key or value is
// missing, not a string, or the system has no wide registry calls.
bool wideRegistryString(HKEY root, const char* keyPath, const char* valueName,
                        WideChar (&wide)[kWidePathSize]) {
    WCHAR widePath[fmt::kMaxPath], wideName[fmt::kMaxPath];
    if (MultiByteToWideChar(CP_ACP, 0, keyPath, -1, widePath, fmt::kMaxPath) == 0 ||
        MultiByteToWideChar(CP_ACP, 0, valueName, -1, wideName, fmt::kMaxPath) == 0)
        return false;
    HKEY key;
    if (RegOpenKeyExW(root, widePath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) return false;
    DWORD type = 0;
    DWORD bytes = sizeof wide - sizeof(WideChar);  // room for a terminator it lacks
    const LONG status =
        RegQueryValueExW(key, wideName, nullptr, &type, reinterpret_cast<BYTE*>(wide), &bytes);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) return false;
    wide[bytes / sizeof(WideChar)] = 0;
    return true;
}

// `wide` with "?" for what the code page lacks, for a message.
void showWithMarks(const WideChar* wide, char* shown, std::size_t size) {
    if (size == 0) return;
    const int length = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, asWin32(wide), -1, shown,
                                           static_cast<int>(size), "?", nullptr);
    if (length == 0 &&
        WideCharToMultiByte(CP_ACP, 0, asWin32(wide), -1, shown, static_cast<int>(size), nullptr,
                            nullptr) == 0)
        shown[0] = '\0';
    shown[size - 1] = '\0';
}

}  // namespace

std::size_t SystemCodePage::fromWide(const WideChar* wide, std::size_t length, char* out,
                                     std::size_t size, bool& usedDefault) {
    BOOL defaulted = FALSE;
    int written = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, asWin32(wide),
                                      static_cast<int>(length), out, static_cast<int>(size), nullptr,
                                      &defaulted);
    // A UTF-8 code page takes neither the flag nor the question; the round
    // trip of spellExactly still proves the result.
    if (written == 0 && GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        defaulted = FALSE;
        written = WideCharToMultiByte(CP_ACP, 0, asWin32(wide), static_cast<int>(length), out,
                                      static_cast<int>(size), nullptr, nullptr);
    }
    usedDefault = defaulted != FALSE;
    return written > 0 ? static_cast<std::size_t>(written) : 0;
}

std::size_t SystemCodePage::toWide(const char* text, std::size_t length, WideChar* out,
                                   std::size_t size) {
    const int written = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text, static_cast<int>(length),
                                            asWin32(out), static_cast<int>(size));
    return written > 0 ? static_cast<std::size_t>(written) : 0;
}

bool SystemShortNames::shortForm(const WideChar* path, WideChar* out, std::size_t size) {
    using ShortPathFunction = DWORD(WINAPI*)(LPCWSTR, LPWSTR, DWORD);
    using AttributesFunction = DWORD(WINAPI*)(LPCWSTR);
    static const auto shortPath = wideKernelFunction<ShortPathFunction>("GetShortPathNameW");
    static const auto attributes = wideKernelFunction<AttributesFunction>("GetFileAttributesW");
    if (shortPath == nullptr || attributes == nullptr) return false;
    const DWORD found = attributes(asWin32(path));
    if (found == INVALID_FILE_ATTRIBUTES) return false;
    if (foldersOnly_ && !(found & FILE_ATTRIBUTE_DIRECTORY)) return false;
    const DWORD length = shortPath(asWin32(path), asWin32(out), static_cast<DWORD>(size));
    if (length == 0 || length >= size) return false;
    out[length] = 0;
    return true;
}

bool readSystemFolder(SystemFolder which, char (&folder)[fmt::kMaxPath]) {
    WideChar wide[kWidePathSize];
    if (!wideSystemFolder(which, wide)) return narrowSystemFolder(which, folder);
    return spelt(wide, folder, sizeof folder);
}

bool readProgramPath(char (&path)[fmt::kMaxPath]) {
    using ModuleFunction = DWORD(WINAPI*)(HMODULE, LPWSTR, DWORD);
    static const auto wideModule = wideKernelFunction<ModuleFunction>("GetModuleFileNameW");
    WideChar wide[kWidePathSize];
    if (wideModule != nullptr &&
        wideAnswer([](DWORD n, LPWSTR out) { return wideModule(nullptr, out, n); }, wide))
        return spelt(wide, path, sizeof path);
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path) {
        path[0] = '\0';
        return false;
    }
    return true;
}

bool readRegistryFolder(HKEY root, const char* keyPath, const char* valueName, const char* fallback,
                        char* dest, std::size_t size) {
    WideChar wide[kWidePathSize];
    if (wideRegistryString(root, keyPath, valueName, wide)) return spelt(wide, dest, size);
    // Missing, not a string, or a system without wide calls: the 8-bit
    // read gives the same value, exact there, or the fallback.
    readRegistryString(dest, static_cast<std::uint32_t>(size), root, keyPath, valueName, fallback);
    return true;
}

bool findUnspellableFolder(char* shown, std::size_t size) {
    char spelling[fmt::kMaxPath];
    WideChar wide[kWidePathSize];
    for (SystemFolder which : {SystemFolder::temporary, SystemFolder::windows, SystemFolder::system}) {
        if (wideSystemFolder(which, wide) && !spelt(wide, spelling, sizeof spelling)) {
            showWithMarks(wide, shown, size);
            return true;
        }
    }
    for (const char* value : {kShellFolderDesktop, kShellFolderPrograms}) {
        if (wideRegistryString(HKEY_CURRENT_USER, kShellFoldersKey, value, wide) &&
            !spelt(wide, spelling, sizeof spelling)) {
            showWithMarks(wide, shown, size);
            return true;
        }
    }
    return false;
}

}  // namespace setup
