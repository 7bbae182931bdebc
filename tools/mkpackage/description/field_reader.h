// The checked access to a description's TOML nodes that every field table
// reads through: typed values with their variables replaced and their texts
// in the package's code page, and failures that name file, line and field.
// Defects are collected, so that one run reports them all.
#ifndef MKPACKAGE_FIELD_READER_H
#define MKPACKAGE_FIELD_READER_H

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "description/toml_parser.h"

#include "common/input_error.h"
#include "description/description.h"
#include "description/flag_names.h"
#include "text/code_page.h"
#include "text/variables.h"

namespace mkpackage {

// At most this many defects of one description are reported; the rest are
// counted.
inline constexpr std::size_t kMaxReportedDefects = 20;

inline long lineOf(const toml::node& node) { return static_cast<long>(node.source().begin.line); }

// Every defect found so far; reading goes on past a defect wherever the
// rest does not depend on what failed, so that one run reports them all.
class DefectList {
public:
    struct Full {};  // thrown when the list holds more than kMaxReportedDefects

    void add(const std::string& message);
    bool empty() const { return count_ == 0; }
    // One line for each reported defect, and one more when some were not.
    InputError error() const;

private:
    std::vector<std::string> messages_;
    std::size_t count_ = 0;
};

class FieldReader {
public:
    // `file` names the description in messages; its folder anchors relative
    // paths. Texts are in code page 1252 until setCodePage.
    FieldReader(const std::filesystem::path& file, const DescriptionOptions& options);

    const std::filesystem::path& file() const { return file_; }
    const std::filesystem::path& base() const { return base_; }
    const TextEncoder& encoder() const { return encoder_; }
    const DefectList& defects() const { return defects_; }

    // Runs `step`; a defect it finds is noted and reading goes on. Throws
    // DefectList::Full when the list is full.
    template <typename Step>
    void attempt(Step&& step) {
        try {
            step();
        } catch (const InputError& e) {
            defects_.add(e.what());
        }
    }

    // [variables]: each a text; a value given on the command line wins.
    void readVariables(const toml::node* node);
    // Throws std::invalid_argument when the system has no such single-byte code page.
    void setCodePage(unsigned codePage);

    // Throw InputError "file:line: field: what".
    [[noreturn]] void fail(long line, const std::string& field, const std::string& what) const;
    [[noreturn]] void fail(const toml::node& node, const std::string& field, const std::string& what) const;

    // Fails on the first key of `table` that `allowed` does not hold; a key
    // without a line of its own is placed at `fallbackLine`.
    void checkKeys(const toml::table& table, std::initializer_list<std::string_view> allowed,
                   const std::string& context, long fallbackLine) const;

    const toml::table& asTable(const toml::node& node, const std::string& field) const;
    const toml::array& asArray(const toml::node& node, const std::string& field) const;
    const toml::table* requireTable(const toml::table& parent, const char* key, long line) const;

    // The text of `node` with its variables replaced.
    std::string utf8(const toml::node& node, const std::string& field) const;
    // The 8-bit form of a UTF-8 text; `limit` is the largest byte count (0: none).
    std::string encode(const std::string& text, const toml::node& node, const std::string& field,
                       std::size_t limit = 0) const;
    // utf8, then encode.
    std::string text(const toml::node& node, const std::string& field, std::size_t limit = 0) const;
    // An integer within min..max.
    std::int64_t integer(const toml::node& node, const std::string& field, std::int64_t min, std::int64_t max) const;
    // The bits of an array of flag names.
    std::uint32_t namedBits(const toml::node& node, const std::string& field, std::span<const FlagName> names) const;

private:
    std::filesystem::path file_;
    std::filesystem::path base_;
    TextEncoder encoder_;
    Variables variables_;
    DefectList defects_;
};

}  // namespace mkpackage

#endif
