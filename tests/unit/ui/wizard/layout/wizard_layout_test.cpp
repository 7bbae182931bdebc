// The page layout without windows: a fixed-pitch measuring model stands in
// for the device context, and the controls handed over are recorded.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "format/package_format.h"
#include "ui/wizard/layout/item_font_rules.h"
#include "ui/wizard/layout/page_items.h"
#include "ui/wizard/layout/page_layout.h"
#include "ui/wizard/layout/text_height.h"

using namespace setup;

namespace {

// Items as the builder stores them, back to back.
class Description {
public:
    Description& text(std::uint32_t type, const std::string& text, std::uint32_t flags = 0) {
        head(type, flags, static_cast<std::uint32_t>(text.size() + 1));
        bytes_.insert(bytes_.end(), text.begin(), text.end());
        bytes_.push_back(0);
        return *this;
    }
    Description& value(std::uint32_t type, std::int32_t value) {
        head(type, 0, 4);
        const auto* p = reinterpret_cast<const std::uint8_t*>(&value);
        bytes_.insert(bytes_.end(), p, p + 4);
        return *this;
    }
    Description& raw(std::uint32_t type, std::uint32_t flags, std::uint32_t dataSize,
                     std::vector<std::uint8_t> data = {}) {
        head(type, flags, dataSize);
        bytes_.insert(bytes_.end(), data.begin(), data.end());
        return *this;
    }
    Description& end() { return raw(0, 0, 0); }
    PageItemReader reader() const { return PageItemReader(bytes_.data(), bytes_.data() + bytes_.size()); }

private:
    void head(std::uint32_t type, std::uint32_t flags, std::uint32_t size) {
        const fmt::PageItem item{type, flags, size};
        const auto* p = reinterpret_cast<const std::uint8_t*>(&item);
        bytes_.insert(bytes_.end(), p, p + sizeof item);
    }
    std::vector<std::uint8_t> bytes_;
};

// Six pixels a character and thirteen a line in the normal size; the small
// size is 3/4 and the large twice that, like the fonts derived from the base.
class RecordingHost final : public LayoutHost {
public:
    TextExtent extent(const char*, int count) override { return {charWidth() * count, lineHeight()}; }
    int fitCount(const char*, int count, int width) override {
        const int fit = width / charWidth();
        return fit < count ? fit : count;
    }
    void selectItemFont(std::uint32_t flags) override { size_ = decodeItemFont(flags).size; }
    void selectBaseFont() override { size_ = FontSize::kNormal; }
    bool blobSize(std::int32_t index, int& width, int& height) override {
        if (index != 0) return false;
        width = 120;
        height = 226;
        return true;
    }
    const char* directXVersionText() override { return "DirectX 5"; }
    void addControl(const ControlSpec& wanted) override {
        controls.push_back(wanted);
        texts.emplace_back(wanted.text);
    }

    const ControlSpec& withId(int id) const {
        for (const ControlSpec& c : controls)
            if (c.id == id) return c;
        throw std::runtime_error("no control " + std::to_string(id));
    }

    std::vector<ControlSpec> controls;
    std::vector<std::string> texts;

private:
    int lineHeight() const { return size_ == FontSize::kLarge ? 26 : size_ == FontSize::kSmall ? 10 : 13; }
    int charWidth() const { return size_ == FontSize::kLarge ? 12 : 6; }
    FontSize size_ = FontSize::kNormal;
};

PageSettings page96(std::uint32_t textAlignment = 0) {
    PageSettings settings{};
    settings.clientWidth = 483;
    settings.clientHeight = 228;
    settings.dpi = 96;
    settings.edgeWidth = 2;
    settings.edgeHeight = 2;
    settings.textAlignment = textAlignment;
    settings.labelSpaceRequired = "Required:";
    settings.labelSpaceFree = "Free:";
    settings.captionBrowse = "Browse";
    return settings;
}

}  // namespace

TEST(PointsToPixels, RoundsLikeMulDiv) {
    struct Case { std::int32_t points; int dpi; int pixels; };
    const Case cases[] = {{2, 96, 3},   {4, 96, 5},   {5, 96, 7},    {8, 96, 11},  {11, 96, 15},
                          {12, 96, 16}, {20, 96, 27}, {39, 96, 52},  {-5, 96, -7}, {-6, 96, -8},
                          {8, 120, 13}, {0, 96, 0},   {2147483647, 96, -1}};
    for (const Case& c : cases) EXPECT_EQ(pointsToPixels(c.points, c.dpi), c.pixels) << c.points;
}

