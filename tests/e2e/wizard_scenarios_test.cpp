// The setup wizard: moving through the pages, the choices restored and
// stored, the destination page's figures, the low-space question, cancel
// from any page, the DirectX detection on a Windows 9x platform, and the
// layout of the real windows at 96 dpi.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "harness/scenario.h"
#include "harness/small_disk.h"
#include "harness/wine_session.h"

namespace e2e {
namespace {

namespace fs = std::filesystem;

constexpr unsigned long kLeftText = 0x20, kButtonRight = 0x200, kStaticAlignment = 0x3;

// A 24-bit bitmap of the size, one colour.
std::string bitmap(int width, int height) {
    std::string bmp;
    auto u16 = [&](unsigned v) { bmp += char(v & 0xFF); bmp += char(v >> 8); };
    auto u32 = [&](unsigned v) { u16(v & 0xFFFF); u16(v >> 16); };
    const unsigned row = (width * 3 + 3) / 4 * 4, size = row * height;
    bmp += "BM";
    u32(54 + size); u32(0); u32(54);
    u32(40); u32(width); u32(height); u16(1); u16(24); u32(0); u32(size);
    u32(2835); u32(2835); u32(0); u32(0);
    for (int y = 0; y < height; ++y)
        for (unsigned x = 0; x < row; ++x) bmp += char(x % 3 == 0 ? 0xC0 : 0x40);
    return bmp;
}

std::string item(const std::string& kind, const std::string& value, const std::string& flags = "") {
    return "{ " + kind + " = " + value + (flags.empty() ? "" : ", flags = [" + flags + "]") + " }";
}

std::string text(const std::string& kind, const std::string& value, const std::string& flags = "") {
    return item(kind, tomlString(value), flags);
}

long width(const Rect& r) { return r.right - r.left; }
long height(const Rect& r) { return r.bottom - r.top; }

class WizardScenario : public SetupScenario {
protected:
    // A source file of `size` bytes of numbers, which deflate shrinks.
    void sizedSource(const std::string& name, std::size_t size) {
        std::string content;
        for (std::size_t i = 0; content.size() < size; ++i) content += std::to_string(i * 7919 % 1000) + " ";
        content.resize(size);
        source(name, content);
    }

    // Two components, 3,000 and 50,000 bytes; "Minimal" takes the first,
    // "Typical" and "Complete" both (equal masks).
    ProductDescription twoComponents() {
        ProductDescription product = description();
        sizedSource("core.txt", 3000);
        sizedSource("extras.txt", 50000);
        source("side.bmp", bitmap(120, 226));
        product.components = {{"Core", {"core.txt"}}, {"Extras", {"extras.txt"}}};
        product.defaultSelection = {"Core", "Extras"};
        product.options = {"preset-1 = [\"Core\"]", "preset-3 = [\"Core\", \"Extras\"]"};
        product.flags = {"desktop-shortcuts", "start-menu-shortcuts"};
        product.setText("msgLowDiskSpace", "Too little space for " + productName() + ". Go on?");
        product.extraToml = shortcutAction("desktop-shortcut", "core.txt", name() + " Core", "") +
                            shortcutAction("programs-shortcut", "core.txt", name() + "\\Core", "") +
                            "[[pictures]]\nname = \"side\"\nfile = \"side.bmp\"\n";
        return product;
    }

    // Five pages: a welcome page with the picture and two bottom lines, the
    // destination, the shortcuts, the setup type, and a last page that
    // offers the desktop shortcut once more.
    ProductDescription fivePages() {
        ProductDescription product = twoComponents();
        const std::string heading = "\"bold\", \"arial\", \"large\"";
        product.pages = {
            {item("image", "\"side\""), item("indent-left", "5"), text("text", "Welcome", heading),
             text("text", "\nThe first page."), text("text", "Last line", "\"bottom\""),
             text("text", "Above the last line", "\"bottom\"")},
            {text("text", "Destination"), item("destination-group", "true", "\"bottom\"")},
            {text("text", "Shortcuts"), text("desktop-checkbox", "&Desktop"),
             text("start-menu-checkbox", "&Start menu")},
            {text("text", "Setup type"), text("preset-1-radio", "&Minimal"),
             text("default-selection-radio", "&Typical"), text("preset-3-radio", "&Complete"),
             text("required-space-text", "Needed: ")},
            {text("text", "Ready"), text("desktop-checkbox", "&Desktop after all")},
        };
        return product;
    }

