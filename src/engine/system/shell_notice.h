// The shell learns of an attended run's files and folders one by one, as
// they are made. An unattended run has nobody watching: it tells the shell
// once at its end, one notice per folder that holds what it made.
#ifndef ENGINE_SYSTEM_SHELL_NOTICE_H
#define ENGINE_SYSTEM_SHELL_NOTICE_H

#include <cstddef>

#include "format/package_format.h"

namespace setup {

inline constexpr std::size_t kMaxNoticeFolders = 64;

// The folders to tell about, from this run's log section: for every file and
// folder recorded, the nearest folder above it that the run did not make
// (the files and folders of one top folder share one notice). At most
// `capacity` distinct folders, each at most fmt::kMaxPath bytes; returns how
// many `folders` holds. A folder that does not fit is left out. Pure code.
std::size_t foldersToNotify(const fmt::UninstallSection& section, char (*folders)[fmt::kMaxPath],
                            std::size_t capacity);

// Sends the unattended run's notices (Win32).
void announceUnattendedChanges();

}  // namespace setup

#endif
