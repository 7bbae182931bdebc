#include "ui/replace_question.h"

#include <shellapi.h>

#include <initializer_list>

#include "base/bounded_text.h"
#include "base/file_size.h"
#include "base/fault_injection.h"
#include "base/program_instance.h"
#include "engine/extract/picture_files.h"
#include "engine/failure/window_boundary.h"
#include "engine/log/run_log.h"
#include "package/setup_config.h"
#include "resource_ids.h"
#include "ui/button_fit.h"
#include "ui/message_box.h"
#include "ui/pictures.h"
#include "ui/text/configured_format.h"
#include "ui/text/file_figures.h"
#include "ui/text/size_text.h"

namespace setup {

namespace {

constexpr std::size_t kLineSize = 512;

// What the open question asks about, and its window; both only while it is
// open.
const char* askedPath;
const EntryBuffers* askedEntry;
HWND openQuestion;

// The existing file's shell icon, shown on both file rows while the
// question is open.
HICON existingFileIcon;

void setText(HWND dialog, int id, std::uint32_t slot) { SetDlgItemTextA(dialog, id, configText(slot)); }

void showIcons(HWND dialog) {
    if (HANDLE picture = loadBlobImage(imageIndex(fmt::kImageReplaceDialog), IMAGE_ICON))
        SendDlgItemMessageA(dialog, IDC_REPLACE_PICTURE, STM_SETICON,
                            reinterpret_cast<WPARAM>(picture), 0);
    SHFILEINFOA info = {};
    if (SHGetFileInfoA(askedPath, 0, &info, sizeof info, SHGFI_ICON) && info.hIcon != nullptr) {
        existingFileIcon = info.hIcon;
        for (int id : {IDC_EXISTING_ICON, IDC_NEW_ICON})
            SendDlgItemMessageA(dialog, id, STM_SETIMAGE, IMAGE_ICON,
                                reinterpret_cast<LPARAM>(existingFileIcon));
    }
}

// Both files' figures; the new file's size in the unit chosen for the
// existing one, or in its own when the existing file cannot be read.
void showFigures(HWND dialog) {
    const fmt::TextSlots& texts = config().texts;
    const char* leadIn = configText(texts.replaceModifiedOn);
    char size[kSizeTextSize];
    char when[kDateAndTimeSize];
    char figures[kFileFiguresSize];

    int unit = kAutomaticUnit;
    HANDLE file = CreateFileA(askedPath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    std::uint64_t existingSize = 0;
    FILETIME written = {};
    if (file != INVALID_HANDLE_VALUE && fileSize(file, existingSize) &&
        GetFileTime(file, nullptr, nullptr, &written)) {
        unit = formatSizeText(size, sizeof size, kAutomaticUnit, static_cast<std::int64_t>(existingSize));
        formatFileTime(when, sizeof when, written);
        composeFileFigures(figures, sizeof figures, size, leadIn, when);
    } else {
        copyBounded(figures, configText(texts.replaceNoInfo));
    }
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    SetDlgItemTextA(dialog, IDC_EXISTING_INFO, figures);

    const fmt::FileEntry& entry = askedEntry->header;
    formatRequiredSizeText(size, sizeof size, unit, entry.unpackedSize);
    FILETIME stored;
    stored.dwLowDateTime = entry.fileTime.low;
    stored.dwHighDateTime = entry.fileTime.high;
    formatFileTime(when, sizeof when, stored);
    composeFileFigures(figures, sizeof figures, size, leadIn, when);
    SetDlgItemTextA(dialog, IDC_NEW_INFO, figures);
}

void initialise(HWND dialog) {
    const fmt::TextSlots& texts = config().texts;
    SetWindowTextA(dialog, configText(texts.replaceTitle));
    setText(dialog, IDC_REPLACE_QUESTION, texts.replaceQuestion);
    setText(dialog, IDC_REPLACE_WITH_THIS, texts.replaceWithThis);
    setText(dialog, IDYES, texts.captionYes);
    setText(dialog, IDC_YES_TO_ALL, texts.captionYesToAll);
    setText(dialog, IDNO, texts.captionNo);
    setText(dialog, IDCANCEL, texts.captionCancel);
    const int buttons[] = {IDYES, IDC_YES_TO_ALL, IDNO, IDCANCEL};
    fitButtonCaptions(dialog, buttons, 4);
    char line[kLineSize];
    formatConfiguredText(line, sizeof line, configText(texts.replaceExists), askedEntry->name);
    SetDlgItemTextA(dialog, IDC_REPLACE_EXISTS, line);
    showIcons(dialog);
    showFigures(dialog);
}

const char* answerName(INT_PTR answer) {
    switch (answer) {
    case kReplaceAll: return "Yes to All";
    case kReplaceNo: return "No";
    case kReplaceYes: return "Yes";
    default: return "not shown, replaced";
    }
}

}  // namespace

INT_PTR replaceConfirmProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        openQuestion = dialog;
        initialise(dialog);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDYES:
        case IDC_YES_TO_ALL:
        case IDNO: EndDialog(dialog, LOWORD(wParam)); return TRUE;
        case IDCANCEL:
            // Declined, the question stays; confirmed, the run ends as a cancel.
            if (confirmQuit(dialog)) EndDialog(dialog, kReplaceCancel);
            return TRUE;
        default: return FALSE;
        }
    default: return FALSE;
    }
}

ReplaceAnswer askReplaceExistingFile(const char* path, const EntryBuffers& entry) {
    // The fault-injection build answers with Yes, without a window.
    int seamAnswer = 0;
    if (answerWithoutWindow(path, MB_YESNO, seamAnswer)) return seamAnswer == IDNO ? kReplaceNo : kReplaceYes;
    askedPath = path;
    askedEntry = &entry;
    existingFileIcon = nullptr;
    const INT_PTR answer =
        DialogBoxParamA(programInstance, MAKEINTRESOURCEA(IDD_REPLACE_CONFIRM), nullptr,
                        guardedDialogProc<replaceConfirmProc>, 0);
    openQuestion = nullptr;
    if (existingFileIcon != nullptr) DestroyIcon(existingFileIcon);
    existingFileIcon = nullptr;
    // A confirmed quit is logged as the quit question's answer, not as this one's.
    if (answer == kReplaceCancel) return kReplaceCancel;
    logRunLine("replace question \"%s\": %s", path, answerName(answer));
    switch (answer) {
    case kReplaceAll: return kReplaceAll;
    case kReplaceNo: return kReplaceNo;
    default: return kReplaceYes;
    }
}

void cancelOpenReplaceQuestion() {
    if (openQuestion != nullptr) EndDialog(openQuestion, kReplaceCancel);
}

void formatFileTime(char* dest, std::size_t size, const FILETIME& time) {
    if (size == 0) return;
    dest[0] = '\0';
    SYSTEMTIME calendar;
    if (!FileTimeToSystemTime(&time, &calendar)) return;
    char date[kDateTextSize];
    if (GetDateFormatA(LOCALE_USER_DEFAULT, DATE_LONGDATE, &calendar, nullptr, date, sizeof date) == 0 &&
        GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &calendar, nullptr, date, sizeof date) == 0)
        date[0] = '\0';
    char clock[kDateTextSize];
    if (GetTimeFormatA(LOCALE_USER_DEFAULT, LOCALE_NOUSEROVERRIDE, &calendar, nullptr, clock,
                       sizeof clock) == 0)
        clock[0] = '\0';
    formatBounded(dest, size, "%s, %s", date, clock);
}

}  // namespace setup
