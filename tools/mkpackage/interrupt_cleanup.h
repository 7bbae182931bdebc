// Ctrl-C and termination during a build leave no temporary file behind.
// On POSIX systems SIGINT and SIGTERM remove the registered files at once and
// end the process as the signal would. On Windows the console's Ctrl-C and
// close events are noted while a temporary file exists; the build then stops
// at its next piece (interruptRequested) and unwinds, which removes the file.
#ifndef MKPACKAGE_INTERRUPT_CLEANUP_H
#define MKPACKAGE_INTERRUPT_CLEANUP_H

#include <filesystem>
#include <stdexcept>

namespace mkpackage {

// Installs the handlers; called once by main.
void installInterruptCleanup();

// Registers a file to remove on interruption; returns its slot, or -1 when
// every slot is taken or the path is too long to keep (the file is then
// still removed on every other way out).
int registerTemporaryFile(const std::filesystem::path& path);
void forgetTemporaryFile(int slot);

// True once an interruption was asked for that the build must act on.
bool interruptRequested();

// Thrown when the build stops because of an interruption.
struct Interrupted : std::runtime_error {
    Interrupted() : std::runtime_error("interrupted; no output written") {}
};

}  // namespace mkpackage

#endif
