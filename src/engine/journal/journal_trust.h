// Whether a folder's security vouches for what it holds: the journal of a
// killed run is undone only when it lies in a folder that only the
// administrators, the system and the user running the program can write.
// Reads a self-relative security descriptor as the system returns it;
// every offset and size is checked against its bytes. Pure code.
#ifndef ENGINE_JOURNAL_JOURNAL_TRUST_H
#define ENGINE_JOURNAL_JOURNAL_TRUST_H

#include <cstddef>
#include <cstdint>

namespace setup {

enum class FolderTrust {
    trusted,
    foreignOwner,   // owned by someone other than the administrators, the system or the user
    othersWrite,    // its access list lets someone else write, or it has none
    damaged,        // the descriptor's bytes do not hold what they say
};

// `descriptor`: the folder's owner and access list, self-relative, `size`
// bytes. `user`: the SID of the user running the program (may be nullptr).
FolderTrust judgeFolderSecurity(const std::uint8_t* descriptor, std::size_t size, const std::uint8_t* user,
                                std::size_t userSize);

// The length of the SID at `sid`, 0 when it does not fit `available` bytes.
std::size_t sidLength(const std::uint8_t* sid, std::size_t available);

}  // namespace setup

#endif
