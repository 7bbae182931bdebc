#include "ui/wizard/layout/text_height.h"

namespace setup {

int measureTextHeight(TextMeasurer& measure, const char* text, int width) {
    const int lineHeight = measure.extent("  ", 2).height;
    int total = 0;
    const char* p = text;
    while (*p != '\0') {
        int lineLength = 0;
        while (p[lineLength] != '\0' && p[lineLength] != '\n') ++lineLength;
        int fits = lineLength > 0 && width > 0 ? measure.fitCount(p, lineLength, width) : 0;
        if (fits < 0) fits = 0;
        if (fits > lineLength) fits = lineLength;
        if (fits == 0) fits = lineLength;  // nothing fits: the line is one line all the same
        p += fits;
        total += lineHeight;
        if (*p == '\n') {
            ++p;
        } else {
            while (*p == ' ' || *p == '\t') ++p;
        }
    }
    return total;
}

}  // namespace setup
