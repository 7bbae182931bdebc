// Removing what an uninstall log records: files, then folders, then registry
// keys, each group deepest first.
#ifndef ENGINE_REMOVAL_REMOVE_BY_LOG_H
#define ENGINE_REMOVAL_REMOVE_BY_LOG_H

#include <cstddef>

#include "engine/log/uninstall_log.h"
#include "format/package_format.h"

namespace setup {

enum class RemovalMode {
    kPreviousInstallation = 0,  // the log file at a path, from an earlier run
    kCurrentInstallation = 1,   // this run's in-memory log: a rollback
    kTemporaryFiles = 2,        // this run's log, then back to its shipped state
};

// Removes everything the chosen log records under a status popup with `text`
// and the icon of ImageIndexTable entry `image`. A log file that cannot be
// opened gets its error box; one that is corrupt, would lead the walk outside
// its bytes, names a root the program never records, names a file or
// folder outside the previous installation's folder and the shortcuts in
// the shell folders (engine/removal/removal_places.h), or whose install
// folder reaches a whole drive or the system's files gets the corrupt-log
// box, and nothing is removed. Every
// removal result is ignored. Never allocates, so it raises nothing itself
// (only the popup's picture may, outside a rollback).
//
// A previous installation is taken away so that this run can give it back:
// its files are moved aside, its folders remembered and its keys saved
// before they go (engine/undo/file_backups.h, engine/undo/registry_backups.h). This
// run's own removal (modes 1 and 2) passes over the files it recorded
// without making them and the keys it did not make, and ends by giving
// back everything the run moved aside, removed or changed.
void removeByLog(RemovalMode mode, const char* text, fmt::ImageIndex image,
                 const char* logPath);

// Removes the installation that the product's "UnInstallLog" value names.
void removePreviousInstallation();

// The files removePreviousInstallation would take away: the file entries
// of the log that the "UnInstallLog" value names, when the removal would
// walk it (it opens, is sound, its digest is not refused and it stays
// within the places an installation of the product reaches). Nothing is
// shown. `files` points into the removal's own buffers, valid until the
// next removal; the count is 0 without such a log.
std::size_t previousInstallationFiles(const LogItem*& files);

// Undoes this run by the in-memory log, under the undo popup.
void rollBackInstallation();

}  // namespace setup

#endif
