#include "base/file_size.h"

namespace setup {

// Both calls answer all ones in the low part for a failure and for a value
// whose low part is all ones alike: only the last error tells them apart.

bool fileSize(HANDLE file, std::uint64_t& size) {
    DWORD high = 0;
    SetLastError(NO_ERROR);
    const DWORD low = GetFileSize(file, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != NO_ERROR) return false;
    size = (static_cast<std::uint64_t>(high) << 32) | low;
    return true;
}

bool seekFile(HANDLE file, std::int64_t distance, DWORD method) {
    const auto bits = static_cast<std::uint64_t>(distance);
    LONG high = static_cast<LONG>(static_cast<std::uint32_t>(bits >> 32));
    SetLastError(NO_ERROR);
    const DWORD low = SetFilePointer(file, static_cast<LONG>(static_cast<std::uint32_t>(bits)), &high, method);
    return !(low == INVALID_SET_FILE_POINTER && GetLastError() != NO_ERROR);
}

}  // namespace setup
