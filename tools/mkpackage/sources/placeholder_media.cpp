#include "sources/placeholder_media.h"

#include <cstring>
#include <string>

namespace mkpackage {
namespace {

class Bytes {
public:
    void u8(std::uint8_t v) { data.push_back(v); }
    void u16(std::uint16_t v) { u8(v & 0xFF); u8(v >> 8); }
    void u32(std::uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); }
    void tag(const char (&fourcc)[5]) { data.insert(data.end(), fourcc, fourcc + 4); }
    // Starts a RIFF chunk; returns where its size goes.
    std::size_t open(const char (&fourcc)[5]) {
        tag(fourcc);
        u32(0);
        return data.size() - 4;
    }
    void close(std::size_t sizeAt) {
        const auto size = static_cast<std::uint32_t>(data.size() - sizeAt - 4);
        std::memcpy(data.data() + sizeAt, &size, 4);
        if (size % 2 != 0) u8(0);
    }
    void put32(std::size_t at, std::uint32_t v) { std::memcpy(data.data() + at, &v, 4); }
    std::vector<std::uint8_t> data;
};

void bitmapInfoHeader(Bytes& b, int width, int height, int bits, std::uint32_t imageSize) {
    b.u32(40);
    b.u32(static_cast<std::uint32_t>(width));
    b.u32(static_cast<std::uint32_t>(height));
    b.u16(1);
    b.u16(static_cast<std::uint16_t>(bits));
    b.u32(0);  // BI_RGB
    b.u32(imageSize);
    b.u32(2835);  // 72 dpi
    b.u32(2835);
    b.u32(0);
    b.u32(0);
}

std::uint8_t channel(std::uint32_t colour, int shift) { return static_cast<std::uint8_t>((colour >> shift) & 0xFF); }

std::uint8_t mix(std::uint8_t a, std::uint8_t b, int step, int steps) {
    return static_cast<std::uint8_t>(a + (int(b) - int(a)) * step / (steps > 1 ? steps - 1 : 1));
}

}  // namespace

std::vector<std::uint8_t> makeBitmapFile(int width, int height, std::uint32_t top, std::uint32_t bottom) {
    const int stride = (width * 3 + 3) & ~3;
    const auto imageSize = static_cast<std::uint32_t>(stride * height);
    Bytes b;
    b.u8('B');
    b.u8('M');
    b.u32(14 + 40 + imageSize);
    b.u32(0);
    b.u32(14 + 40);
    bitmapInfoHeader(b, width, height, 24, imageSize);
    for (int y = 0; y < height; ++y) {
        const int fromTop = height - 1 - y;  // rows are stored bottom-up
        for (int x = 0; x < width; ++x) {
            b.u8(mix(channel(top, 0), channel(bottom, 0), fromTop, height));
            b.u8(mix(channel(top, 8), channel(bottom, 8), fromTop, height));
            b.u8(mix(channel(top, 16), channel(bottom, 16), fromTop, height));
        }
        for (int pad = width * 3; pad < stride; ++pad) b.u8(0);
    }
    return b.data;
}

std::vector<std::uint8_t> makeIconFile(std::uint32_t colour) {
    constexpr int kSize = 32;
    constexpr int kColourBytes = kSize * kSize * 3;
    constexpr int kMaskBytes = kSize * 4;  // 1 bit per pixel, rows of 4 bytes
    Bytes b;
    b.u16(0);
    b.u16(1);  // icon
    b.u16(1);  // one image
    b.u8(kSize);
    b.u8(kSize);
    b.u8(0);
    b.u8(0);
    b.u16(1);
    b.u16(24);
    b.u32(40 + kColourBytes + kMaskBytes);
    b.u32(6 + 16);
    bitmapInfoHeader(b, kSize, 2 * kSize, 24, kColourBytes + kMaskBytes);
    auto inside = [](int x, int y) {
        const int dx = 2 * x - (kSize - 1), dy = 2 * y - (kSize - 1);
        return dx * dx + dy * dy <= (kSize - 2) * (kSize - 2);
    };
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const bool in = inside(x, y);
            b.u8(in ? channel(colour, 0) : 0);
            b.u8(in ? channel(colour, 8) : 0);
            b.u8(in ? channel(colour, 16) : 0);
        }
    }
    for (int y = 0; y < kSize; ++y) {
        std::uint32_t row = 0;  // set bits are transparent; the first pixel is the top bit
        for (int x = 0; x < kSize; ++x) {
            if (!inside(x, y)) row |= 0x80000000u >> x;
        }
        b.u8(static_cast<std::uint8_t>(row >> 24));
        b.u8(static_cast<std::uint8_t>(row >> 16));
        b.u8(static_cast<std::uint8_t>(row >> 8));
        b.u8(static_cast<std::uint8_t>(row));
    }
    return b.data;
}

