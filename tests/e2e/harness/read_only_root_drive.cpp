#include "read_only_root_drive.h"

#include <unistd.h>

#include <filesystem>

#include "process.h"

namespace e2e {

namespace fs = std::filesystem;

namespace {

const std::string kHostPrefix = "/tmp/e2e-read-only-root-";

bool mount(const std::vector<std::string>& arguments, std::string& problem) {
    std::vector<std::string> command{"mount"};
    command.insert(command.end(), arguments.begin(), arguments.end());
    const CommandResult result = runCommand(command, Milliseconds(10000), true);
    if (result.exitCode != 0) problem = "cannot mount: " + result.output;
    return result.exitCode == 0;
}

}  // namespace

ReadOnlyRootDrive::ReadOnlyRootDrive(const std::string& prefix, const std::string& writable) {
    const std::string id = std::to_string(::getpid());
    folder_ = kHostPrefix + id;
    root_ = folder_;
    std::error_code error;
    fs::create_directories(folder_ + "/" + writable, error);
    if (::geteuid() == 0) {
        root_ = kHostPrefix + "mount-" + id;
        fs::create_directories(root_, error);
        if (!mount({"--bind", folder_, root_}, problem_)) return;
        mounts_.push_back(root_);
        if (!mount({"-o", "remount,bind,ro", root_}, problem_)) return;
        if (!mount({"--bind", folder_ + "/" + writable, root_ + "/" + writable}, problem_)) return;
        mounts_.push_back(root_ + "/" + writable);
    }
    fs::permissions(folder_, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                 fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec,
                    error);
    for (char letter = 'r'; letter <= 'y'; ++letter) {
        const std::string link = prefix + "/dosdevices/" + letter + ":";
        // A drive that a killed run left behind is taken again.
        const fs::path target = fs::read_symlink(link, error);
        if (!error && target.string().rfind(kHostPrefix, 0) == 0 && !fs::exists(target, error))
            fs::remove(link, error);
        error.clear();
        if (fs::exists(fs::symlink_status(link, error))) continue;
        fs::create_directory_symlink(root_, link, error);
        if (error) continue;
        link_ = link;
        letter_ = static_cast<char>(letter - 'a' + 'A');
        return;
    }
    problem_ = "no free drive letter";
}

ReadOnlyRootDrive::~ReadOnlyRootDrive() {
    std::error_code ignored;
    if (!link_.empty()) fs::remove(link_, ignored);
    for (auto mount = mounts_.rbegin(); mount != mounts_.rend(); ++mount)
        if (runCommand({"umount", *mount}, Milliseconds(10000)).exitCode != 0)
            runCommand({"umount", "-l", *mount}, Milliseconds(10000));
    if (root_ != folder_) fs::remove(root_, ignored);
    fs::permissions(folder_, fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(folder_, ignored);
}

}  // namespace e2e
