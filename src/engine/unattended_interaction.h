// The interaction of a run that nobody watches (/S): no window at all.
// Every question gets the answer the command line documents, every message
// and status text goes to the run's log, and nothing is pumped.
#ifndef ENGINE_UNATTENDED_INTERACTION_H
#define ENGINE_UNATTENDED_INTERACTION_H

#include "engine/interaction.h"

namespace setup {

// A question gets No, any other message OK; an existing file is replaced,
// and files in use cancel the run. Every question an unattended run meets
// is decided by its caller before it would be asked; what still reaches
// here is a message to read, or a question whose safe answer is No.
class UnattendedQuestions final : public Questions {
public:
    int message(const char* text, const char* caption, MessageStyle style) override;
    ReplaceAnswer askReplace(const char* path, const EntryBuffers& entry) override;
    FilesInUseAnswer askFilesInUse(const char* const* names, std::size_t count, bool more,
                                   bool programs) override;
};

// Shows nothing; a status text goes to the run's log.
class UnattendedDisplay final : public Display {
public:
    StatusPopup openStatus(const char* text, fmt::ImageIndex icon) override;
    void closeStatus(StatusPopup) override {}
    void openProgress(const ProgressTexts&) override {}
    void showProgress(const char*, const char*, std::int32_t, std::int32_t) override {}
    void pumpProgress() override {}
    bool cancelSeen() override { return false; }
    void closeProgress() override {}
};

}  // namespace setup

#endif