std::vector<std::uint8_t> makeAnimationFile(int size, int frames) {
    const int stride = (size * 3 + 3) & ~3;
    const auto frameBytes = static_cast<std::uint32_t>(stride * size);
    Bytes b;
    const std::size_t riff = b.open("RIFF");
    b.tag("AVI ");
    const std::size_t hdrl = b.open("LIST");
    b.tag("hdrl");
    const std::size_t avih = b.open("avih");
    b.u32(100000);          // microseconds per frame
    b.u32(frameBytes * 10); // max bytes per second
    b.u32(0);
    b.u32(0x10);            // AVIF_HASINDEX
    b.u32(static_cast<std::uint32_t>(frames));
    b.u32(0);
    b.u32(1);               // streams
    b.u32(frameBytes);
    b.u32(static_cast<std::uint32_t>(size));
    b.u32(static_cast<std::uint32_t>(size));
    for (int i = 0; i < 4; ++i) b.u32(0);
    b.close(avih);
    const std::size_t strl = b.open("LIST");
    b.tag("strl");
    const std::size_t strh = b.open("strh");
    b.tag("vids");
    b.tag("DIB ");
    b.u32(0);
    b.u16(0);
    b.u16(0);
    b.u32(0);
    b.u32(1);   // scale
    b.u32(10);  // rate: 10 frames per second
    b.u32(0);
    b.u32(static_cast<std::uint32_t>(frames));
    b.u32(frameBytes);
    b.u32(0xFFFFFFFFu);
    b.u32(0);
    b.u16(0);
    b.u16(0);
    b.u16(static_cast<std::uint16_t>(size));
    b.u16(static_cast<std::uint16_t>(size));
    b.close(strh);
    const std::size_t strf = b.open("strf");
    bitmapInfoHeader(b, size, size, 24, frameBytes);
    b.close(strf);
    b.close(strl);
    b.close(hdrl);
    const std::size_t movi = b.open("LIST");
    const std::size_t moviStart = b.data.size();
    b.tag("movi");
    std::vector<std::uint32_t> offsets;
    for (int f = 0; f < frames; ++f) {
        offsets.push_back(static_cast<std::uint32_t>(b.data.size() - moviStart));
        const std::size_t chunk = b.open("00db");
        const int bar = f * size / frames;
        for (int y = 0; y < size; ++y) {
            for (int x = 0; x < size; ++x) {
                const bool lit = x >= bar && x < bar + size / frames + 2 && y > size / 4 && y < size * 3 / 4;
                b.u8(lit ? 0xC0 : 0xF0);  // blue
                b.u8(lit ? 0x60 : 0xF0);  // green
                b.u8(lit ? 0x20 : 0xF0);  // red
            }
            for (int pad = size * 3; pad < stride; ++pad) b.u8(0);
        }
        b.close(chunk);
    }
    b.close(movi);
    const std::size_t idx1 = b.open("idx1");
    for (std::uint32_t offset : offsets) {
        b.tag("00db");
        b.u32(0x10);  // AVIIF_KEYFRAME
        b.u32(offset);
        b.u32(frameBytes);
    }
    b.close(idx1);
    b.close(riff);
    return b.data;
}

}  // namespace mkpackage
