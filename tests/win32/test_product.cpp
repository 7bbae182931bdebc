#include "test_product.h"

#include <gtest/gtest.h>
#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <ostream>

#include "engine/log/uninstall_log.h"
#include "package/setup_config.h"

namespace testing_support {

const char kShippedUninstallTexts[] = "UnInstall Test\0Lock_Test\0Remove Test?\0";
const std::uint32_t kShippedUninstallTextsSize = sizeof kShippedUninstallTexts - 1;

void PrintTo(const ParsedEntry& entry, std::ostream* out) {
    *out << "{" << entry.kind << "," << entry.flag << ",0x" << std::hex << entry.value << std::dec
         << ",\"" << entry.text << "\"}";
}

namespace {

template <typename T>
void putAt(std::vector<std::uint8_t>& bytes, std::size_t at, const T& value) {
    std::memcpy(bytes.data() + at, &value, sizeof value);
}

template <typename T>
void append(std::vector<std::uint8_t>& bytes, const T& value) {
    const auto* p = reinterpret_cast<const std::uint8_t*>(&value);
    bytes.insert(bytes.end(), p, p + sizeof value);
}

void copyField(char (&field)[fmt::kFieldTextSize], const std::string& text) {
    std::memset(field, 0, sizeof field);
    std::memcpy(field, text.data(), std::min(text.size(), sizeof field));
}

std::size_t settingsOffset(std::size_t field) {
    return fmt::kUninstallSectionOffset + sizeof(fmt::UninstallSection) + field;
}

void putShippedSection(std::vector<std::uint8_t>& record) {
    fmt::UninstallHeader header{};
    std::memcpy(header.magic, fmt::kUninstallMagic, sizeof header.magic);
    header.version = fmt::kUninstallVersion;
    std::uint32_t at = 0;
    for (std::uint32_t i = 0; i < fmt::kUninstallTextCount; ++i) {
        header.textOffsets[i] = sizeof header + std::min(at, kShippedUninstallTextsSize - 1);
        if (at < kShippedUninstallTextsSize) at += std::strlen(kShippedUninstallTexts + at) + 1;
    }
    header.usedBytes = header.savedUsedBytes = kShippedUninstallTextsSize;
    header.firstEntryOffset = header.savedFirstEntryOffset = sizeof header + kShippedUninstallTextsSize;
    putAt(record, fmt::kUninstallSectionOffset, header);
    std::memcpy(record.data() + fmt::kUninstallSectionOffset + sizeof header, kShippedUninstallTexts,
                kShippedUninstallTextsSize);
}

// One component's entries: header, name, chunk table, chunks, all from one
// zlib stream flushed after every 16 KiB piece.
std::vector<std::uint8_t> buildComponentStream(const TestComponent& component, std::uint16_t index,
                                               std::uint32_t& packedSize) {
    std::vector<std::uint8_t> out;
    z_stream z{};
    deflateInit(&z, Z_BEST_COMPRESSION);
    packedSize = 0;
    for (const TestFile& file : component.files) {
        std::vector<std::vector<std::uint8_t>> chunks;
        for (std::size_t at = 0; at < file.content.size(); at += fmt::kChunkSize) {
            const std::size_t size = std::min<std::size_t>(fmt::kChunkSize, file.content.size() - at);
            const auto* piece = reinterpret_cast<const Bytef*>(file.content.data() + at);
            std::vector<std::uint8_t> chunk(4);
            const std::uint32_t crc = static_cast<std::uint32_t>(crc32(0, piece, static_cast<uInt>(size)));
            std::memcpy(chunk.data(), &crc, 4);
            z.next_in = const_cast<Bytef*>(piece);
            z.avail_in = static_cast<uInt>(size);
            std::uint8_t block[40000];
            do {
                z.next_out = block;
                z.avail_out = sizeof block;
                deflate(&z, Z_SYNC_FLUSH);
                chunk.insert(chunk.end(), block, block + (sizeof block - z.avail_out));
            } while (z.avail_out == 0);
            chunks.push_back(std::move(chunk));
        }
        fmt::FileEntry entry{};
        std::memcpy(entry.magic, fmt::kFileEntryMagic, 4);
        entry.unpackedSize = static_cast<std::uint32_t>(file.content.size());
        entry.storedSize = 0;
        for (const auto& chunk : chunks) entry.storedSize += 2 + static_cast<std::uint32_t>(chunk.size());
        entry.fileTime = file.time;
        entry.attributes = FILE_ATTRIBUTE_ARCHIVE;
        entry.componentIndex = index;
        entry.nameLength = static_cast<std::uint16_t>(file.name.size());
        append(out, entry);
        out.insert(out.end(), file.name.begin(), file.name.end());
        for (const auto& chunk : chunks) append(out, static_cast<std::uint16_t>(chunk.size()));
        for (const auto& chunk : chunks) out.insert(out.end(), chunk.begin(), chunk.end());
        packedSize += entry.storedSize;
    }
    deflateEnd(&z);
    return out;
}

std::uint32_t unpackedSizeOf(const TestComponent& component) {
    std::uint32_t size = 0;
    for (const TestFile& file : component.files) size += static_cast<std::uint32_t>(file.content.size());
    return size;
}

}  // namespace

std::vector<std::uint8_t> buildProductRecord(const TestProduct& product,
                                             const std::vector<std::uint32_t>& entryOffsets) {
    std::vector<std::uint8_t> record = buildRecord(product.texts, product.flags);
    putShippedSection(record);
    putAt(record, settingsOffset(offsetof(fmt::ScalarSettings, componentCount)),
          static_cast<std::uint32_t>(product.components.size()));
    putAt(record, settingsOffset(offsetof(fmt::ScalarSettings, defaultSelection)), product.selection);

    putAt(record, settingsOffset(offsetof(fmt::ScalarSettings, blobCount)),
          static_cast<std::uint32_t>(product.pictures.size()));
    for (std::size_t i = 0; i < fmt::kImageIndexCount; ++i) {
        putAt(record, settingsOffset(offsetof(fmt::ScalarSettings, imageIndexTable) + 4 * i),
              product.images[i]);
    }
    for (std::size_t i = 0; i < product.pictures.size(); ++i) {
        const TestPicture& picture = product.pictures[i];
        putAt(record, offsetof(fmt::SetupConfig, blobs) + 4 * i, static_cast<std::uint32_t>(record.size()));
        fmt::Blob blob{};
        blob.kind = fmt::kBlobIcon;
        std::memcpy(blob.fileName, picture.fileName.data(), std::min<std::size_t>(picture.fileName.size(), 259));
        blob.size = static_cast<std::uint32_t>(picture.data.size());
        append(record, blob);
        record.insert(record.end(), picture.data.begin(), picture.data.end());
    }
    for (std::size_t i = 0; i < product.components.size(); ++i) {
        const TestComponent& component = product.components[i];
        putAt(record, offsetof(fmt::SetupConfig, components) + 4 * i,
              static_cast<std::uint32_t>(record.size()));
        fmt::Component stored{};
        copyField(stored.name, component.name);
        stored.firstEntryOffset = i < entryOffsets.size() ? entryOffsets[i] : 0;
        stored.unpackedSize = static_cast<std::int32_t>(unpackedSizeOf(component));
        stored.fileCount = static_cast<std::uint32_t>(component.files.size());
        stored.actionCount = static_cast<std::uint32_t>(component.actions.size());
        append(record, stored);
        for (const TestAction& action : component.actions) {
            fmt::InstallAction storedAction{};
            storedAction.type = action.type;
            storedAction.rootKey = action.rootKey;
            copyField(storedAction.arg1, action.arg1);
            copyField(storedAction.arg2, action.arg2);
            copyField(storedAction.arg3, action.arg3);
            append(record, storedAction);
        }
    }
    return record;
}

std::vector<std::uint8_t> buildProductInstaller(const std::vector<std::uint8_t>& image,
                                                const TestProduct& product) {
    std::vector<std::uint8_t> streams;
    std::vector<std::uint32_t> offsets;
    std::vector<std::uint32_t> packedSizes;
    for (std::size_t i = 0; i < product.components.size(); ++i) {
        offsets.push_back(static_cast<std::uint32_t>(sizeof(fmt::PackageHeader) + streams.size()));
        std::uint32_t packed = 0;
        auto stream = buildComponentStream(product.components[i], static_cast<std::uint16_t>(i), packed);
        packedSizes.push_back(packed);
        streams.insert(streams.end(), stream.begin(), stream.end());
    }
    std::vector<std::uint8_t> record = buildProductRecord(product, offsets);
    for (std::size_t i = 0; i < product.components.size(); ++i) {
        std::uint32_t slot;
        std::memcpy(&slot, record.data() + offsetof(fmt::SetupConfig, components) + 4 * i, 4);
        putAt(record, slot + offsetof(fmt::Component, packedSize), packedSizes[i]);
    }

    uLongf packedSize = compressBound(static_cast<uLong>(record.size()));
    std::vector<std::uint8_t> packed(packedSize);
    compress(packed.data(), &packedSize, record.data(), static_cast<uLong>(record.size()));
    packed.resize(packedSize);

    fmt::PackageHeader header{};
    std::memcpy(header.magic, fmt::kPackageMagic, 4);
    header.signature = fmt::kPackageSignature;
    header.fileEntryCount = 0;
    for (const auto& component : product.components) {
        header.fileEntryCount += static_cast<std::uint32_t>(component.files.size());
        header.totalUnpackedSize += unpackedSizeOf(component);
    }
    for (std::uint32_t size : packedSizes) header.totalPackedSize += size;
    header.configOffset = static_cast<std::uint32_t>(sizeof header + streams.size());
    fmt::ConfigBlockHeader block{};
    std::memcpy(block.magic, fmt::kConfigMagic, 8);
    block.unpackedSize = static_cast<std::uint32_t>(record.size());
    block.packedSize = static_cast<std::uint32_t>(packed.size());
    block.crc = static_cast<std::uint32_t>(crc32(0L, packed.data(), static_cast<uInt>(packed.size())));

    std::vector<std::uint8_t> file = image;
    append(file, header);
    file.insert(file.end(), streams.begin(), streams.end());
    append(file, block);
    file.insert(file.end(), packed.begin(), packed.end());
    return file;
}

std::vector<ParsedEntry> parseLog(const std::uint8_t* bytes, std::size_t size) {
    std::vector<ParsedEntry> entries;
    fmt::UninstallHeader header;
    if (size < sizeof header) {
        ADD_FAILURE() << "log of " << size << " bytes";
        return entries;
    }
    std::memcpy(&header, bytes, sizeof header);
    EXPECT_EQ(std::memcmp(header.magic, fmt::kUninstallMagic, 8), 0);
    EXPECT_EQ(header.version, fmt::kUninstallVersion);
    std::size_t at = header.firstEntryOffset;
    for (std::uint32_t i = 0; i < header.entryCount; ++i) {
        if (at + sizeof(fmt::LogEntry) > size) {
            ADD_FAILURE() << "entry " << i << " at " << at << " lies beyond " << size << " bytes";
            break;
        }
        fmt::LogEntry entry;
        std::memcpy(&entry, bytes + at, sizeof entry);
        const char* text = reinterpret_cast<const char*>(bytes + at + sizeof entry);
        const std::size_t length = strnlen(text, size - at - sizeof entry);
        entries.push_back({entry.kind, entry.flag, entry.value, std::string(text, length)});
        const std::size_t end = at + sizeof entry + fmt::logTextSize(static_cast<std::uint32_t>(length));
        EXPECT_EQ(sizeof header + entry.next, end) << "next of entry " << i;
        at = sizeof header + entry.next;
    }
    EXPECT_EQ(at, sizeof header + header.usedBytes) << "usedBytes";
    return entries;
}

std::vector<std::uint8_t> buildInstallLog(const std::vector<ParsedEntry>& entries) {
    std::vector<std::uint8_t> record(fmt::kUninstallSectionOffset + sizeof(fmt::UninstallSection));
    putShippedSection(record);
    auto* section = reinterpret_cast<fmt::UninstallSection*>(record.data() + fmt::kUninstallSectionOffset);
    for (const ParsedEntry& entry : entries) {
        EXPECT_TRUE(setup::appendLogEntry(*section, static_cast<fmt::u8>(entry.kind),
                                          static_cast<fmt::u8>(entry.flag), entry.value, entry.text.c_str()));
    }
    const auto* start = reinterpret_cast<const std::uint8_t*>(section);
    return std::vector<std::uint8_t>(start, start + sizeof section->header + section->header.usedBytes);
}

std::vector<ParsedEntry> loadedLogEntries() {
    const fmt::UninstallSection& section = setup::config().uninstall;
    return parseLog(reinterpret_cast<const std::uint8_t*>(&section), sizeof section);
}

}  // namespace testing_support


