// The folder a fuzzed description is read in: the starter product (its
// description, pictures and files) and a few more files, folders and links
// that descriptions name, so that file references resolve as they would for
// a real product.
#ifndef FUZZ_SCRATCH_PRODUCT_H
#define FUZZ_SCRATCH_PRODUCT_H

#include <filesystem>

namespace fuzzing {

// Fills `folder` (new or empty). Every file gets one fixed modification time,
// so that installers built from it are the same from run to run.
//   a.txt, b.bin, empty.txt, chunk.bin (16,385 bytes), tiny.bmp, tiny.ico, tiny.avi
//   tree/one.txt, tree/sub/two.txt, tree/sub/link.txt -> ../one.txt
//   links-out/out.txt -> ../a.txt      links-folder/dir -> .
//   links-gone/gone -> (nothing)       links-loop/loop1 <-> loop2
//   pipe-folder/pipe (a named pipe)
void writeScratchProduct(const std::filesystem::path& folder);

}  // namespace fuzzing

#endif
