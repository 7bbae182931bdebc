#include "engine/unattended_interaction.h"

#include "engine/log/run_log.h"

namespace setup {

namespace {

constexpr std::uint32_t kButtonsMask = 0x0F;
constexpr std::uint32_t kYesNoButtons = 0x04;

}  // namespace

int UnattendedQuestions::message(const char* text, const char* caption, MessageStyle style) {
    const int answer = (style & kButtonsMask) == kYesNoButtons ? kAnswerNo : kAnswerOk;
    logRunMessage(caption, text, answer);
    return answer;
}

ReplaceAnswer UnattendedQuestions::askReplace(const char* path, const EntryBuffers&) {
    logRunLine("replace question \"%s\": not asked, replaced", path);
    return kReplaceAll;
}

FilesInUseAnswer UnattendedQuestions::askFilesInUse(const char* const* names, std::size_t count, bool,
                                                    bool programs) {
    for (std::size_t i = 0; i < count; ++i) logRunLine(programs ? "held by the program %s" : "in use: %s", names[i]);
    return FilesInUseAnswer::cancel;
}

StatusPopup UnattendedDisplay::openStatus(const char* text, fmt::ImageIndex) {
    logRunLine("%s", text);
    return 0;
}

}  // namespace setup
