#include <windows.h>

#include "ui/text/size_text.h"

namespace setup {

namespace {

bool formatInLocale(const char* number, char* out, std::size_t outSize) {
    return GetNumberFormatA(LOCALE_USER_DEFAULT, LOCALE_NOUSEROVERRIDE, number, nullptr, out,
                            static_cast<int>(outSize)) != 0;
}

}  // namespace

int formatSizeText(char* dest, std::size_t size, int unit, std::int64_t value) {
    return formatSizeText(dest, size, unit, value, formatInLocale);
}

int formatRequiredSizeText(char* dest, std::size_t size, int freeUnit, std::int64_t required) {
    return formatRequiredSizeText(dest, size, freeUnit, required, formatInLocale);
}

}  // namespace setup
