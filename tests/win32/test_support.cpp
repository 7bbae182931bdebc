#include "test_support.h"

#include <cstdlib>
#include <cstring>

#include <zlib.h>

#include "base/bounded_text.h"
#include "base/process_state.h"
#include "base/program_instance.h"
#include "engine/failure/failure.h"
#include "engine/failure/window_boundary.h"
#include "format/package_format.h"
#include "package/config_block.h"
#include "package/package_file.h"
#include "package/setup_config.h"
#include "resource_ids.h"
#include "setup/main_sequence.h"
#include "setup/reboot.h"

namespace testing_support {

std::vector<std::uint8_t> buildRecord(const TextList& texts, std::uint32_t flags) {
    std::vector<std::uint8_t> record(fmt::kDataAreaOffset + 1, 0);
    auto putWord = [&record](std::size_t at, std::uint32_t value) {
        std::memcpy(record.data() + at, &value, sizeof value);
    };
    for (std::uint32_t i = 0; i < fmt::kTextSlotCount; ++i) putWord(4 * i, fmt::kDataAreaOffset);
    for (const auto& [slot, text] : texts) {
        putWord(slot, static_cast<std::uint32_t>(record.size()));
        record.insert(record.end(), text.begin(), text.end());
        record.push_back(0);
    }
    putWord(fmt::kUninstallSectionOffset + sizeof(fmt::UninstallSection) +
                offsetof(fmt::ScalarSettings, flags),
            flags);
    return record;
}

void installRecord(const std::vector<std::uint8_t>& record) {
    setup::clearSetupConfig();
    std::memcpy(setup::configArea, record.data(), record.size());
    setup::relocateSlots(reinterpret_cast<std::uint32_t*>(setup::configArea),
                         static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(setup::configArea)),
                         fmt::kConfigAreaSize);
    setup::configLoaded = true;
}

void resetLoadedState() {
    setup::closePackageFile();
    setup::packageFile = setup::PackageFile{};
    setup::clearSetupConfig();
    setup::configLoaded = false;
}

std::vector<std::uint8_t> buildInstaller(std::size_t imageSize, const std::vector<std::uint8_t>& record) {
    return buildInstaller(std::vector<std::uint8_t>(imageSize, 0x90), record);
}

std::vector<std::uint8_t> readWholeFile(const std::string& path) {
    std::vector<std::uint8_t> bytes;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    bytes.resize(GetFileSize(file, nullptr));
    DWORD arrived = 0;
    ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &arrived, nullptr);
    bytes.resize(arrived);
    CloseHandle(file);
    return bytes;
}

std::vector<std::uint8_t> buildInstaller(std::vector<std::uint8_t> image,
                                         const std::vector<std::uint8_t>& record) {
    std::vector<std::uint8_t> file = std::move(image);
    uLongf packedSize = compressBound(static_cast<uLong>(record.size()));
    std::vector<std::uint8_t> packed(packedSize);
    compress(packed.data(), &packedSize, record.data(), static_cast<uLong>(record.size()));
    packed.resize(packedSize);

    fmt::PackageHeader header{};
    std::memcpy(header.magic, fmt::kPackageMagic, 4);
    header.signature = fmt::kPackageSignature;
    header.configOffset = sizeof header;
    fmt::ConfigBlockHeader block{};
    std::memcpy(block.magic, fmt::kConfigMagic, 8);
    block.unpackedSize = static_cast<std::uint32_t>(record.size());
    block.packedSize = static_cast<std::uint32_t>(packed.size());
    block.crc = static_cast<std::uint32_t>(crc32(0L, packed.data(), static_cast<uInt>(packed.size())));

    auto append = [&file](const void* bytes, std::size_t size) {
        const auto* p = static_cast<const std::uint8_t*>(bytes);
        file.insert(file.end(), p, p + size);
    };
    append(&header, sizeof header);
    append(&block, sizeof block);
    append(packed.data(), packed.size());
    return file;
}

std::string writeTempFile(const char* name, const std::vector<std::uint8_t>& bytes) {
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    std::string path = std::string(folder) + name;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return path;
}