namespace testing_support {

namespace {

constexpr char kUserShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

void saveValue(const char* keyPath, const char* name, bool& present, DWORD& type,
               std::vector<std::uint8_t>& data) {
    HKEY key;
    present = false;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, keyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &size) == ERROR_SUCCESS) {
        data.resize(size);
        present = RegQueryValueExA(key, name, nullptr, &type, data.data(), &size) == ERROR_SUCCESS;
    }
    RegCloseKey(key);
}

void setValue(const char* keyPath, const char* name, bool present, DWORD type,
              const std::vector<std::uint8_t>& data) {
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, keyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    if (present)
        RegSetValueExA(key, name, 0, type, data.data(), static_cast<DWORD>(data.size()));
    else
        RegDeleteValueA(key, name);
    RegCloseKey(key);
}

std::vector<std::uint8_t> textBytes(const std::string& text) {
    return std::vector<std::uint8_t>(text.c_str(), text.c_str() + text.size() + 1);
}

}  // namespace

// The shell rewrites "Shell Folders" from "User Shell Folders" when a
// process asks for a folder, so both are pointed at the test's folders.
ShellFoldersOverride::ShellFoldersOverride(const std::string& desktop, const std::string& programs) {
    const char* keys[2] = {kShellFoldersKey, kUserShellFoldersKey};
    const char* names[2] = {"Desktop", "Programs"};
    const std::string* folders[2] = {&desktop, &programs};
    for (int k = 0; k < 2; ++k) {
        for (int n = 0; n < 2; ++n) {
            Saved& saved = saved_[k][n];
            saveValue(keys[k], names[n], saved.present, saved.type, saved.data);
            setValue(keys[k], names[n], true, REG_SZ, textBytes(*folders[n]));
        }
    }
}

