#include "build/build_inputs.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <fstream>
#include <set>

#include "common/input_error.h"
#include "common/path_text.h"

namespace mkpackage {
namespace {

namespace fs = std::filesystem;

// A setup program is a few hundred KiB; anything this large is not one.
constexpr std::uint64_t kLargestImage = 64ull << 20;

constexpr std::uint16_t kMachineI386 = 0x14C;
constexpr std::uint16_t kOptionalMagicPe32 = 0x10B;
constexpr std::uint16_t kSubsystemGui = 2;
constexpr std::uint32_t kResourceDirectory = 2;
constexpr std::uint32_t kTypeDialog = 5;
constexpr std::uint32_t kTypeStringTable = 6;
// Texts 1 and 2 lie in string block 1 (block n holds texts 16(n-1)..16n-1).
constexpr std::uint32_t kFirstStringBlock = 1;

// Bounds-checked little-endian reads of the image.
class ImageView {
public:
    explicit ImageView(const std::vector<std::uint8_t>& bytes) : bytes_(bytes) {}
    bool has(std::uint64_t offset, std::uint64_t count) const {
        return offset <= bytes_.size() && count <= bytes_.size() - offset;
    }
    std::uint32_t u16(std::uint64_t offset) const { return bytes_[offset] | (bytes_[offset + 1] << 8); }
    std::uint32_t u32(std::uint64_t offset) const { return u16(offset) | (u16(offset + 2) << 16); }

private:
    const std::vector<std::uint8_t>& bytes_;
};

struct Section {
    std::uint32_t virtualAddress, virtualSize, rawOffset, rawSize;
};

// The ids of the entries of the resource directory at `offset` (file
// offset); false when it does not fit the image.
bool directoryIds(const ImageView& view, std::uint64_t offset, std::vector<std::pair<std::uint32_t, std::uint32_t>>& ids) {
    if (!view.has(offset, 16)) return false;
    const std::uint64_t count = std::uint64_t(view.u16(offset + 12)) + view.u16(offset + 14);
    if (!view.has(offset + 16, count * 8)) return false;
    for (std::uint64_t i = 0; i < count; ++i) ids.emplace_back(view.u32(offset + 16 + 8 * i), view.u32(offset + 20 + 8 * i));
    return true;
}


// The dialog ids and string blocks of a PE32 GUI program for i686, or the
// reason it is none.
struct ProgramResources {
    std::string problem;
    std::set<std::uint32_t> dialogs, strings;
};

ProgramResources readProgramResources(const std::vector<std::uint8_t>& image, const char* what) {
    ProgramResources found;
    const auto refuse = [&](const std::string& problem) {
        found.problem = problem;
        return found;
    };
    const ImageView view(image);
    if (!view.has(0, 0x40) || image[0] != 'M' || image[1] != 'Z') return refuse("is not a Windows program (no \"MZ\" header)");
    const std::uint64_t pe = view.u32(0x3C);
    if (!view.has(pe, 24) || std::memcmp(image.data() + pe, "PE\0\0", 4) != 0) {
        return refuse("is not a Windows PE program (no \"PE\" header)");
    }
    if (view.u16(pe + 4) != kMachineI386) return refuse("is not a program for i686 (32-bit x86)");
    const std::uint32_t sectionCount = view.u16(pe + 6);
    const std::uint32_t optionalSize = view.u16(pe + 20);
    const std::uint64_t optional = pe + 24;
    if (optionalSize < 96 + 8 * (kResourceDirectory + 1) || !view.has(optional, optionalSize)) {
        return refuse("has a PE optional header too short for a program");
    }
    if (view.u16(optional) != kOptionalMagicPe32) return refuse("is not a 32-bit (PE32) program");
    if (view.u16(optional + 68) != kSubsystemGui) return refuse(std::string("is not a GUI program (") + what + " is one)");
    const std::uint32_t directoryCount = view.u32(optional + 92);
    const std::string notIt = std::string(": it is not ") + what;
    if (directoryCount <= kResourceDirectory) return refuse("has no resources" + notIt);
    const std::uint32_t resourceRva = view.u32(optional + 96 + 8 * kResourceDirectory);
    if (resourceRva == 0) return refuse("has no resources" + notIt);

    const std::uint64_t sectionTable = optional + optionalSize;
    if (!view.has(sectionTable, std::uint64_t(sectionCount) * 40)) return refuse("has a section table beyond its end");
    std::uint64_t resources = 0;
    bool inSection = false;
    for (std::uint32_t i = 0; i < sectionCount && !inSection; ++i) {
        const std::uint64_t at = sectionTable + 40 * std::uint64_t(i);
        const Section s{view.u32(at + 12), view.u32(at + 8), view.u32(at + 20), view.u32(at + 16)};
        const std::uint64_t span = std::max(s.virtualSize, s.rawSize);
        if (resourceRva >= s.virtualAddress && resourceRva - s.virtualAddress < span) {
            resources = std::uint64_t(s.rawOffset) + (resourceRva - s.virtualAddress);
            inSection = true;
        }
    }
    if (!inSection) return refuse("has its resources outside every section");

    std::vector<std::pair<std::uint32_t, std::uint32_t>> types;
    if (!directoryIds(view, resources, types)) return refuse("has a resource directory beyond its end");
    for (const auto& [type, target] : types) {
        // The high bit marks a subdirectory; its offset counts from the resource start.
        if ((target & 0x80000000u) == 0 || (type != kTypeDialog && type != kTypeStringTable)) continue;
        std::vector<std::pair<std::uint32_t, std::uint32_t>> names;
        if (!directoryIds(view, resources + (target & 0x7FFFFFFFu), names)) {
            return refuse("has a resource directory beyond its end");
        }
        for (const auto& name : names) (type == kTypeDialog ? found.dialogs : found.strings).insert(name.first);
    }
    return found;
}

// The first of the program's dialogs and texts that `found` lacks.
std::string missingResource(const ProgramResources& found, std::initializer_list<std::uint32_t> dialogs,
                            const std::string& what, const std::string& texts) {
    for (std::uint32_t id : dialogs) {
        if (found.dialogs.count(id) == 0)
            return "lacks " + what + "'s dialog template " + std::to_string(id) + ": it is not " + what;
    }
    if (found.strings.count(kFirstStringBlock) == 0) return "lacks " + what + "'s " + texts + ": it is not " + what;
    return {};
}

}  // namespace

std::string setupProgramImageProblem(const std::vector<std::uint8_t>& image) {
    const ProgramResources found = readProgramResources(image, "the setup program");
    if (!found.problem.empty()) return found.problem;
    return missingResource(found, {104, 105, 106, 107, 109}, "the setup program", "texts 1 and 2");
}

std::string uninstallerImageProblem(const std::vector<std::uint8_t>& image) {
    const ProgramResources found = readProgramResources(image, "the uninstaller");
    if (!found.problem.empty()) return found.problem;
    return missingResource(found, {101, 102, 103}, "the uninstaller", "usage text");
}

std::vector<std::uint8_t> readImageBytes(const fs::path& image, const char* role) {
    const std::string name = utf8FromPath(image);
    std::error_code ec;
    const std::uint64_t size = fs::file_size(image, ec);
    if (ec) throw InputError(name + ": cannot read the " + role);
    if (size > kLargestImage) {
        throw InputError(name + ": the " + role + " is larger than " + std::to_string(kLargestImage >> 20) +
                         " MiB: it is not the " + role);
    }
    std::ifstream in(image, std::ios::binary);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!in || !in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) {
        throw InputError(name + ": cannot read the " + role);
    }
    return bytes;
}

