#include "ui/chooser/directory_chooser.h"

#include <cstring>

#include "base/bounded_text.h"
#include "base/process_state.h"
#include "base/program_instance.h"
#include "base/system_library.h"
#include "engine/failure/window_boundary.h"
#include "package/setup_config.h"
#include "resource_ids.h"
#include "ui/chooser/chooser_lists.h"
#include "ui/chooser/folder_rows.h"
#include "ui/chooser/install_path_check.h"
#include "ui/message_box.h"
#include "ui/text/configured_format.h"

namespace setup {

namespace {

constexpr int kDriveCount = 26;
// The edit field is read with room for this many characters, terminator
// included; the check refuses anything over 150.
constexpr int kTypedFolderSize = 552;
constexpr std::size_t kMessageSize = 512;

// The folder installDir had when the chooser opened, put back by Cancel.
char savedInstallDir[fmt::kMaxPath];
// The folder last typed for each drive, A to Z: each made on first use and
// kept for the process, so that a later opening still remembers it.
char* driveFolders[kDriveCount];

void setText(HWND dialog, int id, std::uint32_t slot) { SetDlgItemTextA(dialog, id, configText(slot)); }

// The folder list and the edit field when the drive can be read; the
// "Device Not Ready" text in the list's place when it cannot.
void showDriveReady(HWND dialog, bool ready) {
    EnableWindow(GetDlgItem(dialog, IDC_DIR_EDIT), ready);
    ShowWindow(GetDlgItem(dialog, IDC_DIR_LIST), ready ? SW_SHOW : SW_HIDE);
    ShowWindow(GetDlgItem(dialog, IDC_DEVICE_NOT_READY), ready ? SW_HIDE : SW_SHOW);
}

void initialise(HWND dialog) {
    copyBounded(savedInstallDir, installDir);
    const fmt::TextSlots& texts = config().texts;
    SetWindowTextA(dialog, configText(texts.chooseDirTitle));
    setText(dialog, IDOK, texts.captionOk);
    setText(dialog, IDCANCEL, texts.captionCancel);
    setText(dialog, IDC_NETWORK, texts.captionNetwork);
    setText(dialog, IDC_DIR_NAME_LABEL, texts.labelDirName);
    setText(dialog, IDC_DRIVES_LABEL, texts.labelDrives);
    SendMessageA(dialog, WM_FILLDRIVES, 0, 0);
    SendMessageA(dialog, WM_FILLDIRS, 0, 0);
    SetDlgItemTextA(dialog, IDC_DIR_EDIT, installDir);
    ShowWindow(GetDlgItem(dialog, IDC_DEVICE_NOT_READY), SW_HIDE);
}

// OK: the typed folder checked; a missing one is asked about (the
// extraction creates it), a file refused.
void accept(HWND dialog) {
    char typed[kTypedFolderSize];
    GetDlgItemTextA(dialog, IDC_DIR_EDIT, typed, sizeof typed);
    if (!validateInstallPath(dialog, typed, sizeof typed)) return;

    char folder[fmt::kMaxPath];
    copyBounded(folder, installDir);
    const std::size_t length = std::strlen(folder);
    if (length > 0 && folder[length - 1] == '\\') folder[length - 1] = '\0';
    const DWORD attributes = GetFileAttributesA(folder);

    const fmt::TextSlots& texts = config().texts;
    char message[kMessageSize];
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        formatConfiguredText(message, sizeof message, configText(texts.msgCreateDir), installDir);
        if (showMessageBox(dialog, message, configText(texts.titleMessage),
                           MB_YESNO | MB_ICONQUESTION) != IDYES)
            return;
    } else if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        formatConfiguredText(message, sizeof message, configText(texts.msgPathIsFile), installDir);
        showMessageBox(dialog, message, configText(texts.titleError), MB_OK | MB_ICONINFORMATION);
        return;
    }
    clearDirList(dialog);
    EndDialog(dialog, 1);
}

void cancel(HWND dialog) {
    copyBounded(installDir, savedInstallDir);
    clearDirList(dialog);
    EndDialog(dialog, 0);
}

void connectNetworkDrive(HWND dialog) {
    using ConnectionDialogFunction = DWORD(WINAPI*)(HWND, DWORD);
    static const auto connectionDialog =
        systemFunction<ConnectionDialogFunction>("mpr.dll", "WNetConnectionDialog");
    if (connectionDialog != nullptr) connectionDialog(dialog, RESOURCETYPE_DISK);
    SendMessageA(dialog, WM_FILLDRIVES, 0, 0);
    SendMessageA(dialog, WM_FILLDIRS, 0, 0);
}

