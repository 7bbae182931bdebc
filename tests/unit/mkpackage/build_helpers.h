// A scratch folder with a program image, source files and a description,
// and helpers that build an installer there and read it back.
#ifndef TESTS_MKPACKAGE_BUILD_HELPERS_H
#define TESTS_MKPACKAGE_BUILD_HELPERS_H

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "format/package_reader.h"

namespace testing_mkpackage {

using Bytes = std::vector<std::uint8_t>;

class Workspace {
public:
    Workspace();
    ~Workspace();
    const std::filesystem::path& dir() const { return dir_; }
    std::filesystem::path path(const std::string& relative) const { return dir_ / relative; }

    void write(const std::string& relative, const Bytes& data) const;
    void write(const std::string& relative, const std::string& text) const;

    // Writes product.toml with `body` after a [product] section and builds
    // it against an odd-sized program image with `jobs` workers; returns the
    // installer's path.
    std::filesystem::path build(const std::string& body, const std::string& output = "setup.exe",
                                unsigned jobs = 1) const;

    // The description file's path after build() or describe().
    std::filesystem::path descriptionPath() const { return dir_ / "product.toml"; }

private:
    std::filesystem::path dir_;
};

// A small program image that passes the builder's program image check
// (a PE32 GUI image for i686 whose resources hold the setup program's
// dialogs and texts) and whose resources the builder can rewrite, or fails
// the check in the way the fields below say.
struct ImageShape {
    std::uint16_t machine = 0x14C;
    std::uint16_t optionalMagic = 0x10B;
    std::uint16_t subsystem = 2;
    std::vector<std::uint32_t> dialogs = {104, 105, 106, 107, 109};
    bool strings = true;
    bool relocations = false;  // a base relocation section behind the resources
    std::size_t size = 1101;  // padded with 0x90 behind its one section up to this size
};
Bytes makeProgramImage(const ImageShape& shape = {});

Bytes readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const Bytes& data);

Bytes randomBytes(std::size_t size, std::uint32_t seed);
Bytes textBytes(std::size_t size);

// A certificate table of one signature record of `dataSize` bytes (padded
// to a multiple of 8).
Bytes certificateRecord(std::uint32_t dataSize);

// The installer as a signing tool leaves it: image headers written into the
// test's program image (whose bytes nothing reads), the file padded with
// zeros to a multiple of 8, `table` appended and named by the security entry.
Bytes withSignature(Bytes installer, const Bytes& table);

// Offset of the security entry's two words in a file from withSignature.
inline constexpr std::size_t kSecurityEntryOffset = 0x80 + 24 + 96 + 4 * 8;

// Runs mkpackage with `arguments` (for at most 20 seconds); returns its exit
// code, or -1 (with a test failure) when it did not end or its errors lack
// `expectedError`.
int run(const std::string& arguments, const std::string& expectedError = "");

// A path in single quotes for the shell.
std::string quote(const std::filesystem::path& path);

// The minimal description body start: "[product]\nname = ...".
extern const char* const kProduct;

}  // namespace testing_mkpackage

#endif
