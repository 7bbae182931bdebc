// The names of the bits a description sets and inspect decodes: the option flags and
// the page items' flags by the names a description gives them, and the file
// attributes by the names Windows gives them.
#ifndef MKPACKAGE_FLAG_NAMES_H
#define MKPACKAGE_FLAG_NAMES_H

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace mkpackage {

struct FlagName {
    const char* name;
    std::uint32_t bit;
};

extern const std::span<const FlagName> kOptionFlagNames;
extern const std::span<const FlagName> kPageItemFlagNames;
extern const std::span<const FlagName> kAttributeNames;

// The names of the bits set in `bits`, in table order; a set bit the table
// does not know is named by its value ("0x00001000").
std::vector<std::string> flagNames(std::uint32_t bits, std::span<const FlagName> names);

// The same joined by ", ", or "none".
std::string flagNameList(std::uint32_t bits, std::span<const FlagName> names);

}  // namespace mkpackage

#endif
