// Everything a run shows or asks goes through here: the engine never draws a
// window and never asks the system for one. Two roles, so that a program can
// mix them:
//   Questions  the answers a run needs: messages, yes/no questions, the
//              replace question, the files-in-use question
//   Display    what a run shows while it works: the status popup and the
//              progress window
// The setup program's windows implement both (ui/window_interaction.h); an
// unattended run answers every question as /S documents and shows nothing
// (engine/unattended_interaction.h). The program that runs the engine defines
// questions() and display() (setup/interaction_choice.cpp): a run that
// answers as /S but shows its progress takes UnattendedQuestions with the
// windows' Display.
#ifndef ENGINE_INTERACTION_H
#define ENGINE_INTERACTION_H

#include <cstddef>
#include <cstdint>

#include "format/package_format.h"
#include "package/component_stream.h"

namespace setup {

// The message boxes the engine shows. The values are the system's MB_ styles,
// which the windows pass on as they are.
enum MessageStyle : std::uint32_t {
    kMessageError = 0x10,              // OK, the error icon
    kMessageInformation = 0x40,        // OK, the information icon
    kMessageQuestion = 0x24,           // Yes and No, the question icon
    kMessageQuestionNoDefault = 0x124, // the same with No as the default button
};

// The button that answered a message: the system's IDOK, IDYES and IDNO. A box
// that could not be shown answers 0.
enum MessageAnswer : int {
    kAnswerOk = 1,
    kAnswerYes = 6,
    kAnswerNo = 7,
};

// The answers to the replace question (the values are its buttons' ids).
enum ReplaceAnswer : int {
    kReplaceCancel = 2,  // the user confirmed quitting: the run ends as a cancel
    kReplaceYes = 6,     // replace this file
    kReplaceNo = 7,      // keep the existing file and skip the entry
    kReplaceAll = 231,   // replace this and every later file of the run
};

// The answers to the files-in-use question.
enum class FilesInUseAnswer {
    retry,   // look again: the user closed what held the files
    ignore,  // go on without them
    cancel,  // end the run as a cancel, nothing changed
};

class Questions {
public:
    // Shows `text` under `caption` (nullptr: the system's default caption)
    // without an owner window and returns the button that answered it. Every
    // message goes to the run's log with its answer; an unattended run shows
    // none and answers No to a question, OK to anything else.
    virtual int message(const char* text, const char* caption, MessageStyle style) = 0;

    // A question with Yes and No: true for Yes.
    bool askYesNo(const char* text, const char* caption, bool noIsDefault = false) {
        return message(text, caption, noIsDefault ? kMessageQuestionNoDefault : kMessageQuestion) ==
               kAnswerYes;
    }

    // Whether the existing file at `path` makes way for `entry` (its name,
    // size and time are shown beside the existing file's). kReplaceCancel
    // only after the user confirmed quitting; a question that cannot be
    // shown counts as Yes.
    virtual ReplaceAnswer askReplace(const char* path, const EntryBuffers& entry) = 0;

    // The `count` programs (`programs`), or else files, that hold what the
    // run must change, `more` when the list goes on beyond them: Retry,
    // Ignore or Cancel. Unattended: Cancel.
    virtual FilesInUseAnswer askFilesInUse(const char* const* names, std::size_t count, bool more,
                                           bool programs) = 0;

protected:
    ~Questions() = default;
};

// The texts of a progress window; they point into the configuration record.
struct ProgressTexts {
    const char* title;        // the window's caption
    const char* groupFormat;  // "%s" = the component's name
    const char* fileFormat;   // "%s" = the entry's name
};

// A status popup that openStatus opened; 0 stands for none.
using StatusPopup = std::uintptr_t;

class Display {
public:
    // Shows `text` with the picture of ImageIndexTable entry `icon` until
    // closeStatus, and writes the text to the run's log. The picture's
    // temporary file may raise error code 5 (engine/extract/picture_files.h).
    virtual StatusPopup openStatus(const char* text, fmt::ImageIndex icon) = 0;
    virtual void closeStatus(StatusPopup popup) = 0;

    // The progress window of one extraction, from openProgress to
    // closeProgress.
    virtual void openProgress(const ProgressTexts& texts) = 0;
    // Called after every chunk: the current component (nullptr: not shown)
    // and file, and `done` of `total` packed bytes. Only what changed is
    // redrawn; it never handles messages itself.
    virtual void showProgress(const char* group, const char* file, std::int32_t done,
                              std::int32_t total) = 0;
    // Handles the progress window's waiting messages; never waits. Called a
    // few times per chunk: it makes no system call without a window.
    virtual void pumpProgress() = 0;
    // True once the user confirmed a cancel in the progress window (its
    // Cancel, Esc or close box): the window is gone, and the engine ends
    // the run as a cancel.
    virtual bool cancelSeen() = 0;
    virtual void closeProgress() = 0;

protected:
    ~Display() = default;
};

// The running program's questions and display, defined by that program.
Questions& questions();
Display& display();

}  // namespace setup

#endif
