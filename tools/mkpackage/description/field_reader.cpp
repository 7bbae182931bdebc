#include "description/field_reader.h"

#include <algorithm>
#include <optional>

namespace mkpackage {

namespace fs = std::filesystem;

void DefectList::add(const std::string& message) {
    ++count_;
    if (messages_.size() < kMaxReportedDefects) messages_.push_back(message);
    if (count_ >= kMaxReportedDefects + 1) throw Full{};
}

InputError DefectList::error() const {
    std::string text;
    for (const std::string& message : messages_) text += (text.empty() ? "" : "\n") + message;
    if (count_ > messages_.size()) text += "\nmore defects follow; the first " + std::to_string(messages_.size()) + " are shown";
    return InputError(text);
}

FieldReader::FieldReader(const fs::path& file, const DescriptionOptions& options)
    : file_(file), encoder_(1252), variables_(options.variables), given_(options.variables) {
    base_ = file.parent_path();
}

void FieldReader::readVariables(const toml::node* node) {
    if (node == nullptr) return;
    for (auto&& [key, entry] : asTable(*node, "variables")) {
        const toml::node& value = entry;
        const std::string name(key.str());
        const std::string field = "variables." + name;
        attempt([&] {
            if (!isVariableName(name)) {
                fail(value, field, "a variable name is a letter or \"_\" followed by letters, digits, \"_\", \"-\" and \".\"");
            }
            if (!value.is_string()) fail(value, field, "must be a text");
            // A value given on the command line wins over the description's.
            variables_.emplace(name, value.as_string()->get());
        });
    }
}

void FieldReader::checkVariables(const toml::node* node) {
    if (node == nullptr || !node->is_table()) return;
    for (auto&& [key, entry] : *node->as_table()) {
        const std::string name(key.str());
        auto value = variables_.find(name);
        if (given_.count(name) != 0 || value == variables_.end()) continue;
        std::string problem;
        if (encoder_.encode(value->second, problem)) continue;
        // Character by character: those the code page lacks become "?".
        std::string kept;
        for (std::size_t i = 0; i < value->second.size();) {
            std::size_t next = i + 1;
            while (next < value->second.size() && (static_cast<unsigned char>(value->second[next]) & 0xC0) == 0x80) ++next;
            const std::string character = value->second.substr(i, next - i);
            std::string ignored;
            kept += encoder_.encode(character, ignored) ? character : std::string("?");
            i = next;
        }
        value->second = kept;
        const toml::node& definition = entry;  // clang 14 captures no structured binding
        attempt([&] { fail(definition, "variables." + name, problem); });
    }
}

void FieldReader::setCodePage(unsigned codePage) { encoder_ = TextEncoder(codePage); }

void FieldReader::fail(long line, const std::string& field, const std::string& what) const {
    throw errorAt(file_, line, field, what);
}

void FieldReader::fail(const toml::node& node, const std::string& field, const std::string& what) const {
    fail(lineOf(node), field, what);
}

namespace {

std::string join(const std::string& context, const std::string& key) {
    return context.empty() ? key : context + "." + key;
}

}  // namespace

void FieldReader::checkKeys(const toml::table& table, std::initializer_list<std::string_view> allowed,
                            const std::string& context, long fallbackLine) const {
    for (auto&& [key, node] : table) {
        if (std::find(allowed.begin(), allowed.end(), key.str()) == allowed.end()) {
            long line = static_cast<long>(key.source().begin.line);
            if (line == 0) line = fallbackLine;
            fail(line, join(context, std::string(key.str())), "unknown key");
        }
    }
}

const toml::table& FieldReader::asTable(const toml::node& node, const std::string& field) const {
    if (!node.is_table()) fail(node, field, "must be a table");
    return *node.as_table();
}

const toml::array& FieldReader::asArray(const toml::node& node, const std::string& field) const {
    if (!node.is_array()) fail(node, field, "must be an array");
    return *node.as_array();
}

const toml::table* FieldReader::requireTable(const toml::table& parent, const char* key, long line) const {
    const toml::node* node = parent.get(key);
    if (node == nullptr) fail(line, key, "is missing");
    return &asTable(*node, key);
}

std::string FieldReader::utf8(const toml::node& node, const std::string& field) const {
    if (!node.is_string()) fail(node, field, "must be a text");
    std::string out, problem;
    if (!substituteVariables(node.as_string()->get(), variables_, out, problem)) fail(node, field, problem);
    return out;
}

std::string FieldReader::encode(const std::string& text, const toml::node& node, const std::string& field,
                                std::size_t limit) const {
    std::string problem;
    std::optional<std::string> encoded = encoder_.encode(text, problem);
    if (!encoded) fail(node, field, problem);
    if (limit != 0 && encoded->size() > limit) {
        fail(node, field, "text is " + std::to_string(encoded->size()) + " bytes, longer than " +
                              std::to_string(limit));
    }
    return *encoded;
}

std::string FieldReader::text(const toml::node& node, const std::string& field, std::size_t limit) const {
    return encode(utf8(node, field), node, field, limit);
}

std::int64_t FieldReader::integer(const toml::node& node, const std::string& field, std::int64_t min,
                                  std::int64_t max) const {
    if (!node.is_integer()) fail(node, field, "must be an integer");
    const std::int64_t value = node.as_integer()->get();
    if (value < min || value > max) {
        fail(node, field, std::to_string(value) + " is outside " + std::to_string(min) + ".." + std::to_string(max));
    }
    return value;
}

std::uint32_t FieldReader::namedBits(const toml::node& node, const std::string& field,
                                     std::span<const FlagName> names) const {
    std::uint32_t bits = 0;
    for (const toml::node& element : asArray(node, field)) {
        const std::string name = utf8(element, field);
        const auto found = std::find_if(names.begin(), names.end(), [&](const FlagName& b) { return name == b.name; });
        if (found == names.end()) {
            std::string known;
            for (const FlagName& b : names) known += std::string(known.empty() ? "" : ", ") + b.name;
            fail(element, field, "unknown flag \"" + name + "\" (known: " + known + ")");
        }
        bits |= found->bit;
    }
    return bits;
}

}  // namespace mkpackage
