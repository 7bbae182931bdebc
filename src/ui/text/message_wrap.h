// Message texts cut into lines a message box can hold. The box breaks lines
// only at blanks; a path without any ("C:\Program Files\..." is one with a
// blank, a long folder of a default install is often none) widens the box
// to the whole run, past the screen's edge. Pure code.
#ifndef UI_TEXT_MESSAGE_WRAP_H
#define UI_TEXT_MESSAGE_WRAP_H

#include <cstddef>

namespace setup {

// The longest run of characters without a blank or a line break that a
// message box shows on one line: about 600 pixels of its font, within every screen.
inline constexpr std::size_t kLongestMessageRun = 96;

// Copies `text` into `out` (`size` bytes), breaking every run longer than
// `longestRun` characters onto further lines: after its last backslash or
// slash within the limit, or at the limit where it has none. The rest is
// copied as it is; a result that does not fit is cut at `size`. False when
// it was cut.
bool wrapLongRuns(const char* text, char* out, std::size_t size, std::size_t longestRun = kLongestMessageRun);

}  // namespace setup

#endif
