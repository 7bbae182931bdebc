#include "engine/system/shortcuts.h"

#include <windows.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include <cstring>

#include "base/bounded_text.h"
#include "base/fault_injection.h"
#include "base/process_state.h"
#include "engine/extract/output_file.h"
#include "engine/failure/failure.h"
#include "engine/journal/run_journal.h"
#include "engine/log/uninstall_log_entries.h"
#include "engine/system/registry.h"
#include "engine/undo/file_backups.h"
#include "format/package_format.h"

namespace setup {

namespace {

// The shortcut's file name is built in currentPath, where
// createPathDirectories expects it. A text that would be cut is refused:
// a cut name or target would make a different shortcut than configured.
void createShortcutBelow(ShellFolder folder, const char* program, const char* name,
                         const char* arguments) {
    // A folder without a spelling gets no shortcut rather than one in a
    // best fit of its name, which is nobody's folder.
    if (!readShellFolder(folder, currentPath, sizeof currentPath)) return;
    const std::size_t folderLength = std::strlen(currentPath);
    if (!formatBounded(currentPath + folderLength, sizeof currentPath - folderLength, "\\%s.lnk",
                       name)) {
        currentPath[folderLength] = '\0';
        return;
    }
    char target[fmt::kMaxPath];
    if (!formatBounded(target, sizeof target, "%s%s", installDir, program)) return;

    createPathDirectories();
    createShellLink(currentPath, target, arguments, installDir);
}

// The shell's class and interfaces defined here: the import library that
// holds them would bring its every identifier, some 40 KB, into the program.
constexpr CLSID kShellLinkClass = {0x00021401, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID kShellLinkInterface = {0x000214EE, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
constexpr IID kPersistFileInterface = {0x0000010B, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};

}  // namespace

void createDesktopShortcut(const char* program, const char* name, const char* arguments) {
    createShortcutBelow(ShellFolder::desktop, program, name, arguments);
}

void createProgramsShortcut(const char* program, const char* name, const char* arguments) {
    createShortcutBelow(ShellFolder::programs, program, name, arguments);
}

void createShellLink(const char* linkPath, const char* targetPath, const char* arguments,
                     const char* workingDir) {
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(kShellLinkClass, nullptr, CLSCTX_INPROC_SERVER, kShellLinkInterface,
                                reinterpret_cast<void**>(&link)))) {
        return;
    }
    // The shell's answers to these are not needed: what it saved is what it saved.
    link->SetPath(targetPath);
    link->SetWorkingDirectory(workingDir);
    link->SetArguments(arguments);

    IPersistFile* file = nullptr;
    if (FAILED(link->QueryInterface(kPersistFileInterface, reinterpret_cast<void**>(&file)))) {
        link->Release();
        return;
    }
    WCHAR wideName[fmt::kMaxPath];
    if (MultiByteToWideChar(CP_ACP, 0, linkPath, -1, wideName, fmt::kMaxPath) == 0)
        wideName[0] = L'\0';
    // A shortcut of the user's own under this name is moved aside first, as
    // any file the run replaces; it comes back at once when the shell saves
    // nothing in its place.
    const bool usersShortcut = existingItemAt(linkPath) == ExistingItem::usersFile;
    if (usersShortcut && !moveFileAside(linkPath, FaultSite::backUpFile)) {
        const DWORD error = GetLastError();
        file->Release();
        link->Release();
        copyBounded(currentPath, linkPath);
        SetLastError(error);
        raiseInstallError(kErrorCreateFile);
    }
    announceMadeItem(fmt::kLogFile, linkPath);
    const bool saved = !injectFault(FaultSite::saveShortcut) && SUCCEEDED(file->Save(wideName, TRUE));
    file->Release();
    link->Release();
    if (!saved && usersShortcut) {
        putBackLastFileAside();
        return;
    }
    // Logged even when the save failed: removing a file that is not there is harmless.
    appendLogEntry(fmt::kLogFile, 0, 0, linkPath);
}

}  // namespace setup
