// mkpackage: builds installers from product descriptions, inspects and
// verifies them, and starts new product descriptions.
//
// Exit codes: 0 success, 1 a defect in the input (or an installer that fails
// verification), 2 a usage error.
#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <sstream>

#include <CLI/CLI.hpp>

#include "build_inputs.h"
#include "bundled_uninstaller.h"
#include "description.h"
#include "description_warnings.h"
#include "file_facts.h"
#include "input_error.h"
#include "package_listing.h"
#include "package_writer.h"
#include "path_text.h"
#include "starter_product.h"
#include "variables.h"

namespace {

namespace fs = std::filesystem;
using namespace mkpackage;

constexpr int kExitDefect = 1;
constexpr int kExitUsage = 2;

#ifdef _WIN32

// On Windows the program image is the setup.exe shipped next to mkpackage.exe.
fs::path defaultProgramImage() {
    wchar_t self[MAX_PATH + 1];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH + 1);
    if (length == 0 || length > MAX_PATH) return {};
    std::error_code ec;
    const fs::path candidate = fs::path(self).parent_path() / "setup.exe";
    return fs::is_regular_file(candidate, ec) ? candidate : fs::path();
}

// Progress is drawn only on a console, never into a redirected file.
bool errorsGoToTerminal() {
    DWORD mode;
    return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}

#else

// The program image of this build: the win32 tree named at configure time,
// else a setup.exe in or near the build tree that holds this tool.
fs::path defaultProgramImage() {
    std::error_code ec;
#ifdef MKPACKAGE_WIN32_BUILD
    const fs::path configured = fs::path(MKPACKAGE_WIN32_BUILD) / "src" / "setup.exe";
    if (fs::is_regular_file(configured, ec)) return configured;
#endif
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    fs::path dir = self.parent_path();
    for (int level = 0; level < 4 && !dir.empty() && dir != dir.root_path(); ++level, dir = dir.parent_path()) {
        for (const fs::path& candidate : {dir / "setup.exe", dir / "src" / "setup.exe", dir / "win32" / "src" / "setup.exe",
                                          dir.parent_path() / "win32" / "src" / "setup.exe"}) {
            if (fs::is_regular_file(candidate, ec)) return candidate;
        }
    }
    return {};
}

bool errorsGoToTerminal() { return ::isatty(STDERR_FILENO) != 0; }

#endif

std::string megabytes(std::uint64_t bytes) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MB", static_cast<double>(bytes) / 1e6);
    return text;
}

// What a build is asked to check beyond the description itself.
struct BuildChecks {
    std::vector<std::string> definitions;  // -D NAME=VALUE
    std::string previousVersion;
    bool warningsAreErrors = false;
};

// Prints the warnings; false when --werror makes them stop the build.
bool reportWarnings(const Description& description, const BuildChecks& checks) {
    const std::vector<Warning> warnings = findWarnings(description, checks.previousVersion);
    for (const Warning& warning : warnings) std::cerr << formatWarning(description, warning) << "\n";
    if (warnings.empty() || !checks.warningsAreErrors) return true;
    std::cerr << "mkpackage: " << warnings.size() << (warnings.size() == 1 ? " warning" : " warnings")
              << ", and --werror makes them errors\n";
    return false;
}

