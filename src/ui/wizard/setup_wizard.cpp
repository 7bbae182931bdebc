#include "ui/wizard/setup_wizard.h"

#include <commctrl.h>

#include <cstring>
#include <initializer_list>

#include "base/process_state.h"
#include "base/program_instance.h"
#include "engine/directx/directx_setup_rules.h"
#include "engine/directx/directx_version.h"
#include "engine/failure/cancel.h"
#include "engine/failure/window_boundary.h"
#include "package/setup_config.h"
#include "resource_ids.h"
#include "ui/base_font.h"
#include "ui/chooser/directory_chooser.h"
#include "ui/common_controls.h"
#include "ui/message_box.h"
#include "ui/wizard/disk_space.h"
#include "ui/wizard/layout/page_layout.h"
#include "ui/wizard/page_builder.h"
#include "ui/wizard/wizard_rules.h"

namespace setup {

std::int32_t currentPage;
WizardState wizardState;

namespace {

// The first-generation page and sheet records, which every version of the
// common controls accepts. The sheet steps through the page records by
// their size, so the array holds records of exactly that size.
constexpr UINT kPageRecordSize = 40;
constexpr UINT kSheetRecordSize = 40;
static_assert(sizeof(PROPSHEETPAGEA_V1) == kPageRecordSize);

std::uint32_t pageCount() {
    const std::uint32_t count = config().settings.pageCount;
    return count < fmt::kMaxPages ? count : fmt::kMaxPages;
}

bool isPageIndex(std::int32_t index) {
    return index >= 0 && static_cast<std::uint32_t>(index) < pageCount();
}

SelectionPresets presets() {
    const fmt::ScalarSettings& settings = config().settings;
    return {settings.selectionPreset1, settings.defaultSelection, settings.selectionPreset3};
}

std::uint32_t& selectionMask() { return wizardState.selection->selectionMask; }

void setCheck(HWND page, int id, bool checked) {
    SendDlgItemMessageA(page, id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

bool isChecked(HWND page, int id) { return SendDlgItemMessageA(page, id, BM_GETCHECK, 0, 0) != 0; }

bool hasControl(HWND page, int id) { return GetDlgItem(page, id) != nullptr; }

// The page's result for the sheet, as a dialog procedure hands it over.
INT_PTR pageResult(HWND page, LONG_PTR result) {
    SetWindowLongPtrA(page, DWLP_MSGRESULT, result);
    return TRUE;
}

void buildCurrentPage(HWND page) {
    if (!isPageIndex(currentPage) || wizardState.built[currentPage]) return;
    wizardState.built[currentPage] = true;
    // A page slot that points outside the record describes an empty page.
    const std::uint8_t* areaEnd = configArea + fmt::kConfigAreaSize;
    const auto* description = configRecord<const std::uint8_t>(config().pages[currentPage]);
    if (description < configArea || description > areaEnd) description = areaEnd;
    buildPage(page, description, areaEnd);
}

void initialisePage(HWND page) {
    if (!wizardState.firstPageSeen) {
        wizardState.firstPageSeen = true;
        wizardState.sheet = GetParent(page);
        SetWindowTextA(wizardState.sheet, configText(config().texts.titleWizard));
        centreOnScreen(wizardState.sheet);
    }
    buildCurrentPage(page);
}

// Check states from the stored choices; controls the page lacks ignore it.
void restoreChoices(HWND page) {
    const std::uint32_t flags = config().settings.flags;
    setCheck(page, kIdDesktopShortcuts, (flags & fmt::kFlagDesktopShortcuts) != 0);
    setCheck(page, kIdStartMenuShortcuts, (flags & fmt::kFlagStartMenuShortcuts) != 0);
    for (int id : {kIdPreset1, kIdDefaultSelection, kIdPreset3})
        setCheck(page, id, presetChecked(presets(), id, selectionMask()));
    setCheck(page, kIdInstallDirectX, installDirectX);
    setCheck(page, kIdSkipDirectX, !installDirectX);
}

void storeChoices(HWND page) {
    std::uint32_t flags = config().settings.flags;
    if (hasControl(page, kIdDesktopShortcuts)) {
        flags = withFlag(flags, fmt::kFlagDesktopShortcuts, isChecked(page, kIdDesktopShortcuts));
    }
    if (hasControl(page, kIdStartMenuShortcuts)) {
        flags = withFlag(flags, fmt::kFlagStartMenuShortcuts,
                         isChecked(page, kIdStartMenuShortcuts));
    }
    for (int id : {kIdPreset1, kIdDefaultSelection, kIdPreset3}) {
        if (hasControl(page, id) && isChecked(page, id))
            selectionMask() = presetMask(presets(), id, selectionMask());
    }
    config().settings.flags = flags;
    if (hasControl(page, kIdInstallDirectX)) installDirectX = isChecked(page, kIdInstallDirectX);
}

LONG_PTR activatePage(HWND page) {
    restoreChoices(page);
    SetDlgItemTextA(page, kIdDestinationFolder, installDir);
    updateDiskSpace(page, *wizardState.selection);
    PostMessageA(wizardState.sheet, PSM_SETWIZBUTTONS, 0,
                 static_cast<LPARAM>(wizardButtons(currentPage, pageCount())));
    return 0;
}

LONG_PTR nextPage(HWND page) {
    // Next is not offered on the last page; a stray one keeps the page.
    if (!isPageIndex(currentPage + 1)) return -1;
    if (!updateDiskSpace(page, *wizardState.selection)) {
        const fmt::TextSlots& texts = config().texts;
        if (showMessageBox(page, configText(texts.msgLowDiskSpace), configText(texts.titleMessage),
                           MB_YESNO | MB_ICONINFORMATION | MB_DEFBUTTON2) == IDNO) {
            return -1;
        }
    }
    storeChoices(page);
    ++currentPage;
    return 0;
}

LONG_PTR previousPage(HWND page) {
    if (currentPage <= 0) return -1;  // Back is not offered on the first page
    storeChoices(page);
    --currentPage;
    return 0;
}

INT_PTR notifyPage(HWND page, const NMHDR& header) {
    switch (header.code) {
    case PSN_SETACTIVE: return pageResult(page, activatePage(page));
    case PSN_WIZNEXT: return pageResult(page, nextPage(page));
    case PSN_WIZBACK: return pageResult(page, previousPage(page));
    case PSN_QUERYCANCEL:
        // Declined, the sheet stays as it was. Confirmed, the run ends here,
        // inside the notification: the sheet goes first, and the sheet's
        // code, whose state goes with it, is never returned to.
        if (confirmQuit(page)) {
            DestroyWindow(wizardState.sheet);
            endCancelledRun();
        }
        return pageResult(page, TRUE);
    case PSN_KILLACTIVE:
    case PSN_RESET: return pageResult(page, 0);
    default: return FALSE;
    }
}

INT_PTR commandPage(HWND page, int id) {
    switch (id) {
    case kIdBrowse:
        runDirectoryChooser(page);
        SetDlgItemTextA(page, kIdDestinationFolder, installDir);
        updateDiskSpace(page, *wizardState.selection);
        return TRUE;
    case kIdPreset1:
    case kIdDefaultSelection:
    case kIdPreset3:
        selectionMask() = presetMask(presets(), id, selectionMask());
        updateDiskSpace(page, *wizardState.selection);
        return TRUE;
    default: return FALSE;
    }
}

}  // namespace

INT_PTR wizardPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: initialisePage(page); return TRUE;
    case WM_NOTIFY: return notifyPage(page, *reinterpret_cast<const NMHDR*>(lParam));
    case WM_COMMAND: return commandPage(page, LOWORD(wParam));
    default: return FALSE;
    }
}

void centreOnScreen(HWND window) {
    RECT frame;
    GetWindowRect(window, &frame);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(window, nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2,
                 (GetSystemMetrics(SM_CYSCREEN) - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool runSetupWizard(ExtractionState& product) {
    fmt::SetupConfig& record = config();
    currentPage = 0;
    wizardState = WizardState{};
    wizardState.selection = &product;
    baseFont();

    installDirectX =
        needsDirectXSetup(detectDirectXVersion(), record.settings.requiredDirectXVersion);
    if (!installDirectX) {
        std::uint32_t pages[fmt::kMaxPages];
        std::memcpy(pages, record.pages, sizeof pages);
        std::uint32_t count = record.settings.pageCount;
        removeWizardPage(pages, count, record.settings.directXPageIndex);
        std::memcpy(record.pages, pages, sizeof pages);
        record.settings.pageCount = count;
    }
    const std::uint32_t count = pageCount();
    if (count == 0) return true;

    PROPSHEETPAGEA_V1 pages[fmt::kMaxPages] = {};
    for (std::uint32_t i = 0; i < count; ++i) {
        pages[i].dwSize = kPageRecordSize;
        // A wizard's caption is its page's title: each page carries the
        // wizard title, or the sheet would show the empty template caption.
        pages[i].dwFlags = PSP_USETITLE;
        pages[i].hInstance = programInstance;
        pages[i].pszTemplate = MAKEINTRESOURCEA(IDD_WIZARD_PAGE);
        pages[i].pszTitle = configText(record.texts.titleWizard);
        pages[i].pfnDlgProc = guardedDialogProc<wizardPageProc>;
        pages[i].lParam = static_cast<LPARAM>(i);
    }
    PROPSHEETHEADERA sheet = {};
    sheet.dwSize = kSheetRecordSize;
    sheet.dwFlags = PSH_WIZARD | PSH_NOAPPLYNOW | PSH_PROPSHEETPAGE | PSH_USEICONID;
    sheet.hwndParent = nullptr;
    sheet.hInstance = programInstance;
    sheet.pszIcon = MAKEINTRESOURCEA(IDI_SETUP);
    sheet.pszCaption = configText(record.texts.titleWizard);
    sheet.nPages = count;
    sheet.nStartPage = 0;
    sheet.ppsp = reinterpret_cast<LPCPROPSHEETPAGEA>(pages);

    PropertySheetFunction propertySheet = loadCommonControls();
    if (propertySheet == nullptr) return false;
    return propertySheet(&sheet) > 0;
}

}  // namespace setup