namespace {

struct BoxSearch {
    DWORD processId;
    HWND box;
};

BOOL CALLBACK findMessageBox(HWND window, LPARAM lParam) {
    auto* search = reinterpret_cast<BoxSearch*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner != search->processId || !IsWindowVisible(window)) return TRUE;
    char className[32];
    GetClassNameA(window, className, sizeof className);
    if (std::strcmp(className, "#32770") != 0 || GetDlgItem(window, 0xFFFF) == nullptr) return TRUE;
    search->box = window;
    return FALSE;
}

std::string windowText(HWND window) {
    char text[2048] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

}  // namespace

PROCESS_INFORMATION startProgram(const std::string& program, const std::string& arguments) {
    std::string commandLine = "\"";
    commandLine.append(program).append("\" ").append(arguments);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
        process = PROCESS_INFORMATION{};
    }
    return process;
}

HWND waitForMessageBox(DWORD processId) {
    for (int waited = 0; waited < 30000; waited += 50) {
        BoxSearch search{processId, nullptr};
        EnumWindows(findMessageBox, reinterpret_cast<LPARAM>(&search));
        if (search.box != nullptr) return search.box;
        Sleep(50);
    }
    return nullptr;
}

namespace {

int defaultButtonOf(HWND box) {
    for (int id : {IDOK, IDCANCEL, IDYES, IDNO}) {
        HWND button = GetDlgItem(box, id);
        if (button != nullptr && (GetWindowLongA(button, GWL_STYLE) & 0x0F) == BS_DEFPUSHBUTTON)
            return id;
    }
    return 0;
}

}  // namespace

ChildResult runProgram(const std::string& program, const std::string& arguments,
                       const std::vector<int>& answers) {
    ChildResult result;
    PROCESS_INFORMATION process = startProgram(program, arguments);
    if (process.hProcess == nullptr) {
        result.exitCode = 0xFFFFFFFFu;
        return result;
    }
    HWND answered = nullptr;
    for (int waited = 0; WaitForSingleObject(process.hProcess, 50) == WAIT_TIMEOUT; waited += 50) {
        if (waited > 30000) {
            TerminateProcess(process.hProcess, 0xDEAD);
            break;
        }
        BoxSearch search{process.dwProcessId, nullptr};
        EnumWindows(findMessageBox, reinterpret_cast<LPARAM>(&search));
        if (search.box == nullptr || search.box == answered) continue;
        MessageBoxSeen box{windowText(search.box), windowText(GetDlgItem(search.box, 0xFFFF)),
                           defaultButtonOf(search.box)};
        if (result.boxes == 0) {
            result.caption = box.caption;
            result.text = box.text;
        }
        result.seen.push_back(box);
        std::size_t index = static_cast<std::size_t>(result.boxes++);
        int answer = index < answers.size() ? answers[index] : IDOK;
        PostMessageA(search.box, WM_COMMAND, MAKEWPARAM(answer, BN_CLICKED), 0);
        answered = search.box;
    }
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return result;
}

ChildResult runChild(const std::string& arguments) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    return runProgram(self, arguments);
}

// ---- child modes -----------------------------------------------------------

namespace {

setup::ErrorCode childErrorCode;

INT_PTR raisingDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    if (message == WM_INITDIALOG) {
        SetLastError(ERROR_DISK_FULL);
        setup::raiseInstallError(childErrorCode);
    }
    return FALSE;
}

LRESULT raisingWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_CREATE) {
        SetLastError(ERROR_ACCESS_DENIED);
        setup::raiseInstallError(childErrorCode);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT raisingTimerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_TIMER) setup::raiseInstallError(setup::kErrorOutOfMemory);
    return DefWindowProcA(window, message, wParam, lParam);
}

// A failure raised outside any window while a window's timer runs: the
// handler's message box dispatches the timer, whose procedure raises again.
[[noreturn]] void raiseTwice() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = setup::guardedWindowProc<raisingTimerProc>;
    windowClass.hInstance = setup::programInstance;
    windowClass.lpszClassName = "TimerWindow";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowA("TimerWindow", "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr,
                                nullptr, setup::programInstance, nullptr);
    SetTimer(window, 1, 10, nullptr);
    try {
        setup::raiseInstallError(childErrorCode);
    } catch (setup::xInstall* error) {
        setup::handleInstallFailure(error);
    }
}

