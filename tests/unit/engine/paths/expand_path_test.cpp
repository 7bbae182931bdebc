#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "base/process_state.h"
#include "engine/paths/expand_path.h"

using namespace setup;

namespace {

class ExpandPath : public ::testing::Test {
protected:
    ExpandRing ring{};
    std::string expand(const char* text, const char* dir = "C:\\Games\\Demo\\", char drive = 'D') {
        return expandPathInto(ring, text, dir, drive);
    }
};

}  // namespace

TEST_F(ExpandPath, MacrosAreReplaced) {
    EXPECT_EQ(expand("$(BootDrive):\\Games\\"), "D:\\Games\\");
    EXPECT_EQ(expand("$(ExtrPath)bin\\run.exe"), "C:\\Games\\Demo\\bin\\run.exe");
    EXPECT_EQ(expand("cost $$5"), "cost $5");
    EXPECT_EQ(expand("no macros here"), "no macros here");
    EXPECT_EQ(expand(""), "");
}

TEST_F(ExpandPath, DollarsThatAreNoMacroStay) {
    EXPECT_EQ(expand("end$"), "end$");
    EXPECT_EQ(expand("$x$(Other)"), "$x$(Other)");
    EXPECT_EQ(expand("$(extrpath)$(BOOTDRIVE)"), "$(extrpath)$(BOOTDRIVE)");
    EXPECT_EQ(expand("$(ExtrPat"), "$(ExtrPat");
}

TEST_F(ExpandPath, DoubleDollarIsTakenFirst) {
    EXPECT_EQ(expand("$$(ExtrPath)"), "$(ExtrPath)");
    EXPECT_EQ(expand("$$$(BootDrive)"), "$D");
}

TEST_F(ExpandPath, InsertedTextIsNotScannedAgain) {
    EXPECT_EQ(expand("$(ExtrPath)x", "C:\\$(BootDrive)$$\\"), "C:\\$(BootDrive)$$\\x");
}

TEST_F(ExpandPath, EmptyDestinationExpandsToNothing) {
    EXPECT_EQ(expand("$(ExtrPath)Sub\\", ""), "Sub\\");
}

TEST_F(ExpandPath, RingOfEightBuffersStartsAtOne) {
    const char* first = expandPathInto(ring, "first", "", 'C');
    EXPECT_EQ(first, ring.buffers[1]);
    const char* results[8] = {first};
    for (int i = 1; i < 8; ++i) results[i] = expandPathInto(ring, "other", "", 'C');
    EXPECT_EQ(results[7], ring.buffers[0]);
    EXPECT_STREQ(first, "first");  // intact after seven further calls
    const char* ninth = expandPathInto(ring, "ninth", "", 'C');
    EXPECT_EQ(ninth, first);
    EXPECT_STREQ(first, "ninth");
}

TEST_F(ExpandPath, OverlongResultIsCutAtTheBufferEnd) {
    std::string dir(300, 'd');
    std::string text = "$(ExtrPath)$(ExtrPath)$(ExtrPath)tail";
    // Fill the ring's neighbour so an overrun would show.
    std::memset(ring.buffers[2], 'N', sizeof ring.buffers[2]);
    std::string result = expandPathInto(ring, text.c_str(), dir.c_str(), 'C');
    EXPECT_EQ(result.size(), kExpandBufferSize - 1);
    EXPECT_EQ(result, std::string(kExpandBufferSize - 1, 'd'));
    EXPECT_EQ(ring.buffers[2][0], 'N');

    std::string plain(1000, 'p');
    EXPECT_EQ(std::string(expandPathInto(ring, plain.c_str(), "", 'C')).size(),
              kExpandBufferSize - 1);
    std::string dollars(1000, '$');
    EXPECT_EQ(std::string(expandPathInto(ring, dollars.c_str(), "", 'C')),
              std::string(500, '$'));
}

TEST(ExpandPathProcess, UsesProcessWideValues) {
    std::strcpy(installDir, "E:\\Target\\");
    bootDrive = 'F';
    EXPECT_STREQ(expandPath("$(BootDrive):$(ExtrPath)"), "F:E:\\Target\\");
    installDir[0] = '\0';
}

TEST(BootDrive, TakenFromTheWindowsFolder) {
    EXPECT_EQ(bootDriveFromWindowsDir("D:\\WINDOWS"), 'D');
    EXPECT_EQ(bootDriveFromWindowsDir("e:\\win"), 'e');
    EXPECT_EQ(bootDriveFromWindowsDir("\\\\server\\windows"), 'C');
    EXPECT_EQ(bootDriveFromWindowsDir(""), 'C');
}
