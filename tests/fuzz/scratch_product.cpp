#include "scratch_product.h"

#include <sys/stat.h>

#include <chrono>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "sources/placeholder_media.h"
#include "starter/starter_product.h"

namespace fuzzing {

namespace fs = std::filesystem;

namespace {

void writeFile(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                 static_cast<std::streamsize>(bytes.size()));
}

void writeText(const fs::path& path, const std::string& text) {
    writeFile(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

std::vector<std::uint8_t> pattern(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    std::uint32_t state = 12345;
    for (auto& b : bytes) {
        state = state * 1103515245u + 12345u;
        b = static_cast<std::uint8_t>(state >> 16);
    }
    return bytes;
}

// The smallest file the builder takes for a clip: the RIFF head of an AVI.
std::vector<std::uint8_t> tinyClip() {
    const std::string head = std::string("RIFF\x04\x00\x00\x00", 8) + "AVI ";
    return std::vector<std::uint8_t>(head.begin(), head.end());
}

}  // namespace

void writeScratchProduct(const fs::path& folder) {
    mkpackage::writeStarterProduct(folder, "Fuzz Product");
    writeText(folder / "a.txt", "a");
    writeFile(folder / "b.bin", pattern(1000));
    writeText(folder / "empty.txt", "");
    writeFile(folder / "chunk.bin", pattern(16385));
    writeFile(folder / "tiny.bmp", mkpackage::makeBitmapFile(2, 2, 0x102030, 0x405060));
    writeFile(folder / "tiny.ico", mkpackage::makeIconFile(0x336699));
    writeFile(folder / "tiny.avi", tinyClip());
    writeText(folder / "tree" / "one.txt", "one");
    writeText(folder / "tree" / "sub" / "two.txt", "two");
    fs::create_symlink("../one.txt", folder / "tree" / "sub" / "link.txt");
    for (const char* name : {"links-out", "links-folder", "links-gone", "links-loop", "pipe-folder"})
        fs::create_directory(folder / name);
    fs::create_symlink("../a.txt", folder / "links-out" / "out.txt");
    fs::create_directory_symlink(".", folder / "links-folder" / "dir");
    fs::create_symlink("missing", folder / "links-gone" / "gone");
    fs::create_symlink("loop2", folder / "links-loop" / "loop1");
    fs::create_symlink("loop1", folder / "links-loop" / "loop2");
    ::mkfifo((folder / "pipe-folder" / "pipe").c_str(), 0600);

    const auto when = std::chrono::file_clock::from_sys(std::chrono::sys_seconds{std::chrono::seconds{1600000000}});
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_symlink() && entry.is_regular_file()) fs::last_write_time(entry.path(), when);
    }
}

}  // namespace fuzzing
