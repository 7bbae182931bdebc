#include "engine/journal/journal_trust.h"

#include <cstring>

namespace setup {

namespace {

// S-1-5-32-544 (the administrators) and S-1-5-18 (the system).
constexpr std::uint8_t kAdministrators[] = {1, 2, 0, 0, 0, 0, 0, 5, 32, 0, 0, 0, 0x20, 2, 0, 0};
constexpr std::uint8_t kSystem[] = {1, 1, 0, 0, 0, 0, 0, 5, 18, 0, 0, 0};

constexpr std::uint16_t kSelfRelative = 0x8000;
constexpr std::uint16_t kDaclPresent = 0x0004;
constexpr std::uint8_t kAccessAllowed = 0;
constexpr std::uint8_t kInheritOnly = 0x08;
// Every right that changes the folder or what it holds: write and append
// data (add file, add folder), extended attributes, delete child,
// attributes, delete, access list, owner, and the generic write and all.
constexpr std::uint32_t kWritingRights = 0x2 | 0x4 | 0x10 | 0x40 | 0x100 | 0x10000 | 0x40000 | 0x80000 |
                                         0x40000000u | 0x10000000u;

std::uint16_t read16(const std::uint8_t* at) { return static_cast<std::uint16_t>(at[0] | at[1] << 8); }
std::uint32_t read32(const std::uint8_t* at) {
    return static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
           static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
}

bool sameSid(const std::uint8_t* sid, std::size_t length, const std::uint8_t* other, std::size_t otherLength) {
    return other != nullptr && length == otherLength && std::memcmp(sid, other, length) == 0;
}

bool trustedSid(const std::uint8_t* sid, std::size_t length, const std::uint8_t* user, std::size_t userSize) {
    return sameSid(sid, length, kAdministrators, sizeof kAdministrators) ||
           sameSid(sid, length, kSystem, sizeof kSystem) ||
           (user != nullptr && sidLength(user, userSize) == length && sameSid(sid, length, user, length));
}

}  // namespace

std::size_t sidLength(const std::uint8_t* sid, std::size_t available) {
    if (available < 8 || sid[0] != 1) return 0;
    const std::size_t length = 8 + 4 * static_cast<std::size_t>(sid[1]);
    return sid[1] <= 15 && length <= available ? length : 0;
}

FolderTrust judgeFolderSecurity(const std::uint8_t* descriptor, std::size_t size, const std::uint8_t* user,
                                std::size_t userSize) {
    // revision u8, spare u8, control u16, then the offsets of owner, group,
    // system list and access list, each u32 from the descriptor's start.
    if (size < 20 || descriptor[0] != 1) return FolderTrust::damaged;
    const std::uint16_t control = read16(descriptor + 2);
    if ((control & kSelfRelative) == 0) return FolderTrust::damaged;
    const std::uint32_t ownerAt = read32(descriptor + 4);
    const std::uint32_t daclAt = read32(descriptor + 16);
    if (ownerAt == 0 || ownerAt >= size) return FolderTrust::damaged;
    const std::size_t ownerLength = sidLength(descriptor + ownerAt, size - ownerAt);
    if (ownerLength == 0) return FolderTrust::damaged;
    if (!trustedSid(descriptor + ownerAt, ownerLength, user, userSize)) return FolderTrust::foreignOwner;

    // No access list at all lets everyone in.
    if ((control & kDaclPresent) == 0 || daclAt == 0) return FolderTrust::othersWrite;
    if (daclAt > size || size - daclAt < 8) return FolderTrust::damaged;
    const std::uint8_t* acl = descriptor + daclAt;
    const std::size_t aclSize = read16(acl + 2);
    const std::uint16_t aceCount = read16(acl + 4);
    if (aclSize < 8 || aclSize > size - daclAt) return FolderTrust::damaged;
    std::size_t at = 8;
    for (std::uint16_t i = 0; i < aceCount; ++i) {
        if (aclSize - at < 4) return FolderTrust::damaged;
        const std::uint8_t type = acl[at];
        const std::uint8_t flags = acl[at + 1];
        const std::size_t aceSize = read16(acl + at + 2);
        if (aceSize < 4 || aceSize > aclSize - at) return FolderTrust::damaged;
        if (type == kAccessAllowed && (flags & kInheritOnly) == 0) {
            if (aceSize < 8) return FolderTrust::damaged;
            const std::uint32_t mask = read32(acl + at + 4);
            const std::size_t length = sidLength(acl + at + 8, aceSize - 8);
            if (length == 0) return FolderTrust::damaged;
            if ((mask & kWritingRights) != 0 && !trustedSid(acl + at + 8, length, user, userSize))
                return FolderTrust::othersWrite;
        }
        at += aceSize;
    }
    return FolderTrust::trusted;
}

}  // namespace setup
