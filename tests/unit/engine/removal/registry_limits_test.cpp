#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <vector>

#include "engine/log/log_digest.h"
#include "engine/removal/registry_limits.h"
#include "format/sha256.h"

using namespace setup;

namespace {

constexpr std::uint32_t kMachine = fmt::kRootLocalMachine;
constexpr std::uint32_t kUser = fmt::kRootCurrentUser;

const ProductKey kKeys[] = {
    {kMachine, "Software\\Vendor\\Product"},
    {kUser, "Software\\Vendor\\Product"},
    {kUser, "Software\\Shared\\Plugins\\Product"},  // a registry-value action's key
    {kMachine, ""},                                 // a product without a key names nothing
};

LogItem keyItem(std::uint32_t root, const char* text, std::uint8_t flag = 0) {
    return LogItem{fmt::kLogRegistryKey, flag, root, text, std::strlen(text), 0};
}

}  // namespace

TEST(RegistryLimits, KeysOnlyAtOrBelowTheProductsOwn) {
    struct Case {
        std::uint32_t root;
        const char* path;
        std::uint8_t flag;
        bool trusted;
        KeyVerdict verdict;
    };
    const Case cases[] = {
        {kMachine, "Software\\Vendor\\Product", 1, false, KeyVerdict::named},
        {kMachine, "software\\VENDOR\\product\\Sub", 0, false, KeyVerdict::named},
        {kUser, "Software\\Shared\\Plugins\\Product\\Deep\\Er", 0, false, KeyVerdict::named},
        // The attacks: another vendor's tree, through either root.
        {kMachine, "Software\\OtherVendor", 1, true, KeyVerdict::outside},
        {kUser, "Software\\OtherVendor2", 1, true, KeyVerdict::outside},
        {kMachine, "Software\\OtherVendor\\OtherApp\\Leaf", 0, true, KeyVerdict::outside},
        // A sibling that only starts with the product's name.
        {kMachine, "Software\\Vendor\\ProductX", 0, true, KeyVerdict::outside},
        // The right path under the other root is not the product's.
        {kMachine, "Software\\Shared\\Plugins\\Product", 0, true, KeyVerdict::outside},
        // Parents: only as flag 2, only from a trusted log.
        {kMachine, "Software\\Vendor", kLogFlagMadeParent, true, KeyVerdict::madeParent},
        {kUser, "Software\\Shared\\Plugins", kLogFlagMadeParent, true, KeyVerdict::madeParent},
        {kMachine, "Software\\Vendor", kLogFlagMadeParent, false, KeyVerdict::outside},
        {kMachine, "Software\\Vendor", 0, true, KeyVerdict::outside},
        {kMachine, "Software\\Vend", kLogFlagMadeParent, true, KeyVerdict::outside},
        {kMachine, "Software\\OtherVendor", kLogFlagMadeParent, true, KeyVerdict::outside},
        // Paths that are not plain, and roots the program never records.
        {kMachine, "Software\\Vendor\\Product\\..\\..\\OtherVendor", 0, true, KeyVerdict::outside},
        {kMachine, "Software\\Vendor\\Product\\\\x", 0, true, KeyVerdict::outside},
        {kMachine, "Software\\Vendor\\Product\\", 0, true, KeyVerdict::outside},
        {kMachine, "", 0, true, KeyVerdict::outside},
        {0x80000000u, "Software\\Vendor\\Product", 1, true, KeyVerdict::outside},
    };
    const RegistryLimits untrusted{kKeys, std::size(kKeys), false};
    const RegistryLimits trusted{kKeys, std::size(kKeys), true};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(judgeLoggedKey(c.root, c.path, c.flag, c.trusted ? trusted : untrusted), c.verdict);
    }
}

TEST(RegistryLimits, KeepsTheKeysWithinAndTheWalkUpStopsAtThem) {
    std::vector<LogItem> items{
        keyItem(kMachine, "Software\\Vendor", kLogFlagMadeParent),
        keyItem(kMachine, "Software\\Vendor\\Product", 1),
        keyItem(kMachine, "Software\\OtherVendor", 1),
        keyItem(kUser, "Software\\Vendor\\Product", 1),
        keyItem(kMachine, "Software\\OtherVendor\\OtherApp\\Leaf"),
    };
    struct Count final : RefusedKeyNotice {
        std::vector<std::string> refusedKeys;
        void refused(const LogItem& item) override { refusedKeys.push_back(item.text); }
    } notice;
    const RegistryLimits limits{kKeys, std::size(kKeys), true};
    const std::size_t kept = keepKeysWithinLimits(items.data(), items.size(), limits, &notice);
    ASSERT_EQ(kept, 3u);
    EXPECT_STREQ(items[0].text, "Software\\Vendor");
    EXPECT_STREQ(items[1].text, "Software\\Vendor\\Product");
    EXPECT_EQ(items[2].value, kUser);
    EXPECT_EQ(notice.refusedKeys,
              (std::vector<std::string>{"Software\\OtherVendor", "Software\\OtherVendor\\OtherApp\\Leaf"}));

    const OwnKeys own{items.data(), kept};
    EXPECT_TRUE(isOwnKey(kMachine, "SOFTWARE\\vendor", own));       // made by the setup: may go when empty
    EXPECT_FALSE(isOwnKey(kUser, "Software\\Vendor", own));         // not made under this root
    EXPECT_FALSE(isOwnKey(kMachine, "Software", own));              // never above
    EXPECT_FALSE(isOwnKey(kMachine, "Software\\OtherVendor", own)); // refused, so not walked to
}

TEST(LogDigest, OnlyTheRecordedDigestOfTheseBytesIsTrusted) {
    const char log[] = "VLUnInst log bytes";
    char digest[fmt::kSha256HexSize];
    fmt::sha256Hex(log, sizeof log, digest);
    std::string upper = digest;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    std::string edited = log;
    edited[3] ^= 1;
    struct Case {
        const char* label;
        std::string bytes;
        std::string recorded;
        LogTrust trust;
    };
    const Case cases[] = {
        {"matches", std::string(log, sizeof log), digest, LogTrust::trusted},
        {"edited", edited + '\0', digest, LogTrust::damaged},
        {"appended", std::string(log, sizeof log) + "x", digest, LogTrust::damaged},
        {"upper-case", std::string(log, sizeof log), upper, LogTrust::damaged},
        {"cut", std::string(log, sizeof log), std::string(digest, 63), LogTrust::damaged},
        {"none", std::string(log, sizeof log), "", LogTrust::noDigest},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.label);
        EXPECT_EQ(judgeLogDigest(reinterpret_cast<const fmt::u8*>(c.bytes.data()), c.bytes.size(),
                                 c.recorded.c_str()),
                  c.trust);
    }
    // The known digest of "abc", the one every builder and program shares.
    fmt::sha256Hex("abc", 3, digest);
    EXPECT_STREQ(digest, "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
}