int runBuild(const fs::path& descriptionPath, const fs::path& output, fs::path image, fs::path uninstaller,
             unsigned jobs, bool quiet, const BuildChecks& checks) {
    if (image.empty()) image = defaultProgramImage();
    if (image.empty()) {
        std::cerr << "mkpackage: no program image found next to mkpackage; name one with --stub\n";
        return kExitUsage;
    }
    DescriptionOptions descriptionOptions;
    for (const std::string& definition : checks.definitions) {
        std::string name, value, problem;
        if (!parseVariableDefinition(definition, name, value, problem)) {
            std::cerr << "mkpackage: " << problem << "\n";
            return kExitUsage;
        }
        descriptionOptions.variables[name] = value;
    }
    checkSetupProgramImage(image);
    Description description = readDescription(descriptionPath, descriptionOptions);
    addBundledUninstaller(description, uninstaller.empty() ? defaultUninstallerImage() : uninstaller);
    refuseOutputOverInput(description, image, output);
    if (!reportWarnings(description, checks)) return kExitDefect;
    const bool showProgress = !quiet && errorsGoToTerminal();
    auto lastShown = std::chrono::steady_clock::now();
    auto progress = [&](const BuildProgress& p) {
        const auto now = std::chrono::steady_clock::now();
        if (p.filesDone != p.filesTotal && now - lastShown < std::chrono::milliseconds(100)) return;
        lastShown = now;
        std::fprintf(stderr, "\r  files %llu/%llu, %s of %s   ", static_cast<unsigned long long>(p.filesDone),
                     static_cast<unsigned long long>(p.filesTotal), megabytes(p.bytesDone).c_str(),
                     megabytes(p.bytesTotal).c_str());
    };
    BuildOptions options;
    options.jobs = jobs;
    if (showProgress) options.progress = progress;
    BuildResult result;
    try {
        result = writeInstaller(description, image, output, options);
    } catch (...) {
        if (showProgress) std::fputs("\n", stderr);  // the error starts on a line of its own
        throw;
    }
    if (showProgress) std::fputs("\n", stderr);
    if (!quiet) {
        std::cout << "wrote " << utf8FromPath(output) << ": " << result.files << " files, " << megabytes(result.unpackedBytes)
                  << " packed into " << megabytes(result.packageBytes) << "\n";
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    CLI::App app{"mkpackage: builds, inspects and starts setup packages"};
    app.require_subcommand(1);
    // On Windows the parser would take "/name" for an option; a path given
    // in that form must stay a path, and both builds take the same options.
    app.allow_windows_style_options(false);

    fs::path descriptionPath, output, image, uninstaller;
    bool quiet = false;
    unsigned jobs = defaultJobs();
    CLI::App* build = app.add_subcommand("build", "Build an installer from a product description");
    build->add_option("description", descriptionPath, "product description (TOML)")->required();
    build->add_option("-o,--output", output, "installer to write")->required();
    build->add_option("--stub", image, "program image the package is appended to (default: setup.exe of this build)");
    build->add_option("--uninstaller", uninstaller,
                      "uninstaller stored when the description asks for one (default: uninstall.exe of this build)");
    build->add_option("-j,--jobs", jobs, "threads that compress (default: the number of cores); the output is the same")
        ->check(CLI::Range(1u, kMaxJobs));
    build->add_flag("-q,--quiet", quiet, "print nothing but errors");
    BuildChecks checks;
    build->add_option("-D,--define", checks.definitions, "NAME=VALUE: a variable for ${NAME} in the description")
        ->allow_extra_args(false);
    build->add_option("--previous-version", checks.previousVersion,
                      "the version this one replaces: warn when the setup program would order the two otherwise");
    build->add_flag("--werror", checks.warningsAreErrors, "treat warnings as errors (exit 1, no installer)");

    fs::path installer;
    CLI::App* inspect = app.add_subcommand("inspect", "Print and verify an installer's package");
    inspect->add_option("installer", installer, "installer file")->required();

    fs::path folder;
    std::string productName = "My Product";
    CLI::App* start = app.add_subcommand("new", "Write a starter product description with placeholder files");
    start->add_option("folder", folder, "folder to create (must not exist or be empty)")->required();
    start->add_option("--name", productName, "product name (default \"My Product\")");

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const int code = app.exit(e);
        return code == 0 ? 0 : kExitUsage;
    }

    try {
        // A folder, a device or a pipe is refused before any work is done.
        if (*build) {
            for (const auto& [path, role] : {std::pair{image, "the program image"}, std::pair{uninstaller, "the uninstaller"}})
                if (!path.empty()) refuseUnlessFile(path, role);
            refuseUnlessFile(output, "the output");
            return runBuild(descriptionPath, output, image, uninstaller, jobs, quiet, checks);
        }
        if (*inspect) {
            refuseUnlessFile(installer, "the installer");
            return printInstallerReport(installer, std::cout) ? 0 : kExitDefect;
        }
        if (*start) {
            const unsigned codePage = writeStarterProduct(folder, productName);
            std::cout << "wrote a starter product in " << utf8FromPath(folder) << "; build it with\n  mkpackage build "
                      << utf8FromPath(folder / "product.toml") << " -o setup.exe\n";
            if (codePage != 1252) std::cout << "its texts are stored in code page " << codePage << ", which holds the name\n";
            return 0;
        }
    } catch (const InputError& e) {
        // One line for each defect of a description.
        std::istringstream lines(e.what());
        for (std::string line; std::getline(lines, line);) std::cerr << "mkpackage: " << line << "\n";
        return kExitDefect;
    } catch (const std::exception& e) {
        std::cerr << "mkpackage: " << e.what() << "\n";
        return kExitDefect;
    }
    return kExitUsage;
}
