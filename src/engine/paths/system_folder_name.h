// The programs work in the system's 8-bit (ANSI) code page, while the system
// names its folders in UTF-16. Where a name holds a character the code page
// lacks, the 8-bit calls answer with a "best fit" of it: another folder,
// usually one that does not exist. Here a name the system gives in UTF-16 is
// spelt in the code page exactly, or by its short form, or not at all; never
// by a best fit. Pure code: the conversions and the short forms are the
// caller's (engine/paths/system_folders.h on Win32).
#ifndef ENGINE_PATHS_SYSTEM_FOLDER_NAME_H
#define ENGINE_PATHS_SYSTEM_FOLDER_NAME_H

#include <cstddef>

namespace setup {

// One UTF-16 code unit, as the system's wide calls give it.
using WideChar = char16_t;

// Room for a wide path the programs take from the system: one path of the
// 8-bit calls' limit, with its terminator.
inline constexpr std::size_t kWidePathSize = 260;

// The longest spelling spellExactly makes, in bytes: a command line's
// options included.
inline constexpr std::size_t kMaxSpellingLength = 4096;

// The length of a terminated wide text.
std::size_t wideLength(const WideChar* text);

// The system's conversions between UTF-16 and the ANSI code page.
class AnsiCodePage {
public:
    // Converts `length` units of `wide` into `out` (at most `size` bytes, no
    // terminator) without best fit; the number of bytes written, 0 when the
    // conversion fails or does not fit. `usedDefault` tells whether a
    // character had no mapping and became the default character.
    virtual std::size_t fromWide(const WideChar* wide, std::size_t length, char* out,
                                 std::size_t size, bool& usedDefault) = 0;
    // Converts `length` bytes of `text` into `out` (at most `size` units, no
    // terminator); the number of units written, 0 when it fails.
    virtual std::size_t toWide(const char* text, std::size_t length, WideChar* out,
                               std::size_t size) = 0;

protected:
    ~AnsiCodePage() = default;
};

// The short form of an existing file or folder.
class ShortNames {
public:
    // The short form of `path` (terminated) into `out` (`size` units, with
    // its terminator); false when the system gives none.
    virtual bool shortForm(const WideChar* path, WideChar* out, std::size_t size) = 0;

protected:
    ~ShortNames() = default;
};

// `length` units of `wide` spelt exactly into `out` (terminated, `size`
// bytes): converted without a best fit and without the default character,
// and converting back to the very same units (a code page whose conversion
// takes no such flags, or a mapping the flags miss, is caught there). False,
// with `out` empty, when it cannot be, or does not fit `size` bytes or
// kMaxSpellingLength.
bool spellExactly(const WideChar* wide, std::size_t length, AnsiCodePage& codePage, char* out,
                  std::size_t size);

enum class Spelling {
    exact,      // the name itself
    shortForm,  // its short form: the same file or folder, under its other name
    none,       // neither: no name the code page can spell leads there
};

// The routine for every name the programs take from the system: the
// terminated `wide` spelt exactly; else its short form, which must be spelt
// exactly; else none (`out` empty). A short form that is the name itself (the
// volume makes no short names) cannot be spelt either. A closing backslash
// of `wide` is kept.
Spelling spellSystemName(const WideChar* wide, AnsiCodePage& codePage, ShortNames& shortNames,
                         char* out, std::size_t size);

}  // namespace setup

#endif
