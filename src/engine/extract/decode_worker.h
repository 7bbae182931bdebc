// The extraction's second thread: decodes the next LZMA block while the main
// thread writes the files of the current one. It touches nothing but the
// block buffers it is handed: every window, file and other system call of
// the run stays on the main thread, which pumps its messages while it waits.
#ifndef ENGINE_EXTRACT_DECODE_WORKER_H
#define ENGINE_EXTRACT_DECODE_WORKER_H

#include "package/lzma_blocks.h"

namespace setup {

// The worker, its thread started on first use; nullptr when the system gives
// no thread (the blocks are then decoded on the main thread).
BlockWorker* decodeWorker();

// Waits for a block in progress, ends the thread and joins it. Every end of
// an extraction calls it: its end, a failure, a confirmed cancel. Harmless
// when there is no thread.
void stopDecodeWorker();

}  // namespace setup

#endif
