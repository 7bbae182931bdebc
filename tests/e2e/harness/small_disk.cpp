#include "small_disk.h"

#include <unistd.h>

#include <filesystem>

#include "process.h"

namespace e2e {

namespace fs = std::filesystem;

SmallDisk::SmallDisk(const std::string& prefix, const std::string& size) {
    mountPoint_ = "/tmp/e2e-small-disk-" + std::to_string(::getpid());
    fs::create_directories(mountPoint_);
    CommandResult mounted = runCommand(
        {"mount", "-t", "tmpfs", "-o", "size=" + size, "tmpfs", mountPoint_},
        Milliseconds(10000), true);
    if (mounted.exitCode != 0) {
        problem_ = "cannot mount a tmpfs: " + mounted.output;
        return;
    }
    mounted_ = true;
    for (char letter = 'r'; letter <= 'y'; ++letter) {
        std::string link = prefix + "/dosdevices/" + letter + ":";
        std::error_code error;
        // A drive that a killed run left behind is taken again.
        fs::path target = fs::read_symlink(link, error);
        if (!error && target.string().rfind("/tmp/e2e-small-disk-", 0) == 0 &&
            !fs::exists(target, error))
            fs::remove(link, error);
        error.clear();
        if (fs::exists(fs::symlink_status(link, error))) continue;
        fs::create_directory_symlink(mountPoint_, link, error);
        if (error) continue;
        link_ = link;
        letter_ = static_cast<char>(letter - 'a' + 'A');
        return;
    }
    problem_ = "no free drive letter";
}

SmallDisk::~SmallDisk() {
    std::error_code ignored;
    if (!link_.empty()) fs::remove(link_, ignored);
    if (mounted_ && runCommand({"umount", mountPoint_}, Milliseconds(10000)).exitCode != 0)
        runCommand({"umount", "-l", mountPoint_}, Milliseconds(10000));
    fs::remove(mountPoint_, ignored);
}

}  // namespace e2e
