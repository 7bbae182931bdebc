#include "ui/chooser/chooser_lists.h"

#include <commctrl.h>
#include <shellapi.h>

#include <cstring>

#include "base/bounded_text.h"
#include "base/process_state.h"
#include "base/system_library.h"
#include "engine/paths/drive_root.h"
#include "engine/paths/system_folders.h"
#include "resource_ids.h"

namespace setup {

HIMAGELIST systemImageList;

namespace {

// The shell's answers for a row: display name, icon index and the image
// list; the open-folder icon for the root and the folders along the path.
// Only the index is drawn, so no icon handle is asked for, and no link
// overlay: Wine's shell applies that to the index as well, and every folder
// would show as a shortcut.
constexpr UINT kRowInfo = SHGFI_SYSICONINDEX | SHGFI_DISPLAYNAME | SHGFI_SHELLICONSIZE | SHGFI_SMALLICON;
constexpr UINT kOpenFolderInfo = kRowInfo | SHGFI_OPENICON;

// A drive row: its letter, then the display name (the shell's, up to 259).
constexpr std::size_t kDriveRowSize = 1 + fmt::kMaxPath + 1;

constexpr int kIndentPerDepth = 8;

// Asks the shell about `path`; the returned image list, 0 when it fails.
HIMAGELIST shellInfo(const char* path, UINT flags, SHFILEINFOA& info) {
    info = SHFILEINFOA{};
    return reinterpret_cast<HIMAGELIST>(SHGetFileInfoA(path, 0, &info, sizeof info, flags));
}

// A folder's own name from its path ("C:\Games\Demo\" gives "Demo"), for
// a folder the shell gives no display name.
void lastComponent(char* dest, std::size_t size, const char* path) {
    std::size_t end = std::strlen(path);
    if (end > 0 && path[end - 1] == '\\') --end;
    std::size_t start = end;
    while (start > 0 && path[start - 1] != '\\') --start;
    if (start == end) {
        copyBounded(dest, size, path);
        return;
    }
    char name[fmt::kMaxPath];
    std::memcpy(name, path + start, end - start);
    name[end - start] = '\0';
    copyBounded(dest, size, name);
}

// The folders of the system for fillFolderRows; rows go into the dialog's
// folder list.
class ShellFolders final : public FolderListSource {
public:
    explicit ShellFolders(HWND dialog) : dialog_(dialog) {}

    bool isFolder(const char* path) override {
        const DWORD attributes = GetFileAttributesA(path);
        return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
    }

    void forEachSubfolder(const char* pattern, SubfolderVisitor& visitor) override {
        if (forEachWideSubfolder(pattern, visitor)) return;
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(pattern, &found);
        if (search == INVALID_HANDLE_VALUE) return;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
            if (std::strcmp(found.cFileName, ".") == 0 || std::strcmp(found.cFileName, "..") == 0)
                continue;
            visitor.subfolder(found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }

    void addRow(std::uint32_t depth, const char* path, FolderIcon icon) override {
        SHFILEINFOA info;
        HIMAGELIST list =
            shellInfo(path, icon == FolderIcon::open ? kOpenFolderInfo : kRowInfo, info);
        // The root's answer names the image list both lists draw from; a
        // drive the shell cannot read keeps the one it gave before.
        if (depth == 0 && list != nullptr) systemImageList = list;
        char name[kDisplayNameSize];
        copyBounded(name, info.szDisplayName);
        // A display name other than the folder's own whose wide form the
        // code page cannot spell shows a best fit, another folder's name:
        // the row shows the name its path holds (a short name, say).
        char own[kDisplayNameSize];
        lastComponent(own, sizeof own, path);
        if (name[0] == '\0' || (depth != 0 && std::strcmp(name, own) != 0 && !wideDisplayNameSpelt(path)))
            copyBounded(name, own);
        addDirListItem(dialog_, depth, info.iIcon, path, name);
    }

private:
    // The sub-folders by their wide names, each as the code page spells it
    // exactly or by its short name; one with neither is left out, as no
    // row could lead to it. False on a system without wide calls (the 9x
    // family, whose 8-bit names are exact).
    bool forEachWideSubfolder(const char* pattern, SubfolderVisitor& visitor) {
        using FindFirstFunction = HANDLE(WINAPI*)(LPCWSTR, LPWIN32_FIND_DATAW);
        using FindNextFunction = BOOL(WINAPI*)(HANDLE, LPWIN32_FIND_DATAW);
        static const auto findFirst = wideKernelFunction<FindFirstFunction>("FindFirstFileW");
        static const auto findNext = wideKernelFunction<FindNextFunction>("FindNextFileW");
        WCHAR widePattern[fmt::kMaxPath];
        if (findFirst == nullptr || findNext == nullptr ||
            MultiByteToWideChar(CP_ACP, 0, pattern, -1, widePattern, fmt::kMaxPath) == 0)
            return false;
        WIN32_FIND_DATAW found;
        HANDLE search = findFirst(widePattern, &found);
        if (search == INVALID_HANDLE_VALUE)
            return GetLastError() != ERROR_CALL_NOT_IMPLEMENTED;
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
            const auto* longName = reinterpret_cast<const WideChar*>(found.cFileName);
            if (longName[0] == u'.' && (longName[1] == 0 || (longName[1] == u'.' && longName[2] == 0)))
                continue;
            char name[fmt::kMaxPath];
            FoundShortName alternate(found.cAlternateFileName);
            if (spellSystemName(longName, codePage_, alternate,
                                name, sizeof name) != Spelling::none)
                visitor.subfolder(name);
        } while (findNext(search, &found));
        FindClose(search);
        return true;
    }

