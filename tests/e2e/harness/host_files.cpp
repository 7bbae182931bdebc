#include "host_files.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <thread>

namespace e2e {

namespace fs = std::filesystem;

std::string contentOf(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool writeFileAt(const std::string& path, const std::string& content, std::time_t time) {
    std::error_code error;
    fs::create_directories(fs::path(path).parent_path(), error);
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        if (!(out << content) || !out.flush()) return false;
    }
    const timespec times[2] = {{time, 0}, {time, 0}};
    return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

std::time_t modifiedAt(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_mtim.tv_sec : 0;
}

std::vector<std::string> filesBelow(const std::string& folder) {
    std::vector<std::string> found;
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error);
         !error && it != fs::recursive_directory_iterator(); it.increment(error))
        found.push_back(fs::relative(it->path(), folder).generic_string());
    std::sort(found.begin(), found.end());
    return found;
}

std::map<std::string, std::string> treeOf(const std::string& folder) {
    std::map<std::string, std::string> tree;
    for (const std::string& relative : filesBelow(folder)) {
        const std::string path = folder + "/" + relative;
        tree[relative] = fs::is_directory(path) ? "<folder>" : contentOf(path);
    }
    return tree;
}

std::string noise(std::size_t size, unsigned seed) {
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) c = static_cast<char>(generator() & 0xFF);
    return bytes;
}

bool holdsText(const std::string& bytes, const std::string& text) {
    std::string wide;
    for (char c : text) {
        wide += c;
        wide += '\0';
    }
    return bytes.find(text) != std::string::npos || bytes.find(wide) != std::string::npos;
}

bool waitUntil(const std::function<bool()>& condition, Milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(Milliseconds(50));
    }
    return true;
}

}  // namespace e2e