void checkSetupProgramImage(const fs::path& image) {
    const std::string problem = setupProgramImageProblem(readImageBytes(image, "program image"));
    if (!problem.empty()) throw InputError(utf8FromPath(image) + ": the program image " + problem);
}

void refuseOutputOverInput(const Description& description, const fs::path& image, const fs::path& output) {
    std::error_code ec;
    if (!fs::exists(output, ec)) return;  // every input exists
    const auto is = [&](const fs::path& input) {
        std::error_code e;
        return fs::equivalent(output, input, e);
    };
    const std::string quoted = "the output \"" + utf8FromPath(output) + "\"";
    if (is(description.file)) throw errorAt(description.file, 1, "output", quoted + " is the description itself");
    if (is(image)) throw errorAt(description.file, 1, "output", quoted + " is the program image");
    for (std::size_t c = 0; c < description.components.size(); ++c) {
        for (const SourceFile& file : description.components[c].files) {
            if (is(file.path)) {
                throw errorAt(description.file, file.line, "components[" + std::to_string(c) + "].files",
                              quoted + " is the source file \"" + utf8FromPath(file.path) + "\"");
            }
        }
    }
    for (std::size_t p = 0; p < description.pictures.size(); ++p) {
        if (is(description.pictures[p].path)) {
            throw errorAt(description.file, description.pictures[p].line, "pictures[" + std::to_string(p) + "].file",
                          quoted + " is this picture's file");
        }
    }
}

}  // namespace mkpackage
