// The one error type of the builder: a defect in its input (the description,
// a source file, the program image) or a failed write. main() prints it and
// exits with code 1.
#ifndef MKPACKAGE_INPUT_ERROR_H
#define MKPACKAGE_INPUT_ERROR_H

#include <filesystem>
#include <stdexcept>
#include <string>

#include "common/path_text.h"

namespace mkpackage {

struct InputError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// "file:line: field: what is wrong"
inline InputError errorAt(const std::filesystem::path& file, long line, const std::string& field,
                          const std::string& what) {
    return InputError(utf8FromPath(file) + ":" + std::to_string(line) + ": " + field + ": " + what);
}

}  // namespace mkpackage

#endif
