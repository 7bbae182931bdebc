// What a run found in use before it changed anything: the files it must
// replace or remove and cannot move aside, and the programs that hold them
// where the system can name them. Bounded, no allocation; pure code.
#ifndef ENGINE_IN_USE_IN_USE_LIST_H
#define ENGINE_IN_USE_IN_USE_LIST_H

#include <cstddef>
#include <cstdint>

#include "format/package_format.h"

namespace setup {

// The system errors that say another program holds a file open without
// letting it be moved: ERROR_SHARING_VIOLATION and ERROR_LOCK_VIOLATION.
// Any other refusal (access denied, a link) is no matter of waiting.
bool isInUseError(std::uint32_t systemError);

struct InUseList {
    static constexpr std::size_t kMaxFiles = 64;
    static constexpr std::size_t kMaxPrograms = 16;
    static constexpr std::size_t kProgramNameSize = 128;

    char files[kMaxFiles][fmt::kMaxPath];
    std::size_t fileCount;
    std::size_t moreFiles;  // held, beyond the ones kept
    char programs[kMaxPrograms][kProgramNameSize];
    std::size_t programCount;

    void clear();
    bool empty() const { return fileCount == 0 && moreFiles == 0; }
    // Adds a held file once (the letter case of ASCII letters ignored, as
    // Windows does); one beyond kMaxFiles is only counted.
    void addFile(const char* path);
    // Adds a program's name once; an empty name or one beyond kMaxPrograms
    // is passed over, a long one cut.
    void addProgram(const char* name);
    // What the question lists: the programs when any were named, else the
    // files. `names` has room for kMaxFiles; returns how many it holds.
    std::size_t shownNames(const char** names) const;
};

// The names one a line ("\r\n" between them, as an edit control takes
// them) into `out`; only whole names, then "..." when the rest does not
// fit or `more` says there are more.
void formatNameLines(const char* const* names, std::size_t count, bool more, char* out, std::size_t size);

}  // namespace setup

#endif
