#include "ui/text/size_text.h"

#include <cstring>

#include "base/bounded_text.h"

namespace setup {

const char* const sizeUnits[5] = {" bytes", " KB", " MB", " GB", " TB"};

namespace {

constexpr int kLargestUnit = 4;

struct ScaledSize {
    int unit;
    float scaled;        // value / 1024^unit, for the fractional form
    std::int64_t whole;  // value / 1024^unit, rounded toward zero
};

ScaledSize scaleAutomatically(std::int64_t value) {
    ScaledSize size{0, static_cast<float>(value), value};
    if (value < 1024) return size;  // a negative count stays in bytes
    while (size.unit < kLargestUnit) {
        size.scaled *= 1.0f / 1024.0f;
        size.whole /= 1024;
        ++size.unit;
        if (size.whole < 1024) break;
    }
    return size;
}

ScaledSize scaleToUnit(std::int64_t value, int unit) {
    long double divisor = 1.0L;
    for (int i = 0; i < unit; ++i) divisor *= 1024.0L;
    return {unit, static_cast<float>(static_cast<long double>(value) / divisor),
            value >> (10 * unit)};
}

void numberText(char* dest, std::size_t size, const ScaledSize& scaled) {
    if (scaled.unit == 0) {
        if (scaled.whole < 0)
            formatBounded(dest, size, "%lld", static_cast<long long>(scaled.whole));
        else
            formatBounded(dest, size, "%llu", static_cast<unsigned long long>(scaled.whole));
        return;
    }
    formatBounded(dest, size, "%g", static_cast<double>(scaled.scaled));
    // The locale formatter takes no exponent: write such a number in digits.
    if (std::strchr(dest, 'e') != nullptr)
        formatBounded(dest, size, "%.0f", static_cast<double>(scaled.scaled));
}

}  // namespace

int formatSizeText(char* dest, std::size_t size, int unit, std::int64_t value,
                   NumberFormatter format) {
    if (unit > kLargestUnit) unit = kLargestUnit;
    const ScaledSize scaled = unit < 0 ? scaleAutomatically(value) : scaleToUnit(value, unit);

    char plain[kSizeNumberSize];
    numberText(plain, sizeof plain, scaled);
    char number[kSizeNumberSize];
    if (format == nullptr || !format(plain, number, sizeof number)) copyBounded(number, plain);
    number[sizeof number - 1] = '\0';

    copyBounded(dest, size, number);
    const bool oneByte = scaled.unit == 0 && scaled.whole == 1;
    appendBounded(dest, size, oneByte ? " byte" : sizeUnits[scaled.unit]);
    return scaled.unit;
}

int formatRequiredSizeText(char* dest, std::size_t size, int freeUnit, std::int64_t required,
                           NumberFormatter format) {
    const int unit = formatSizeText(dest, size, freeUnit, required, format);
    if (required == 0 || freeUnit < 0) return unit;
    char zero[kSizeTextSize];
    formatSizeText(zero, sizeof zero, freeUnit, 0, format);
    if (std::strcmp(dest, zero) != 0) return unit;
    return formatSizeText(dest, size, kAutomaticUnit, required, format);
}

}  // namespace setup
