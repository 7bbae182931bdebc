// The rows of the directory chooser's folder list, as pure rules: which
// folders a typed path shows, the paths of their rows and the key the list
// box sorts them by. Every path is built in a 260-byte buffer; a folder whose
// path would not fit is left out, never cut into another folder's name.
//
//   C:\                 depth 0, the drive's root
//     Games\            depth 1, each existing folder of the typed path,
//       Demo\           depth 2  one level deeper than the one before
//         Levels\       depth 3, the sub-folders of the deepest one,
//         Music\        depth 3  sorted by their display names
#ifndef UI_CHOOSER_FOLDER_ROWS_H
#define UI_CHOOSER_FOLDER_ROWS_H

#include <cstddef>
#include <cstdint>

#include "format/package_format.h"

namespace setup {

// A row's sort key: "%08X %s", depth then display name.
inline constexpr std::size_t kDirListKeySize = 140;
// A folder's display name as a row keeps it.
inline constexpr std::size_t kDisplayNameSize = 128;

// The key of a row of `depth` showing `displayName` (cut to 127 bytes, so
// that the key always fits kDirListKeySize).
void formatDirListKey(char* dest, std::size_t size, std::uint32_t depth, const char* displayName);

// Which icon a folder row shows: the open folder for the root and the folders
// along the typed path, the closed folder for the sub-folders listed.
enum class FolderIcon { open, closed };

// Receives the sub-folder names of one search.
class SubfolderVisitor {
public:
    virtual void subfolder(const char* name) = 0;

protected:
    ~SubfolderVisitor() = default;
};

// What the folder list needs of the system, and where its rows go.
class FolderListSource {
public:
    // True when `path` (no closing backslash) names an existing folder.
    virtual bool isFolder(const char* path) = 0;
    // Every folder that the search `pattern` ("<folder>\*.*") finds, "." and
    // ".." excepted, in the order the system gives them.
    virtual void forEachSubfolder(const char* pattern, SubfolderVisitor& visitor) = 0;
    // A row: its depth and its folder's full path, ending with a backslash.
    virtual void addRow(std::uint32_t depth, const char* path, FolderIcon icon) = 0;

protected:
    ~FolderListSource() = default;
};

// The rows for the folder `typed` on the drive whose root is `root` ("C:\" or
// "\\server\share\", as getDriveRoot gives it): the root; each component
// of `typed` past the root that names an existing folder, one level deeper
// than the last (a missing component adds no row); then the sub-folders of
// the deepest existing one. An empty root (a folder without a drive) gives
// no rows. Once a folder's path no longer fits a 260-byte buffer with its
// backslash, nothing deeper is shown; a sub-folder whose path would not fit
// is left out.
void fillFolderRows(const char* typed, const char* root, FolderListSource& source);

// `folder` + "\" + `name` + "\" into dest; false, with dest empty, when it
// does not fit.
bool childFolderPath(char* dest, std::size_t size, const char* folder, const char* name);

// 0 for A (or a) to 25 for Z (or z); -1 for anything else.
int driveLetterIndex(char letter);

// The index of the drive that `text` names by a letter and a colon at its
// start; -1 when it names none.
int driveIndexOfPath(const char* text);

}  // namespace setup

#endif