[[noreturn]] void raiseInDialog() {
    DialogBoxParamA(setup::programInstance, MAKEINTRESOURCEA(IDD_NOTICE), nullptr,
                    setup::guardedDialogProc<raisingDialogProc>, 0);
    ExitProcess(100);  // reached only when the failure did not end the process
}

[[noreturn]] void raiseInWindow() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = setup::guardedWindowProc<raisingWindowProc>;
    windowClass.hInstance = setup::programInstance;
    windowClass.lpszClassName = "RaisingWindow";
    RegisterClassA(&windowClass);
    CreateWindowA("RaisingWindow", "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                  setup::programInstance, nullptr);
    ExitProcess(100);
}

const char* rebootMarker;

// Stands in for the system's reboot: leaves the flags it was given in the
// marker file and refuses, as a system may.
BOOL WINAPI recordRebootRequest(UINT flags, DWORD) {
    std::string text = std::to_string(flags);
    writeTempFile(rebootMarker, std::vector<std::uint8_t>(text.begin(), text.end()));
    return FALSE;
}

[[noreturn]] void finishWithReboot(const char* marker) {
    installRecord(buildRecord({
        {offsetof(fmt::TextSlots, titleMessage), "Message"},
        {offsetof(fmt::TextSlots, msgDoneReboot), "Restart now?"},
        {offsetof(fmt::TextSlots, msgDoneStartMenu), "Done: start menu."},
    }, fmt::kFlagStartMenuShortcuts));
    rebootMarker = marker;
    setup::requestSystemReboot = recordRebootRequest;
    setup::isWindowsNT = true;
    setup::rebootRequired = true;
    setup::finishInstallation();
}

}  // namespace

// Child modes:
//   dialog <code>                      raise inside WM_INITDIALOG, nothing loaded
//   window <code>                      raise inside WM_CREATE, nothing loaded
//   twice <code>                       raise, then raise code 6 again from a timer
//   configured <code> <path length> <tail length>
//                                      raise inside WM_INITDIALOG with a loaded record
//                                      whose write-failure text ends in tail length z's
//   long-error                         showError with a text longer than its buffer
//   finish <marker name>               the end of a successful run with a reboot
//                                      required; a reboot request writes the temporary
//                                      file <marker name>
bool runChildModeIfAsked(int argc, char** argv) {
    if (argc < 3 || std::strcmp(argv[1], "--child") != 0) return false;
    setup::programInstance = GetModuleHandleA(nullptr);
    std::string mode = argv[2];
    if (argc > 3) childErrorCode = static_cast<setup::ErrorCode>(std::atoi(argv[3]));

    if (mode == "dialog") raiseInDialog();
    if (mode == "window") raiseInWindow();
    if (mode == "twice") raiseTwice();
    if (mode == "configured" && argc > 5) {
        std::string tail(static_cast<std::size_t>(std::atoi(argv[5])), 'z');
        installRecord(buildRecord({
            {offsetof(fmt::TextSlots, titleError), "Test Error"},
            {offsetof(fmt::TextSlots, errWriteFile),
             "Could not write to file '%s'.\nError: %s\n\nInstall failed and will exit." + tail},
            {offsetof(fmt::TextSlots, errCreatePath), "Could not create path '%s'.\nError: %s"},
        }));
        std::string path = "C:\\Target\\";
        path.resize(static_cast<std::size_t>(std::atoi(argv[4])), 'p');
        setup::copyBounded(setup::currentPath, path.c_str());
        setup::copyBounded(setup::currentDir, "C:\\Target\\Sub");
        raiseInDialog();
    }
    if (mode == "finish" && argc > 3) finishWithReboot(argv[3]);
    if (mode == "long-error") {
        std::string part(400, 'x');
        setup::showError("%s|%s", part.c_str(), part.c_str());
        ExitProcess(0);
    }
    ExitProcess(99);
}

}  // namespace testing_support
