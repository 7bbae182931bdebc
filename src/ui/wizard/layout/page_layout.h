// Laying out one wizard page from its description: every item takes its
// place in a shrinking free rectangle of the page (ordinary items from its
// top, bottom-anchored ones from its bottom, the image from its left side;
// spacing items move its edges), and each control it makes is handed to the
// host at once, in tab order. Pure: the host measures and creates.
#ifndef UI_WIZARD_LAYOUT_PAGE_LAYOUT_H
#define UI_WIZARD_LAYOUT_PAGE_LAYOUT_H

#include <cstdint>

#include "ui/wizard/layout/page_items.h"
#include "ui/wizard/layout/text_height.h"

namespace setup {

// Window styles as the system defines them (the Win32 side checks them).
namespace style {
inline constexpr std::uint32_t kChild = 0x40000000, kVisible = 0x10000000,
                               kClipChildren = 0x02000000, kTabStop = 0x00010000;
inline constexpr std::uint32_t kStaticLeft = 0x0, kStaticCenter = 0x1, kStaticRight = 0x2,
                               kStaticBitmap = 0xE, kStaticEtchedHorizontal = 0x10,
                               kStaticNoPrefix = 0x80, kStaticRealSizeImage = 0x800;
inline constexpr std::uint32_t kPushButton = 0x0, kAutoCheckBox = 0x3, kGroupBox = 0x7,
                               kAutoRadioButton = 0x9, kLeftText = 0x20, kButtonLeft = 0x100,
                               kButtonRight = 0x200, kButtonCenter = 0x300,
                               kButtonVerticalCenter = 0xC00;
inline constexpr std::uint32_t kExTransparent = 0x20, kExStaticEdge = 0x20000;
}  // namespace style

// Control identifiers the rest of the wizard knows the page's controls by.
enum PageControlId : int {
    kIdBrowse = 201,
    kIdDestinationFolder = 202,
    kIdRequiredSpace = 212,
    kIdFreeSpace = 213,
    kIdDesktopShortcuts = 400,
    kIdStartMenuShortcuts = 401,
    kIdInstallDirectX = 402,
    kIdSkipDirectX = 403,
    kIdPreset1 = 404,
    kIdDefaultSelection = 405,
    kIdPreset3 = 406,
    kIdRequiredSpaceText = 40000,
};

enum class ControlClass { kStatic, kButton };

struct ControlSpec {
    ControlClass controlClass;
    const char* text;    // valid during addControl only
    std::uint32_t style;
    std::uint32_t exStyle;
    int id;
    int x, y, width, height;  // page client pixels; sizes never negative
    bool itemFont;            // give the control the current item font
    std::int32_t image;       // blob index of an image control, else -1
};

struct PageSettings {
    int clientWidth;
    int clientHeight;
    int dpi;                  // vertical pixels per inch of the screen
    int edgeWidth;            // SM_CXEDGE
    int edgeHeight;           // SM_CYEDGE
    std::uint32_t controlExStyle;
    std::uint32_t textAlignment;  // 0 left, 1 centre, 2 right
    // The destination group's texts.
    const char* labelSpaceRequired;
    const char* labelSpaceFree;
    const char* captionBrowse;
};

class LayoutHost : public TextMeasurer {
public:
    // Makes the font of the item flags current (and measured with).
    virtual void selectItemFont(std::uint32_t flags) = 0;
    // Selects the base font; measuring then uses it.
    virtual void selectBaseFont() = 0;
    // A bitmap blob's size in pixels; false when the index names no blob.
    virtual bool blobSize(std::int32_t index, int& width, int& height) = 0;
    // The installed DirectX as text, for the "%s" of a DirectX version item.
    virtual const char* directXVersionText() = 0;
    // Creates the control at once (creation order is tab order).
    virtual void addControl(const ControlSpec& control) = 0;
};

// MulDiv(points, dpi, 72): rounded to nearest, halves away from zero; -1
// when the result does not fit 32 bits (as MulDiv answers).
int pointsToPixels(std::int32_t points, int dpi);

// The longest DirectX version line, terminator included.
inline constexpr unsigned kDirectXLineSize = 248;

// Lays out the items into the page. Returns the lead-in text of the last
// required-space item (type 7) of the page, or nullptr when it has none.
const char* layoutPage(PageItemReader items, const PageSettings& settings, LayoutHost& host);

}  // namespace setup

#endif
