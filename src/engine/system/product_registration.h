// The product's and the uninstaller's registration with the system, the last
// steps of a successful installation.
#ifndef ENGINE_SYSTEM_PRODUCT_REGISTRATION_H
#define ENGINE_SYSTEM_PRODUCT_REGISTRATION_H

#include "engine/extract/extraction_state.h"

namespace setup {

// Writes "InstallDir" and "Version" under HKEY_LOCAL_MACHINE \ the product's
// key and logs that key under HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER (flag
// 1, for the uninstaller). Does nothing when the key is empty. Raises error
// code 10 when a value cannot be written.
void registerProduct();

// Stores the log's path as "UnInstallLog" (also for an empty product key:
// the root key itself), writes the system's uninstall entry (flag bit 2,
// not logged; its values in engine/system/uninstall_entry_values.h, the
// size and icon from `product`'s extraction) and the uninstaller's Programs
// shortcut (flag bit 3), then writes the InstallLog file and its SHA-256 as
// "UnInstallLogSHA256" beside "UnInstallLog". Raises 10
// (registry, or an entry whose command would not fit), 4 (folder), 2 (file,
// or a log path that does not fit 260 bytes), 5 (write) or 3 (close).
void writeUninstallLog(const ExtractionState& product);

// Deletes the system uninstall entry if this run made it: it is not logged,
// and a failure after it must not leave it pointing at nothing. An entry
// that was there before stays; its values come back with the run's other
// registry changes (engine/undo/registry_backups.h), as does the "UnInstallLog"
// value of the registry root that a product without a key writes.
void removeWrittenUninstallEntry();

// A killed run's journal names the uninstall entry it was writing: its
// undoing takes it as this run's own.
void adoptWrittenUninstallEntry(const char* keyPath);

}  // namespace setup

#endif
