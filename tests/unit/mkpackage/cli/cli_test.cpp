// The command line contract: exit codes 0, 1 and 2, and no output on error.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <chrono>

#include "build/build_inputs.h"
#include "build/progress_report.h"
#include "build_helpers.h"
#include "output/output_file.h"
#include "sources/placeholder_media.h"

namespace testing_mkpackage {
namespace {

TEST(CommandLine, ExitCodes) {
    Workspace ws;
    ws.write("a.txt", "a");
    ws.write("product.toml", std::string(kProduct) + "[[components]]\nname = \"C\"\nfiles = [\"a.txt\"]\n");
    const std::string build = "build " + quote(ws.descriptionPath()) + " --stub " + quote(ws.path("stub.exe")) + " -o ";

    EXPECT_EQ(run(""), 2);
    EXPECT_EQ(run("--help"), 0);
    EXPECT_EQ(run("build --help"), 0);
    EXPECT_EQ(run("build"), 2);
    EXPECT_EQ(run("frobnicate"), 2);

    EXPECT_EQ(run(build + quote(ws.path("good.exe")) + " --quiet"), 0);
    EXPECT_EQ(run(build + quote(ws.path("good.exe")) + " --quiet --jobs 3"), 0);
    for (const char* jobs : {"0", "257", "two"}) EXPECT_EQ(run(build + quote(ws.path("bad.exe")) + " -j " + jobs), 2) << jobs;
    EXPECT_EQ(run("inspect " + quote(ws.path("good.exe"))), 0);
    EXPECT_EQ(run("inspect " + quote(ws.path("stub.exe"))), 1);

    ws.write("product.toml", std::string(kProduct) + "[[components]]\nname = \"C\"\nfiles = [\"missing.txt\"]\n");
    EXPECT_EQ(run(build + quote(ws.path("bad.exe"))), 1);
    EXPECT_FALSE(std::filesystem::exists(ws.path("bad.exe")));

    EXPECT_EQ(run("new " + quote(ws.path("starter"))), 0);
    EXPECT_EQ(run("new " + quote(ws.path("starter"))), 1);
}

// A folder, a device or a pipe as installer, program image or output is
// refused at once: reading one never ends or waits for a writer.
TEST(CommandLine, NonFilesAreRefusedAtOnce) {
    Workspace ws;
    ws.write("a.txt", "a");
    ws.write("product.toml", std::string(kProduct) + "[[components]]\nname = \"C\"\nfiles = [\"a.txt\"]\n");
    ASSERT_EQ(::mkfifo(ws.path("pipe").c_str(), 0600), 0);
    const std::string description = quote(ws.descriptionPath());
    const std::string good = " -o " + quote(ws.path("out.exe"));
    for (const std::string& nonFile : {quote(ws.dir()), quote(ws.path("pipe")), std::string("/dev/zero")}) {
        SCOPED_TRACE(nonFile);
        EXPECT_EQ(run("inspect " + nonFile, "is a"), 1);
        EXPECT_EQ(run("build " + description + " --stub " + nonFile + good, "the program image is a"), 1);
        EXPECT_EQ(run("build " + nonFile + " --stub " + quote(ws.path("stub.exe")) + good, "the description is a"), 1);
    }
    EXPECT_EQ(run("build " + description + " --stub " + quote(ws.path("stub.exe")) + " -o " + quote(ws.dir()),
                  "the output is a folder"),
              1);
    EXPECT_FALSE(std::filesystem::exists(ws.path("out.exe")));
}

// The output may be no file the build reads; the file stays as it was.
TEST(CommandLine, OutputOverAnInputIsRefused) {
    Workspace ws;
    ws.write("a.txt", "a");
    ws.write("i.ico", mkpackage::makeIconFile(0x123456));
    ws.write("product.toml", std::string(kProduct) + "[[pictures]]\nname = \"p\"\nfile = \"i.ico\"\n"
                                                    "[[components]]\nname = \"C\"\nfiles = [\"a.txt\"]\n");
    const struct {
        const char* output;
        std::string expected;
    } cases[] = {
        {"product.toml", ":1: output: the output \"" + ws.path("product.toml").string() + "\" is the description itself"},
        {"stub.exe", ":1: output: the output \"" + ws.path("stub.exe").string() + "\" is the program image"},
        {"a.txt", ":9: components[0].files: the output \"" + ws.path("a.txt").string() + "\" is the source file"},
        {"i.ico", ":4: pictures[0].file: the output \"" + ws.path("i.ico").string() + "\" is this picture's file"},
    };
    for (const auto& c : cases) {
        const Bytes before = readFile(ws.path(c.output));
        EXPECT_EQ(run("build " + quote(ws.descriptionPath()) + " --stub " + quote(ws.path("stub.exe")) + " -o " +
                          quote(ws.path(c.output)),
                      c.expected),
                  1);
        EXPECT_EQ(readFile(ws.path(c.output)), before) << c.output;
    }
}

// The program image must be the setup program: a PE32 GUI image for i686
// with its dialogs and texts.
TEST(CommandLine, ProgramImageMustBeTheSetupProgram) {
    const auto shape = [](auto change) {
        ImageShape s;
        change(s);
        return makeProgramImage(s);
    };
    Bytes notPe(2000, 0);
    notPe[0] = 'M';
    notPe[1] = 'Z';
    Bytes cutShort = makeProgramImage();
    cutShort.resize(0x210);  // the resource tree cut off
    const struct {
        const char* name;
        Bytes image;
        const char* expected;  // empty: accepted
    } cases[] = {
        {"SetupProgram", makeProgramImage(), ""},
        {"Text", Bytes(100, 'x'), "is not a Windows program (no \"MZ\" header)"},
        {"NoPeHeader", notPe, "is not a Windows PE program (no \"PE\" header)"},
        {"Amd64", shape([](ImageShape& s) { s.machine = 0x8664; }), "is not a program for i686"},
        {"Pe32Plus", shape([](ImageShape& s) { s.optionalMagic = 0x20B; }), "is not a 32-bit (PE32) program"},
        {"Console", shape([](ImageShape& s) { s.subsystem = 3; }), "is not a GUI program"},
        {"TheUninstaller", shape([](ImageShape& s) { s.dialogs = {101, 102, 103}; }), "lacks the setup program's dialog template 104"},
        {"NoTexts", shape([](ImageShape& s) { s.strings = false; }), "lacks the setup program's texts 1 and 2"},
        {"CutShort", cutShort, "has a resource directory beyond its end"},
    };
    for (const auto& c : cases) {
        const std::string problem = mkpackage::setupProgramImageProblem(c.image);
        EXPECT_EQ(problem.substr(0, std::strlen(c.expected)), c.expected) << c.name;
        EXPECT_EQ(problem.empty(), c.expected[0] == '\0') << c.name;
    }
    // The uninstaller is held to the same: a text file stored as UnInst.exe
    // would leave the product without a way to be removed.
    const struct {
        const char* name;
        Bytes image;
        const char* expected;
    } uninstallers[] = {
        {"Uninstaller", shape([](ImageShape& s) { s.dialogs = {101, 102, 103}; }), ""},
        {"Text", Bytes(100, 'x'), "is not a Windows program (no \"MZ\" header)"},
        {"TheSetupProgram", makeProgramImage(), "lacks the uninstaller's dialog template 101: it is not the uninstaller"},
        {"Console", shape([](ImageShape& s) { s.dialogs = {101, 102, 103}; s.subsystem = 3; }), "is not a GUI program"},
        {"NoUsageText", shape([](ImageShape& s) { s.dialogs = {101, 102, 103}; s.strings = false; }),
         "lacks the uninstaller's usage text"},
    };
    for (const auto& c : uninstallers) {
        const std::string problem = mkpackage::uninstallerImageProblem(c.image);
        EXPECT_EQ(problem.substr(0, std::strlen(c.expected)), c.expected) << c.name;
        EXPECT_EQ(problem.empty(), c.expected[0] == '\0') << c.name;
    }
    Workspace ws;
    ws.write("a.txt", "a");
    ws.write("product.toml", std::string(kProduct) + "[[components]]\nname = \"C\"\nfiles = [\"a.txt\"]\n");
    ws.write("console.exe", shape([](ImageShape& s) { s.subsystem = 3; }));
    EXPECT_EQ(run("build " + quote(ws.descriptionPath()) + " --stub " + quote(ws.path("console.exe")) + " -o " +
                      quote(ws.path("out.exe")),
                  "console.exe: the program image is not a GUI program"),
              1);
    EXPECT_FALSE(std::filesystem::exists(ws.path("out.exe")));
    ws.write("readme.txt", "read me");
    ws.write("product.toml", std::string(kProduct) + "[options]\nflags = [\"uninstall-entry\"]\n"
                                                    "[[components]]\nname = \"C\"\nfiles = [\"a.txt\"]\n");
    EXPECT_EQ(run("build " + quote(ws.descriptionPath()) + " --stub " + quote(ws.path("stub.exe")) + " --uninstaller " +
                      quote(ws.path("readme.txt")) + " -o " + quote(ws.path("out.exe")),
                  "readme.txt: the uninstaller is not a Windows program"),
              1);
    EXPECT_FALSE(std::filesystem::exists(ws.path("out.exe")));
}

// Warnings print as file:line: warning: and leave the exit code 0, unless
// --werror; -D fills variables; a bad -D is a usage error.
TEST(CommandLine, WarningsVariablesAndPreviousVersion) {
    Workspace ws;
    ws.write("a.txt", "a");
    ws.write("product.toml", std::string(kProduct) + "version = \"${version}\"\n[texts]\nmsgConfirmInstall = \"\"\n"
                                                     "[[components]]\nname = \"C\"\nfiles = [\"a.txt\"]\n");
    const std::string build = "build " + quote(ws.descriptionPath()) + " --stub " + quote(ws.path("stub.exe")) + " -o " +
                              quote(ws.path("out.exe")) + " ";
    EXPECT_EQ(run(build, ":4: product.version: unknown variable \"${version}\""), 1);
    EXPECT_EQ(run(build + "-D version=1.10", ":6: warning: texts.msgConfirmInstall: is empty"), 0);
    EXPECT_EQ(run(build + "-D version=1.10 --previous-version 1.9", ":4: warning: product.version: \"1.10\" is newer"), 0);
    std::filesystem::remove(ws.path("out.exe"));
    EXPECT_EQ(run(build + "-D version=1.10 --werror", "1 warning, and --werror makes them errors"), 1);
    EXPECT_FALSE(std::filesystem::exists(ws.path("out.exe")));
    EXPECT_EQ(run(build + "-D version", "-D version: needs the form NAME=VALUE"), 2);
    EXPECT_EQ(run(build + "-D 9=1", "a variable name is"), 2);
}

// What a release pipeline leans on: the version, a mistyped command, the
// signing command's outcome, and no temporary file left by a failure or a
// termination (the signing command below ends mkpackage itself).
TEST(CommandLine, PipelineOptions) {
    Workspace ws;
    ws.write("a.txt", "a");
    ws.write("product.toml", std::string(kProduct) + "[[components]]\nname = \"C\"\nfiles = [\"a.txt\"]\n");
    const std::string build = "build " + quote(ws.descriptionPath()) + " --stub " + quote(ws.path("stub.exe")) + " -o ";
    const std::string out = build + quote(ws.path("out.exe"));
    const struct {
        std::string arguments;
        int exitCode;
        const char* error;
    } cases[] = {
        {"frobnicate", 2, "unknown command \"frobnicate\"; the commands are: build inspect new"},
        // A mistyped option is named, not taken for a missing one.
        {"build " + quote(ws.descriptionPath()) + " --ouput " + quote(ws.path("out.exe")), 2,
         "mkpackage build: unknown option \"--ouput\""},
        {out + " -j -1", 2, "-j"},
        {out + " --sign 'true'", 2, "holds no {}"},
        {out + " --sign 'false {}'", 1, "the signing command ended with exit code 1: false '"},
        {out + " --sign 'exit 3 {}'", 1, "ended with exit code 3"},
        {out + " --sign 'kill -TERM $PPID; sleep 1; true {}'", 128 + 15, ""},
        {out + " --sign 'echo x >> {}'", 1, "the signed installer fails verification"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(run(c.arguments, c.error), c.exitCode) << c.arguments;
        // Only the inputs remain: no output and no temporary file.
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(ws.dir()), std::filesystem::directory_iterator()), 3)
            << c.arguments;
    }

