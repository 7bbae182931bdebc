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

#include "build/build_inputs.h"
#include "build/bundled_uninstaller.h"
#include "build/package_writer.h"
#include "build/progress_report.h"
#include "common/input_error.h"
#include "common/path_text.h"
#include "description/description_reader.h"
#include "description/description_warnings.h"
#include "inspect/inspect_installer.h"
#include "output/interrupt_cleanup.h"
#include "output/signing_command.h"
#include "sources/file_facts.h"
#include "starter/starter_product.h"
#include "text/variables.h"
#include "winget/winget_command.h"

namespace {

namespace fs = std::filesystem;
using namespace mkpackage;

constexpr int kExitDefect = 1;
constexpr int kExitUsage = 2;

constexpr const char* kCommands[] = {"build", "inspect", "new", "winget"};

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

// Everything is printed in UTF-8 (file names, inspect's texts); a console
// shows it as such only in its UTF-8 code page, set for the run and given
// back at its end.
class Utf8Console {
public:
    Utf8Console() : saved_(GetConsoleOutputCP()) {
        if (saved_ != 0) SetConsoleOutputCP(CP_UTF8);
    }
    ~Utf8Console() {
        if (saved_ != 0) SetConsoleOutputCP(saved_);
    }

private:
    UINT saved_;
};

#else

struct Utf8Console {};

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

// What a build does besides writing: signing and how progress is shown.
struct PipelineOptions {
    std::string signCommand;  // empty: no signing
    bool progressLines = false;
};

// A first word that names no command and no option: said plainly, with the
// list of commands, rather than as a stray argument.
bool refuseUnknownCommand(int argc, char** argv) {
    if (argc < 2 || argv[1][0] == '-') return false;
    for (const char* command : kCommands)
        if (std::string(argv[1]) == command) return false;
    std::cerr << "mkpackage: unknown command \"" << argv[1] << "\"; the commands are:";
    for (const char* command : kCommands) std::cerr << " " << command;
    std::cerr << "\nRun mkpackage --help for more information.\n";
    return true;
}

// An option the command does not know, named before whatever else the
// parser found wrong: "--ouput x" is a typo, not a missing --output.
bool refuseUnknownOption(const CLI::App& app, int argc, char** argv) {
    if (argc < 3) return false;
    const CLI::App* command = nullptr;
    for (const CLI::App* sub : app.get_subcommands({}))
        if (sub->get_name() == argv[1]) command = sub;
    if (command == nullptr) return false;
    for (int i = 2; i < argc; ++i) {
        const std::string word = argv[i];
        if (word == "--") break;
        if (word.size() < 2 || word[0] != '-' || word == "-") continue;
        std::string name = word.substr(0, word.find('='));
        // A cluster of short flags ("-qj2") is named by its first letter.
        if (name[1] != '-' && name.size() > 2) name.resize(2);
        if (name == "-h" || name == "--help") continue;
        if (const CLI::Option* option = command->get_option_no_throw(name)) {
            // Its value is the next word, even one that begins with "-".
            if (word.find('=') == std::string::npos && word.size() == name.size() && option->get_type_size() > 0) ++i;
            continue;
        }
        std::cerr << "mkpackage " << argv[1] << ": unknown option \"" << name << "\"\nRun mkpackage " << argv[1]
                  << " --help for its options.\n";
        return true;
    }
    return false;
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
             unsigned jobs, bool quiet, const BuildChecks& checks, const PipelineOptions& pipeline) {
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
    const fs::path uninstallerImage = uninstaller.empty() ? defaultUninstallerImage() : uninstaller;
    if (addBundledUninstaller(description, uninstallerImage) == UninstallerSource::bundled)
        checkUninstallerImage(uninstallerImage);
    refuseOutputOverInput(description, image, output);
    if (!reportWarnings(description, checks)) return kExitDefect;
    const auto started = std::chrono::steady_clock::now();
    const ProgressForm form = pipeline.progressLines                ? ProgressForm::lines
                              : !quiet && errorsGoToTerminal() ? ProgressForm::redrawn
                                                               : ProgressForm::none;
    ProgressReport report(form, stderr, started);
    BuildOptions options;
    options.jobs = jobs;
    if (form != ProgressForm::none) options.progress = [&report](const BuildProgress& p) { report.update(p); };
    if (!pipeline.signCommand.empty()) {
        options.finish = [&pipeline](const fs::path& installer) { signInstaller(pipeline.signCommand, installer); };
    }
    BuildResult result;
    try {
        result = writeInstaller(description, image, output, options);
    } catch (...) {
        report.finish();  // the error starts on a line of its own
        throw;
    }
    report.finish();
    if (!quiet) {
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - started;
        std::cout << buildSummary(utf8FromPath(output), result, seconds.count()) << "\n";
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    installInterruptCleanup();
    [[maybe_unused]] const Utf8Console console;
    if (refuseUnknownCommand(argc, argv)) return kExitUsage;
    CLI::App app{"mkpackage: builds, inspects and starts setup packages"};
    app.set_version_flag("--version", "mkpackage " MKPACKAGE_VERSION);
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
    PipelineOptions pipeline;
    build->add_option("--sign", pipeline.signCommand,
                      "signing command run on the finished installer before it takes its name; {} stands for its "
                      "path (quoted for you); a failure fails the build")
        ->check([](const std::string& command) {
            return command.find("{}") == std::string::npos ? "the signing command holds no {} for the installer's path"
                                                            : "";
        });
    build->add_flag("--progress", pipeline.progressLines, "print a progress line every few seconds, also into a log");

    fs::path installer;
    bool json = false;
    CLI::App* inspect = app.add_subcommand("inspect", "Print and verify an installer's package");
    inspect->add_option("installer", installer, "installer file")->required();
    inspect->add_flag("--json", json, "print the whole listing as one JSON document");

    fs::path folder;
    std::string productName = "My Product";
    CLI::App* start = app.add_subcommand("new", "Write a starter product description with placeholder files");
    start->add_option("folder", folder, "folder to create (must not exist or be empty)")->required();
    start->add_option("--name", productName, "product name (default \"My Product\")");

    WingetOptions winget;
    CLI::App* manifest = app.add_subcommand("winget", "Write a package manager's manifest (schema 1.10.0) for an installer");
    manifest->add_option("installer", winget.installer, "installer built by mkpackage")->required();
    manifest->add_option("--id", winget.id, "package identifier, Publisher.Product")->required();
    manifest->add_option("--url", winget.url, "where the installer will be downloaded from (http or https)")->required();
    manifest->add_option("--locale", winget.locale, "locale of the manifest's texts (default en-US)");
    manifest->add_option("--license", winget.license, "the product's licence (default \"Proprietary\")");
    manifest->add_option("-o,--output", winget.folder, "folder for the three manifest files")->required();

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (refuseUnknownOption(app, argc, argv)) return kExitUsage;
        const int code = app.exit(e);
        return code == 0 ? 0 : kExitUsage;
    }

    try {
        // A folder, a device or a pipe is refused before any work is done.
        if (*build) {
            for (const auto& [path, role] : {std::pair{image, "the program image"}, std::pair{uninstaller, "the uninstaller"}})
                if (!path.empty()) refuseUnlessFile(path, role);
            refuseUnlessFile(output, "the output");
            return runBuild(descriptionPath, output, image, uninstaller, jobs, quiet, checks, pipeline);
        }
        if (*inspect) {
            refuseUnlessFile(installer, "the installer");
            return inspectInstaller(installer, json, std::cout, std::cerr) ? 0 : kExitDefect;
        }
        if (*manifest) {
            refuseUnlessFile(winget.installer, "the installer");
            return writeWingetManifest(winget, std::cout, std::cerr);
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
