#include "image/version_resource.h"

#include <algorithm>

namespace mkpackage {
namespace {

constexpr std::uint32_t kFixedSignature = 0xFEEF04BDu;
constexpr std::uint32_t kFixedSize = 52;
constexpr std::uint32_t kFileOsWindows32 = 0x4;  // VOS__WINDOWS32: any 32-bit Windows
constexpr std::uint32_t kFileTypeApplication = 1;
constexpr std::uint16_t kBinary = 0, kText = 1;

std::uint32_t u16At(const ImageBytes& b, std::size_t at) { return b[at] | (b[at + 1] << 8); }
std::uint32_t u32At(const ImageBytes& b, std::size_t at) { return u16At(b, at) | (u16At(b, at + 2) << 16); }

void append16(ImageBytes& b, std::uint32_t v) {
    b.push_back(static_cast<std::uint8_t>(v));
    b.push_back(static_cast<std::uint8_t>(v >> 8));
}
void append32(ImageBytes& b, std::uint32_t v) {
    append16(b, v & 0xFFFF);
    append16(b, v >> 16);
}
void pad4(ImageBytes& b) { b.resize((b.size() + 3) & ~std::size_t(3), 0); }

struct Block {
    std::u16string key;
    std::uint16_t type;
    std::uint16_t valueLength;  // bytes for binary values, characters for texts
    ImageBytes value;
    std::vector<Block> children;
};

// A block's bytes, without the padding behind it: its length says so.
ImageBytes writeBlock(const Block& block) {
    ImageBytes out;
    append16(out, 0);
    append16(out, block.valueLength);
    append16(out, block.type);
    for (char16_t c : block.key) append16(out, c);
    append16(out, 0);
    pad4(out);
    out.insert(out.end(), block.value.begin(), block.value.end());
    for (const Block& child : block.children) {
        pad4(out);
        const ImageBytes bytes = writeBlock(child);
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    out[0] = static_cast<std::uint8_t>(out.size());
    out[1] = static_cast<std::uint8_t>(out.size() >> 8);
    return out;
}

Block textBlock(const std::string& key, const std::string& value) {
    const std::u16string text = utf16FromUtf8(value);
    Block block{utf16FromUtf8(key), kText, static_cast<std::uint16_t>(text.size() + 1), {}, {}};
    for (char16_t c : text) append16(block.value, c);
    append16(block.value, 0);
    return block;
}

std::uint32_t packed(const std::uint16_t (&v)[4], int high) { return std::uint32_t(v[high]) << 16 | v[high + 1]; }

// Reads the block at `at`, which must end by `end`, and its children.
class BlockReader {
public:
    explicit BlockReader(const ImageBytes& b) : b_(b) {}

    bool read(std::size_t at, std::size_t end, int depth, VersionInfo& info, const std::u16string& parent) {
        if (depth > 4 || at + 6 > end || end > b_.size()) return false;
        const std::size_t length = u16At(b_, at), valueLength = u16At(b_, at + 2), type = u16At(b_, at + 4);
        if (length < 6 || at + length > end) return false;
        const std::size_t blockEnd = at + length;
        std::size_t p = at + 6;
        std::u16string key;
        for (; p + 2 <= blockEnd && u16At(b_, p) != 0; p += 2) key += static_cast<char16_t>(u16At(b_, p));
        if (p + 2 > blockEnd) return false;
        p = (p + 2 + 3) & ~std::size_t(3);
        const std::size_t valueBytes = type == kText ? 2 * valueLength : valueLength;
        if (p + valueBytes > blockEnd && valueBytes != 0) return false;
        if (depth == 0) {
            if (key != u"VS_VERSION_INFO" || valueBytes < kFixedSize || u32At(b_, p) != kFixedSignature) return false;
            const std::uint32_t numbers[4] = {u32At(b_, p + 8), u32At(b_, p + 12), u32At(b_, p + 16), u32At(b_, p + 20)};
            for (int i = 0; i < 2; ++i) {
                info.fileVersion[2 * i] = static_cast<std::uint16_t>(numbers[i] >> 16);
                info.fileVersion[2 * i + 1] = static_cast<std::uint16_t>(numbers[i]);
                info.productVersion[2 * i] = static_cast<std::uint16_t>(numbers[2 + i] >> 16);
                info.productVersion[2 * i + 1] = static_cast<std::uint16_t>(numbers[2 + i]);
            }
        } else if (depth == 3 && parent.size() == 8 && type == kText) {
            std::u16string value;
            for (std::size_t v = 0; v + 1 < valueLength && p + 2 * v + 2 <= blockEnd; ++v) {
                const char16_t c = static_cast<char16_t>(u16At(b_, p + 2 * v));
                if (c == 0) break;
                value += c;
            }
            info.strings.emplace_back(utf8FromUtf16(key), utf8FromUtf16(value));
            return true;
        }
        // Only the string tables below StringFileInfo hold texts worth reading.
        if (depth == 1 && key != u"StringFileInfo") return true;
        for (std::size_t child = (p + valueBytes + 3) & ~std::size_t(3); child + 6 <= blockEnd;) {
            const std::size_t childLength = u16At(b_, child);
            if (!read(child, blockEnd, depth + 1, info, key)) return false;
            child = (child + childLength + 3) & ~std::size_t(3);
        }
        return true;
    }

private:
    const ImageBytes& b_;
};

}  // namespace

void versionNumbers(const std::string& text, std::uint16_t (&out)[4]) {
    for (auto& n : out) n = 0;
    std::size_t i = 0;
    for (int part = 0; part < 4; ++part) {
        if (i >= text.size() || text[i] < '0' || text[i] > '9') return;
        std::uint32_t value = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) value = std::min<std::uint32_t>(value * 10 + (text[i] - '0'), 65535);
        out[part] = static_cast<std::uint16_t>(value);
        if (i >= text.size() || text[i] != '.') return;
        ++i;
    }
}

ImageBytes writeVersionResource(const VersionInfo& info) {
    Block fixed{u"VS_VERSION_INFO", kBinary, kFixedSize, {}, {}};
    append32(fixed.value, kFixedSignature);
    append32(fixed.value, 0x00010000);  // structure version 1.0
    append32(fixed.value, packed(info.fileVersion, 0));
    append32(fixed.value, packed(info.fileVersion, 2));
    append32(fixed.value, packed(info.productVersion, 0));
    append32(fixed.value, packed(info.productVersion, 2));
    append32(fixed.value, 0x3F);  // every flag is meaningful, none is set
    append32(fixed.value, 0);
    append32(fixed.value, kFileOsWindows32);
    append32(fixed.value, kFileTypeApplication);
    append32(fixed.value, 0);
    append32(fixed.value, 0);  // no date: the same inputs give the same bytes
    append32(fixed.value, 0);

    Block table{u"040904B0", kText, 0, {}, {}};
    for (const auto& [key, value] : info.strings) table.children.push_back(textBlock(key, value));
    Block strings{u"StringFileInfo", kText, 0, {}, {table}};
    Block translation{u"Translation", kBinary, 4, {}, {}};
    append16(translation.value, kVersionLanguage);
    append16(translation.value, kVersionCodePage);
    Block variables{u"VarFileInfo", kText, 0, {}, {translation}};
    fixed.children = {strings, variables};
    return writeBlock(fixed);
}

bool readVersionResource(const ImageBytes& bytes, VersionInfo& info) {
    info = VersionInfo{};
    return BlockReader(bytes).read(0, bytes.size(), 0, info, u"");
}

std::u16string utf16FromUtf8(const std::string& text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
        if (length == 0 || i + length > text.size()) {
            out += u'\uFFFD';
            ++i;
            continue;
        }
        std::uint32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t k = 1; k < length; ++k) c = c << 6 | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (c >> 10));
            out += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            out += static_cast<char16_t>(c);
        }
        i += length;
    }
    return out;
}

std::string utf8FromUtf16(const std::u16string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        std::uint32_t c = text[i];
        if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] < 0xE000) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (c >= 0xD800 && c < 0xE000) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | c >> 6);
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | c >> 12);
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | c >> 18);
            out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

}  // namespace mkpackage