    // The command sees the finished file under its temporary name, quoted
    // for the shell whatever the output's name holds.
    const std::string odd = "it's a $(setup) & more.exe";
    std::string oddWord = "'";
    for (const char c : ws.path(odd).string()) oddWord += c == '\'' ? std::string("'\\''") : std::string(1, c);
    oddWord += "'";
    ASSERT_EQ(run(build + oddWord + " -q --sign 'printf %s {} > seen.txt; test -s {}'"), 0);
    const Bytes seen = readFile("seen.txt");
    const std::string seenPath(seen.begin(), seen.end());
    EXPECT_EQ(std::filesystem::path(seenPath).parent_path(), ws.dir());
    EXPECT_EQ(std::filesystem::path(seenPath).filename().string().rfind("." + odd + ".", 0), 0u) << seenPath;
    EXPECT_TRUE(std::filesystem::exists(ws.path(odd)));
    struct stat status {};
    ASSERT_EQ(::stat(ws.path(odd).c_str(), &status), 0);
    EXPECT_NE(status.st_mode & S_IXUSR, 0u);
    std::filesystem::remove("seen.txt");

    const std::string command = std::string(MKPACKAGE_PATH) + " --version";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char version[64] = {};
    ASSERT_NE(std::fgets(version, sizeof version, pipe), nullptr);
    EXPECT_EQ(::pclose(pipe), 0);
    EXPECT_EQ(std::string(version).rfind("mkpackage ", 0), 0u) << version;
}

// A line every few seconds with --progress, whatever stderr is; the figures
// and the summary's ratio and time.
TEST(CommandLine, ProgressLinesAndSummary) {
    using mkpackage::ProgressReport;
    std::FILE* sink = std::tmpfile();
    ASSERT_NE(sink, nullptr);
    const auto start = ProgressReport::Clock::now();
    ProgressReport report(mkpackage::ProgressForm::lines, sink, start);
    mkpackage::BuildProgress progress{3, 10, 1500000, 4000000};
    for (const int second : {1, 2, 3, 4, 5, 6, 7, 9}) report.update(progress, start + std::chrono::seconds(second));
    report.finish();
    std::rewind(sink);
    std::string lines;
    for (char buffer[256]; std::fgets(buffer, sizeof buffer, sink) != nullptr;) lines += buffer;
    std::fclose(sink);
    EXPECT_EQ(lines,
              "progress: files 3/10, 1.5 MB of 4.0 MB (37%), 3 s\n"
              "progress: files 3/10, 1.5 MB of 4.0 MB (37%), 6 s\n"
              "progress: files 3/10, 1.5 MB of 4.0 MB (37%), 9 s\n");

    mkpackage::BuildResult result;
    result.files = 10;
    result.unpackedBytes = 4000000;
    result.packageBytes = 1200000;
    EXPECT_EQ(mkpackage::buildSummary("setup.exe", result, 2.54),
              "wrote setup.exe: 10 files, 4.0 MB packed into 1.2 MB (30.0%) in 2.5 s");
}

TEST(OutputFile, PatchesReachBothTheDiskAndTheBuffer) {
    Workspace ws;
    const Bytes data = randomBytes(3 << 20, 5);  // more than the 1 MiB write buffer
    Bytes expected = data;
    {
        mkpackage::OutputFile out(ws.path("out.bin"));
        out.write(data.data(), data.size());
        const std::uint8_t mark[8] = {1, 2, 3, 4, 5, 6, 7, 8};
        // Already on disk, straddling disk and buffer, and still buffered.
        for (const std::size_t at : {std::size_t(10), std::size_t(2 << 20) - 3, data.size() - 8}) {
            out.patch(at, mark, sizeof mark);
            std::copy(mark, mark + 8, expected.begin() + static_cast<long>(at));
        }
        out.commit();
    }
    EXPECT_EQ(readFile(ws.path("out.bin")), expected);

    {
        mkpackage::OutputFile abandoned(ws.path("gone.bin"));
        abandoned.write(data.data(), 100);
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(ws.dir()), std::filesystem::directory_iterator()), 2);
}

}  // namespace
}  // namespace testing_mkpackage