    // True unless the shell's wide display name of the folder is one the
    // code page cannot spell exactly.
    bool wideDisplayNameSpelt(const char* path) {
        using FileInfoFunction = DWORD_PTR(WINAPI*)(LPCWSTR, DWORD, SHFILEINFOW*, UINT, UINT);
        static const auto fileInfo = reinterpret_cast<FileInfoFunction>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("shell32.dll"), "SHGetFileInfoW")));
        WCHAR widePath[fmt::kMaxPath];
        if (fileInfo == nullptr || MultiByteToWideChar(CP_ACP, 0, path, -1, widePath, fmt::kMaxPath) == 0)
            return true;
        SHFILEINFOW info{};
        if (fileInfo(widePath, 0, &info, sizeof info, SHGFI_DISPLAYNAME) == 0 || info.szDisplayName[0] == 0)
            return true;
        char spelt[kDisplayNameSize * 2];
        const auto* name = reinterpret_cast<const WideChar*>(info.szDisplayName);
        return spellExactly(name, wideLength(name), codePage_, spelt, sizeof spelt);
    }

    // The short name a search found beside the long one.
    class FoundShortName final : public ShortNames {
    public:
        explicit FoundShortName(const WCHAR* name) : name_(reinterpret_cast<const WideChar*>(name)) {}
        bool shortForm(const WideChar*, WideChar* out, std::size_t size) override {
            const std::size_t length = wideLength(name_);
            if (length == 0 || length >= size) return false;
            std::memcpy(out, name_, (length + 1) * sizeof(WideChar));
            return true;
        }

    private:
        const WideChar* name_;
    };

    HWND dialog_;
    SystemCodePage codePage_;
};

using GetIconSizeFunction = BOOL(WINAPI*)(HIMAGELIST, int*, int*);
using DrawImageFunction = BOOL(WINAPI*)(HIMAGELIST, int, HDC, int, int, int, int, COLORREF,
                                        COLORREF, UINT);

// The image list's icon at the row's left, centred in its height.
void drawRowIcon(HDC dc, const RECT& row, int indent, int iconIndex, bool selected) {
    static const auto getIconSize =
        systemFunction<GetIconSizeFunction>("comctl32.dll", "ImageList_GetIconSize");
    static const auto drawImage =
        systemFunction<DrawImageFunction>("comctl32.dll", "ImageList_DrawEx");
    if (systemImageList == nullptr || getIconSize == nullptr || drawImage == nullptr) return;
    int width = 0, height = 0;
    if (!getIconSize(systemImageList, &width, &height)) return;
    const int rowHeight = row.bottom - row.top;
    drawImage(systemImageList, iconIndex, dc, row.left + indent + 1,
              row.top + (rowHeight - height) / 2, width, height, CLR_NONE, CLR_DEFAULT,
              selected ? ILD_SELECTED : ILD_NORMAL);
}

}  // namespace

void fillDriveList(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_DRIVE_LIST);
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    const DWORD drives = GetLogicalDrives();
    const int selected = driveIndexOfPath(installDir);
    int rows = 0;
    for (int letter = 0; letter < 26; ++letter) {
        if (!(drives & (1u << letter))) continue;
        const char root[] = {static_cast<char>('A' + letter), ':', '\\', '\0'};
        SHFILEINFOA info;
        HIMAGELIST icons = shellInfo(root, kRowInfo, info);
        // The same list the folder rows name; the drives need it should the
        // folder list find no root to ask about.
        if (systemImageList == nullptr) systemImageList = icons;
        char row[kDriveRowSize];
        formatBounded(row, sizeof row, "%c%s", root[0], info.szDisplayName);
        if (SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(row)) < 0) continue;
        SendMessageA(list, CB_SETITEMDATA, rows, info.iIcon);
        if (letter == selected) SendMessageA(list, CB_SETCURSEL, rows, 0);
        ++rows;
    }
}

