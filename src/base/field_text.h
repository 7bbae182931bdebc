// Fixed-size text fields of stored records (a component's name, an action's
// arguments, a blob's file name) are terminated by the writer, but a damaged
// record must not make a reader run past the field.
#ifndef BASE_FIELD_TEXT_H
#define BASE_FIELD_TEXT_H

#include <cstddef>
#include <cstring>

namespace setup {

// Copies the text of a `fieldSize`-byte field into dest of `destSize` bytes,
// stopping at the field's end or the destination's room; always terminated.
inline void copyFieldText(char* dest, std::size_t destSize, const char* field,
                          std::size_t fieldSize) {
    if (destSize == 0) return;
    std::size_t length = ::strnlen(field, fieldSize);
    if (length >= destSize) length = destSize - 1;
    std::memcpy(dest, field, length);
    dest[length] = '\0';
}

template <std::size_t D, std::size_t F>
void copyFieldText(char (&dest)[D], const char (&field)[F]) {
    copyFieldText(dest, D, field, F);
}

}  // namespace setup

#endif
