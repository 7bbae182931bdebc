// The interaction of a run with a user: the engine's messages and questions
// as message boxes and the replace question, its status popups and its
// progress window as the windows of ui/.
#ifndef UI_WINDOW_INTERACTION_H
#define UI_WINDOW_INTERACTION_H

#include "engine/interaction.h"

namespace setup {

// Message boxes without owner (ui/message_box.h), the replace question
// (ui/replace_question.h) and the files-in-use question
// (ui/files_in_use_dialog.h).
class WindowQuestions final : public Questions {
public:
    int message(const char* text, const char* caption, MessageStyle style) override;
    ReplaceAnswer askReplace(const char* path, const EntryBuffers& entry) override;
    FilesInUseAnswer askFilesInUse(const char* const* names, std::size_t count, bool more,
                                   bool programs) override;
};

// The status popup (ui/notice_dialog.h) with its picture, and the progress
// window (ui/progress_window.h), whose Cancel may be off (a passive run).
class WindowDisplay final : public Display {
public:
    explicit WindowDisplay(bool cancellable = true) : cancellable_(cancellable) {}

    StatusPopup openStatus(const char* text, fmt::ImageIndex icon) override;
    void closeStatus(StatusPopup popup) override;
    void openProgress(const ProgressTexts& texts) override;
    void showProgress(const char* group, const char* file, std::int32_t done,
                      std::int32_t total) override;
    void pumpProgress() override;
    bool cancelSeen() override;
    void closeProgress() override;

private:
    bool cancellable_;
};

}  // namespace setup

#endif