void fillFolderList(HWND dialog) {
    getDriveRoot();
    clearDirList(dialog);
    ShellFolders folders(dialog);
    fillFolderRows(installDir, driveRoot, folders);
}

void addDirListItem(HWND dialog, std::uint32_t depth, std::int32_t iconIndex, const char* path,
                    const char* displayName) {
    auto* item = static_cast<DirListItem*>(LocalAlloc(LPTR, sizeof(DirListItem)));
    if (item == nullptr) return;
    item->depth = depth;
    item->iconIndex = iconIndex;
    copyBounded(item->displayName, displayName);
    if (!copyBounded(item->path, path)) {
        LocalFree(item);
        return;
    }
    char key[kDirListKeySize];
    formatDirListKey(key, sizeof key, depth, item->displayName);
    HWND list = GetDlgItem(dialog, IDC_DIR_LIST);
    const LRESULT row = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(key));
    if (row < 0 || SendMessageA(list, LB_SETITEMDATA, row, reinterpret_cast<LPARAM>(item)) == LB_ERR) {
        if (row >= 0) SendMessageA(list, LB_DELETESTRING, row, 0);
        LocalFree(item);
    }
}

void clearDirList(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_DIR_LIST);
    const LRESULT count = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT row = 0; row < count; ++row) {
        const LRESULT data = SendMessageA(list, LB_GETITEMDATA, row, 0);
        if (data == 0 || data == LB_ERR) continue;
        // The row forgets its item first: nothing ever draws a freed one.
        SendMessageA(list, LB_SETITEMDATA, row, 0);
        LocalFree(reinterpret_cast<HLOCAL>(data));
    }
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
}

const DirListItem* selectedDirListItem(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_DIR_LIST);
    const LRESULT row = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (row < 0) return nullptr;
    const LRESULT data = SendMessageA(list, LB_GETITEMDATA, row, 0);
    if (data == LB_ERR) return nullptr;
    return reinterpret_cast<const DirListItem*>(data);
}

bool drawChooserItem(const DRAWITEMSTRUCT& item) {
    if (item.itemID == static_cast<UINT>(-1)) return false;
    const bool folderRow = item.CtlID == IDC_DIR_LIST;
    const bool selected = (item.itemState & ODS_SELECTED) != 0;
    const bool focused = (item.itemState & ODS_FOCUS) != 0;

    // A selected row without the focus keeps the window's text colour: the
    // highlight text colour is meant for the highlight and is unreadable on
    // the light face colour.
    int background = COLOR_WINDOW, text = COLOR_WINDOWTEXT;
    if (selected && focused) {
        background = COLOR_HIGHLIGHT;
        text = COLOR_HIGHLIGHTTEXT;
    } else if (selected) {
        background = COLOR_3DLIGHT;
    }

    int indent = 0, iconIndex = -1;
    char label[kDriveRowSize] = "";
    if (folderRow) {
        // A row whose item is gone (the list is being emptied) stays blank.
        const auto* row = reinterpret_cast<const DirListItem*>(item.itemData);
        if (row != nullptr) {
            indent = kIndentPerDepth * static_cast<int>(row->depth);
            iconIndex = row->iconIndex;
            copyBounded(label, row->displayName);
        }
    } else {
        iconIndex = static_cast<int>(item.itemData);
        const LRESULT length = SendMessageA(item.hwndItem, CB_GETLBTEXTLEN, item.itemID, 0);
        char row[kDriveRowSize] = "";
        if (length > 0 && static_cast<std::size_t>(length) < sizeof row)
            SendMessageA(item.hwndItem, CB_GETLBTEXT, item.itemID, reinterpret_cast<LPARAM>(row));
        // The first character is the row's key, its drive letter.
        if (row[0] != '\0') copyBounded(label, row + 1);
    }

    HDC dc = item.hDC;
    const RECT& rect = item.rcItem;
    const int rowHeight = rect.bottom - rect.top;
    const COLORREF oldBackground = SetBkColor(dc, GetSysColor(background));
    const COLORREF oldText = SetTextColor(dc, GetSysColor(text));
    ExtTextOutA(dc, rect.left + indent + rowHeight + 3, rect.top + 2, ETO_OPAQUE, &rect, label,
                static_cast<UINT>(std::strlen(label)), nullptr);
    if (iconIndex >= 0) drawRowIcon(dc, rect, indent, iconIndex, selected);
    if (focused) DrawFocusRect(dc, &rect);
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBackground);
    return true;
}

}  // namespace setup
