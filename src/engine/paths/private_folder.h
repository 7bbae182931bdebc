// Folders only the run can use: made new (a name that exists is never
// reused), and on Windows NT with a protected access list that lets in only
// the user running the program, the system and the administrators, so that
// no other user can put, change or take anything there. The setup program
// keeps its backups in such folders, extracts the DirectX component into one
// and the uninstaller starts the copy that removes its file from one.
#ifndef ENGINE_PATHS_PRIVATE_FOLDER_H
#define ENGINE_PATHS_PRIVATE_FOLDER_H

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "format/package_format.h"

namespace setup {

// Full access for the user running the program, the system and the
// administrators, passed on to everything inside; the list is protected,
// so nothing the parent folder grants to others is inherited.
class PrivateFolderSecurity {
public:
    // The attributes to make the folder with: the private list on Windows
    // 2000 and later; nullptr (the folder takes what its parent gives) on
    // the 9x family, which has no access lists, and on NT 4.0, which exports
    // neither AddAccessAllowedAceEx nor SetSecurityDescriptorControl and so
    // can make neither an inherited nor a protected list. Both are looked up
    // at run time, so that the programs load there. False, with the last
    // error set, when the list cannot be built.
    bool prepare(SECURITY_ATTRIBUTES*& attributes);

private:
    using AddAceFunction = BOOL(WINAPI*)(PACL, DWORD, DWORD, DWORD, PSID);
    using SetControlFunction = BOOL(WINAPI*)(PSECURITY_DESCRIPTOR, SECURITY_DESCRIPTOR_CONTROL,
                                             SECURITY_DESCRIPTOR_CONTROL);
    bool build(AddAceFunction addAce, SetControlFunction setControl);

    alignas(8) BYTE user_[SECURITY_MAX_SID_SIZE];
    alignas(8) BYTE acl_[512];
    SECURITY_DESCRIPTOR descriptor_;
    SECURITY_ATTRIBUTES attributes_;
};

// Fills `bytes` from the system's random source (RtlGenRandom, looked up at
// run time, else CryptGenRandom); where neither answers (Windows 95) from
// the clock, the counters and the process: names made from them are still
// only ever made new.
void fillRandom(void* bytes, std::size_t size);

// Makes a new folder "<parent><prefix><16 hex digits>\" with a name drawn
// from fillRandom, with the private access list on NT; a name that exists is
// drawn again, a few times. `parent` ends with a backslash. The folder, with
// its backslash, goes to `folder`. False, with the last error set, when none
// can be made.
bool makePrivateFolder(const char* parent, const char* prefix, char (&folder)[fmt::kMaxPath]);

// The same in the user's temporary folder (engine/paths/system_folders.h).
bool makePrivateTemporaryFolder(const char* prefix, char (&folder)[fmt::kMaxPath]);

}  // namespace setup

#endif
