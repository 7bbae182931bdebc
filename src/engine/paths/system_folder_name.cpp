#include "engine/paths/system_folder_name.h"

#include <cstring>

namespace setup {

std::size_t wideLength(const WideChar* text) {
    std::size_t length = 0;
    while (text[length] != 0) ++length;
    return length;
}

bool spellExactly(const WideChar* wide, std::size_t length, AnsiCodePage& codePage, char* out,
                  std::size_t size) {
    if (size == 0) return false;
    out[0] = '\0';
    if (length == 0) return true;
    bool usedDefault = false;
    const std::size_t written = codePage.fromWide(wide, length, out, size - 1, usedDefault);
    // A double-byte code page takes up to two bytes a unit: the round trip
    // has room for as many units as there are bytes.
    WideChar back[kMaxSpellingLength];
    const bool exact = written != 0 && written < size && !usedDefault && written <= kMaxSpellingLength &&
                       codePage.toWide(out, written, back, written) == length &&
                       std::memcmp(back, wide, length * sizeof(WideChar)) == 0;
    if (!exact) {
        out[0] = '\0';
        return false;
    }
    out[written] = '\0';
    return true;
}

Spelling spellSystemName(const WideChar* wide, AnsiCodePage& codePage, ShortNames& shortNames,
                         char* out, std::size_t size) {
    const std::size_t length = wideLength(wide);
    if (length != 0 && spellExactly(wide, length, codePage, out, size)) return Spelling::exact;
    WideChar shortPath[kWidePathSize];
    std::size_t shortLength = 0;
    if (length != 0 && shortNames.shortForm(wide, shortPath, kWidePathSize)) {
        shortLength = wideLength(shortPath);
        const bool closed = wide[length - 1] == u'\\';
        if (closed && shortLength != 0 && shortPath[shortLength - 1] != u'\\') {
            if (shortLength + 1 >= kWidePathSize) shortLength = 0;
            else shortPath[shortLength++] = u'\\';
        }
    }
    if (shortLength != 0 && spellExactly(shortPath, shortLength, codePage, out, size))
        return Spelling::shortForm;
    if (size != 0) out[0] = '\0';
    return Spelling::none;
}

}  // namespace setup
