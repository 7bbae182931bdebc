#include "description/description.h"


#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <unordered_set>

#include <toml++/toml.h>

#include "common/input_error.h"
#include "common/path_text.h"
#include "description/flag_names.h"
#include "description/toml_prescan.h"
#include "format/text_formats.h"
#include "format/text_slots.h"
#include "sources/file_facts.h"
#include "sources/picture_file.h"
#include "sources/source_files.h"
#include "text/code_page.h"
#include "text/path_macros.h"
#include "text/variables.h"

namespace mkpackage {
namespace {

namespace fs = std::filesystem;
using fmt::i32;
using fmt::u32;

// Item kinds by their description key.
struct ItemKind {
    const char* key;
    u32 type;
    enum Value { Text, Picture, Points, Flag } value;
};

constexpr ItemKind kItemKinds[] = {
    {"text", fmt::kItemText, ItemKind::Text},
    {"image", fmt::kItemImage, ItemKind::Picture},
    {"space-above", fmt::kItemSpaceAbove, ItemKind::Points},
    {"indent-left", fmt::kItemIndentLeft, ItemKind::Points},
    {"indent-right", fmt::kItemIndentRight, ItemKind::Points},
    {"destination-group", fmt::kItemDestinationGroup, ItemKind::Flag},
    {"required-space-text", fmt::kItemRequiredSpaceText, ItemKind::Text},
    {"desktop-checkbox", fmt::kItemDesktopCheckBox, ItemKind::Text},
    {"start-menu-checkbox", fmt::kItemStartMenuCheckBox, ItemKind::Text},
    {"directx-version-text", fmt::kItemDirectXVersionText, ItemKind::Text},
    {"directx-install-radio", fmt::kItemDirectXYesRadio, ItemKind::Text},
    {"directx-skip-radio", fmt::kItemDirectXNoRadio, ItemKind::Text},
    {"preset-1-radio", fmt::kItemPreset1Radio, ItemKind::Text},
    {"default-selection-radio", fmt::kItemDefaultSelectionRadio, ItemKind::Text},
    {"preset-3-radio", fmt::kItemPreset3Radio, ItemKind::Text},
};

// Keys of [images], in ImageIndexTable order.
constexpr const char* kImageKeys[fmt::kImageIndexCount] = {
    "progress-animation", "updating-system", "undoing", "removing-previous", "replace-dialog", "directx-cleanup",
};

// [product] keys and the text slots they fill.
struct ProductKey {
    const char* key;
    const char* slot;
};
constexpr ProductKey kProductKeys[] = {
    {"name", "productName"},           {"version", "productVersion"},   {"registry-key", "registryKey"},
    {"default-folder", "defaultInstallDir"}, {"log-name", "uninstallLogName"}, {"uninstaller", "uninstallerName"},
};

long lineOf(const toml::node& node) { return static_cast<long>(node.source().begin.line); }

u32 slotIndex(std::size_t offset) { return static_cast<u32>(offset / 4); }

// Every defect found so far; reading goes on past a defect wherever the
// rest does not depend on what failed, so that one run reports them all.
class DefectList {
public:
    struct Full {};  // thrown when the list holds as many as are reported

    void add(const std::string& message) {
        ++count_;
        if (messages_.size() < kMaxReportedDefects) messages_.push_back(message);
        if (count_ >= kMaxReportedDefects + 1) throw Full{};
    }
    bool empty() const { return count_ == 0; }
    InputError error() const {
        std::string text;
        for (const std::string& message : messages_) text += (text.empty() ? "" : "\n") + message;
        if (count_ > messages_.size()) text += "\nmore defects follow; the first " + std::to_string(messages_.size()) + " are shown";
        return InputError(text);
    }

private:
    std::vector<std::string> messages_;
    std::size_t count_ = 0;
};

class DescriptionReader {
public:
    DescriptionReader(const fs::path& file, const DescriptionOptions& options)
        : file_(file), encoder_(1252), variables_(options.variables) {
        base_ = file.parent_path();
    }

    Description read(const toml::table& root) {
        description_.file = file_;
        try {
            readAll(root);
        } catch (const DefectList::Full&) {
        }
        if (!defects_.empty()) throw defects_.error();
        return std::move(description_);
    }

private:
    void readAll(const toml::table& root) {
        attempt([&] { readVariables(root.get("variables")); });
        attempt([&] { readCodePage(root); });
        attempt([&] {
            checkKeys(root, {"code-page", "variables", "product", "texts", "options", "images", "pictures", "components",
                             "pages", "uninstaller"},
                      "", 1);
        });
        attempt([&] { readProduct(*requireTable(root, "product", 1)); });
        if (const toml::node* texts = root.get("texts")) attempt([&] { readTexts(asTable(*texts, "texts")); });
        applyTextDefaults();
        if (const toml::node* pictures = root.get("pictures")) attempt([&] { readPictures(asArray(*pictures, "pictures")); });
        if (const toml::node* components = root.get("components")) {
            attempt([&] { readComponents(asArray(*components, "components")); });
        }
        if (const toml::node* pages = root.get("pages")) attempt([&] { readPages(asArray(*pages, "pages")); });
        attempt([&] { readOptions(root.get("options")); });
        attempt([&] { readImages(root.get("images")); });
        attempt([&] { readUninstaller(root.get("uninstaller")); });
    }

