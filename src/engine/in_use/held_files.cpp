#include "engine/in_use/held_files.h"

#include <windows.h>

#include <cstring>

#include "base/system_library.h"
#include "engine/paths/unfollowed_items.h"

namespace setup {

namespace {

// The restart manager's records and calls, as rstrtmgr.dll takes them.
constexpr int kSessionKeySize = 32 + 1;  // CCH_RM_SESSION_KEY and its terminator
constexpr int kAppNameSize = 255 + 1;    // CCH_RM_MAX_APP_NAME
constexpr int kServiceNameSize = 63 + 1; // CCH_RM_MAX_SVC_NAME

struct UniqueProcess {
    DWORD processId;
    FILETIME startTime;
};

struct ProcessInfo {
    UniqueProcess process;
    WCHAR appName[kAppNameSize];
    WCHAR serviceShortName[kServiceNameSize];
    int applicationType;
    ULONG appStatus;
    DWORD sessionId;
    BOOL restartable;
};

using StartSessionCall = DWORD(WINAPI*)(DWORD*, DWORD, WCHAR*);
using EndSessionCall = DWORD(WINAPI*)(DWORD);
using RegisterResourcesCall = DWORD(WINAPI*)(DWORD, UINT, const WCHAR**, UINT, UniqueProcess*, UINT,
                                             const WCHAR**);
using GetListCall = DWORD(WINAPI*)(DWORD, UINT*, UINT*, ProcessInfo*, DWORD*);

struct RestartManager {
    StartSessionCall start = nullptr;
    EndSessionCall end = nullptr;
    RegisterResourcesCall registerResources = nullptr;
    GetListCall getList = nullptr;

    RestartManager() {
        HMODULE library = loadSystemLibrary("rstrtmgr.dll");
        start = systemFunction<StartSessionCall>(library, "RmStartSession");
        end = systemFunction<EndSessionCall>(library, "RmEndSession");
        registerResources = systemFunction<RegisterResourcesCall>(library, "RmRegisterResources");
        getList = systemFunction<GetListCall>(library, "RmGetList");
    }
    bool usable() const { return start && end && registerResources && getList; }
};

// Static: a list of every held file in wide text, and the programs' records.
WCHAR wideFiles[InUseList::kMaxFiles][MAX_PATH];
ProcessInfo holders[InUseList::kMaxPrograms * 4];

}  // namespace

bool noteIfHeld(const char* path, InUseList& list, bool forRemoval) {
    const ItemOutcome outcome = forRemoval ? probeRemoval(path) : probeMoveAside(path);
    if (outcome != ItemOutcome::failed || !isInUseError(GetLastError())) return false;
    list.addFile(path);
    return true;
}

void nameHoldingPrograms(InUseList& list) {
    if (list.fileCount == 0 || !runsOnWindowsNT()) return;
    static const RestartManager manager;
    if (!manager.usable()) return;
    const WCHAR* names[InUseList::kMaxFiles];
    UINT count = 0;
    for (std::size_t i = 0; i < list.fileCount; ++i) {
        if (MultiByteToWideChar(CP_ACP, 0, list.files[i], -1, wideFiles[count], MAX_PATH) == 0) continue;
        names[count] = wideFiles[count];
        ++count;
    }
    DWORD session = 0;
    WCHAR key[kSessionKeySize] = {};
    if (count == 0 || manager.start(&session, 0, key) != ERROR_SUCCESS) return;
    // A record the manager leaves as it is names nobody.
    std::memset(holders, 0, sizeof holders);
    UINT needed = 0;
    UINT found = sizeof holders / sizeof holders[0];
    DWORD reasons = 0;
    // More holders than the records take names none: the files stand then.
    if (manager.registerResources(session, count, names, 0, nullptr, 0, nullptr) == ERROR_SUCCESS &&
        manager.getList(session, &needed, &found, holders, &reasons) == ERROR_SUCCESS) {
        for (UINT i = 0; i < found && i < sizeof holders / sizeof holders[0]; ++i) {
            char name[InUseList::kProgramNameSize];
            holders[i].appName[kAppNameSize - 1] = L'\0';
            if (WideCharToMultiByte(CP_ACP, 0, holders[i].appName, -1, name, sizeof name, nullptr, nullptr) == 0)
                continue;
            list.addProgram(name);
        }
    }
    manager.end(session);
}

}  // namespace setup