    std::optional<WizardPage> startWizard(const ProductDescription& product, const std::string& exe,
                                          const std::vector<std::string>& environment = {}) {
        if (!buildAs(product, exe)) return std::nullopt;
        process_ = &start(exe, environment);
        return acceptToWizard(exe, "page");
    }

    // Presses a sheet button and waits for the next page.
    std::optional<WizardPage> press(const WizardPage& page, int button, const std::string& exe) {
        EXPECT_TRUE(robot.click(page.sheet.hwnd, button)) << robot.lastOutput();
        return waitWizardPage(exe, "page", page.page);
    }

    Process* process_ = nullptr;
};

// ---- navigation, stored choices, figures and the run they steer ----------

TEST_F(WizardScenario, FivePagesStepAndTheChoicesSteerTheRun) {
    const std::string exe = "five.exe";
    const std::string desktopLink =
        hostPathOf(shellFolder("Desktop") + "\\" + name() + " Core.lnk");
    const std::string programsDir =
        hostPathOf(shellFolder("Programs") + "\\" + name());
    removeAtEnd(desktopLink);
    removeAtEnd(programsDir);

    std::optional<WizardPage> welcome = startWizard(fivePages(), exe);
    ASSERT_TRUE(welcome);
    EXPECT_EQ(welcome->sheet.title, productName() + " Wizard");
    EXPECT_EQ(welcome->navigation(), std::vector<int>{kWizardNext});
    EXPECT_TRUE(welcome->shows(kWizardBack)) << "Back is shown, disabled";
    EXPECT_FALSE(welcome->shows(kWizardFinish));
    // Layout at 96 dpi: the framed picture, then 5 points (7 pixels).
    ASSERT_GE(welcome->controls.size(), 5u);
    const Control& picture = welcome->controls[0];
    EXPECT_EQ(picture.rect.left, welcome->pageRect.left);
    EXPECT_EQ(width(picture.rect), 120 + 2 * 2);
    const Control* heading = welcome->withText("Welcome");
    ASSERT_TRUE(heading);
    EXPECT_EQ(heading->rect.left - welcome->pageRect.left, 120 + 2 * 2 + 7);
    const Control* last = welcome->withText("Last line");
    const Control* above = welcome->withText("Above the last line");
    ASSERT_TRUE(last && above);
    EXPECT_EQ(last->rect.bottom, welcome->pageRect.bottom);
    EXPECT_EQ(above->rect.bottom, last->rect.top);

    std::optional<WizardPage> destination = press(*welcome, kWizardNext, exe);
    ASSERT_TRUE(destination);
    EXPECT_EQ(destination->navigation(), (std::vector<int>{kWizardBack, kWizardNext}));
    ASSERT_TRUE(destination->control(kFolder) && destination->control(kBrowse));
    EXPECT_EQ(destination->control(kFolder)->text, installFolder());
    const std::regex figure("[0-9][0-9,]*\\.[0-9]+ (bytes|KB|MB|GB|TB)");
    const std::string required = destination->control(kRequired)->text;
    const std::string free = destination->control(kFree)->text;
    EXPECT_TRUE(std::regex_match(required, figure)) << required;
    EXPECT_TRUE(std::regex_match(free, figure)) << free;
    EXPECT_EQ(required.substr(required.rfind(' ')), free.substr(free.rfind(' ')))
        << "the required figure is in the free figure's unit";
    // The group's rows, from its top left corner (5 and 11 points in).
    const std::vector<Control>& group = destination->controls;
    ASSERT_EQ(group.size(), 9u);  // the text, then the group's eight controls
    const Rect box = group[1].rect, label1 = group[2].rect, label2 = group[4].rect;
    const Rect rule = group[6].rect, browse = group[7].rect, path = group[8].rect;
    const long line = (height(box) - 52) / 3;
    EXPECT_EQ((height(box) - 52) % 3, 0) << "group height 39 points + 3 lines";
    EXPECT_EQ(box.bottom, destination->pageRect.bottom);
    EXPECT_EQ(label1.left - box.left, 7);
    EXPECT_EQ(label1.top - box.top, 15);
    EXPECT_EQ(group[3].rect.left, label1.right);
    EXPECT_EQ(label2.top, label1.bottom + 3);
    EXPECT_EQ(rule.top, label2.bottom + 7);
    EXPECT_EQ(browse.top, rule.top + 7);
    EXPECT_EQ(browse.right, box.left + 7 + width(box) - 16);
    EXPECT_EQ(path.top, browse.top + 5);
    EXPECT_EQ(height(path), line);
    EXPECT_LE(path.right + 4, browse.left);

    std::optional<WizardPage> shortcuts = press(*destination, kWizardNext, exe);
    ASSERT_TRUE(shortcuts);
    ASSERT_TRUE(shortcuts->control(kDesktop) && shortcuts->control(kStartMenu));
    EXPECT_EQ(shortcuts->control(kDesktop)->check, 1);
    EXPECT_EQ(shortcuts->control(kStartMenu)->check, 1);
    toggle(*shortcuts, kDesktop);
    shortcuts = toggle(*shortcuts, kStartMenu);
    ASSERT_TRUE(shortcuts);
    EXPECT_EQ(shortcuts->control(kDesktop)->check, 0);

    // Back and forth: the pages keep their windows; the check states come
    // from what Back stored.
    std::optional<WizardPage> again = press(*shortcuts, kWizardBack, exe);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->page, destination->page);
    EXPECT_EQ(again->control(kFolder)->hwnd, destination->control(kFolder)->hwnd);
    std::optional<WizardPage> shortcutsAgain = press(*again, kWizardNext, exe);
    ASSERT_TRUE(shortcutsAgain);
    EXPECT_EQ(shortcutsAgain->page, shortcuts->page);
    EXPECT_EQ(shortcutsAgain->control(kDesktop)->hwnd, shortcuts->control(kDesktop)->hwnd);
    EXPECT_EQ(shortcutsAgain->control(kDesktop)->check, 0);
    EXPECT_EQ(shortcutsAgain->control(kStartMenu)->check, 0);

