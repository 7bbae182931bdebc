#include "uninstaller/held_product_files.h"

#include <windows.h>

#include "engine/in_use/held_files.h"

namespace uninstaller {

void findHeldProductFiles(const fmt::u8* log, const char* ownProgram, setup::InUseList& held,
                          setup::LogItem* scratch, std::size_t capacity) {
    held.clear();
    const std::size_t count = setup::collectLogEntries(log, fmt::kLogFile, scratch, capacity);
    for (std::size_t i = 0; i < count; ++i) {
        if (lstrcmpiA(scratch[i].text, ownProgram) == 0) continue;
        // Deleted, not moved: a running program's file counts as held.
        setup::noteIfHeld(scratch[i].text, held, true);
    }
    if (!held.empty()) setup::nameHoldingPrograms(held);
}

}  // namespace uninstaller
