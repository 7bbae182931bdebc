// A look at a description's characters before the TOML parser sees it.
//
// The parser library classifies a character outside ASCII where it looks for
// whitespace or a bare key (toml_parser.h makes that classification safe),
// and its messages for such a character say little. It looks there
// outside quoted texts (where TOML allows no such character anyway; a quote
// glued to a bare value, as in 0"x", opens no text for it) and, in
// a multi-line "\"\"\"" text, right behind a backslash and at the start of a
// line continued with one. Those places are refused here with a message of
// their own, before the parser meets them.
#ifndef MKPACKAGE_TOML_PRESCAN_H
#define MKPACKAGE_TOML_PRESCAN_H

#include <string>
#include <string_view>

namespace mkpackage {

// False with the 1-based `line` and `problem` when a character outside ASCII
// stands where the parser would classify it.
bool prescanToml(std::string_view text, long& line, std::string& problem);

}  // namespace mkpackage

#endif