ShellFoldersOverride::~ShellFoldersOverride() {
    const char* keys[2] = {kShellFoldersKey, kUserShellFoldersKey};
    const char* names[2] = {"Desktop", "Programs"};
    for (int k = 0; k < 2; ++k) {
        for (int n = 0; n < 2; ++n) {
            const Saved& saved = saved_[k][n];
            setValue(keys[k], names[n], saved.present, saved.type, saved.data);
        }
    }
}

void deleteTree(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::string name = found.cFileName;
            if (name == "." || name == "..") continue;
            std::string path = folder + "\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                deleteTree(path);
            } else {
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

namespace {

void collectFiles(const std::string& folder, const std::string& prefix, std::vector<std::string>& out) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = found.cFileName;
        if (name == "." || name == "..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            collectFiles(folder + "\\" + name, prefix + name + "\\", out);
        else
            out.push_back(prefix + name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

}  // namespace

std::vector<std::string> listFiles(const std::string& folder) {
    std::vector<std::string> files;
    collectFiles(folder, "", files);
    std::sort(files.begin(), files.end());
    return files;
}

ShortcutInfo readShortcut(const std::string& path) {
    ShortcutInfo info;
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return info;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        WCHAR wide[MAX_PATH];
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH);
        if (SUCCEEDED(file->Load(wide, STGM_READ))) {
            char text[MAX_PATH * 2] = {};
            link->GetPath(text, sizeof text, nullptr, SLGP_RAWPATH);
            info.target = text;
            text[0] = '\0';
            link->GetArguments(text, sizeof text);
            info.arguments = text;
            text[0] = '\0';
            link->GetWorkingDirectory(text, sizeof text);
            info.workingDir = text;
            info.loaded = true;
        }
        file->Release();
    }
    link->Release();
    return info;
}

std::string registryText(HKEY root, const std::string& key, const char* value) {
    char text[1024];
    DWORD size = sizeof text;
    DWORD type = 0;
    HKEY handle;
    if (RegOpenKeyExA(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return "<missing>";
    LONG status = RegQueryValueExA(handle, value, nullptr, &type, reinterpret_cast<BYTE*>(text), &size);
    RegCloseKey(handle);
    if (status != ERROR_SUCCESS || type != REG_SZ) return "<missing>";
    return std::string(text, strnlen(text, size));
}

bool fileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::string> backupFolders() {
    std::vector<std::string> found;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA("C:\\~SetupBackup.*", &entry);
    if (search == INVALID_HANDLE_VALUE) return found;
    do found.push_back(std::string("C:\\") + entry.cFileName);
    while (FindNextFileA(search, &entry));
    FindClose(search);
    return found;
}

TestSandbox::TestSandbox(const std::string& name)
    : root("C:\\SetupkitTests\\" + name),
      key("Software\\SetupkitTests\\" + name),
      app(root + "\\My App\\") {
    deleteTree(root);
    CreateDirectoryA("C:\\SetupkitTests", nullptr);
    CreateDirectoryA(root.c_str(), nullptr);
    CreateDirectoryA(desktop().c_str(), nullptr);
    CreateDirectoryA(programs().c_str(), nullptr);
    shellFolders_ = std::make_unique<ShellFoldersOverride>(desktop(), programs());
}

TestSandbox::~TestSandbox() {
    shellFolders_.reset();
    deleteTree(root);
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, key.c_str());
    RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
}

}  // namespace testing_support
