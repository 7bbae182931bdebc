#include "build/signed_image.h"

#include <algorithm>
#include <fstream>
#include <vector>

#include "common/input_error.h"
#include "common/path_text.h"
#include "format/certificate_table.h"

namespace mkpackage {

void refuseSignedImage(const std::filesystem::path& image) {
    std::ifstream in(image, std::ios::binary);
    if (!in) return;  // the caller names an image it cannot open
    in.seekg(0, std::ios::end);
    const auto size = static_cast<std::uint64_t>(in.tellg());
    in.seekg(0);
    std::vector<std::uint8_t> head(static_cast<std::size_t>(std::min<std::uint64_t>(size, fmt::kImageHeadSize)));
    in.read(reinterpret_cast<char*>(head.data()), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
    const fmt::CertificateTable table = fmt::findCertificateTable(head.data(), head.size(), size);
    if (table.state == fmt::CertificateTableState::absent) return;
    throw InputError(utf8FromPath(image) +
                     ": the program image is signed (its security entry names a certificate table); a package "
                     "behind the signature would not be found: use an unsigned image and sign the installer with "
                     "build --sign");
}

}  // namespace mkpackage
