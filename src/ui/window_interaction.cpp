#include "ui/window_interaction.h"

#include <windows.h>

#include "base/bounded_text.h"
#include "engine/extract/picture_files.h"
#include "package/setup_config.h"
#include "ui/files_in_use_dialog.h"
#include "ui/message_box.h"
#include "ui/notice_dialog.h"
#include "ui/pictures.h"
#include "ui/progress_window.h"
#include "ui/replace_question.h"

namespace setup {

static_assert(kMessageError == (MB_OK | MB_ICONERROR) &&
              kMessageInformation == (MB_OK | MB_ICONINFORMATION) &&
              kMessageQuestion == (MB_YESNO | MB_ICONQUESTION) &&
              kMessageQuestionNoDefault == (MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2));
static_assert(kAnswerOk == IDOK && kAnswerYes == IDYES && kAnswerNo == IDNO);
static_assert(kReplaceCancel == IDCANCEL && kReplaceYes == IDYES && kReplaceNo == IDNO);

int WindowQuestions::message(const char* text, const char* caption, MessageStyle style) {
    return showMessageBox(nullptr, text, caption, style);
}

ReplaceAnswer WindowQuestions::askReplace(const char* path, const EntryBuffers& entry) {
    return askReplaceExistingFile(path, entry);
}

FilesInUseAnswer WindowQuestions::askFilesInUse(const char* const* names, std::size_t count, bool more,
                                                bool programs) {
    return askAboutFilesInUse(names, count, more, programs);
}

StatusPopup WindowDisplay::openStatus(const char* text, fmt::ImageIndex icon) {
    HICON picture = static_cast<HICON>(loadBlobImage(imageIndex(icon), IMAGE_ICON));
    return reinterpret_cast<StatusPopup>(showStatusPopup(text, picture));
}

void WindowDisplay::closeStatus(StatusPopup popup) {
    if (popup != 0) DestroyWindow(reinterpret_cast<HWND>(popup));
}

void WindowDisplay::openProgress(const ProgressTexts& texts) { openProgressWindow(texts, cancellable_); }

void WindowDisplay::showProgress(const char* group, const char* file, std::int32_t done,
                                 std::int32_t total) {
    showProgressWindow(group, file, done, total);
}

void WindowDisplay::pumpProgress() { pumpProgressWindow(); }

bool WindowDisplay::cancelSeen() { return progressCancelConfirmed(); }

void WindowDisplay::closeProgress() { closeProgressWindow(); }

}  // namespace setup
