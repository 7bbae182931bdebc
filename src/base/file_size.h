// 64-bit file sizes and seeks from the 32-bit pair GetFileSize and
// SetFilePointer with their high parts, which every 32-bit Windows exports;
// GetFileSizeEx and SetFilePointerEx do the same from Windows 2000 on only.
#ifndef BASE_FILE_SIZE_H
#define BASE_FILE_SIZE_H

#include <windows.h>

#include <cstdint>

namespace setup {

// The size of the open file; false, with the last error set, on a failure.
bool fileSize(HANDLE file, std::uint64_t& size);

// Moves the file pointer by `distance` from `method` (FILE_BEGIN,
// FILE_CURRENT or FILE_END); false, with the last error set, on a failure.
bool seekFile(HANDLE file, std::int64_t distance, DWORD method);

}  // namespace setup

#endif