TEST(MeasureTextHeight, BreaksAtTheLastCharacterThatFitsAndAtLineFeeds) {
    RecordingHost host;
    struct Case { const char* text; int width; int lines; };
    const Case cases[] = {
        {"", 60, 0},
        {"abc", 60, 1},
        {"abc\n", 60, 1},           // a closing line feed adds nothing
        {"\n", 60, 1},              // a lone line feed is one line
        {"a\n\nb", 60, 3},          // an empty line between two counts one
        {"aaaa bbbb", 30, 2},       // "aaaa " fits, the blank is stepped over
        {"abcdefghij", 30, 2},      // mid-word: five and five
        {"ab  \ncd", 12, 3},        // blanks stepped over land on the line feed
        {"abcdefghij\nxy", 0, 2},   // no width: each line still counts once
        {"abcdefghij", -50, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(measureTextHeight(host, c.text, c.width), 13 * c.lines) << '"' << c.text << '"';
}

TEST(PageItemReader, NeverReadsPastTheAreaAndSkipsWhatItCannotUse) {
    Description d;
    d.text(fmt::kItemText, "one")
        .raw(fmt::kItemText, 0, 3, {'a', 'b', 'c'})  // no terminator: not a text
        .raw(fmt::kItemIndentLeft, 0, 2, {1, 2})     // too short for a value
        .raw(99, 0, 5, {1, 2, 3, 4, 5})              // unknown kinds pass by their size
        .value(fmt::kItemSpaceAbove, -4)
        .end()
        .text(fmt::kItemText, "after the end");
    PageItemReader reader = d.reader();
    PageItemView item;
    ASSERT_TRUE(reader.next(item));
    EXPECT_STREQ(item.text, "one");
    ASSERT_TRUE(reader.next(item));
    EXPECT_EQ(item.text, nullptr);
    ASSERT_TRUE(reader.next(item));
    EXPECT_FALSE(item.hasValue);
    ASSERT_TRUE(reader.next(item));
    EXPECT_EQ(item.type, 99u);
    ASSERT_TRUE(reader.next(item));
    EXPECT_TRUE(item.hasValue);
    EXPECT_EQ(item.value, -4);
    EXPECT_FALSE(reader.next(item));

    // A data size running past the area, and a head cut by it, end the page.
    Description hostile;
    hostile.text(fmt::kItemText, "kept").raw(fmt::kItemText, 0, 0xFFFFFFF0u, {'x', 0});
    reader = hostile.reader();
    ASSERT_TRUE(reader.next(item));
    EXPECT_FALSE(reader.next(item));
    std::vector<std::uint8_t> bytes(11, 1);
    EXPECT_FALSE(PageItemReader(bytes.data(), bytes.data() + bytes.size()).next(item));
}

// The picture, its indent and the bottom lines are checked on the real
// windows too (the wizard scenarios); here what those do not reach.
TEST(PageLayout, ImageIndentsAnchorsAndSkippedKinds) {
    Description d;
    d.value(fmt::kItemImage, 0)
        .value(fmt::kItemIndentLeft, 5)
        .text(fmt::kItemText, "Heading", fmt::kItemFaceArial | fmt::kItemFontLarge | fmt::kItemBold)
        .value(fmt::kItemIndentLeft, 6)
        .value(fmt::kItemIndentLeft, -6)
        .raw(16, 0, 4, {0, 0, 0, 0})
        .text(fmt::kItemText, "\n", fmt::kItemFontSmall)
        .text(fmt::kItemText, "Last line", fmt::kItemAnchorBottom)
        .text(fmt::kItemText, "Above it", fmt::kItemAnchorBottom)
        .value(fmt::kItemImage, 7)  // no such picture: nothing placed
        .end();
    RecordingHost host;
    EXPECT_EQ(layoutPage(d.reader(), page96(), host), nullptr);
    ASSERT_EQ(host.controls.size(), 5u);

    EXPECT_EQ(host.controls[0].height, 226 + 2 * 2);
    const ControlSpec& heading = host.controls[1];
    EXPECT_EQ(heading.x, 120 + 2 * 2 + 7);
    EXPECT_EQ(heading.y, 0);  // beside the picture
    EXPECT_EQ(heading.width, 483 - 131);

    const ControlSpec& gap = host.controls[2];  // after +6 and -6: the same left edge
    EXPECT_EQ(gap.x, heading.x);
    EXPECT_EQ(gap.y, 26);
    EXPECT_EQ(gap.height, 10);  // one small line

    EXPECT_EQ(host.controls[3].y, 228 - 13);
    EXPECT_EQ(host.controls[4].y, 228 - 26);
}

TEST(PageLayout, AlignmentStylesAndTextItems) {
    Description d;
    d.text(fmt::kItemText, "default")
        .text(fmt::kItemText, "centred", fmt::kItemAlignCenter)
        .text(fmt::kItemDesktopCheckBox, "desktop")
        .text(fmt::kItemPreset3Radio, "complete", fmt::kItemAlignLeft)
        .text(fmt::kItemRequiredSpaceText, "Needed: ")
        .text(fmt::kItemDirectXVersionText, "Installed: %s")
        .text(fmt::kItemDirectXVersionText, "odd %d format")
        .end();
    struct Case {
        std::uint32_t alignment;
        std::uint32_t defaultText, checkBox, radio;
    };
    const Case cases[] = {
        {0, style::kStaticLeft, style::kButtonLeft, style::kButtonLeft},
        {1, style::kStaticCenter, style::kButtonRight, style::kButtonLeft},
        {2, style::kStaticRight, style::kButtonRight | style::kLeftText,
         style::kButtonLeft | style::kLeftText},
        {0x1234, style::kStaticLeft, style::kButtonLeft, style::kButtonLeft},  // out of range: left
    };
    for (const Case& c : cases) {
        RecordingHost host;
        EXPECT_STREQ(layoutPage(d.reader(), page96(c.alignment), host), "Needed: ");
        ASSERT_EQ(host.controls.size(), 7u);
        const std::uint32_t alignBits = 0x3 | style::kLeftText | style::kButtonCenter;
        EXPECT_EQ(host.controls[0].style & 0x3, c.defaultText) << c.alignment;
        EXPECT_EQ(host.controls[1].style & 0x3, style::kStaticCenter);
        const ControlSpec& box = host.withId(400);
        EXPECT_EQ(box.style & (alignBits & ~0x3u), c.checkBox) << c.alignment;
        EXPECT_EQ(box.style & 0xF, style::kAutoCheckBox);
        EXPECT_EQ(box.height, 13 + 4);
        const ControlSpec& radio = host.withId(406);
        EXPECT_EQ(radio.style & (alignBits & ~0x3u), c.radio) << c.alignment;
        EXPECT_EQ(radio.style & 0xF, style::kAutoRadioButton);
        EXPECT_EQ(host.withId(40000).y, 13 * 2 + 17 * 2);
        EXPECT_EQ(host.texts[5], "Installed: DirectX 5");
        EXPECT_EQ(host.texts[6], "odd %d format");
    }
}

TEST(ItemFonts, FlagsDecodeWithTheirPrecedenceIntoOneCacheSlotEach) {
    struct Case { std::uint32_t flags; FontFace face; FontSize size; bool bold, italic, underline; unsigned index; };
    const Case cases[] = {
        {0x000, FontFace::kBase, FontSize::kNormal, false, false, false, 3},
        {0x190, FontFace::kArial, FontSize::kLarge, true, false, false, 2 + 6 + 9},
        {0x288, FontFace::kArial, FontSize::kNormal, false, true, false, 2 + 3 + 18},
        {0x030, FontFace::kBase, FontSize::kLarge, false, false, false, 6},   // large over small
        {0x0C0, FontFace::kArial, FontSize::kNormal, false, false, false, 5}, // Arial over Times
        {0x460, FontFace::kTimesNewRoman, FontSize::kSmall, false, false, true, 1 + 36},
        {0x7F1, FontFace::kArial, FontSize::kLarge, true, true, true, 71},
    };
    for (const Case& c : cases) {
        const ItemFontChoice choice = decodeItemFont(c.flags);
        EXPECT_EQ(choice.face, c.face) << std::hex << c.flags;
        EXPECT_EQ(choice.size, c.size) << std::hex << c.flags;
        EXPECT_EQ(choice.bold, c.bold);
        EXPECT_EQ(choice.italic, c.italic);
        EXPECT_EQ(choice.underline, c.underline);
        EXPECT_EQ(fontCacheIndex(choice), c.index) << std::hex << c.flags;
    }
    EXPECT_EQ(itemFontHeight(-10, FontSize::kSmall), -7);
    EXPECT_EQ(itemFontHeight(-13, FontSize::kSmall), -9);
    EXPECT_EQ(itemFontHeight(-10, FontSize::kLarge), -20);
    EXPECT_EQ(itemFontHeight(-10, FontSize::kNormal), -10);
}
