#include "engine/directx/directx_version.h"

#include <windows.h>

#include "base/process_state.h"
#include "base/system_library.h"

namespace setup {

namespace {

using GetFileVersionInfoSizeFunction = DWORD(WINAPI*)(LPCSTR, LPDWORD);
using GetFileVersionInfoFunction = BOOL(WINAPI*)(LPCSTR, DWORD, DWORD, LPVOID);
using VerQueryValueFunction = BOOL(WINAPI*)(LPCVOID, LPCSTR, LPVOID*, PUINT);

struct VersionFunctions {
    GetFileVersionInfoSizeFunction infoSize;
    GetFileVersionInfoFunction info;
    VerQueryValueFunction query;
};

bool loadVersionFunctions(VersionFunctions& functions) {
    HMODULE library = loadSystemLibrary("version.dll");
    functions.infoSize =
        systemFunction<GetFileVersionInfoSizeFunction>(library, "GetFileVersionInfoSizeA");
    functions.info = systemFunction<GetFileVersionInfoFunction>(library, "GetFileVersionInfoA");
    functions.query = systemFunction<VerQueryValueFunction>(library, "VerQueryValueA");
    return functions.infoSize && functions.info && functions.query;
}

// The product version text of the block, terminated within the block; the
// block stays owned by the caller.
const char* productVersion(const VersionFunctions& functions, const void* block,
                           const char* query) {
    void* value = nullptr;
    UINT length = 0;
    if (!functions.query(block, query, &value, &length) || value == nullptr || length == 0)
        return nullptr;
    return static_cast<const char*>(value);
}

// The version resource and its block; freed on every way out.
class VersionBlock {
public:
    explicit VersionBlock(DWORD size) : bytes_(LocalAlloc(LPTR, size)) {}
    ~VersionBlock() {
        if (bytes_ != nullptr) LocalFree(bytes_);
    }
    VersionBlock(const VersionBlock&) = delete;
    VersionBlock& operator=(const VersionBlock&) = delete;
    void* bytes() const { return bytes_; }

private:
    HLOCAL bytes_;
};

}  // namespace

std::int32_t detectDirectXVersion() {
    if (isWindowsNT) return kDirectXNotApplicable;

    // From the system folder by its full path: a bare name would find a
    // copy beside the program first wherever the search is not restricted.
    HMODULE ddraw = loadSystemLibrary("ddraw.dll");
    if (ddraw == nullptr) return kDirectXNotFound;
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(ddraw, path, MAX_PATH - 1);
    FreeLibrary(ddraw);
    if (length == 0 || length >= MAX_PATH - 1) return kDirectXUnreadable;

    VersionFunctions functions;
    if (!loadVersionFunctions(functions)) return kDirectXUnreadable;
    DWORD handle = 0;
    const DWORD size = functions.infoSize(path, &handle);
    if (size == 0) return kDirectXUnreadable;
    // Room to spare behind the resource, as the version functions may
    // write a little past the size they report.
    VersionBlock block(size + 32);
    if (block.bytes() == nullptr || !functions.info(path, 0, size, block.bytes()))
        return kDirectXUnreadable;

    // US English, with the Unicode and then the Western code page.
    const char* text = productVersion(functions, block.bytes(),
                                      "\\StringFileInfo\\040904B0\\ProductVersion");
    if (text == nullptr) {
        text = productVersion(functions, block.bytes(),
                              "\\StringFileInfo\\040904E4\\ProductVersion");
    }
    if (text == nullptr) return kDirectXUnreadable;
    return directXVersionFromProductVersion(text);
}

}  // namespace setup