    // Two presets with the selection's mask both show checked; Minimal
    // lowers the required figure at once.
    std::optional<WizardPage> setupType = press(*shortcutsAgain, kWizardNext, exe);
    ASSERT_TRUE(setupType);
    EXPECT_EQ(setupType->control(kMinimal)->check, 0);
    EXPECT_EQ(setupType->control(kTypical)->check, 1);
    EXPECT_EQ(setupType->control(kComplete)->check, 1);
    ASSERT_TRUE(setupType->control(kRequiredText));
    EXPECT_EQ(setupType->control(kRequiredText)->text, "Needed: 51.76 KB");
    setupType = toggle(*setupType, kMinimal);
    ASSERT_TRUE(setupType);
    EXPECT_EQ(setupType->control(kRequiredText)->text, "Needed: 2.93 KB");
    screenshot("minimal-chosen");

    // The last page: Back and Finish. Its check box shows the stored choice
    // and is not read on Finish.
    std::optional<WizardPage> ready = press(*setupType, kWizardNext, exe);
    ASSERT_TRUE(ready);
    EXPECT_EQ(ready->navigation(), (std::vector<int>{kWizardBack, kWizardFinish}));
    EXPECT_FALSE(ready->shows(kWizardNext));
    EXPECT_EQ(ready->control(kDesktop)->check, 0);
    ready = toggle(*ready, kDesktop);
    ASSERT_TRUE(ready);
    EXPECT_EQ(ready->control(kDesktop)->check, 1);
    ASSERT_TRUE(robot.click(ready->sheet.hwnd, kWizardFinish));

