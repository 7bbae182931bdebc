#include "engine/in_use/in_use_list.h"

#include <cstring>

#include "base/bounded_text.h"

namespace setup {

namespace {

constexpr std::uint32_t kSharingViolation = 32;
constexpr std::uint32_t kLockViolation = 33;

char foldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameText(const char* a, const char* b) {
    for (; *a != '\0' && foldAscii(*a) == foldAscii(*b); ++a, ++b) {
    }
    return foldAscii(*a) == foldAscii(*b);
}

}  // namespace

bool isInUseError(std::uint32_t systemError) {
    return systemError == kSharingViolation || systemError == kLockViolation;
}

void InUseList::clear() {
    fileCount = 0;
    moreFiles = 0;
    programCount = 0;
}

void InUseList::addFile(const char* path) {
    for (std::size_t i = 0; i < fileCount; ++i)
        if (sameText(files[i], path)) return;
    if (fileCount == kMaxFiles) {
        ++moreFiles;
        return;
    }
    // A path never exceeds the program's path buffers: a longer one is
    // never made, so never found.
    if (!copyBounded(files[fileCount], path)) return;
    ++fileCount;
}

void InUseList::addProgram(const char* name) {
    if (name[0] == '\0' || programCount == kMaxPrograms) return;
    for (std::size_t i = 0; i < programCount; ++i)
        if (sameText(programs[i], name)) return;
    copyBounded(programs[programCount++], name);
}

std::size_t InUseList::shownNames(const char** names) const {
    if (programCount != 0) {
        for (std::size_t i = 0; i < programCount; ++i) names[i] = programs[i];
        return programCount;
    }
    for (std::size_t i = 0; i < fileCount; ++i) names[i] = files[i];
    return fileCount;
}

void formatNameLines(const char* const* names, std::size_t count, bool more, char* out, std::size_t size) {
    if (size == 0) return;
    out[0] = '\0';
    constexpr char kRest[] = "...";
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t used = std::strlen(out);
        const std::size_t line = (used != 0 ? 2 : 0) + std::strlen(names[i]);
        // Room for this name and, after it, for the mark of a rest.
        const bool last = i + 1 == count && !more;
        if (used + line + (last ? 0 : 2 + sizeof kRest - 1) + 1 > size) {
            more = true;
            break;
        }
        if (used != 0) appendBounded(out, size, "\r\n");
        appendBounded(out, size, names[i]);
    }
    if (!more) return;
    if (out[0] != '\0') appendBounded(out, size, "\r\n");
    appendBounded(out, size, kRest);
}

}  // namespace setup
