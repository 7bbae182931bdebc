// Seams for the fault-injection test build. The shipped program links
// base/fault_injection_off.cpp, where every answer is "no": its calls are
// never failed, its boxes always shown and its runs never cancelled. The
// test build links an implementation that fails the Nth fallible system
// call of a run, answers every box itself and cancels after a chosen chunk,
// so that a test can walk every failure point of an installation, or end
// the process there at once as if it were killed.
#ifndef BASE_FAULT_INJECTION_H
#define BASE_FAULT_INJECTION_H

namespace setup {

// The fallible system calls of an installation.
enum class FaultSite {
    createFile,     // an output file or the uninstall log file (error 2)
    writeFile,      // any write of a file the program makes (error 5)
    closeFile,      // closing an output file or the log (error 3)
    createFolder,   // a folder of a path (error 4)
    createKey,      // registry key create or open for writing (error 10)
    setValue,       // registry value (error 10)
    closeKey,       // registry key close after writing (error 10)
    saveShortcut,   // the shell link's save (silent)
    createPicture,  // a picture's temporary file (silent: no picture)
    backUpFile,     // moving aside a file about to be replaced, or making its backup folder (error 2)
    backUpRemovedFile,  // the same for a file of a previous installation (silent: it stays)
    saveKey,        // keeping a key of a previous installation before it is removed (silent: it stays)
    saveValue,      // keeping a value before it is changed in a key the run did not make (error 10)
    startJournal,   // the backup folder that holds the run's journal (silent: no journal)
};

// True when this call is to fail; the caller then fails as the system
// would, with the thread's last error set.
bool injectFault(FaultSite site);

// True when a message box, or the replace question (with the existing
// file's path as its text and Yes and No as its buttons), is answered
// without showing it; `answer` is then the button pressed (the first
// button of the box).
bool answerWithoutWindow(const char* text, unsigned type, int& answer);

// True when the run is to be cancelled after the chunk just decoded.
bool cancelAfterChunk();

}  // namespace setup

#endif
