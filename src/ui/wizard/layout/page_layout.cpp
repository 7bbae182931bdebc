#include "ui/wizard/layout/page_layout.h"

#include <cstring>
#include <string>

#include "base/bounded_text.h"
#include "format/text_formats.h"

namespace setup {

namespace {

// Edges stay within this many pixels of the page: hostile spacing values or
// picture sizes cannot make the arithmetic overflow.
constexpr long long kEdgeLimit = 1 << 24;

int clampEdge(long long value) {
    if (value > kEdgeLimit) return static_cast<int>(kEdgeLimit);
    if (value < -kEdgeLimit) return static_cast<int>(-kEdgeLimit);
    return static_cast<int>(value);
}

int nonNegative(int value) { return value < 0 ? 0 : value; }

struct LayoutArea {
    int left, top, right, bottom;
};

class PageLayout {
public:
    PageLayout(const PageSettings& settings, LayoutHost& host) : settings_(settings), host_(host) {
        area_ = {0, 0, settings.clientWidth, settings.clientHeight};
        host_.selectBaseFont();
        baseLineHeight_ = host_.extent("  ", 2).height;
    }

    void place(const PageItemView& item) {
        host_.selectItemFont(item.flags);
        const bool anchored = (item.flags & fmt::kItemAnchorBottom) != 0;
        switch (item.type) {
        case fmt::kItemText:
            if (item.text != nullptr) placeText(item.text, item.flags, 0, anchored);
            return;
        case fmt::kItemRequiredSpaceText:
            if (item.text == nullptr) return;
            placeText(item.text, item.flags, kIdRequiredSpaceText, anchored);
            requiredSizeText_ = item.text;
            return;
        case fmt::kItemDirectXVersionText:
            if (item.text == nullptr) return;
            placeDirectXText(item, anchored);
            return;
        case fmt::kItemImage:
            if (item.hasValue) placeImage(item.value);
            return;
        case fmt::kItemSpaceAbove:
            if (item.hasValue) area_.top = clampEdge(area_.top + pixels(item.value));
            return;
        case fmt::kItemIndentLeft:
            if (item.hasValue) area_.left = clampEdge(area_.left + pixels(item.value));
            return;
        case fmt::kItemIndentRight:
            if (item.hasValue) area_.right = clampEdge(area_.right - pixels(item.value));
            return;
        case fmt::kItemDestinationGroup:
            placeDestinationGroup(anchored);
            return;
        default:
            if (item.type >= fmt::kItemDesktopCheckBox && item.type <= fmt::kItemPreset3Radio &&
                item.text != nullptr) {
                placeButton(item, anchored);
            }
            return;  // kinds above 15 are skipped
        }
    }

    const char* requiredSizeText() const { return requiredSizeText_; }

private:
    long long pixels(std::int32_t points) const { return pointsToPixels(points, settings_.dpi); }
    int width() const { return clampEdge(static_cast<long long>(area_.right) - area_.left); }

    // Takes `height` from the top of the free area, or from its bottom when
    // anchored, and returns where the item stands.
    int take(int height, bool anchored) {
        if (anchored) {
            area_.bottom = clampEdge(static_cast<long long>(area_.bottom) - height);
            return area_.bottom;
        }
        const int y = area_.top;
        area_.top = clampEdge(static_cast<long long>(area_.top) + height);
        return y;
    }

    std::uint32_t defaultAlignment() const {
        return settings_.textAlignment <= 2 ? settings_.textAlignment & 0xFFFF : 0;
    }

    std::uint32_t textAlignment(std::uint32_t flags) const {
        if (flags & fmt::kItemAlignRight) return style::kStaticRight;
        if (flags & fmt::kItemAlignLeft) return style::kStaticLeft;
        if (flags & fmt::kItemAlignCenter) return style::kStaticCenter;
        return defaultAlignment();
    }

    std::uint32_t buttonAlignment(std::uint32_t flags) const {
        std::uint32_t bits;
        if (flags & fmt::kItemAlignRight) bits = style::kButtonRight;
        else if (flags & fmt::kItemAlignLeft) bits = style::kButtonLeft;
        else if (flags & fmt::kItemAlignCenter) bits = style::kButtonCenter;
        else bits = defaultAlignment() != 0 ? style::kButtonRight : style::kButtonLeft;
        if (defaultAlignment() == 2) bits |= style::kLeftText;
        return bits;
    }

    void add(ControlClass controlClass, const char* text, std::uint32_t styleBits,
             std::uint32_t exStyle, int id, int x, int y, int w, int h, bool itemFont,
             std::int32_t image = -1) {
        const std::uint32_t common = style::kChild | style::kVisible | style::kClipChildren;
        host_.addControl({controlClass, text, common | styleBits, exStyle, id, x, y, nonNegative(w),
                          nonNegative(h), itemFont, image});
    }

    void placeText(const char* text, std::uint32_t flags, int id, bool anchored) {
        const int w = width();
        const int h = measureTextHeight(host_, text, w);
        const int y = take(h, anchored);
        add(ControlClass::kStatic, text, textAlignment(flags), settings_.controlExStyle, id,
            area_.left, y, w, h, true);
    }

    // The item's text is a format with one "%s" for the version; a format
    // that asks for anything else is shown as it stands.
    void placeDirectXText(const PageItemView& item, bool anchored) {
        char line[kDirectXLineSize];
        if (fmt::checkFormatText(item.text, "s").empty())
            formatBounded(line, sizeof line, item.text, host_.directXVersionText());
        else
            copyBounded(line, item.text);
        placeText(line, item.flags, 0, anchored);
    }

