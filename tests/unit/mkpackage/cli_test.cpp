// The command line contract: exit codes 0, 1 and 2, and no output on error.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>

#include "build_helpers.h"
#include "output_file.h"

namespace testing_mkpackage {
namespace {

// Runs mkpackage with `arguments` (for at most 20 seconds); returns its exit
// code, or -1 when it did not end or its errors lack `expectedError`.
int run(const std::string& arguments, const std::string& expectedError = "") {
    const std::string command = "timeout 20 " + std::string(MKPACKAGE_PATH) + " " + arguments + " 2>&1 >/dev/null";
    std::FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return -1;
    std::string errors;
    char buffer[256];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) errors.append(buffer, n);
    const int status = ::pclose(pipe);
    if (errors.find(expectedError) == std::string::npos) {
        ADD_FAILURE() << "mkpackage " << arguments << ": no \"" << expectedError << "\" in: " << errors;
        return -1;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) != 124 ? WEXITSTATUS(status) : -1;
}

std::string quote(const std::filesystem::path& path) {
    std::string quoted(1, '\'');
    quoted += path.string();
    quoted += '\'';
    return quoted;
}

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
