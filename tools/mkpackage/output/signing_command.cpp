#include "output/signing_command.h"

#include <cstdlib>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "common/input_error.h"
#include "common/path_text.h"
#include "format/package_reader.h"

namespace mkpackage {

std::string shellWord(const std::filesystem::path& path) {
    const std::string text = utf8FromPath(path);
#ifdef _WIN32
    // cmd.exe expands %NAME% even inside quotes, and a quote cannot be escaped.
    if (text.find_first_of("\"%") != std::string::npos) {
        throw InputError(text + ": the path holds '\"' or '%', which the command interpreter cannot take");
    }
    return "\"" + text + "\"";
#else
    std::string word = "'";
    for (const char c : text) {
        if (c == '\'') word += "'\\''";
        else word += c;
    }
    return word + "'";
#endif
}

std::string signingCommandLine(const std::string& command, const std::filesystem::path& file) {
    if (command.find("{}") == std::string::npos) {
        throw InputError("--sign: the command holds no {} for the installer's path: \"" + command + "\"");
    }
    const std::string word = shellWord(file);
    std::string line;
    for (std::size_t at = 0;;) {
        const std::size_t found = command.find("{}", at);
        if (found == std::string::npos) {
            line.append(command, at, std::string::npos);
            return line;
        }
        line.append(command, at, found - at);
        line += word;
        at = found + 2;
    }
}

void runSigningCommand(const std::string& command, const std::filesystem::path& file) {
    const std::string line = signingCommandLine(command, file);
#ifdef _WIN32
    // The wide form, so that a path outside the ANSI code page arrives whole;
    // cmd.exe wants the whole line in one more pair of quotes.
    const int status = _wsystem(pathFromUtf8("\"" + line + "\"").wstring().c_str());
    if (status == 0) return;
    const std::string how = status == -1 ? "could not be started" : "ended with exit code " + std::to_string(status);
#else
    const int status = std::system(line.c_str());
    if (status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0) return;
    std::string how;
    if (status == -1) how = "could not be started";
    else if (WIFSIGNALED(status)) how = "was ended by signal " + std::to_string(WTERMSIG(status));
    else how = "ended with exit code " + std::to_string(WEXITSTATUS(status));
#endif
    throw InputError("--sign: the signing command " + how + ": " + line);
}

void signInstaller(const std::string& command, const std::filesystem::path& installer) {
    runSigningCommand(command, installer);
    const fmt::PackageReport report = fmt::verifyPackageFile(installer.string());
    if (!report.defect.empty()) throw InputError("--sign: the signed installer fails verification: " + report.defect);
}

}  // namespace mkpackage