    void placeButton(const PageItemView& item, bool anchored) {
        static constexpr int kIds[] = {kIdDesktopShortcuts, kIdStartMenuShortcuts, 0,
                                       kIdInstallDirectX,   kIdSkipDirectX,        kIdPreset1,
                                       kIdDefaultSelection, kIdPreset3};
        const bool checkBox = item.type <= fmt::kItemStartMenuCheckBox;
        const std::uint32_t kind = checkBox ? style::kAutoCheckBox : style::kAutoRadioButton;
        const int w = width();
        const int h = measureTextHeight(host_, item.text, w) + 4;
        const int y = take(h, anchored);
        add(ControlClass::kButton, item.text,
            style::kTabStop | style::kButtonVerticalCenter | kind | buttonAlignment(item.flags),
            settings_.controlExStyle, kIds[item.type - fmt::kItemDesktopCheckBox], area_.left, y,
            w, h, true);
    }

    // The image stands at the top left of the free area, framed, and the
    // items after it to its right. An index that names no picture places
    // nothing.
    void placeImage(std::int32_t index) {
        int w = 0, h = 0;
        if (!host_.blobSize(index, w, h)) return;
        const int frameWidth = clampEdge(static_cast<long long>(w) + 2LL * settings_.edgeWidth);
        const int frameHeight = clampEdge(static_cast<long long>(h) + 2LL * settings_.edgeHeight);
        add(ControlClass::kStatic, "", style::kStaticBitmap | style::kStaticRealSizeImage,
            style::kExStaticEdge, 0, area_.left, area_.top, frameWidth, frameHeight, false, index);
        area_.left = clampEdge(static_cast<long long>(area_.left) + frameWidth);
    }

    // The destination folder with its Browse button and the two disk-space
    // rows, in a group box; every offset from the group's top left corner.
    void placeDestinationGroup(bool anchored) {
        const int line = baseLineHeight_;
        const int groupHeight = clampEdge(pixels(39) + 3LL * line);
        const int w = width();
        const int y = take(groupHeight, anchored);
        const std::uint32_t exStyle = settings_.controlExStyle;
        add(ControlClass::kButton, "", style::kTabStop | style::kGroupBox,
            exStyle | style::kExTransparent, 0, area_.left, y, w, groupHeight, false);

        const int x = clampEdge(area_.left + pixels(5));
        const int innerWidth = clampEdge(w - pixels(12));
        const std::uint32_t valueStyle = style::kStaticRight | style::kStaticNoPrefix;

        const int row1 = clampEdge(y + pixels(11));
        const TextExtent required = extentOf(settings_.labelSpaceRequired);
        add(ControlClass::kStatic, settings_.labelSpaceRequired, style::kStaticLeft, exStyle, 0,
            x, row1, required.width, required.height, true);
        add(ControlClass::kStatic, "", valueStyle, exStyle, kIdRequiredSpace,
            clampEdge(static_cast<long long>(x) + required.width), row1,
            clampEdge(static_cast<long long>(innerWidth) - required.width), required.height, true);

        const int row2 = clampEdge(static_cast<long long>(row1) + required.height + pixels(2));
        const TextExtent free = extentOf(settings_.labelSpaceFree);
        add(ControlClass::kStatic, settings_.labelSpaceFree, style::kStaticLeft, exStyle, 0, x,
            row2, free.width, free.height, true);
        add(ControlClass::kStatic, "", valueStyle, exStyle, kIdFreeSpace,
            clampEdge(static_cast<long long>(x) + free.width), row2,
            clampEdge(static_cast<long long>(innerWidth) - free.width), free.height, true);

        const int separator = clampEdge(static_cast<long long>(row2) + free.height + pixels(5));
        add(ControlClass::kStatic, "", style::kStaticEtchedHorizontal,
            style::kExStaticEdge | style::kExTransparent, 0, x, separator, innerWidth, 1, false);

        const int row4 = clampEdge(separator + pixels(5));
        const TextExtent browse = extentOf(settings_.captionBrowse);
        const int buttonWidth = clampEdge(browse.width + pixels(20));
        add(ControlClass::kButton, settings_.captionBrowse, style::kTabStop | style::kPushButton,
            exStyle, kIdBrowse, clampEdge(static_cast<long long>(x) + innerWidth - buttonWidth),
            row4, buttonWidth, clampEdge(browse.height + pixels(8)), true);
        // The folder is shown as it is: an "&" in it is no mnemonic.
        add(ControlClass::kStatic, "", style::kStaticLeft | style::kStaticNoPrefix, exStyle,
            kIdDestinationFolder, x, clampEdge(row4 + pixels(4)),
            clampEdge(static_cast<long long>(innerWidth) - buttonWidth - 4), line, true);
    }

    TextExtent extentOf(const char* text) {
        return host_.extent(text, static_cast<int>(std::strlen(text)));
    }

private:
    const PageSettings& settings_;
    LayoutHost& host_;
    LayoutArea area_;
    int baseLineHeight_ = 0;
    const char* requiredSizeText_ = nullptr;
};

}  // namespace

int pointsToPixels(std::int32_t points, int dpi) {
    const long long product = static_cast<long long>(points) * dpi;
    const bool positive = (points < 0) == (dpi < 0);
    const long long rounded = positive ? (product + 36) / 72 : (product - 36) / 72;
    if (rounded > 2147483647LL || rounded < -2147483647LL) return -1;
    return static_cast<int>(rounded);
}

const char* layoutPage(PageItemReader items, const PageSettings& settings, LayoutHost& host) {
    PageLayout layout(settings, host);
    PageItemView item;
    while (items.next(item)) layout.place(item);
    return layout.requiredSizeText();
}

}  // namespace setup
