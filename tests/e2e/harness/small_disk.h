// A small disk of its own, mapped as a Wine drive (from R: on); unmounted and
// unmapped on every way out. Mounting a tmpfs needs root: problem() tells
// why there is no disk otherwise, and the scenario skips.
#ifndef E2E_HARNESS_SMALL_DISK_H
#define E2E_HARNESS_SMALL_DISK_H

#include <string>

namespace e2e {

class SmallDisk {
public:
    // `size` as mount takes it ("256k").
    SmallDisk(const std::string& prefix, const std::string& size);
    ~SmallDisk();
    SmallDisk(const SmallDisk&) = delete;
    SmallDisk& operator=(const SmallDisk&) = delete;

    const std::string& problem() const { return problem_; }
    char letter() const { return letter_; }
    const std::string& hostPath() const { return mountPoint_; }

private:
    std::string mountPoint_, link_, problem_;
    bool mounted_ = false;
    char letter_ = 0;
};

}  // namespace e2e

#endif
