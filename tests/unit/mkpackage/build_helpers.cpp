#include "build_helpers.h"

#include <stdlib.h>

#include <fstream>
#include <random>
#include <stdexcept>

#include "description.h"
#include "package_writer.h"

namespace testing_mkpackage {

namespace fs = std::filesystem;

const char* const kProduct = "[product]\nname = \"Test Product\"\ndefault-folder = \"C:\\\\Test\\\\\"\n";

Workspace::Workspace() {
    std::string pattern = (fs::temp_directory_path() / "mkpackage-test-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    dir_ = pattern;
    // 1001 bytes: the package must start at the next multiple of 4.
    Bytes image(1001, 0x90);
    image[0] = 'M';
    image[1] = 'Z';
    write("stub.exe", image);
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

Bytes textBytes(std::size_t size) {
    static const std::string kWords = "the quick brown fox jumps over the lazy dog and runs away; ";
    Bytes data(size);
    for (std::size_t i = 0; i < size; ++i) data[i] = static_cast<std::uint8_t>(kWords[(i * 7 + i / 13) % kWords.size()]);
    return data;
}

}  // namespace testing_mkpackage
