// The two owner-drawn lists of the directory chooser: the drives, and the
// folders of the typed path with their rows' memory. Rows carry the shell's
// display names and icons from the system's small-icon image list.
#ifndef UI_CHOOSER_CHOOSER_LISTS_H
#define UI_CHOOSER_CHOOSER_LISTS_H

#include <windows.h>
#include <commctrl.h>

#include <cstdint>

#include "format/package_format.h"
#include "ui/chooser/folder_rows.h"

namespace setup {

// One folder-list row, allocated zero-filled from the local heap and
// attached to its row as item data.
struct DirListItem {
    std::uint32_t depth;                 // 0 for the drive's root, then 1, 2, ...
    std::int32_t iconIndex;              // in the system image list
    char path[fmt::kMaxPath];            // full path, ending with a backslash
    char displayName[kDisplayNameSize];  // as the shell reports it
};
static_assert(sizeof(DirListItem) == 396);

// The system's small-icon image list, as the shell last returned it.
extern HIMAGELIST systemImageList;

// Refills the drive list (205): one row "<letter><display name>" per drive
// of the logical-drive mask, its icon index as item data; the drive of
// installDir selected.
void fillDriveList(HWND dialog);

// Refills the folder list (204) from installDir: getDriveRoot, then the rows
// of fillFolderRows, unselected.
void fillFolderList(HWND dialog);

// Allocates a row for the folder, adds it under its sort key and attaches
// it; a row that cannot be allocated or added is left out.
void addDirListItem(HWND dialog, std::uint32_t depth, std::int32_t iconIndex, const char* path,
                    const char* displayName);

// Frees every row's DirListItem and empties the folder list.
void clearDirList(HWND dialog);

// The DirListItem of the folder list's selected row; nullptr without one.
const DirListItem* selectedDirListItem(HWND dialog);

// WM_DRAWITEM for either list: colours, indent, icon, text, focus. False for
// the empty list's call (item -1), which is left to the system.
bool drawChooserItem(const DRAWITEMSTRUCT& item);

}  // namespace setup

#endif
