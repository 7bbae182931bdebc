// The question asked before an existing file is replaced.
#ifndef UI_REPLACE_QUESTION_H
#define UI_REPLACE_QUESTION_H

namespace setup {

enum ReplaceAnswer : int {
    kReplaceYes = 6,    // replace this file
    kReplaceNo = 7,     // keep the existing file and skip the entry
    kReplaceAll = 231,  // replace this and every later file of the run
};

// Asks about the file in currentPath and the current entry. A cancel is
// handed to the cancel confirmation and never comes back as an answer.
ReplaceAnswer askReplaceExistingFile();

}  // namespace setup

#endif
