// Where the language question puts its prompt, its list and its buttons,
// from the sizes measured in its fonts: the prompt as tall as its lines,
// the list as wide as its longest name and as tall as its rows (a scroll
// bar beyond kMaxVisibleLanguageRows), the buttons as wide as their
// captions. Pure code; the dialog measures and then only moves its controls.
#ifndef UI_LANGUAGE_LAYOUT_H
#define UI_LANGUAGE_LAYOUT_H

namespace setup {

inline constexpr int kMaxVisibleLanguageRows = 8;

struct LanguageLayoutInput {
    int margin = 0;          // around the content, pixels
    int gap = 0;             // between prompt, list and buttons
    int minContentWidth = 0; // the template's width for prompt and list
    int promptHeight = 0;    // the prompt's lines at the content width
    int longestName = 0;     // the widest name in the list's font
    int rowHeight = 0;       // one row of the list
    int rowCount = 0;        // the names
    int listFrame = 0;       // the list's border, both sides together
    int scrollBarWidth = 0;
    int buttonHeight = 0;
    int buttonMinWidth = 0;  // the template's button width
    int buttonPadding = 0;   // beside a caption, both sides together
    int okCaption = 0;       // the captions' widths
    int cancelCaption = 0;
    int buttonGap = 0;       // between OK and Cancel
};

struct LayoutRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

struct LanguageLayout {
    int contentWidth = 0;
    LayoutRect prompt, list, ok, cancel;
    int clientWidth = 0, clientHeight = 0;
};

// Input sizes below zero count as zero; no figure wraps for sizes a screen
// can hold (each is clamped to 32767 pixels first).
LanguageLayout layoutLanguageDialog(const LanguageLayoutInput& input);

// The number of rows the list shows at once.
int visibleLanguageRows(int rowCount);

}  // namespace setup

#endif
