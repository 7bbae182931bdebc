#include "engine/paths/private_folder.h"

#include <wincrypt.h>

#include <cstring>

#include "base/bounded_text.h"
#include "base/system_library.h"
#include "engine/paths/system_folders.h"

namespace setup {

namespace {

// S-1-5-18 (the system) and S-1-5-32-544 (the administrators), as the
// system lays a security identifier out.
const BYTE kLocalSystem[] = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};
const BYTE kAdministrators[] = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 0x02, 0, 0};

// Names already taken are drawn again; this many are tried.
constexpr int kNameAttempts = 16;

bool systemRandom(void* bytes, std::size_t size) {
    using GenRandomFunction = BOOLEAN(WINAPI*)(PVOID, ULONG);
    if (auto generate = systemFunction<GenRandomFunction>("advapi32.dll", "SystemFunction036"))
        if (generate(bytes, static_cast<ULONG>(size))) return true;
    HCRYPTPROV provider = 0;
    if (!CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT | CRYPT_SILENT))
        return false;
    const bool filled = CryptGenRandom(provider, static_cast<DWORD>(size), static_cast<BYTE*>(bytes)) != 0;
    CryptReleaseContext(provider, 0);
    return filled;
}

}  // namespace

bool PrivateFolderSecurity::prepare(SECURITY_ATTRIBUTES*& attributes) {
    attributes = nullptr;
    // Decided by the system's exports: a compatibility mode reporting 9x
    // must not leave the folder without its access list.
    if (!runsOnWindowsNT()) return true;
    const auto addAce = systemFunction<AddAceFunction>("advapi32.dll", "AddAccessAllowedAceEx");
    const auto setControl =
        systemFunction<SetControlFunction>("advapi32.dll", "SetSecurityDescriptorControl");
    if (addAce == nullptr || setControl == nullptr) return true;
    if (!build(addAce, setControl)) return false;
    attributes = &attributes_;
    return true;
}

bool PrivateFolderSecurity::build(AddAceFunction addAce, SetControlFunction setControl) {
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    alignas(8) BYTE info[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD length = 0;
    const BOOL got = GetTokenInformation(token, TokenUser, info, sizeof info, &length);
    CloseHandle(token);
    if (!got || !CopySid(sizeof user_, user_, reinterpret_cast<TOKEN_USER*>(info)->User.Sid)) return false;
    PACL acl = reinterpret_cast<PACL>(acl_);
    if (!InitializeAcl(acl, sizeof acl_, ACL_REVISION)) return false;
    const PSID members[] = {user_, const_cast<BYTE*>(kLocalSystem), const_cast<BYTE*>(kAdministrators)};
    for (PSID member : members) {
        if (!addAce(acl, ACL_REVISION, OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, FILE_ALL_ACCESS,
                    member))
            return false;
    }
    if (!InitializeSecurityDescriptor(&descriptor_, SECURITY_DESCRIPTOR_REVISION) ||
        !SetSecurityDescriptorDacl(&descriptor_, TRUE, acl, FALSE) ||
        !setControl(&descriptor_, SE_DACL_PROTECTED, SE_DACL_PROTECTED))
        return false;
    attributes_ = SECURITY_ATTRIBUTES{sizeof attributes_, &descriptor_, FALSE};
    return true;
}

void fillRandom(void* bytes, std::size_t size) {
    if (systemRandom(bytes, size)) return;
    LARGE_INTEGER counter = {};
    QueryPerformanceCounter(&counter);
    std::uint32_t state = GetTickCount() ^ (GetCurrentProcessId() << 16) ^ counter.LowPart ^
                          static_cast<std::uint32_t>(reinterpret_cast<ULONG_PTR>(&counter));
    auto* out = static_cast<std::uint8_t*>(bytes);
    for (std::size_t i = 0; i < size; ++i) {
        state = state * 1664525u + 1013904223u;
        out[i] = static_cast<std::uint8_t>(state >> 24);
    }
}

bool makePrivateFolder(const char* parent, const char* prefix, char (&folder)[fmt::kMaxPath]) {
    PrivateFolderSecurity security;
    SECURITY_ATTRIBUTES* attributes = nullptr;
    if (!security.prepare(attributes)) return false;
    for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
        std::uint8_t tag[8];
        fillRandom(tag, sizeof tag);
        char name[2 * sizeof tag + 1];
        for (std::size_t i = 0; i < sizeof tag; ++i)
            formatBounded(name + 2 * i, sizeof name - 2 * i, "%02X", tag[i]);
        // Room for the closing backslash too, before anything is made.
        if (!formatBounded(folder, sizeof folder, "%s%s%s", parent, prefix, name) ||
            std::strlen(folder) + 2 > sizeof folder) {
            folder[0] = '\0';
            SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return false;
        }
        // Fails when the name exists, whatever it is: never a folder reused.
        if (CreateDirectoryA(folder, attributes)) return appendBounded(folder, "\\");
        const DWORD error = GetLastError();
        if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) break;
    }
    folder[0] = '\0';
    return false;
}

bool makePrivateTemporaryFolder(const char* prefix, char (&folder)[fmt::kMaxPath]) {
    char parent[fmt::kMaxPath];
    const std::size_t length = readSystemFolder(SystemFolder::temporary, parent) ? std::strlen(parent) : 0;
    if (length == 0 || parent[length - 1] != '\\') {
        folder[0] = '\0';
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    return makePrivateFolder(parent, prefix, folder);
}

}  // namespace setup