    EXPECT_EQ(finishAtCompletion(exe, *process_), productName() + " is installed in " + installFolder() + ".");
    EXPECT_TRUE(fs::exists(hostInstallFolder() + "core.txt"));
    EXPECT_FALSE(fs::exists(hostInstallFolder() + "extras.txt")) << "Minimal installs Core only";
    EXPECT_FALSE(fs::exists(desktopLink));
    EXPECT_FALSE(fs::exists(programsDir));
}

// A single page shows Finish only; right alignment puts the texts right and
// the check boxes' boxes right of their texts.
TEST_F(WizardScenario, OnePageRightAligned) {
    ProductDescription product = twoComponents();
    product.options.push_back("text-alignment = \"right\"");
    product.pages = {{text("text", "The only page."), text("desktop-checkbox", "&Desktop"),
                      text("text", "Left after all", "\"left\"")}};
    std::optional<WizardPage> page = startWizard(product, "one.exe");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->navigation(), std::vector<int>{kWizardFinish});
    EXPECT_FALSE(page->shows(kWizardNext));
    ASSERT_EQ(page->controls.size(), 3u);
    EXPECT_EQ(page->controls[0].style & kStaticAlignment, 2u) << "SS_RIGHT";
    EXPECT_EQ(page->controls[1].style & (kLeftText | kButtonRight), kLeftText | kButtonRight);
    EXPECT_EQ(page->controls[2].style & kStaticAlignment, 0u) << "the item's own alignment";
    ASSERT_TRUE(robot.click(page->sheet.hwnd, kWizardFinish));
    EXPECT_FALSE(finishAtCompletion("one.exe", *process_).empty());
    EXPECT_TRUE(fs::exists(hostInstallFolder() + "extras.txt"));
}

// ---- cancel ---------------------------------------------------------------

// The Cancel button, Esc and the close box each ask; No leaves the page as
// it was. Yes ends the run with the cancelled message and exit code 8.
TEST_F(WizardScenario, CancelFromAnyPageAsksAndEndsWithNothingWritten) {
    const std::string exe = "cancel.exe";
    std::optional<WizardPage> page = startWizard(fivePages(), exe);
    ASSERT_TRUE(page);
    enum class Way { kButton, kEscape, kCloseBox };
    struct Step { Way way; int answer; };
    const Step steps[] = {{Way::kButton, kIdNo}, {Way::kEscape, kIdNo}, {Way::kCloseBox, kIdNo},
                          {Way::kButton, kIdYes}};
    for (const Step& step : steps) {
        SCOPED_TRACE(static_cast<int>(step.way));
        switch (step.way) {
        case Way::kButton: robot.click(page->sheet.hwnd, kIdCancel); break;
        case Way::kEscape: robot.pressEscape(page->sheet.hwnd); break;
        case Way::kCloseBox: robot.closeBox(page->sheet.hwnd); break;
        }
        std::optional<Window> quit = waitMessageBox(exe, productName() + " Wizard", "quit");
        expectBox(quit, productName() + " Wizard", "Quit the setup of " + productName() + "?",
                  {kIdYes, kIdNo});
        ASSERT_TRUE(quit);
        answer(*quit, step.answer);
        if (step.answer == kIdYes) break;
        std::optional<WizardPage> after = currentWizardPage();
        ASSERT_TRUE(after) << "the wizard went away";
        EXPECT_EQ(after->page, page->page);
        EXPECT_EQ(after->navigation(), page->navigation());
        page = press(*after, kWizardNext, exe);
        ASSERT_TRUE(page);
    }
    std::optional<Window> canceled = waitWindow(WindowQuery::titled(exe, productName()), "canceled");
    expectBox(canceled, productName(), productName() + " was not installed.", {kIdOk});
    if (canceled) answer(*canceled, kIdOk);
    EXPECT_EQ(exitCodeOf(*process_), kSetupCancelled);
    EXPECT_FALSE(fs::exists(hostInstallFolder()));
    EXPECT_FALSE(wineSession().registryKeyExists(machineKey()));
}

// ---- low disk space -------------------------------------------------------

