// The product description parser over any text: every defect ends in the
// builder's one error type, never in a crash, a hang or another exception.
// The description is read in a scratch folder (scratch_product.h) so that
// its file references resolve.
#include <stdlib.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "description/toml_parser.h"

#include "common/input_error.h"
#include "common/path_text.h"
#include "description/description_reader.h"
#include "description/toml_prescan.h"
#include "scratch_product.h"

namespace {

namespace fs = std::filesystem;

fs::path scratch;

void removeScratch() {
    std::error_code ec;
    fs::remove_all(scratch, ec);
}

// A folder or glob that leaves the scratch folder would make the parser list
// whatever the machine holds: a description may name any folder, but this
// run keeps to its own.
bool staysInScratch(const std::string& utf8) {
    // A variable could name any folder; such a path is not followed here.
    if (utf8.find("${") != std::string::npos) return false;
    const fs::path path = mkpackage::pathFromUtf8(utf8);
    if (path.has_root_path()) return false;
    for (const fs::path& level : path)
        if (level == "..") return false;
    return true;
}

bool filesStayInScratch(const toml::table& root) {
    const toml::array* components = root["components"].as_array();
    if (components == nullptr) return true;
    for (const toml::node& component : *components) {
        const toml::array* files = component.is_table() ? (*component.as_table())["files"].as_array() : nullptr;
        if (files == nullptr) continue;
        for (const toml::node& file : *files) {
            const toml::table* entry = file.as_table();
            if (entry == nullptr) continue;
            for (const char* key : {"folder", "glob"}) {
                const toml::node* value = entry->get(key);
                if (value != nullptr && value->is_string() && !staysInScratch(value->as_string()->get())) return false;
            }
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string pattern = (fs::temp_directory_path() / "setupkit-description-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    scratch = pattern;
    fuzzing::writeScratchProduct(scratch);
    std::atexit(removeScratch);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    long line;
    std::string problem;
    // The parser library meets only what the builder lets through to it.
    if (mkpackage::prescanToml(text, line, problem)) {
        try {
            if (!filesStayInScratch(toml::parse(text))) return 0;
        } catch (const toml::parse_error&) {
            // The builder reports it.
        }
    }
    try {
        mkpackage::parseDescription(text, scratch / "product.toml");
    } catch (const mkpackage::InputError&) {
    } catch (const std::exception& e) {
        // main() would print it, but a defect of a description must be
        // reported as "file:line: field: what"; any other exception is a fault.
        std::fprintf(stderr, "description ended in %s\n", e.what());
        std::abort();
    }
    return 0;
}
