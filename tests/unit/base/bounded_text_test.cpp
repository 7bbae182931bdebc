#include <gtest/gtest.h>

#include <cstring>

#include "base/bounded_text.h"

using namespace setup;

// Each buffer sits between guard bytes that must survive every call.
struct Guarded {
    char before[8];
    char text[8];
    char after[8];
    Guarded() {
        std::memset(this, 'G', sizeof *this);
    }
    bool guardsIntact() const {
        for (char c : before) if (c != 'G') return false;
        for (char c : after) if (c != 'G') return false;
        return true;
    }
};

TEST(BoundedText, CopyFitsOrIsCutAndTerminated) {
    Guarded g;
    EXPECT_TRUE(copyBounded(g.text, "1234567"));
    EXPECT_STREQ(g.text, "1234567");
    EXPECT_FALSE(copyBounded(g.text, "123456789abc"));
    EXPECT_STREQ(g.text, "1234567");
    EXPECT_TRUE(copyBounded(g.text, ""));
    EXPECT_STREQ(g.text, "");
    EXPECT_TRUE(g.guardsIntact());
}

TEST(BoundedText, AppendStopsAtTheEnd) {
    Guarded g;
    copyBounded(g.text, "abc");
    EXPECT_TRUE(appendBounded(g.text, "defg"));
    EXPECT_STREQ(g.text, "abcdefg");
    EXPECT_FALSE(appendBounded(g.text, "h"));
    EXPECT_STREQ(g.text, "abcdefg");
    EXPECT_TRUE(g.guardsIntact());
}

TEST(BoundedText, AppendToUnterminatedBufferTerminatesIt) {
    Guarded g;  // text holds eight 'G' and no terminator
    EXPECT_FALSE(appendBounded(g.text, "x"));
    EXPECT_EQ(std::strlen(g.text), 7u);
    EXPECT_TRUE(g.guardsIntact());
}

TEST(BoundedText, FormatCutsLongResults) {
    Guarded g;
    EXPECT_TRUE(formatBounded(g.text, sizeof g.text, "%s-%d", "ab", 42));
    EXPECT_STREQ(g.text, "ab-42");
    EXPECT_FALSE(formatBounded(g.text, sizeof g.text, "%s", "a path far too long"));
    EXPECT_STREQ(g.text, "a path ");
    EXPECT_TRUE(g.guardsIntact());
}

TEST(BoundedText, ZeroSizeWritesNothing) {
    Guarded g;
    EXPECT_FALSE(copyBounded(g.text, 0, "x"));
    EXPECT_FALSE(formatBounded(g.text, 0, "%s", "x"));
    EXPECT_EQ(g.text[0], 'G');
}
