// The journal of this run: a file beside the run's backups (engine/undo/
// backup_place.h) that says, before each change, what the run is about to
// do, so that a start after the process was killed can undo it
// (engine/journal/journal_recovery.h). Each record is written before its
// change: a killed process keeps what it wrote. The file is flushed only at
// a few boundaries, against a power cut. The format: journal_format.h.
#ifndef ENGINE_JOURNAL_RUN_JOURNAL_H
#define ENGINE_JOURNAL_RUN_JOURNAL_H

#include <cstdint>

namespace setup {

// Makes the journal in the run's backup folder `folder` (volume index
// `volume`), naming the product and this process, and the install folder
// as a place of the run. False when the file cannot be made.
bool openRunJournal(const char* folder, std::uint16_t volume, const char* productName,
                    const char* installFolder);

// A folder the run makes or removes things in besides the install folder
// (the previous installation's, the DirectX setup's temporary folder).
void journalPlace(const char* folder);

// An item the run is about to make: written before the system call; the
// log entry that follows it is then not written again.
void announceMadeItem(std::uint8_t kind, const char* text);

// An entry of the uninstall log, as it is appended.
void journalLogEntry(std::uint8_t kind, std::uint8_t flag, std::uint32_t value, const char* text);

// The uninstall log went back to its shipped state (after the DirectX setup).
void journalLogReset();

// A backup folder the run made, by its volume index.
void journalBackupFolder(std::uint16_t volume, const char* folder);

// The backup records kept since the last call (engine/undo/backup_records.h):
// called after a backup is listed and before what it keeps is changed.
void journalBackups();

// The system uninstall entry's key, before it is written.
void journalUninstallKey(const char* key);

// Against a power cut, at the run's few boundaries.
void flushRunJournal();

// The end of the run, whatever it was: the journal goes, before the backup
// folder that holds it. Also a recovered journal, once undone.
void deleteRunJournal();

// A journal read back takes this run's place, so that its undoing ends by
// deleting it.
void adoptRunJournal(const char* path);

}  // namespace setup

#endif
