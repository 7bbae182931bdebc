#include <gtest/gtest.h>
#include <windows.h>

#include <cctype>
#include <string>

#include "base/system_library.h"

// "planted_probe.dll" lies beside this test program only (built from the
// recording library of the scenarios): a bare name finds it there, the
// system folder has none.
namespace {

const char kProbe[] = "planted_probe.dll";

std::string lowerCase(std::string text) {
    for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

std::string moduleFile(HMODULE module) {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(module, path, sizeof path);
    return lowerCase(path);
}

TEST(SystemLibrary, LoadsByFullPathFromTheSystemFolderOnly) {
    char folder[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryA(folder, sizeof folder), 0u);
    for (const char* name : {"comctl32.dll", "mpr.dll", "version.dll"}) {
        HMODULE library = setup::loadSystemLibrary(name);
        ASSERT_NE(library, nullptr) << name;
        EXPECT_EQ(moduleFile(library), lowerCase(std::string(folder) + "\\" + name));
    }

    HMODULE bare = LoadLibraryA(kProbe);
    ASSERT_NE(bare, nullptr) << "the probe is not beside the test program";
    FreeLibrary(bare);
    EXPECT_EQ(setup::loadSystemLibrary(kProbe), nullptr) << "a library beside the program was taken";
}

TEST(SystemLibrary, RestrictedSearchIgnoresTheProgramFolder) {
    setup::restrictLibrarySearchToSystem();
    HMODULE probe = LoadLibraryA(kProbe);
    EXPECT_EQ(probe, nullptr) << moduleFile(probe);
    if (probe != nullptr) FreeLibrary(probe);
    EXPECT_NE(LoadLibraryA("mpr.dll"), nullptr) << "the system folder's libraries still load by name";
    // The tests that follow get the usual order back.
    using SetDefaultFunction = BOOL(WINAPI*)(DWORD);
    if (auto reset = setup::systemFunction<SetDefaultFunction>(GetModuleHandleA("kernel32.dll"),
                                                               "SetDefaultDllDirectories"))
        reset(LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
}

}  // namespace
