// Turns the 8-bit texts of a package back into UTF-8 for a terminal or a
// JSON document, by the code page the builder wrote them in. A byte that the
// code page leaves without a character is handed back as such.
#ifndef MKPACKAGE_TEXT_DECODER_H
#define MKPACKAGE_TEXT_DECODER_H

#include <array>
#include <string>
#include <string_view>

namespace mkpackage {

class TextDecoder {
public:
    // A code page the system cannot convert decodes ASCII only.
    explicit TextDecoder(unsigned codePage);

    unsigned codePage() const { return codePage_; }

    // Appends the UTF-8 form of `bytes` to `out`. A byte without a character
    // is given to `undecodable`, which appends what stands for it.
    template <typename Undecodable>
    void decode(std::string_view bytes, std::string& out, Undecodable undecodable) const {
        for (const char c : bytes) {
            const unsigned char byte = static_cast<unsigned char>(c);
            if (byte < 0x80) out += c;
            else if (highBytes_[byte - 0x80] != 0) appendUtf8(highBytes_[byte - 0x80], out);
            else undecodable(byte, out);
        }
    }

    static void appendUtf8(char32_t c, std::string& out);

private:
    unsigned codePage_;
    std::array<char32_t, 128> highBytes_{};  // 0: no character
};

}  // namespace mkpackage

#endif
