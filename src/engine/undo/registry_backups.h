// What a run keeps to give back the registry as it found it: the keys its
// writes make (a rollback deletes only those), the earlier state of every
// value it writes into a key it did not make (a rollback puts it back, or
// deletes a value that was not there), and every key that the removal of
// a previous installation deletes, with its values and sub-keys (a
// rollback makes them again). Everything is kept in memory only, in the
// system's own form, so names and data come back exactly: wide characters
// on NT, 8-bit texts where the system reports Windows 9x (there the wide
// registry functions are stubs that do nothing; an NT system that a
// compatibility mode makes report 9x then gives a name or text that its
// code page cannot spell as the code page spells it);
// what cannot be given back is a key's security, class, volatility and
// last-write time (keys are made again with the defaults). A key that
// cannot be read whole, or does not fit the room kept for saved keys, is
// not deleted by the removal at all.
#ifndef ENGINE_UNDO_REGISTRY_BACKUPS_H
#define ENGINE_UNDO_REGISTRY_BACKUPS_H

#include <windows.h>

#include <cstdint>

namespace setup {

// Before a write creates or opens `keyPath`: lists the levels of the path
// that do not exist yet, which the write is about to make.
void noteKeysBeforeWrite(HKEY root, const char* keyPath);

// True when this run made the key (root: the stored handle value).
bool keyMadeByRun(std::uint32_t root, const char* keyPath);

// Before the run sets `valueName` in the open `key` (at `keyPath`), which
// it did not make: keeps the value's present state, once per value. False,
// with the thread's last error set, when it cannot be read or kept; the
// value must then not be written.
bool saveValueBeforeWrite(HKEY root, const char* keyPath, HKEY key, const char* valueName);

// Before the removal of a previous installation deletes a key: keeps it
// with its values and sub-keys. False when it cannot be kept whole; the key
// must then stay. keyRemovalEnded tells whether the key went; a key that
// stayed is forgotten again.
bool saveKeyBeforeRemoval(std::uint32_t root, const char* keyPath);
void keyRemovalEnded(bool deleted);

// Puts back every value the run changed and makes every removed key again,
// never raising; then forgets everything.
void restoreRegistryBackups();

// The end of a successful run: forgets everything.
void discardRegistryBackups();

}  // namespace setup

#endif
