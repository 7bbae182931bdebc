// Ctrl-C and termination during a build leave no temporary file behind: the
// registered files are removed at once and the process ends as the signal
// or console event would have ended it. POSIX: SIGINT, SIGTERM, SIGHUP.
// Windows: Ctrl-C, Ctrl-Break and closing the console; the temporary file is
// open there with delete sharing, so it goes when the process's handles close.
#ifndef MKPACKAGE_INTERRUPT_CLEANUP_H
#define MKPACKAGE_INTERRUPT_CLEANUP_H

#include <filesystem>

namespace mkpackage {

// Installs the handlers; called once by main.
void installInterruptCleanup();

// Registers a file to remove on interruption; returns its slot, or -1 when
// every slot is taken or the path is too long to keep (the file is then
// still removed on every other way out).
int registerTemporaryFile(const std::filesystem::path& path);
void forgetTemporaryFile(int slot);

}  // namespace mkpackage

#endif
