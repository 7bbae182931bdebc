// The head of a stored file's entry and its stored name, as the writers of
// both stream methods put them in front of the file's chunk table.
#ifndef MKPACKAGE_FILE_ENTRY_HEAD_H
#define MKPACKAGE_FILE_ENTRY_HEAD_H

#include <cstddef>
#include <cstring>

#include "format/package_format.h"
#include "output/output_file.h"
#include "sources/source_files.h"

namespace mkpackage {

// `storedSize` is 0 where the writer patches it in once it is known.
inline void writeFileEntryHead(OutputFile& out, const SourceFile& file, std::size_t component, fmt::u32 storedSize) {
    fmt::FileEntry entry{};
    std::memcpy(entry.magic, fmt::kFileEntryMagic, 4);
    entry.unpackedSize = file.size;
    entry.storedSize = storedSize;
    entry.fileTime = file.fileTime;
    entry.attributes = file.attributes;
    entry.componentIndex = static_cast<fmt::u16>(component);
    entry.nameLength = static_cast<fmt::u16>(file.storedName.size());
    out.write(&entry, sizeof entry);
    out.write(file.storedName.data(), file.storedName.size());
}

}  // namespace mkpackage

#endif
