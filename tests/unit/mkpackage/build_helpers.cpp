#include "build_helpers.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <cstdio>

#include <cstring>
#include <fstream>
#include <random>
#include <stdexcept>

#include "build/package_writer.h"
#include "description/description_reader.h"

namespace testing_mkpackage {

namespace fs = std::filesystem;

const char* const kProduct = "[product]\nname = \"Test Product\"\ndefault-folder = \"C:\\\\Test\\\\\"\n";

Workspace::Workspace() {
    std::string pattern = (fs::temp_directory_path() / "mkpackage-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    dir_ = pattern;
    // 1101 bytes: the package must start at the next multiple of 4.
    write("stub.exe", makeProgramImage());
}

Workspace::~Workspace() {
    std::error_code ec;
    fs::remove_all(dir_, ec);
}

void Workspace::write(const std::string& relative, const Bytes& data) const { writeFile(dir_ / relative, data); }

void Workspace::write(const std::string& relative, const std::string& text) const {
    write(relative, Bytes(text.begin(), text.end()));
}

fs::path Workspace::build(const std::string& body, const std::string& output, unsigned jobs) const {
    write("product.toml", std::string(kProduct) + body);
    const mkpackage::Description description = mkpackage::readDescription(descriptionPath());
    mkpackage::BuildOptions options;
    options.jobs = jobs;
    mkpackage::writeInstaller(description, path("stub.exe"), path(output), options);
    return path(output);
}

Bytes makeProgramImage(const ImageShape& shape) {
    Bytes image(0x400, 0);
    const auto put16 = [&](std::size_t at, std::uint32_t v) {
        image[at] = static_cast<std::uint8_t>(v);
        image[at + 1] = static_cast<std::uint8_t>(v >> 8);
    };
    const auto put32 = [&](std::size_t at, std::uint32_t v) {
        put16(at, v & 0xFFFF);
        put16(at + 2, v >> 16);
    };
    image[0] = 'M';
    image[1] = 'Z';
    put32(0x3C, 0x40);
    std::memcpy(image.data() + 0x40, "PE\0\0", 4);
    put16(0x44, shape.machine);
    put16(0x46, 1);              // one section
    put16(0x54, 224);            // optional header size
    const std::size_t optional = 0x58;
    put16(optional, shape.optionalMagic);
    put32(optional + 32, 0x1000);  // section alignment
    put32(optional + 36, 0x200);   // file alignment
    put32(optional + 56, 0x2000);  // size of the image
    put32(optional + 60, 0x200);   // size of the headers
    put16(optional + 68, shape.subsystem);
    put32(optional + 92, 16);    // data directories
    put32(optional + 96 + 16, 0x1000);
    const std::size_t section = optional + 224;
    std::memcpy(image.data() + section, ".rsrc", 5);
    put32(section + 12, 0x1000);  // virtual address
    put32(section + 16, 0x200);   // raw size
    put32(section + 20, 0x200);   // raw offset
    // The resource tree: types, the names of each type, one language of
    // each name, its data entry and four bytes of data.
    const std::size_t root = 0x200;
    std::vector<std::pair<std::uint32_t, std::vector<std::uint32_t>>> types;
    if (!shape.dialogs.empty()) types.push_back({5, shape.dialogs});
    if (shape.strings) types.push_back({6, {1}});
    std::size_t names = 0;
    for (const auto& type : types) names += type.second.size();
    put16(root + 14, static_cast<std::uint32_t>(types.size()));
    std::size_t next = 16 + 8 * types.size();
    std::size_t languages = next;
    for (const auto& type : types) languages += 16 + 8 * type.second.size();
    std::size_t leaves = languages + 24 * names;
    std::size_t data = leaves + 16 * names;
    for (std::size_t t = 0; t < types.size(); ++t) {
        put32(root + 16 + 8 * t, types[t].first);
        put32(root + 20 + 8 * t, 0x80000000u | static_cast<std::uint32_t>(next));
        put16(root + next + 14, static_cast<std::uint32_t>(types[t].second.size()));
        for (std::size_t n = 0; n < types[t].second.size(); ++n) {
            put32(root + next + 16 + 8 * n, types[t].second[n]);
            put32(root + next + 20 + 8 * n, 0x80000000u | static_cast<std::uint32_t>(languages));
            put16(root + languages + 14, 1);
            put32(root + languages + 20, static_cast<std::uint32_t>(leaves));
            put32(root + leaves, 0x1000 + static_cast<std::uint32_t>(data));
            put32(root + leaves + 4, 4);
            languages += 24;
            leaves += 16;
            data += 4;
        }
        next += 16 + 8 * types[t].second.size();
    }
    put32(section + 8, static_cast<std::uint32_t>(data));  // virtual size
    put32(optional + 96 + 20, static_cast<std::uint32_t>(data));
    if (shape.relocations) {
        // One page of base relocations at 0x2000, its data at 0x400.
        put16(0x46, 2);
        const std::size_t reloc = section + 40;
        std::memcpy(image.data() + reloc, ".reloc", 6);
        put32(reloc + 8, 12);
        put32(reloc + 12, 0x2000);
        put32(reloc + 16, 0x200);
        put32(reloc + 20, 0x400);
        put32(optional + 56, 0x3000);
        put32(optional + 96 + 40, 0x2000);
        put32(optional + 96 + 44, 12);
        image.resize(0x600, 0);
        put32(0x400, 0x1000);  // the page
        put32(0x404, 12);      // the block's size
        put16(0x408, 0x3010);  // one HIGHLOW entry
    }
    // Bytes behind the section: the builder keeps them behind it.
    if (image.size() < shape.size) image.resize(shape.size, 0x90);
    return image;
}

int run(const std::string& arguments, const std::string& expectedError) {
    const std::string command = "timeout 20 " + std::string(MKPACKAGE_PATH) + " " + arguments + " 2>&1 >/dev/null";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return -1;
    std::string errors;
    char buffer[256];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) errors.append(buffer, n);
    const int status = ::pclose(pipe);
    if (errors.find(expectedError) == std::string::npos) {
        ADD_FAILURE() << "mkpackage " << arguments << ": no \"" << expectedError << "\" in: " << errors;
        return -1;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) != 124 ? WEXITSTATUS(status) : -1;
}

std::string quote(const fs::path& path) { return "'" + path.string() + "'"; }

Bytes readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, const Bytes& data) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