    // Runs `step`; a defect it finds is noted and reading goes on.
    template <typename Step>
    void attempt(Step&& step) {
        try {
            step();
        } catch (const InputError& e) {
            defects_.add(e.what());
        }
    }

    void readVariables(const toml::node* node) {
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

    [[noreturn]] void fail(long line, const std::string& field, const std::string& what) const {
        throw errorAt(file_, line, field, what);
    }
    [[noreturn]] void fail(const toml::node& node, const std::string& field, const std::string& what) const {
        fail(lineOf(node), field, what);
    }

    static std::string join(const std::string& context, const std::string& key) {
        return context.empty() ? key : context + "." + key;
    }

    void checkKeys(const toml::table& table, std::initializer_list<std::string_view> allowed,
                   const std::string& context, long fallbackLine) const {
        for (auto&& [key, node] : table) {
            if (std::find(allowed.begin(), allowed.end(), key.str()) == allowed.end()) {
                long line = static_cast<long>(key.source().begin.line);
                if (line == 0) line = fallbackLine;
                fail(line, join(context, std::string(key.str())), "unknown key");
            }
        }
    }

    const toml::table& asTable(const toml::node& node, const std::string& field) const {
        if (!node.is_table()) fail(node, field, "must be a table");
        return *node.as_table();
    }
    const toml::array& asArray(const toml::node& node, const std::string& field) const {
        if (!node.is_array()) fail(node, field, "must be an array");
        return *node.as_array();
    }
    const toml::table* requireTable(const toml::table& parent, const char* key, long line) const {
        const toml::node* node = parent.get(key);
        if (node == nullptr) fail(line, key, "is missing");
        return &asTable(*node, key);
    }

    // The text of `node` with its variables replaced.
    std::string utf8(const toml::node& node, const std::string& field) const {
        if (!node.is_string()) fail(node, field, "must be a text");
        std::string out, problem;
        if (!substituteVariables(node.as_string()->get(), variables_, out, problem)) fail(node, field, problem);
        return out;
    }

    // The 8-bit form of a UTF-8 text; `limit` is the largest byte count (0: none).
    std::string encode(const std::string& text, const toml::node& node, const std::string& field,
                       std::size_t limit = 0) const {
        std::string problem;
        std::optional<std::string> encoded = encoder_.encode(text, problem);
        if (!encoded) fail(node, field, problem);
        if (limit != 0 && encoded->size() > limit) {
            fail(node, field, "text is " + std::to_string(encoded->size()) + " bytes, longer than " +
                                  std::to_string(limit));
        }
        return *encoded;
    }
    std::string text(const toml::node& node, const std::string& field, std::size_t limit = 0) const {
        return encode(utf8(node, field), node, field, limit);
    }

    std::int64_t integer(const toml::node& node, const std::string& field, std::int64_t min, std::int64_t max) const {
        if (!node.is_integer()) fail(node, field, "must be an integer");
        const std::int64_t value = node.as_integer()->get();
        if (value < min || value > max) {
            fail(node, field, std::to_string(value) + " is outside " + std::to_string(min) + ".." + std::to_string(max));
        }
        return value;
    }

    u32 namedBits(const toml::node& node, const std::string& field, std::span<const FlagName> names) const {
        u32 bits = 0;
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

    void readCodePage(const toml::table& root) {
        const toml::node* node = root.get("code-page");
        if (node == nullptr) return;
        const auto codePage = static_cast<unsigned>(integer(*node, "code-page", 1, 65535));
        try {
            encoder_ = TextEncoder(codePage);
            description_.codePage = codePage;
        } catch (const std::invalid_argument& e) {
            fail(*node, "code-page", e.what());
        }
    }

    // Sets a text slot, from [product] or [texts]: the same rules hold for
    // it either way.
    void setSlot(const char* slotName, const toml::node& node, const std::string& field) {
        const fmt::TextSlotInfo* slot = fmt::findTextSlot(slotName);
        const u32 index = slot->offset / 4;
        if (given_[index]) fail(node, field, std::string("text slot ") + slotName + " is given twice");
        given_[index] = true;
        description_.textLines[index] = lineOf(node);
        description_.texts[index] = text(node, field);
        if (const char* arguments = fmt::formatArguments(slot->offset)) {
            const std::string problem = fmt::checkFormatText(description_.texts[index], arguments);
            if (!problem.empty()) fail(node, field, problem);
        }
        const std::string problem = slotTextProblem(slot->offset, description_.texts[index]);
        if (!problem.empty()) fail(node, field, problem);
    }

    // What is wrong with `text` in the slot at `offset`, or nothing.
    static std::string slotTextProblem(std::size_t offset, const std::string& text) {
        std::string problem;
        switch (offset) {
        case offsetof(fmt::TextSlots, productName):
            if (text.empty()) return "is empty";
            if (text.size() > fmt::kMaxProductNameLength) {
                return "is " + std::to_string(text.size()) + " characters, more than 243";
            }
            return {};
        case offsetof(fmt::TextSlots, defaultInstallDir):
            if (text.empty()) return "is empty";
            if (text.back() != '\\') return "must end with \"\\\"";
            return {};
        case offsetof(fmt::TextSlots, uninstallLogName):
        case offsetof(fmt::TextSlots, uninstallerName):
            if (text.empty()) return "is empty";
            if (!checkStoredName(text, problem)) return "\"" + text + "\" cannot be a file in the install folder: it " + problem;
            return {};
        case offsetof(fmt::TextSlots, uninstallShortcutName):
            if (!text.empty() && !checkStoredName(text + ".lnk", problem)) {
                return "\"" + text + ".lnk\" cannot be a shortcut file: it " + problem;
            }
            return {};
        case offsetof(fmt::TextSlots, registryKey):
            if (text.size() > kMaxRegistryKeyLength) {
                return "is " + std::to_string(text.size()) + " characters, more than the 259 a registry key may have";
            }
            return {};
        case offsetof(fmt::TextSlots, uninstallDisplayName):
            if (kUninstallKeyPrefix.size() + text.size() > kMaxRegistryKeyLength) {
                return "is " + std::to_string(text.size()) + " characters: the uninstall entry's key would be longer than " +
                       "259 (at most " + std::to_string(kMaxRegistryKeyLength - kUninstallKeyPrefix.size()) + ")";
            }
            return {};
        default:
            return {};
        }
    }

    static constexpr std::string_view kUninstallKeyPrefix = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

    void readProduct(const toml::table& product) {
        const long line = lineOf(product);
        description_.productLine = line;
        std::vector<std::string_view> keys;
        for (const ProductKey& k : kProductKeys) keys.push_back(k.key);
        for (auto&& [key, node] : product) {
            if (std::find(keys.begin(), keys.end(), key.str()) == keys.end()) {
                const long keyLine = static_cast<long>(key.source().begin.line);
                const std::string field = "product." + std::string(key.str());
                attempt([&] { fail(keyLine, field, "unknown key"); });
            }
        }
        if (product.get("name") == nullptr) attempt([&] { fail(line, "product.name", "is missing"); });
        for (const ProductKey& k : kProductKeys) {
            if (const toml::node* node = product.get(k.key)) {
                attempt([&] { setSlot(k.slot, *node, std::string("product.") + k.key); });
            }
        }
        if (const toml::node* nameNode = product.get("name")) {
            attempt([&] { productNameUtf8_ = utf8(*nameNode, "product.name"); });
        }
        const toml::node* uninstaller = product.get("uninstaller");
        description_.uninstallerLine = uninstaller != nullptr ? lineOf(*uninstaller) : line;
    }

    // Without a folder the files would land in whatever folder the program
    // starts in, and without a log name the last step would fail: both get a
    // default when neither [product] nor [texts] gives them (an empty one is
    // refused by the slot's rule).
    void applyProductDefaults() {
        const u32 folder = slotIndex(offsetof(fmt::TextSlots, defaultInstallDir));
        if (!given_[folder]) description_.texts[folder] = "$(BootDrive):\\Program Files\\" + description_.texts[0] + "\\";
        const u32 log = slotIndex(offsetof(fmt::TextSlots, uninstallLogName));
        if (!given_[log]) description_.texts[log] = "InstallLog";
    }

    void readTexts(const toml::table& texts) {
        for (auto&& [key, node] : texts) {
            const toml::key& name = key;
            const toml::node& value = node;
            attempt([&] { readText(name, value); });
        }
        for (const char* fallback : {"dxVersionUnknown", "dxVersionNotFound"}) {
            const u32 index = fmt::findTextSlot(fallback)->offset / 4;
            if (given_[index] && description_.texts[index].size() > fmt::kDirectXFallbackTextLimit) {
                attempt([&] {
                    fail(*texts.get(fallback), std::string("texts.") + fallback, "must be shorter than 32 characters");
                });
            }
        }
    }

    void readText(const toml::key& key, const toml::node& node) {
        {
            const std::string name(key.str());
            const std::string field = "texts." + name;
            if (name == "dxReasons") {
                const toml::array& reasons = asArray(node, field);
                if (reasons.size() != fmt::kDirectXReasonCount) {
                    fail(node, field, "needs 14 texts, has " + std::to_string(reasons.size()));
                }
                for (std::size_t i = 0; i < reasons.size(); ++i) {
                    const u32 index = fmt::kFirstDirectXReasonSlot + static_cast<u32>(i);
                    given_[index] = true;
                    description_.textLines[index] = lineOf(reasons[i]);
                    description_.texts[index] = text(reasons[i], field + "[" + std::to_string(i) + "]");
                }
                return;
            }
            const fmt::TextSlotInfo* slot = fmt::findTextSlot(name);
            if (slot == nullptr || slot->offset / 4 == fmt::kUnusedTextSlot || name.rfind("dxReasons", 0) == 0) {
                fail(static_cast<long>(key.source().begin.line), field, "unknown key (not a text slot)");
            }
            setSlot(slot->name, node, field);
        }
    }

    void applyTextDefaults() {
        applyProductDefaults();
        for (u32 i = 0; i < fmt::kTextSlotCount; ++i) {
            if (!given_[i] && fmt::kTextSlots[i].defaultText != nullptr) description_.texts[i] = fmt::kTextSlots[i].defaultText;
        }
    }

    void readPictures(const toml::array& pictures) {
        if (pictures.size() > fmt::kMaxBlobs) fail(pictures, "pictures", "more than 48 pictures");
        for (std::size_t i = 0; i < pictures.size(); ++i) attempt([&] { readPicture(pictures, i); });
    }

    void readPicture(const toml::array& pictures, std::size_t i) {
        {
            const std::string field = "pictures[" + std::to_string(i) + "]";
            const toml::table& table = asTable(pictures[i], field);
            const long line = lineOf(table);
            checkKeys(table, {"name", "file", "temp-name"}, field, line);
            PictureSpec picture;
            picture.line = line;
            description_.lastLine = std::max(description_.lastLine, line);
            const toml::node* name = table.get("name");
            const toml::node* file = table.get("file");
            if (name == nullptr) fail(line, field + ".name", "is missing");
            if (file == nullptr) fail(line, field + ".file", "is missing");
            picture.name = utf8(*name, field + ".name");
            for (const PictureSpec& other : description_.pictures) {
                if (other.name == picture.name) fail(*name, field + ".name", "picture \"" + picture.name + "\" is named twice");
            }
            const std::string source = utf8(*file, field + ".file");
            const fs::path path = base_ / pathFromUtf8(source);
            std::string problem;
            if (!loadPicture(path, picture, problem)) fail(*file, field + ".file", "\"" + source + "\": " + problem);
            picture.path = path;
            if (const toml::node* tempName = table.get("temp-name")) {
                picture.tempName = text(*tempName, field + ".temp-name", fmt::kMaxPath - 1);
            } else {
                picture.tempName = encode(fileNameOf(source), *file, field + ".file", fmt::kMaxPath - 1);
            }
            // The setup program writes it into the temporary folder as it stands.
            if (picture.tempName.find('\\') != std::string::npos || !checkStoredName(picture.tempName, problem)) {
                fail(table, field + ".temp-name",
                     "must be a plain file name" + (problem.empty() ? std::string() : ": it " + problem));
            }
            description_.pictures.push_back(std::move(picture));
        }
    }

    // Index of the picture named by `node` (a name or an index).
    u32 pictureIndex(const toml::node& node, const std::string& field) const {
        if (node.is_integer()) {
            const auto count = static_cast<std::int64_t>(description_.pictures.size());
            if (count == 0) fail(node, field, "there are no pictures");
            return static_cast<u32>(integer(node, field, 0, count - 1));
        }
        const std::string name = utf8(node, field);
        for (std::size_t i = 0; i < description_.pictures.size(); ++i) {
            if (description_.pictures[i].name == name) return static_cast<u32>(i);
        }
        fail(node, field, "no picture is named \"" + name + "\"");
    }

    void readComponents(const toml::array& components) {
        if (components.size() > fmt::kMaxComponents) fail(components, "components", "more than 32 components");
        for (std::size_t i = 0; i < components.size(); ++i) attempt([&] { readComponent(components, i); });
    }

    void readComponent(const toml::array& components, std::size_t i) {
        {
            const std::string field = "components[" + std::to_string(i) + "]";
            const toml::table& table = asTable(components[i], field);
            const long line = lineOf(table);
            checkKeys(table, {"name", "files", "actions"}, field, line);
            ComponentSpec component;
            component.line = line;
            const toml::node* name = table.get("name");
            if (name == nullptr) fail(line, field + ".name", "is missing");
            component.name = text(*name, field + ".name", fmt::kFieldTextSize - 1);
            if (component.name.empty()) fail(*name, field + ".name", "is empty");
            for (const ComponentSpec& other : description_.components) {
                if (other.name == component.name) fail(*name, field + ".name", "component \"" + utf8(*name, "") + "\" is named twice");
            }
            fileNames_.clear();
            folderNames_.clear();
            if (const toml::node* files = table.get("files")) readFiles(asArray(*files, field + ".files"), field, component);
            if (const toml::node* actions = table.get("actions")) {
                const toml::array& list = asArray(*actions, field + ".actions");
                for (std::size_t a = 0; a < list.size(); ++a) {
                    const std::string actionField = field + ".actions[" + std::to_string(a) + "]";
                    attempt([&] {
                        component.actions.push_back(readAction(asTable(list[a], actionField), actionField));
                        component.actionLines.push_back(lineOf(list[a]));
                    });
                }
            }
            std::uint64_t total = 0;
            for (const SourceFile& f : component.files) total += f.size;
            if (total > 0x7FFFFFFF) {
                fail(line, field + ".files", "the component's files add up to " + std::to_string(total) +
                                                  " bytes, more than 2 GiB");
            }
            description_.components.push_back(std::move(component));
        }
    }

    // The stored name for `to` (may be empty) joined with `rest`.
    std::string storedName(const std::string& to, const std::string& rest) const {
        std::string name = to;
        if (!name.empty() && !rest.empty() && name.back() != '\\' && name.back() != '/') name += '\\';
        name += rest;
        std::replace(name.begin(), name.end(), '/', '\\');
        return name;
    }

    void addFile(ComponentSpec& component, const fs::path& path, const std::string& nameUtf8, const toml::node& node,
                 const std::string& field) {
        SourceFile file;
        file.path = path;
        file.line = lineOf(node);
        std::string name = nameUtf8;
        std::replace(name.begin(), name.end(), '/', '\\');
        file.storedName = encode(name, node, field);
        std::string problem;
        if (!checkStoredName(file.storedName, problem)) fail(node, field, "stored name \"" + nameUtf8 + "\" " + problem);
        if (!statSourceFile(path, file, problem)) fail(node, field, "\"" + utf8FromPath(path) + "\": " + problem);
        checkNameIsFree(foldedName(name), nameUtf8, node, field);
        component.files.push_back(std::move(file));
    }

    // Names are compared in their folded form, as Windows compares them. A
    // name may be neither a file twice, nor a file and a folder of another
    // file at once: the installation would fail part-way.
    void checkNameIsFree(const std::string& folded, const std::string& nameUtf8, const toml::node& node,
                         const std::string& field) {
        const std::string quoted = "stored name \"" + nameUtf8 + "\"";
        if (fileNames_.count(folded) != 0) fail(node, field, quoted + " is used twice in this component");
        if (folderNames_.count(folded) != 0) {
            fail(node, field, quoted + " is also a folder of another file of this component");
        }
        for (std::size_t slash = folded.find('\\'); slash != std::string::npos; slash = folded.find('\\', slash + 1)) {
            const std::string folder = folded.substr(0, slash);
            if (fileNames_.count(folder) != 0) {
                fail(node, field, quoted + " lies in a folder that is also a file of this component");
            }
            folderNames_.insert(folder);
        }
        fileNames_.insert(folded);
    }

    void readFiles(const toml::array& files, const std::string& context, ComponentSpec& component) {
        for (std::size_t i = 0; i < files.size(); ++i) attempt([&] { readFileEntry(files[i], i, context, component); });
    }

    void readFileEntry(const toml::node& entry, std::size_t i, const std::string& context, ComponentSpec& component) {
        {
            const std::string field = context + ".files[" + std::to_string(i) + "]";
            if (entry.is_string()) {
                const std::string source = utf8(entry, field);
                addFile(component, base_ / pathFromUtf8(source), fileNameOf(source), entry, field);
                return;
            }
            const toml::table& table = asTable(entry, field);
            checkKeys(table, {"source", "folder", "glob", "to"}, field, lineOf(table));
            const toml::node* source = table.get("source");
            const toml::node* folder = table.get("folder");
            const toml::node* pattern = table.get("glob");
            const toml::node* toNode = table.get("to");
            if ((source != nullptr) + (folder != nullptr) + (pattern != nullptr) != 1) {
                fail(table, field, "needs exactly one of source, folder and glob");
            }
            const std::string to = toNode != nullptr ? utf8(*toNode, field + ".to") : std::string();
            if (source != nullptr) {
                const std::string path = utf8(*source, field + ".source");
                addFile(component, base_ / pathFromUtf8(path), toNode != nullptr ? to : fileNameOf(path), table,
                        field);
            } else if (folder != nullptr) {
                const std::string path = utf8(*folder, field + ".folder");
                std::vector<std::string> relative;
                std::string problem;
                if (!listFolder(base_ / pathFromUtf8(path), relative, problem)) fail(*folder, field + ".folder", "\"" + path + "\": " + problem);
                for (const std::string& rel : relative) {
                    addFile(component, base_ / pathFromUtf8(path) / pathFromUtf8(rel), storedName(to, rel), table, field);
                }
            } else {
                const std::string glob = utf8(*pattern, field + ".glob");
                std::vector<std::string> matches;
                std::string problem;
                if (!expandGlob(base_, glob, matches, problem)) fail(*pattern, field + ".glob", "\"" + glob + "\": " + problem);
                for (const std::string& match : matches) {
                    addFile(component, base_ / pathFromUtf8(match), storedName(to, fileNameOf(match)), table, field);
                }
            }
        }
    }

    u32 rootKey(const toml::table& table, const std::string& field) const {
        const toml::node* root = table.get("root");
        if (root == nullptr) fail(table, field + ".root", "is missing");
        const std::string name = utf8(*root, field + ".root");
        if (name == "HKLM" || name == "HKEY_LOCAL_MACHINE") return fmt::kRootLocalMachine;
        if (name == "HKCU" || name == "HKEY_CURRENT_USER") return fmt::kRootCurrentUser;
        fail(*root, field + ".root", "must be \"HKLM\" or \"HKCU\"");
    }

    // Copies the text of `key` into a 128-byte field; `required` texts must be present.
    void actionText(const toml::table& table, const char* key, bool required, const std::string& field,
                    char (&out)[fmt::kFieldTextSize]) const {
        const toml::node* node = table.get(key);
        if (node == nullptr) {
            if (required) fail(table, field + "." + key, "is missing");
            return;
        }
        const std::string value = text(*node, field + "." + key, fmt::kFieldTextSize - 1);
        if (required && value.empty()) fail(*node, field + "." + key, "is empty");
        std::memcpy(out, value.data(), value.size());
    }

    // A file name an action makes or names, by the stored-name rule.
    void checkActionName(const toml::table& table, const char* key, const char* text, const char* suffix,
                         const std::string& field, const char* what) const {
        std::string problem;
        const std::string name = std::string(text) + suffix;
        if (!checkStoredName(name, problem)) {
            fail(*table.get(key), field + "." + key, "\"" + name + "\" cannot be " + what + ": it " + problem);
        }
    }

    // A key written with macros expanded must stay within 259 characters
    // with the longest install folder the setup program accepts.
    void checkExpandedKey(const toml::table& table, const char* key, const std::string& field) const {
        const std::size_t folder =
            worstInstallDirLength(description_.texts[slotIndex(offsetof(fmt::TextSlots, defaultInstallDir))]);
        const std::size_t length = expandedLength(key, folder);
        if (length > kMaxRegistryKeyLength) {
            fail(*table.get("key"), field + ".key",
                 "is " + std::to_string(length) + " characters with an install folder of " + std::to_string(folder) +
                     " for $(ExtrPath), more than the 259 a registry key may have");
        }
    }

    fmt::InstallAction readAction(const toml::table& table, const std::string& field) const {
        fmt::InstallAction action{};
        const toml::node* type = table.get("type");
        if (type == nullptr) fail(table, field + ".type", "is missing");
        const std::string kind = utf8(*type, field + ".type");
        if (kind == "desktop-shortcut" || kind == "programs-shortcut") {
            checkKeys(table, {"type", "program", "name", "arguments"}, field, lineOf(table));
            action.type = kind == "desktop-shortcut" ? fmt::kActionDesktopShortcut : fmt::kActionProgramsShortcut;
            actionText(table, "program", true, field, action.arg1);
            actionText(table, "name", true, field, action.arg2);
            actionText(table, "arguments", false, field, action.arg3);
            checkActionName(table, "program", action.arg1, "", field, "a file in the install folder");
            checkActionName(table, "name", action.arg2, ".lnk", field, "a shortcut file");
        } else if (kind == "registry-value") {
            checkKeys(table, {"type", "root", "key", "value", "data"}, field, lineOf(table));
            action.type = fmt::kActionRegistryValue;
            action.rootKey = rootKey(table, field);
            actionText(table, "key", true, field, action.arg1);
            actionText(table, "value", false, field, action.arg2);
            actionText(table, "data", false, field, action.arg3);
            checkExpandedKey(table, action.arg1, field);
        } else if (kind == "remove-file" || kind == "remove-file-flagged") {
            checkKeys(table, {"type", "path"}, field, lineOf(table));
            action.type = kind == "remove-file" ? fmt::kActionRemoveFile : fmt::kActionRemoveFileFlagged;
            actionText(table, "path", true, field, action.arg1);
            checkActionName(table, "path", action.arg1, "", field, "a file in the install folder");
        } else if (kind == "remove-key" || kind == "remove-key-flagged") {
            checkKeys(table, {"type", "root", "key"}, field, lineOf(table));
            action.type = kind == "remove-key" ? fmt::kActionRemoveKey : fmt::kActionRemoveKeyFlagged;
            action.rootKey = rootKey(table, field);
            actionText(table, "key", true, field, action.arg1);
        } else {
            fail(*type, field + ".type",
                 "unknown action \"" + kind + "\" (known: desktop-shortcut, programs-shortcut, registry-value, "
                 "remove-file, remove-file-flagged, remove-key, remove-key-flagged)");
        }
        return action;
    }

    static std::string int32Bytes(i32 value) {
        std::string bytes(4, '\0');
        std::memcpy(bytes.data(), &value, 4);
        return bytes;
    }

    // A DirectX version format takes exactly one "%s"; "%%" stands for itself.
    void checkDirectXFormat(const std::string& format, const toml::node& node, const std::string& field) const {
        int conversions = 0;
        for (std::size_t i = 0; i < format.size(); ++i) {
            if (format[i] != '%') continue;
            if (i + 1 < format.size() && format[i + 1] == '%') { ++i; continue; }
            if (i + 1 < format.size() && format[i + 1] == 's') { ++conversions; ++i; continue; }
            fail(node, field, "only \"%s\" and \"%%\" may follow a \"%\"");
        }
        if (conversions != 1) fail(node, field, "needs exactly one \"%s\"");
        if (format.size() - 2 + fmt::kDirectXFallbackTextLimit > fmt::kMaxDirectXLineLength) {
            fail(node, field, "with a version text of 31 characters the line exceeds 247 characters");
        }
    }

    void readPages(const toml::array& pages) {
        if (pages.size() > fmt::kMaxPages) fail(pages, "pages", "more than 32 pages");
        for (std::size_t p = 0; p < pages.size(); ++p) {
            const std::string field = "pages[" + std::to_string(p) + "]";
            const toml::table& table = asTable(pages[p], field);
            checkKeys(table, {"items"}, field, lineOf(table));
            std::vector<PageItemSpec> items;
            if (const toml::node* list = table.get("items")) {
                const toml::array& array = asArray(*list, field + ".items");
                for (std::size_t i = 0; i < array.size(); ++i) {
                    attempt([&] { items.push_back(readItem(array[i], field + ".items[" + std::to_string(i) + "]")); });
                }
            }
            description_.pages.push_back(std::move(items));
        }
    }

    PageItemSpec readItem(const toml::node& node, const std::string& field) const {
        const toml::table& table = asTable(node, field);
        PageItemSpec item;
        const ItemKind* kind = nullptr;
        const toml::node* value = nullptr;
        for (auto&& [key, child] : table) {
            if (key.str() == "flags") {
                item.flags = namedBits(child, field + ".flags", kPageItemFlagNames);
                continue;
            }
            const std::string_view keyText = key.str();
            const ItemKind* found = std::find_if(std::begin(kItemKinds), std::end(kItemKinds),
                                                 [&](const ItemKind& k) { return keyText == k.key; });
            if (found == std::end(kItemKinds)) {
                fail(static_cast<long>(key.source().begin.line), field + "." + std::string(key.str()), "unknown key");
            }
            if (kind != nullptr) fail(table, field, "holds two kinds, \"" + std::string(kind->key) + "\" and \"" + found->key + "\"");
            kind = found;
            value = &child;
        }
        if (kind == nullptr) fail(table, field, "has no kind (text, image, space-above, ...)");
        const std::string valueField = field + "." + kind->key;
        item.type = kind->type;
        switch (kind->value) {
            case ItemKind::Text: {
                const std::string stored = text(*value, valueField);
                if (item.type == fmt::kItemDirectXVersionText) checkDirectXFormat(stored, *value, valueField);
                item.data = stored + '\0';
                break;
            }
            case ItemKind::Picture: {
                const u32 index = pictureIndex(*value, valueField);
                if (description_.pictures[index].kind != fmt::kBlobBitmap) fail(*value, valueField, "picture is not a bitmap");
                item.data = int32Bytes(static_cast<i32>(index));
                break;
            }
            case ItemKind::Points:
                item.data = int32Bytes(static_cast<i32>(integer(*value, valueField, -10000, 10000)));
                break;
            case ItemKind::Flag:
                if (!value->is_boolean() || !value->as_boolean()->get()) fail(*value, valueField, "must be true");
                break;
        }
        return item;
    }

    u32 selectionMask(const toml::node& node, const std::string& field) const {
        const std::size_t count = description_.components.size();
        if (node.is_integer()) {
            const std::int64_t mask = integer(node, field, 0, 0xFFFFFFFFll);
            if (count < 32 && (static_cast<std::uint64_t>(mask) >> count) != 0) {
                fail(node, field, "names a component beyond the " + std::to_string(count) + " there are");
            }
            return static_cast<u32>(mask);
        }
        u32 mask = 0;
        for (const toml::node& element : asArray(node, field)) {
            const std::string name = text(element, field);
            std::size_t i = 0;
            while (i < count && description_.components[i].name != name) ++i;
            if (i == count) fail(element, field, "no component is named \"" + utf8(element, field) + "\"");
            mask |= 1u << i;
        }
        return mask;
    }

    void readOptions(const toml::node* node) {
        fmt::ScalarSettings& s = description_.settings;
        const std::size_t count = description_.components.size();
        const u32 all = count >= 32 ? 0xFFFFFFFFu : (1u << count) - 1;
        s.defaultSelection = all;
        s.selectionPreset1 = count > 0 ? 1u : 0u;
        s.selectionPreset3 = all;
        s.directXPageIndex = -1;
        if (node == nullptr) return;
        const toml::table& options = asTable(*node, "options");
        checkKeys(options, {"flags", "default-selection", "preset-1", "preset-3", "directx-components",
                            "required-directx", "directx-page", "control-ex-style", "text-alignment"},
                  "options", lineOf(options));
        if (const toml::node* n = options.get("flags")) {
            description_.flagsLine = lineOf(*n);
            s.flags = namedBits(*n, "options.flags", kOptionFlagNames);
        }
        if (const toml::node* n = options.get("default-selection")) s.defaultSelection = selectionMask(*n, "options.default-selection");
        if (const toml::node* n = options.get("preset-1")) s.selectionPreset1 = selectionMask(*n, "options.preset-1");
        if (const toml::node* n = options.get("preset-3")) s.selectionPreset3 = selectionMask(*n, "options.preset-3");
        if (const toml::node* n = options.get("directx-components")) {
            s.directXComponentMask = selectionMask(*n, "options.directx-components");
        }
        if (const toml::node* n = options.get("required-directx")) {
            s.requiredDirectXVersion = static_cast<u32>(integer(*n, "options.required-directx", 0, 0xFFFFFFFFll));
        }
        if (const toml::node* n = options.get("directx-page")) {
            s.directXPageIndex = static_cast<i32>(
                integer(*n, "options.directx-page", -1, static_cast<std::int64_t>(description_.pages.size()) - 1));
        }
        if (const toml::node* n = options.get("control-ex-style")) {
            s.controlExStyle = static_cast<u32>(integer(*n, "options.control-ex-style", 0, 0xFFFFFFFFll));
        }
        if (const toml::node* n = options.get("text-alignment")) {
            if (n->is_integer()) {
                s.textAlignment = static_cast<u32>(integer(*n, "options.text-alignment", 0, 2));
            } else {
                const std::string name = utf8(*n, "options.text-alignment");
                if (name == "left") s.textAlignment = 0;
                else if (name == "center") s.textAlignment = 1;
                else if (name == "right") s.textAlignment = 2;
                else fail(*n, "options.text-alignment", "must be \"left\", \"center\" or \"right\" (0..2)");
            }
        }
    }

    void readImages(const toml::node* node) {
        if (node == nullptr) return;
        const toml::table& images = asTable(*node, "images");
        std::vector<std::string_view> keys(std::begin(kImageKeys), std::end(kImageKeys));
        for (auto&& [key, child] : images) {
            if (std::find(keys.begin(), keys.end(), key.str()) == keys.end()) {
                fail(static_cast<long>(key.source().begin.line), "images." + std::string(key.str()), "unknown key");
            }
        }
        for (u32 i = 0; i < fmt::kImageIndexCount; ++i) {
            const toml::node* child = images.get(kImageKeys[i]);
            if (child == nullptr) continue;
            const std::string field = std::string("images.") + kImageKeys[i];
            const u32 index = pictureIndex(*child, field);
            const u32 wanted = i == fmt::kImageProgressAnimation ? fmt::kBlobAnimation : fmt::kBlobIcon;
            if (description_.pictures[index].kind != wanted) {
                fail(*child, field, wanted == fmt::kBlobAnimation ? "picture is not an .avi clip" : "picture is not an .ico icon");
            }
            description_.settings.imageIndexTable[i] = index;
        }
    }

    void readUninstaller(const toml::node* node) {
        std::array<std::string, fmt::kUninstallTextCount> utf8Texts = defaultUninstallTexts(productNameUtf8_);
        const toml::node* texts = nullptr;
        if (node != nullptr) {
            const toml::table& table = asTable(*node, "uninstaller");
            checkKeys(table, {"texts", "bundle"}, "uninstaller", lineOf(table));
            texts = table.get("texts");
            if (const toml::node* bundle = table.get("bundle")) {
                if (!bundle->is_boolean()) fail(*bundle, "uninstaller.bundle", "must be true or false");
                description_.bundleUninstaller = bundle->as_boolean()->get();
            }
        }
        std::size_t total = 0;
        for (u32 i = 0; i < fmt::kUninstallTextCount; ++i) {
            if (texts != nullptr) {
                const toml::array& list = asArray(*texts, "uninstaller.texts");
                if (list.size() != fmt::kUninstallTextCount) {
                    fail(*texts, "uninstaller.texts", "needs 19 texts, has " + std::to_string(list.size()));
                }
                description_.uninstallTexts[i] = text(list[i], "uninstaller.texts[" + std::to_string(i) + "]");
            } else {
                // Built from the product name, which is already known to encode.
                std::string problem;
                description_.uninstallTexts[i] = encoder_.encode(utf8Texts[i], problem).value_or(std::string());
            }
            total += description_.uninstallTexts[i].size() + 1;
        }
        // The log appends an entry only while usedBytes + its size stays within
        // the limit; the texts must leave room for at least a few entries.
        if (total + kMinimumLogRoom > fmt::kLogAreaLimit) {
            fail(texts != nullptr ? lineOf(*texts) : 1, "uninstaller.texts",
                 "the texts take " + std::to_string(total) + " bytes and leave no room for the uninstall log in its " +
                     "262144-byte area (entries may fill it only up to 261888)");
        }
    }

    static constexpr std::size_t kMinimumLogRoom = 4096;

    fs::path file_;
    fs::path base_;
    TextEncoder encoder_;
    Variables variables_;
    DefectList defects_;
    Description description_;
    std::array<bool, fmt::kTextSlotCount> given_{};
    std::string productNameUtf8_;
    std::unordered_set<std::string> fileNames_, folderNames_;  // of the component being read, folded
};

}  // namespace

std::array<std::string, fmt::kUninstallTextCount> defaultUninstallTexts(const std::string& name) {
    return {
        "UnInstall " + name,
        "Lock_" + name,
        name + " is still running. Please close it before removing it.",
        "Are you sure you want to remove " + name + " and all of its components?",
        "Removing Files",
        "Removing Directories",
        "Removing Registry Entries",
        "All Done",
        name + " has been removed from your computer.",
        "Errors occurred while removing " + name + ". Some parts may have to be removed by hand.",
        "UnInstalling",
        "Removing " + name + ", please wait...",
        "Errors occured during UnInstallation",
        "-- These files could not be removed --",
        "-- These directories could not be removed --",
        "-- These registry entries could not be removed --",
        name,
        "OK",
        "&Details...",
    };
}

Description parseDescription(const std::string& text, const std::filesystem::path& file,
                             const DescriptionOptions& options) {
    long line = 0;
    std::string problem;
    if (!prescanToml(text, line, problem)) throw errorAt(file, line, "syntax", problem);
    toml::table root;
    try {
        root = toml::parse(text, utf8FromPath(file));
    } catch (const toml::parse_error& e) {
        throw errorAt(file, static_cast<long>(e.source().begin.line), "syntax", std::string(e.description()));
    }
    DescriptionReader reader(file, options);
    return reader.read(root);
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
