// The height a page text takes in a given width: lines break at the last
// character that fits, and at every line feed.
#ifndef UI_WIZARD_LAYOUT_TEXT_HEIGHT_H
#define UI_WIZARD_LAYOUT_TEXT_HEIGHT_H

namespace setup {

struct TextExtent {
    int width;
    int height;
};

// Measuring in the font currently selected; the Win32 side asks the device
// context, the tests a fixed-pitch model.
class TextMeasurer {
public:
    virtual ~TextMeasurer() = default;
    // Extent of the first `count` characters of text.
    virtual TextExtent extent(const char* text, int count) = 0;
    // How many of the first `count` characters fit in `width` pixels (width > 0).
    virtual int fitCount(const char* text, int count, int width) = 0;
};

// Sum of one line height (that of two blanks) per line: each line holds the
// characters that fit up to the next line feed; after a line the line feed
// is stepped over, or else the blanks and tabs where it broke. A text that
// ends with a line feed gains no extra line; an empty line counts one.
// Where not even one character fits (no width left), the rest of the line
// counts as one line, so that the measurement always ends.
int measureTextHeight(TextMeasurer& measure, const char* text, int width);

}  // namespace setup

#endif
