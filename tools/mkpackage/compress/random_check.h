// A quick look at a piece before deflate runs on it: random data (packed
// media, encrypted or already compressed files) ends up stored anyway, and
// deflate spends as long on it as on text to find that out.
#ifndef MKPACKAGE_RANDOM_CHECK_H
#define MKPACKAGE_RANDOM_CHECK_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace mkpackage {

class RandomCheck {
public:
    RandomCheck();

    // True when deflate would gain next to nothing on the piece that
    // follows `dictionarySize` bytes of dictionary in `input`: its byte
    // counts are as even as those of random bytes, and hardly any 4-byte
    // sequence of it occurred before in the piece or the dictionary. Pieces
    // under 4 KiB are never judged random. Integer arithmetic only, so that
    // every build decides alike.
    bool looksRandom(const std::uint8_t* input, std::size_t dictionarySize, std::size_t size);

private:
    std::vector<std::uint16_t> lastSeen_;  // by hash of 4 bytes: position + 1, 0 for none
};

}  // namespace mkpackage

#endif
