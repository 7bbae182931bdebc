// A Wine drive (from R: on) whose root the programs cannot write, with one
// writable folder below it: a share's root the user may not write, or a
// volume mounted read-only at its root, as the install folder's drive.
// The root is a folder of mode 0555; the superuser writes there all the
// same, so for it the root is a read-only bind mount with the writable
// folder bound into it again. Unmapped and unmounted on every way out;
// problem() tells why there is no drive, and the scenario skips.
#ifndef E2E_HARNESS_READ_ONLY_ROOT_DRIVE_H
#define E2E_HARNESS_READ_ONLY_ROOT_DRIVE_H

#include <string>
#include <vector>

namespace e2e {

class ReadOnlyRootDrive {
public:
    // `writable`: the name of the folder below the root that stays writable.
    ReadOnlyRootDrive(const std::string& prefix, const std::string& writable);
    ~ReadOnlyRootDrive();
    ReadOnlyRootDrive(const ReadOnlyRootDrive&) = delete;
    ReadOnlyRootDrive& operator=(const ReadOnlyRootDrive&) = delete;

    const std::string& problem() const { return problem_; }
    char letter() const { return letter_; }
    // The root as the programs see it, on the host.
    const std::string& hostPath() const { return root_; }

private:
    std::string folder_, root_, link_, problem_;
    std::vector<std::string> mounts_;
    char letter_ = 0;
};

}  // namespace e2e

#endif
