#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>

#include "base/file_size.h"
#include "test_support.h"

namespace {

// Sizes around the 4 GiB boundary, in sparse files: a low part of all ones
// is also what both calls answer for a failure.
TEST(FileSize, SizesAndSeeksAcrossTheHighPart) {
    const std::string path = testing_support::writeTempFile("file_size_probe.bin", {});
    const std::uint64_t sizes[] = {0, 1, 0xFFFFFFFFull, 0x100000000ull, 0x1FFFFFFFFull, 0x140000007ull};
    for (std::uint64_t expected : sizes) {
        SCOPED_TRACE(expected);
        HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD ignored = 0;
        DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &ignored, nullptr);
        ASSERT_TRUE(setup::seekFile(file, static_cast<std::int64_t>(expected), FILE_BEGIN));
        ASSERT_TRUE(SetEndOfFile(file));
        std::uint64_t size = 12345;
        EXPECT_TRUE(setup::fileSize(file, size));
        EXPECT_EQ(size, expected);

        // A byte written at the end, then found again by a seek back from
        // the end and one from the start.
        if (expected > 0) {
            const char mark = 'm';
            DWORD count = 0;
            ASSERT_TRUE(setup::seekFile(file, -1, FILE_END));
            ASSERT_TRUE(WriteFile(file, &mark, 1, &count, nullptr) && count == 1);
            ASSERT_TRUE(setup::seekFile(file, 0, FILE_BEGIN));
            ASSERT_TRUE(setup::seekFile(file, static_cast<std::int64_t>(expected) - 1, FILE_CURRENT));
            char got = 0;
            ASSERT_TRUE(ReadFile(file, &got, 1, &count, nullptr) && count == 1);
            EXPECT_EQ(got, mark);
        }
        // A seek before the start fails.
        EXPECT_FALSE(setup::seekFile(file, -static_cast<std::int64_t>(expected) - 2, FILE_END));
        EXPECT_NE(GetLastError(), static_cast<DWORD>(NO_ERROR));
        CloseHandle(file);
    }
    DeleteFileA(path.c_str());

    std::uint64_t size = 7;
    EXPECT_FALSE(setup::fileSize(INVALID_HANDLE_VALUE, size));
    EXPECT_EQ(size, 7u);
}

}  // namespace
