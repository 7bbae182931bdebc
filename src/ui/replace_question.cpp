#include "ui/replace_question.h"

namespace setup {

// Until the confirmation dialog exists an existing file is replaced, as if
// the user had answered Yes.
ReplaceAnswer askReplaceExistingFile() { return kReplaceYes; }

}  // namespace setup
