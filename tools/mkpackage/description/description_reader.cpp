#include "description/description_reader.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include "description/toml_parser.h"

#include "common/input_error.h"
#include "common/path_text.h"
#include "description/field_reader.h"
#include "description/field_tables.h"
#include "description/toml_prescan.h"
#include "description/translation_fields.h"
#include "sources/file_facts.h"

namespace mkpackage {
namespace {

void readCodePage(FieldReader& reader, Description& description, const toml::table& root) {
    const toml::node* node = root.get("code-page");
    if (node == nullptr) return;
    const auto codePage = static_cast<unsigned>(reader.integer(*node, "code-page", 1, 65535));
    try {
        reader.setCodePage(codePage);
        description.codePage = codePage;
    } catch (const std::invalid_argument& e) {
        reader.fail(*node, "code-page", e.what());
    }
}

// The tables in the order their checks need: the code page before any text,
// the texts before the components (whose registry keys are checked with the
// default folder), pictures and components before the pages and options
// that name them.
void readTables(FieldReader& r, Description& d, const toml::table& root) {
    TextFields texts(r, d);
    ComponentFields components(r, d);
    PageFields pages(r, d);
    r.attempt([&] { r.readVariables(root.get("variables")); });
    r.attempt([&] { readCodePage(r, d, root); });
    r.attempt([&] { r.checkVariables(root.get("variables")); });
    r.attempt([&] {
        r.checkKeys(root, {"code-page", "variables", "product", "texts", "options", "images", "pictures", "components",
                           "pages", "uninstaller", "translations"},
                    "", 1);
    });
    r.attempt([&] { texts.readProduct(*r.requireTable(root, "product", 1)); });
    const toml::table* product = root.get_as<toml::table>("product");
    // Before the texts: their defaults are the builder's in this language.
    if (product != nullptr) r.attempt([&] { readOwnLanguage(r, d, *product); });
    if (product != nullptr) texts.readDeployment(*product);
    if (const toml::node* node = root.get("texts")) r.attempt([&] { texts.readTexts(r.asTable(*node, "texts")); });
    texts.applyTextDefaults();
    if (const toml::node* node = root.get("pictures")) {
        r.attempt([&] { pages.readPictures(r.asArray(*node, "pictures")); });
    }
    if (const toml::node* node = root.get("components")) {
        r.attempt([&] { components.readComponents(r.asArray(*node, "components")); });
    }
    if (const toml::node* node = root.get("pages")) r.attempt([&] { pages.readPages(r.asArray(*node, "pages")); });
    r.attempt([&] { pages.readOptions(root.get("options")); });
    r.attempt([&] { texts.checkDefaultFolderRoom(); });
    r.attempt([&] { pages.readImages(root.get("images")); });
    r.attempt([&] { texts.readUninstaller(root.get("uninstaller")); });
    if (product != nullptr) r.attempt([&] { texts.checkDisplayIcon(*product); });
    r.attempt([&] { readLanguages(r, d, root); });
}

Description readRoot(const toml::table& root, const std::filesystem::path& file, const DescriptionOptions& options) {
    FieldReader reader(file, options);
    Description description;
    description.file = file;
    try {
        readTables(reader, description, root);
    } catch (const DefectList::Full&) {
    }
    if (!reader.defects().empty()) throw reader.defects().error();
    return description;
}

}  // namespace

Description parseDescription(const std::string& content, const std::filesystem::path& file,
                             const DescriptionOptions& options) {
    // Editors on Windows begin a UTF-8 file with a byte-order mark, which
    // TOML does not know: it is no part of the text.
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    const std::string text = content.rfind(kByteOrderMark, 0) == 0 ? content.substr(kByteOrderMark.size()) : content;
    long line = 0;
    std::string problem;
    if (!prescanToml(text, line, problem)) throw errorAt(file, line, "syntax", problem);
    toml::table root;
    try {
        root = toml::parse(text, utf8FromPath(file));
    } catch (const toml::parse_error& e) {
        throw errorAt(file, static_cast<long>(e.source().begin.line), "syntax", std::string(e.description()));
    }
    return readRoot(root, file, options);
}

Description readDescription(const std::filesystem::path& file, const DescriptionOptions& options) {
    refuseUnlessFile(file, "the description");
    std::ifstream in(file, std::ios::binary);
    if (!in) throw InputError(utf8FromPath(file) + ": cannot open the description");
    std::ostringstream content;
    content << in.rdbuf();
    return parseDescription(content.str(), file, options);
}

}  // namespace mkpackage