Bytes randomBytes(std::size_t size, std::uint32_t seed) {
    std::mt19937 random(seed);
    Bytes data(size);
    for (auto& b : data) b = static_cast<std::uint8_t>(random());
    return data;
}

Bytes certificateRecord(std::uint32_t dataSize) {
    const std::uint32_t length = 8 + dataSize;
    Bytes table((length + 7) / 8 * 8, 0x5A);
    std::memcpy(table.data(), &length, 4);
    const std::uint16_t revision = 0x0200, type = 0x0002;
    std::memcpy(table.data() + 4, &revision, 2);
    std::memcpy(table.data() + 6, &type, 2);
    return table;
}

Bytes withSignature(Bytes installer, const Bytes& table) {
    const std::uint32_t peOffset = 0x80;
    std::memcpy(installer.data() + 0x3C, &peOffset, 4);
    std::memcpy(installer.data() + peOffset, "PE\0\0", 4);
    const std::uint16_t optionalSize = 224, magic = 0x10B;
    std::memcpy(installer.data() + peOffset + 4 + 16, &optionalSize, 2);
    std::memcpy(installer.data() + peOffset + 24, &magic, 2);
    const std::uint32_t directories = 16;
    std::memcpy(installer.data() + peOffset + 24 + 92, &directories, 4);
    installer.resize((installer.size() + 7) / 8 * 8, 0);
    const auto offset = static_cast<std::uint32_t>(installer.size());
    const auto size = static_cast<std::uint32_t>(table.size());
    std::memcpy(installer.data() + kSecurityEntryOffset, &offset, 4);
    std::memcpy(installer.data() + kSecurityEntryOffset + 4, &size, 4);
    installer.insert(installer.end(), table.begin(), table.end());
    return installer;
}

Bytes textBytes(std::size_t size) {
    static const std::string kWords = "the quick brown fox jumps over the lazy dog and runs away; ";
    Bytes data(size);
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>(kWords[(i * 7 + i / 13) % kWords.size()]);
    return data;
}

}  // namespace testing_mkpackage
