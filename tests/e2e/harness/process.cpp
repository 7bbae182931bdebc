#include "process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

extern char** environ;

namespace e2e {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<char*> argvPointers(const std::vector<std::string>& argv) {
    std::vector<char*> pointers;
    for (const std::string& arg : argv) pointers.push_back(const_cast<char*>(arg.c_str()));
    pointers.push_back(nullptr);
    return pointers;
}

int decodeStatus(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    return -1;
}

// Starts argv with stdout (and maybe stderr) on outFd, stdin from /dev/null.
pid_t spawn(const std::vector<std::string>& argv, int outFd, bool mergeStandardError) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    // Nothing started here keeps our own output open: helpers that Wine
    // starts inherit the standard handles and may live on.
    if (outFd >= 0) {
        posix_spawn_file_actions_adddup2(&actions, outFd, 1);
        if (mergeStandardError) posix_spawn_file_actions_adddup2(&actions, outFd, 2);
        else posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    } else {
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    }
    pid_t pid = -1;
    std::vector<char*> args = argvPointers(argv);
    if (posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

}  // namespace

CommandResult runCommand(const std::vector<std::string>& argv, Milliseconds timeout,
                         bool mergeStandardError) {
    CommandResult result;
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return result;
    pid_t pid = spawn(argv, fds[1], mergeStandardError);
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        result.output = "cannot start " + argv[0];
        return result;
    }
    // The end of the program, not of the pipe, ends the reading: a Wine
    // program may start helpers (services, the wineserver) that inherit the
    // pipe and outlive it.
    auto deadline = Clock::now() + timeout;
    char buffer[4096];
    int status = 0;
    bool ended = false;
    bool pipeOpen = true;
    while (!ended) {
        if (Clock::now() >= deadline) {
            result.timedOut = true;
            ::kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        if (pipeOpen) {
            pollfd p{fds[0], POLLIN, 0};
            if (::poll(&p, 1, 10) > 0) {
                ssize_t n = read(fds[0], buffer, sizeof buffer);
                if (n > 0) result.output.append(buffer, static_cast<size_t>(n));
                else if (n == 0) pipeOpen = false;
            }
        } else {
            std::this_thread::sleep_for(Milliseconds(5));
        }
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) ended = true;
        else if (done < 0 && errno != EINTR) break;
    }
    // Whatever the program wrote before it ended is in the pipe already.
    if (ended && pipeOpen) {
        fcntl(fds[0], F_SETFL, O_NONBLOCK);
        ssize_t n;
        while ((n = read(fds[0], buffer, sizeof buffer)) > 0)
            result.output.append(buffer, static_cast<size_t>(n));
    }
    close(fds[0]);
    result.exitCode = ended ? decodeStatus(status) : -1;
    return result;
}

Process::Process(const std::vector<std::string>& argv) : pid_(spawn(argv, -1, false)) {}

Process::Process(Process&& other) noexcept : pid_(other.pid_), exitCode_(other.exitCode_) {
    other.pid_ = -1;
}

Process& Process::operator=(Process&& other) noexcept {
    if (this != &other) {
        kill();
        pid_ = other.pid_;
        exitCode_ = other.exitCode_;
        other.pid_ = -1;
    }
    return *this;
}

Process::~Process() { kill(); }

std::optional<int> Process::poll() {
    if (exitCode_ || pid_ <= 0) return exitCode_;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) == pid_) exitCode_ = decodeStatus(status);
    return exitCode_;
}

std::optional<int> Process::wait(Milliseconds timeout) {
    auto deadline = Clock::now() + timeout;
    while (!poll()) {
        if (pid_ <= 0 || Clock::now() >= deadline) return std::nullopt;
        std::this_thread::sleep_for(Milliseconds(10));
    }
    return exitCode_;
}

void Process::kill() {
    if (pid_ <= 0 || exitCode_) return;
    if (!poll()) {
        ::kill(pid_, SIGKILL);
        int status = 0;
        waitpid(pid_, &status, 0);
        exitCode_ = -1;
    }
}

}  // namespace e2e
