// Behaviour that must be the same on Linux and Windows: these tests run in
// the native tests and, built with mingw, under Wine.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>

#include "common/file_open.h"
#include "common/path_text.h"
#include "inspect/value_names.h"
#include "output/output_file.h"
#include "sources/file_time.h"
#include "sources/source_files.h"
#include "text/code_page.h"

namespace {

namespace fs = std::filesystem;
using mkpackage::matchNamePattern;

class Scratch {
public:
    Scratch() {
        std::string problem;
        if (!mkpackage::createUniqueFolder(fs::temp_directory_path(), "mkpackage-portable-", dir_, problem)) {
            throw std::runtime_error(problem);
        }
    }
    ~Scratch() {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    const fs::path& dir() const { return dir_; }
    void write(const std::string& relative, const std::string& text = "x") const {
        const fs::path path = dir_ / mkpackage::pathFromUtf8(relative);
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    std::vector<std::string> glob(const std::string& pattern) const {
        std::vector<std::string> matches;
        std::string problem;
        mkpackage::expandGlob(dir_, pattern, matches, problem);
        return matches;
    }

private:
    fs::path dir_;
};

using Names = std::vector<std::string>;

TEST(NamePattern, WildcardsSetsAndEscapes) {
    EXPECT_TRUE(matchNamePattern("*.txt", "a.txt"));
    EXPECT_TRUE(matchNamePattern("*.txt", ".txt.txt") == false);  // leading dot needs a dot
    EXPECT_TRUE(matchNamePattern(".*", ".hidden"));
    EXPECT_FALSE(matchNamePattern("*.txt", "a.txt.bak"));
    EXPECT_TRUE(matchNamePattern("a*b*c", "aXbYbZc"));
    EXPECT_FALSE(matchNamePattern("a*b*c", "aXbYbZ"));
    EXPECT_TRUE(matchNamePattern("?.?", "a.b"));
    EXPECT_FALSE(matchNamePattern("?", ""));
    EXPECT_TRUE(matchNamePattern("*", "anything"));
    EXPECT_TRUE(matchNamePattern("[abc]1", "b1"));
    EXPECT_FALSE(matchNamePattern("[abc]1", "d1"));
    EXPECT_TRUE(matchNamePattern("[a-c][!0-9]", "bx"));
    EXPECT_FALSE(matchNamePattern("[a-c][!0-9]", "b5"));
    EXPECT_TRUE(matchNamePattern("[]]", "]"));        // "]" first in a set is literal
    EXPECT_TRUE(matchNamePattern("[a-]", "-"));       // "-" last in a set is literal
    EXPECT_TRUE(matchNamePattern("[ab", "[ab"));      // no closing "]": a literal "["
    EXPECT_TRUE(matchNamePattern("\\*", "*"));
    EXPECT_FALSE(matchNamePattern("\\*", "a"));
    EXPECT_TRUE(matchNamePattern("case", "case"));
    EXPECT_FALSE(matchNamePattern("case", "CASE"));   // byte for byte, as on Linux
}

TEST(Glob, LevelsSortingAndWhatIsLeftOut) {
    Scratch s;
    s.write("dir/b.txt");
    s.write("dir/a.txt");
    s.write("dir/.hidden.txt");
    s.write("dir/c.dat");
    s.write("dir/sub.txt/inner.txt");  // a folder whose name matches: not a file
    s.write("other/x/a.txt");
    s.write("other/y/b.txt");
    s.write("other/y/z/c.txt");
    s.write("dir/.cache/c.txt");
    EXPECT_EQ(s.glob("dir/*.txt"), (Names{"dir/a.txt", "dir/b.txt"}));
    EXPECT_EQ(s.glob("dir/.*"), (Names{"dir/.hidden.txt"}));
    EXPECT_EQ(s.glob("*/*.dat"), (Names{"dir/c.dat"}));
    EXPECT_EQ(s.glob("other/*/?.txt"), (Names{"other/x/a.txt", "other/y/b.txt"}));
    EXPECT_EQ(s.glob("o*//[xy]/[!a].txt"), (Names{"other/y/b.txt"}));
    EXPECT_EQ(s.glob("dir/a.txt"), (Names{"dir/a.txt"}));
    EXPECT_EQ(s.glob("dir/sub.txt/*"), (Names{"dir/sub.txt/inner.txt"}));
    // ".*" never takes in "." or "..": the pattern must not climb out.
    EXPECT_EQ(s.glob("dir/.*/*"), (Names{"dir/.cache/c.txt"}));

    std::vector<std::string> matches;
    std::string problem;
    EXPECT_FALSE(mkpackage::expandGlob(s.dir(), "dir/*.none", matches, problem));
    EXPECT_EQ(problem, "matches no file");
    EXPECT_FALSE(mkpackage::expandGlob(s.dir(), "missing/*", matches, problem));
    EXPECT_FALSE(mkpackage::expandGlob(s.dir(), "dir", matches, problem));
}

TEST(Glob, NamesOutsideAsciiAreUtf8) {
    Scratch s;
    s.write("\xC3\x9C" "ber/\xD0\x96.txt");  // Über/Ж.txt
    EXPECT_EQ(s.glob("*/*.txt"), (Names{"\xC3\x9C" "ber/\xD0\x96.txt"}));
    EXPECT_EQ(s.glob("\xC3\x9C" "ber/?.txt").size(), 0u);  // "?" is one byte, as on Linux
}

TEST(SourceFile, TimeSizeAndReadOnly) {
    Scratch s;
    s.write("a.txt", "12345");
    const fs::path path = s.dir() / "a.txt";
    // 2021-03-04 05:06:07 UTC, set through the library's own clock. Whole
    // seconds: mingw's library sets no finer times (sub-second times read
    // back are covered by the comparison of the two builds).
    const auto when = std::chrono::file_clock::from_sys(std::chrono::sys_seconds{std::chrono::seconds{1614834367}});
    fs::last_write_time(path, when);
    mkpackage::SourceFile file;
    std::string problem;
    ASSERT_TRUE(mkpackage::statSourceFile(path, file, problem)) << problem;
    EXPECT_EQ(file.size, 5u);
    EXPECT_EQ(mkpackage::fileTimeText(file.fileTime), "2021-03-04 05:06:07 UTC");
    const fmt::FileTime expected = mkpackage::fileTimeFromUnix(1614834367, 0);
    EXPECT_EQ(file.fileTime.low, expected.low);
    EXPECT_EQ(file.fileTime.high, expected.high);
    EXPECT_EQ(file.attributes, 0x20u);

    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    ASSERT_TRUE(mkpackage::statSourceFile(path, file, problem));
    EXPECT_EQ(file.attributes, 0x21u);
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);

    EXPECT_FALSE(mkpackage::statSourceFile(s.dir() / "none", file, problem));
    EXPECT_EQ(problem, "file not found");
    EXPECT_FALSE(mkpackage::statSourceFile(s.dir(), file, problem));
    EXPECT_EQ(problem, "is not a regular file");
}

TEST(FileTimeText, CalendarWithoutTimeZones) {
    EXPECT_EQ(mkpackage::fileTimeText(fmt::FileTime{0, 0}), "1601-01-01 00:00:00 UTC");
    EXPECT_EQ(mkpackage::fileTimeText(mkpackage::fileTimeFromUnix(0, 0)), "1970-01-01 00:00:00 UTC");
    EXPECT_EQ(mkpackage::fileTimeText(mkpackage::fileTimeFromUnix(951782400, 0)), "2000-02-29 00:00:00 UTC");
    EXPECT_EQ(mkpackage::fileTimeText(mkpackage::fileTimeFromUnix(4107542399, 0)), "2100-02-28 23:59:59 UTC");
    EXPECT_EQ(mkpackage::fileTimeText(fmt::FileTime{0xFFFFFFFFu, 0xFFFFFFFFu}), "60056-05-28 05:36:10 UTC");
    // Times a file system may hold but a FILETIME cannot are held at its ends.
    const fmt::FileTime latest = mkpackage::fileTimeFromUnix(INT64_MAX / 2, 0);
    EXPECT_EQ(latest.low, 0xFFFFFFFFu);
    EXPECT_EQ(latest.high, 0x7FFFFFFFu);
    EXPECT_EQ(mkpackage::fileTimeFromUnix(-20000000000, 0).high, 0u);
}

TEST(OutputFile, PatchesOnDiskAndInTheBufferAndReplacesTheTarget) {
    Scratch s;
    s.write("out.bin", "old");
    const fs::path target = s.dir() / "out.bin";
    {
        mkpackage::OutputFile out(target);
        std::string big((1 << 20) + 10, 'a');  // more than the buffer: part goes to disk early
        out.write(big.data(), big.size());
        out.patch(0, "XY", 2);
        out.patch(big.size() - 2, "ZW", 2);
        out.write("!", 1);
        out.commit();
    }
    std::ifstream in(target, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(text.size(), (1u << 20) + 11);
    EXPECT_EQ(text.substr(0, 3), "XYa");
    EXPECT_EQ(text.substr(text.size() - 4), "aZW!");
    EXPECT_EQ(std::distance(fs::directory_iterator(s.dir()), fs::directory_iterator()), 1);

    {
        mkpackage::OutputFile abandoned(s.dir() / "never.bin");
        abandoned.write("x", 1);
    }
    EXPECT_FALSE(fs::exists(s.dir() / "never.bin"));
    EXPECT_EQ(std::distance(fs::directory_iterator(s.dir()), fs::directory_iterator()), 1);
}

TEST(CodePage, StrictOnEverySystem) {
    const mkpackage::TextEncoder cyrillic(1251);
    std::string problem;
    EXPECT_EQ(cyrillic.encode("a\xD0\x96\xE2\x84\x96", problem), std::optional<std::string>("a\xC6\xB9"));  // aЖ№
    // é has no place in 1251; a best-fit "e" would be a silent change.
    EXPECT_EQ(cyrillic.encode("\xC3\xA9", problem), std::nullopt);
    EXPECT_EQ(problem, "character U+00E9 has no place in code page 1251");
    EXPECT_EQ(cyrillic.encode("\xF0\x9F\x98\x80", problem), std::nullopt);  // outside the BMP
    const mkpackage::TextEncoder greek(1253);
    EXPECT_EQ(greek.encode("\xCE\xA9", problem), std::optional<std::string>("\xD9"));  // Ω
}

}  // namespace