TEST_F(WizardScenario, LowSpaceAsksOnNextAndNoKeepsThePage) {
    SmallDisk disk(wineSession().prefix(), "256k");
    if (!disk.problem().empty()) GTEST_SKIP() << disk.problem();
    const std::string exe = "low.exe";
    ProductDescription product = twoComponents();
    sizedSource("large.txt", 400000);
    product.components.push_back({"Large", {"large.txt"}});
    product.defaultSelection.push_back("Large");
    product.defaultFolder = std::string(1, disk.letter()) + ":\\Product\\";
    product.pages = {{text("text", "Destination"), item("destination-group", "true")},
                     {text("text", "Ready")}};
    std::optional<WizardPage> page = startWizard(product, exe);
    ASSERT_TRUE(page);
    EXPECT_EQ(page->control(kFolder)->text, product.defaultFolder);
    EXPECT_EQ(page->control(kRequired)->text, "442.38 KB") << "in the free figure's unit";
    const std::string free = page->control(kFree)->text;
    EXPECT_TRUE(std::regex_match(free, std::regex("2[0-9][0-9]\\.[0-9]{2} KB"))) << free;

    const int answers[] = {kIdNo, kIdYes};
    for (int answerId : answers) {
        ASSERT_TRUE(robot.click(page->sheet.hwnd, kWizardNext));
        std::optional<Window> box = waitWindow(WindowQuery::titled(exe, productName()), "low-space");
        expectBox(box, productName(), "Too little space for " + productName() + ". Go on?",
                  {kIdYes, kIdNo});
        ASSERT_TRUE(box);
        EXPECT_EQ(box->defaultButton, kIdNo);
        answer(*box, answerId);
        if (answerId == kIdNo) {
            std::optional<WizardPage> same = currentWizardPage();
            ASSERT_TRUE(same);
            EXPECT_EQ(same->page, page->page);
            EXPECT_EQ(same->navigation(), std::vector<int>{kWizardNext});
        }
    }
    std::optional<WizardPage> next = waitWizardPage(exe, "page", page->page);
    ASSERT_TRUE(next);
    EXPECT_TRUE(next->withText("Ready"));
    robot.terminateOwner(next->sheet.hwnd);
}

// ---- DirectX on a Windows 9x platform ---------------------------------------

// Wine reports a Windows 9x platform to a program whose AppDefaults say
// win98, and loads a DirectDraw stand-in from the program's folder in place
// of its own. The first page shows the detected version, the second is the
// DirectX page, dropped when the installed DirectX is recent enough.
TEST_F(WizardScenario, DirectXDetectionOnWindows9x) {
    struct Case {
        const char* exe;
        const char* ddraw;  // the stand-in, or nullptr for Windows NT
        const char* shown;
        bool directXPage;
    };
    const Case cases[] = {
        {"dx405.exe", "ddraw_405.dll", "Installed: DirectX 5", false},
        {"dx404.exe", "ddraw_404.dll", "Installed: DirectX 3", true},
        {"dxother.exe", "ddraw_0.dll", "Installed: (unknown)", true},
        {"dxnt.exe", nullptr, "Installed: (unknown)", false},
    };
    ProductDescription product = twoComponents();
    product.options = {"required-directx = 0x00040005", "directx-page = 1"};
    product.pages = {{text("directx-version-text", "Installed: %s")},
                     {text("text", "DirectX"), text("directx-install-radio", "&Install"),
                      text("directx-skip-radio", "&Skip")},
                     {text("text", "Ready")}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.exe);
        std::vector<std::string> environment;
        if (c.ddraw != nullptr) environment = asWindows9x(c.exe, c.ddraw);
        std::optional<WizardPage> first = startWizard(product, c.exe, environment);
        ASSERT_TRUE(first);
        ASSERT_EQ(first->controls.size(), 1u);
        EXPECT_EQ(first->controls[0].text, c.shown);
        std::optional<WizardPage> second = press(*first, kWizardNext, c.exe);
        ASSERT_TRUE(second);
        EXPECT_EQ(second->control(kInstallDirectX) != nullptr, c.directXPage);
        if (c.directXPage) {
            EXPECT_EQ(second->control(kInstallDirectX)->check, 1) << "DirectX is needed";
            EXPECT_EQ(second->control(kSkipDirectX)->check, 0);
        } else {
            EXPECT_TRUE(second->withText("Ready"));
            EXPECT_TRUE(second->offers(kWizardFinish));
        }
        robot.terminateOwner(second->sheet.hwnd);
        exitCodeOf(*process_);
        fs::remove(hostDir() + "/ddraw.dll");
    }
}

}  // namespace
}  // namespace e2e
