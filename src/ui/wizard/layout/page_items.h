// Walking a stored page description: PageItem records back to back, ended
// by an item of type 0. The walk never leaves the configuration area, and an
// item it cannot use is handed over as unusable rather than read.
#ifndef UI_WIZARD_LAYOUT_PAGE_ITEMS_H
#define UI_WIZARD_LAYOUT_PAGE_ITEMS_H

#include <cstdint>

#include "format/package_format.h"

namespace setup {

struct PageItemView {
    std::uint32_t type = fmt::kItemEnd;
    std::uint32_t flags = 0;
    // For the text kinds: the text, terminated inside its data; nullptr when
    // the data holds no terminator (the item is then skipped).
    const char* text = nullptr;
    // For the image and spacing kinds: the value; valid only with hasValue.
    std::int32_t value = 0;
    bool hasValue = false;
};

// Item kinds whose data is a text.
bool isTextItem(std::uint32_t type);
// Item kinds whose data is one i32.
bool isValueItem(std::uint32_t type);

// Reads the items of one description that starts at `begin`, where `end` is
// the end of the memory the walk may read (the configuration area's end). An
// item whose head or data would reach past `end` ends the page, as does the
// stored end item; data sizes come from the package and are not trusted.
class PageItemReader {
public:
    PageItemReader(const std::uint8_t* begin, const std::uint8_t* end) : next_(begin), end_(end) {}

    // The next item, or false at the end of the page.
    bool next(PageItemView& item);

private:
    const std::uint8_t* next_;
    const std::uint8_t* end_;
};

}  // namespace setup

#endif
