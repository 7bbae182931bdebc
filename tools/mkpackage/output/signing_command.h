// `build --sign "COMMAND {}"`: the signing command run on the finished
// installer while it still has its temporary name. Every "{}" stands for that
// file's path, quoted for the command interpreter (write it bare, without
// quotes of your own).
#ifndef MKPACKAGE_SIGNING_COMMAND_H
#define MKPACKAGE_SIGNING_COMMAND_H

#include <filesystem>
#include <string>

namespace mkpackage {

// The path as one word for the system's command interpreter: in single
// quotes for sh (a quote inside as '\''), in double quotes for cmd.exe.
// Throws InputError for a path that cmd.exe cannot take in quotes (one with
// '"' or '%').
std::string shellWord(const std::filesystem::path& path);

// The command with every "{}" replaced by shellWord(file). Throws InputError
// when the command holds no "{}".
std::string signingCommandLine(const std::string& command, const std::filesystem::path& file);

// Runs the command through the system's command interpreter and waits for
// it; throws InputError naming the command's exit status when it fails.
void runSigningCommand(const std::string& command, const std::filesystem::path& file);

// runSigningCommand, then verifies the signed file as inspect does: it must
// still be an installer whose package the setup program finds and reads.
// Throws InputError naming the defect.
void signInstaller(const std::string& command, const std::filesystem::path& installer);

}  // namespace mkpackage

#endif
