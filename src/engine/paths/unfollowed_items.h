// Removing, moving and putting back files and folders without following a
// link. Both programs run elevated on folders that other users may write,
// where any user can swap a folder for a junction: a path is never trusted
// as text. Each folder on the way is opened without following a reparse
// point and refused when it is one, or when the place the system resolves
// it to is not its parent's place with its own name below (Windows Vista
// and later tell the place, GetFinalPathNameByHandle, loaded at run time).
// The item itself is then checked the same way and removed or renamed
// through its handle, so a swap after the check changes nothing. Proven
// folders are remembered for the run (engine/paths/proven_folders.h).
// Windows 9x has no links: there the plain calls by path serve.
#ifndef ENGINE_PATHS_UNFOLLOWED_ITEMS_H
#define ENGINE_PATHS_UNFOLLOWED_ITEMS_H

namespace setup {

enum class ItemOutcome {
    done,     // removed, moved or put back
    missing,  // nothing at the path (or a folder on the way is missing)
    link,     // a link or a swapped folder on the way, or the item is one: refused
    failed,   // the system refused (in use, read-only, not empty, ...); last error set
};

// Deletes the file at `path` (a folder there is refused: failed).
ItemOutcome removeFileUnfollowed(const char* path);

// Removes the folder at `path` when it is empty.
ItemOutcome removeFolderUnfollowed(const char* path);

// Moves the file at `path` to `target`, a path in a folder the run made
// for itself, never over an existing file.
ItemOutcome moveFileUnfollowed(const char* path, const char* target);

// Moves `source`, a file in a folder the run made for itself, to `path`,
// over whatever file is there, into a folder checked at this moment. The
// missing folders above `path` are made, each checked once made; nothing
// is made or written through a link.
ItemOutcome putBackUnfollowed(const char* source, const char* path);

// Whether the file at `path` could be moved aside now, changing nothing:
// it is opened for deleting, as a move would open it, and closed again.
// failed with ERROR_SHARING_VIOLATION when another program holds it open
// without letting it be moved. Windows 9x has no such access: there the
// file is opened sharing nothing, which any other opener refuses.
ItemOutcome probeMoveAside(const char* path);

// The same for deleting it: opened for deleting and for writing, which a
// running program's or a loaded library's file refuses (it may be moved
// aside, never deleted, while it runs).
ItemOutcome probeRemoval(const char* path);

// Makes the folder at `path` and every missing one above it, as the put-back does.
ItemOutcome makeFolderUnfollowed(const char* path);

// Forgets the folders proven so far: the next item checks every level again.
void forgetProvenFolders();

// Words for the run's log: "a link on its way", ...
const char* outcomeText(ItemOutcome outcome);

}  // namespace setup

#endif
