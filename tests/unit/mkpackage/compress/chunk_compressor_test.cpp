// Pieces compressed alone: each decodes from its dictionary, ends where the
// stream rules want it to, and is stored when deflate gains nothing.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>

#include "build_helpers.h"
#include "compress/chunk_compressor.h"

namespace testing_mkpackage {
namespace {

using mkpackage::ChunkCompressor;
using mkpackage::CompressedPiece;

Bytes join(const Bytes& a, const Bytes& b) {
    Bytes joined = a;
    joined.insert(joined.end(), b.begin(), b.end());
    return joined;
}

// Inflates raw deflate `data` primed with `dictionary`; `ended` tells whether
// the data closed the stream.
Bytes inflateRaw(const Bytes& dictionary, const Bytes& data, bool& ended) {
    z_stream stream{};
    EXPECT_EQ(inflateInit2(&stream, -15), Z_OK);
    if (!dictionary.empty()) {
        EXPECT_EQ(inflateSetDictionary(&stream, dictionary.data(), static_cast<uInt>(dictionary.size())), Z_OK);
    }
    Bytes out(65536);
    stream.next_in = const_cast<Bytef*>(data.data());
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = out.data();
    stream.avail_out = static_cast<uInt>(out.size());
    const int rc = inflate(&stream, Z_SYNC_FLUSH);
    EXPECT_TRUE(rc == Z_OK || rc == Z_STREAM_END) << rc;
    EXPECT_EQ(stream.avail_in, 0u);
    ended = rc == Z_STREAM_END;
    out.resize(out.size() - stream.avail_out);
    inflateEnd(&stream);
    return out;
}

TEST(ChunkCompressor, EachPieceDecodesFromItsDictionaryAlone) {
    const Bytes noise = randomBytes(16384, 7);
    const Bytes text = textBytes(3 * 16384);
    const Bytes textBefore(text.begin(), text.begin() + 32768), textPiece(text.begin() + 32768, text.end());
    struct Case {
        const char* name;
        Bytes dictionary, piece;
        bool last;
        bool stored;
        std::size_t length;  // of the deflate data, 0: only smaller than stored
    };
    const Case cases[] = {
        {"text", {}, textPiece, false, false, 0},
        {"text after text", textBefore, textPiece, false, false, 0},
        {"text that ends the stream", textBefore, textPiece, true, false, 0},
        {"one byte", {}, Bytes{'x'}, true, false, 0},
        // Random bytes: one stored block, then the sync flush's empty one.
        {"noise", {}, noise, false, true, 5 + 16384 + 5},
        {"noise that ends the stream", textBefore, noise, true, true, 5 + 16384},
        // Too short for the quick look; deflate runs and gains nothing.
        {"a little noise", {}, randomBytes(1000, 8), false, true, 5 + 1000 + 5},
        // The same noise again refers back into the dictionary.
        {"noise seen before", join(textBytes(100), noise), noise, false, false, 0},
    };
    ChunkCompressor compressor;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const Bytes input = join(c.dictionary, c.piece);
        CompressedPiece out;
        compressor.compress(input.data(), c.dictionary.size(), c.piece.size(), c.last, out);
        EXPECT_EQ(out.stored, c.stored);
        if (c.length != 0) {
            EXPECT_EQ(out.data.size(), c.length);
        }
        EXPECT_LT(out.data.size(), mkpackage::storedLength(c.piece.size(), c.last) + (c.stored ? 1 : 0));
        EXPECT_EQ(out.crc, crc32(0, c.piece.data(), static_cast<uInt>(c.piece.size())));
        EXPECT_EQ(out.adler, adler32(1, c.piece.data(), static_cast<uInt>(c.piece.size())));
        bool ended = false;
        EXPECT_EQ(inflateRaw(c.dictionary, out.data, ended), c.piece);
        EXPECT_EQ(ended, c.last);
        if (!c.last) {
            static const std::uint8_t kSyncTail[4] = {0x00, 0x00, 0xFF, 0xFF};
            ASSERT_GE(out.data.size(), 4u);
            EXPECT_EQ(std::memcmp(out.data.data() + out.data.size() - 4, kSyncTail, 4), 0);
        }
    }
}

TEST(ChunkCompressor, OutputDependsOnTheLast32KiBAndThePieceOnly) {
    // A compressor that has just packed a long piece gives a short piece
    // the same bytes as a fresh one, though its window still holds the rest
    // of the long piece right behind the short one's end.
    const Bytes text = textBytes(32768 + 16384);
    ChunkCompressor used, fresh;
    for (const std::size_t shortSize : {std::size_t(700), std::size_t(5000), std::size_t(16000)}) {
        SCOPED_TRACE(shortSize);
        CompressedPiece longPiece, again, alone;
        used.compress(text.data(), 32768, 16384, false, longPiece);
        used.compress(text.data(), 32768, shortSize, false, again);
        fresh.compress(text.data(), 32768, shortSize, false, alone);
        EXPECT_EQ(again.data, alone.data);
    }
    // Dictionary bytes beyond 32 KiB are left out.
    const Bytes longer = join(randomBytes(10000, 9), text);
    CompressedPiece trimmed, whole;
    used.compress(longer.data(), 10000 + 32768, 16384, false, whole);
    fresh.compress(text.data(), 32768, 16384, false, trimmed);
    EXPECT_EQ(whole.data, trimmed.data);
}

}  // namespace
}  // namespace testing_mkpackage
