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
std::vector<std::uint8_t> buildInstaller(std::vector<std::uint8_t> image,
                                         const std::vector<std::uint8_t>& record);
// The same behind an image of imageSize filler bytes.
std::vector<std::uint8_t> buildInstaller(std::size_t imageSize, const std::vector<std::uint8_t>& record);

std::vector<std::uint8_t> readWholeFile(const std::string& path);

std::string writeTempFile(const char* name, const std::vector<std::uint8_t>& bytes);

struct MessageBoxSeen {
    std::string caption;
    std::string text;
    int defaultButton = 0;  // id of the button with the default style
};

struct ChildResult {
    DWORD exitCode = 0;
    int boxes = 0;
    std::string caption;  // of the first message box
    std::string text;
    std::vector<MessageBoxSeen> seen;
};

// Starts program with arguments and answers its message boxes in turn with
// the given button ids (OK for boxes beyond the list). Returns its exit code
// and the boxes it showed. A run longer than 30 seconds is ended.
ChildResult runProgram(const std::string& program, const std::string& arguments,
                       const std::vector<int>& answers = {});

// runProgram on this test program itself, every box answered with OK.
ChildResult runChild(const std::string& arguments);

// A process started and left running, for tests that need two at once.
PROCESS_INFORMATION startProgram(const std::string& program, const std::string& arguments);
// Waits for the process's first message box; returns it, or nullptr.
HWND waitForMessageBox(DWORD processId);

// Runs a child mode when the command line asks for one; returns false
// otherwise. Never returns from a child mode.
bool runChildModeIfAsked(int argc, char** argv);

}  // namespace testing_support

#endif
