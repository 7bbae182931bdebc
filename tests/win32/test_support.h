// Helpers of the Win32 tests: configuration records and installers built in
// memory, and child runs of this test program whose message boxes are read
// and answered from here.
#ifndef TESTS_WIN32_TEST_SUPPORT_H
#define TESTS_WIN32_TEST_SUPPORT_H

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

using TextList = std::vector<std::pair<std::size_t, std::string>>;

// A configuration record holding texts (by text-slot offset) in its data
// area; every other slot designates an empty text at the data area start.
std::vector<std::uint8_t> buildRecord(const TextList& texts, std::uint32_t flags = 0);

// Puts a record into the process-wide area as the loader would.
void installRecord(const std::vector<std::uint8_t>& record);

// Forgets the loaded record and the package file.
void resetLoadedState();

// image + package header + configuration block of record.
std::vector<std::uint8_t> buildInstaller(std::size_t imageSize, const std::vector<std::uint8_t>& record);

std::string writeTempFile(const char* name, const std::vector<std::uint8_t>& bytes);

struct ChildResult {
    DWORD exitCode = 0;
    int boxes = 0;
    std::string caption;  // of the first message box
    std::string text;
};

// Runs this program with arguments, presses OK on every message box it
// shows, and returns its exit code and its first box.
ChildResult runChild(const std::string& arguments);

// Runs a child mode when the command line asks for one; returns false
// otherwise. Never returns from a child mode.
bool runChildModeIfAsked(int argc, char** argv);

}  // namespace testing_support

#endif
