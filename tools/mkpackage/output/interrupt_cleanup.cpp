#include "output/interrupt_cleanup.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <unistd.h>
#endif

#include <atomic>
#include <cstring>

namespace mkpackage {
namespace {

#ifdef _WIN32
using PathChar = wchar_t;
#else
using PathChar = char;
#endif

constexpr int kSlots = 8;
constexpr std::size_t kPathCapacity = 4096;

// Filled before `used` is set, read by the handler only when it is set: the
// handler never sees a half-written path.
struct Slot {
    std::atomic<bool> used{false};
    PathChar path[kPathCapacity];
};

Slot slots[kSlots];
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler reads these flags");

#ifdef _WIN32

// Runs on a thread of its own while the build goes on: the files are marked
// for deletion (they are open with delete sharing) and vanish when the
// process ends, which the next handler, the system's, does.
BOOL WINAPI onConsoleEvent(DWORD event) {
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT) {
        for (Slot& slot : slots) {
            if (slot.used.load()) DeleteFileW(slot.path);
        }
    }
    return FALSE;
}

#else

extern "C" void onSignal(int signalNumber) {
    for (Slot& slot : slots) {
        if (slot.used.load()) ::unlink(slot.path);
    }
    // End as the signal would have, so the caller sees what happened.
    std::signal(signalNumber, SIG_DFL);
    std::raise(signalNumber);
}

#endif

}  // namespace

void installInterruptCleanup() {
#ifdef _WIN32
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
#else
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP}) sigaction(signalNumber, &action, nullptr);
#endif
}

// Called by the building thread only: a slot's path is written while its
// flag is clear and published by setting it.
int registerTemporaryFile(const std::filesystem::path& path) {
    const auto& native = path.native();
    if (native.size() >= kPathCapacity) return -1;
    for (int i = 0; i < kSlots; ++i) {
        Slot& slot = slots[i];
        if (slot.used.load()) continue;
        std::memcpy(slot.path, native.c_str(), (native.size() + 1) * sizeof(PathChar));
        slot.used.store(true);
        return i;
    }
    return -1;
}

void forgetTemporaryFile(int slot) {
    if (slot >= 0 && slot < kSlots) slots[slot].used.store(false);
}

}  // namespace mkpackage
