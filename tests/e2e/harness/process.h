// Starting Linux processes (Wine, Xvfb, the builder) for the scenarios.
#ifndef E2E_HARNESS_PROCESS_H
#define E2E_HARNESS_PROCESS_H

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace e2e {

using Milliseconds = std::chrono::milliseconds;

struct CommandResult {
    int exitCode = -1;      // -1: did not end normally or timed out
    bool timedOut = false;
    std::string output;     // standard output (and standard error when merged)
};

// Runs a program (searched on PATH) with the current environment and collects
// its output; a program still running after the timeout is killed.
CommandResult runCommand(const std::vector<std::string>& argv, Milliseconds timeout,
                         bool mergeStandardError = false);

// A program running in the background; its output goes to /dev/null. The
// destructor kills it if it still runs.
class Process {
public:
    Process() = default;
    explicit Process(const std::vector<std::string>& argv);
    Process(Process&& other) noexcept;
    Process& operator=(Process&& other) noexcept;
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;
    ~Process();

    bool started() const { return pid_ > 0; }
    // The exit code once the program has ended; nullopt while it runs.
    std::optional<int> poll();
    // Waits for the end; nullopt if the program still runs after the timeout.
    std::optional<int> wait(Milliseconds timeout);
    void kill();

private:
    pid_t pid_ = -1;
    std::optional<int> exitCode_;
};

}  // namespace e2e

#endif
