// Files on the host side of the prefix as the scenarios write and compare
// them, and waiting for a condition that another program brings about.
#ifndef E2E_HARNESS_HOST_FILES_H
#define E2E_HARNESS_HOST_FILES_H

#include <cstddef>
#include <ctime>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "process.h"

namespace e2e {

// 2001-02-03 04:05:06 UTC: the time of every source file a scenario writes.
inline constexpr std::time_t kSourceTime = 981173106;
// 1999-12-31 23:59:58 UTC: the time of every file a user had before a run.
inline constexpr std::time_t kEarlierTime = 946684798;

// The file's bytes; empty when it cannot be read.
std::string contentOf(const std::string& path);
// Writes the file (and the folders above it) with the time given; false
// when it cannot.
bool writeFileAt(const std::string& path, const std::string& content, std::time_t time);
// The file's modification time in seconds; 0 when there is no such file.
std::time_t modifiedAt(const std::string& path);

// Every file and folder below a folder, relative to it, sorted.
std::vector<std::string> filesBelow(const std::string& folder);
// The same with each file's bytes ("<folder>" for a folder).
std::map<std::string, std::string> treeOf(const std::string& folder);

// Bytes that deflate cannot shrink (stored blocks carry them as they are),
// the same for the same seed.
std::string noise(std::size_t size, unsigned seed);
// True when the bytes hold the text as 8-bit characters or as UTF-16
// (shortcut files hold either).
bool holdsText(const std::string& bytes, const std::string& text);

// Polls until the condition holds; false when it still does not after the
// timeout, which is a safety net and not a measure of the wait.
bool waitUntil(const std::function<bool()>& condition, Milliseconds timeout);

}  // namespace e2e

#endif
