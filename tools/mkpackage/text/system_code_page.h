// The system's own converter for code pages other than the built-in 1252:
// iconv on Linux, the code page API on Windows. Both are strict: a character
// without an exact one-byte form is refused, never replaced.
#ifndef MKPACKAGE_SYSTEM_CODE_PAGE_H
#define MKPACKAGE_SYSTEM_CODE_PAGE_H

namespace mkpackage {

bool systemCodePageAvailable(unsigned codePage);

// True when every character of `codePage` takes one byte, as the setup
// program's 8-bit texts need: no lead bytes of a double-byte code page, no
// UTF-8 or UTF-16, no shift sequences.
bool systemCodePageIsSingleByte(unsigned codePage);

// The one byte that stands for `c` in `codePage`; false when there is none.
bool systemEncodeCharacter(unsigned codePage, char32_t c, char& byte);

}  // namespace mkpackage

#endif
