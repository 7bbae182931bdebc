// The product's files that another program holds open so that they cannot
// be removed: the uninstaller looks before it removes anything, since a
// removal that stops half-way leaves a product that neither runs nor
// uninstalls cleanly.
#ifndef UNINSTALLER_HELD_PRODUCT_FILES_H
#define UNINSTALLER_HELD_PRODUCT_FILES_H

#include <cstddef>

#include "engine/in_use/in_use_list.h"
#include "engine/log/uninstall_log.h"

namespace uninstaller {

// Fills `held` with the file entries of `log` (a log checkLog accepted)
// that cannot be deleted now because another program holds them (a
// running program's or loaded library's file included), and the
// programs that do where the system names them. The uninstaller's own
// file (`ownProgram`) is passed over: it goes through a copy of itself.
// `scratch` (room for `capacity` entries) is overwritten.
void findHeldProductFiles(const fmt::u8* log, const char* ownProgram, setup::InUseList& held,
                          setup::LogItem* scratch, std::size_t capacity);

}  // namespace uninstaller

#endif