// Keeps `folder` as the one typed for the drive it begins with.
void rememberDriveFolder(const char* folder) {
    const int drive = driveIndexOfPath(folder);
    if (drive < 0) return;
    if (driveFolders[drive] == nullptr)
        driveFolders[drive] = static_cast<char*>(LocalAlloc(LPTR, fmt::kMaxPath));
    if (driveFolders[drive] != nullptr) copyBounded(driveFolders[drive], fmt::kMaxPath, folder);
}

// The drive picked in the drive list: the folder typed so far is kept for
// its own drive; the new drive's folder is the one typed for it before, or
// its current folder.
void changeDrive(HWND dialog) {
    HWND drives = GetDlgItem(dialog, IDC_DRIVE_LIST);
    const LRESULT row = SendMessageA(drives, CB_GETCURSEL, 0, 0);
    if (row < 0) return;
    char rowText[fmt::kMaxPath + 2] = "";
    const LRESULT rowLength = SendMessageA(drives, CB_GETLBTEXTLEN, row, 0);
    if (rowLength <= 0 || static_cast<std::size_t>(rowLength) >= sizeof rowText) return;
    SendMessageA(drives, CB_GETLBTEXT, row, reinterpret_cast<LPARAM>(rowText));
    const char drive[] = {rowText[0], ':', '\0'};

    GetDlgItemTextA(dialog, IDC_DIR_EDIT, installDir, sizeof installDir);
    rememberDriveFolder(installDir);

    if (!SetCurrentDirectoryA(drive)) {
        // installDir keeps what was typed; OK now reads an empty field.
        SetDlgItemTextA(dialog, IDC_DIR_EDIT, "");
        showDriveReady(dialog, false);
        return;
    }
    const int index = driveLetterIndex(drive[0]);
    if (index >= 0 && driveFolders[index] != nullptr) {
        copyBounded(installDir, driveFolders[index]);
    } else {
        const DWORD length = GetCurrentDirectoryA(sizeof installDir, installDir);
        if (length == 0 || length >= sizeof installDir)
            formatBounded(installDir, sizeof installDir, "%c:\\", drive[0]);
    }
    SetDlgItemTextA(dialog, IDC_DIR_EDIT, installDir);
    SendMessageA(dialog, WM_FILLDIRS, 0, 0);
    showDriveReady(dialog, true);
}

void openSelectedFolder(HWND dialog) {
    const DirListItem* row = selectedDirListItem(dialog);
    if (row == nullptr) return;
    copyBounded(installDir, row->path);  // before the refill frees the row
    SendMessageA(dialog, WM_FILLDIRS, 0, 0);
    SetDlgItemTextA(dialog, IDC_DIR_EDIT, installDir);
}

INT_PTR command(HWND dialog, int id, int notification) {
    switch (id) {
    case IDOK: accept(dialog); return TRUE;
    case IDCANCEL: cancel(dialog); return TRUE;
    case IDC_NETWORK: connectNetworkDrive(dialog); return TRUE;
    case IDC_DRIVE_LIST:
        if (notification != CBN_SELCHANGE) return FALSE;
        changeDrive(dialog);
        return TRUE;
    case IDC_DIR_LIST:
        if (notification != LBN_DBLCLK) return FALSE;
        openSelectedFolder(dialog);
        return TRUE;
    default: return FALSE;
    }
}

}  // namespace

INT_PTR directoryChooserProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: initialise(dialog); return TRUE;
    // These numbers are also the dialog manager's DM_SETDEFID and
    // DM_REPOSITION; the chooser's own come without parameters, and a
    // default-button change (which names a button) is left to the system.
    case WM_FILLDRIVES:
        if (wParam != 0 || lParam != 0) return FALSE;
        fillDriveList(dialog);
        return TRUE;
    case WM_FILLDIRS:
        if (wParam != 0 || lParam != 0) return FALSE;
        fillFolderList(dialog);
        return TRUE;
    case WM_DRAWITEM: return drawChooserItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_COMMAND: return command(dialog, LOWORD(wParam), HIWORD(wParam));
    default: return FALSE;
    }
}

void runDirectoryChooser(HWND owner) {
    DialogBoxParamA(programInstance, MAKEINTRESOURCEA(IDD_DIRECTORY_CHOOSER), owner,
                    guardedDialogProc<directoryChooserProc>, 0);
}

}  // namespace setup
