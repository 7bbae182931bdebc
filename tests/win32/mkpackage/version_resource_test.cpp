// The installer's version resource and icon as the system reads them: the
// version API gives the fields the description named, and the icon the
// system shows for the file (its first icon group) is the product's.
#include <gtest/gtest.h>
#include <windows.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "build/package_writer.h"
#include "common/file_open.h"
#include "description/description_reader.h"
#include "sources/icon_file.h"
#include "sources/placeholder_media.h"

namespace {

namespace fs = std::filesystem;

std::wstring wide(const std::string& utf8) {
    std::wstring out(utf8.size() + 1, L'\0');
    out.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, out.data(), static_cast<int>(out.size())) - 1);
    return out;
}

// The text of `field` in the file's English (US) Unicode string table.
std::wstring versionField(const std::vector<BYTE>& info, const wchar_t* field) {
    void* value = nullptr;
    UINT length = 0;
    const std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + field;
    if (!VerQueryValueW(info.data(), path.c_str(), &value, &length)) return L"<missing>";
    return static_cast<const wchar_t*>(value);
}

BOOL CALLBACK firstName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR found) {
    *reinterpret_cast<ULONG_PTR*>(found) = IS_INTRESOURCE(name) ? reinterpret_cast<ULONG_PTR>(name) : 0;
    return FALSE;  // the first is enough
}

TEST(InstallerResources, VersionApiAndFirstIconGiveTheProducts) {
    fs::path folder;
    std::string problem;
    ASSERT_TRUE(mkpackage::createUniqueFolder(fs::temp_directory_path(), "version-resource-", folder, problem));
    const std::vector<std::uint8_t> icon = mkpackage::makeIconFile(0x2277CC);
    std::ofstream(folder / "product.ico", std::ios::binary).write(reinterpret_cast<const char*>(icon.data()), icon.size());
    std::ofstream(folder / "a.txt") << "a";
    std::ofstream(folder / "product.toml")
        << "[product]\nname = \"Caf\xC3\xA9 Writer\"\nversion = \"4.2.1\"\ndisplay-version = \"4.2\"\n"
           "publisher = \"Example Works\"\ncopyright = \"\xC2\xA9 2026 Example Works\"\ninstaller-icon = \"product.ico\"\n"
           "[[components]]\nname = \"C\"\nfiles = [\"a.txt\"]\n";
    const fs::path installer = folder / "setup.exe";
    mkpackage::writeInstaller(mkpackage::readDescription(folder / "product.toml"), SETUP_PROGRAM_PATH, installer);

    const std::wstring path = installer.wstring();
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> info(size);
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, size, info.data()));
    EXPECT_EQ(versionField(info, L"FileDescription"), wide("Caf\xC3\xA9 Writer Setup"));
    EXPECT_EQ(versionField(info, L"ProductName"), wide("Caf\xC3\xA9 Writer"));
    EXPECT_EQ(versionField(info, L"ProductVersion"), L"4.2");
    EXPECT_EQ(versionField(info, L"FileVersion"), L"4.2.1");
    EXPECT_EQ(versionField(info, L"CompanyName"), L"Example Works");
    EXPECT_EQ(versionField(info, L"LegalCopyright"), wide("\xC2\xA9 2026 Example Works"));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedLength = 0;
    ASSERT_TRUE(VerQueryValueW(info.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedLength));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00040002u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00040002u);

    HMODULE image = LoadLibraryExW(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(image, nullptr);
    ULONG_PTR first = 0;
    EnumResourceNamesW(image, MAKEINTRESOURCEW(14), firstName, reinterpret_cast<LONG_PTR>(&first));
    EXPECT_EQ(first, 20u);
    // The icon the group names for 32 x 32 is the file's image of that size.
    HRSRC group = FindResourceW(image, MAKEINTRESOURCEW(20), MAKEINTRESOURCEW(14));
    ASSERT_NE(group, nullptr);
    auto* directory = static_cast<BYTE*>(LockResource(LoadResource(image, group)));
    const int id = LookupIconIdFromDirectoryEx(directory, TRUE, 32, 32, LR_DEFAULTCOLOR);
    HRSRC picked = FindResourceW(image, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(3));
    ASSERT_NE(picked, nullptr);
    const auto* bytes = static_cast<const std::uint8_t*>(LockResource(LoadResource(image, picked)));
    mkpackage::IconFile file;
    ASSERT_TRUE(mkpackage::parseIconFile(icon, file, problem));
    bool matched = false;
    for (const mkpackage::IconImage& i : file.images) {
        if (i.width == 32 && SizeofResource(image, picked) == i.data.size())
            matched = std::equal(i.data.begin(), i.data.end(), bytes);
    }
    EXPECT_TRUE(matched);
    FreeLibrary(image);
    HICON large = nullptr;
    EXPECT_GE(ExtractIconExW(path.c_str(), 0, &large, nullptr, 1), 1u);
    if (large != nullptr) DestroyIcon(large);
    std::error_code ec;
    fs::remove_all(folder, ec);
}

}  // namespace
