#include "description/compression_fields.h"

namespace mkpackage {

void readCompressionFields(const FieldReader& r, const toml::table& options, Description& d) {
    if (const toml::node* n = options.get("compression")) {
        const std::string name = r.utf8(*n, "options.compression");
        if (name == "zlib") d.compression = fmt::kStreamMethodZlib;
        else if (name == "lzma") d.compression = fmt::kStreamMethodLzma;
        else r.fail(*n, "options.compression", "must be \"zlib\" or \"lzma\"");
    }
    if (const toml::node* n = options.get("dictionary-mib")) {
        if (d.compression != fmt::kStreamMethodLzma)
            r.fail(*n, "options.dictionary-mib", "is a setting of compression = \"lzma\"");
        constexpr std::int64_t mib = 1024 * 1024;
        d.lzmaBlockSize = static_cast<fmt::u32>(
            r.integer(*n, "options.dictionary-mib", 1, fmt::kMaxLzmaBlockSize / mib) *
            mib);
    }
}

}  // namespace mkpackage
