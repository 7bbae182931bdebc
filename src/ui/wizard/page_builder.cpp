#include "ui/wizard/page_builder.h"

#include "base/bounded_text.h"
#include "base/program_instance.h"
#include "engine/directx/directx_version.h"
#include "engine/extract/picture_files.h"
#include "package/setup_config.h"
#include "ui/base_font.h"
#include "ui/pictures.h"
#include "ui/wizard/item_fonts.h"
#include "ui/wizard/layout/page_layout.h"
#include "ui/wizard/wizard_rules.h"

namespace setup {

const char* requiredSizeText = "";

static_assert(style::kChild == WS_CHILD && style::kVisible == WS_VISIBLE &&
              style::kClipChildren == WS_CLIPCHILDREN && style::kTabStop == WS_TABSTOP);
static_assert(style::kStaticCenter == SS_CENTER && style::kStaticRight == SS_RIGHT &&
              style::kStaticBitmap == SS_BITMAP &&
              style::kStaticEtchedHorizontal == SS_ETCHEDHORZ &&
              style::kStaticNoPrefix == SS_NOPREFIX &&
              style::kStaticRealSizeImage == SS_REALSIZEIMAGE);
static_assert(style::kPushButton == BS_PUSHBUTTON && style::kAutoCheckBox == BS_AUTOCHECKBOX &&
              style::kGroupBox == BS_GROUPBOX && style::kAutoRadioButton == BS_AUTORADIOBUTTON &&
              style::kLeftText == BS_LEFTTEXT && style::kButtonLeft == BS_LEFT &&
              style::kButtonRight == BS_RIGHT && style::kButtonCenter == BS_CENTER &&
              style::kButtonVerticalCenter == BS_VCENTER);
static_assert(style::kExTransparent == WS_EX_TRANSPARENT &&
              style::kExStaticEdge == WS_EX_STATICEDGE);

namespace {

// Measures in the page's device context and creates the controls as the
// layout hands them over.
class PageWindowHost final : public LayoutHost {
public:
    explicit PageWindowHost(HWND page)
        : page_(page), dc_(GetDC(page)), previous_(SelectObject(dc_, baseFont())) {}
    ~PageWindowHost() override {
        SelectObject(dc_, previous_);
        ReleaseDC(page_, dc_);
    }
    PageWindowHost(const PageWindowHost&) = delete;
    PageWindowHost& operator=(const PageWindowHost&) = delete;

    TextExtent extent(const char* text, int count) override {
        SIZE size = {};
        GetTextExtentPoint32A(dc_, text, count, &size);
        return {size.cx, size.cy};
    }

    int fitCount(const char* text, int count, int width) override {
        int fit = 0;
        SIZE size = {};
        if (!GetTextExtentExPointA(dc_, text, count, width, &fit, nullptr, &size)) return 0;
        return fit;
    }

    void selectItemFont(std::uint32_t flags) override {
        font_ = itemFont(flags);
        SelectObject(dc_, font_ != nullptr ? font_ : baseFont());
    }

    void selectBaseFont() override { SelectObject(dc_, baseFont()); }

    bool blobSize(std::int32_t index, int& width, int& height) override {
        if (index < 0) return false;
        const fmt::Blob* blob = blobRecord(static_cast<std::uint32_t>(index));
        if (blob == nullptr) return false;
        width = blob->width;
        height = blob->height;
        return true;
    }

    const char* directXVersionText() override { return setup::directXVersionText(); }

    void addControl(const ControlSpec& wanted) override {
        const char* className = wanted.controlClass == ControlClass::kButton ? "Button" : "Static";
        HWND control = CreateWindowExA(wanted.exStyle, className, wanted.text, wanted.style, wanted.x,
                                       wanted.y, wanted.width, wanted.height, page_,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(wanted.id)),
                                       programInstance, nullptr);
        if (control == nullptr) return;
        if (wanted.itemFont && font_ != nullptr)
            SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
        if (wanted.image >= 0) {
            // Without the picture the framed empty control stays.
            HANDLE bitmap = loadBlobImage(static_cast<std::uint32_t>(wanted.image), IMAGE_BITMAP);
            if (bitmap != nullptr) {
                SendMessageA(control, STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap));
                // Taking the picture sizes the control to the bitmap alone;
                // the frame gets its room back.
                SetWindowPos(control, nullptr, 0, 0, wanted.width, wanted.height,
                             SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
        }
    }

private:
    HWND page_;
    HDC dc_;
    HGDIOBJ previous_;
    HFONT font_ = nullptr;
};

int screenDensity() {
    if (measureContext != nullptr) return GetDeviceCaps(measureContext, LOGPIXELSY);
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
}

}  // namespace

const char* directXVersionText() {
    static char text[32];
    const fmt::TextSlots& texts = config().texts;
    formatDirectXVersion(detectDirectXVersion(), configText(texts.dxVersionNotFound),
                         configText(texts.dxVersionUnknown), text, sizeof text);
    return text;
}

void buildPage(HWND page, const std::uint8_t* description, const std::uint8_t* end) {
    RECT client = {};
    GetClientRect(page, &client);
    const fmt::SetupConfig& record = config();
    PageSettings settings = {};
    settings.clientWidth = client.right;
    settings.clientHeight = client.bottom;
    settings.dpi = screenDensity();
    settings.edgeWidth = GetSystemMetrics(SM_CXEDGE);
    settings.edgeHeight = GetSystemMetrics(SM_CYEDGE);
    settings.controlExStyle = record.settings.controlExStyle;
    settings.textAlignment = record.settings.textAlignment;
    settings.labelSpaceRequired = configText(record.texts.labelSpaceRequired);
    settings.labelSpaceFree = configText(record.texts.labelSpaceFree);
    settings.captionBrowse = configText(record.texts.captionBrowse);

    PageWindowHost host(page);
    if (const char* text = layoutPage(PageItemReader(description, end), settings, host))
        requiredSizeText = text;
}

}  // namespace setup
