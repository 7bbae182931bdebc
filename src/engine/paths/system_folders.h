// The folders both programs take from the system, each spelt in the ANSI
// code page by spellSystemName (engine/paths/system_folder_name.h): exactly,
// or by its short form, never by a best fit. On the 9x family, whose wide
// calls do nothing, the 8-bit answer is exact already and is taken as it is.
// The wide calls that the oldest systems lack are looked up at run time.
#ifndef ENGINE_PATHS_SYSTEM_FOLDERS_H
#define ENGINE_PATHS_SYSTEM_FOLDERS_H

#include <windows.h>

#include <cstddef>

#include "engine/paths/system_folder_name.h"
#include "format/package_format.h"

namespace setup {

// The system's ANSI code page (CP_ACP).
class SystemCodePage final : public AnsiCodePage {
public:
    std::size_t fromWide(const WideChar* wide, std::size_t length, char* out, std::size_t size,
                         bool& usedDefault) override;
    std::size_t toWide(const char* text, std::size_t length, WideChar* out,
                       std::size_t size) override;
};

// GetShortPathNameW, of an existing item; with `foldersOnly`, of an
// existing folder alone.
class SystemShortNames final : public ShortNames {
public:
    explicit SystemShortNames(bool foldersOnly = false) : foldersOnly_(foldersOnly) {}
    bool shortForm(const WideChar* path, WideChar* out, std::size_t size) override;

private:
    bool foldersOnly_;
};

// The system's wide call of that name in kernel32.dll; nullptr where the
// system lacks it.
template <typename Function>
Function wideKernelFunction(const char* name) {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    if (kernel == nullptr) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(kernel, name)));
}

enum class SystemFolder {
    temporary,  // GetTempPath: ends with a backslash
    windows,    // GetWindowsDirectory
    system,     // GetSystemDirectory
};

// The folder, spelt, into `folder`. False, with `folder` empty, when the
// system names none or it has no spelling (Spelling::none).
bool readSystemFolder(SystemFolder which, char (&folder)[fmt::kMaxPath]);

// This program's own file, spelt (GetModuleFileName), into `path`. False,
// with `path` empty, when it has no spelling.
bool readProgramPath(char (&path)[fmt::kMaxPath]);

// A folder that a registry value names (REG_SZ or REG_EXPAND_SZ, taken as
// stored), spelt, into `dest`; `fallback` when the key or value is missing
// or not a string. False, with `dest` empty, when the value has no spelling.
bool readRegistryFolder(HKEY root, const char* keyPath, const char* valueName, const char* fallback,
                        char* dest, std::size_t size);

// The first of the folders both programs need (temporary, Windows, system,
// the user's Desktop and Programs) that has no spelling, written with "?"
// for every character the code page lacks, into `shown`; false when every
// one of them has a spelling.
bool findUnspellableFolder(char* shown, std::size_t size);

}  // namespace setup

#endif
